#include "core/state.h"

namespace velk {

constinit uint16_t PortTable[kPortCount] = {0x300, 0x302, 0x304, 0x306, 0x308, 0x30A, 0x30C, 0x30E};
constinit uint8_t ControlImage = kInitialControlByte;
constinit uint16_t IrqEnable = 0;

void SetBase(uint16_t base) {
  for (unsigned i = 0; i < kPortCount; ++i)
    PortTable[i] = static_cast<uint16_t>(base + 2 * i);
}

void ResetLibraryState() {
  SetBase(kLoadBase);
  ControlImage = kInitialControlByte;
  IrqEnable = 0;
}

}  // namespace velk
