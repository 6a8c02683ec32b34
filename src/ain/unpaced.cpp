// Multi-sample reads without the pacer: their rate is the bus's.
#include "ain/ain.h"
#include "ain/conversion.h"

namespace velk {

namespace {

// After a trigger, the ready bit is checked once, a fixed run of bus cycles later.
constexpr uint32_t kOneStatusRead = 1;

}  // namespace

uint16_t ADChansVelk(int16_t *buffer, const uint16_t *channels, uint16_t count) {
  if (count == 0) return kSuccess;
  SelectChannel(channels[0]);
  for (uint16_t i = 0; i < count; ++i) {
    SoftwareTrigger();
    IoDelay();
    WriteChannel(ChannelAfter(channels, i, count));
    IoDelay(4);
    if (!WaitConversion(kOneStatusRead)) return TimeoutStatus;
    buffer[i] = ReadSample();
  }
  return kSuccess;
}

void ADChanMultiFastVelk(int16_t *buffer, uint32_t count, uint16_t channel) {
  if (count == 0) return;
  // The one 8-bit control write of the library: the byte alone.
  WritePort8(AdDataPort(), WithChannel(ControlImage, channel));
  DisableInterrupts();
  DiscardDataWord();
  // Port number taken once: the burst's rate is its two accesses per sample.
  const uint16_t data_port = AdDataPort();
  for (uint32_t k = 0; k < count; ++k) {
    IoDelay();
    buffer[k] = ToSample(ReadPort16(data_port));
  }
  EnableInterrupts();
}

}  // namespace velk
