// The output subcommands: ao (analog output), dio (digital port), timer.
#include <CLI/CLI.hpp>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>

#include "commands.h"
#include "common.h"

namespace velk::tool {

namespace {

// The analog output spans -10 V (code -2048) to +10 V * 2047/2048 (code 2047).
constexpr double kOutputVoltsPerCode = 10.0 / 2048;

// --- ao -------------------------------------------------------------------

struct WaveOptions {
  std::string shape;
  double amplitude_v = 5;
  double offset_v = 0;
  uint32_t points = 100;
  double cycles = 1;
};

struct AnalogOutputOptions {
  std::optional<int> code;
  std::optional<double> volts;
  WaveOptions wave;
  std::string file;
  std::optional<int> readback;
  bool leave_interrupts = false;
  std::vector<int16_t> values;  // made by prepare
};

double WaveAt(const std::string &shape, double phase) {
  const double cycle = phase - std::floor(phase);
  if (shape == "sine") return std::sin(2 * std::numbers::pi * cycle);
  if (shape == "square") return cycle < 0.5 ? 1 : -1;
  if (shape == "triangle")
    return cycle < 0.25 ? 4 * cycle : cycle < 0.75 ? 2 - 4 * cycle : 4 * cycle - 4;
  // sawtooth: 0 at phase 0, rising from -1 to +1 over the period
  return cycle < 0.5 ? 2 * cycle : 2 * cycle - 2;
}

int16_t OutputCode(double volts, const std::string &what) {
  const long code = std::lround(volts / kOutputVoltsPerCode);
  if (code < -2048 || code > 2047) {
    char why[160];
    std::snprintf(why, sizeof why,
                  "%s reaches %.4g V, outside the analog output's -10 V to +9.995 V", what.c_str(),
                  volts);
    Misuse(why);
  }
  return static_cast<int16_t>(code);
}

std::vector<int16_t> WaveValues(const WaveOptions &wave) {
  std::vector<int16_t> values;
  for (uint32_t i = 0; i < wave.points; ++i) {
    const double phase = wave.cycles * i / wave.points;
    values.push_back(
        OutputCode(wave.offset_v + wave.amplitude_v * WaveAt(wave.shape, phase), "the waveform"));
  }
  return values;
}

// Codes from a file: little-endian int16 for a name ending in .raw, else text
// with one code per line (blank lines and lines from # on are skipped).
std::vector<int16_t> FileValues(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Misuse("--file " + path + " cannot be read");
  std::vector<int16_t> values;
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".raw") == 0) {
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() % 2 != 0) Misuse("--file " + path + " has an odd number of bytes");
    for (size_t i = 0; i < bytes.size(); i += 2)
      values.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                            static_cast<uint8_t>(bytes[i + 1]) << 8));
  } else {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      line = line.substr(0, line.find('#'));
      const size_t first = line.find_first_not_of(" \t\r");
      if (first == std::string::npos) continue;
      line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
      const std::optional<int64_t> code = ParseInteger(line);
      if (!code || *code < -2048 || *code > 2047)
        Misuse("--file " + path + " line " + std::to_string(number) + ": '" + line +
               "' is not a code -2048 to 2047");
      values.push_back(static_cast<int16_t>(*code));
    }
  }
  if (values.empty()) Misuse("--file " + path + " holds no values");
  if (values.size() > kMaxSamples)
    Misuse("--file " + path + " holds more than " + std::to_string(kMaxSamples) + " values");
  return values;
}

void PrepareAnalogOutput(AnalogOutputOptions &options) {
  const int sources = options.code.has_value() + options.volts.has_value() +
                      !options.wave.shape.empty() + !options.file.empty();
  if (sources != 1) Misuse("ao needs exactly one of: a CODE, --volts, --wave or --file");
  if (options.code) options.values = {static_cast<int16_t>(*options.code)};
  if (options.volts) options.values = {OutputCode(*options.volts, "--volts")};
  if (!options.wave.shape.empty()) options.values = WaveValues(options.wave);
  if (!options.file.empty()) options.values = FileValues(options.file);
  if (options.readback && options.values.size() != 1)
    Misuse("--readback applies to one value, not a block");
}

std::optional<Report> RunAnalogOutput(Session &session, const AnalogOutputOptions &options) {
  const LibraryApi &lib = session.lib();
  auto values = std::make_shared<const std::vector<int16_t>>(options.values);
  if (values->size() == 1) {
    lib.DAVelk(values->front());
  } else {
    if (options.leave_interrupts) lib.IRQVelk(1);
    lib.DAMultiVelk(values->data(), static_cast<uint32_t>(values->size()));
  }

  Report report;
  report.settings = session.Settings("ao");
  report.settings.push_back({"method", Cell::Text(values->size() == 1 ? "DAVelk" : "DAMultiVelk")});
  if (const SimApi *sim = session.sim())
    report.settings.push_back({"output_volts", Cell::Real(sim->velk_sim_da_volts())});
  report.rows = values->size();
  report.raw_column = "code";
  report.columns = {
      {"index", [](size_t row) { return Cell::Integer(static_cast<int64_t>(row)); }},
      {"code", [values](size_t row) { return Cell::Integer((*values)[row]); }},
      {"volts", [values](size_t row) { return Cell::Real((*values)[row] * kOutputVoltsPerCode); }},
  };
  Series series{
      "analog output", {}, "V", "value 0", "value " + std::to_string(values->size() - 1), {}, {}};
  for (int16_t code : *values)
    series.values.push_back(code * kOutputVoltsPerCode);
  report.plot.push_back(std::move(series));

  if (options.readback) {
    // At gain code 0 the input range matches the output's, so a code reads back as itself.
    const auto channel = static_cast<uint16_t>(*options.readback);
    if (session.gain_given())
      session.ApplyGain();
    else
      lib.SetADGainVelk(0);
    const double volts_per_code = (session.gain_given() ? session.RangeVolts() : 10.0) / 2048;
    if (const SimApi *sim = session.sim()) sim->velk_sim_loop_analog(channel);
    const int16_t code = lib.ADChanVelk(channel);
    if (code == kTimeoutSample)
      Fail("ao --readback timed out: ADChanVelk on channel " + std::to_string(channel) +
           " saw no conversion ready within " + std::to_string(kSinglePollBudget) +
           " status reads.");
    report.columns.push_back(
        {"readback_channel", [channel](size_t) { return Cell::Integer(channel); }});
    report.columns.push_back({"readback_code", [code](size_t) { return Cell::Integer(code); }});
    report.columns.push_back(
        {"readback_volts", [v = code * volts_per_code](size_t) { return Cell::Real(v); }});
  }
  return report;
}

// --- dio ------------------------------------------------------------------

struct DigitalOptions {
  std::optional<int> write;
  bool read = false;
  bool loopback = false;
};

std::string Bits(unsigned byte) {
  std::string bits;
  for (int bit = 7; bit >= 0; --bit)
    bits += (byte >> bit) & 1 ? '1' : '0';
  return bits;
}

std::optional<Report> RunDigital(Session &session, const DigitalOptions &options) {
  const LibraryApi &lib = session.lib();
  if (options.loopback) session.sim()->velk_sim_loop_digital(1);
  std::vector<std::pair<std::string, unsigned>> rows;
  if (options.write) {
    lib.DigOutVelk(static_cast<uint16_t>(*options.write));
    rows.push_back({"out", static_cast<unsigned>(*options.write)});
  }
  if (options.read || !options.write) rows.push_back({"in", lib.DigInVelk()});

  Report report;
  report.settings = session.Settings("dio");
  report.rows = rows.size();
  report.columns = {
      {"direction", [rows](size_t row) { return Cell::Text(rows[row].first); }},
      {"value", [rows](size_t row) { return Cell::Integer(rows[row].second); }},
      {"hex", [rows](size_t row) { return Cell::Text(Hex(rows[row].second, 2)); }},
      {"bits", [rows](size_t row) { return Cell::Text(Bits(rows[row].second)); }},
  };
  return report;
}

// --- timer ----------------------------------------------------------------

struct TimerOptions {
  int counter = 0;
  int mode = 3;
  std::optional<int> count;
  std::optional<double> rate_hz;
  bool stop = false;
  int load = 0;  // the count to load, from --count or --rate, made by prepare
};

constexpr int kMaxCount = 65536;  // loaded as 0

void PrepareTimer(TimerOptions &options, const GlobalOptions &global) {
  if (options.stop) return;
  if (!options.count && !options.rate_hz) Misuse("timer needs --count, --rate or --stop");
  if (options.rate_hz && options.counter == 1)
    Misuse(
        "--rate applies to counters 0 and 2, which count the clock; counter 1 counts the "
        "pulses of counter 0: give it --count");
  options.load = options.count.value_or(0);
  if (options.rate_hz) {
    const double exact = global.clock_hz / *options.rate_hz;
    options.load = exact < 1 ? 0 : static_cast<int>(std::min(std::llround(exact), 1LL << 20));
    if (options.load < 1 || options.load > kMaxCount) {
      char why[160];
      std::snprintf(why, sizeof why,
                    "--rate %g Hz is out of the counter's reach: at a clock of %g Hz it runs "
                    "from %.6g Hz to %.6g Hz",
                    *options.rate_hz, global.clock_hz, global.clock_hz / kMaxCount,
                    global.clock_hz);
      Misuse(why);
    }
  }
}

std::optional<Report> RunTimer(Session &session, const TimerOptions &options) {
  const LibraryApi &lib = session.lib();
  const auto counter = static_cast<uint16_t>(options.counter);
  if (options.stop)
    lib.StopTimerVelk(counter);
  else
    lib.SetTimerVelk(counter, static_cast<uint16_t>(options.mode),
                     static_cast<uint16_t>(options.load));  // 65536 is loaded as 0

  Report report;
  report.settings = session.Settings("timer");
  report.rows = 1;
  auto number = [](int64_t value) -> CellFunction {
    return [value](size_t) { return Cell::Integer(value); };
  };
  const CellFunction empty = [](size_t) { return Cell::Empty(); };
  const bool periodic = !options.stop && (options.mode == 2 || options.mode == 3);
  // Counter 1 counts the pulses of counter 0, not the clock.
  const bool on_clock = counter != 1;
  const double rate_hz = periodic && on_clock ? session.clock_hz() / options.load : 0;
  report.columns = {
      {"counter", number(counter)},
      {"action", [stop = options.stop](size_t) { return Cell::Text(stop ? "stop" : "set"); }},
      {"mode", options.stop ? empty : number(options.mode)},
      {"count", options.stop ? empty : number(options.load)},
      {"rate_hz",
       rate_hz > 0 ? CellFunction([rate_hz](size_t) { return Cell::Real(rate_hz); }) : empty,
       "%.10g"},
  };
  if (const SimApi *sim = session.sim()) {
    // What the simulated counter does now, read back from the board.
    velk_sim_counter state{};
    sim->velk_sim_get_counter(counter, &state);
    report.columns.push_back({"running", number(state.running)});
    report.columns.push_back(
        {"output_hz", [hz = state.output_hz](size_t) { return Cell::Real(hz); }, "%.10g"});
  }
  return report;
}

}  // namespace

Command AddAnalogOutput(CLI::App &app) {
  auto options = std::make_shared<AnalogOutputOptions>();
  Command command;
  command.samples = true;
  CLI::App &ao = *AddSubcommand(
      app, "ao", "Write the analog output: one value or a waveform block",
      "Write the analog output: one value (DAVelk), or a block of values in order "
      "(DAMultiVelk) from a waveform or a file. The output spans -10 V (code -2048) to "
      "+9.995 V (code 2047): volts = code * 10 / 2048. Prints the values written");
  command.app = &ao;
  ao.add_option("CODE", options->code, "One output code, -2048 to 2047")
      ->transform(IntegerIn(-2048, 2047));
  ao.add_option("--volts", options->volts, "One output value in volts, -10 to 9.995")
      ->transform(RealIn(-10, 10));
  ao.add_option("--wave", options->wave.shape,
                "A waveform block: sine, square, triangle or sawtooth")
      ->check(CLI::IsMember({"sine", "square", "triangle", "sawtooth"}));
  auto *wave = ao.get_option("--wave");
  ao.add_option("--amplitude", options->wave.amplitude_v, "Waveform amplitude in volts")
      ->transform(RealIn(0, 20))
      ->capture_default_str()
      ->needs(wave);
  ao.add_option("--offset", options->wave.offset_v, "Waveform offset in volts")
      ->transform(RealIn(-10, 10))
      ->capture_default_str()
      ->needs(wave);
  ao.add_option("--points", options->wave.points, "Values in the waveform block")
      ->transform(IntegerIn(1, kMaxSamples))
      ->capture_default_str()
      ->needs(wave);
  ao.add_option("--cycles", options->wave.cycles, "Periods of the waveform in the block")
      ->transform(PositiveReal())
      ->capture_default_str()
      ->needs(wave);
  ao.add_option("--file", options->file,
                "A block of codes from FILE: little-endian int16 if its name ends in .raw "
                "(as --format raw writes), else text, one code per line")
      ->type_name("FILE");
  ao.add_option("--readback", options->readback,
                "After writing one value, read it back on A/D channel CH (ADChanVelk) at gain "
                "code 0 unless --gain is given. The simulated board wires the output to CH; "
                "on the board, wire it yourself")
      ->transform(IntegerIn(0, 15))
      ->type_name("CH");
  AddLeaveInterruptsOption(ao, options->leave_interrupts);
  command.prepare = [options](const GlobalOptions &) { PrepareAnalogOutput(*options); };
  command.run = [options](Session &session) { return RunAnalogOutput(session, *options); };
  return command;
}

Command AddDigital(CLI::App &app) {
  auto options = std::make_shared<DigitalOptions>();
  Command command;
  CLI::App &dio = *AddSubcommand(
      app, "dio", "Read or write the 8-bit digital port",
      "Read the 8-bit digital input (DigInVelk), or write the output (DigOutVelk). Prints a "
      "row per access: direction, value, hex, bits (bit 7 first)");
  command.app = &dio;
  auto *write = dio.add_option("-w,--write", options->write, "Write VALUE, 0-255, to the output")
                    ->transform(IntegerIn(0, 255))
                    ->type_name("VALUE");
  dio.add_flag("-r,--read", options->read, "With --write: read the input after writing")
      ->needs(write);
  dio.add_flag("--loopback", options->loopback,
               "Simulated board only: the input reads the output latch");
  command.prepare = [options](const GlobalOptions &global) {
    if (options->loopback && global.board != "sim")
      Misuse("--loopback needs --board sim: on the board, wire the output to the input");
  };
  command.run = [options](Session &session) { return RunDigital(session, *options); };
  return command;
}

Command AddTimer(CLI::App &app) {
  auto options = std::make_shared<TimerOptions>();
  Command command;
  CLI::App &timer = *AddSubcommand(
      app, "timer", "Program or stop a counter of the counter/timer",
      "Program a counter of the 8254 counter/timer (SetTimerVelk) or stop it (StopTimerVelk). "
      "Counters 0 and 2 count the clock; counter 1 counts counter 0's pulses, and each of its "
      "pulses starts a conversion (0 and 1 are the pacer). The counter keeps running after "
      "the tool exits");
  command.app = &timer;
  timer.add_option("COUNTER", options->counter, "Counter 0, 1 or 2")
      ->transform(IntegerIn(0, 2))
      ->required();
  auto *mode =
      timer
          .add_option("--mode", options->mode, "8254 mode 0-5 (2: rate generator, 3: square wave)")
          ->transform(IntegerIn(0, 5))
          ->capture_default_str();
  auto *count =
      timer.add_option("--count", options->count, "Initial count 1-65536 (65536 is loaded as 0)")
          ->transform(IntegerIn(1, kMaxCount));
  auto *rate = timer
                   .add_option("--rate", options->rate_hz,
                               "Output rate in hertz of counter 0 or 2 in mode 2 or 3: "
                               "count = clock / rate")
                   ->transform(PositiveReal());
  timer.add_flag("--stop", options->stop, "Stop the counter (a control word in mode 0)")
      ->excludes(mode)
      ->excludes(count)
      ->excludes(rate);
  count->excludes(rate);
  command.prepare = [options](const GlobalOptions &global) { PrepareTimer(*options, global); };
  command.run = [options](Session &session) { return RunTimer(session, *options); };
  return command;
}

}  // namespace velk::tool
