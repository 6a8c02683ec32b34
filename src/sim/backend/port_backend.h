// PortBus on the simulated board: every operation goes to the test bench,
// which is linked into the same library and inlined here.
#pragma once

#include <cstdint>

#include "sim/bench.h"

namespace velk {

inline void OpenPortBus() {}

inline uint8_t ReadPort8(uint16_t port) {
  return sim::bench.Read8(port);
}
inline uint16_t ReadPort16(uint16_t port) {
  return sim::bench.Read16(port);
}
inline void WritePort8(uint16_t port, uint8_t value) {
  sim::bench.Write8(port, value);
}
inline void WritePort16(uint16_t port, uint16_t value) {
  sim::bench.Write16(port, value);
}
inline void DisableInterrupts() {
  sim::bench.SetInterrupts(false, VELK_SIM_IRQ_OFF);
}
inline void EnableInterrupts() {
  sim::bench.SetInterrupts(true, VELK_SIM_IRQ_ON);
}

}  // namespace velk
