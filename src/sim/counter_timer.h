// The simulated board's 8254-compatible counter/timer. Counters 0 and 2 count
// the board's input clock; counter 1 counts the output pulses of counter 0, and
// its output pulses start conversions: together they are the pacer.
//
// Nothing here ticks. A counting counter is an arithmetic sequence of output
// pulses over its input pulses, fixed when its count is loaded, so the next
// pacer tick is found by a little integer arithmetic and never drifts.
#pragma once

#include <cstdint>

namespace velk::sim {

inline constexpr uint64_t kNever = UINT64_MAX;
inline constexpr uint32_t kDefaultClockHz = 10000000;

// Clock edge m of a clock of hz happens at m / hz seconds; simulated time is in
// whole nanoseconds. Both conversions are exact for every time and edge the
// board can reach (no 128-bit arithmetic: the board also builds for i386).
uint64_t EdgesBy(uint64_t time_ns, uint32_t hz);  // edges at or before time_ns
uint64_t EdgeTimeNs(uint64_t edge, uint32_t hz);  // first nanosecond the edge has happened

struct CounterState {
  uint16_t mode;     // 0-5, as the 8254 reads the mode field (6 and 7 act as 2 and 3)
  uint32_t count;    // the initial count, 1-65536; 0 while none was ever loaded
  bool running;      // loaded and counting; a one-shot mode stops at its terminal count
  double output_hz;  // rate of the periodic output (modes 2, 3) while it runs, else 0
};

class CounterTimer {
 public:
  static constexpr unsigned kCounters = 3;

  void SetClock(uint32_t hz, uint64_t now);
  uint32_t ClockHz() const { return clock_hz_; }

  void WriteControl(uint8_t byte, uint64_t now);
  void WriteData(unsigned counter, uint8_t byte, uint64_t now);

  // Time of the next pulse of counter 1, which starts a conversion; kNever
  // while the pacer gives none.
  uint64_t NextPacerTick() const { return next_tick_; }
  // Moves past the tick at NextPacerTick().
  void PacerTicked();

  CounterState State(unsigned counter, uint64_t now) const;

 private:
  struct Counter {
    uint8_t mode = 0;
    uint8_t read_load = 3;  // 1: low byte only, 2: high byte only, 3: low then high
    bool high_byte_next = false;
    uint8_t low_byte = 0;
    uint32_t count = 0;     // 1-65536 once loaded
    bool counting = false;  // a count is loaded and no control word came since
    bool fired = false;     // a one-shot mode reached its terminal count (counter 1)
    // Counters 0 and 2: the input-clock edge that loaded the count.
    uint64_t load_edge = 0;
    // Counter 1: the index, among the pulses of counter 0 since counter 0 was
    // last loaded or stopped, of counter 1's next output pulse.
    uint64_t next_pulse = 0;
  };

  static bool Periodic(const Counter &c) { return c.mode == 2 || c.mode == 3; }
  static bool GateTriggered(const Counter &c) { return c.mode == 1 || c.mode == 5; }

  // Output pulses counter 0 has given by time now, in its current run.
  uint64_t Counter0PulsesBy(uint64_t now) const;
  // Before counter 0 changes: counter 1 keeps its place as pulses still to come.
  void RebaseCounter1(uint64_t now);
  void Load(unsigned counter, uint32_t count, uint64_t now);
  void UpdateNextTick();

  uint32_t clock_hz_ = kDefaultClockHz;
  Counter counters_[kCounters] = {};
  uint64_t next_tick_ = kNever;
};

}  // namespace velk::sim
