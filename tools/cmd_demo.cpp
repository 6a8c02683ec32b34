// velkio demo: a tour of the library on the simulated board, for people.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "common.h"
#include "plot.h"

namespace velk::tool {

namespace {

constexpr uint16_t kSineChannel = 0;         // 4 V, 50 Hz on the simulated board
constexpr uint16_t kPacedDivisor = 250;      // 10 kHz at 10 MHz
constexpr uint32_t kPacedSamples = 400;      // two periods of 50 Hz
constexpr uint32_t kTriggeredSamples = 200;  // one period
constexpr double kTriggerVolts = 2.0;
constexpr uint16_t kLoopChannel = 15;
constexpr double kOutputVolts = 6.0;
constexpr uint8_t kDigitalPattern = 0x5A;
constexpr uint16_t kCounter = 2;
constexpr uint16_t kSquareWave = 3;
constexpr uint16_t kCounterCount = 10000;  // 1 kHz at 10 MHz
constexpr int kSteps = 7;
constexpr int kIndent = 4;

void Heading(int step, const char *title) {
  std::printf("\n%d/%d  %s\n", step, kSteps, title);
}

// A chart fitted to the terminal, indented under its heading.
void PrintChart(const Series &series) {
  const std::string chart = Plot({series}, TerminalWidth() - kIndent);
  size_t start = 0;
  while (start < chart.size()) {
    const size_t end = chart.find('\n', start);
    std::printf("%*s%s\n", kIndent, "", chart.substr(start, end - start).c_str());
    start = end + 1;
  }
}

std::string Volts(double volts) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.3f V", volts);
  return text;
}

std::string SignalText(const velk_sim_signal &signal) {
  static const char *const kWaves[] = {"DC", "sine", "square", "triangle", "sawtooth", "recording"};
  const char *wave = signal.wave >= 0 && signal.wave <= 5 ? kWaves[signal.wave] : "?";
  char text[96];
  if (signal.wave == VELK_SIM_DC)
    std::snprintf(text, sizeof text, "DC %+.2f V", signal.offset_v);
  else
    std::snprintf(text, sizeof text, "%s %.2f V %g Hz", wave, signal.amplitude_v,
                  signal.frequency_hz);
  std::string described = text;
  if (signal.noise_v > 0) {
    std::snprintf(text, sizeof text, ", noise %.2f V", signal.noise_v);
    described += text;
  }
  return described;
}

// Ends the demo with status 1 when what the board shows is not what was set.
void Expect(bool holds, const std::string &what) {
  if (!holds) Fail("demo: " + what);
}

void BoardStep(Session &session) {
  const LibraryApi &lib = session.lib();
  Heading(1, "Board");
  const uint16_t init = lib.InitVelk();
  session.ApplyGain();
  const uint16_t ready = lib.TestVelk();
  std::printf("    InitVelk returned %u; TestVelk returned %u: %s\n", init, ready,
              ready ? "a result is waiting, or no board answers"
                    : "the board answers, no result is waiting");
}

void ChannelStep(Session &session) {
  const LibraryApi &lib = session.lib();
  Heading(2, "Every channel once (ADChanVelk)");
  std::printf("    gain code %u: +-%g V, %.3f mV per code\n", session.gain(), session.RangeVolts(),
              session.VoltsPerCode() * 1000);
  std::printf("    simulated time %.3f ms: the periodic signals are near their phase 0\n\n",
              static_cast<double>(session.sim()->velk_sim_time_ns()) * 1e-6);
  std::printf("    %2s  %6s  %9s   %s\n", "ch", "code", "volts", "signal on the simulated board");
  for (uint16_t channel = 0; channel < 16; ++channel) {
    const int16_t code = lib.ADChanVelk(channel);
    Expect(code != kTimeoutSample, "ADChanVelk timed out on channel " + std::to_string(channel));
    velk_sim_signal signal{};
    session.sim()->velk_sim_get_signal(channel, &signal);
    std::printf("    %2u  %6d  %9s   %s\n", channel, code,
                Volts(code * session.VoltsPerCode()).c_str(), SignalText(signal).c_str());
  }
}

std::vector<double> InVolts(const std::vector<int16_t> &codes, double volts_per_code) {
  std::vector<double> volts;
  for (int16_t code : codes)
    volts.push_back(code * volts_per_code);
  return volts;
}

double PacedStep(Session &session) {
  const LibraryApi &lib = session.lib();
  const double period_s = 4.0 * kPacedDivisor / session.clock_hz();
  Heading(3, "A paced block (ADChanMultiVelk)");
  std::printf("    %u samples of channel %u, divisor %u: one every %g ms (%g Hz)\n", kPacedSamples,
              kSineChannel, kPacedDivisor, period_s * 1000, 1 / period_s);
  std::vector<int16_t> codes(kPacedSamples);
  Expect(lib.ADChanMultiVelk(codes.data(), kPacedSamples, kSineChannel, kPacedDivisor) == 0,
         "ADChanMultiVelk timed out");
  Series series{"", InVolts(codes, session.VoltsPerCode()), "V", "0 s", "", {}, {}};
  char last[32];
  std::snprintf(last, sizeof last, "%.4g s", (kPacedSamples - 1) * period_s);
  series.last_x = last;
  PrintChart(series);
  return series.values.front();
}

void TriggerStep(Session &session, double untriggered_start) {
  const LibraryApi &lib = session.lib();
  const auto level = static_cast<int16_t>(std::lround(kTriggerVolts / session.VoltsPerCode()));
  Heading(4, "A level-triggered block (ADChanMultiSyncVelk)");
  std::printf("    channel %u, rising through %s (code %d), %u samples at divisor %u\n",
              kSineChannel, Volts(kTriggerVolts).c_str(), level, kTriggeredSamples, kPacedDivisor);
  std::vector<int16_t> codes(kTriggeredSamples);
  Expect(lib.ADChanMultiSyncVelk(codes.data(), kTriggeredSamples, kSineChannel, kPacedDivisor, 1,
                                 level) == 0,
         "ADChanMultiSyncVelk found no crossing");
  Expect(codes[0] > level, "the triggered block does not start above its level");
  const double start = codes[0] * session.VoltsPerCode();
  Series series{"",
                InVolts(codes, session.VoltsPerCode()),
                "V",
                "0 s",
                "",
                size_t{0},
                "starts here: " + Volts(start) + " (code " + std::to_string(codes[0]) +
                    "), the first sample above the level"};
  char last[32];
  std::snprintf(last, sizeof last, "%.4g s",
                (kTriggeredSamples - 1) * 4.0 * kPacedDivisor / session.clock_hz());
  series.last_x = last;
  PrintChart(series);
  std::printf("    the untriggered block above began wherever the sine was: %s\n",
              Volts(untriggered_start).c_str());
}

void AnalogOutputStep(Session &session) {
  const LibraryApi &lib = session.lib();
  const SimApi &sim = *session.sim();
  const auto code = static_cast<int16_t>(std::lround(kOutputVolts / 10.0 * 2048));
  Heading(5, "Analog output, read back through the loopback (DAVelk, ADChanVelk)");
  sim.velk_sim_loop_analog(kLoopChannel);
  lib.SetADGainVelk(0);  // +-10 V, the output's own range: a code reads back as itself
  lib.DAVelk(code);
  const int16_t back = lib.ADChanVelk(kLoopChannel);
  std::printf("    DAVelk(%d): the output is at %s\n", code,
              Volts(sim.velk_sim_da_volts()).c_str());
  std::printf("    ADChanVelk(%u) at gain code 0 reads code %d (%s)\n", kLoopChannel, back,
              Volts(back * 10.0 / 2048).c_str());
  Expect(back == code, "the analog output read back as " + std::to_string(back) + ", not " +
                           std::to_string(code));
}

void DigitalStep(Session &session) {
  const LibraryApi &lib = session.lib();
  const SimApi &sim = *session.sim();
  Heading(6, "Digital port (DigOutVelk, DigInVelk)");
  const uint16_t input = lib.DigInVelk();
  lib.DigOutVelk(kDigitalPattern);
  sim.velk_sim_loop_digital(1);
  const uint16_t back = lib.DigInVelk();
  std::printf("    input pattern %s; wrote %s; with the loopback the input reads %s\n",
              Hex(input, 2).c_str(), Hex(kDigitalPattern, 2).c_str(), Hex(back, 2).c_str());
  Expect(back == kDigitalPattern, "the digital port read back as " + Hex(back, 2));
}

void CounterStep(Session &session) {
  const LibraryApi &lib = session.lib();
  Heading(7, "Counter 2 (SetTimerVelk)");
  lib.SetTimerVelk(kCounter, kSquareWave, kCounterCount);
  velk_sim_counter state{};
  session.sim()->velk_sim_get_counter(kCounter, &state);
  const double expected_hz = session.clock_hz() / kCounterCount;
  std::printf("    mode %u, count %u: counter 2 is %s at %g Hz (clock / count: %g Hz)\n",
              state.mode, state.count, state.running ? "running" : "stopped", state.output_hz,
              expected_hz);
  Expect(state.running && std::fabs(state.output_hz - expected_hz) < 1e-6 * expected_hz,
         "counter 2 does not run at clock / count");
}

std::optional<Report> RunDemo(Session &session) {
  std::printf("velkio demo on the simulated board at base %s\n    library %s\n",
              Hex(session.base()).c_str(), session.library_path().c_str());
  BoardStep(session);
  ChannelStep(session);
  const double untriggered_start = PacedStep(session);
  TriggerStep(session, untriggered_start);
  AnalogOutputStep(session);
  DigitalStep(session);
  CounterStep(session);
  const SimApi &sim = *session.sim();
  std::printf("\nSummary: all %d steps passed: %llu conversions in %.3f s of simulated time.\n",
              kSteps, static_cast<unsigned long long>(sim.velk_sim_conversions()),
              static_cast<double>(sim.velk_sim_time_ns()) * 1e-9);
  std::fflush(stdout);
  return std::nullopt;
}

}  // namespace

Command AddDemo(CLI::App &app) {
  Command command;
  command.prints_itself = true;
  command.app = AddSubcommand(
      app, "demo", "A tour of the library on the simulated board",
      "A tour on the simulated board: initialise and test it, read every channel, capture "
      "and plot a paced block, capture a level-triggered block, write and read back the "
      "analog output and the digital port, program counter 2, and sum up");
  command.prepare = [](const GlobalOptions &global) {
    if (global.board != "sim")
      Misuse("demo runs on the simulated board only (it wires loopbacks): drop --board hw");
  };
  command.run = [](Session &session) { return RunDemo(session); };
  return command;
}

}  // namespace velk::tool
