#include "sim/signals.h"

#include <cmath>

namespace velk::sim {

namespace {

constexpr uint64_t kNsPerSecond = 1000000000;
constexpr double kTwoPi = 6.283185307179586476925;

bool Finite(double x) {
  return std::isfinite(x);
}

double Fraction(double x) {
  return x - std::floor(x);
}

// Where in its period a signal of frequency_hz is at time_ns, from 0 up to 1.
// Whole seconds and the nanoseconds past them are taken apart so that hours of
// simulated time keep nanosecond precision.
double PhaseAt(double frequency_hz, double phase_deg, uint64_t time_ns) {
  const double seconds = static_cast<double>(time_ns / kNsPerSecond);
  const double rest_ns = static_cast<double>(time_ns % kNsPerSecond);
  return Fraction(Fraction(frequency_hz * seconds) + frequency_hz * rest_ns / 1e9 +
                  phase_deg / 360.0);
}

}  // namespace

bool Signals::Set(unsigned channel, const velk_sim_signal &signal) {
  if (channel >= kChannels) return false;
  if (signal.wave < VELK_SIM_DC || signal.wave > VELK_SIM_SAWTOOTH) return false;
  if (!Finite(signal.amplitude_v) || !Finite(signal.offset_v) || !Finite(signal.phase_deg))
    return false;
  if (!Finite(signal.frequency_hz) || signal.frequency_hz < 0) return false;
  if (!Finite(signal.noise_v) || signal.noise_v < 0) return false;
  signals_[channel] = signal;
  recorded_[channel].clear();
  recorded_[channel].shrink_to_fit();
  return true;
}

bool Signals::SetWaveform(unsigned channel, const double *volts, size_t count, double rate_hz) {
  if (channel >= kChannels || volts == nullptr || count == 0) return false;
  if (!Finite(rate_hz) || rate_hz <= 0) return false;
  for (size_t i = 0; i < count; ++i)
    if (!Finite(volts[i])) return false;
  recorded_[channel].assign(volts, volts + count);
  recorded_rate_hz_[channel] = rate_hz;
  signals_[channel] = {VELK_SIM_WAVEFORM, 0.0, rate_hz / static_cast<double>(count), 0.0, 0.0, 0.0};
  return true;
}

bool Signals::Get(unsigned channel, velk_sim_signal &out) const {
  if (channel >= kChannels) return false;
  out = signals_[channel];
  return true;
}

double Signals::Volts(unsigned channel, uint64_t time_ns) {
  const velk_sim_signal &signal = signals_[channel];
  double volts = recorded_[channel].empty() ? Shape(signal, time_ns) : Recorded(channel, time_ns);
  if (signal.noise_v > 0) volts += signal.noise_v * Gaussian();
  return volts;
}

double Signals::Shape(const velk_sim_signal &signal, uint64_t time_ns) const {
  if (signal.wave == VELK_SIM_DC) return signal.offset_v;
  // Every periodic shape rises through its offset at phase 0.
  const double x = PhaseAt(signal.frequency_hz, signal.phase_deg, time_ns);
  double unit = 0;
  switch (signal.wave) {
    case VELK_SIM_SINE:
      unit = std::sin(kTwoPi * x);
      break;
    case VELK_SIM_SQUARE:
      unit = x < 0.5 ? 1.0 : -1.0;
      break;
    case VELK_SIM_TRIANGLE:
      unit = x < 0.25 ? 4 * x : x < 0.75 ? 2 - 4 * x : 4 * x - 4;
      break;
    case VELK_SIM_SAWTOOTH:
      unit = x < 0.5 ? 2 * x : 2 * x - 2;
      break;
    default:
      break;
  }
  return signal.offset_v + signal.amplitude_v * unit;
}

// Each recorded value holds for one sample period; the recording loops.
double Signals::Recorded(unsigned channel, uint64_t time_ns) const {
  const std::vector<double> &volts = recorded_[channel];
  const double rate = recorded_rate_hz_[channel];
  const double length = static_cast<double>(volts.size());
  const double seconds = static_cast<double>(time_ns / kNsPerSecond);
  const double rest_ns = static_cast<double>(time_ns % kNsPerSecond);
  const double position =
      std::fmod(std::fmod(seconds * rate, length) + rest_ns * rate / 1e9, length);
  const size_t index = static_cast<size_t>(position);
  return volts[index < volts.size() ? index : 0];
}

// splitmix64: small, fast and the same everywhere.
uint64_t Signals::NextRandom() {
  uint64_t z = (rng_state_ += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// Box-Muller, one value per call.
double Signals::Gaussian() {
  constexpr double kUnit = 1.0 / 9007199254740992.0;                        // 2^-53
  const double u1 = static_cast<double>((NextRandom() >> 11) + 1) * kUnit;  // (0, 1]
  const double u2 = static_cast<double>(NextRandom() >> 11) * kUnit;        // [0, 1)
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
}

}  // namespace velk::sim
