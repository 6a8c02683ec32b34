// Benchmarks on the simulated board, tracing off unless a name says otherwise:
//   access/...    simulated port accesses per second: the board alone, the
//                 bench in front of it, scripted reads, and status polls made
//                 through the library;
//   block/...     each block operation on the default board, per sample;
//   scaling/...   counts from 10^3 to 10^7: time per sample, and the heap
//                 allocations and growth of the peak resident memory over all
//                 calls at that count, the caller's buffer already resident;
//   overhead/...  each block operation against a minimal hand-written loop
//                 making the same bus operations on the same bench: the
//                 counter "ratio" is library time / minimal time.
// The scaling benchmarks run before the overhead ones, whose check of the
// minimal loops traces: the bench keeps its trace's storage once grown.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "allocation_count.h"
#include "sim/bench.h"
#include "velkio.h"
#include "velkio_sim.h"
#include "workloads.h"

namespace {

using velk::sim::bench;
using velk::sim::board;
using velk_bench::Workload;

using Clock = std::chrono::steady_clock;

constexpr uint16_t kStatusPort = 0x300;
constexpr uint16_t kDataPort = 0x302;
constexpr uint16_t kDaPort = 0x306;
constexpr uint16_t kDelayPort = 0x61;
constexpr uint16_t kReady = 0x80;
constexpr double kBytesPerSample = sizeof(int16_t);

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Times one call.
template <typename Call>
double Timed(Call call) {
  const Clock::time_point start = Clock::now();
  call();
  return Seconds(Clock::now() - start);
}

// Every bus operation the bench has counted on the board's ports and the delay port.
uint64_t BusOperations() {
  uint64_t total = velk_sim_count(VELK_SIM_READ8, kDelayPort);
  for (int op = VELK_SIM_READ8; op <= VELK_SIM_WRITE16; ++op)
    for (uint16_t port = kStatusPort; port < kStatusPort + 16; port += 2)
      total += velk_sim_count(static_cast<velk_sim_op>(op), port);
  return total;
}

void ReportSamples(benchmark::State &state, double samples, double seconds) {
  state.SetItemsProcessed(static_cast<int64_t>(samples));
  state.SetBytesProcessed(static_cast<int64_t>(samples * kBytesPerSample));
  state.counters["ns/sample"] = seconds / samples * 1e9;
}

// ---------------------------------------------------------------------------
// Simulated port accesses per second.

constexpr int kAccessBatch = 1024;

void PrepareBoard() {
  velk_sim_reset();
  velk_sim_trace_enable(0);
}

void ReportAccesses(benchmark::State &state) {
  state.SetItemsProcessed(state.iterations() * kAccessBatch);
}

void BoardStatusRead(benchmark::State &state) {
  PrepareBoard();
  for (auto _ : state)
    for (int i = 0; i < kAccessBatch; ++i)
      benchmark::DoNotOptimize(board.Read16(kStatusPort));
  ReportAccesses(state);
}

void BenchStatusRead(benchmark::State &state) {
  PrepareBoard();
  for (auto _ : state)
    for (int i = 0; i < kAccessBatch; ++i)
      benchmark::DoNotOptimize(bench.Read16(kStatusPort));
  ReportAccesses(state);
}

void BenchDelayRead(benchmark::State &state) {
  PrepareBoard();
  for (auto _ : state)
    for (int i = 0; i < kAccessBatch; ++i)
      benchmark::DoNotOptimize(bench.Read8(kDelayPort));
  ReportAccesses(state);
}

void BenchOutputWrite(benchmark::State &state) {
  PrepareBoard();
  for (auto _ : state)
    for (int i = 0; i < kAccessBatch; ++i)
      bench.Write16(kDaPort, static_cast<uint16_t>(i));
  ReportAccesses(state);
}

// Every read of the status port answered by its default.
void BenchScriptedDefaultRead(benchmark::State &state) {
  PrepareBoard();
  velk_sim_script_default(kStatusPort, kReady);
  for (auto _ : state)
    for (int i = 0; i < kAccessBatch; ++i)
      benchmark::DoNotOptimize(bench.Read16(kStatusPort));
  ReportAccesses(state);
}

// A batch of words queued on the data port, then read: the queuing counts in.
void BenchScriptedQueueRead(benchmark::State &state) {
  PrepareBoard();
  std::vector<uint16_t> words(kAccessBatch);
  for (int i = 0; i < kAccessBatch; ++i)
    words[i] = static_cast<uint16_t>(0xF000 | i);
  for (auto _ : state) {
    velk_sim_script(kDataPort, words.data(), words.size());
    for (int i = 0; i < kAccessBatch; ++i)
      benchmark::DoNotOptimize(bench.Read16(kDataPort));
  }
  ReportAccesses(state);
}

// Status polls made by the library: a wait that never sees a conversion.
void LibraryStatusPoll(benchmark::State &state) {
  constexpr uint32_t kPolls = 1000000;
  PrepareBoard();
  for (auto _ : state)
    benchmark::DoNotOptimize(ADWaitReadVelk(kPolls));
  state.SetItemsProcessed(state.iterations() * kPolls);
}

// ---------------------------------------------------------------------------
// Block operations on the default board.

void BlockOnBoard(benchmark::State &state, const Workload *workload) {
  velk_bench::Prepare(*workload);
  const uint64_t operations_before = BusOperations();
  double seconds = 0;
  for (auto _ : state) {
    if (workload->before_call != nullptr) workload->before_call();
    const double call = Timed(workload->library);
    state.SetIterationTime(call);
    seconds += call;
  }
  const double samples = static_cast<double>(state.iterations()) * workload->samples;
  ReportSamples(state, samples, seconds);
  state.counters["bus_ops/sample"] =
      static_cast<double>(BusOperations() - operations_before) / samples;
}

// ---------------------------------------------------------------------------
// The library against the minimal loop. Each iteration times one call of each,
// alternating which goes first. The ratio compares the fastest call of each:
// other load on the machine only ever adds time, so the fastest call is the
// one closest to the code's own cost, for library and minimal loop alike.

void Overhead(benchmark::State &state, const Workload *workload) {
  const std::string difference = velk_bench::DifferenceFromMinimal(*workload);
  if (!difference.empty()) {
    state.SkipWithError(difference.c_str());
    return;
  }
  velk_bench::Prepare(*workload);
  auto run = [workload](void (*call)()) {
    if (workload->before_call != nullptr) workload->before_call();
    return Timed(call);
  };
  double library_total = 0;
  double library_fastest = INFINITY;
  double minimal_fastest = INFINITY;
  bool library_first = true;
  for (auto _ : state) {
    double library = 0;
    double minimal = 0;
    if (library_first) {
      library = run(workload->library);
      minimal = run(workload->minimal);
    } else {
      minimal = run(workload->minimal);
      library = run(workload->library);
    }
    library_first = !library_first;
    state.SetIterationTime(library);
    library_total += library;
    library_fastest = std::min(library_fastest, library);
    minimal_fastest = std::min(minimal_fastest, minimal);
  }
  const double samples = static_cast<double>(state.iterations()) * workload->samples;
  ReportSamples(state, samples, library_total);
  state.counters["fastest_ns/sample"] = library_fastest / workload->samples * 1e9;
  state.counters["minimal_ns/sample"] = minimal_fastest / workload->samples * 1e9;
  state.counters["ratio"] = library_fastest / minimal_fastest;
}

// ---------------------------------------------------------------------------
// Cost as the count grows.

// Resident and peak resident memory of the process, in bytes, from the kernel.
double StatusBytes(const char *field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) * 1024;
  return NAN;
}

// Starts a new peak at the present resident size.
bool ResetPeakResident() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  clear_refs << "5";
  clear_refs.flush();
  return static_cast<bool>(clear_refs);
}

using BlockCall = void (*)(int16_t *buffer, uint32_t count);

constexpr uint32_t kLargestCount = 10000000;
constexpr uint32_t kWarmUpCount = 1000;

// The caller's buffer for every count, resident before anything is measured.
int16_t *ScalingBuffer() {
  static std::vector<int16_t> buffer(kLargestCount, 1);
  return buffer.data();
}

// Google Benchmark calls a benchmark function several times for one count
// (first to size the run) and reports the last call. Memory is measured from
// the first call on, so that growth in any of them shows.
struct Growth {
  BlockCall call = nullptr;
  bool trace = false;
  uint32_t count = 0;
  bool peak_known = false;
  double resident_before = 0;
  uint64_t allocations = 0;
};

Growth &GrowthFor(BlockCall call, bool trace, uint32_t count) {
  static Growth growth;
  if (growth.call != call || growth.trace != trace || growth.count != count) {
    growth = Growth{call, trace, count};
    // A first small call pages in the code and the bench's tables it uses.
    PrepareBoard();
    call(ScalingBuffer(), kWarmUpCount);
    growth.peak_known = ResetPeakResident();
    growth.resident_before = StatusBytes("VmRSS:");
  }
  return growth;
}

void Scaling(benchmark::State &state, BlockCall call, bool trace) {
  const auto count = static_cast<uint32_t>(state.range(0));
  int16_t *const buffer = ScalingBuffer();
  Growth &growth = GrowthFor(call, trace, count);
  PrepareBoard();
  velk_sim_trace_enable(trace ? 1 : 0);
  velk_perf::StartCountingAllocations();
  double seconds = 0;
  for (auto _ : state) {
    if (trace) velk_sim_trace_clear();
    const double one = Timed([&] { call(buffer, count); });
    state.SetIterationTime(one);
    seconds += one;
  }
  growth.allocations += velk_perf::StopCountingAllocations();
  const double peak = StatusBytes("VmHWM:");
  ReportSamples(state, static_cast<double>(state.iterations()) * count, seconds);
  state.counters["allocations"] = static_cast<double>(growth.allocations);
  state.counters["peak_growth_kB"] =
      growth.peak_known ? (peak - growth.resident_before) / 1024 : NAN;
  state.counters["buffer_kB"] = count * kBytesPerSample / 1024;
  if (trace)
    state.counters["trace_kB"] =
        static_cast<double>(velk_sim_trace_count() * sizeof(velk_sim_event)) / 1024;
}

void FastBurst(int16_t *buffer, uint32_t count) {
  ADChanMultiFastVelk(buffer, count, 0);
}
void PacedBlock(int16_t *buffer, uint32_t count) {
  ADChanMultiVelk(buffer, count, 0, 10);
}
void OutputBlock(int16_t *buffer, uint32_t count) {
  DAMultiVelk(buffer, count);
}

void RegisterAll() {
  benchmark::RegisterBenchmark("access/board/status_read", BoardStatusRead);
  benchmark::RegisterBenchmark("access/bench/status_read", BenchStatusRead);
  benchmark::RegisterBenchmark("access/bench/delay_read", BenchDelayRead);
  benchmark::RegisterBenchmark("access/bench/output_write", BenchOutputWrite);
  benchmark::RegisterBenchmark("access/bench/scripted_default_read", BenchScriptedDefaultRead);
  benchmark::RegisterBenchmark("access/bench/scripted_queue_read", BenchScriptedQueueRead);
  benchmark::RegisterBenchmark("access/library/status_poll", LibraryStatusPoll)
      ->Unit(benchmark::kMillisecond);

  for (const Workload &workload : velk_bench::BoardWorkloads())
    benchmark::RegisterBenchmark(("block/" + std::string(workload.name)).c_str(), BlockOnBoard,
                                 &workload)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);

  struct Grown {
    const char *name;
    BlockCall call;
    bool trace;
    int64_t largest;
  };
  const Grown grown[] = {
      {"scaling/ADChanMultiFastVelk", FastBurst, false, kLargestCount},
      {"scaling/ADChanMultiVelk/divisor:10", PacedBlock, false, kLargestCount},
      {"scaling/DAMultiVelk", OutputBlock, false, kLargestCount},
      {"scaling/ADChanMultiFastVelk/trace_on", FastBurst, true, 1000000},
  };
  for (const Grown &g : grown)
    benchmark::RegisterBenchmark(g.name, Scaling, g.call, g.trace)
        ->RangeMultiplier(10)
        ->Range(1000, g.largest)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);

  for (const Workload &workload : velk_bench::OverheadWorkloads())
    benchmark::RegisterBenchmark(("overhead/" + std::string(workload.name)).c_str(), Overhead,
                                 &workload)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ScalingBuffer();
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
