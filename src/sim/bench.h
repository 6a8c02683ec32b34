// The test bench between the library and the simulated board: it counts and
// traces every bus operation and answers reads from per-port scripts before the
// board answers them. The board sees every access either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/board.h"
#include "velkio_sim.h"

namespace velk::sim {

class Bench {
 public:
  void Reset();

  uint8_t Read8(uint16_t port) {
    uint8_t value = board.Read8(port);
    if (script_slot_[port] != 0) [[unlikely]]
      value = static_cast<uint8_t>(ScriptedRead(port, value));
    Record(VELK_SIM_READ8, port, value);
    return value;
  }

  uint16_t Read16(uint16_t port) {
    uint16_t value = board.Read16(port);
    if (script_slot_[port] != 0) [[unlikely]]
      value = ScriptedRead(port, value);
    Record(VELK_SIM_READ16, port, value);
    return value;
  }

  void Write8(uint16_t port, uint8_t value) {
    board.Write8(port, value);
    Record(VELK_SIM_WRITE8, port, value);
  }

  void Write16(uint16_t port, uint16_t value) {
    board.Write16(port, value);
    Record(VELK_SIM_WRITE16, port, value);
  }

  void SetInterrupts(bool on, velk_sim_op op) {
    interrupts_off_ = !on;
    Record(op, 0, 0);
  }

  // Test-bench controls.
  void Script(uint16_t port, const uint16_t *values, size_t count);
  void ScriptDefault(uint16_t port, uint16_t value);
  void EnableTrace(bool on) { tracing_ = on; }
  const std::vector<velk_sim_event> &Trace() const { return trace_; }
  void ClearTrace();
  uint64_t Count(velk_sim_op op, uint16_t port) const;
  bool InterruptsOn() const { return !interrupts_off_; }
  void ForceInterrupts(bool on) { interrupts_off_ = !on; }

 private:
  static constexpr unsigned kOpKinds = VELK_SIM_IRQ_ON + 1;

  struct PortScript {
    uint16_t port = 0;
    std::vector<uint16_t> queue;
    size_t next = 0;
    bool has_default = false;
    uint16_t default_value = 0;
  };

  void Record(velk_sim_op op, uint16_t port, uint16_t value) {
    if (counts_[op][port]++ == 0) [[unlikely]]
      counted_[counted_size_++] = static_cast<uint32_t>(op << 16 | port);
    if (tracing_) Append(op, port, value);
  }
  // Kept out of line: with the vector's growth inlined into every access, the
  // compiler would no longer inline the accesses themselves, and each sample
  // loop of the library would call the bench instead of counting in place.
  [[gnu::noinline]] void Append(velk_sim_op op, uint16_t port, uint16_t value);

  uint16_t ScriptedRead(uint16_t port, uint16_t board_value) {
    PortScript &script = scripts_[script_slot_[port] - 1];
    if (script.next < script.queue.size()) return script.queue[script.next++];
    return script.has_default ? script.default_value : board_value;
  }
  PortScript &ScriptFor(uint16_t port);

  // Every member starts as zero, so the bench costs the library nothing on disk
  // or at load: interrupts on, and tracing off, so that an application run on
  // the simulated board does not grow a trace of every access; a test turns it
  // on with a reset.
  bool tracing_ = false;
  bool interrupts_off_ = false;
  std::vector<velk_sim_event> trace_;
  uint64_t counts_[kOpKinds][0x10000] = {};
  // The counters in use, so that clearing them costs what was counted.
  uint32_t counted_[kOpKinds * 0x10000] = {};
  uint32_t counted_size_ = 0;
  // Index + 1 into scripts_ of each scripted port; 0 for a port the board answers.
  uint16_t script_slot_[0x10000] = {};
  std::vector<PortScript> scripts_;
};

extern Bench bench;

}  // namespace velk::sim
