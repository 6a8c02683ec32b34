#include "minimal_loops.h"

#include <algorithm>

#include "core/codings.h"
#include "sim/bench.h"

namespace velk_bench::minimal {

namespace {

using velk::ToDaWord;
using velk::ToSample;
using velk::sim::bench;

constexpr uint16_t kDelayPort = 0x61;
constexpr uint16_t kReady = 0x80;
constexpr uint16_t kTrigger = 0xFFFF;
constexpr uint16_t kTimeout = 0x7FFF;
constexpr uint32_t kPacedBudget = 128000;
constexpr uint32_t kSearchBudget = 1000000;

struct Ports {
  explicit Ports(uint16_t base)
      : status(base),
        data(static_cast<uint16_t>(base + 2)),
        da(static_cast<uint16_t>(base + 6)),
        counter0(static_cast<uint16_t>(base + 8)),
        counter1(static_cast<uint16_t>(base + 10)),
        timer_control(static_cast<uint16_t>(base + 14)) {}
  uint16_t status, data, da, counter0, counter1, timer_control;
};

void Delay() {
  (void)bench.Read8(kDelayPort);
}

uint8_t Control(uint8_t image, uint16_t channel) {
  return static_cast<uint8_t>((image & 0xF0) | (channel & 0x0F));
}

uint16_t Next(const uint16_t *channels, uint16_t i, uint16_t count) {
  return i + 1 < count ? channels[i + 1] : channels[0];
}

void InterruptsOff() {
  bench.SetInterrupts(false, VELK_SIM_IRQ_OFF);
}

void InterruptsOn() {
  bench.SetInterrupts(true, VELK_SIM_IRQ_ON);
}

// Counter 0 in mode 2 with 4, then counter 1 in mode 2 with the divisor.
void StartPacer(const Ports &ports, uint16_t divisor) {
  bench.Write8(ports.timer_control, 0x34);
  bench.Write8(ports.counter0, 4);
  Delay();
  bench.Write8(ports.counter0, 0);
  bench.Write8(ports.timer_control, 0x74);
  bench.Write8(ports.counter1, static_cast<uint8_t>(divisor & 0xFF));
  Delay();
  bench.Write8(ports.counter1, static_cast<uint8_t>(divisor >> 8));
}

uint16_t Close(const Ports &ports, uint16_t status) {
  InterruptsOn();
  bench.Write8(ports.timer_control, 0x30);
  return status;
}

bool Wait(uint16_t status_port, uint32_t budget) {
  do {
    if ((bench.Read16(status_port) & kReady) != 0) return true;
  } while (--budget != 0);
  return false;
}

int16_t Sample(uint16_t data_port) {
  return ToSample(bench.Read16(data_port));
}

bool Crosses(int16_t previous, int16_t current, bool rising, int16_t level) {
  return rising ? previous < level && current > level : previous > level && current < level;
}

}  // namespace

// Each loop has every bench access inlined into it (flatten), whatever the
// compiler would choose on its own: it is the cheapest code for its accesses.

[[gnu::flatten]] void FastBurst(uint16_t base, int16_t *buffer, uint32_t count, uint8_t control) {
  const Ports ports(base);
  bench.Write8(ports.data, control);
  InterruptsOff();
  (void)bench.Read16(ports.data);
  for (uint32_t k = 0; k < count; ++k) {
    Delay();
    buffer[k] = Sample(ports.data);
  }
  InterruptsOn();
}

[[gnu::flatten]] uint16_t ChannelList(uint16_t base, int16_t *buffer, const uint16_t *channels,
                                      uint16_t count, uint8_t image) {
  const Ports ports(base);
  bench.Write16(ports.data, Control(image, channels[0]));
  for (int d = 0; d < 4; ++d)
    Delay();
  (void)bench.Read16(ports.data);
  for (uint16_t i = 0; i < count; ++i) {
    bench.Write16(ports.status, kTrigger);
    Delay();
    bench.Write16(ports.data, Control(image, Next(channels, i, count)));
    for (int d = 0; d < 4; ++d)
      Delay();
    if ((bench.Read16(ports.status) & kReady) == 0) return kTimeout;
    buffer[i] = Sample(ports.data);
  }
  return 0;
}

[[gnu::flatten]] uint16_t PacedBlock(uint16_t base, int16_t *buffer, uint32_t count,
                                     uint8_t control, uint16_t divisor) {
  const Ports ports(base);
  bench.Write16(ports.data, control);
  StartPacer(ports, divisor);
  InterruptsOff();
  (void)bench.Read16(ports.data);
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wait(ports.status, kPacedBudget)) return Close(ports, kTimeout);
    buffer[k] = Sample(ports.data);
  }
  return Close(ports, 0);
}

[[gnu::flatten]] uint16_t ChannelScans(uint16_t base, int16_t *buffer, uint32_t scans,
                                       const uint16_t *channels, uint16_t channel_count,
                                       uint16_t divisor, uint8_t image) {
  const Ports ports(base);
  StartPacer(ports, divisor);
  const unsigned settle = std::min((static_cast<uint16_t>(divisor / channel_count) >> 4) + 1, 50);
  InterruptsOff();
  bench.Write16(ports.data, Control(image, channels[0]));
  for (unsigned r = 0; r < settle; ++r)
    (void)bench.Read16(ports.data);
  for (uint32_t s = 0; s < scans; ++s, buffer += channel_count) {
    if (!Wait(ports.status, kPacedBudget)) return Close(ports, kTimeout);
    for (uint16_t i = 0; i < channel_count; ++i) {
      bench.Write16(ports.status, kTrigger);
      Delay();
      bench.Write16(ports.data, Control(image, Next(channels, i, channel_count)));
      uint16_t status = 0;
      for (unsigned r = 0; r < settle; ++r)
        status = bench.Read16(ports.status);
      if ((status & kReady) == 0) return Close(ports, kTimeout);
      buffer[i] = Sample(ports.data);
    }
  }
  return Close(ports, 0);
}

[[gnu::flatten]] uint16_t TriggeredBlock(uint16_t base, int16_t *buffer, uint32_t count,
                                         uint8_t control, uint16_t divisor, bool rising,
                                         int16_t level) {
  const Ports ports(base);
  level = std::clamp<int16_t>(level, -2047, 2046);
  bench.Write16(ports.data, control);
  StartPacer(ports, divisor);
  InterruptsOff();
  (void)bench.Read16(ports.data);
  if (!Wait(ports.status, kPacedBudget)) return Close(ports, kTimeout);
  int16_t previous = Sample(ports.data);
  for (uint32_t left = kSearchBudget; --left != 0;) {
    if (!Wait(ports.status, kPacedBudget)) return Close(ports, kTimeout);
    const int16_t current = Sample(ports.data);
    if (Crosses(previous, current, rising, level)) {
      buffer[0] = current;
      for (uint32_t k = 1; k < count; ++k) {
        if (!Wait(ports.status, kPacedBudget)) return Close(ports, kTimeout);
        buffer[k] = Sample(ports.data);
      }
      return Close(ports, 0);
    }
    previous = current;
  }
  return Close(ports, kTimeout);
}

[[gnu::flatten]] void OutputBlock(uint16_t base, const int16_t *values, uint32_t count) {
  const Ports ports(base);
  InterruptsOff();
  for (uint32_t k = 0; k < count; ++k) {
    bench.Write16(ports.da, ToDaWord(values[k]));
    Delay();
    Delay();
    Delay();
  }
  InterruptsOn();
}

}  // namespace velk_bench::minimal
