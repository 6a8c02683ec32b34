// The signal sources wired to the simulated board's 16 analog inputs. A source
// is evaluated only when a conversion samples it, at the simulated time of the
// sample, so the same calls give the same volts on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "velkio_sim.h"

namespace velk::sim {

class Signals {
 public:
  static constexpr unsigned kChannels = 16;
  static constexpr uint64_t kDefaultSeed = 1;

  // Each returns false, changing nothing, for an argument out of its range.
  bool Set(unsigned channel, const velk_sim_signal &signal);
  bool SetWaveform(unsigned channel, const double *volts, size_t count, double rate_hz);
  bool Get(unsigned channel, velk_sim_signal &out) const;
  void Seed(uint64_t seed) { rng_state_ = seed; }

  // The input of channel at time_ns, noise included. Draws from the noise
  // generator only for a channel with noise.
  double Volts(unsigned channel, uint64_t time_ns);

 private:
  double Shape(const velk_sim_signal &signal, uint64_t time_ns) const;
  double Recorded(unsigned channel, uint64_t time_ns) const;
  uint64_t NextRandom();
  double Gaussian();

  velk_sim_signal signals_[kChannels] = {
      {VELK_SIM_SINE, 4.0, 50.0, 0.0, 0.0, 0.0},    {VELK_SIM_SINE, 2.0, 1000.0, 0.0, 0.0, 0.0},
      {VELK_SIM_SQUARE, 3.0, 10.0, 0.0, 0.0, 0.0},  {VELK_SIM_TRIANGLE, 3.0, 20.0, 0.0, 0.0, 0.0},
      {VELK_SIM_SAWTOOTH, 3.0, 5.0, 0.0, 0.0, 0.0}, {VELK_SIM_SINE, 1.0, 50.0, 0.0, 0.0, 0.05},
      {VELK_SIM_SINE, 4.5, 0.5, 0.0, 0.0, 0.0},     {VELK_SIM_DC, 0.0, 0.0, 0.0, 0.0, 0.01},
      {VELK_SIM_DC, 0.0, 0.0, -3.5, 0.0, 0.0},      {VELK_SIM_DC, 0.0, 0.0, -2.5, 0.0, 0.0},
      {VELK_SIM_DC, 0.0, 0.0, -1.5, 0.0, 0.0},      {VELK_SIM_DC, 0.0, 0.0, -0.5, 0.0, 0.0},
      {VELK_SIM_DC, 0.0, 0.0, 0.5, 0.0, 0.0},       {VELK_SIM_DC, 0.0, 0.0, 1.5, 0.0, 0.0},
      {VELK_SIM_DC, 0.0, 0.0, 2.5, 0.0, 0.0},       {VELK_SIM_DC, 0.0, 0.0, 3.5, 0.0, 0.0},
  };
  // A channel playing back recorded volts has them here; empty otherwise.
  std::vector<double> recorded_[kChannels];
  double recorded_rate_hz_[kChannels] = {};
  uint64_t rng_state_ = kDefaultSeed;
};

}  // namespace velk::sim
