// The hardware library on a machine that refuses port access: every function
// returns without a crash, and every wait for the converter ends in a
// time-out, never in a made-up sample.
#include <gtest/gtest.h>
#include <sys/io.h>

#include <array>
#include <cstdint>

#include "velkio.h"

namespace {

constexpr int16_t kUntouched = 0x5A5A;

class NoPermissionTest : public testing::Test {
 protected:
  void SetUp() override {
    // Where port access is granted this would drive whatever sits at 0x300.
    if (ioperm(0x300, 16, 1) == 0) {
      ioperm(0x300, 16, 0);
      GTEST_SKIP() << "this machine grants port access; not touching real ports";
    }
  }
};

TEST_F(NoPermissionTest, EveryFunctionReturnsAndEveryWaitTimesOut) {
  SetBaseAddressVelk(0x300);
  EXPECT_EQ(InitVelk(), 0);
  EXPECT_EQ(TestVelk(), 0);
  IRQVelk(0);
  SetADGainVelk(2);
  SetADChanVelk(3);
  SetTimerVelk(2, 3, 1000);
  StopTimerVelk(2);
  EXPECT_EQ(ADWaitReadVelk(1000), VELKIO_TIMEOUT_STATUS);
  EXPECT_EQ(ADVelk(), VELKIO_TIMEOUT_STATUS);
  EXPECT_EQ(ADChanVelk(5), VELKIO_TIMEOUT_STATUS);

  std::array<int16_t, 6> buffer;
  const std::array<uint16_t, 3> channels = {1, 2, 3};
  buffer.fill(kUntouched);
  EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 3), VELKIO_TIMEOUT_STATUS);
  EXPECT_EQ(ADChanMultiVelk(buffer.data(), 6, 1, 500), VELKIO_TIMEOUT_STATUS);
  EXPECT_EQ(ADChansMultiVelk(buffer.data(), 2, channels.data(), 3, 500), VELKIO_TIMEOUT_STATUS);
  EXPECT_EQ(ADChanMultiSyncVelk(buffer.data(), 6, 1, 500, 1, 0), VELKIO_TIMEOUT_STATUS);
  for (int16_t entry : buffer)
    EXPECT_EQ(entry, kUntouched);

  EXPECT_EQ(DigInVelk(), 0);
  EXPECT_EQ(DigOutVelk(0xFF), 0);
  DAVelk(100);
  const std::array<int16_t, 3> values = {-2048, 0, 2047};
  DAMultiVelk(values.data(), 3);

  // The burst waits for nothing: it stores what reads return, 0, whose sample
  // (-4096) no 12-bit conversion can give.
  ADChanMultiFastVelk(buffer.data(), 2, 4);
  EXPECT_EQ(buffer[0], -4096);
  EXPECT_EQ(buffer[1], -4096);
  EXPECT_EQ(buffer[2], kUntouched);
}

TEST_F(NoPermissionTest, MovingTheBoardDoesNotHelp) {
  SetBaseAddressVelk(0x280);
  EXPECT_EQ(ADVelk(), VELKIO_TIMEOUT_STATUS);
  SetBaseAddressVelk(0xFFF8);
  EXPECT_EQ(ADChanVelk(1), VELKIO_TIMEOUT_STATUS);
  SetBaseAddressVelk(0x300);
}

}  // namespace
