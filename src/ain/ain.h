// Analog input operations.
#pragma once

#include <cstdint>

namespace velk {

int16_t ADVelk();
int16_t ADChanVelk(uint16_t channel);
int16_t ADWaitReadVelk(uint32_t budget);

uint16_t ADChansVelk(int16_t *buffer, const uint16_t *channels, uint16_t count);
void ADChanMultiFastVelk(int16_t *buffer, uint32_t count, uint16_t channel);

uint16_t ADChanMultiVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor);
uint16_t ADChansMultiVelk(int16_t *buffer, uint32_t scans, const uint16_t *channels,
                          uint16_t channel_count, uint16_t divisor);
unsigned SettleReads(uint16_t divisor, uint16_t channel_count);

uint16_t ADChanMultiSyncVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor,
                             uint16_t rising, int16_t level);

}  // namespace velk
