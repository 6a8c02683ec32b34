#include "sim/bench.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "core/state.h"

namespace velk::sim {

constinit Bench bench;

void Bench::Reset() {
  board.Reset();
  ResetLibraryState();
  for (const PortScript &script : scripts_)
    script_slot_[script.port] = 0;
  scripts_.clear();
  ClearTrace();
  tracing_ = true;
  interrupts_off_ = false;
}

void Bench::Append(velk_sim_op op, uint16_t port, uint16_t value) {
  trace_.push_back({static_cast<uint16_t>(op), port, value});
}

void Bench::ClearTrace() {
  trace_.clear();
  for (uint32_t i = 0; i < counted_size_; ++i)
    counts_[counted_[i] >> 16][counted_[i] & 0xFFFF] = 0;
  counted_size_ = 0;
}

uint64_t Bench::Count(velk_sim_op op, uint16_t port) const {
  return op >= VELK_SIM_READ8 && op <= VELK_SIM_IRQ_ON ? counts_[op][port] : 0;
}

Bench::PortScript &Bench::ScriptFor(uint16_t port) {
  if (script_slot_[port] == 0) {
    PortScript script;
    script.port = port;
    scripts_.push_back(std::move(script));
    script_slot_[port] = static_cast<uint16_t>(scripts_.size());
  }
  return scripts_[script_slot_[port] - 1];
}

void Bench::Script(uint16_t port, const uint16_t *values, size_t count) {
  PortScript &script = ScriptFor(port);
  // Drop what has been read, so a long session of small scripts stays small.
  script.queue.erase(script.queue.begin(), script.queue.begin() + script.next);
  script.next = 0;
  script.queue.insert(script.queue.end(), values, values + count);
}

void Bench::ScriptDefault(uint16_t port, uint16_t value) {
  PortScript &script = ScriptFor(port);
  script.has_default = true;
  script.default_value = value;
}

}  // namespace velk::sim
