#include "aout/aout.h"
#include "core/registers.h"

namespace velk {

uint16_t DigInVelk() {
  return ReadPort8(DigPort());
}

uint16_t DigOutVelk(uint16_t value) {
  WritePort8(DigPort(), static_cast<uint8_t>(value & 0xFF));
  return 0;
}

}  // namespace velk
