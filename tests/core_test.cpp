// The register map, the library state and the codings, seen through the
// operations that use them.
#include <array>

#include "sim_fixture.h"

namespace velk_test {
namespace {

using CoreTest = SimTest;

TEST_F(CoreTest, ResetRestoresTheLoadStateAndRecordsNothing) {
  SetBaseAddressVelk(0x280);
  SetADGainVelk(3);
  IRQVelk(1);
  velk_sim_trace_enable(0);
  velk_sim_set_interrupts(0);
  velk_sim_reset();
  EXPECT_EQ(velk_sim_trace_count(), 0u);
  EXPECT_EQ(Count(VELK_SIM_WRITE16, 0x282), 0u);
  EXPECT_EQ(velk_sim_interrupts_enabled(), 1);

  // Base 0x300, control byte 0x90, tracing on, interrupt policy 0.
  velk_sim_script_default(kStatus, 0x80);
  ADChanVelk(5);
  EXPECT_EQ(Trace().front().port, kData);
  EXPECT_EQ(Trace().front().value, 0x95);
  int16_t sample[1];
  velk_sim_trace_clear();
  ADChanMultiVelk(sample, 1, 0, 500);
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 1u);
}

// Every port of the map, reached through an operation that uses it.
struct PortUse {
  const char *name;
  void (*call)();
  uint16_t op;
  uint16_t offset;  // from the base
};

const PortUse kPortUses[] = {
    {"AdStatusPort", [] { ADVelk(); }, VELK_SIM_WRITE16, 0},
    {"AdDataPort", [] { SetADGainVelk(1); }, VELK_SIM_WRITE16, 2},
    {"DigPort", [] { DigOutVelk(1); }, VELK_SIM_WRITE8, 4},
    {"DaPort", [] { DAVelk(0); }, VELK_SIM_WRITE16, 6},
    {"Counter0Port", [] { SetTimerVelk(0, 2, 1); }, VELK_SIM_WRITE8, 8},
    {"Counter1Port", [] { SetTimerVelk(1, 2, 1); }, VELK_SIM_WRITE8, 10},
    {"Counter2Port", [] { SetTimerVelk(2, 2, 1); }, VELK_SIM_WRITE8, 12},
    {"TimerControlPort", [] { StopTimerVelk(2); }, VELK_SIM_WRITE8, 14},
};

TEST_F(CoreTest, PortsLieTwoApartFromTheBaseAndWrapAt16Bits) {
  for (uint16_t base : {0x300, 0x280, 0x000, 0xFFF2, 0xFFF8, 0xFFFE}) {
    for (const PortUse &use : kPortUses) {
      SCOPED_TRACE(testing::Message() << "base 0x" << std::hex << base << ", " << use.name);
      velk_sim_reset();
      SetBaseAddressVelk(base);
      EXPECT_EQ(velk_sim_trace_count(), 0u) << "moving the board touches no port";
      use.call();
      const uint16_t port = static_cast<uint16_t>(base + use.offset);
      EXPECT_GE(Count(static_cast<velk_sim_op>(use.op), port), 1u);
      for (const velk_sim_event &ev : Trace())
        if (ev.op != VELK_SIM_IRQ_OFF && ev.op != VELK_SIM_IRQ_ON && ev.port != kDelayPort) {
          const uint16_t offset = static_cast<uint16_t>(ev.port - base);
          EXPECT_LT(offset, 16) << Describe(ev.op, ev.port, ev.value) << " lies outside the board";
        }
    }
  }
}

TEST_F(CoreTest, MovingTheBoardKeepsTheControlByte) {
  SetADGainVelk(2);
  SetBaseAddressVelk(0x280);
  velk_sim_trace_clear();
  velk_sim_script_default(0x280, 0x80);
  ADChanVelk(7);
  ASSERT_FALSE(Trace().empty());
  EXPECT_EQ(Trace().front().port, 0x282);
  EXPECT_EQ(Trace().front().value, 0xA7);
}

// The sample coding, table from the board's data sheet plus the words outside
// the 12-bit range.
TEST_F(CoreTest, DataWordsBecomeSamples) {
  const std::array<std::pair<uint16_t, int16_t>, 8> cases = {{
      {0xF000, 0},
      {0xF7FF, 2047},
      {0xF800, -2048},
      {0xFFFF, -1},
      {0xF001, 1},
      {0x0000, -4096},
      {0x7FFF, 32767},
      {0x7000, -32768},
  }};
  velk_sim_script_default(kStatus, 0x80);
  for (auto [raw, sample] : cases) {
    Script(kData, {raw});
    EXPECT_EQ(ADWaitReadVelk(1), sample) << "raw 0x" << std::hex << raw;
  }
}

TEST_F(CoreTest, EveryDataWordMapsToADistinctSample) {
  velk_sim_script_default(kStatus, 0x80);
  velk_sim_trace_enable(0);
  std::vector<bool> seen(0x10000, false);
  for (uint32_t raw = 0; raw <= 0xFFFF; ++raw) {
    Script(kData, {static_cast<uint16_t>(raw)});
    const uint16_t sample = static_cast<uint16_t>(ADWaitReadVelk(1));
    ASSERT_FALSE(seen[sample]) << "raw 0x" << std::hex << raw;
    seen[sample] = true;
    ASSERT_EQ(RawWord(static_cast<int16_t>(sample)), raw);
  }
}

TEST_F(CoreTest, TheTimeoutSampleComesOnlyFromTheRawWord7FFF) {
  velk_sim_script_default(kStatus, 0x80);
  Script(kData, {0x7FFF});
  EXPECT_EQ(ADWaitReadVelk(1), kTimeout);
  EXPECT_EQ(Count(VELK_SIM_READ16, kData), 1u) << "a real sample, not a time-out";
}

TEST_F(CoreTest, ValuesBecomeOutputWords) {
  const std::array<std::pair<int16_t, uint16_t>, 7> cases = {{
      {-2048, 0x0000},
      {-1, 0x07FF},
      {0, 0x0800},
      {2047, 0x0FFF},
      {2048, 0x1000},
      {32767, 0x87FF},
      {-32768, 0x8800},
  }};
  for (auto [value, word] : cases) {
    velk_sim_trace_clear();
    DAVelk(value);
    EXPECT_TRUE(TraceIs({W16(kDa, word)})) << "value " << value;
  }
}

// A channel replaces the channel field of the setting; the high byte of every
// control write is 0.
TEST_F(CoreTest, ChannelMergeSelectsExactlyTheChannelAskedFor) {
  struct Case {
    uint16_t set_channel;
    uint16_t gain;
    uint16_t channel;
    uint16_t control_word;
  };
  const Case cases[] = {
      {0, 1, 5, 0x0095},  {0, 1, 16, 0x0090},    {0, 1, 31, 0x009F},
      {0, 3, 2, 0x00B2},  {3, 1, 4, 0x0094},     {5, 1, 2, 0x0092},
      {15, 0, 0, 0x0080}, {0, 1, 0x105, 0x0095}, {0, 1, 0xFF0F, 0x009F},
  };
  velk_sim_script_default(kStatus, 0x80);
  for (const Case &c : cases) {
    velk_sim_reset();
    velk_sim_script_default(kStatus, 0x80);
    SetADGainVelk(c.gain);
    SetADChanVelk(c.set_channel);
    velk_sim_trace_clear();
    ADChanVelk(c.channel);
    ASSERT_FALSE(Trace().empty());
    EXPECT_EQ(Trace().front().op, VELK_SIM_WRITE16);
    EXPECT_EQ(Trace().front().value, c.control_word)
        << "setting channel " << c.set_channel << ", channel " << c.channel;
  }
}

TEST_F(CoreTest, AcquisitionsDoNotChangeTheSetting) {
  velk_sim_script_default(kStatus, 0x80);
  SetADGainVelk(3);  // 0xB0
  ADChanVelk(2);
  velk_sim_trace_clear();
  SetADGainVelk(3);
  EXPECT_TRUE(TraceIs({W16(kData, 0x00B0)}));
}

}  // namespace
}  // namespace velk_test
