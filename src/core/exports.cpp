// The exported functions, in ordinal order (ordinal 9 is vacant). Each one that
// touches the board opens the port bus for the calling thread, then runs its
// operation.
#include "velkio.h"

#include "ain/ain.h"
#include "aout/aout.h"
#include "core/export.h"
#include "core/port_bus.h"
#include "core/state.h"
#include "setup/setup.h"
#include "timer/timer.h"

namespace {

template <auto Operation, typename... Args>
auto OnBoard(Args... args) {
  velk::OpenPortBus();
  return Operation(args...);
}

}  // namespace

VELK_API void SetBaseAddressVelk(uint16_t base) {
  velk::SetBase(base);
}
VELK_API uint16_t TestVelk(void) {
  return OnBoard<velk::TestVelk>();
}
VELK_API uint16_t InitVelk(void) {
  return OnBoard<velk::InitVelk>();
}
VELK_API void IRQVelk(uint16_t enable) {
  velk::IRQVelk(enable);
}
VELK_API void SetADGainVelk(uint16_t gain) {
  OnBoard<velk::SetADGainVelk>(gain);
}

VELK_API void SetTimerVelk(uint16_t counter, uint16_t mode, uint16_t count) {
  OnBoard<velk::SetTimerVelk>(counter, mode, count);
}

VELK_API void StopTimerVelk(uint16_t counter) {
  OnBoard<velk::StopTimerVelk>(counter);
}
VELK_API int16_t ADWaitReadVelk(uint32_t budget) {
  return OnBoard<velk::ADWaitReadVelk>(budget);
}
VELK_API void SetADChanVelk(uint16_t channel) {
  OnBoard<velk::SetADChanVelk>(channel);
}
VELK_API int16_t ADVelk(void) {
  return OnBoard<velk::ADVelk>();
}
VELK_API int16_t ADChanVelk(uint16_t channel) {
  return OnBoard<velk::ADChanVelk>(channel);
}

VELK_API uint16_t ADChansVelk(int16_t *buffer, const uint16_t *channels, uint16_t count) {
  return OnBoard<velk::ADChansVelk>(buffer, channels, count);
}

VELK_API uint16_t ADChanMultiVelk(int16_t *buffer, uint32_t count, uint16_t channel,
                                  uint16_t divisor) {
  return OnBoard<velk::ADChanMultiVelk>(buffer, count, channel, divisor);
}

VELK_API uint16_t ADChansMultiVelk(int16_t *buffer, uint32_t scans, const uint16_t *channels,
                                   uint16_t channelCount, uint16_t divisor) {
  return OnBoard<velk::ADChansMultiVelk>(buffer, scans, channels, channelCount, divisor);
}

VELK_API uint16_t DigInVelk(void) {
  return OnBoard<velk::DigInVelk>();
}
VELK_API uint16_t DigOutVelk(uint16_t value) {
  return OnBoard<velk::DigOutVelk>(value);
}
VELK_API void DAVelk(int16_t value) {
  OnBoard<velk::DAVelk>(value);
}

VELK_API void DAMultiVelk(const int16_t *values, uint32_t count) {
  OnBoard<velk::DAMultiVelk>(values, count);
}

VELK_API uint16_t ADChanMultiSyncVelk(int16_t *buffer, uint32_t count, uint16_t channel,
                                      uint16_t divisor, uint16_t rising, int16_t level) {
  return OnBoard<velk::ADChanMultiSyncVelk>(buffer, count, channel, divisor, rising, level);
}

VELK_API void ADChanMultiFastVelk(int16_t *buffer, uint32_t count, uint16_t channel) {
  OnBoard<velk::ADChanMultiFastVelk>(buffer, count, channel);
}
