#include "timer/timer.h"

#include "core/registers.h"

namespace velk {

namespace {

constexpr uint16_t kCounterCount = 3;
constexpr uint16_t kInterruptOnTerminalCount = 0;  // mode 0: a control word alone stops the counter
constexpr uint16_t kRateGenerator = 2;
constexpr uint16_t kPacerPrescale = 4;
constexpr uint16_t kPacerPrescaler = 0;
constexpr uint16_t kPacerDivider = 1;

// 8254 control word: counter in bits 7-6, read/load 11 (low byte then high
// byte), mode in bits 3-1, binary counting.
constexpr uint8_t TimerControlByte(uint16_t counter, uint16_t mode) {
  return static_cast<uint8_t>(0x30 | ((counter & 3) << 6) | ((mode & 7) << 1));
}

uint16_t CounterPort(uint16_t counter) {
  return static_cast<uint16_t>(Counter0Port() + 2 * counter);
}

void WriteTimerControl(uint16_t counter, uint16_t mode) {
  WritePort8(TimerControlPort(), TimerControlByte(counter, mode));
}

void WriteCount(uint16_t counter, uint16_t count) {
  WritePort8(CounterPort(counter), static_cast<uint8_t>(count & 0xFF));
  IoDelay();
  WritePort8(CounterPort(counter), static_cast<uint8_t>(count >> 8));
}

void ProgramCounter(uint16_t counter, uint16_t mode, uint16_t count) {
  WriteTimerControl(counter, mode);
  WriteCount(counter, count);
}

}  // namespace

void LoadCounter(uint16_t counter, uint16_t count) {
  ProgramCounter(counter, kRateGenerator, count);
}

void StartPacer(uint16_t divisor) {
  LoadCounter(kPacerPrescaler, kPacerPrescale);
  LoadCounter(kPacerDivider, divisor);
}

void StopPacer() {
  WriteTimerControl(kPacerPrescaler, kInterruptOnTerminalCount);
}

void SetTimerVelk(uint16_t counter, uint16_t mode, uint16_t count) {
  // Counter 3 would send the count to the control port, and higher numbers to
  // ports of other devices.
  if (counter >= kCounterCount) return;
  DisableInterrupts();
  ProgramCounter(counter, mode, count);
  EnableInterrupts();
}

void StopTimerVelk(uint16_t counter) {
  WriteTimerControl(counter, kInterruptOnTerminalCount);
}

}  // namespace velk
