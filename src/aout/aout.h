// Analog output and the digital port.
#pragma once

#include <cstdint>

namespace velk {

void DAVelk(int16_t value);
void DAMultiVelk(const int16_t *values, uint32_t count);
uint16_t DigInVelk();
uint16_t DigOutVelk(uint16_t value);

}  // namespace velk
