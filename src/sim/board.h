// The simulated board behind the bench: it latches what is written to each
// port and reads it back.
#pragma once

#include <cstdint>

namespace velk::sim {

class Board {
 public:
  void Reset();

  uint8_t Read8(uint16_t port) const { return static_cast<uint8_t>(latch_[port]); }
  uint16_t Read16(uint16_t port) const { return latch_[port]; }
  void Write8(uint16_t port, uint8_t value) { latch_[port] = value; }
  void Write16(uint16_t port, uint16_t value) { latch_[port] = value; }

 private:
  uint16_t latch_[0x10000] = {};
};

}  // namespace velk::sim
