#include "session.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common.h"

namespace velk::tool {

namespace {

unsigned FaultBits(const std::string &fault) {
  if (fault == "never-ready") return VELK_SIM_FAULT_NEVER_READY;
  if (fault == "absent") return VELK_SIM_FAULT_ABSENT;
  return 0;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g s", seconds);
  return text;
}

}  // namespace

void AddGlobalOptions(CLI::App &app, GlobalOptions &options) {
  app.add_option("--board", options.board,
                 "The board: sim, the simulated board (libvelkio-sim.so.1), or hw, the board "
                 "in the I/O ports (libvelkio.so.1; needs root or CAP_SYS_RAWIO)")
      ->check(CLI::IsMember({"sim", "hw"}))
      ->capture_default_str();
  app.add_option("--base", options.base,
                 "The board's base address, 0-0xfff0 (decimal or 0x hex); its 16 ports follow")
      ->transform(IntegerIn(0, kMaxBase, true))
      ->default_str("0x300");
  app.add_option("--gain", options.gain,
                 "Gain code 0-3 of the conversions: input range +-10 V / 2^gain (+-10, +-5, "
                 "+-2.5, +-1.25 V). Without it the library's gain code 1 (+-5 V) is used. "
                 "Volts = code * range / 2048")
      ->transform(IntegerIn(0, 3));
  app.add_option("--clock", options.clock_hz,
                 "The counter/timer's input clock in hertz, to turn --rate into a divisor and "
                 "divisors into times (10 MHz on the board; --board sim runs its clock at it)")
      ->transform(RealIn(1, kMaxClockHz))
      ->default_str("10000000");
  app.add_option("--format", options.format,
                 "Output format: csv (a header row, then one row per sample), json (the "
                 "settings and the rows), raw (the codes as little-endian int16, nothing else)")
      ->check(CLI::IsMember({"csv", "json", "raw"}))
      ->capture_default_str();
  app.add_option("-o,--output", options.output,
                 "Write the data to FILE instead of standard output; a run that fails leaves "
                 "no file behind")
      ->type_name("FILE");
  app.add_flag("--plot", options.plot,
               "Draw the samples as a chart fitted to the terminal's width (COLUMNS, else the "
               "terminal, else 80). The chart goes to standard output, in place of the data "
               "unless --output takes the data");
  app.add_option("--sim-fault", options.sim_fault,
                 "A fault of the simulated board: none, never-ready (no conversion ever "
                 "finishes, so every wait times out) or absent (no board answers)")
      ->check(CLI::IsMember({"none", "never-ready", "absent"}))
      ->capture_default_str();
}

Session::Session(const GlobalOptions &options)
    : board_name_(options.board),
      base_(static_cast<uint16_t>(options.base)),
      clock_hz_(options.clock_hz) {
  if (options.gain) gain_ = static_cast<unsigned>(*options.gain);
  const BoardKind kind = options.board == "hw" ? BoardKind::kHardware : BoardKind::kSim;
  // Before the library is even loaded: a refused port is reported, not met.
  if (kind == BoardKind::kHardware) RequirePortAccess(base_);
  backend_ = LoadBackend(kind);
  lib().SetBaseAddressVelk(base_);
  if (const SimApi *board = sim()) {
    // The trace is for tests of the library; a long acquisition would fill memory with it.
    board->velk_sim_trace_enable(0);
    if (options.clock_given)
      board->velk_sim_set_clock_hz(static_cast<uint32_t>(std::llround(clock_hz_)));
    board->velk_sim_set_faults(FaultBits(options.sim_fault));
  }
}

void Session::ApplyGain() const {
  if (gain_) lib().SetADGainVelk(static_cast<uint16_t>(*gain_));
}

std::vector<Setting> Session::Settings(const std::string &command) const {
  return {{"command", Cell::Text(command)},        {"board", Cell::Text(board_name_)},
          {"library", Cell::Text(library_path())}, {"base", Cell::Text(Hex(base_))},
          {"gain", Cell::Integer(gain())},         {"range_volts", Cell::Real(RangeVolts())},
          {"clock_hz", Cell::Real(clock_hz_)}};
}

void AddPacingOptions(CLI::App &app, Pacing &pacing, int default_divisor) {
  const std::string fallback = default_divisor == 0 ? "without either, the pacer is not started"
                                                    : "default " + std::to_string(default_divisor);
  auto *divisor = app.add_option("--divisor", pacing.divisor,
                                 "Pacer divisor 1-65536: a conversion every 4 * divisor clock "
                                 "periods (" +
                                     fallback + ")")
                      ->transform(IntegerIn(1, kMaxDivisor))
                      ->type_name("D");
  auto *rate = app.add_option("--rate", pacing.rate_hz,
                              "Pacer rate in hertz, turned into the nearest divisor: "
                              "divisor = clock / (4 * rate)")
                   ->transform(PositiveReal())
                   ->type_name("HZ");
  divisor->excludes(rate);
}

PacerSetting ResolvePacing(const Pacing &pacing, int default_divisor, double clock_hz) {
  int64_t divisor = pacing.divisor.value_or(default_divisor);
  if (pacing.rate_hz) {
    const double exact = clock_hz / (4 * *pacing.rate_hz);
    divisor = exact < 1 ? 0 : std::llround(exact);
    if (divisor < 1 || divisor > kMaxDivisor) {
      char why[200];
      std::snprintf(why, sizeof why,
                    "--rate %g Hz is out of the pacer's reach: at a clock of %g Hz it runs "
                    "from %.6g Hz to %.6g Hz",
                    *pacing.rate_hz, clock_hz, clock_hz / (4.0 * kMaxDivisor), clock_hz / 4);
      Misuse(why);
    }
  }
  PacerSetting setting;
  setting.divisor = static_cast<uint16_t>(divisor);  // 65536 is loaded as 0
  setting.period_s = 4.0 * static_cast<double>(divisor) / clock_hz;
  setting.rate_hz = 1 / setting.period_s;
  return setting;
}

Report SamplesReport(std::vector<Setting> settings, std::shared_ptr<const SampleBlock> block) {
  Report report;
  report.settings = std::move(settings);
  report.rows = block->codes.size();
  report.raw_column = "code";
  const size_t width = block->channels.size();
  auto channel = [block, width](size_t row) { return block->channels[row % width]; };
  report.columns = {
      {"index", [](size_t row) { return Cell::Integer(static_cast<int64_t>(row)); }},
      {"time_s",
       [block, width](size_t row) {
         if (!block->period_s) return Cell::Empty();
         return Cell::Real(static_cast<double>(row / width) * *block->period_s);
       },
       "%.10g"},
      {"channel", [channel](size_t row) { return Cell::Integer(channel(row)); }},
      {"code", [block](size_t row) { return Cell::Integer(block->codes[row]); }},
      {"volts",
       [block](size_t row) { return Cell::Real(block->codes[row] * block->volts_per_code); }},
  };

  // One chart per list position; a list read once is one chart across it.
  const size_t passes = block->codes.size() / std::max<size_t>(width, 1);
  if (passes <= 1 && width > 1) {
    Series series{"channels " + ChannelListText(block->channels),
                  {},
                  "V",
                  "ch " + std::to_string(block->channels.front()),
                  "ch " + std::to_string(block->channels.back()),
                  {},
                  {}};
    for (int16_t code : block->codes)
      series.values.push_back(code * block->volts_per_code);
    report.plot.push_back(std::move(series));
    return report;
  }
  for (size_t i = 0; i < width; ++i) {
    Series series;
    series.title = "channel " + std::to_string(block->channels[i]);
    series.unit = "V";
    for (size_t row = i; row < block->codes.size(); row += width)
      series.values.push_back(block->codes[row] * block->volts_per_code);
    const size_t last = series.values.empty() ? 0 : series.values.size() - 1;
    if (block->period_s) {
      series.first_x = "0 s";
      series.last_x = Seconds(static_cast<double>(last) * *block->period_s);
    } else {
      series.first_x = "sample 0";
      series.last_x = "sample " + std::to_string(last);
    }
    report.plot.push_back(std::move(series));
  }
  return report;
}

size_t StoredSamples(const std::vector<int16_t> &codes) {
  return static_cast<size_t>(std::find(codes.begin(), codes.end(), kTimeoutSample) - codes.begin());
}

std::string ChannelListText(const std::vector<uint16_t> &channels) {
  std::string text;
  for (size_t i = 0; i < channels.size();) {
    size_t j = i;
    while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1)
      ++j;
    if (!text.empty()) text += ',';
    text += std::to_string(channels[i]);
    if (j > i) text += "-" + std::to_string(channels[j]);
    i = j + 1;
  }
  return text;
}

}  // namespace velk::tool
