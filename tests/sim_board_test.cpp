// The simulated board itself, seen through the library's own operations: no
// script stands between them, so every answer is the board's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

#include "sim_fixture.h"
#include "velkio.h"
#include "velkio_sim.h"

namespace velk_test {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kPacedPollBudget = 128000;

class BoardTest : public testing::Test {
 protected:
  void SetUp() override {
    velk_sim_reset();
    velk_sim_trace_enable(0);  // long blocks; the counts are enough
  }
};

velk_sim_signal Dc(double volts) {
  return {VELK_SIM_DC, 0.0, 0.0, volts, 0.0, 0.0};
}
velk_sim_signal Wave(velk_sim_wave wave, double amplitude, double hz, double noise = 0.0) {
  return {wave, amplitude, hz, 0.0, 0.0, noise};
}
void Feed(uint16_t channel, const velk_sim_signal &signal) {
  ASSERT_EQ(velk_sim_set_signal(channel, &signal), 0);
}

// Volts as codes in the range of a gain code: +-10 V / 2^gain over 2048 codes.
double Codes(double volts, unsigned gain) {
  return volts / (10.0 / (1u << gain)) * 2048.0;
}
int16_t Code(double volts, unsigned gain) {
  return static_cast<int16_t>(std::clamp(std::floor(Codes(volts, gain) + 0.5), -2048.0, 2047.0));
}

// A sine found in a block of samples.
struct SineFit {
  double cycles_per_sample;
  double amplitude;  // codes
  double residual_rms;
};

// The frequency from the first and last rising crossings of the mean (armed
// only after the signal fell below mean - hysteresis, so that noise near the
// mean counts once), then a least-squares fit of sine, cosine and offset.
SineFit FitSine(const std::vector<int16_t> &x, double hysteresis) {
  const double n = static_cast<double>(x.size());
  const double mean = std::accumulate(x.begin(), x.end(), 0.0) / n;
  double first = -1, last = -1;
  int crossings = 0;
  bool armed = false;
  for (size_t i = 1; i < x.size(); ++i) {
    if (x[i - 1] < mean - hysteresis) armed = true;
    if (armed && x[i - 1] < mean && x[i] >= mean) {
      const double at = static_cast<double>(i - 1) + (mean - x[i - 1]) / (x[i] - x[i - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
      armed = false;
    }
  }
  SineFit fit{0, 0, 0};
  if (crossings < 2) return fit;
  fit.cycles_per_sample = (crossings - 1) / (last - first);

  // Normal equations of x ~ a sin + b cos + c.
  const double w = 2 * kPi * fit.cycles_per_sample;
  double m[3][4] = {};
  for (size_t i = 0; i < x.size(); ++i) {
    const double basis[3] = {std::sin(w * i), std::cos(w * i), 1.0};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c)
        m[r][c] += basis[r] * basis[c];
      m[r][3] += basis[r] * x[i];
    }
  }
  for (int p = 0; p < 3; ++p)
    for (int r = p + 1; r < 3; ++r) {
      const double f = m[r][p] / m[p][p];
      for (int c = p; c < 4; ++c)
        m[r][c] -= f * m[p][c];
    }
  double coef[3];
  for (int r = 2; r >= 0; --r) {
    double s = m[r][3];
    for (int c = r + 1; c < 3; ++c)
      s -= m[r][c] * coef[c];
    coef[r] = s / m[r][r];
  }
  fit.amplitude = std::hypot(coef[0], coef[1]);
  double squares = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    const double e = x[i] - (coef[0] * std::sin(w * i) + coef[1] * std::cos(w * i) + coef[2]);
    squares += e * e;
  }
  fit.residual_rms = std::sqrt(squares / n);
  return fit;
}

// ---------------------------------------------------------------------------
// Paced acquisition

// The pacer starts a conversion every 4 x divisor input clocks, so a paced
// block of a sine shows the sine's frequency at that rate and its amplitude
// in the range the gain selects.
TEST_F(BoardTest, PacedSineComesBackWithItsFrequencyAndAmplitude) {
  struct Case {
    uint32_t clock_hz;
    uint16_t divisor;
    uint16_t gain;
    double hz;
    double amplitude;
    double noise;
  };
  const Case cases[] = {
      {10000000, 500, 1, 50.0, 4.0, 0.0},  {10000000, 1000, 0, 123.0, 7.0, 0.0},
      {4000000, 100, 2, 1000.0, 2.0, 0.0}, {10000000, 500, 1, 50.0, 4.0, 0.05},
      {1000000, 50, 3, 50.0, 1.0, 0.01},   {10000000, 0, 1, 1.0, 4.5, 0.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.hz << " Hz, clock " << c.clock_hz << ", divisor "
                                    << c.divisor << ", noise " << c.noise);
    velk_sim_reset();
    velk_sim_trace_enable(0);
    ASSERT_EQ(velk_sim_set_clock_hz(c.clock_hz), 0);
    Feed(6, Wave(VELK_SIM_SINE, c.amplitude, c.hz, c.noise));
    SetADGainVelk(c.gain);

    std::vector<int16_t> block(1200);
    ASSERT_EQ(ADChanMultiVelk(block.data(), static_cast<uint32_t>(block.size()), 6, c.divisor), 0);

    const double pacer_hz = c.clock_hz / (4.0 * (c.divisor == 0 ? 65536 : c.divisor));
    const double amplitude = Codes(c.amplitude, c.gain);
    const double noise = Codes(c.noise, c.gain);
    const SineFit fit = FitSine(block, amplitude / 2);
    EXPECT_NEAR(fit.cycles_per_sample * pacer_hz, c.hz, c.hz * 0.01);
    EXPECT_NEAR(fit.amplitude, amplitude, c.noise > 0 ? noise : 1.0);
    if (c.noise > 0)
      EXPECT_NEAR(fit.residual_rms, noise, noise * 0.2) << "the noise has the deviation set";
    else
      EXPECT_LT(fit.residual_rms, 1.0) << "only the rounding to codes";
  }
}

TEST_F(BoardTest, NoiseRepeatsForASeedAndDiffersForAnother) {
  Feed(7, Wave(VELK_SIM_DC, 0.0, 0.0, 0.5));
  auto block = [](uint64_t seed) {
    velk_sim_set_seed(seed);
    std::vector<int16_t> samples(64);
    EXPECT_EQ(ADChanMultiVelk(samples.data(), 64, 7, 500), 0);
    return samples;
  };
  const std::vector<int16_t> first = block(42);
  EXPECT_EQ(block(42), first);
  EXPECT_NE(block(43), first);
  EXPECT_GT(
      *std::max_element(first.begin(), first.end()) - *std::min_element(first.begin(), first.end()),
      100);
}

// Each entry of a scan holds its own channel's signal.
TEST_F(BoardTest, ScansInterleaveChannelsWithTheirSignals) {
  Feed(3, Dc(1.0));
  Feed(7, Dc(-2.0));
  Feed(9, Dc(4.9));
  Feed(12, Wave(VELK_SIM_SINE, 3.0, 50.0));
  const std::vector<uint16_t> channels = {3, 12, 7, 9};
  const uint32_t scans = 400;
  std::vector<int16_t> buffer(scans * channels.size());

  ASSERT_EQ(ADChansMultiVelk(buffer.data(), scans, channels.data(), 4, 500), 0);
  std::vector<int16_t> sine;
  for (uint32_t s = 0; s < scans; ++s) {
    const int16_t *scan = &buffer[s * 4];
    ASSERT_EQ(scan[0], Code(1.0, 1)) << "scan " << s;
    ASSERT_EQ(scan[2], Code(-2.0, 1)) << "scan " << s;
    ASSERT_EQ(scan[3], Code(4.9, 1)) << "scan " << s;
    sine.push_back(scan[1]);
  }
  // One scan per pacer period: 5 kHz at divisor 500.
  const SineFit fit = FitSine(sine, Codes(3.0, 1) / 2);
  EXPECT_NEAR(fit.cycles_per_sample * 5000, 50.0, 0.5);
  EXPECT_NEAR(fit.amplitude, Codes(3.0, 1), 1.0);

  // The unpaced list gives the same levels.
  std::vector<int16_t> once(4);
  ASSERT_EQ(ADChansVelk(once.data(), channels.data(), 4), 0);
  EXPECT_EQ(once[0], Code(1.0, 1));
  EXPECT_EQ(once[2], Code(-2.0, 1));
  EXPECT_EQ(once[3], Code(4.9, 1));
}

// The gain code selects +-10 V / 2^gain; codes round to the nearest step and
// clip at the range ends.
TEST_F(BoardTest, GainSelectsTheRangeAndCodesClipAtItsEnds) {
  struct Case {
    double volts;
    uint16_t gain;
    int16_t sample;
  };
  const Case cases[] = {
      {3.0, 0, 614},
      {3.0, 1, 1229},
      {3.0, 2, 2047},
      {3.0, 3, 2047},
      {-3.0, 3, -2048},
      {-10.0, 0, -2048},
      {-12.0, 0, -2048},
      {9.999, 0, 2047},
      {0.0, 2, 0},
      {0.0012, 2, 1},
      {-0.0012, 2, -1},
      {1.25 * 2047 / 2048, 3, 2047},
      {-0.6103515625, 3, -1000},
  };
  for (const Case &c : cases) {
    Feed(11, Dc(c.volts));
    SetADGainVelk(c.gain);
    EXPECT_EQ(ADChanVelk(11), c.sample) << c.volts << " V at gain " << c.gain;
  }
}

// Signals the converter cannot follow still give a code inside the range.
TEST_F(BoardTest, ExtremeSignalsGiveCodesInsideTheRange) {
  struct Case {
    velk_sim_signal signal;
    int16_t sample;
  };
  const Case cases[] = {
      {{VELK_SIM_SQUARE, 1e308, 1.0, 1e308, 0.0, 0.0}, 2047},  // overflows to infinity
      {{VELK_SIM_SQUARE, 1e308, 1.0, -1e308, 0.0, 1e300}, 0},  // 0 V plus noise
      {{VELK_SIM_SINE, 1.0, 1e300, 0.0, 0.0, 0.0}, 0},         // no phase left to keep
  };
  for (const Case &c : cases) {
    Feed(10, c.signal);
    const int16_t sample = ADChanVelk(10);
    if (c.signal.noise_v > 0)
      EXPECT_TRUE(sample == 2047 || sample == -2048) << "noise of 1e300 V clips";
    else
      EXPECT_EQ(sample, c.sample) << "amplitude " << c.signal.amplitude_v;
  }
}

// A conversion samples the channel in the control register when it starts;
// selecting the next channel while it runs does not change its result.
TEST_F(BoardTest, ConversionKeepsTheChannelItStartedOn) {
  Feed(1, Dc(1.0));
  Feed(2, Dc(-1.0));
  SetADChanVelk(1);
  velk_sim_set_conversion_ns(20000);
  ADVelk();          // starts on channel 1, times out after 10 reads
  SetADChanVelk(2);  // discards the data word of no conversion yet
  EXPECT_EQ(ADWaitReadVelk(100), Code(1.0, 1));
  EXPECT_EQ(ADVelk(), kTimeout) << "20 us do not fit in 10 status reads";
  EXPECT_EQ(ADWaitReadVelk(100), Code(-1.0, 1));
}

// ---------------------------------------------------------------------------
// Level-triggered acquisition

TEST_F(BoardTest, TriggeredBlockStartsAtTheCrossing) {
  const double amplitude = Codes(4.0, 1);
  // A 50 Hz sine at 5 kHz moves at most this many codes from one sample to the next.
  const double step = amplitude * 2 * kPi * 50 / 5000;
  Feed(2, Wave(VELK_SIM_SINE, 4.0, 50.0));
  struct Case {
    uint16_t rising;
    int16_t level;
  };
  for (const Case c :
       {Case{1, 0}, Case{1, 1000}, Case{1, -1200}, Case{0, 0}, Case{0, -800}, Case{0, 1300}}) {
    SCOPED_TRACE(testing::Message() << (c.rising ? "rising" : "falling") << " through " << c.level);
    std::vector<int16_t> block(50);
    ASSERT_EQ(ADChanMultiSyncVelk(block.data(), 50, 2, 500, c.rising, c.level), 0);
    const double beyond = c.rising ? block[0] - c.level : c.level - block[0];
    EXPECT_GT(beyond, 0);
    EXPECT_LE(beyond, step + 1) << "the first sample past the level";
    for (int k = 1; k < 5; ++k)
      EXPECT_EQ(block[k] > block[k - 1], c.rising != 0) << "the block goes on the same way";
  }
}

// ---------------------------------------------------------------------------
// Timing and its limits

// Each bus operation, of every kind, moves simulated time by one bus cycle.
TEST_F(BoardTest, EveryAccessLastsOneBusCycle) {
  struct Case {
    const char *name;
    std::function<void()> call;
    uint64_t accesses;
  };
  const int16_t values[5] = {};
  const Case cases[] = {
      {"ADWaitReadVelk(100) on an idle converter", [] { ADWaitReadVelk(100); }, 100},
      {"DAMultiVelk of 5 values", [&values] { DAMultiVelk(values, 5); }, 20},
      {"SetTimerVelk", [] { SetTimerVelk(2, 3, 100); }, 4},
      {"DigInVelk", [] { DigInVelk(); }, 1},
      {"ADChanVelk, ready at the 4th read", [] { ADChanVelk(8); }, 12},
  };
  for (uint32_t cycle : {1000u, 250u, 3u}) {
    ASSERT_EQ(velk_sim_set_bus_cycle_ns(cycle), 0);
    velk_sim_set_conversion_ns(4 * cycle);
    for (const Case &c : cases) {
      const uint64_t before = velk_sim_time_ns();
      c.call();
      EXPECT_EQ(velk_sim_time_ns() - before, c.accesses * cycle)
          << c.name << ", " << cycle << " ns";
    }
  }
  // A scripted read still takes its cycle.
  velk_sim_script_default(kStatus, 0x80);
  const uint64_t before = velk_sim_time_ns();
  ADWaitReadVelk(1);
  EXPECT_EQ(velk_sim_time_ns() - before, 2u * 3);
}

// A pacer period shorter than the conversion time restarts every conversion
// before it ends: the paced operations time out as on the real board. The
// single status check of ADChansVelk comes 7 bus cycles after its trigger.
TEST_F(BoardTest, AcquisitionFasterThanTheConverterTimesOut) {
  struct Case {
    uint32_t conversion_ns;
    uint16_t divisor;
    bool paced_ok;
    bool list_ok;
  };
  const Case cases[] = {
      {4000, 10, true, true}, {4000, 9, false, true}, {2000, 5, true, true},
      {2000, 4, false, true}, {7000, 18, true, true}, {7001, 18, true, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "conversion " << c.conversion_ns << " ns, divisor " << c.divisor);
    velk_sim_set_conversion_ns(c.conversion_ns);
    velk_sim_trace_clear();
    std::vector<int16_t> block(200, 0x1234);
    EXPECT_EQ(ADChanMultiVelk(block.data(), 200, 8, c.divisor), c.paced_ok ? 0 : kTimeout);
    if (c.paced_ok) {
      EXPECT_EQ(block[199], Code(-3.5, 1));
    } else {
      EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), kPacedPollBudget);
      EXPECT_EQ(block[0], 0x1234);
    }
    std::vector<int16_t> list(2);
    const uint16_t channels[2] = {8, 15};
    EXPECT_EQ(ADChansVelk(list.data(), channels, 2), c.list_ok ? 0 : kTimeout);
  }
}

// The scans of ADChansMultiVelk must fit between two pacer ticks, and each
// run of status reads must outlast the conversion.
TEST_F(BoardTest, ScanLimitsLieWhereDocumented) {
  const uint16_t channels[16] = {8, 15, 9, 14, 10, 13, 11, 12, 8, 15, 9, 14, 10, 13, 11, 12};
  struct Case {
    uint16_t count;
    uint16_t fastest_divisor;
  };
  for (const Case c : {Case{1, 10}, Case{2, 40}, Case{4, 70}, Case{8, 130}, Case{16, 256}}) {
    for (uint16_t divisor : {static_cast<uint16_t>(c.fastest_divisor - 1), c.fastest_divisor}) {
      velk_sim_reset();
      velk_sim_trace_enable(0);
      std::vector<int16_t> buffer(4u * c.count);
      bool right = ADChansMultiVelk(buffer.data(), 4, channels, c.count, divisor) == 0;
      for (size_t i = 0; right && i < buffer.size(); ++i)
        right = buffer[i] == Code(channels[i % c.count] - 11.5, 1);
      EXPECT_EQ(right, divisor == c.fastest_divisor) << c.count << " channels, divisor " << divisor;
    }
  }
}

// ---------------------------------------------------------------------------
// Counter/timer

TEST_F(BoardTest, CountersShowTheirModeCountAndRun) {
  auto counter = [](uint16_t n) {
    velk_sim_counter state{};
    EXPECT_EQ(velk_sim_get_counter(n, &state), 0);
    return state;
  };
  struct Case {
    const char *name;
    std::function<void()> call;
    uint16_t counter;
    uint16_t mode;
    uint32_t count;
    int32_t running;
    double output_hz;
  };
  const Case cases[] = {
      {"never programmed", [] {}, 2, 0, 0, 0, 0.0},
      {"square wave", [] { SetTimerVelk(2, 3, 500); }, 2, 3, 500, 1, 20000.0},
      {"rate generator, count 0", [] { SetTimerVelk(2, 2, 0); }, 2, 2, 65536, 1, 10e6 / 65536},
      {"mode 6 acts as 2", [] { SetTimerVelk(2, 6, 1000); }, 2, 2, 1000, 1, 10000.0},
      {"mode 7 acts as 3", [] { SetTimerVelk(2, 7, 1000); }, 2, 3, 1000, 1, 10000.0},
      {"stopped by a control word", [] { StopTimerVelk(2); }, 2, 0, 1000, 0, 0.0},
      {"mode 0 before its terminal count", [] { SetTimerVelk(2, 0, 100); }, 2, 0, 100, 1, 0.0},
      {"mode 0 after 101 clocks",
       [] {
         for (int i = 0; i < 11; ++i)
           DigInVelk();  // 11 us
       },
       2, 0, 100, 0, 0.0},
      {"mode 1 waits for a gate", [] { SetTimerVelk(2, 1, 100); }, 2, 1, 100, 0, 0.0},
      {"pacer counter 0 while paced", [] { SetTimerVelk(0, 2, 4); }, 0, 2, 4, 1, 2.5e6},
      {"pacer counter 1 while paced", [] { SetTimerVelk(1, 2, 500); }, 1, 2, 500, 1, 5000.0},
      {"counter 0 after a paced block",
       [] {
         int16_t s[1];
         ADChanMultiVelk(s, 1, 0, 250);
       },
       0, 0, 4, 0, 0.0},
      {"counter 1 after a paced block", [] {}, 1, 2, 250, 1, 0.0},
  };
  for (const Case &c : cases) {
    c.call();
    const velk_sim_counter state = counter(c.counter);
    EXPECT_EQ(state.mode, c.mode) << c.name;
    EXPECT_EQ(state.count, c.count) << c.name;
    EXPECT_EQ(state.running, c.running) << c.name;
    EXPECT_DOUBLE_EQ(state.output_hz, c.output_hz) << c.name;
  }
  velk_sim_counter state;
  EXPECT_EQ(velk_sim_get_counter(3, &state), -1);
  EXPECT_EQ(velk_sim_get_counter(0, nullptr), -1);
}

// Counters 0 and 1 programmed by the application pace the converter too;
// results nobody reads are overwritten, the newest winning.
TEST_F(BoardTest, PacerProgrammedByTheApplicationConvertsUntilStopped) {
  // A ramp from 0 to 1 V over 20 ms, one value a microsecond: about 8 codes
  // per 100 us at gain code 3.
  std::vector<double> ramp(20000);
  for (size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = static_cast<double>(i) * 5e-5;
  auto ramp_at = [](uint64_t ns) { return Code(static_cast<double>(ns / 1000) * 5e-5, 3); };
  ASSERT_EQ(velk_sim_set_waveform(4, ramp.data(), ramp.size(), 1e6), 0);
  SetADGainVelk(3);
  SetADChanVelk(4);
  SetTimerVelk(0, 2, 4);
  SetTimerVelk(1, 2, 250);  // 10 MHz / 1000: one conversion every 100 us
  const uint64_t start = velk_sim_time_ns();
  for (int i = 0; i < 10000; ++i)
    DigInVelk();
  const uint64_t elapsed = velk_sim_time_ns() - start;
  EXPECT_NEAR(static_cast<double>(velk_sim_conversions()), elapsed / 100000.0, 1.0);
  EXPECT_EQ(velk_sim_overruns(), velk_sim_conversions() - 1);

  // The newest result: the ramp at a tick within the last 100 us.
  const uint64_t now = velk_sim_time_ns();
  const int16_t sample = ADWaitReadVelk(1);
  EXPECT_GE(sample, ramp_at(now - 100000));
  EXPECT_LE(sample, ramp_at(now));
  EXPECT_GT(sample, 700) << "not the first result, of 100 us in";
  EXPECT_EQ(ADWaitReadVelk(1), kTimeout) << "the result was read";

  StopTimerVelk(0);
  for (int i = 0; i < 10; ++i)
    DigInVelk();  // a conversion under way still ends
  const uint64_t conversions = velk_sim_conversions();
  for (int i = 0; i < 1000; ++i)
    DigInVelk();
  EXPECT_EQ(velk_sim_conversions(), conversions) << "counter 0 stopped, counter 1 gets no pulses";
}

// An unpaced burst takes whatever the data register holds: it follows the
// conversions the pacer starts.
TEST_F(BoardTest, BurstReadsFollowTheDataRegister) {
  std::vector<int16_t> burst(4);
  ADChanMultiFastVelk(burst.data(), 4, 9);
  EXPECT_EQ(burst, std::vector<int16_t>(4, 0)) << "no conversion yet: the register's 0 V";

  Feed(9, Wave(VELK_SIM_SAWTOOTH, 4.0, 1000.0));
  SetTimerVelk(0, 2, 4);
  SetTimerVelk(1, 2, 10);  // a conversion every 4 us; the burst reads every 2 us
  burst.assign(600, 0);
  ADChanMultiFastVelk(burst.data(), 600, 9);  // 1.2 periods of the sawtooth
  size_t changes = 0;
  for (size_t i = 1; i < burst.size(); ++i)
    changes += burst[i] != burst[i - 1];
  EXPECT_GE(changes, 298u);
  EXPECT_LE(changes, 300u);
  EXPECT_GT(*std::max_element(burst.begin(), burst.end()), 1400);
  EXPECT_LT(*std::min_element(burst.begin(), burst.end()), -1400);
}

// ---------------------------------------------------------------------------
// Analog output, digital port, recorded signals

TEST_F(BoardTest, AnalogOutputReadsBackThroughTheLoopback) {
  ASSERT_EQ(velk_sim_loop_analog(13), 0);
  struct Case {
    int16_t value;
    uint16_t gain;
    int16_t sample;
  };
  const Case cases[] = {
      {-2048, 0, -2048}, {-1000, 0, -1000}, {0, 0, 0},        {1, 0, 1},
      {2047, 0, 2047},   {2048, 0, -2048},  {-2049, 0, 2047}, {600, 1, 1200},
      {1500, 1, 2047},   {-300, 3, -2048},  {100, 3, 800},
  };
  for (const Case &c : cases) {
    SetADGainVelk(c.gain);
    DAVelk(c.value);
    EXPECT_EQ(velk_sim_da_word(), static_cast<uint16_t>(c.value + 0x800));
    EXPECT_DOUBLE_EQ(velk_sim_da_volts(), ((c.value + 0x800) & 0xFFF) * 10.0 / 2048 - 10.0);
    EXPECT_EQ(ADChanVelk(13), c.sample) << "value " << c.value << " at gain " << c.gain;
  }
  ASSERT_EQ(velk_sim_loop_analog(-1), 0);
  Feed(13, Dc(-4.0));
  SetADGainVelk(1);
  EXPECT_EQ(ADChanVelk(13), Code(-4.0, 1)) << "the channel's own signal again";
}

TEST_F(BoardTest, DigitalPortHasALatchAnInputPatternAndALoopback) {
  EXPECT_EQ(DigInVelk(), 0xA5) << "the pattern at reset";
  EXPECT_EQ(velk_sim_digital_output(), 0);
  DigOutVelk(0x15A);
  EXPECT_EQ(velk_sim_digital_output(), 0x5A);
  velk_sim_set_digital_input(0x3C);
  EXPECT_EQ(DigInVelk(), 0x3C);
  velk_sim_loop_digital(1);
  EXPECT_EQ(DigInVelk(), 0x5A);
  DigOutVelk(0xFF);
  EXPECT_EQ(DigInVelk(), 0xFF);
  velk_sim_loop_digital(0);
  EXPECT_EQ(DigInVelk(), 0x3C);
}

// A recording plays back at its own rate and loops.
TEST_F(BoardTest, RecordedSignalPlaysBackAtItsRate) {
  std::vector<double> volts(50);
  for (size_t i = 0; i < volts.size(); ++i)
    volts[i] = (static_cast<double>(i) - 25.0) / 8.0;  // distinct codes at gain 1
  struct Case {
    double rate_hz;
    size_t repeats;  // paced samples per recorded value
  };
  for (const Case c : {Case{5000, 1}, Case{2500, 2}, Case{1000, 5}}) {
    SCOPED_TRACE(testing::Message() << c.rate_hz << " Hz");
    ASSERT_EQ(velk_sim_set_waveform(5, volts.data(), volts.size(), c.rate_hz), 0);
    std::vector<int16_t> block(300);
    ASSERT_EQ(ADChanMultiVelk(block.data(), 300, 5, 500), 0);  // 5 kHz
    // Where the block starts in the recording: the value of its first sample.
    const auto first =
        std::find_if(volts.begin(), volts.end(), [&](double v) { return Code(v, 1) == block[0]; });
    ASSERT_NE(first, volts.end());
    size_t index = static_cast<size_t>(first - volts.begin());
    size_t held = 0;
    while (held < c.repeats && block[held] == block[0])
      ++held;
    for (size_t k = 0; k < block.size(); ++k) {
      const size_t position = k + (c.repeats - held);  // the first value may be part-played
      ASSERT_EQ(block[k], Code(volts[(index + position / c.repeats) % volts.size()], 1))
          << "sample " << k;
    }
  }
  velk_sim_signal signal;
  ASSERT_EQ(velk_sim_get_signal(5, &signal), 0);
  EXPECT_EQ(signal.wave, VELK_SIM_WAVEFORM);
  EXPECT_DOUBLE_EQ(signal.frequency_hz, 1000.0 / 50);
}

// ---------------------------------------------------------------------------
// Faults

TEST_F(BoardTest, FaultsGiveTheResultsTheLibraryPromises) {
  struct Case {
    const char *name;
    unsigned faults;
    std::function<uint16_t()> call;
    uint16_t result;
    uint64_t status_reads;
  };
  std::vector<int16_t> block(8, 0x1234);
  const uint16_t channels[2] = {8, 9};
  const Case cases[] = {
      {"ADVelk, never ready", VELK_SIM_FAULT_NEVER_READY, [] { return uint16_t(ADVelk()); },
       kTimeout, 10},
      {"TestVelk, never ready", VELK_SIM_FAULT_NEVER_READY, [] { return TestVelk(); }, 0, 1},
      {"ADChanMultiVelk, never ready", VELK_SIM_FAULT_NEVER_READY,
       [&] { return ADChanMultiVelk(block.data(), 8, 0, 500); }, kTimeout, kPacedPollBudget},
      {"ADChansVelk, never ready", VELK_SIM_FAULT_NEVER_READY,
       [&] { return ADChansVelk(block.data(), channels, 2); }, kTimeout, 1},
      {"ADVelk, absent", VELK_SIM_FAULT_ABSENT, [] { return uint16_t(ADVelk()); }, 0xFFFF, 1},
      {"TestVelk, absent", VELK_SIM_FAULT_ABSENT, [] { return TestVelk(); }, 1, 1},
      {"DigInVelk, absent", VELK_SIM_FAULT_ABSENT, [] { return DigInVelk(); }, 0xFF, 0},
      {"ADChanMultiVelk, absent", VELK_SIM_FAULT_ABSENT,
       [&] { return ADChanMultiVelk(block.data(), 8, 0, 500); }, 0, 8},
      {"ADChanMultiSyncVelk, absent: never crosses", VELK_SIM_FAULT_ABSENT,
       [&] { return ADChanMultiSyncVelk(block.data(), 8, 0, 500, 1, -100); }, kTimeout, 1000000},
  };
  for (const Case &c : cases) {
    velk_sim_reset();
    velk_sim_trace_enable(0);
    block.assign(8, 0x1234);
    ASSERT_EQ(velk_sim_set_faults(c.faults), 0);
    EXPECT_EQ(c.call(), c.result) << c.name;
    EXPECT_EQ(Count(VELK_SIM_READ16, kStatus), c.status_reads) << c.name;
  }
  // The floating bus: every block sample is -1; the other entries stay untouched.
  velk_sim_reset();
  ASSERT_EQ(velk_sim_set_faults(VELK_SIM_FAULT_ABSENT), 0);
  block.assign(8, 0x1234);
  ASSERT_EQ(ADChanMultiVelk(block.data(), 6, 0, 500), 0);
  EXPECT_EQ(block, (std::vector<int16_t>{-1, -1, -1, -1, -1, -1, 0x1234, 0x1234}));
  SetADChanVelk(5);
  EXPECT_EQ(velk_sim_control_register(), 0) << "writes to an absent board are lost";

  // The fault gone, the board answers again.
  ASSERT_EQ(velk_sim_set_faults(0), 0);
  SetADChanVelk(8);
  EXPECT_EQ(ADVelk(), Code(-3.5, 1));
  EXPECT_EQ(velk_sim_set_faults(4), -1);
}

// ---------------------------------------------------------------------------
// Defaults, reset and the bench

// Out of the box, every operation does what its description promises.
TEST_F(BoardTest, DefaultBoardServesEveryOperation) {
  EXPECT_EQ(InitVelk(), 0);
  EXPECT_EQ(velk_sim_control_register(), 0x90);
  EXPECT_EQ(TestVelk(), 0) << "nothing converted yet";

  // Each channel carries its documented signal; gain code 1 is +-5 V.
  std::vector<int16_t> single(16);
  for (uint16_t ch = 0; ch < 16; ++ch)
    single[ch] = ADChanVelk(ch);
  for (uint16_t ch = 8; ch < 16; ++ch)
    EXPECT_EQ(single[ch], Code(ch - 11.5, 1)) << "channel " << ch;
  for (uint16_t ch = 0; ch < 8; ++ch)
    EXPECT_NE(single[ch], kTimeout) << "channel " << ch;
  EXPECT_EQ(single[2], Code(3.0, 1)) << "square wave, first half period";

  EXPECT_NE(ADVelk(), kTimeout);
  SetADChanVelk(15);
  EXPECT_EQ(ADVelk(), Code(3.5, 1));
  SetADGainVelk(0);
  EXPECT_EQ(ADVelk(), Code(3.5, 0));
  SetADGainVelk(1);
  ADVelk();
  for (int i = 0; i < 10; ++i)
    DigInVelk();  // the result waits
  EXPECT_EQ(TestVelk(), 0) << "TestVelk reads the data word first";

  const uint16_t list[4] = {0, 8, 12, 15};
  std::vector<int16_t> buffer(400);
  EXPECT_EQ(ADChansVelk(buffer.data(), list, 4), 0);
  EXPECT_EQ(buffer[1], Code(-3.5, 1));
  EXPECT_EQ(ADChanMultiVelk(buffer.data(), 400, 0, 500), 0);
  EXPECT_EQ(ADChansMultiVelk(buffer.data(), 100, list, 4, 500), 0);
  EXPECT_EQ(buffer[399], Code(3.5, 1));
  EXPECT_EQ(ADChanMultiSyncVelk(buffer.data(), 100, 0, 500, 1, 0), 0);
  EXPECT_GT(buffer[0], 0);
  ADChanMultiFastVelk(buffer.data(), 10, 12);
  EXPECT_EQ(buffer[9], buffer[0]) << "no conversion runs: the register holds still";

  DAVelk(-1000);
  EXPECT_EQ(velk_sim_da_word(), 0x0800 - 1000);
  const int16_t ramp[3] = {1, 2, 3};
  DAMultiVelk(ramp, 3);
  EXPECT_EQ(velk_sim_da_word(), 0x0803);
  EXPECT_EQ(DigOutVelk(0x42), 0);
  EXPECT_EQ(velk_sim_digital_output(), 0x42);
  EXPECT_EQ(DigInVelk(), 0xA5);

  SetTimerVelk(2, 3, 1000);
  velk_sim_counter counter;
  ASSERT_EQ(velk_sim_get_counter(2, &counter), 0);
  EXPECT_DOUBLE_EQ(counter.output_hz, 10000.0);
  StopTimerVelk(2);
  ASSERT_EQ(velk_sim_get_counter(2, &counter), 0);
  EXPECT_EQ(counter.running, 0);

  // The board answers wherever the library puts it.
  SetBaseAddressVelk(0x280);
  EXPECT_EQ(ADChanVelk(9), Code(-2.5, 1));
  EXPECT_EQ(velk_sim_count(VELK_SIM_WRITE16, 0x280), 1u);
}

// After a reset the board behaves exactly as at load, whatever was changed.
TEST_F(BoardTest, ResetBringsEverySettingBack) {
  auto session = [] {
    std::vector<int64_t> seen;
    int16_t block[64];
    seen.push_back(ADChanMultiVelk(block, 64, 5, 500));  // the noisy channel: the seed
    seen.insert(seen.end(), block, block + 64);
    seen.push_back(ADChanVelk(13));
    const uint16_t list[2] = {7, 0};
    seen.push_back(ADChansVelk(block, list, 2));
    seen.insert(seen.end(), block, block + 2);
    seen.push_back(DigInVelk());
    seen.push_back(TestVelk());
    seen.push_back(static_cast<int64_t>(velk_sim_time_ns()));
    seen.push_back(static_cast<int64_t>(velk_sim_conversions()));
    seen.push_back(velk_sim_control_register());
    seen.push_back(velk_sim_da_word());
    return seen;
  };
  const std::vector<int64_t> fresh = session();

  velk_sim_reset();
  Feed(5, Wave(VELK_SIM_SQUARE, 1.0, 3.0, 0.2));
  const double volts[2] = {1.0, 2.0};
  ASSERT_EQ(velk_sim_set_waveform(13, volts, 2, 10.0), 0);
  velk_sim_set_seed(99);
  ASSERT_EQ(velk_sim_set_bus_cycle_ns(700), 0);
  velk_sim_set_conversion_ns(100000);
  ASSERT_EQ(velk_sim_set_clock_hz(3000000), 0);
  ASSERT_EQ(velk_sim_loop_analog(7), 0);
  velk_sim_loop_digital(1);
  velk_sim_set_digital_input(0x11);
  ASSERT_EQ(velk_sim_set_faults(VELK_SIM_FAULT_NEVER_READY), 0);
  DAVelk(100);
  SetTimerVelk(0, 2, 4);
  SetTimerVelk(1, 2, 10);

  velk_sim_reset();
  velk_sim_trace_enable(0);
  EXPECT_EQ(session(), fresh);
  velk_sim_reset();
  EXPECT_EQ(velk_sim_time_ns(), 0u);
  for (uint16_t n = 0; n < 3; ++n) {
    velk_sim_counter counter;
    ASSERT_EQ(velk_sim_get_counter(n, &counter), 0);
    EXPECT_EQ(counter.count, 0u);
    EXPECT_EQ(counter.running, 0);
  }
}

TEST_F(BoardTest, SettingsRejectWhatTheyCannotUse) {
  velk_sim_signal before;
  ASSERT_EQ(velk_sim_get_signal(1, &before), 0);
  const double nan = std::nan("");
  const velk_sim_signal bad[] = {
      {VELK_SIM_WAVEFORM, 1, 1, 0, 0, 0}, {-1, 1, 1, 0, 0, 0},
      {VELK_SIM_SINE, nan, 1, 0, 0, 0},   {VELK_SIM_SINE, 1, -1, 0, 0, 0},
      {VELK_SIM_SINE, 1, 1, 0, 0, -0.1},  {VELK_SIM_SINE, 1, 1, INFINITY, 0, 0},
  };
  for (const velk_sim_signal &signal : bad)
    EXPECT_EQ(velk_sim_set_signal(1, &signal), -1) << "wave " << signal.wave;
  const velk_sim_signal good = Dc(1.0);
  EXPECT_EQ(velk_sim_set_signal(16, &good), -1);
  EXPECT_EQ(velk_sim_set_signal(1, nullptr), -1);
  const double volts[2] = {1.0, nan};
  EXPECT_EQ(velk_sim_set_waveform(1, volts, 2, 100.0), -1);
  EXPECT_EQ(velk_sim_set_waveform(1, volts, 1, 0.0), -1);
  EXPECT_EQ(velk_sim_set_waveform(1, volts, 0, 100.0), -1);
  EXPECT_EQ(velk_sim_set_waveform(1, nullptr, 1, 100.0), -1);
  EXPECT_EQ(velk_sim_set_waveform(16, volts, 1, 100.0), -1);
  velk_sim_signal after;
  ASSERT_EQ(velk_sim_get_signal(1, &after), 0);
  EXPECT_EQ(after.wave, before.wave);
  EXPECT_EQ(after.frequency_hz, before.frequency_hz);
  EXPECT_EQ(velk_sim_get_signal(16, &after), -1);
  EXPECT_EQ(velk_sim_set_bus_cycle_ns(0), -1);
  EXPECT_EQ(velk_sim_set_clock_hz(0), -1);
  EXPECT_EQ(velk_sim_loop_analog(16), -1);
  EXPECT_EQ(velk_sim_loop_analog(-2), -1);
}

// A script answers in place of the board, while the board still sees the read.
TEST_F(BoardTest, ScriptsStillTakePrecedence) {
  SetADChanVelk(8);
  Script(kData, {RawWord(77)});
  EXPECT_EQ(ADVelk(), 77);
  EXPECT_EQ(ADWaitReadVelk(5), kTimeout) << "the scripted read cleared the board's ready bit";
  EXPECT_EQ(ADVelk(), Code(-3.5, 1)) << "the script used up, the board answers";
}

}  // namespace
}  // namespace velk_test
