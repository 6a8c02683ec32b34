#include <sys/io.h>

#include <algorithm>

#include "core/port_bus.h"

namespace velk::x86 {

constinit thread_local PortAccess t_port_access [[gnu::tls_model("initial-exec")]] = {};

namespace {

// ioperm for count ports from first, wrapping past 0xFFFF to 0.
bool SetPortRange(uint16_t first, unsigned count, int on) {
  const unsigned below_top = std::min(count, 0x10000u - first);
  if (ioperm(first, below_top, on) != 0) return false;
  return count == below_top || ioperm(0, count - below_top, on) == 0;
}

// A 16-bit access at port 0xFFFF also needs permission for port 0x10000, which
// no thread can have: it would fault however the window was granted.
bool WordPortsFit(uint16_t base) {
  for (const PortIndex word_port : {kAdStatus, kAdData, kDa})
    if (static_cast<uint16_t>(base + 2 * word_port) == 0xFFFF) return false;
  return true;
}

// Least privilege: the board's window and the delay port, nothing else.
bool GrantBoard(uint16_t base) {
  if (!WordPortsFit(base)) return false;
  if (SetPortRange(base, kWindowSize, 1) && SetPortRange(kDelayPort, 1, 1)) return true;
  SetPortRange(base, kWindowSize, 0);
  return false;
}

}  // namespace

void ObtainPortAccess() {
  PortAccess &access = t_port_access;
  if (access.granted) SetPortRange(access.base, kWindowSize, 0);
  access.base = BaseAddress();
  access.asked = true;
  access.granted = GrantBoard(access.base);
}

}  // namespace velk::x86
