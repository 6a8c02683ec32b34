// Options several subcommands share, and info.
#include "commands.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "common.h"

namespace velk::tool {

CLI::App *AddSubcommand(CLI::App &app, const std::string &name, const std::string &summary,
                        const std::string &details) {
  CLI::App *command = app.add_subcommand(name, summary);
  command->footer(details +
                  "\n\nOptions of every subcommand (before or after it; see velkio --help):\n"
                  "  --board sim|hw, --base ADDR, --gain 0-3, --clock HZ, "
                  "--format csv|json|raw,\n  -o,--output FILE, --plot, "
                  "--sim-fault none|never-ready|absent\n");
  return command;
}

void AddChannelOption(CLI::App &app, int &channel) {
  app.add_option("-c,--channel", channel, "A/D channel 0-15")
      ->transform(IntegerIn(0, 15))
      ->capture_default_str();
}

void AddCountOption(CLI::App &app, uint32_t &count, uint32_t default_count, const char *what) {
  count = default_count;
  app.add_option("-n,--count", count,
                 std::string(what) + ", 1-" + std::to_string(kMaxSamples) + " (default " +
                     std::to_string(default_count) + ")")
      ->transform(IntegerIn(1, kMaxSamples));
}

CLI::Option *AddLeaveInterruptsOption(CLI::App &app, bool &leave) {
  return app.add_flag("--leave-interrupts", leave,
                      "Leave processor interrupts alone during the block (IRQVelk(1)); by "
                      "default the library masks them, where it can (the hardware library "
                      "cannot from Linux user space)");
}

namespace {

struct InfoOptions {
  bool no_init = false;
};

std::optional<Report> RunInfo(Session &session, const InfoOptions &options) {
  const LibraryApi &lib = session.lib();
  std::optional<uint16_t> init;
  if (!options.no_init) init = lib.InitVelk();
  session.ApplyGain();
  const uint16_t ready = lib.TestVelk();

  Report report;
  report.settings = session.Settings("info");
  report.rows = 1;
  const std::string meaning =
      ready ? "a result is waiting, or no board answers (an empty bus reads all ones)"
            : "no result waiting: a board answers and is idle";
  auto text = [](std::string value) -> CellFunction {
    return [value](size_t) { return Cell::Text(value); };
  };
  auto number = [](int64_t value) -> CellFunction {
    return [value](size_t) { return Cell::Integer(value); };
  };
  report.columns = {
      {"board", text(session.board_name())},
      {"library", text(session.library_path())},
      {"base", text(Hex(session.base()))},
      {"ports", text(Hex(session.base()) + "-" + Hex(session.base() + 15u))},
      {"init", init ? number(*init) : text("skipped")},
      {"gain", number(session.gain())},
      {"range_volts", [range = session.RangeVolts()](size_t) { return Cell::Real(range); }},
      {"ready_bit", number(ready)},
      {"meaning", text(meaning)},
  };
  return report;
}

}  // namespace

Command AddInfo(CLI::App &app) {
  auto options = std::make_shared<InfoOptions>();
  Command command;
  command.app = AddSubcommand(
      app, "info", "Initialise and test the board; show the backend, base address and ports",
      "Initialise the board (InitVelk) and test it (TestVelk): print the board, library, "
      "base address, ports and the ready bit read after one data word, with what it means");
  command.app->add_flag("--no-init", options->no_init,
                        "Leave the board as it is: skip InitVelk, which stops the pacer and "
                        "sets gain code 1, channel 0");
  command.run = [options](Session &session) { return RunInfo(session, *options); };
  return command;
}

}  // namespace velk::tool
