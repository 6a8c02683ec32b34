// The block operations as the benchmarks run them: each workload sets the
// simulated board up, then calls the library's operation or the minimal loop
// that makes the same bus operations.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velk_bench {

struct Workload {
  const char *name;
  uint32_t samples;  // samples each call takes (for a search: examines)
  // After velk_sim_reset with tracing off: signals and scripts.
  void (*setup)();
  // Before every call, outside the time measured; may be null.
  void (*before_call)();
  void (*library)();
  // The minimal loop; null where the workload is only timed.
  void (*minimal)();
};

// On the default board, as an application sees it: realistic signals and
// converter timing, paced at the fastest divisors that work.
std::span<const Workload> BoardWorkloads();

// Each operation against its minimal loop. The converter is scripted ready, so
// a paced sample costs one status read and one data read, and the inputs are
// DC levels, so the board's own work per access is as small as it gets: what
// is left is the library's part.
std::span<const Workload> OverheadWorkloads();

// Prepares the board for a workload: velk_sim_reset, tracing off, setup.
void Prepare(const Workload &workload);

// Where the minimal loop's bus operations differ from the library's, each
// traced from a freshly prepared board; empty when they are the same, event
// for event (operation, port and value).
std::string DifferenceFromMinimal(const Workload &workload);

}  // namespace velk_bench
