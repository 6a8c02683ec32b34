// The codings between board words and signed numbers, and the control-byte rules.
#pragma once

#include <cstdint>

namespace velk {

// Raw A/D data word -> sample. The board's 12-bit result is two's complement in
// bits 11-0 with bits 15-12 set; every other word maps one-to-one as well.
constexpr int16_t ToSample(uint16_t raw) {
  return static_cast<int16_t>(static_cast<uint16_t>((raw ^ 0xF800u) - 0x800u));
}

// Signed value -> analog output word, offset binary with 0 at mid-scale. Not clamped.
constexpr uint16_t ToDaWord(int16_t value) {
  return static_cast<uint16_t>(static_cast<uint16_t>(value) + 0x800u);
}

// Control byte: channel in bits 3-0, gain code in bits 5-4, bit 7 set.
constexpr uint8_t WithGain(uint8_t control, uint16_t gain) {
  return static_cast<uint8_t>((control & 0xCF) | ((gain & 3) << 4));
}

// Replaces the channel field, so the byte selects exactly the channel asked for
// whatever channel the setting held.
constexpr uint8_t WithChannel(uint8_t control, uint16_t channel) {
  return static_cast<uint8_t>((control & 0xF0) | (channel & 0x0F));
}

}  // namespace velk
