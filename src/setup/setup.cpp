#include "setup/setup.h"

#include "core/registers.h"
#include "timer/timer.h"

namespace velk {

uint16_t TestVelk() {
  DisableInterrupts();
  DiscardDataWord();
  const uint16_t status = ReadStatus();
  EnableInterrupts();
  return IsReady(status) ? 1 : 0;
}

uint16_t InitVelk() {
  StopPacer();
  ControlImage = kInitialControlByte;
  WriteControl(ControlImage);
  IoDelay();
  DiscardDataWord();
  return kSuccess;
}

void IRQVelk(uint16_t enable) {
  IrqEnable = enable;
}

void SetADGainVelk(uint16_t gain) {
  ControlImage = WithGain(ControlImage, gain);
  WriteControl(ControlImage);
}

void SetADChanVelk(uint16_t channel) {
  ControlImage = WithChannel(ControlImage, channel);
  WriteControl(ControlImage);
  IoDelay();
  DiscardDataWord();
}

}  // namespace velk
