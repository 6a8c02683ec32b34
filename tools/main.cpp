// velkio: the command-line tool of the velkio library. It loads the simulated
// or the hardware library at run time and drives the board through its public
// functions; see velkio --help.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "common.h"
#include "plot.h"

namespace velk::tool {

namespace {

constexpr const char *kDescription =
    "velkio: check the Velk I/O board, read and capture its analog inputs, write its outputs "
    "and program its counters, on the simulated board (--board sim, the default) or the board "
    "in the I/O ports (--board hw).\n"
    "Data goes to standard output (CSV with a header row unless --format says otherwise), "
    "messages to standard error. Exit status: 0 done, 1 the board or a file failed (a "
    "library time-out, refused ports), 2 a bad command line.\n"
    "The library is loaded by its SONAME from the loader's search path, or from the directory "
    "in the environment variable VELKIO_LIBDIR.";

std::string HelpHint(const CLI::App &app) {
  const auto selected = app.get_subcommands();
  if (selected.empty()) return "Run 'velkio --help' for usage.";
  return "Run 'velkio " + selected.front()->get_name() + " --help' for usage.";
}

void PrintUsageError(const CLI::App &app, const std::string &message) {
  std::fprintf(stderr, "velkio: %s\n%s\n", message.c_str(), HelpHint(app).c_str());
}

// Options that do not fit the subcommand or the board: caught before the board.
void CheckCombination(const CLI::App &app, const Command &command, const GlobalOptions &global) {
  const bool output_given = app.get_option("--output")->count() > 0;
  const bool format_given = app.get_option("--format")->count() > 0;
  const std::string name = command.app->get_name();
  if (command.prints_itself && (output_given || format_given || global.plot))
    Misuse(name + " prints a report for people: --format, --output and --plot do not apply");
  if (!command.samples && global.plot) Misuse("--plot: " + name + " has no samples to draw");
  if (!command.samples && global.format == "raw")
    Misuse("--format raw: " + name + " has no samples to write");
  if (global.board != "sim" && global.sim_fault != "none")
    Misuse("--sim-fault applies to the simulated board only");
}

void Emit(const Report &report, const GlobalOptions &global, OutputFile *file) {
  const Format format = global.format == "json"  ? Format::kJson
                        : global.format == "raw" ? Format::kRaw
                                                 : Format::kCsv;
  if (file != nullptr) {
    if (!WriteReport(report, format, file->stream())) Fail("cannot write " + global.output);
    file->Commit();
  } else if (!global.plot) {
    if (!WriteReport(report, format, stdout)) Fail("cannot write to standard output");
  }
  if (global.plot) {
    std::fputs(Plot(report.plot, TerminalWidth()).c_str(), stdout);
    if (std::fflush(stdout) != 0) Fail("cannot write to standard output");
  }
}

int Run(const CLI::App &app, const Command &command, GlobalOptions &global) {
  CheckCombination(app, command, global);
  global.clock_given = app.get_option("--clock")->count() > 0;
  command.prepare(global);
  // Opened before the board is touched: a file that cannot be written stops the run first.
  std::unique_ptr<OutputFile> file;
  if (!global.output.empty()) file = std::make_unique<OutputFile>(global.output);
  Session session(global);
  if (const std::optional<Report> report = command.run(session)) Emit(*report, global, file.get());
  return kExitOk;
}

}  // namespace

int Main(int argc, char **argv) {
  CLI::App app(kDescription, "velkio");
  app.set_version_flag("--version", VELKIO_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.failure_message([](const CLI::App *failed, const CLI::Error &error) {
    std::string message = error.what();
    // CLI11 reports a misspelt subcommand as a missing one; name the word it did not know.
    const auto unknown = failed->remaining();
    if (failed->get_subcommands().empty() && !unknown.empty())
      message = "unknown subcommand '" + unknown.front() + "'";
    return "velkio: " + message + "\n" + HelpHint(*failed) + "\n";
  });

  GlobalOptions global;
  AddGlobalOptions(app, global);
  const std::vector<Command> commands = {
      AddInfo(app),  AddRead(app),         AddScan(app),    AddAcquire(app), AddTrigger(app),
      AddBurst(app), AddAnalogOutput(app), AddDigital(app), AddTimer(app),   AddDemo(app)};
  for (const Command &command : commands)
    command.app->fallthrough();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &error) {
    // Help and --version end with 0; every parse error is a usage error.
    return app.exit(error) == 0 ? kExitOk : kExitUsage;
  }

  const Command *selected = nullptr;
  for (const Command &command : commands)
    if (command.app->parsed()) selected = &command;

  try {
    return Run(app, *selected, global);
  } catch (const UsageError &error) {
    PrintUsageError(app, error.what());
    return kExitUsage;
  } catch (const Failure &error) {
    std::fprintf(stderr, "velkio: %s\n", error.what());
    return kExitFailure;
  } catch (const std::exception &error) {
    std::fprintf(stderr, "velkio: %s\n", error.what());
    return kExitFailure;
  }
}

}  // namespace velk::tool

int main(int argc, char **argv) {
  return velk::tool::Main(argc, argv);
}
