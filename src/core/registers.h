// The register-level steps every operation is made of.
#pragma once

#include <cstdint>

#include "core/codings.h"
#include "core/port_bus.h"
#include "core/state.h"

namespace velk {

// The software trigger: this word to AdStatusPort starts a conversion.
inline constexpr uint16_t kTriggerWord = 0xFFFF;
inline constexpr uint16_t kReadyBit = 0x80;

inline uint16_t ReadStatus() {
  return ReadPort16(AdStatusPort());
}
inline bool IsReady(uint16_t status) {
  return (status & kReadyBit) != 0;
}
inline void SoftwareTrigger() {
  WritePort16(AdStatusPort(), kTriggerWord);
}

inline int16_t ReadSample() {
  return ToSample(ReadPort16(AdDataPort()));
}
inline void DiscardDataWord() {
  (void)ReadPort16(AdDataPort());
}
inline void DiscardDataWords(unsigned times) {
  for (unsigned i = 0; i < times; ++i)
    DiscardDataWord();
}

// A control write: the control byte in the low byte, 0 in the high byte.
inline void WriteControl(uint8_t control) {
  WritePort16(AdDataPort(), control);
}

// A control write selecting channel with the gain of ControlImage; ControlImage
// keeps its own channel.
inline void WriteChannel(uint16_t channel) {
  WriteControl(WithChannel(ControlImage, channel));
}

// The block operations mask interrupts unless the application asked them not to.
inline void MaskInterruptsByPolicy() {
  if (IrqEnable == 0) DisableInterrupts();
}

}  // namespace velk
