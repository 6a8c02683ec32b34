// PortBus: the one path from the library to the board and the processor's
// interrupt flag. Two backends fulfil this contract, each in a header of its own
// named port_backend.h; the build chooses one by its include path:
//   core/x86/port_backend.h     inline in/out instructions on the real ports
//   sim/backend/port_backend.h  the simulated board and its test bench
#pragma once

#include <cstdint>

namespace velk {

// What every caller relies on:
//  - Each port operation makes exactly one bus access at the moment it is
//    called, in program order: nothing is cached, merged, reordered, repeated
//    or left out, and a read whose value is discarded still reaches the port.
//  - Port numbers are 16-bit. No operation fails or reports anything.
//  - The interrupt operations neither nest nor save a previous state.

// Called once at the start of every exported operation that touches the board,
// before its first access: the backend makes the current board window usable
// from the calling thread. Makes no bus access.
inline void OpenPortBus();

inline uint8_t ReadPort8(uint16_t port);
inline uint16_t ReadPort16(uint16_t port);
inline void WritePort8(uint16_t port, uint8_t value);
inline void WritePort16(uint16_t port, uint16_t value);
// Processor interrupts off; on, whatever the state was before.
inline void DisableInterrupts();
inline void EnableInterrupts();

}  // namespace velk

#include "port_backend.h"

namespace velk {

// A port outside the board, read only to spend one bus cycle.
inline constexpr uint16_t kDelayPort = 0x61;

inline void IoDelay() {
  (void)ReadPort8(kDelayPort);
}

inline void IoDelay(unsigned times) {
  // Callers pass small constants: a straight run of reads, no loop counter.
#pragma GCC unroll 4
  for (unsigned i = 0; i < times; ++i)
    IoDelay();
}

}  // namespace velk
