// Waiting for the converter and taking its result.
#pragma once

#include <cstdint>

#include "core/registers.h"

namespace velk {

// Reads the status port until it shows the ready bit, at most budget times
// (0 stands for 2^32). Returns whether the last read showed it.
inline bool WaitConversion(uint32_t budget) {
  uint32_t reads_left = budget;
  do {
    if (IsReady(ReadStatus())) return true;
  } while (--reads_left != 0);
  return false;
}

// The sample of a conversion that becomes ready within budget, or TimeoutStatus
// without a data read.
inline int16_t CollectSample(uint32_t budget) {
  return WaitConversion(budget) ? ReadSample() : TimeoutStatus;
}

// Points the converter at channel and lets the input settle: control write,
// four bus cycles, one data word discarded.
inline void SelectChannel(uint16_t channel) {
  WriteChannel(channel);
  IoDelay(4);
  DiscardDataWord();
}

// In a channel list, the channel to pre-select while sample i converts: the
// next entry, or entry 0 after the last, ready for the next pass.
inline uint16_t ChannelAfter(const uint16_t *channels, uint16_t i, uint16_t count) {
  return i + 1 < count ? channels[i + 1] : channels[0];
}

}  // namespace velk
