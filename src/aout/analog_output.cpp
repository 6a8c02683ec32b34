#include "aout/aout.h"
#include "core/registers.h"

namespace velk {

void DAVelk(int16_t value) {
  WritePort16(DaPort(), ToDaWord(value));
}

void DAMultiVelk(const int16_t *values, uint32_t count) {
  if (count == 0) return;
  MaskInterruptsByPolicy();
  const uint16_t port = DaPort();
  for (uint32_t k = 0; k < count; ++k) {
    WritePort16(port, ToDaWord(values[k]));
    IoDelay(3);  // lets the output settle before the next value
  }
  EnableInterrupts();
}

}  // namespace velk
