// The analog-input subcommands: read, scan, acquire, trigger, burst.
#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>

#include "commands.h"
#include "common.h"

namespace velk::tool {

namespace {

constexpr uint16_t kRateGenerator = 2;
constexpr uint16_t kPacerPrescale = 4;
constexpr int kDefaultPacerDivisor = 500;  // 5 kHz at 10 MHz
constexpr uint32_t kTriggerSearchLimit = 1'000'000;

std::shared_ptr<SampleBlock> NewBlock(const Session &session, std::vector<uint16_t> channels,
                                      size_t samples) {
  auto block = std::make_shared<SampleBlock>();
  block->codes.assign(samples, kTimeoutSample);
  block->channels = std::move(channels);
  block->volts_per_code = session.VoltsPerCode();
  return block;
}

std::vector<Setting> PacedSettings(const Session &session, const std::string &command,
                                   const PacerSetting &pacer) {
  std::vector<Setting> settings = session.Settings(command);
  settings.push_back({"divisor", Cell::Integer(pacer.divisor == 0 ? kMaxDivisor : pacer.divisor)});
  settings.push_back({"rate_hz", Cell::Real(pacer.rate_hz)});
  return settings;
}

std::string Count(size_t stored, size_t total) {
  return std::to_string(stored) + " of " + std::to_string(total) + " samples stored";
}

// --- read -----------------------------------------------------------------

struct ReadOptions {
  int channel = 0;
  uint32_t count = 1;
  bool select = false;
  bool wait = false;
  int64_t budget = kPacedPollBudget;
  Pacing pacing;
};

std::optional<Report> RunRead(Session &session, const ReadOptions &options) {
  const LibraryApi &lib = session.lib();
  const auto channel = static_cast<uint16_t>(options.channel);
  const bool paced = options.wait && (options.pacing.divisor || options.pacing.rate_hz);
  std::optional<PacerSetting> pacer;
  if (paced) pacer = ResolvePacing(options.pacing, 0, session.clock_hz());
  session.ApplyGain();
  auto block = NewBlock(session, {channel}, options.count);
  std::vector<Setting> settings = session.Settings("read");

  const std::string how = options.wait     ? "ADWaitReadVelk"
                          : options.select ? "ADVelk"
                                           : "ADChanVelk";
  auto sample = [&]() -> int16_t {
    if (options.wait) return lib.ADWaitReadVelk(static_cast<uint32_t>(options.budget));
    return options.select ? lib.ADVelk() : lib.ADChanVelk(channel);
  };
  if (options.select || options.wait) lib.SetADChanVelk(channel);
  if (pacer) {
    settings = PacedSettings(session, "read", *pacer);
    block->period_s = pacer->period_s;
    lib.SetTimerVelk(0, kRateGenerator, kPacerPrescale);
    lib.SetTimerVelk(1, kRateGenerator, pacer->divisor);
  }
  for (int16_t &code : block->codes)
    if ((code = sample()) == kTimeoutSample) break;
  if (pacer) lib.StopTimerVelk(0);

  const size_t stored = StoredSamples(block->codes);
  if (stored < block->codes.size()) {
    const std::string budget =
        options.wait ? (options.budget == 0 ? std::string("2^32") : std::to_string(options.budget))
                     : std::to_string(kSinglePollBudget);
    Fail("read timed out: " + how + " on channel " + std::to_string(channel) +
         " saw no conversion ready within " + budget + " status reads (" +
         Count(stored, block->codes.size()) + ").");
  }
  settings.push_back({"method", Cell::Text(how)});
  return SamplesReport(std::move(settings), block);
}

// --- scan -----------------------------------------------------------------

struct ScanOptions {
  std::string channels = "0-15";
};

std::optional<Report> RunScan(Session &session, const ScanOptions &options) {
  std::string why;
  const std::vector<uint16_t> channels = *ParseChannelList(options.channels, &why);
  session.ApplyGain();
  auto block = NewBlock(session, channels, channels.size());
  const uint16_t status = session.lib().ADChansVelk(block->codes.data(), channels.data(),
                                                    static_cast<uint16_t>(channels.size()));
  if (status != 0) {
    const size_t stored = StoredSamples(block->codes);
    Fail("scan timed out: channel " + std::to_string(channels[stored]) + " (entry " +
         std::to_string(stored) + " of the list) was not ready at its one status read (" +
         Count(stored, channels.size()) + ").");
  }
  std::vector<Setting> settings = session.Settings("scan");
  settings.push_back({"channels", Cell::Text(ChannelListText(channels))});
  return SamplesReport(std::move(settings), block);
}

// --- acquire --------------------------------------------------------------

struct AcquireOptions {
  std::string channels = "0";
  uint32_t count = 1000;
  Pacing pacing;
  bool leave_interrupts = false;
  std::vector<uint16_t> list;  // parsed by prepare
};

void PrepareAcquire(AcquireOptions &options) {
  std::string why;
  options.list = *ParseChannelList(options.channels, &why);
  if (static_cast<uint64_t>(options.count) * options.list.size() > kMaxSamples)
    Misuse(std::to_string(options.count) + " scans of " + std::to_string(options.list.size()) +
           " channels exceed " + std::to_string(kMaxSamples) + " samples");
}

std::optional<Report> RunAcquire(Session &session, const AcquireOptions &options) {
  const LibraryApi &lib = session.lib();
  const PacerSetting pacer =
      ResolvePacing(options.pacing, kDefaultPacerDivisor, session.clock_hz());
  const std::vector<uint16_t> &list = options.list;
  session.ApplyGain();
  if (options.leave_interrupts) lib.IRQVelk(1);
  auto block = NewBlock(session, list, static_cast<size_t>(options.count) * list.size());
  block->period_s = pacer.period_s;

  const uint16_t status =
      list.size() == 1
          ? lib.ADChanMultiVelk(block->codes.data(), options.count, list[0], pacer.divisor)
          : lib.ADChansMultiVelk(block->codes.data(), options.count, list.data(),
                                 static_cast<uint16_t>(list.size()), pacer.divisor);
  if (status != 0) {
    const size_t stored = StoredSamples(block->codes);
    Fail("acquire timed out: the conversion of channel " +
         std::to_string(list[stored % list.size()]) + " in scan " +
         std::to_string(stored / list.size()) + " was not ready within its status reads (" +
         Count(stored, block->codes.size()) +
         "; is the divisor below what the converter can "
         "follow?).");
  }
  std::vector<Setting> settings = PacedSettings(session, "acquire", pacer);
  settings.push_back({"channels", Cell::Text(ChannelListText(list))});
  settings.push_back({"scans", Cell::Integer(options.count)});
  return SamplesReport(std::move(settings), block);
}

// --- trigger --------------------------------------------------------------

struct TriggerOptions {
  int channel = 0;
  uint32_t count = 1000;
  Pacing pacing;
  int level = 0;
  std::optional<double> level_volts;
  bool rising = false;  // the default; the flag only documents it
  bool falling = false;
  bool leave_interrupts = false;
};

int16_t LevelCode(const TriggerOptions &options, double volts_per_code) {
  if (!options.level_volts) return static_cast<int16_t>(options.level);
  const long code = std::lround(*options.level_volts / volts_per_code);
  if (code < -2048 || code > 2047)
    Misuse("--level-volts " + std::to_string(*options.level_volts) +
           " V lies outside the input range of the gain code");
  return static_cast<int16_t>(code);
}

std::optional<Report> RunTrigger(Session &session, const TriggerOptions &options) {
  const LibraryApi &lib = session.lib();
  const PacerSetting pacer =
      ResolvePacing(options.pacing, kDefaultPacerDivisor, session.clock_hz());
  const int16_t level = LevelCode(options, session.VoltsPerCode());
  const auto channel = static_cast<uint16_t>(options.channel);
  const char *slope = options.falling ? "falling" : "rising";
  session.ApplyGain();
  if (options.leave_interrupts) lib.IRQVelk(1);
  auto block = NewBlock(session, {channel}, options.count);
  block->period_s = pacer.period_s;

  const uint16_t status = lib.ADChanMultiSyncVelk(block->codes.data(), options.count, channel,
                                                  pacer.divisor, options.falling ? 0 : 1, level);
  if (status != 0) {
    const size_t stored = StoredSamples(block->codes);
    if (stored == 0)
      Fail(std::string("trigger timed out: no ") + slope + " crossing of code " +
           std::to_string(level) + " on channel " + std::to_string(channel) + " within " +
           std::to_string(kTriggerSearchLimit) +
           " samples, or a conversion was not ready within its status reads.");
    Fail(
        "trigger timed out after the crossing: a conversion was not ready within its status "
        "reads (" +
        Count(stored, block->codes.size()) + ").");
  }
  std::vector<Setting> settings = PacedSettings(session, "trigger", pacer);
  settings.push_back({"channel", Cell::Integer(channel)});
  settings.push_back({"slope", Cell::Text(slope)});
  settings.push_back({"level_code", Cell::Integer(level)});
  settings.push_back({"level_volts", Cell::Real(level * session.VoltsPerCode())});
  return SamplesReport(std::move(settings), block);
}

// --- burst ----------------------------------------------------------------

struct BurstOptions {
  int channel = 0;
  uint32_t count = 100;
};

std::optional<Report> RunBurst(Session &session, const BurstOptions &options) {
  const auto channel = static_cast<uint16_t>(options.channel);
  session.ApplyGain();
  auto block = NewBlock(session, {channel}, options.count);
  session.lib().ADChanMultiFastVelk(block->codes.data(), options.count, channel);
  return SamplesReport(session.Settings("burst"), block);
}

}  // namespace

Command AddRead(CLI::App &app) {
  auto options = std::make_shared<ReadOptions>();
  Command command;
  command.samples = true;
  CLI::App &read = *AddSubcommand(
      app, "read", "Single samples of one channel (ADChanVelk, ADVelk or ADWaitReadVelk)",
      "Take single samples from one channel: by default each with ADChanVelk (select, "
      "trigger, wait); with --select the channel is selected once (SetADChanVelk) and each "
      "sample converted with ADVelk; with --wait each sample is a conversion started by the "
      "pacer, collected with ADWaitReadVelk. The time column is empty unless the pacer runs");
  command.app = &read;
  AddChannelOption(read, options->channel);
  AddCountOption(read, options->count, 1, "Samples to take");
  auto *select = read.add_flag("--select", options->select,
                               "Select the channel once with SetADChanVelk, then convert "
                               "each sample with ADVelk");
  auto *wait = read.add_flag("--wait", options->wait,
                             "Start no conversion: wait for each one the pacer starts "
                             "(ADWaitReadVelk). With --divisor or --rate the pacer runs for "
                             "the samples; without, the conversions must come from a pacer "
                             "left running (velkio timer 0 and 1)");
  select->excludes(wait);
  read.add_option("--budget", options->budget,
                  "With --wait: status reads to wait for each sample, 0 for 2^32 (default " +
                      std::to_string(kPacedPollBudget) + ")")
      ->transform(IntegerIn(0, UINT32_MAX))
      ->needs(wait);
  AddPacingOptions(read, options->pacing, 0);
  read.get_option("--divisor")->needs(wait);
  read.get_option("--rate")->needs(wait);
  command.run = [options](Session &session) { return RunRead(session, *options); };
  return command;
}

Command AddScan(CLI::App &app) {
  auto options = std::make_shared<ScanOptions>();
  Command command;
  command.samples = true;
  command.app = AddSubcommand(
      app, "scan", "One pass over a channel list (ADChansVelk)",
      "One pass over a channel list (ADChansVelk): a sample of each channel in list order, "
      "triggered by software. The time column is empty: the pass is not paced");
  command.app
      ->add_option("-c,--channels", options->channels,
                   "Channel list: channels 0-15 and ranges, comma-separated (\"0,3,8-11\"); "
                   "up to 65535 entries")
      ->transform(ChannelList(UINT16_MAX))
      ->type_name("LIST")
      ->capture_default_str();
  command.run = [options](Session &session) { return RunScan(session, *options); };
  return command;
}

Command AddAcquire(CLI::App &app) {
  auto options = std::make_shared<AcquireOptions>();
  Command command;
  command.samples = true;
  CLI::App &acquire = *AddSubcommand(
      app, "acquire", "A paced block of one channel, or paced scans of a list",
      "A block paced by the counter/timer: count samples of one channel (ADChanMultiVelk), "
      "or count scans of a channel list (ADChansMultiVelk). The time column is the pacer "
      "time of each sample (of each scan for a list): index * 4 * divisor / clock");
  command.app = &acquire;
  acquire
      .add_option("-c,--channels", options->channels,
                  "One channel, or a channel list (\"0,3,8-11\") to scan")
      ->transform(ChannelList(UINT16_MAX))
      ->type_name("LIST")
      ->capture_default_str();
  AddCountOption(acquire, options->count, 1000, "Samples, or scans of a list");
  AddPacingOptions(acquire, options->pacing, kDefaultPacerDivisor);
  AddLeaveInterruptsOption(acquire, options->leave_interrupts);
  command.prepare = [options](const GlobalOptions &) { PrepareAcquire(*options); };
  command.run = [options](Session &session) { return RunAcquire(session, *options); };
  return command;
}

Command AddTrigger(CLI::App &app) {
  auto options = std::make_shared<TriggerOptions>();
  Command command;
  command.samples = true;
  CLI::App &trigger = *AddSubcommand(
      app, "trigger", "A paced block that starts at a level crossing (ADChanMultiSyncVelk)",
      "A paced block that starts at a level crossing (ADChanMultiSyncVelk): the first sample "
      "is the one that completed the crossing, at time 0. The search gives up after " +
          std::to_string(kTriggerSearchLimit) + " samples");
  command.app = &trigger;
  AddChannelOption(trigger, options->channel);
  AddCountOption(trigger, options->count, 1000, "Samples to store after the crossing");
  AddPacingOptions(trigger, options->pacing, kDefaultPacerDivisor);
  auto *level = trigger
                    .add_option("--level", options->level,
                                "Level as a code, -2048 to 2047 (the library clamps it to "
                                "-2047..2046)")
                    ->transform(IntegerIn(-2048, 2047))
                    ->capture_default_str();
  trigger
      .add_option("--level-volts", options->level_volts,
                  "Level in volts at the gain code in force, in place of --level")
      ->transform(RealIn(-10, 10))
      ->excludes(level);
  auto *rising = trigger.add_flag("--rising", options->rising,
                                  "Start where the signal rises through the level (default)");
  trigger.add_flag("--falling", options->falling, "Start where the signal falls through the level")
      ->excludes(rising);
  AddLeaveInterruptsOption(trigger, options->leave_interrupts);
  command.run = [options](Session &session) { return RunTrigger(session, *options); };
  return command;
}

Command AddBurst(CLI::App &app) {
  auto options = std::make_shared<BurstOptions>();
  Command command;
  command.samples = true;
  command.app = AddSubcommand(
      app, "burst", "Unpaced reads of the data register (ADChanMultiFastVelk)",
      "Read the data register of one channel count times as fast as the bus allows "
      "(ADChanMultiFastVelk), starting no conversion: each sample is what the register holds "
      "at that moment. The time column is empty");
  AddChannelOption(*command.app, options->channel);
  AddCountOption(*command.app, options->count, 100, "Reads of the data register");
  command.run = [options](Session &session) { return RunBurst(session, *options); };
  return command;
}

}  // namespace velk::tool
