// The analog output and the digital port.
#include <cstdint>
#include <vector>

#include "sim_fixture.h"

namespace velk_test {
namespace {

// One value of a block: the write, then three bus cycles to let the output settle.
std::vector<Ev> OutputValue(uint16_t word, uint16_t port = kDa) {
  return Seq(W16(port, word), Repeat(Delay(), 3));
}

// ---------------------------------------------------------------------------
// DAVelk

using OutputSingleTest = SimTest;

// The coding itself is covered with the core; here, what a single write does around it.
TEST_F(OutputSingleTest, WritesOneWordAndNothingElse) {
  for (int entered_on : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "entered on " << entered_on);
    velk_sim_reset();
    velk_sim_set_interrupts(entered_on);

    DAVelk(-1);
    EXPECT_TRUE(TraceIs({W16(kDa, 0x07FF)}));
    EXPECT_EQ(velk_sim_interrupts_enabled(), entered_on);
  }
}

TEST_F(OutputSingleTest, FollowsTheBoardToItsNewBase) {
  SetBaseAddressVelk(0x280);
  DAVelk(2047);
  const int16_t values[] = {-2048};
  DAMultiVelk(values, 1);
  EXPECT_TRUE(TraceIs(Seq(W16(0x286, 0x0FFF), IrqOff(), OutputValue(0x0000, 0x286), IrqOn())));
}

// ---------------------------------------------------------------------------
// DAMultiVelk

using OutputBlockTest = SimTest;

TEST_F(OutputBlockTest, OneValueIsWrittenWithInterruptsMasked) {
  const std::vector<int16_t> values = {0};
  DAMultiVelk(values.data(), 1);
  EXPECT_TRUE(TraceIs(Seq(IrqOff(), OutputValue(0x0800), IrqOn())));
  EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
}

// Only the first count values are written, in order, coded as DAVelk codes them
// (2048 is not clamped); the fourth value would show as a fourth write.
TEST_F(OutputBlockTest, WritesTheFirstCountValuesInOrder) {
  const std::vector<int16_t> values = {-2048, 2047, 2048, 0};
  DAMultiVelk(values.data(), 3);
  EXPECT_TRUE(TraceIs(
      Seq(IrqOff(), OutputValue(0x0000), OutputValue(0x0FFF), OutputValue(0x1000), IrqOn())));
}

// Masking follows the policy as a whole 16-bit value; the final interrupts-on
// comes after the last value's delays whatever the policy and the entry state.
TEST_F(OutputBlockTest, MasksInterruptsOnlyWhileThePolicyIsZero) {
  const std::vector<int16_t> values = {-1, 1};
  for (uint16_t policy : {0, 1, 0x100}) {
    for (int entered_on : {1, 0}) {
      SCOPED_TRACE(testing::Message()
                   << "policy 0x" << std::hex << policy << ", entered on " << entered_on);
      velk_sim_reset();
      IRQVelk(policy);
      velk_sim_set_interrupts(entered_on);

      DAMultiVelk(values.data(), 2);
      std::vector<Ev> expected;
      if (policy == 0) expected.push_back(IrqOff());
      AppendTo(expected, Seq(OutputValue(0x07FF), OutputValue(0x0801), IrqOn()));
      EXPECT_TRUE(TraceIs(expected));
      EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
    }
  }
}

// The count is a full 32-bit number: 2^16 + 1 is not cut to 1.
TEST_F(OutputBlockTest, BlockLongerThan16BitsWritesEveryValue) {
  constexpr uint32_t kCount = 0x10001;
  velk_sim_trace_enable(0);
  const std::vector<int16_t> values(kCount, 5);

  DAMultiVelk(values.data(), kCount);
  EXPECT_EQ(Count(VELK_SIM_WRITE16, kDa), kCount);
  EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), 3 * uint64_t{kCount});
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 1u);
  EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u);
}

// A count of 0 returns at once: the null array would fault on any read.
TEST_F(OutputBlockTest, CountZeroReturnsAtOnceWithoutTouchingAnything) {
  for (int entered_on : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "entered on " << entered_on);
    velk_sim_reset();
    velk_sim_set_interrupts(entered_on);

    DAMultiVelk(nullptr, 0);
    EXPECT_EQ(velk_sim_trace_count(), 0u);
    EXPECT_EQ(velk_sim_interrupts_enabled(), entered_on);
  }
}

// ---------------------------------------------------------------------------
// DigInVelk, DigOutVelk: one 8-bit access each, interrupts left as they are.

using DigitalTest = SimTest;

TEST_F(DigitalTest, OutputWritesTheLowByteAndReturnsZero) {
  const std::pair<uint16_t, uint8_t> cases[] = {
      {0x01C3, 0xC3}, {0xFFFF, 0xFF}, {0x0000, 0x00}, {0x0080, 0x80}, {0xA500, 0x00},
  };
  velk_sim_set_interrupts(0);
  for (auto [value, byte] : cases) {
    velk_sim_trace_clear();
    EXPECT_EQ(DigOutVelk(value), 0);
    EXPECT_TRUE(TraceIs({W8(kDig, byte)})) << "value 0x" << std::hex << value;
  }
  EXPECT_EQ(velk_sim_interrupts_enabled(), 0);
}

// The byte is zero-extended: 0xFF reads as 255, never as -1.
TEST_F(DigitalTest, InputReturnsTheByteZeroExtended) {
  const std::pair<uint16_t, uint16_t> cases[] = {{0xFF, 255}, {0x00, 0}, {0x80, 128}, {0x5A, 0x5A}};
  velk_sim_set_interrupts(0);
  for (auto [byte, result] : cases) {
    velk_sim_trace_clear();
    Script(kDig, {byte});
    EXPECT_EQ(DigInVelk(), result) << "port reads 0x" << std::hex << byte;
    EXPECT_TRUE(TraceIs({R8(kDig, byte)}));
  }
  EXPECT_EQ(velk_sim_interrupts_enabled(), 0);
}

TEST_F(DigitalTest, FollowsTheBoardToItsNewBase) {
  SetBaseAddressVelk(0x280);
  Script(0x284, {0x3C});
  EXPECT_EQ(DigOutVelk(0x81), 0);
  EXPECT_EQ(DigInVelk(), 0x3C);
  EXPECT_TRUE(TraceIs({W8(0x284, 0x81), R8(0x284, 0x3C)}));
}

}  // namespace
}  // namespace velk_test
