#include "common.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace velk::tool {

void Fail(const std::string &message) {
  throw Failure(message);
}

void Misuse(const std::string &message) {
  throw UsageError(message);
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars takes no sign of its own here, so "--5" and "0x-5" fail below.
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<double> ParseReal(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

namespace {

std::optional<uint16_t> ParseChannel(std::string_view text, std::string *why) {
  const std::optional<int64_t> channel = ParseInteger(text);
  if (!channel) {
    *why = "'" + std::string(text) + "' is not a channel number";
    return std::nullopt;
  }
  if (*channel < 0 || *channel > 15) {
    *why = "channel " + std::string(text) + " is not one of 0-15";
    return std::nullopt;
  }
  return static_cast<uint16_t>(*channel);
}

}  // namespace

std::optional<std::vector<uint16_t>> ParseChannelList(std::string_view text, std::string *why) {
  std::vector<uint16_t> channels;
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const size_t dash = item.find('-', 1);
    const std::optional<uint16_t> first = ParseChannel(item.substr(0, dash), why);
    if (!first) return std::nullopt;
    uint16_t last = *first;
    if (dash != std::string_view::npos) {
      const std::optional<uint16_t> end = ParseChannel(item.substr(dash + 1), why);
      if (!end) return std::nullopt;
      if (*end < *first) {
        *why = "the range " + std::string(item) + " runs backwards";
        return std::nullopt;
      }
      last = *end;
    }
    for (unsigned channel = *first; channel <= last; ++channel)
      channels.push_back(static_cast<uint16_t>(channel));
    if (comma == std::string_view::npos) return channels;
    text.remove_prefix(comma + 1);
  }
}

CLI::Validator IntegerIn(int64_t min, int64_t max, bool hex) {
  auto check = [min, max, hex](std::string &text) -> std::string {
    const std::optional<int64_t> value = ParseInteger(text);
    if (!value) return "'" + text + "' is not a whole number";
    if (*value < min || *value > max)
      return text + " is out of range (" +
             (hex ? Hex(static_cast<unsigned>(min)) + " to " + Hex(static_cast<unsigned>(max))
                  : std::to_string(min) + " to " + std::to_string(max)) +
             ")";
    text = std::to_string(*value);
    return {};
  };
  return CLI::Validator(check, "", "integer");
}

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string Short(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

CLI::Validator RealIn(double min, double max) {
  auto check = [min, max](std::string &text) -> std::string {
    const std::optional<double> value = ParseReal(text);
    if (!value) return "'" + text + "' is not a number";
    if (*value < min || *value > max)
      return text + " is out of range (" + Short(min) + " to " + Short(max) + ")";
    text = Number(*value);
    return {};
  };
  return CLI::Validator(check, "", "real");
}

CLI::Validator PositiveReal() {
  auto check = [](std::string &text) -> std::string {
    const std::optional<double> value = ParseReal(text);
    if (!value) return "'" + text + "' is not a number";
    if (*value <= 0) return text + " is not above 0";
    text = Number(*value);
    return {};
  };
  return CLI::Validator(check, "", "positive");
}

CLI::Validator ChannelList(size_t max_length) {
  auto check = [max_length](std::string &text) -> std::string {
    std::string why;
    const auto channels = ParseChannelList(text, &why);
    if (!channels) return why;
    if (channels->size() > max_length)
      return "a list of " + std::to_string(channels->size()) + " channels is longer than " +
             std::to_string(max_length);
    return {};
  };
  return CLI::Validator(check, "", "channels");
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*x", digits, value);
  return text;
}

}  // namespace velk::tool
