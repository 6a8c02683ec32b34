// Scans a list of channels at the pacer's rate into a std::vector and prints
// each channel's minimum, maximum, mean and standard deviation, in raw
// samples (-2048..2047).
//
//   scan_stats [CHANNEL...]      (default: 0 1 2 3)
//
// 500 scans, one every 4 * 500 clock periods of the counter/timer (5 kHz on a
// 10 MHz clock), which leaves time for a list of all 16 channels.
#include <velkio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kScans = 500;
constexpr uint16_t kDivisor = 500;

struct Statistics {
  int16_t min;
  int16_t max;
  double mean;
  double stddev;
};

// Channel i's samples are every channels-th entry from i: the library stores
// the block scan by scan.
Statistics ChannelStatistics(const std::vector<int16_t> &samples, size_t channels, size_t i) {
  Statistics s{samples[i], samples[i], 0.0, 0.0};
  double sum = 0.0, sum_of_squares = 0.0;
  size_t n = 0;
  for (size_t k = i; k < samples.size(); k += channels, ++n) {
    s.min = std::min(s.min, samples[k]);
    s.max = std::max(s.max, samples[k]);
    sum += samples[k];
    sum_of_squares += double(samples[k]) * samples[k];
  }
  s.mean = sum / n;
  s.stddev = std::sqrt(std::max(0.0, sum_of_squares / n - s.mean * s.mean));
  return s;
}

bool ParseChannel(const std::string &text, uint16_t &channel) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 2)
    return false;
  channel = static_cast<uint16_t>(std::stoul(text));
  return channel <= 15;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<uint16_t> channels;
  for (int i = 1; i < argc; ++i) {
    uint16_t channel = 0;
    if (!ParseChannel(argv[i], channel)) {
      std::fprintf(stderr, "not a channel (0-15): %s\n", argv[i]);
      return 2;
    }
    channels.push_back(channel);
  }
  if (channels.empty()) channels = {0, 1, 2, 3};

  std::vector<int16_t> samples(kScans * channels.size());
  InitVelk();  // stops the pacer; gain code 1 (+-5 V), channel 0
  // The functions are plain C and never throw; a time-out is a return value.
  if (ADChansMultiVelk(samples.data(), kScans, channels.data(),
                       static_cast<uint16_t>(channels.size()), kDivisor) == VELKIO_TIMEOUT_STATUS) {
    std::fprintf(stderr, "time-out: a scan did not become ready\n");
    return 1;
  }

  std::printf("channel      min      max       mean     stddev\n");
  for (size_t i = 0; i < channels.size(); ++i) {
    const Statistics s = ChannelStatistics(samples, channels.size(), i);
    std::printf("%7u %8d %8d %10.2f %10.2f\n", unsigned(channels[i]), s.min, s.max, s.mean,
                s.stddev);
  }
  return 0;
}
