// Helpers every subcommand of the tool shares: the two ways a run ends early,
// strict number parsing, and the argument checks built on it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velk::tool {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the board, the library or a file failed
inline constexpr int kExitUsage = 2;    // the command line is wrong

// A run that cannot go on: a time-out, a refused port, a file that cannot be
// written. main prints the message as one line on standard error, exit status 1.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command line that parsed but does not make sense (an option that does not
// apply to the board or subcommand). Exit status 2, like a parse error.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string &message);
[[noreturn]] void Misuse(const std::string &message);

// A whole decimal integer, or hexadecimal after 0x, with an optional minus
// sign. Leading zeros stay decimal: "010" is ten. Nothing else is accepted.
std::optional<int64_t> ParseInteger(std::string_view text);

// A whole finite decimal number ("5000", "2.5", "1e4", "-0.5").
std::optional<double> ParseReal(std::string_view text);

// A channel list: channels 0-15 and ranges, separated by commas ("0,3,8-11").
std::optional<std::vector<uint16_t>> ParseChannelList(std::string_view text, std::string *why);

// CLI11 checks built on the parsers above. Each rewrites the argument in a
// canonical form the option's variable converts from, or names the problem.
CLI::Validator IntegerIn(int64_t min, int64_t max, bool hex = false);
CLI::Validator RealIn(double min, double max);
CLI::Validator PositiveReal();
CLI::Validator ChannelList(size_t max_length);

// "0x300"-style text for port addresses and bytes.
std::string Hex(unsigned value, int digits = 0);

}  // namespace velk::tool
