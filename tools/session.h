// The board a run works on, set up from the options every subcommand shares,
// and the pieces the subcommands have in common: pacing, samples and reports.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend.h"
#include "output.h"

namespace CLI {
class App;
}

namespace velk::tool {

inline constexpr double kDefaultClockHz = 10e6;
inline constexpr double kMaxClockHz = 1e9;
inline constexpr unsigned kDefaultGain = 1;  // the library's gain code until one is set
inline constexpr uint16_t kDefaultBase = 0x300;
inline constexpr uint16_t kMaxBase = 0xFFF0;  // the 16 ports must lie below 0x10000
inline constexpr int kMaxDivisor = 65536;     // loaded into the counter as 0
inline constexpr uint32_t kMaxSamples = 10'000'000;
inline constexpr uint32_t kSinglePollBudget = 10;
inline constexpr uint32_t kPacedPollBudget = 128000;

// The options of every subcommand.
struct GlobalOptions {
  std::string board = "sim";
  int base = kDefaultBase;
  std::optional<int> gain;
  double clock_hz = kDefaultClockHz;
  bool clock_given = false;
  std::string format = "csv";
  std::string output;
  bool plot = false;
  std::string sim_fault = "none";
};

void AddGlobalOptions(CLI::App &app, GlobalOptions &options);

class Session {
 public:
  // Checks port access for the hardware board, loads the library, moves the
  // board to the base address and sets up the simulated board. Throws Failure.
  explicit Session(const GlobalOptions &options);

  const LibraryApi &lib() const { return backend_.lib; }
  // The simulated board's controls; nullptr on the hardware board.
  const SimApi *sim() const { return is_sim() ? &backend_.sim : nullptr; }
  bool is_sim() const { return backend_.kind == BoardKind::kSim; }
  const std::string &board_name() const { return board_name_; }
  const std::string &library_path() const { return backend_.path; }
  uint16_t base() const { return base_; }
  double clock_hz() const { return clock_hz_; }

  // The gain code conversions run at: --gain, else the library's own.
  unsigned gain() const { return gain_.value_or(kDefaultGain); }
  bool gain_given() const { return gain_.has_value(); }
  // Sends --gain to the board (SetADGainVelk); nothing without it.
  void ApplyGain() const;
  // Volts of one code at the gain in force: (10 V / 2^gain) / 2048.
  double VoltsPerCode() const { return RangeVolts() / 2048.0; }
  double RangeVolts() const { return 10.0 / (1u << gain()); }

  // The settings every report starts with.
  std::vector<Setting> Settings(const std::string &command) const;

 private:
  Backend backend_;
  std::string board_name_;
  uint16_t base_;
  std::optional<unsigned> gain_;
  double clock_hz_;
};

// --divisor or --rate, for the subcommands that run the pacer.
struct Pacing {
  std::optional<int> divisor;
  std::optional<double> rate_hz;
};

void AddPacingOptions(CLI::App &app, Pacing &pacing, int default_divisor);

// The divisor to load (0 stands for 65536) and the pacer's period.
struct PacerSetting {
  uint16_t divisor = 0;
  double period_s = 0;
  double rate_hz = 0;
};

// Throws UsageError for a rate the pacer cannot reach.
PacerSetting ResolvePacing(const Pacing &pacing, int default_divisor, double clock_hz);

// A block of samples as the library stored it.
struct SampleBlock {
  std::vector<int16_t> codes;
  std::vector<uint16_t> channels;  // row i is channels[i % channels.size()]
  std::optional<double> period_s;  // between scans (or samples) of a paced block
  double volts_per_code = 0;
};

// The rows index, time_s, channel, code, volts of a block, with its settings
// and a chart for --plot.
Report SamplesReport(std::vector<Setting> settings, std::shared_ptr<const SampleBlock> block);

// The library's time-out sample and status.
inline constexpr int16_t kTimeoutSample = VELKIO_TIMEOUT_STATUS;

// How many entries of a block filled with kTimeoutSample the library stored
// before it stopped.
size_t StoredSamples(const std::vector<int16_t> &codes);

std::string ChannelListText(const std::vector<uint16_t> &channels);

}  // namespace velk::tool
