// The board's 8254-compatible counter/timer and the pacer (counters 0 and 1).
#pragma once

#include <cstdint>

namespace velk {

// Loads counter in mode 2 (rate generator) with count.
void LoadCounter(uint16_t counter, uint16_t count);
// Counter 0 divides the clock by 4 and clocks counter 1, which divides by
// divisor (0 counts as 2^16); counter 1's output starts the conversions.
void StartPacer(uint16_t divisor);
// Stops counter 0; counter 1 keeps its divisor.
void StopPacer();

void SetTimerVelk(uint16_t counter, uint16_t mode, uint16_t count);
void StopTimerVelk(uint16_t counter);

}  // namespace velk
