// Level-triggered acquisition: a paced block that starts where the signal
// crosses a level.
#include <vector>

#include "sim_fixture.h"

namespace velk_test {
namespace {

constexpr uint64_t kPollBudget = 128000;
constexpr size_t kSearchBudget = 1000000;
constexpr int16_t kSentinel = -12345;  // never a sample these tests script
constexpr uint16_t kRising = 1;
constexpr uint16_t kFalling = 0;

// Queues the data words of samples after the word the opening discards.
void ScriptSamples(const std::vector<int16_t> &samples) {
  std::vector<uint16_t> words = {0x0BAD};
  for (int16_t sample : samples)
    words.push_back(RawWord(sample));
  Script(kData, words);
}

using TriggeredTest = SimTest;

TEST_F(TriggeredTest, StoresFromTheSampleThatCompletesTheCrossing) {
  velk_sim_script_default(kStatus, 0x0080);
  ScriptSamples({50, 150, 151, 152});
  int16_t buffer[3] = {kSentinel, kSentinel, kSentinel};

  EXPECT_EQ(ADChanMultiSyncVelk(buffer, 3, 5, 500, kRising, 100), 0);

  EXPECT_EQ(buffer[0], 150);
  EXPECT_EQ(buffer[1], 151);
  EXPECT_EQ(buffer[2], 152);
  auto sample = [](int16_t value) { return Seq(R16(kStatus, 0x80), R16(kData, RawWord(value))); };
  EXPECT_TRUE(
      TraceIs(Seq(W16(kData, 0x95),
                  // the pacer: counter 0 by 4, counter 1 by 500
                  W8(kTimerControl, 0x34), W8(kCounter0, 0x04), Delay(), W8(kCounter0, 0x00),
                  W8(kTimerControl, 0x74), W8(kCounter1, 0xF4), Delay(), W8(kCounter1, 0x01),
                  // the search, then the rest of the block, with nothing between samples
                  IrqOff(), R16(kData, 0x0BAD), sample(50), sample(150), sample(151), sample(152),
                  IrqOn(), W8(kTimerControl, 0x30))));
}

// Each case scripts exactly the samples the call should take: the status and
// data reads are counted, so a search that stops early or a block that reads
// one sample too many both show.
TEST_F(TriggeredTest, ACrossingIsTwoConsecutiveSamplesStrictlyEitherSideOfTheLevel) {
  struct Case {
    const char *name;
    int16_t level;
    uint16_t rising;
    std::vector<int16_t> samples;
    std::vector<int16_t> stored;  // its size is the count
  };
  const Case cases[] = {
      {"rising from below", 100, kRising, {50, 150, 151, 152}, {150, 151, 152}},
      {"falling from above", 100, kFalling, {150, 50, 49, 48}, {50, 49, 48}},
      {"rising onto the level is no crossing",
       100,
       kRising,
       {50, 100, 150, 200, 90, 110, 1, 2},
       {110, 1, 2}},
      {"falling onto the level is no crossing",
       100,
       kFalling,
       {150, 100, 50, 0, 120, 80, 1, 2},
       {80, 1, 2}},
      {"rising from above must fall first", 100, kRising, {150, 50, 150, 7}, {150, 7}},
      {"count 1 stores the crossing sample alone", 100, kRising, {50, 150}, {150}},
      {"rising 0x100 means rising", 100, 0x100, {150, 50, 151}, {151}},
      {"rising 0x8000 means rising", 100, 0x8000, {150, 50, 151}, {151}},
      {"rising 0 means falling", 100, kFalling, {150, 50}, {50}},
      // Levels at or above 2047 become 2046, so 2047 stays above every level.
      {"level 2047 acts as 2046", 2047, kRising, {0, 2047}, {2047}},
      {"level 2048 acts as 2046", 2048, kRising, {0, 2047}, {2047}},
      {"level 32767 acts as 2046", 32767, kRising, {0, 2047}, {2047}},
      {"2046 to 2047 does not rise over a clamped level",
       2047,
       kRising,
       {2046, 2047, 0, 2047, 7},
       {2047, 7}},
      {"2047 falls under a clamped level", 2047, kFalling, {2047, 2045}, {2045}},
      {"level 2046 is used unchanged", 2046, kFalling, {2047, 2045}, {2045}},
      // Levels at or below -2048 become -2047, so -2048 stays below every level.
      {"level -2048 acts as -2047", -2048, kFalling, {-2046, -2048}, {-2048}},
      {"level -32768 acts as -2047", -32768, kFalling, {-2046, -2048}, {-2048}},
      {"-2047 to -2048 does not fall under a clamped level",
       -2048,
       kFalling,
       {-2047, -2048, 0, -2048, 7},
       {-2048, 7}},
      {"-2048 rises over a clamped level", -2048, kRising, {-2048, -2046}, {-2046}},
      {"level -2047 is used unchanged", -2047, kRising, {-2048, -2046}, {-2046}},
      {"-32768 lies below 100", 100, kRising, {-32768, 150}, {150}},
      {"32767 lies above -100", -100, kFalling, {32767, -150}, {-150}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    velk_sim_trace_enable(0);
    velk_sim_script_default(kStatus, 0x0080);
    ScriptSamples(c.samples);
    std::vector<int16_t> buffer(c.stored.size(), kSentinel);

    EXPECT_EQ(ADChanMultiSyncVelk(buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 500,
                                  c.rising, c.level),
              0);
    EXPECT_EQ(buffer, c.stored);
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.samples.size());
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), 1 + c.samples.size());
  }
}

// Every wait, in the search and after it, may take 128000 status reads. A
// failure in the search leaves the buffer untouched; a failure in the block
// keeps what was stored before it.
TEST_F(TriggeredTest, AWaitThatRunsOutEndsTheCallWithATimeOut) {
  struct Case {
    const char *name;
    std::vector<uint64_t> ready_at;  // per sample, the status read that shows the ready bit
    std::vector<int16_t> samples;
    uint16_t result;
    std::vector<int16_t> buffer;  // afterwards; its size is the count
    uint64_t status_reads;
  };
  const int16_t S = kSentinel;
  const Case cases[] = {
      {"the first wait runs out", {kPollBudget + 1}, {50}, kTimeout, {S, S}, kPollBudget},
      {"the first wait ends at its last read",
       {kPollBudget, 1, 1},
       {50, 150, 151},
       0,
       {150, 151},
       kPollBudget + 2},
      {"a wait of the search runs out",
       {1, 1, kPollBudget + 1},
       {50, 60, 150},
       kTimeout,
       {S, S},
       2 + kPollBudget},
      {"the crossing sample ends its wait at the last read",
       {1, kPollBudget, 1},
       {50, 150, 151},
       0,
       {150, 151},
       kPollBudget + 2},
      {"a wait after the crossing runs out",
       {1, 1, 1, kPollBudget + 1},
       {50, 150, 151, 152},
       kTimeout,
       {150, 151, S, S},
       3 + kPollBudget},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (uint64_t ready_at : c.ready_at)
      ReadyAtRead(ready_at);
    ScriptSamples(c.samples);
    std::vector<int16_t> buffer(c.buffer.size(), kSentinel);

    EXPECT_EQ(ADChanMultiSyncVelk(buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 500,
                                  kRising, 100),
              c.result);
    EXPECT_EQ(buffer, c.buffer);
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.status_reads);
    const uint64_t samples_taken = c.result == 0 ? c.ready_at.size() : c.ready_at.size() - 1;
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), 1 + samples_taken)
        << "no data read for a sample that did not become ready";
  }
}

// The search examines 1,000,000 samples at most, the first one included; the
// block after the crossing is not part of that budget.
TEST_F(TriggeredTest, TheSearchGivesUpAfterAMillionSamples) {
  struct Case {
    const char *name;
    size_t flat;  // samples of 0 before the rest
    std::vector<int16_t> rest;
    uint16_t result;
    std::vector<int16_t> buffer;  // afterwards; its size is the count
    uint64_t samples_taken;
  };
  const int16_t S = kSentinel;
  const Case cases[] = {
      {"crossing completed by the last sample examined",
       kSearchBudget - 1,
       {150},
       0,
       {150},
       kSearchBudget},
      {"a block after a crossing at the last sample",
       kSearchBudget - 1,
       {150, 151, 152},
       0,
       {150, 151, 152},
       kSearchBudget + 2},
      {"crossing one sample too late", kSearchBudget, {150}, kTimeout, {S, S}, kSearchBudget},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    velk_sim_trace_enable(0);
    velk_sim_script_default(kStatus, 0x0080);
    std::vector<int16_t> samples(c.flat, 0);
    samples.insert(samples.end(), c.rest.begin(), c.rest.end());
    ScriptSamples(samples);
    std::vector<int16_t> buffer(c.buffer.size(), kSentinel);

    EXPECT_EQ(ADChanMultiSyncVelk(buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 500,
                                  kRising, 100),
              c.result);
    EXPECT_EQ(buffer, c.buffer);
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.samples_taken)
        << "giving up takes no further status read";
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), 1 + c.samples_taken);
    EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u);
    EXPECT_EQ(Count(VELK_SIM_WRITE8, kTimerControl), 3u) << "two pacer loads and the stop";
    EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
  }
}

}  // namespace
}  // namespace velk_test
