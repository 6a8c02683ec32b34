// The board's register map and the library's process-wide state.
#pragma once

#include <cstdint>

namespace velk {

// Index of each board port in PortTable; port i lies at base + 2 * i.
enum PortIndex : unsigned {
  kAdStatus = 0,
  kAdData = 1,
  kDig = 2,
  kDa = 3,
  kCounter0 = 4,
  kCounter1 = 5,
  kCounter2 = 6,
  kTimerControl = 7,
  kPortCount = 8,
};

inline constexpr uint16_t kLoadBase = 0x300;
inline constexpr uint8_t kInitialControlByte = 0x90;  // gain code 1, channel 0, bit 7 set
// The board occupies 16 consecutive port numbers: eight 16-bit ports two apart.
inline constexpr uint16_t kWindowSize = 16;

// The state outlives every call and is shared by all threads, unguarded: the
// library serves one calling thread at a time. It is constant-initialised, so
// loading the library runs no code.
extern uint16_t PortTable[kPortCount];
extern uint8_t ControlImage;  // the gain and channel last set, laid out as the control byte
extern uint16_t IrqEnable;    // 0: the block operations mask interrupts

// Status reads a single conversion may wait.
inline constexpr uint32_t SinglePollBudget = 10;
// The one failure the library reports.
inline constexpr int16_t TimeoutStatus = 0x7FFF;
inline constexpr uint16_t kSuccess = 0;

inline uint16_t AdStatusPort() {
  return PortTable[kAdStatus];
}
inline uint16_t AdDataPort() {
  return PortTable[kAdData];
}
inline uint16_t DigPort() {
  return PortTable[kDig];
}
inline uint16_t DaPort() {
  return PortTable[kDa];
}
inline uint16_t Counter0Port() {
  return PortTable[kCounter0];
}
inline uint16_t TimerControlPort() {
  return PortTable[kTimerControl];
}
inline uint16_t BaseAddress() {
  return PortTable[kAdStatus];
}

// Fills PortTable for a board at base (port numbers wrap at 2^16).
void SetBase(uint16_t base);

// Puts the state back to its values at load (the simulated board's reset).
void ResetLibraryState();

}  // namespace velk
