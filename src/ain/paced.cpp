// Timer-paced acquisition: blocks from one channel, scans of a channel list.
#include <algorithm>

#include "ain/ain.h"
#include "ain/paced.h"

namespace velk {

namespace {

constexpr unsigned kMaxSettleReads = 50;

// Reads the status port reads times in a row, never cut short; only the last
// read counts.
bool SettledReady(unsigned reads) {
  uint16_t status = 0;
  for (unsigned r = 0; r < reads; ++r)
    status = ReadStatus();
  return IsReady(status);
}

// Each scan waits for a pacer conversion, then converts the whole list by
// software trigger, pre-selecting the next channel while each converts.
uint16_t ReadScans(int16_t *buffer, uint32_t scans, const uint16_t *channels,
                   uint16_t channel_count, unsigned settle_reads) {
  for (uint32_t s = 0; s < scans; ++s, buffer += channel_count) {
    if (!WaitConversion(PacedPollBudget)) return TimeoutStatus;
    for (uint16_t i = 0; i < channel_count; ++i) {
      SoftwareTrigger();
      IoDelay();
      WriteChannel(ChannelAfter(channels, i, channel_count));
      if (!SettledReady(settle_reads)) return TimeoutStatus;
      buffer[i] = ReadSample();
    }
  }
  return kSuccess;
}

}  // namespace

uint16_t ADChanMultiVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor) {
  if (count == 0) return kSuccess;
  OpenPacedBlock(channel, divisor);
  return ClosePacedBlock(ReadPacedBlock(buffer, count));
}

unsigned SettleReads(uint16_t divisor, uint16_t channel_count) {
  const unsigned per_channel = static_cast<uint16_t>(divisor / channel_count);
  return std::min((per_channel >> 4) + 1, kMaxSettleReads);
}

uint16_t ADChansMultiVelk(int16_t *buffer, uint32_t scans, const uint16_t *channels,
                          uint16_t channel_count, uint16_t divisor) {
  if (scans == 0 || channel_count == 0) return kSuccess;
  StartPacer(divisor);
  const unsigned settle_reads = SettleReads(divisor, channel_count);
  MaskInterruptsByPolicy();
  WriteChannel(channels[0]);
  DiscardDataWords(settle_reads);
  return ClosePacedBlock(ReadScans(buffer, scans, channels, channel_count, settle_reads));
}

}  // namespace velk
