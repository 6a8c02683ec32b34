// Multi-sample reads without the pacer: one pass over a channel list, and a
// burst of data words from one channel.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim_fixture.h"

namespace velk_test {
namespace {

constexpr int16_t kUntouched = 0x5A5A;
constexpr uint16_t kReady = 0x0080;

// The opening of a channel list: select its first channel, settle, discard a word.
std::vector<Ev> ListOpening(uint16_t control) {
  return Seq(W16(kData, control), Repeat(Delay(), 4), R16(kData));
}

// One sample of a channel list: trigger, pre-select the next channel, settle,
// one status read and, when it showed ready, the data read.
std::vector<Ev> ListSample(uint16_t next_control, uint16_t status,
                           std::optional<uint16_t> data = std::nullopt) {
  std::vector<Ev> events = Seq(W16(kStatus, 0xFFFF), Delay(), W16(kData, next_control),
                               Repeat(Delay(), 4), R16(kStatus, status));
  if (data) events.push_back(R16(kData, *data));
  return events;
}

// ---------------------------------------------------------------------------
// ADChansVelk

using UnpacedChannelListTest = SimTest;

TEST_F(UnpacedChannelListTest, OneChannelSelectsItTwice) {
  velk_sim_script_default(kStatus, kReady);
  Script(kData, {0x1234, RawWord(-5)});
  const std::vector<uint16_t> channels = {5};
  std::vector<int16_t> buffer(1, kUntouched);

  EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 1), 0);
  EXPECT_EQ(buffer[0], -5);
  EXPECT_TRUE(TraceIs(Seq(W16(kData, 0x95), Repeat(Delay(), 4), R16(kData, 0x1234),
                          W16(kStatus, 0xFFFF), Delay(), W16(kData, 0x95), Repeat(Delay(), 4),
                          R16(kStatus, kReady), R16(kData, RawWord(-5)))));
}

// The last sample pre-selects entry 0 again, so entry count is never read: if
// it were, the last control write would select channel 15.
TEST_F(UnpacedChannelListTest, SamplesTheListInOrderAndReadsOnlyCountEntries) {
  velk_sim_script_default(kStatus, kReady);
  Script(kData, {0x0000, 0xF7FF, 0xF800, 0xF000});
  const std::vector<uint16_t> channels = {3, 7, 9, 15};
  std::vector<int16_t> buffer(4, kUntouched);

  EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 3), 0);
  EXPECT_EQ(buffer, (std::vector<int16_t>{2047, -2048, 0, kUntouched}));
  EXPECT_TRUE(TraceIs(Seq(ListOpening(0x93), ListSample(0x97, kReady, 0xF7FF),
                          ListSample(0x99, kReady, 0xF800), ListSample(0x93, kReady, 0xF000))));
}

// Not ready at sample fail_at: the samples before it stay stored, its data
// word is not read, nothing after it is written, and the pre-selection of the
// following channel has already been made.
TEST_F(UnpacedChannelListTest, TimesOutAtTheFirstSampleThatIsNotReady) {
  const std::vector<uint16_t> channels = {3, 7, 9};
  const uint16_t controls[] = {0x93, 0x97, 0x99};
  const int16_t samples[] = {-1, 2047, -2048};
  const uint16_t kNotReady = 0xFF7F;

  for (size_t fail_at = 0; fail_at < channels.size(); ++fail_at) {
    SCOPED_TRACE(testing::Message() << "not ready at sample " << fail_at);
    velk_sim_reset();
    std::vector<uint16_t> statuses(fail_at, kReady);
    statuses.push_back(kNotReady);
    Script(kStatus, statuses);
    velk_sim_script_default(kStatus, kReady);  // a second status read would see ready
    Script(kData, {0x0000, RawWord(samples[0]), RawWord(samples[1]), RawWord(samples[2])});
    velk_sim_script_default(kData, 0x0000);
    std::vector<int16_t> buffer(channels.size(), kUntouched);

    EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 3), kTimeout);

    std::vector<Ev> expected = ListOpening(0x93);
    std::vector<int16_t> expected_buffer(channels.size(), kUntouched);
    for (size_t i = 0; i < fail_at; ++i) {
      AppendTo(expected, ListSample(controls[(i + 1) % 3], kReady, RawWord(samples[i])));
      expected_buffer[i] = samples[i];
    }
    AppendTo(expected, ListSample(controls[(fail_at + 1) % 3], kNotReady));
    EXPECT_TRUE(TraceIs(expected));
    EXPECT_EQ(buffer, expected_buffer);
  }
}

// One status read per sample, no polling: a word with bit 7 clear fails at
// once even though the next read would show ready.
TEST_F(UnpacedChannelListTest, OnlyBit7OfTheOneStatusReadMeansReady) {
  const std::pair<uint16_t, bool> cases[] = {
      {0x0080, true},  {0x00FF, true},  {0xFFFF, true},
      {0x0000, false}, {0x8000, false}, {0xFF7F, false},
  };
  const std::vector<uint16_t> channels = {0};
  for (auto [status, ready] : cases) {
    SCOPED_TRACE(testing::Message() << "status 0x" << std::hex << status);
    velk_sim_reset();
    Script(kStatus, {status});
    velk_sim_script_default(kStatus, kReady);
    Script(kData, {0x0000, RawWord(42)});
    std::vector<int16_t> buffer(1, kUntouched);

    EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 1), ready ? 0 : kTimeout);
    EXPECT_EQ(buffer[0], ready ? 42 : kUntouched);
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), 1u);
    EXPECT_EQ(Count(VELK_SIM_READ16, kData), ready ? 2u : 1u);
  }
}

// Entries select bits 3-0 only, under the gain code of the setting, which the
// pass does not change.
TEST_F(UnpacedChannelListTest, EntriesAreMergedIntoTheSettingWithoutChangingIt) {
  velk_sim_script_default(kStatus, kReady);
  SetADGainVelk(3);
  velk_sim_trace_clear();
  const std::vector<uint16_t> channels = {0x002F, 0x0105};
  std::vector<int16_t> buffer(2, kUntouched);

  EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 2), 0);
  EXPECT_TRUE(
      TraceIs(Seq(ListOpening(0xBF), ListSample(0xB5, kReady, 0), ListSample(0xBF, kReady, 0))));

  velk_sim_trace_clear();
  SetADGainVelk(3);
  EXPECT_TRUE(TraceIs({W16(kData, 0xB0)})) << "the setting still holds channel 0";
}

TEST_F(UnpacedChannelListTest, NeverTouchesTheInterruptState) {
  velk_sim_script_default(kStatus, kReady);
  const std::vector<uint16_t> channels = {1, 2};
  for (uint16_t policy : {0, 1}) {
    for (int entered_on : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "policy " << policy << ", entered on " << entered_on);
      IRQVelk(policy);
      velk_sim_set_interrupts(entered_on);
      std::vector<int16_t> buffer(2);
      EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), 2), 0);
      EXPECT_EQ(velk_sim_interrupts_enabled(), entered_on);
    }
  }
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF) + Count(VELK_SIM_IRQ_ON), 0u);
}

// The count is a full 16-bit number: 65535 entries, all read and all stored.
TEST_F(UnpacedChannelListTest, TakesTheLargestCount) {
  constexpr uint32_t kCount = 0xFFFF;
  velk_sim_trace_enable(0);
  velk_sim_script_default(kStatus, kReady);
  std::vector<uint16_t> channels(kCount);
  std::vector<uint16_t> words = {0x0000};
  std::vector<int16_t> expected(kCount);
  for (uint32_t k = 0; k < kCount; ++k) {
    channels[k] = static_cast<uint16_t>(k % 16);
    expected[k] = static_cast<int16_t>(k % 4096) - 2048;
    words.push_back(RawWord(expected[k]));
  }
  Script(kData, words);
  std::vector<int16_t> buffer(kCount, kUntouched);

  EXPECT_EQ(ADChansVelk(buffer.data(), channels.data(), kCount), 0);
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus), kCount);
  EXPECT_EQ(Count(VELK_SIM_WRITE16, kData), kCount + 1);
  EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), kCount);
  EXPECT_EQ(Count(VELK_SIM_READ16, kData), kCount + 1);
  EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), 4 + 5 * uint64_t{kCount});
}

// ---------------------------------------------------------------------------
// ADChanMultiFastVelk

using UnpacedBurstTest = SimTest;

TEST_F(UnpacedBurstTest, OneSampleDiscardsAWordAndStoresTheNext) {
  Script(kData, {0x1234, RawWord(5)});
  std::vector<int16_t> buffer(1, kUntouched);

  ADChanMultiFastVelk(buffer.data(), 1, 5);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_TRUE(TraceIs(Seq(W8(kData, 0x95), IrqOff(), R16(kData, 0x1234), Delay(),
                          R16(kData, RawWord(5)), IrqOn())));
}

TEST_F(UnpacedBurstTest, StoresEveryWordAfterTheFirst) {
  Script(kData, {0x0000, 0xF7FF, 0xF800});
  std::vector<int16_t> buffer(2, kUntouched);

  ADChanMultiFastVelk(buffer.data(), 2, 3);
  EXPECT_EQ(buffer, (std::vector<int16_t>{2047, -2048}));
  EXPECT_TRUE(TraceIs(Seq(W8(kData, 0x93), IrqOff(), R16(kData, 0x0000), Delay(),
                          R16(kData, 0xF7FF), Delay(), R16(kData, 0xF800), IrqOn())));
}

// The control byte goes alone, in one 8-bit write; the setting keeps its channel.
TEST_F(UnpacedBurstTest, WritesTheMergedControlByteAlone) {
  struct Case {
    uint16_t gain;
    uint16_t channel;
    uint8_t control;
  };
  const Case cases[] = {{1, 0x107, 0x97}, {1, 16, 0x90}, {3, 0x2F, 0xBF}, {0, 2, 0x82}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "gain " << c.gain << ", channel 0x" << std::hex << c.channel);
    velk_sim_reset();
    SetADGainVelk(c.gain);
    velk_sim_trace_clear();
    std::vector<int16_t> buffer(1);

    ADChanMultiFastVelk(buffer.data(), 1, c.channel);
    ASSERT_FALSE(Trace().empty());
    EXPECT_EQ(Trace().front().op, VELK_SIM_WRITE8);
    EXPECT_EQ(Trace().front().port, kData);
    EXPECT_EQ(Trace().front().value, c.control);
    EXPECT_EQ(Count(VELK_SIM_WRITE16, kData), 0u);

    velk_sim_trace_clear();
    SetADGainVelk(c.gain);
    EXPECT_TRUE(TraceIs({W16(kData, static_cast<uint16_t>(0x80 | ((c.gain & 3) << 4)))}));
  }
}

// Interrupts go off for the burst whatever the policy, and are on at the end
// whatever they were on entry.
TEST_F(UnpacedBurstTest, MasksInterruptsWhateverThePolicy) {
  for (uint16_t policy : {0, 1, 0x100}) {
    for (int entered_on : {1, 0}) {
      SCOPED_TRACE(testing::Message() << "policy " << policy << ", entered on " << entered_on);
      velk_sim_reset();
      IRQVelk(policy);
      velk_sim_set_interrupts(entered_on);
      std::vector<int16_t> buffer(1);

      ADChanMultiFastVelk(buffer.data(), 1, 0);
      EXPECT_TRUE(
          TraceIs(Seq(W8(kData, 0x90), IrqOff(), R16(kData), Delay(), R16(kData), IrqOn())));
      EXPECT_EQ(velk_sim_interrupts_enabled(), 1);
    }
  }
}

// The count is a full 32-bit number: 2^16 + 1 is not cut to 1.
TEST_F(UnpacedBurstTest, BurstLongerThan16BitsReadsEveryWord) {
  constexpr uint32_t kCount = 0x10001;
  velk_sim_trace_enable(0);
  std::vector<uint16_t> words = {0x0000};
  std::vector<int16_t> expected(kCount);
  for (uint32_t k = 0; k < kCount; ++k) {
    expected[k] = static_cast<int16_t>(k % 4096) - 2048;
    words.push_back(RawWord(expected[k]));
  }
  Script(kData, words);
  std::vector<int16_t> buffer(kCount, kUntouched);

  ADChanMultiFastVelk(buffer.data(), kCount, 4);
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(Count(VELK_SIM_WRITE8, kData), 1u);
  EXPECT_EQ(Count(VELK_SIM_READ16, kData), kCount + 1);
  EXPECT_EQ(Count(VELK_SIM_READ8, kDelayPort), kCount);
  EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), 0u);
  EXPECT_EQ(Count(VELK_SIM_WRITE16, kStatus), 0u);
  EXPECT_EQ(Count(VELK_SIM_IRQ_OFF), 1u);
  EXPECT_EQ(Count(VELK_SIM_IRQ_ON), 1u);
}

// ---------------------------------------------------------------------------
// A count of 0: both return at once. The null buffers and list would fault on
// any access.

using UnpacedCountZeroTest = SimTest;

TEST_F(UnpacedCountZeroTest, ReturnsAtOnceWithoutTouchingAnything) {
  for (int entered_on : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "entered on " << entered_on);
    velk_sim_reset();
    velk_sim_set_interrupts(entered_on);

    EXPECT_EQ(ADChansVelk(nullptr, nullptr, 0), 0);
    ADChanMultiFastVelk(nullptr, 0, 5);
    EXPECT_EQ(velk_sim_trace_count(), 0u);
    EXPECT_EQ(velk_sim_interrupts_enabled(), entered_on);
  }
}

}  // namespace
}  // namespace velk_test
