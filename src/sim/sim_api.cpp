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

// The simulated board's settings and state.

using velk::sim::board;

namespace {

int Result(bool ok) {
  return ok ? 0 : -1;
}

}  // namespace

VELK_API int velk_sim_set_signal(uint16_t channel, const velk_sim_signal *signal) {
  return Result(signal != nullptr && board.signals().Set(channel, *signal));
}

VELK_API int velk_sim_get_signal(uint16_t channel, velk_sim_signal *out) {
  return Result(out != nullptr && board.signals().Get(channel, *out));
}

VELK_API int velk_sim_set_waveform(uint16_t channel, const double *volts, size_t count,
                                   double sample_rate_hz) {
  return Result(board.signals().SetWaveform(channel, volts, count, sample_rate_hz));
}

VELK_API void velk_sim_set_seed(uint64_t seed) {
  board.signals().Seed(seed);
}

VELK_API int velk_sim_set_bus_cycle_ns(uint32_t ns) {
  return Result(board.SetBusCycle(ns));
}

VELK_API void velk_sim_set_conversion_ns(uint32_t ns) {
  board.SetConversionTime(ns);
}

VELK_API int velk_sim_set_clock_hz(uint32_t hz) {
  return Result(board.SetClock(hz));
}

VELK_API int velk_sim_loop_analog(int channel) {
  return Result(board.LoopAnalog(channel));
}

VELK_API void velk_sim_loop_digital(int on) {
  board.LoopDigital(on != 0);
}

VELK_API void velk_sim_set_digital_input(uint8_t pattern) {
  board.SetDigitalInput(pattern);
}

VELK_API int velk_sim_set_faults(unsigned faults) {
  return Result(board.SetFaults(faults));
}

VELK_API uint64_t velk_sim_time_ns(void) {
  return board.Now();
}

VELK_API uint8_t velk_sim_control_register(void) {
  return board.ControlRegister();
}

VELK_API uint16_t velk_sim_da_word(void) {
  return board.DaWord();
}

VELK_API double velk_sim_da_volts(void) {
  return board.DaVolts();
}

VELK_API uint8_t velk_sim_digital_output(void) {
  return board.DigitalOutput();
}

VELK_API int velk_sim_get_counter(uint16_t counter, velk_sim_counter *out) {
  if (out == nullptr || counter >= velk::sim::CounterTimer::kCounters) return -1;
  const velk::sim::CounterState state = board.Counter(counter);
  out->mode = state.mode;
  out->count = state.count;
  out->running = state.running ? 1 : 0;
  out->output_hz = state.output_hz;
  return 0;
}

VELK_API uint64_t velk_sim_conversions(void) {
  return board.Conversions();
}

VELK_API uint64_t velk_sim_overruns(void) {
  return board.Overruns();
}
