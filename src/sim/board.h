// The simulated board behind the bench: an A/D converter with 16 signal
// sources, an 8254 counter/timer whose counters 0 and 1 pace conversions, a
// 12-bit analog output and an 8-bit digital port, in simulated time.
//
// Every access, inside the board's ports or not, lasts one bus cycle. Time is
// an integer count of nanoseconds and moves only with accesses, never with the
// host's clock. The board keeps the time of its next event (a pacer tick or the
// end of a conversion) so that an access does no more than add a cycle and
// compare; events and signals are worked out only when one falls due.
//
// The board answers at the library's current base address, as if its address
// switches were set to match.
#pragma once

#include <cstdint>

#include "core/state.h"
#include "sim/counter_timer.h"
#include "sim/signals.h"

namespace velk::sim {

class Board {
 public:
  static constexpr uint32_t kDefaultBusCycleNs = 1000;
  static constexpr uint32_t kDefaultConversionNs = 4000;
  static constexpr uint8_t kDefaultDigitalInput = 0xA5;
  static constexpr int kNoLoopback = -1;
  static constexpr unsigned kFaultNeverReady = VELK_SIM_FAULT_NEVER_READY;
  static constexpr unsigned kFaultAbsent = VELK_SIM_FAULT_ABSENT;

  void Reset();

  uint8_t Read8(uint16_t port) {
    Tick();
    const uint16_t offset = Offset(port);
    if (offset >= kWindowSize) return kFloatingByte;
    return static_cast<uint8_t>(ReadRegister(offset));
  }

  uint16_t Read16(uint16_t port) {
    Tick();
    const uint16_t offset = Offset(port);
    // The status poll is the access the library makes most by far.
    if (offset == kStatusOffset && faults_ == 0) [[likely]]
      return status_;
    if (offset >= kWindowSize) return kFloatingWord;
    return ReadRegister(offset);
  }

  void Write8(uint16_t port, uint8_t value) {
    Tick();
    WriteRegister(Offset(port), value, true);
  }
  void Write16(uint16_t port, uint16_t value) {
    Tick();
    WriteRegister(Offset(port), value, false);
  }

  // Settings.
  Signals &signals() { return signals_; }
  bool SetBusCycle(uint32_t ns);
  void SetConversionTime(uint32_t ns) { conversion_ns_ = ns; }
  bool SetClock(uint32_t hz);
  bool LoopAnalog(int channel);
  void LoopDigital(bool on) { digital_loop_ = on; }
  void SetDigitalInput(uint8_t pattern) { digital_input_ = pattern; }
  bool SetFaults(unsigned faults);

  // State.
  uint64_t Now() const { return now_; }
  uint8_t ControlRegister() const { return control_; }
  uint16_t DaWord() const { return da_word_; }
  double DaVolts() const;
  uint8_t DigitalOutput() const { return digital_output_; }
  CounterState Counter(unsigned counter) const { return timer_.State(counter, now_); }
  uint64_t Conversions() const { return conversions_; }
  uint64_t Overruns() const { return overruns_; }

 private:
  static constexpr uint16_t kStatusOffset = 0;
  static constexpr uint16_t kDataOffset = 2;
  static constexpr uint16_t kDigitalOffset = 4;
  static constexpr uint16_t kDaOffset = 6;
  static constexpr uint16_t kCounter0Offset = 8;
  static constexpr uint16_t kCounter2Offset = 12;
  static constexpr uint16_t kTimerControlOffset = 14;
  static constexpr uint16_t kReadyBit = 0x80;
  // What a read finds where nothing drives the bus.
  static constexpr uint8_t kFloatingByte = 0xFF;
  static constexpr uint16_t kFloatingWord = 0xFFFF;

  static uint16_t Offset(uint16_t port) { return static_cast<uint16_t>(port - BaseAddress()); }

  void Tick() {
    now_ += bus_cycle_ns_;
    if (now_ >= next_event_) [[unlikely]]
      RunEvents();
  }
  void RunEvents();
  void UpdateNextEvent();

  uint16_t ReadRegister(uint16_t offset);
  void WriteRegister(uint16_t offset, uint16_t value, bool byte_wide);

  void StartConversion(uint64_t at);
  void CompleteConversion();
  double InputVolts(unsigned channel, uint64_t at);

  // Time.
  uint64_t now_ = 0;
  uint64_t next_event_ = kNever;
  uint32_t bus_cycle_ns_ = kDefaultBusCycleNs;
  uint32_t conversion_ns_ = kDefaultConversionNs;

  // The converter.
  uint8_t control_ = 0;
  uint16_t status_ = 0;
  uint16_t data_ = 0xF000;  // the word of a 0 V sample
  uint64_t conversion_end_ = kNever;
  uint16_t converting_word_ = 0;
  uint64_t conversions_ = 0;
  uint64_t overruns_ = 0;
  Signals signals_;

  CounterTimer timer_;

  // Analog output (0 V at power-on) and digital port.
  uint16_t da_word_ = 0x0800;
  uint8_t digital_output_ = 0;
  uint8_t digital_input_ = kDefaultDigitalInput;
  bool digital_loop_ = false;
  int analog_loop_channel_ = kNoLoopback;

  unsigned faults_ = 0;
};

// The one board, apart from the bench so that the bench's large tables stay
// zero at load.
extern Board board;

}  // namespace velk::sim
