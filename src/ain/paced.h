// The opening, sample wait and closing shared by the timer-paced acquisitions.
#pragma once

#include <cstdint>

#include "ain/conversion.h"
#include "timer/timer.h"

namespace velk {

// Status reads each paced wait may take.
inline constexpr uint32_t PacedPollBudget = 128000;

// Selects channel, starts the pacer, masks interrupts by the policy and
// discards the data word the converter holds.
inline void OpenPacedBlock(uint16_t channel, uint16_t divisor) {
  WriteChannel(channel);
  StartPacer(divisor);
  MaskInterruptsByPolicy();
  DiscardDataWord();
}

// Waits for the next sample the pacer delivers and reads it into sample; false,
// with nothing read, when none became ready.
inline bool TakePacedSample(int16_t &sample) {
  if (!WaitConversion(PacedPollBudget)) return false;
  sample = ReadSample();
  return true;
}

// Stores the next count paced samples; stops at the first that is not ready.
inline uint16_t ReadPacedBlock(int16_t *buffer, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k)
    if (!TakePacedSample(buffer[k])) return TimeoutStatus;
  return kSuccess;
}

// Interrupts on, whatever the policy, then the pacer stopped as the last access.
inline uint16_t ClosePacedBlock(uint16_t status) {
  EnableInterrupts();
  StopPacer();
  return status;
}

}  // namespace velk
