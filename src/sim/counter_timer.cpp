#include "sim/counter_timer.h"

#include <initializer_list>

namespace velk::sim {

namespace {

constexpr uint64_t kNsPerSecond = 1000000000;
constexpr uint32_t kFullCount = 65536;  // a count of 0 counts 2^16

constexpr unsigned kPacerInput = 0;
constexpr unsigned kPacerOutput = 1;

}  // namespace

uint64_t EdgesBy(uint64_t time_ns, uint32_t hz) {
  return time_ns / kNsPerSecond * hz + time_ns % kNsPerSecond * hz / kNsPerSecond;
}

uint64_t EdgeTimeNs(uint64_t edge, uint32_t hz) {
  const uint64_t part = edge % hz * kNsPerSecond;
  return edge / hz * kNsPerSecond + (part + hz - 1) / hz;
}

void CounterTimer::SetClock(uint32_t hz, uint64_t now) {
  // A counting counter on the clock restarts its count at the new rate; a
  // one-shot that has fired stays fired.
  for (unsigned i : {0u, 2u}) {
    Counter &c = counters_[i];
    if (c.counting && !Periodic(c) && EdgesBy(now, clock_hz_) >= c.load_edge + c.count)
      c.fired = true;
  }
  if (counters_[kPacerInput].counting) RebaseCounter1(now);
  clock_hz_ = hz;
  for (unsigned i : {0u, 2u})
    counters_[i].load_edge = EdgesBy(now, clock_hz_) + 1;
  UpdateNextTick();
}

void CounterTimer::WriteControl(uint8_t byte, uint64_t now) {
  const unsigned select = byte >> 6;
  const uint8_t read_load = (byte >> 4) & 3;
  // Select 3 is the read-back command and read/load 0 the latch command: both
  // only prepare reads, which the board does not model.
  if (select == 3 || read_load == 0) return;
  if (select == kPacerInput) RebaseCounter1(now);
  Counter &c = counters_[select];
  c.mode = (byte >> 1) & 7;
  if (c.mode >= 6) c.mode -= 4;
  c.read_load = read_load;
  c.high_byte_next = read_load == 2;
  c.counting = false;  // until a new count is loaded
  c.fired = false;
  UpdateNextTick();
}

void CounterTimer::WriteData(unsigned counter, uint8_t byte, uint64_t now) {
  Counter &c = counters_[counter];
  if (!c.high_byte_next) {
    if (c.read_load == 1) return Load(counter, byte, now);
    c.low_byte = byte;
    c.high_byte_next = true;
    return;
  }
  c.high_byte_next = c.read_load == 2;
  Load(counter, static_cast<uint32_t>(c.read_load == 2 ? 0 : c.low_byte) | uint32_t{byte} << 8,
       now);
}

void CounterTimer::Load(unsigned counter, uint32_t count, uint64_t now) {
  if (counter == kPacerInput) RebaseCounter1(now);
  Counter &c = counters_[counter];
  c.count = count == 0 ? kFullCount : count;
  c.counting = true;
  c.fired = false;
  // The count is taken on the next input pulse; the output pulses after
  // every count input pulses from there.
  if (counter == kPacerOutput)
    c.next_pulse = Counter0PulsesBy(now) + 1 + c.count;
  else
    c.load_edge = EdgesBy(now, clock_hz_) + 1;
  UpdateNextTick();
}

uint64_t CounterTimer::Counter0PulsesBy(uint64_t now) const {
  const Counter &c = counters_[kPacerInput];
  if (!c.counting || c.fired || GateTriggered(c)) return 0;
  const uint64_t edges = EdgesBy(now, clock_hz_);
  const uint64_t first = c.load_edge + c.count;
  if (edges < first) return 0;
  return Periodic(c) ? 1 + (edges - first) / c.count : 1;
}

void CounterTimer::RebaseCounter1(uint64_t now) {
  Counter &c1 = counters_[kPacerOutput];
  const uint64_t seen = Counter0PulsesBy(now);
  c1.next_pulse = c1.next_pulse > seen ? c1.next_pulse - seen : 1;
}

void CounterTimer::UpdateNextTick() {
  const Counter &c0 = counters_[kPacerInput];
  const Counter &c1 = counters_[kPacerOutput];
  next_tick_ = kNever;
  if (!c1.counting || c1.fired || GateTriggered(c1)) return;
  if (!c0.counting || c0.fired || GateTriggered(c0)) return;
  if (!Periodic(c0) && c1.next_pulse != 1) return;  // a one-shot gives one pulse
  next_tick_ = EdgeTimeNs(c0.load_edge + c1.next_pulse * c0.count, clock_hz_);
}

void CounterTimer::PacerTicked() {
  Counter &c1 = counters_[kPacerOutput];
  if (Periodic(c1))
    c1.next_pulse += c1.count;
  else
    c1.fired = true;
  UpdateNextTick();
}

CounterState CounterTimer::State(unsigned counter, uint64_t now) const {
  const Counter &c = counters_[counter];
  CounterState state{c.mode, c.count, false, 0.0};
  if (!c.counting || c.fired || GateTriggered(c)) return state;
  if (!Periodic(c)) {
    state.running = counter == kPacerOutput || EdgesBy(now, clock_hz_) < c.load_edge + c.count;
    return state;
  }
  state.running = true;
  if (counter != kPacerOutput) {
    state.output_hz = static_cast<double>(clock_hz_) / c.count;
  } else {
    const Counter &c0 = counters_[kPacerInput];
    if (c0.counting && Periodic(c0))
      state.output_hz = static_cast<double>(clock_hz_) / c0.count / c.count;
  }
  return state;
}

}  // namespace velk::sim
