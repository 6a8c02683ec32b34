// Timer-paced acquisition: blocks from one channel and scans of a channel list,
// and the opening and closing every paced operation shares.
#include <algorithm>
#include <iterator>
#include <vector>

#include "sim_fixture.h"

namespace velk_test {
namespace {

constexpr uint64_t kPollBudget = 128000;
constexpr int16_t kSentinel = -12345;  // never a sample these tests script

// The pacer start: counter 0 divides by 4, counter 1 by the divisor, both in
// mode 2, each count low byte first with one bus delay between the bytes.
std::vector<Ev> PacerStart(uint16_t divisor) {
  return Seq(W8(kTimerControl, 0x34), W8(kCounter0, 0x04), Delay(), W8(kCounter0, 0x00),
             W8(kTimerControl, 0x74), W8(kCounter1, divisor & 0xFF), Delay(),
             W8(kCounter1, divisor >> 8));
}
const Ev kPacerStop = W8(kTimerControl, 0x30);

bool Same(const velk_sim_event &actual, const Ev &expected) {
  return actual.op == expected.op && actual.port == expected.port &&
         (!expected.value || *expected.value == actual.value);
}

// Compares the trace events from index first on with expected.
testing::AssertionResult EventsAt(size_t first, const std::vector<Ev> &expected) {
  std::vector<velk_sim_event> actual(expected.size());
  if (velk_sim_trace(actual.data(), first, actual.size()) != expected.size())
    return testing::AssertionFailure() << "fewer than " << first + expected.size() << " events";
  for (size_t i = 0; i < expected.size(); ++i)
    if (!Same(actual[i], expected[i]))
      return testing::AssertionFailure()
             << "event " << first + i << ": expected "
             << Describe(expected[i].op, expected[i].port, expected[i].value) << ", got "
             << Describe(actual[i].op, actual[i].port, actual[i].value);
  return testing::AssertionSuccess();
}

// The value of the last control write, that is what the control register holds.
std::optional<uint16_t> LastControlWrite() {
  std::optional<uint16_t> last;
  for (const velk_sim_event &ev : Trace())
    if (ev.op == VELK_SIM_WRITE16 && ev.port == kData) last = ev.value;
  return last;
}

std::vector<uint16_t> Words(const std::vector<int16_t> &samples) {
  std::vector<uint16_t> words;
  for (int16_t sample : samples)
    words.push_back(RawWord(sample));
  return words;
}

using PacedTest = SimTest;

TEST_F(PacedTest, ADChanMultiVelkSelectsStartsThePacerAndReadsWhatItPaces) {
  struct Case {
    uint16_t channel;
    uint16_t divisor;
    uint16_t control;
  };
  const Case cases[] = {{3, 500, 0x93}, {16, 0, 0x90}, {31, 0xFFFF, 0x9F}, {7, 0x1234, 0x97}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "channel " << c.channel << ", divisor " << c.divisor);
    SetUp();
    velk_sim_script_default(kStatus, 0x0080);
    Script(kData, {0x1234, RawWord(-300)});
    int16_t buffer[1] = {kSentinel};
    EXPECT_EQ(ADChanMultiVelk(buffer, 1, c.channel, c.divisor), 0);
    EXPECT_EQ(buffer[0], -300);
    // No software trigger and no bus delay besides the pacer's own.
    EXPECT_TRUE(
        TraceIs(Seq(W16(kData, c.control), PacerStart(c.divisor), IrqOff(), R16(kData, 0x1234),
                    R16(kStatus, 0x80), R16(kData, RawWord(-300)), IrqOn(), kPacerStop)));
  }
}

// Every sample has a wait of its own of at most 128000 status reads; the first
// sample that is not ready ends the block, keeping what was stored before it.
TEST_F(PacedTest, ADChanMultiVelkWaitsAtMost128000ReadsPerSample) {
  struct Case {
    std::vector<uint64_t> ready_at;  // per sample, the status read that shows the ready bit
    uint16_t result;
    size_t stored;
    uint64_t status_reads;
  };
  const Case cases[] = {
      {{1}, 0, 1, 1},
      {{kPollBudget}, 0, 1, kPollBudget},
      {{kPollBudget + 1}, kTimeout, 0, kPollBudget},
      {{kPollBudget, kPollBudget}, 0, 2, 2 * kPollBudget},
      {{1, 3, 2}, 0, 3, 6},
      {{1, kPollBudget + 1, 1}, kTimeout, 1, 1 + kPollBudget},
      {{2, 3, kPollBudget + 1}, kTimeout, 2, 5 + kPollBudget},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.ready_at.size() << " samples, failing after " << c.stored);
    SetUp();
    for (uint64_t ready_at : c.ready_at)
      ReadyAtRead(ready_at);
    std::vector<int16_t> samples;
    for (size_t k = 0; k < c.ready_at.size(); ++k)
      samples.push_back(static_cast<int16_t>(-1000 + 111 * static_cast<int>(k)));
    Script(kData, {0x5555});
    Script(kData, Words(samples));
    std::vector<int16_t> buffer(samples.size(), kSentinel);

    EXPECT_EQ(ADChanMultiVelk(buffer.data(), static_cast<uint32_t>(buffer.size()), 2, 500),
              c.result);
    for (size_t k = 0; k < buffer.size(); ++k)
      EXPECT_EQ(buffer[k], k < c.stored ? samples[k] : kSentinel) << "entry " << k;
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.status_reads);
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), 1 + c.stored) << "no data read for a failed sample";
    EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus), 0u);
    EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), 2u);
    EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
  }
}

TEST_F(PacedTest, ADChansMultiVelkScansTheListAfterEachPacedConversion) {
  velk_sim_script_default(kStatus, 0x0080);
  // Eleven discarded words, then scan 0 and scan 1.
  Script(kData, std::vector<uint16_t>(11, 0x4321));
  Script(kData, Words({103, 107, 109, 203, 207, 209}));
  const uint16_t channels[3] = {3, 7, 9};
  int16_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), kSentinel);

  EXPECT_EQ(ADChansMultiVelk(buffer, 2, channels, 3, 500), 0);

  const std::vector<int16_t> stored(std::begin(buffer), std::end(buffer));
  EXPECT_EQ(stored, (std::vector<int16_t>{103, 107, 109, 203, 207, 209}));
  // 500 / 3 channels = 166, so 166 / 16 + 1 = 11 settling reads.
  auto sample = [](uint16_t preselect, int16_t value) {
    return Seq(W16(kStatus, 0xFFFF), Delay(), W16(kData, preselect), Repeat(R16(kStatus, 0x80), 11),
               R16(kData, RawWord(value)));
  };
  EXPECT_TRUE(
      TraceIs(Seq(PacerStart(500), IrqOff(), W16(kData, 0x93), Repeat(R16(kData, 0x4321), 11),
                  // scan 0: the word that made the status ready is not read
                  R16(kStatus, 0x80), sample(0x97, 103), sample(0x99, 107), sample(0x93, 109),
                  // scan 1
                  R16(kStatus, 0x80), sample(0x97, 203), sample(0x99, 207), sample(0x93, 209),
                  IrqOn(), kPacerStop)));
}

TEST_F(PacedTest, ADChansMultiVelkWithOneChannelReadsOnlyThatEntry) {
  velk_sim_script_default(kStatus, 0x0080);
  Script(kData, {0, RawWord(1), RawWord(2), RawWord(3)});
  // Entry 1 lies beyond the count: reading it would show as a control write of 0x9C.
  const uint16_t channels[2] = {5, 12};
  int16_t buffer[3];
  EXPECT_EQ(ADChansMultiVelk(buffer, 3, channels, 1, 10), 0);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[1], 2);
  EXPECT_EQ(buffer[2], 3);
  size_t control_writes = 0;
  for (const velk_sim_event &ev : Trace())
    if (ev.op == VELK_SIM_WRITE16 && ev.port == kData) {
      ++control_writes;
      EXPECT_EQ(ev.value, 0x95);
    }
  EXPECT_EQ(control_writes, 4u) << "the opening selection and one pre-selection per sample";
}

// The number of settling reads shows twice: data words discarded before the
// first scan, and status reads per sample after the scan's opening wait.
TEST_F(PacedTest, SettleReadsGrowsWithTheDivisorPerChannelUpTo50) {
  struct Case {
    uint16_t divisor;
    uint16_t channel_count;
    uint64_t settle;
  };
  const Case cases[] = {
      {15, 1, 1},
      {16, 1, 2},
      {31, 1, 2},
      {32, 1, 3},
      {783, 1, 49},
      {784, 1, 50},
      {65535, 1, 50},
      {0, 1, 1},  // a divisor of 0 is 0 here, not 2^16
      // the quotient per channel is rounded down
      {31, 2, 1},
      {32, 2, 2},
      {1567, 2, 49},
      {1568, 2, 50},
      {47, 3, 1},
      {48, 3, 2},
      {500, 3, 11},
      {65535, 83, 50},
      {65535, 84, 49},
      {65535, 65535, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "divisor " << c.divisor << " over " << c.channel_count << " channels");
    SetUp();
    velk_sim_trace_enable(0);
    velk_sim_script_default(kStatus, 0x0080);
    std::vector<uint16_t> channels(c.channel_count);
    for (size_t i = 0; i < channels.size(); ++i)
      channels[i] = static_cast<uint16_t>(i % 16);
    std::vector<int16_t> buffer(c.channel_count, kSentinel);

    EXPECT_EQ(ADChansMultiVelk(buffer.data(), 1, channels.data(), c.channel_count, c.divisor), 0);

    const uint64_t samples = c.channel_count;
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), c.settle + samples);
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), 1 + samples * c.settle);
    EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus), samples);
    EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), 2 + samples);
  }
}

// Only the last read of a settling run is looked at, and the run is never cut
// short.
TEST_F(PacedTest, ADChansMultiVelkJudgesASampleByTheLastSettlingRead) {
  struct Case {
    const char *name;
    std::vector<uint16_t> run;
    bool ready;
  };
  const Case cases[] = {
      {"ready at the last read only", {0x0000, 0x0000, 0x0080}, true},
      {"ready at every read", {0x0080, 0x0080, 0x0080}, true},
      {"ready at every read but the last", {0x0080, 0x0080, 0x0000}, false},
      {"ready at the first read only", {0x0080, 0x0000, 0x0000}, false},
      {"every bit but bit 7 at the last read", {0x0000, 0x0000, 0xFF7F}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Script(kStatus, {0x0080});  // the scan's opening wait
    Script(kStatus, c.run);
    Script(kData, {0, 0, 0, RawWord(42)});
    const uint16_t channels[1] = {6};
    int16_t buffer[1] = {kSentinel};

    // 32 over one channel: three settling reads.
    EXPECT_EQ(ADChansMultiVelk(buffer, 1, channels, 1, 32), c.ready ? 0 : kTimeout);
    EXPECT_EQ(buffer[0], c.ready ? 42 : kSentinel);
    std::vector<Ev> expected =
        Seq(PacerStart(32), IrqOff(), W16(kData, 0x96), Repeat(R16(kData), 3), R16(kStatus, 0x80),
            W16(kStatus, 0xFFFF), Delay(), W16(kData, 0x96));
    for (uint16_t status : c.run)
      expected.push_back(R16(kStatus, status));
    if (c.ready) expected.push_back(R16(kData, RawWord(42)));
    AppendTo(expected, Seq(IrqOn(), kPacerStop));
    EXPECT_TRUE(TraceIs(expected));
  }
}

// Scans 2 of channels 3, 7, 9 with 11 settling reads, failing at each place a
// scan can fail. Scan 1's opening wait sees the ready bit at its last allowed
// read; a failing opening wait would see it one read too late.
TEST_F(PacedTest, ADChansMultiVelkStopsAtTheFirstSampleOrScanNotReady) {
  struct Case {
    const char *where;
    bool at_opening_wait;
    size_t stored;
    uint16_t control;  // what the control register holds afterwards
  };
  const Case cases[] = {
      {"opening wait of scan 0", true, 0, 0x93}, {"sample 0 of scan 0", false, 0, 0x97},
      {"sample 1 of scan 0", false, 1, 0x99},    {"sample 2 of scan 0", false, 2, 0x93},
      {"opening wait of scan 1", true, 3, 0x93}, {"sample 0 of scan 1", false, 3, 0x97},
      {"sample 2 of scan 1", false, 5, 0x93},
  };
  constexpr uint64_t kSettle = 11;
  const uint16_t channels[3] = {3, 7, 9};
  const std::vector<int16_t> samples = {103, 107, 109, 203, 207, 209};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.where);
    SetUp();
    uint64_t status_reads = 0;
    for (size_t entry = 0;; ++entry) {
      if (entry % 3 == 0) {
        if (c.at_opening_wait && entry == c.stored) {
          ReadyAtRead(kPollBudget + 1);
          status_reads += kPollBudget;
          break;
        }
        const uint64_t ready_at = entry == 0 ? 1 : kPollBudget;
        ReadyAtRead(ready_at);
        status_reads += ready_at;
      }
      // A failing run shows the ready bit in every read but the last.
      const bool fails = entry == c.stored;
      std::vector<uint16_t> run(kSettle, fails ? 0x0080 : 0x0000);
      run.back() = fails ? 0x0000 : 0x0080;
      Script(kStatus, run);
      status_reads += kSettle;
      if (fails) break;
    }
    Script(kData, std::vector<uint16_t>(kSettle, 0));
    Script(kData, Words(samples));
    int16_t buffer[6];
    std::fill(std::begin(buffer), std::end(buffer), kSentinel);

    EXPECT_EQ(ADChansMultiVelk(buffer, 2, channels, 3, 500), kTimeout);
    for (size_t e = 0; e < 6; ++e)
      EXPECT_EQ(buffer[e], e < c.stored ? samples[e] : kSentinel) << "entry " << e;
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), status_reads);
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), kSettle + c.stored);
    EXPECT_EQ(LastControlWrite(), c.control);
  }
}

// The three paced operations share their opening and closing. Whatever the
// interrupt policy, the interrupt state on entry and the way the call ends,
// they start the pacer before masking interrupts, turn interrupts on at the
// end and stop the pacer as their very last access.
struct PacedPath {
  const char *name;
  uint16_t (*run)();
  uint16_t result;
  std::vector<Ev> (*opening)(bool masks);
};

std::vector<Ev> SingleChannelOpening(bool masks) {
  std::vector<Ev> events = Seq(W16(kData, 0x91), PacerStart(500));
  if (masks) events.push_back(IrqOff());
  events.push_back(R16(kData));
  return events;
}

std::vector<Ev> ChannelListOpening(bool masks) {
  std::vector<Ev> events = PacerStart(0);
  if (masks) events.push_back(IrqOff());
  AppendTo(events, Seq(W16(kData, 0x91), R16(kData)));
  return events;
}

uint16_t RunChannels() {
  const uint16_t channels[2] = {1, 2};
  int16_t buffer[4];
  return ADChansMultiVelk(buffer, 2, channels, 2, 0);
}

uint16_t RunSync() {
  int16_t buffer[2];
  return ADChanMultiSyncVelk(buffer, 2, 1, 500, 1, 100);
}

const PacedPath kPacedPaths[] = {
    {"ADChanMultiVelk, complete",
     [] {
       velk_sim_script_default(kStatus, 0x80);
       int16_t buffer[2];
       return ADChanMultiVelk(buffer, 2, 1, 500);
     },
     0, SingleChannelOpening},
    {"ADChanMultiVelk, first wait times out",
     [] {
       int16_t buffer[2];
       return ADChanMultiVelk(buffer, 2, 1, 500);
     },
     kTimeout, SingleChannelOpening},
    {"ADChanMultiVelk, second wait times out",
     [] {
       ReadyAtRead(1);
       int16_t buffer[2];
       return ADChanMultiVelk(buffer, 2, 1, 500);
     },
     kTimeout, SingleChannelOpening},
    {"ADChansMultiVelk, complete",
     [] {
       velk_sim_script_default(kStatus, 0x80);
       return RunChannels();
     },
     0, ChannelListOpening},
    {"ADChansMultiVelk, opening wait times out", RunChannels, kTimeout, ChannelListOpening},
    {"ADChansMultiVelk, settling run times out",
     [] {
       ReadyAtRead(1);
       return RunChannels();
     },
     kTimeout, ChannelListOpening},
    {"ADChanMultiSyncVelk, complete",
     [] {
       velk_sim_script_default(kStatus, 0x80);
       Script(kData, {0, RawWord(50), RawWord(150), RawWord(151)});
       return RunSync();
     },
     0, SingleChannelOpening},
    {"ADChanMultiSyncVelk, first wait times out", RunSync, kTimeout, SingleChannelOpening},
    {"ADChanMultiSyncVelk, a wait of the search times out",
     [] {
       ReadyAtRead(1);
       ReadyAtRead(1);
       Script(kData, {0, RawWord(50), RawWord(60)});
       return RunSync();
     },
     kTimeout, SingleChannelOpening},
    {"ADChanMultiSyncVelk, a wait after the crossing times out",
     [] {
       ReadyAtRead(1);
       ReadyAtRead(1);
       Script(kData, {0, RawWord(50), RawWord(150)});
       return RunSync();
     },
     kTimeout, SingleChannelOpening},
};

TEST_F(PacedTest, EveryPacedOperationEndsWithInterruptsOnAndThePacerStopped) {
  for (const PacedPath &path : kPacedPaths)
    for (uint16_t policy : {0x0000, 0x0001, 0x0100, 0xFFFF})
      for (int entering : {1, 0}) {
        SCOPED_TRACE(testing::Message() << path.name << ", interrupt policy 0x" << std::hex
                                        << policy << ", interrupts on entry " << entering);
        SetUp();
        IRQVelk(policy);
        velk_sim_set_interrupts(entering);
        const bool masks = policy == 0;

        EXPECT_EQ(path.run(), path.result);

        EXPECT_TRUE(EventsAt(0, path.opening(masks)));
        EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), masks ? 1u : 0u);
        EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u);
        EXPECT_TRUE(EventsAt(velk_sim_trace_count() - 2, {IrqOn(), kPacerStop}));
        EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
      }
}

// A count of 0 would stand for 2^32 samples; the operations return at once
// instead. The null buffers and lists show that nothing is stored or read.
TEST_F(PacedTest, ZeroCountsReturnAtOnceWithoutTouchingAnything) {
  struct Case {
    const char *name;
    uint16_t (*call)();
  };
  const Case cases[] = {
      {"ADChanMultiVelk, count 0", [] { return ADChanMultiVelk(nullptr, 0, 3, 500); }},
      {"ADChansMultiVelk, scans 0", [] { return ADChansMultiVelk(nullptr, 0, nullptr, 3, 500); }},
      {"ADChansMultiVelk, channelCount 0",
       [] { return ADChansMultiVelk(nullptr, 2, nullptr, 0, 500); }},
      {"ADChanMultiSyncVelk, count 0",
       [] { return ADChanMultiSyncVelk(nullptr, 0, 3, 500, 1, 100); }},
  };
  for (const Case &c : cases)
    for (int entering : {1, 0}) {
      SCOPED_TRACE(testing::Message() << c.name << ", interrupts on entry " << entering);
      SetUp();
      velk_sim_set_interrupts(entering);
      EXPECT_EQ(c.call(), 0);
      EXPECT_EQ(velk_sim_trace_count(), 0u);
      EXPECT_EQ(velk_sim_interrupts_enabled(), entering);
    }
}

// Each control write carries the gain of the setting and the requested
// channel; the setting itself keeps its channel.
TEST_F(PacedTest, PacedOperationsMergeTheChannelWithoutStoringIt) {
  struct Case {
    const char *name;
    void (*call)();
  };
  const Case cases[] = {
      {"ADChanMultiVelk",
       [] {
         int16_t buffer[2];
         ADChanMultiVelk(buffer, 2, 0x12, 500);
       }},
      {"ADChansMultiVelk",
       [] {
         const uint16_t channels[2] = {0x12, 0x22};
         int16_t buffer[4];
         ADChansMultiVelk(buffer, 2, channels, 2, 500);
       }},
      {"ADChanMultiSyncVelk",
       [] {
         Script(kData, {0, RawWord(50), RawWord(150), RawWord(151)});
         int16_t buffer[2];
         ADChanMultiSyncVelk(buffer, 2, 0x12, 500, 1, 100);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    velk_sim_script_default(kStatus, 0x80);
    SetADGainVelk(3);
    velk_sim_trace_clear();
    c.call();
    size_t control_writes = 0;
    for (const velk_sim_event &ev : Trace())
      if (ev.op == VELK_SIM_WRITE16 && ev.port == kData) {
        ++control_writes;
        EXPECT_EQ(ev.value, 0xB2);
      }
    EXPECT_GE(control_writes, 1u);
    velk_sim_trace_clear();
    SetADGainVelk(3);
    EXPECT_TRUE(TraceIs({W16(kData, 0xB0)}));
  }
}

}  // namespace
}  // namespace velk_test
