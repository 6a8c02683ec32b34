// The test bench's exported controls.
#include <algorithm>

#include "core/export.h"
#include "sim/bench.h"
#include "velkio_sim.h"

using velk::sim::bench;

VELK_API void velk_sim_reset(void) {
  bench.Reset();
}

VELK_API void velk_sim_script(uint16_t port, const uint16_t *values, size_t count) {
  if (count != 0) bench.Script(port, values, count);
}

VELK_API void velk_sim_script_default(uint16_t port, uint16_t value) {
  bench.ScriptDefault(port, value);
}

VELK_API void velk_sim_trace_enable(int on) {
  bench.EnableTrace(on != 0);
}

VELK_API size_t velk_sim_trace_count(void) {
  return bench.Trace().size();
}

VELK_API size_t velk_sim_trace(velk_sim_event *out, size_t first, size_t max) {
  const auto &trace = bench.Trace();
  if (first >= trace.size()) return 0;
  const size_t copied = std::min(max, trace.size() - first);
  std::copy_n(trace.begin() + static_cast<std::ptrdiff_t>(first), copied, out);
  return copied;
}

VELK_API void velk_sim_trace_clear(void) {
  bench.ClearTrace();
}

VELK_API uint64_t velk_sim_count(enum velk_sim_op op, uint16_t port) {
  return bench.Count(op, port);
}

VELK_API int velk_sim_interrupts_enabled(void) {
  return bench.InterruptsOn() ? 1 : 0;
}

VELK_API void velk_sim_set_interrupts(int enabled) {
  bench.ForceInterrupts(enabled != 0);
}
