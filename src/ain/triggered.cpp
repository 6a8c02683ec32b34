// Level-triggered acquisition: a paced block that starts at a level crossing.
#include "ain/ain.h"
#include "ain/paced.h"

namespace velk {

namespace {

// Samples the search may examine, the first included.
constexpr uint32_t TriggerSearchBudget = 1000000;

// Keeps the level strictly inside the 12-bit range, so that both a rising and a
// falling crossing stay possible.
int16_t ClampLevel(int16_t level) {
  if (level >= 2047) return 2046;
  if (level <= -2048) return -2047;
  return level;
}

bool Crosses(int16_t previous, int16_t current, bool rising, int16_t level) {
  return rising ? previous < level && current > level : previous > level && current < level;
}

// Finds the sample that completes the first crossing; false on a time-out.
bool SearchCrossing(bool rising, int16_t level, int16_t &crossing) {
  int16_t previous = 0;
  if (!TakePacedSample(previous)) return false;
  for (uint32_t left = TriggerSearchBudget; --left != 0;) {
    int16_t current = 0;
    if (!TakePacedSample(current)) return false;
    if (Crosses(previous, current, rising, level)) {
      crossing = current;
      return true;
    }
    previous = current;
  }
  return false;
}

uint16_t ReadTriggeredBlock(int16_t *buffer, uint32_t count, bool rising, int16_t level) {
  if (!SearchCrossing(rising, level, buffer[0])) return TimeoutStatus;
  return ReadPacedBlock(buffer + 1, count - 1);
}

}  // namespace

uint16_t ADChanMultiSyncVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor,
                             uint16_t rising, int16_t level) {
  if (count == 0) return kSuccess;
  const int16_t trigger_level = ClampLevel(level);
  OpenPacedBlock(channel, divisor);
  return ClosePacedBlock(ReadTriggeredBlock(buffer, count, rising != 0, trigger_level));
}

}  // namespace velk
