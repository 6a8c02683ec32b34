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

// The sample that completes the first crossing, or nothing on a time-out.
std::optional<int16_t> SearchCrossing(bool rising, int16_t level) {
  std::optional<int16_t> previous = TakePacedSample();
  if (!previous) return std::nullopt;
  for (uint32_t left = TriggerSearchBudget; --left != 0;) {
    const std::optional<int16_t> current = TakePacedSample();
    if (!current) return std::nullopt;
    if (Crosses(*previous, *current, rising, level)) return current;
    previous = current;
  }
  return std::nullopt;
}

uint16_t ReadTriggeredBlock(int16_t *buffer, uint32_t count, bool rising, int16_t level) {
  const std::optional<int16_t> crossing = SearchCrossing(rising, level);
  if (!crossing) return TimeoutStatus;
  buffer[0] = *crossing;
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
