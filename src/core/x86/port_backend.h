// PortBus on the real board: each port operation is one inline in/out
// instruction. Linux grants port access per thread (ioperm), so each thread
// obtains it for the current board window on its first call and again after
// the board has moved. Where it is refused, reads return 0 and writes are
// dropped: every wait for the converter then times out.
#pragma once

#include <cstdint>

#include "core/state.h"

namespace velk {
namespace x86 {

struct PortAccess {
  uint16_t base;  // the board window this thread asked for
  bool asked;
  bool granted;
};

// initial-exec: a plain %fs-relative load, no call, on every port access.
extern constinit thread_local PortAccess t_port_access [[gnu::tls_model("initial-exec")]];

// Gives up this thread's previous window and asks for the current one.
[[gnu::cold]] void ObtainPortAccess();

inline bool PortsGranted() {
  return t_port_access.granted;
}

}  // namespace x86

inline void OpenPortBus() {
  const x86::PortAccess &access = x86::t_port_access;
  if (!access.asked || access.base != BaseAddress()) [[unlikely]]
    x86::ObtainPortAccess();
}

inline uint8_t ReadPort8(uint16_t port) {
  uint8_t value = 0;
  if (x86::PortsGranted()) [[likely]] {
    asm volatile("inb %w1, %b0" : "=a"(value) : "Nd"(port));
  }
  return value;
}

inline uint16_t ReadPort16(uint16_t port) {
  uint16_t value = 0;
  if (x86::PortsGranted()) [[likely]] {
    asm volatile("inw %w1, %w0" : "=a"(value) : "Nd"(port));
  }
  return value;
}

inline void WritePort8(uint16_t port, uint8_t value) {
  if (x86::PortsGranted()) [[likely]] {
    asm volatile("outb %b0, %w1" : : "a"(value), "Nd"(port));
  }
}

inline void WritePort16(uint16_t port, uint16_t value) {
  if (x86::PortsGranted()) [[likely]] {
    asm volatile("outw %w0, %w1" : : "a"(value), "Nd"(port));
  }
}

// cli/sti fault in Linux user space, and ioperm does not grant them: the
// hardware library cannot mask interrupts, so these do nothing.
inline void DisableInterrupts() {}
inline void EnableInterrupts() {}

}  // namespace velk
