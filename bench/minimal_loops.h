// Minimal hand-written loops: each makes exactly the bus operations of one
// block operation of the library, on the same bench, with the same sample and
// output codings, and nothing else. Like the library they take the board's
// base address at run time, and work out the port numbers once per call; they
// assume the library's interrupt policy at its load value (interrupts masked).
// Measured against them, the library's time shows its own overhead.
#pragma once

#include <cstdint>

namespace velk_bench::minimal {

// control is the control byte selecting the channel; image is the control byte
// whose channel field a channel list replaces.
void FastBurst(uint16_t base, int16_t *buffer, uint32_t count, uint8_t control);
uint16_t ChannelList(uint16_t base, int16_t *buffer, const uint16_t *channels, uint16_t count,
                     uint8_t image);
uint16_t PacedBlock(uint16_t base, int16_t *buffer, uint32_t count, uint8_t control,
                    uint16_t divisor);
uint16_t ChannelScans(uint16_t base, int16_t *buffer, uint32_t scans, const uint16_t *channels,
                      uint16_t channel_count, uint16_t divisor, uint8_t image);
uint16_t TriggeredBlock(uint16_t base, int16_t *buffer, uint32_t count, uint8_t control,
                        uint16_t divisor, bool rising, int16_t level);
void OutputBlock(uint16_t base, const int16_t *values, uint32_t count);

}  // namespace velk_bench::minimal
