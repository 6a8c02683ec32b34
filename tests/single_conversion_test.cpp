// Single conversions: software trigger, channel selection, waiting for a result.
#include "sim_fixture.h"

namespace velk_test {
namespace {

using SingleConversionTest = SimTest;

TEST_F(SingleConversionTest, ADVelkTriggersWaitsAndReads) {
  Script(kStatus, {0x0000, 0x0000, 0x0080});
  Script(kData, {0xF123});
  EXPECT_EQ(ADVelk(), 0x123);
  EXPECT_TRUE(TraceIs(Seq(W16(kStatus, 0xFFFF), R16(kStatus, 0), R16(kStatus, 0),
                          R16(kStatus, 0x80), R16(kData, 0xF123))));
}

// The single-conversion budget is 10 status reads, and the tenth still counts.
TEST_F(SingleConversionTest, ADVelkWaitsAtMostTenStatusReads) {
  struct Case {
    uint64_t ready_at;
    int16_t result;
    uint64_t status_reads;
    uint64_t data_reads;
  };
  const Case cases[] = {{1, 5, 1, 1}, {10, 5, 10, 1}, {11, kTimeout, 10, 0}};
  for (const Case &c : cases) {
    velk_sim_reset();
    ReadyAtRead(c.ready_at);
    Script(kData, {RawWord(5)});
    EXPECT_EQ(ADVelk(), c.result) << "ready at read " << c.ready_at;
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.status_reads);
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), c.data_reads);
    EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus), 1u);
    EXPECT_EQ(velk_sim_trace_count(), 1 + c.status_reads + c.data_reads)
        << "no control write, no delay";
  }
}

TEST_F(SingleConversionTest, OnlyBit7OfTheStatusMeansReady) {
  const std::pair<uint16_t, bool> cases[] = {
      {0x0080, true},  {0xFFFF, true},  {0x00FF, true},  {0x0000, false},
      {0xFF7F, false}, {0x8000, false}, {0x0100, false}, {0x007F, false},
  };
  for (auto [status, ready] : cases) {
    velk_sim_reset();
    velk_sim_script_default(kStatus, status);
    Script(kData, {RawWord(-7)});
    EXPECT_EQ(ADVelk(), ready ? -7 : kTimeout) << "status 0x" << std::hex << status;
  }
}

TEST_F(SingleConversionTest, ADChanVelkSelectsSettlesTriggersAndReads) {
  velk_sim_script_default(kStatus, 0x0080);
  Script(kData, {0x1234, 0xF800});
  EXPECT_EQ(ADChanVelk(5), -2048);
  EXPECT_TRUE(TraceIs(Seq(W16(kData, 0x0095), Repeat(Delay(), 4), R16(kData, 0x1234),
                          W16(kStatus, 0xFFFF), R16(kStatus, 0x80), R16(kData, 0xF800))));
}

TEST_F(SingleConversionTest, ADChanVelkTimesOutWithoutReadingTheResult) {
  EXPECT_EQ(ADChanVelk(3), kTimeout);
  EXPECT_TRUE(TraceIs(Seq(W16(kData, 0x0093), Repeat(Delay(), 4), R16(kData), W16(kStatus, 0xFFFF),
                          Repeat(R16(kStatus, 0), 10))));
}

TEST_F(SingleConversionTest, ADVelkConvertsOnTheChannelADChanVelkSelected) {
  velk_sim_script_default(kStatus, 0x0080);
  ADChanVelk(9);
  velk_sim_trace_clear();
  ADVelk();
  EXPECT_TRUE(TraceIs(Seq(W16(kStatus, 0xFFFF), R16(kStatus), R16(kData))))
      << "ADVelk writes no control byte";
}

TEST_F(SingleConversionTest, ADWaitReadVelkOnlyWaitsAndReads) {
  struct Case {
    uint32_t budget;
    uint64_t ready_at;
    bool ready;
    uint64_t status_reads;
  };
  const Case cases[] = {
      {1, 1, true, 1},
      {1, 2, false, 1},
      {3, 3, true, 3},
      {3, 4, false, 3},
      {10, 11, false, 10},
      {65536, 65536, true, 65536},
      {65536, 65537, false, 65536},
      // The budget is a full 32-bit count: 2^16 + 1 is not cut to 1, and 0 is 2^32.
      {65537, 65537, true, 65537},
      {0, 65537, true, 65537},
  };
  for (const Case &c : cases) {
    velk_sim_reset();
    velk_sim_trace_enable(0);
    ReadyAtRead(c.ready_at);
    Script(kData, {RawWord(100)});
    EXPECT_EQ(ADWaitReadVelk(c.budget), c.ready ? 100 : kTimeout)
        << "budget " << c.budget << ", ready at " << c.ready_at;
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.status_reads);
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), c.ready ? 1u : 0u);
    EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus) + Count(VELK_SIM_WRITE16, kData), 0u);
    EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), 0u);
  }
}

// A budget of 0 is the longest wait, 2^32 reads, not none.
TEST_F(SingleConversionTest, ABudgetOfZeroWaitsTwoToThe32Reads) {
  velk_sim_reset();  // the board's own status port: never ready
  velk_sim_trace_enable(0);
  EXPECT_EQ(ADWaitReadVelk(0), kTimeout);
  EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), uint64_t{1} << 32);
  EXPECT_EQ(Count(VELK_SIM_READ16, kData), 0u);
}

TEST_F(SingleConversionTest, SingleConversionsLeaveInterruptsAndStateAlone) {
  velk_sim_set_interrupts(0);
  ADVelk();
  ADChanVelk(4);
  ADWaitReadVelk(5);
  EXPECT_EQ(velk_sim_interrupts_enabled(), 0);
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF) + Count(VELK_SIM_IRQ_ON), 0u);
  velk_sim_trace_clear();
  SetADGainVelk(1);
  EXPECT_TRUE(TraceIs({W16(kData, 0x0090)})) << "the setting is still channel 0";
}

}  // namespace
}  // namespace velk_test
