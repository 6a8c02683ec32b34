// Board setup: initialisation, the ready test, gain, channel and interrupt policy.
#include <functional>

#include "sim_fixture.h"

namespace velk_test {
namespace {

using SetupTest = SimTest;

// Each operation's bus conversation from the load state, entered with
// interrupts off: only TestVelk touches the interrupt state, and it returns
// with interrupts on.
TEST_F(SetupTest, EachOperationMakesItsOwnTransactions) {
  struct Case {
    const char *name;
    std::function<void()> call;
    std::vector<Ev> trace;
    int interrupts_after;
  };
  const Case cases[] = {
      {"TestVelk", [] { TestVelk(); }, Seq(IrqOff(), R16(kData), R16(kStatus), IrqOn()), 1},
      {"InitVelk", [] { InitVelk(); },
       Seq(W8(kTimerControl, 0x30), W16(kData, 0x0090), Delay(), R16(kData)), 0},
      {"SetADGainVelk(3)", [] { SetADGainVelk(3); }, Seq(W16(kData, 0x00B0)), 0},
      {"IRQVelk(1)", [] { IRQVelk(1); }, {}, 0},
      {"SetADChanVelk(0x1B)", [] { SetADChanVelk(0x1B); },
       Seq(W16(kData, 0x009B), Delay(), R16(kData)), 0},
  };
  for (const Case &c : cases) {
    velk_sim_reset();
    velk_sim_set_interrupts(0);
    c.call();
    EXPECT_TRUE(TraceIs(c.trace)) << c.name;
    EXPECT_EQ(velk_sim_interrupts_enabled(), c.interrupts_after) << c.name;
  }
}

// The result is bit 7 of the status word read after one data word; the data
// word itself plays no part.
TEST_F(SetupTest, TestVelkReportsOnlyTheReadyBitOfTheStatus) {
  struct Case {
    uint16_t data;
    uint16_t status;
    uint16_t result;
  };
  const Case cases[] = {
      {0x0000, 0x0080, 1}, {0x0000, 0xFFFF, 1}, {0x0000, 0x00FF, 1},
      {0x0000, 0x0000, 0}, {0x0000, 0x0100, 0}, {0x0000, 0x8000, 0},
      {0x0000, 0xFF7F, 0}, {0x0080, 0x0000, 0}, {0xFFFF, 0x0080, 1},
  };
  for (const Case &c : cases) {
    velk_sim_trace_clear();
    Script(kData, {c.data});
    Script(kStatus, {c.status});
    EXPECT_EQ(TestVelk(), c.result) << "data 0x" << std::hex << c.data << ", status 0x" << c.status;
    EXPECT_TRUE(TraceIs(Seq(IrqOff(), R16(kData, c.data), R16(kStatus, c.status), IrqOn())));
  }
}

// The gain replaces bits 5-4 only and is stored: the next write of the
// setting, by SetADChanVelk with the same channel, carries it again.
TEST_F(SetupTest, SetADGainVelkReplacesTheGainField) {
  struct Case {
    uint16_t gain_before;
    uint16_t channel_before;
    uint16_t gain;
    uint16_t control;
  };
  const Case cases[] = {
      {1, 0, 3, 0xB0},      {1, 0, 0, 0x80},  {1, 0, 7, 0xB0},  {1, 0, 4, 0x80}, {1, 0, 2, 0xA0},
      {1, 0, 0xFFFE, 0xA0}, {3, 15, 0, 0x8F}, {3, 15, 1, 0x9F}, {0, 6, 2, 0xA6},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "gain " << c.gain_before << ", channel " << c.channel_before
                                    << ", then gain 0x" << std::hex << c.gain);
    velk_sim_reset();
    SetADGainVelk(c.gain_before);
    SetADChanVelk(c.channel_before);
    velk_sim_trace_clear();
    SetADGainVelk(c.gain);
    EXPECT_TRUE(TraceIs({W16(kData, c.control)}));
    velk_sim_trace_clear();
    SetADChanVelk(c.channel_before);
    EXPECT_TRUE(TraceIs(Seq(W16(kData, c.control), Delay(), R16(kData))));
  }
}

// The channel replaces bits 3-0 only and is stored: the next SetADGainVelk
// with the same gain writes it again.
TEST_F(SetupTest, SetADChanVelkReplacesTheChannelField) {
  struct Case {
    uint16_t gain_before;
    uint16_t channel_before;
    uint16_t channel;
    uint16_t control;
  };
  const Case cases[] = {
      {1, 0, 0x1B, 0x9B},  {1, 0, 15, 0x9F}, {1, 0, 0x10, 0x90}, {1, 0, 0xFFF5, 0x95},
      {3, 15, 0x10, 0xB0}, {2, 5, 3, 0xA3},  {0, 12, 1, 0x81},   {3, 7, 7, 0xB7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "gain " << c.gain_before << ", channel " << c.channel_before
                                    << ", then channel 0x" << std::hex << c.channel);
    velk_sim_reset();
    SetADGainVelk(c.gain_before);
    SetADChanVelk(c.channel_before);
    velk_sim_trace_clear();
    SetADChanVelk(c.channel);
    EXPECT_TRUE(TraceIs(Seq(W16(kData, c.control), Delay(), R16(kData))));
    velk_sim_trace_clear();
    SetADGainVelk(c.gain_before);
    EXPECT_TRUE(TraceIs({W16(kData, c.control)}));
  }
}

// A gain and channel set before InitVelk are lost: later operations see gain
// code 1 and channel 0.
TEST_F(SetupTest, InitVelkRestoresTheInitialControlByte) {
  SetADGainVelk(3);
  SetADChanVelk(15);  // 0xBF
  velk_sim_trace_clear();
  Script(kData, {0xFFFF});
  EXPECT_EQ(InitVelk(), 0);
  EXPECT_TRUE(TraceIs(Seq(W8(kTimerControl, 0x30), W16(kData, 0x0090), Delay(), R16(kData))));

  velk_sim_script_default(kStatus, 0x0080);
  velk_sim_trace_clear();
  ADChanVelk(2);
  ASSERT_FALSE(Trace().empty());
  EXPECT_EQ(Trace().front().value, 0x0092) << "gain code 1 in the merged control byte";

  velk_sim_trace_clear();
  SetADChanVelk(4);
  SetADGainVelk(1);
  EXPECT_TRUE(TraceIs(Seq(W16(kData, 0x0094), Delay(), R16(kData), W16(kData, 0x0094))));
}

// Only the 16-bit policy as a whole matters; a block operation that consults
// it shows whether interrupts were masked.
TEST_F(SetupTest, IRQVelkSetsThePolicyOfTheBlockOperations) {
  const std::pair<uint16_t, bool> cases[] = {
      {0, true}, {1, false}, {0x100, false}, {0x8000, false}, {0xFFFF, false},
  };
  const int16_t values[] = {0, 1};
  for (auto [enable, masks] : cases) {
    velk_sim_reset();
    IRQVelk(enable);
    EXPECT_EQ(velk_sim_trace_count(), 0u) << "IRQVelk touches no port";
    DAMultiVelk(values, 2);
    EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), masks ? 1u : 0u) << "enable 0x" << std::hex << enable;
    EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u) << "enable 0x" << std::hex << enable;
  }
}

// Nothing but IRQVelk changes the policy: not InitVelk, the setting or a move
// of the board.
TEST_F(SetupTest, ThePolicyOutlivesOtherSetupCalls) {
  const int16_t value = 0;
  IRQVelk(0x100);
  InitVelk();
  SetADGainVelk(2);
  SetADChanVelk(3);
  SetBaseAddressVelk(0x280);
  velk_sim_trace_clear();
  DAMultiVelk(&value, 1);
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 0u);

  IRQVelk(0);
  velk_sim_trace_clear();
  DAMultiVelk(&value, 1);
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 1u);
}

TEST_F(SetupTest, SetupFollowsTheBoardToANewBase) {
  SetBaseAddressVelk(0x280);
  EXPECT_EQ(velk_sim_trace_count(), 0u);
  InitVelk();
  SetADGainVelk(2);
  SetADChanVelk(3);
  Script(0x280, {0x0080});
  EXPECT_EQ(TestVelk(), 1);
  EXPECT_TRUE(TraceIs(Seq(W8(0x28E, 0x30), W16(0x282, 0x0090), Delay(), R16(0x282),  // InitVelk
                          W16(0x282, 0x00A0),                                        // gain
                          W16(0x282, 0x00A3), Delay(), R16(0x282),                   // channel
                          IrqOff(), R16(0x282), R16(0x280, 0x0080), IrqOn())));      // TestVelk
}

}  // namespace
}  // namespace velk_test
