#include "workloads.h"

#include <array>
#include <vector>

#include "minimal_loops.h"
#include "velkio.h"
#include "velkio_sim.h"

namespace velk_bench {

namespace {

constexpr uint16_t kBase = 0x300;  // where the board sits after velk_sim_reset
constexpr uint16_t kStatusPort = kBase;
constexpr uint16_t kDataPort = kBase + 2;
constexpr uint16_t kReady = 0x80;
constexpr uint16_t kZeroWord = 0xF000;        // the data word of sample 0
constexpr uint8_t kInitialControl = 0x90;     // the control byte at load: gain code 1
constexpr uint16_t kDcChannel = 8;            // -3.5 V DC
constexpr uint16_t kFastestDivisor = 10;      // 250 kHz, one conversion per 4 bus cycles
constexpr uint16_t kSlowestDivisor = 0xFFFF;  // the pacer ticks once per 26 ms of bus time
constexpr uint16_t kRising = 1;

constexpr uint32_t kBlock = 16384;
constexpr uint32_t kSearched = 1000000;  // samples a search examines before it gives up
constexpr uint16_t kListLength = 4096;

int16_t buffer[kBlock];
std::array<int16_t, kBlock> ramp = [] {
  std::array<int16_t, kBlock> values{};
  for (uint32_t k = 0; k < kBlock; ++k)
    values[k] = static_cast<int16_t>(k % 4096 - 2048);
  return values;
}();

// Lists cycling over the given channels.
template <uint16_t kFirst, uint16_t kChannels>
constexpr std::array<uint16_t, kListLength> CyclingList() {
  std::array<uint16_t, kListLength> list{};
  for (uint16_t i = 0; i < kListLength; ++i)
    list[i] = kFirst + i % kChannels;
  return list;
}
constexpr std::array<uint16_t, kListLength> kAllChannels = CyclingList<0, 16>();
constexpr std::array<uint16_t, kListLength> kDcChannels = CyclingList<8, 8>();
constexpr std::array<uint16_t, 4> kFourChannels = {0, 1, 2, 3};
constexpr std::array<uint16_t, 4> kFourDcChannels = {8, 9, 10, 11};
constexpr uint16_t kFourChannelDivisor = 70;    // the fastest that works for 4 channels
constexpr uint16_t kOneSettleReadDivisor = 63;  // 63 / 4 channels < 16: one status read per sample

void Nothing() {}

void ConverterReady() {
  velk_sim_script_default(kStatusPort, kReady);
}

// Channel 7 stays within a few codes of 0 V: a rising crossing of the highest
// level never comes.
constexpr uint16_t kQuietChannel = 7;
constexpr int16_t kHighestLevel = 2046;

// A 1 kHz sine on channel 0 rising through 0 V 10 microseconds in: its rising
// crossing comes after a few samples.
void SineAboutToRise() {
  const velk_sim_signal sine = {VELK_SIM_SINE, 4.0, 1000.0, 0.0, -3.6, 0.0};
  velk_sim_set_signal(0, &sine);
}

void ConverterReadyAtZero() {
  ConverterReady();
  velk_sim_script_default(kDataPort, kZeroWord);
}

constexpr uint16_t kMinusOneWord = 0xFFFF;
constexpr uint16_t kOneWord = 0xF001;

// The discarded word, then -1 and 1: a rising crossing of 0 at the second sample.
void CrossingAtOnce() {
  static const uint16_t kWords[] = {kZeroWord, kMinusOneWord, kOneWord};
  velk_sim_script(kDataPort, kWords, 3);
}

// The discarded word, then kBlock samples of which the last two, -1 and 1,
// make the first rising crossing of 0.
void CrossingAfterBlock() {
  static const std::array<uint16_t, kBlock + 1> kWords = [] {
    std::array<uint16_t, kBlock + 1> words{};
    words.fill(kZeroWord);
    words[kBlock - 1] = kMinusOneWord;
    words[kBlock] = kOneWord;
    return words;
  }();
  velk_sim_script(kDataPort, kWords.data(), kWords.size());
}

constexpr uint8_t ControlFor(uint16_t channel) {
  return static_cast<uint8_t>(kInitialControl | channel);
}

const Workload kBoardWorkloads[] = {
    {"ADChanMultiFastVelk", kBlock, Nothing, nullptr,
     [] { ADChanMultiFastVelk(buffer, kBlock, 0); }, nullptr},
    {"ADChansVelk", kListLength, Nothing, nullptr,
     [] { ADChansVelk(buffer, kAllChannels.data(), kListLength); }, nullptr},
    {"ADChanMultiVelk/divisor:10", kBlock, Nothing, nullptr,
     [] { ADChanMultiVelk(buffer, kBlock, 0, kFastestDivisor); }, nullptr},
    {"ADChanMultiVelk/divisor:500", kBlock, Nothing, nullptr,
     [] { ADChanMultiVelk(buffer, kBlock, 0, 500); }, nullptr},
    {"ADChansMultiVelk/channels:4/divisor:70", kBlock, Nothing, nullptr,
     [] { ADChansMultiVelk(buffer, kBlock / 4, kFourChannels.data(), 4, kFourChannelDivisor); },
     nullptr},
    {"ADChanMultiSyncVelk/search", kSearched, Nothing, nullptr,
     [] {
       ADChanMultiSyncVelk(buffer, kBlock, kQuietChannel, kFastestDivisor, kRising, kHighestLevel);
     },
     nullptr},
    {"ADChanMultiSyncVelk/block", kBlock, SineAboutToRise, nullptr,
     [] { ADChanMultiSyncVelk(buffer, kBlock, 0, kFastestDivisor, kRising, 0); }, nullptr},
    {"DAMultiVelk", kBlock, Nothing, nullptr, [] { DAMultiVelk(ramp.data(), kBlock); }, nullptr},
};

const Workload kOverheadWorkloads[] = {
    {"ADChanMultiFastVelk", kBlock, Nothing, nullptr,
     [] { ADChanMultiFastVelk(buffer, kBlock, kDcChannel); },
     [] { minimal::FastBurst(kBase, buffer, kBlock, ControlFor(kDcChannel)); }},
    {"ADChansVelk", kListLength, Nothing, nullptr,
     [] { ADChansVelk(buffer, kDcChannels.data(), kListLength); },
     [] { minimal::ChannelList(kBase, buffer, kDcChannels.data(), kListLength, kInitialControl); }},
    {"ADChanMultiVelk", kBlock, ConverterReady, nullptr,
     [] { ADChanMultiVelk(buffer, kBlock, kDcChannel, kSlowestDivisor); },
     [] { minimal::PacedBlock(kBase, buffer, kBlock, ControlFor(kDcChannel), kSlowestDivisor); }},
    {"ADChansMultiVelk", kBlock, ConverterReady, nullptr,
     [] { ADChansMultiVelk(buffer, kBlock / 4, kFourDcChannels.data(), 4, kOneSettleReadDivisor); },
     [] {
       minimal::ChannelScans(kBase, buffer, kBlock / 4, kFourDcChannels.data(), 4,
                             kOneSettleReadDivisor, kInitialControl);
     }},
    {"ADChanMultiSyncVelk/search", kBlock, ConverterReadyAtZero, CrossingAfterBlock,
     [] { ADChanMultiSyncVelk(buffer, 1, kDcChannel, kSlowestDivisor, kRising, 0); },
     [] {
       minimal::TriggeredBlock(kBase, buffer, 1, ControlFor(kDcChannel), kSlowestDivisor, true, 0);
     }},
    {"ADChanMultiSyncVelk/block", kBlock, ConverterReadyAtZero, CrossingAtOnce,
     [] { ADChanMultiSyncVelk(buffer, kBlock, kDcChannel, kSlowestDivisor, kRising, 0); },
     [] {
       minimal::TriggeredBlock(kBase, buffer, kBlock, ControlFor(kDcChannel), kSlowestDivisor, true,
                               0);
     }},
    {"DAMultiVelk", kBlock, Nothing, nullptr, [] { DAMultiVelk(ramp.data(), kBlock); },
     [] { minimal::OutputBlock(kBase, ramp.data(), kBlock); }},
};

}  // namespace

std::span<const Workload> BoardWorkloads() {
  return kBoardWorkloads;
}

std::span<const Workload> OverheadWorkloads() {
  return kOverheadWorkloads;
}

void Prepare(const Workload &workload) {
  velk_sim_reset();
  velk_sim_trace_enable(0);
  workload.setup();
}

namespace {

std::vector<velk_sim_event> TraceOf(const Workload &workload, void (*call)()) {
  Prepare(workload);
  if (workload.before_call != nullptr) workload.before_call();
  velk_sim_trace_enable(1);
  call();
  velk_sim_trace_enable(0);
  std::vector<velk_sim_event> events(velk_sim_trace_count());
  velk_sim_trace(events.data(), 0, events.size());
  return events;
}

std::string Describe(const velk_sim_event &event) {
  return "op " + std::to_string(event.op) + " port " + std::to_string(event.port) + " value " +
         std::to_string(event.value);
}

}  // namespace

std::string DifferenceFromMinimal(const Workload &workload) {
  const std::vector<velk_sim_event> library = TraceOf(workload, workload.library);
  const std::vector<velk_sim_event> minimal = TraceOf(workload, workload.minimal);
  if (library.empty()) return std::string(workload.name) + ": the library makes no bus operation";
  for (size_t i = 0; i < library.size() && i < minimal.size(); ++i) {
    const velk_sim_event &a = library[i];
    const velk_sim_event &b = minimal[i];
    if (a.op != b.op || a.port != b.port || a.value != b.value)
      return std::string(workload.name) + ": bus operation " + std::to_string(i) +
             " differs: library " + Describe(a) + ", minimal loop " + Describe(b);
  }
  if (library.size() != minimal.size())
    return std::string(workload.name) + ": the library makes " + std::to_string(library.size()) +
           " bus operations, the minimal loop " + std::to_string(minimal.size());
  return {};
}

}  // namespace velk_bench
