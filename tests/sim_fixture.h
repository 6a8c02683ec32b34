// Test helpers for the simulated board: a fixture that resets the bench, and
// expected trace events to compare against what the library did.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "velkio.h"
#include "velkio_sim.h"

namespace velk_test {

inline constexpr uint16_t kBase = 0x300;
inline constexpr uint16_t kStatus = kBase + 0;
inline constexpr uint16_t kData = kBase + 2;
inline constexpr uint16_t kDig = kBase + 4;
inline constexpr uint16_t kDa = kBase + 6;
inline constexpr uint16_t kCounter0 = kBase + 8;
inline constexpr uint16_t kCounter1 = kBase + 10;
inline constexpr uint16_t kCounter2 = kBase + 12;
inline constexpr uint16_t kTimerControl = kBase + 14;
inline constexpr uint16_t kDelayPort = 0x61;
inline constexpr uint16_t kTimeout = VELKIO_TIMEOUT_STATUS;

// One expected bus operation. A read without a value matches any value.
struct Ev {
  uint16_t op;
  uint16_t port;
  std::optional<uint16_t> value;
};

inline Ev R8(uint16_t port, std::optional<uint16_t> value = std::nullopt) {
  return {VELK_SIM_READ8, port, value};
}
inline Ev R16(uint16_t port, std::optional<uint16_t> value = std::nullopt) {
  return {VELK_SIM_READ16, port, value};
}
inline Ev W8(uint16_t port, uint16_t value) {
  return {VELK_SIM_WRITE8, port, value};
}
inline Ev W16(uint16_t port, uint16_t value) {
  return {VELK_SIM_WRITE16, port, value};
}
inline Ev IrqOff() {
  return {VELK_SIM_IRQ_OFF, 0, 0};
}
inline Ev IrqOn() {
  return {VELK_SIM_IRQ_ON, 0, 0};
}
inline Ev Delay() {
  return R8(kDelayPort);
}

// Appends items to a sequence: Seq(a, b, Repeat(Delay(), 4), c).
inline std::vector<Ev> Repeat(const Ev &ev, size_t times) {
  return std::vector<Ev>(times, ev);
}
inline void AppendTo(std::vector<Ev> &out, const Ev &ev) {
  out.push_back(ev);
}
inline void AppendTo(std::vector<Ev> &out, const std::vector<Ev> &evs) {
  out.insert(out.end(), evs.begin(), evs.end());
}
template <typename... Items>
std::vector<Ev> Seq(const Items &...items) {
  std::vector<Ev> out;
  (AppendTo(out, items), ...);
  return out;
}

std::string Describe(uint16_t op, uint16_t port, std::optional<uint16_t> value);

// The whole trace recorded since the last reset or clear.
std::vector<velk_sim_event> Trace();

// Compares the recorded trace with expected, event by event.
testing::AssertionResult TraceIs(const std::vector<Ev> &expected);

// Scripted answers.
inline void Script(uint16_t port, const std::vector<uint16_t> &values) {
  velk_sim_script(port, values.data(), values.size());
}
// A status port that shows the ready bit first at read number n.
void ReadyAtRead(uint64_t n);

inline uint64_t Count(velk_sim_op op, uint16_t port = 0) {
  return velk_sim_count(op, port);
}

// Raw data word of a sample, as the board codes it.
constexpr uint16_t RawWord(int16_t sample) {
  return static_cast<uint16_t>((static_cast<uint16_t>(sample) + 0x800u) ^ 0xF800u);
}

// Resets the bench before every test; the board answers every read with 0
// until a test scripts it otherwise, so the traces do not depend on the board.
class SimTest : public testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace velk_test
