// The subcommands of the tool. Each adds its options to a CLI11 subcommand and
// hands back what main needs to run it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output.h"
#include "session.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace velk::tool {

struct Command {
  CLI::App *app = nullptr;
  // Its rows are samples: --plot and --format raw apply.
  bool samples = false;
  // Writes a report for people itself: --format, --output and --plot do not apply.
  bool prints_itself = false;
  // Checks that need the parsed options; runs before the board is touched.
  // Throws UsageError.
  std::function<void(const GlobalOptions &)> prepare = [](const GlobalOptions &) {};
  // Works the board. Throws Failure when the library times out.
  std::function<std::optional<Report>(Session &)> run;
};

Command AddInfo(CLI::App &app);
Command AddRead(CLI::App &app);
Command AddScan(CLI::App &app);
Command AddAcquire(CLI::App &app);
Command AddTrigger(CLI::App &app);
Command AddBurst(CLI::App &app);
Command AddAnalogOutput(CLI::App &app);
Command AddDigital(CLI::App &app);
Command AddTimer(CLI::App &app);
Command AddDemo(CLI::App &app);

// A subcommand with a one-line summary for velkio --help; details, and the
// options every subcommand shares, close its own --help.
CLI::App *AddSubcommand(CLI::App &app, const std::string &name, const std::string &summary,
                        const std::string &details);

// Options more than one subcommand takes.
void AddChannelOption(CLI::App &app, int &channel);
void AddCountOption(CLI::App &app, uint32_t &count, uint32_t default_count, const char *what);
CLI::Option *AddLeaveInterruptsOption(CLI::App &app, bool &leave);

}  // namespace velk::tool
