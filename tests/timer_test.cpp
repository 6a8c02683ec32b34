// The counter/timer: programming and stopping counters, and the pacer that the
// paced acquisitions start and stop.
#include "sim_fixture.h"

namespace velk_test {
namespace {

using TimerTest = SimTest;

// Compares the recorded events first, first + 1, ... with expected.
testing::AssertionResult TraceAt(size_t first, const std::vector<Ev> &expected) {
  const std::vector<velk_sim_event> actual = Trace();
  if (actual.size() < first + expected.size())
    return testing::AssertionFailure() << "only " << actual.size() << " events recorded";
  for (size_t i = 0; i < expected.size(); ++i) {
    const velk_sim_event &a = actual[first + i];
    const Ev &e = expected[i];
    if (a.op != e.op || a.port != e.port || (e.value && *e.value != a.value))
      return testing::AssertionFailure()
             << "event " << first + i << ": expected " << Describe(e.op, e.port, e.value)
             << ", got " << Describe(a.op, a.port, a.value);
  }
  return testing::AssertionSuccess();
}

// Control byte, low count byte, one bus cycle, high count byte, all inside one
// interrupts-off window.
TEST_F(TimerTest, SetTimerVelkProgramsTheCounterItNames) {
  struct Case {
    uint16_t counter;
    uint16_t mode;
    uint16_t count;
    uint8_t control;
    uint16_t data_port;
    uint8_t low;
    uint8_t high;
  };
  const Case cases[] = {
      {1, 2, 0x0234, 0x74, kCounter1, 0x34, 0x02},
      {2, 3, 500, 0xB6, kCounter2, 0xF4, 0x01},
      {0, 0, 0, 0x30, kCounter0, 0x00, 0x00},
      {0, 1, 0x0100, 0x32, kCounter0, 0x00, 0x01},
      {0, 2, 0xFFFF, 0x34, kCounter0, 0xFF, 0xFF},
      {2, 5, 0xABCD, 0xBA, kCounter2, 0xCD, 0xAB},
      {1, 4, 0x00FF, 0x78, kCounter1, 0xFF, 0x00},
      // Modes 6 and 7 go to the counter as they are.
      {0, 6, 10, 0x3C, kCounter0, 0x0A, 0x00},
      {0, 7, 10, 0x3E, kCounter0, 0x0A, 0x00},
      // Only bits 2-0 of the mode count: the control byte never names another
      // counter, nor sets bits outside the mode field.
      {0, 8, 1, 0x30, kCounter0, 0x01, 0x00},
      {0, 0x20, 1, 0x30, kCounter0, 0x01, 0x00},
      {1, 0x40, 1, 0x70, kCounter1, 0x01, 0x00},
      {0, 0x12, 1, 0x34, kCounter0, 0x01, 0x00},
      {2, 0xFFFF, 1, 0xBE, kCounter2, 0x01, 0x00},
  };
  for (const Case &c : cases) {
    velk_sim_trace_clear();
    SetTimerVelk(c.counter, c.mode, c.count);
    EXPECT_TRUE(TraceIs(Seq(IrqOff(), W8(kTimerControl, c.control), W8(c.data_port, c.low), Delay(),
                            W8(c.data_port, c.high), IrqOn())))
        << "counter " << c.counter << ", mode 0x" << std::hex << c.mode << ", count 0x" << c.count;
  }
}

TEST_F(TimerTest, SetTimerVelkReturnsWithInterruptsOnWhateverThePolicy) {
  for (uint16_t policy : {0, 1}) {
    IRQVelk(policy);
    velk_sim_set_interrupts(0);
    velk_sim_trace_clear();
    SetTimerVelk(2, 3, 500);
    EXPECT_EQ(velk_sim_interrupts_enabled(), 1) << "policy " << policy;
    EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 1u);
    EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u);
  }
}

// A counter above 2 would send count bytes to the control port or to ports of
// other devices; the call does nothing at all.
TEST_F(TimerTest, SetTimerVelkRefusesCountersAbove2) {
  for (uint16_t counter : {3, 4, 7, 0x100, 0x8000, 0xFFFF}) {
    for (int interrupts : {0, 1}) {
      velk_sim_set_interrupts(interrupts);
      velk_sim_trace_clear();
      SetTimerVelk(counter, 2, 0x1234);
      EXPECT_EQ(velk_sim_trace_count(), 0u) << "counter 0x" << std::hex << counter;
      EXPECT_EQ(velk_sim_interrupts_enabled(), interrupts) << "counter 0x" << std::hex << counter;
    }
  }
}

TEST_F(TimerTest, StopTimerVelkWritesOneControlByteAndNothingElse) {
  const std::pair<uint16_t, uint8_t> cases[] = {
      {0, 0x30}, {1, 0x70}, {2, 0xB0},     {3, 0xF0},      {4, 0x30},
      {5, 0x70}, {6, 0xB0}, {0x100, 0x30}, {0xFFFF, 0xF0},
  };
  velk_sim_set_interrupts(0);
  for (auto [counter, control] : cases) {
    velk_sim_trace_clear();
    StopTimerVelk(counter);
    EXPECT_TRUE(TraceIs({W8(kTimerControl, control)})) << "counter 0x" << std::hex << counter;
  }
  EXPECT_EQ(velk_sim_interrupts_enabled(), 0) << "the interrupt state is left alone";
}

// Each counter's data port is Counter0Port + 2 * counter, wrapping at 2^16
// like the rest of the board's ports.
TEST_F(TimerTest, CounterPortsFollowTheBaseAddress) {
  struct Case {
    uint16_t base;
    uint16_t counter;
    uint16_t data_port;
    uint16_t control_port;
  };
  const Case cases[] = {
      {0x280, 2, 0x28C, 0x28E},    {0x280, 0, 0x288, 0x28E},    {0xFFF8, 2, 0x0004, 0x0006},
      {0xFFF4, 1, 0xFFFE, 0x0002}, {0xFFF4, 2, 0x0000, 0x0002},
  };
  for (const Case &c : cases) {
    velk_sim_reset();
    SetBaseAddressVelk(c.base);
    SetTimerVelk(c.counter, 3, 0x0102);
    StopTimerVelk(c.counter);
    const uint8_t control = static_cast<uint8_t>(0x36 | c.counter << 6);
    const uint8_t stop = static_cast<uint8_t>(0x30 | c.counter << 6);
    EXPECT_TRUE(TraceIs(Seq(IrqOff(), W8(c.control_port, control), W8(c.data_port, 0x02), Delay(),
                            W8(c.data_port, 0x01), IrqOn(), W8(c.control_port, stop))))
        << "base 0x" << std::hex << c.base << ", counter " << c.counter;
  }
}

// The pacer as the paced block uses it: both counters loaded in mode 2 right
// after the control write, counter 0 stopped as the very last access.
TEST_F(TimerTest, PacedBlockStartsThePacerAfterItsControlWriteAndStopsItLast) {
  const std::pair<uint16_t, uint16_t> cases[] = {
      {500, 0}, {0, 5}, {0xFFFF, 15}, {0x0100, 9}, {1, 3},
  };
  for (auto [divisor, channel] : cases) {
    SCOPED_TRACE(testing::Message() << "divisor " << divisor << ", channel " << channel);
    velk_sim_trace_clear();
    velk_sim_script_default(kStatus, 0x0080);
    int16_t sample = 0;
    ASSERT_EQ(ADChanMultiVelk(&sample, 1, channel, divisor), 0);
    const auto low = static_cast<uint8_t>(divisor & 0xFF);
    const auto high = static_cast<uint8_t>(divisor >> 8);
    EXPECT_TRUE(
        TraceAt(0, Seq(W16(kData, 0x90 | channel), W8(kTimerControl, 0x34), W8(kCounter0, 0x04),
                       Delay(), W8(kCounter0, 0x00), W8(kTimerControl, 0x74), W8(kCounter1, low),
                       Delay(), W8(kCounter1, high), IrqOff())));
    ASSERT_GE(velk_sim_trace_count(), 2u);
    EXPECT_TRUE(TraceAt(velk_sim_trace_count() - 2, Seq(IrqOn(), W8(kTimerControl, 0x30))));
    EXPECT_EQ(Count(VELK_SIM_WRITE8, kTimerControl), 3u) << "one stop, no other control byte";
    EXPECT_EQ(Count(VELK_SIM_WRITE8, kCounter2), 0u);
  }
}

// The first sample comes, the second never does: the block still ends with
// interrupts on and then the stop.
TEST_F(TimerTest, PacedBlockStopsThePacerAfterATimeOutToo) {
  velk_sim_set_interrupts(0);
  Script(kStatus, {0x0080});
  int16_t samples[2] = {0, 0};
  EXPECT_EQ(ADChanMultiVelk(samples, 2, 0, 500), kTimeout);
  ASSERT_GE(velk_sim_trace_count(), 3u);
  EXPECT_TRUE(
      TraceAt(velk_sim_trace_count() - 3, Seq(R16(kStatus, 0), IrqOn(), W8(kTimerControl, 0x30))));
  EXPECT_EQ(Count(VELK_SIM_WRITE8, kTimerControl), 3u);
  EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
}

}  // namespace
}  // namespace velk_test
