// Board setup: initialisation, the ready test, gain, channel and interrupt policy.
#pragma once

#include <cstdint>

namespace velk {

uint16_t TestVelk();
uint16_t InitVelk();
void IRQVelk(uint16_t enable);
void SetADGainVelk(uint16_t gain);
void SetADChanVelk(uint16_t channel);

}  // namespace velk
