// Drives every exported function with arbitrary arguments against a board
// whose answers come from the same input, and checks after every call the
// promises the library makes whatever it is given:
//  - it touches no port outside the board's 16-port window and port 0x61;
//  - processor interrupts are on when a call that masks them returns;
//  - a paced or triggered acquisition ends with counter 0 stopped, and that
//    stop is its last port access;
//  - a status is 0 or the time-out status;
//  - a call stores exactly the samples its description says (taken from the
//    data words it read), writes no other buffer entry and reads no list entry
//    beyond its count (buffers and lists have exactly the size the call needs,
//    so the address sanitizer sees any access past them).
// A broken promise aborts with a report of the call and its port accesses.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "velkio.h"
#include "velkio_sim.h"

namespace {

constexpr uint16_t kDelayPort = 0x61;
constexpr uint16_t kTimeout = VELKIO_TIMEOUT_STATUS;
constexpr int16_t kSentinel = 0x5A5A;
constexpr uint32_t kTriggerSearchSamples = 1000000;
constexpr int kMaxCallsPerInput = 24;

// Reads the fuzzer's bytes as numbers; past the end everything is 0.
class ByteSource {
 public:
  ByteSource(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return next_ == size_; }
  uint8_t Byte() { return next_ < size_ ? data_[next_++] : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t Below(uint32_t limit) { return limit == 0 ? 0 : Word() % limit; }
  bool Bit() { return (Byte() & 1) != 0; }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t next_ = 0;
};

int16_t ToSample(uint16_t raw) {
  return static_cast<int16_t>(static_cast<uint16_t>((raw ^ 0xF800u) - 0x800u));
}
uint16_t RawWord(int16_t sample) {
  return static_cast<uint16_t>((static_cast<uint16_t>(sample) + 0x800u) ^ 0xF800u);
}
int16_t ClampedLevel(int16_t level) {
  return level >= 2047 ? 2046 : level <= -2048 ? -2047 : level;
}
uint16_t ToDaWord(int16_t value) {
  return static_cast<uint16_t>(static_cast<uint16_t>(value) + 0x800u);
}

std::string Describe(const velk_sim_event &ev) {
  static const char *const kNames[] = {"?", "R8", "R16", "W8", "W16", "IRQ_OFF", "IRQ_ON"};
  char text[48];
  std::snprintf(text, sizeof text, "%s 0x%04X 0x%04X", ev.op < 7 ? kNames[ev.op] : "?", ev.port,
                ev.value);
  return text;
}

class Session {
 public:
  explicit Session(ByteSource &in) : in_(in) {}

  void Run() {
    velk_sim_reset();
    for (int call = 0; call < kMaxCallsPerInput && !in_.Empty(); ++call) {
      ScriptBoard();
      velk_sim_trace_clear();
      RunOneCall();
    }
  }

 private:
  uint16_t StatusPort() const { return base_; }
  uint16_t DataPort() const { return static_cast<uint16_t>(base_ + 2); }
  uint16_t DigPort() const { return static_cast<uint16_t>(base_ + 4); }
  uint16_t DaPort() const { return static_cast<uint16_t>(base_ + 6); }
  uint16_t TimerControlPort() const { return static_cast<uint16_t>(base_ + 14); }

  [[noreturn]] void Fail(const char *format, ...) {
    std::fprintf(stderr, "\n*** broken promise in call %s: ", call_.c_str());
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n    base 0x%04X; %zu port accesses", base_, trace_.size());
    const size_t shown = std::min<size_t>(trace_.size(), 40);
    for (size_t i = 0; i < shown; ++i)
      std::fprintf(stderr, "\n    %s", Describe(trace_[i]).c_str());
    if (shown < trace_.size()) std::fprintf(stderr, "\n    ...");
    std::fprintf(stderr, "\n");
    std::abort();
  }

  void Check(bool holds, const char *what) {
    if (!holds) Fail("%s", what);
  }

  // The board's answers for the next call: a few queued status and data words,
  // then defaults. The status usually shows ready: a wait that runs out costs
  // 128000 reads, so time-outs come from one input in sixteen.
  void ScriptBoard() {
    const uint8_t mode = in_.Byte();
    const uint16_t status_default = (mode & 15) != 0 ? 0x0080 | in_.Word() : in_.Word() & 0xFF7F;
    velk_sim_script_default(StatusPort(), status_default);
    velk_sim_script_default(DataPort(), in_.Word());
    velk_sim_script_default(DigPort(), in_.Word());
    std::vector<uint16_t> queue(in_.Below(8));
    for (uint16_t &word : queue)
      word = in_.Word();
    velk_sim_script(StatusPort(), queue.data(), queue.size());
    queue.resize(in_.Below(24));
    for (uint16_t &word : queue)
      word = in_.Word();
    velk_sim_script(DataPort(), queue.data(), queue.size());
  }

  void Record(const char *format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    call_ = text;
  }

  void TakeTrace() {
    trace_.resize(velk_sim_trace_count());
    trace_.resize(velk_sim_trace(trace_.data(), 0, trace_.size()));
  }

  void CheckPortsInWindow() {
    for (const velk_sim_event &ev : trace_) {
      if (ev.op == VELK_SIM_IRQ_OFF || ev.op == VELK_SIM_IRQ_ON) continue;
      const bool in_window = static_cast<uint16_t>(ev.port - base_) < 16;
      if (!in_window && !(ev.port == kDelayPort && ev.op == VELK_SIM_READ8))
        Fail("access outside the board: %s", Describe(ev).c_str());
    }
  }

  std::vector<uint16_t> Reads(uint16_t port) const {
    std::vector<uint16_t> values;
    for (const velk_sim_event &ev : trace_)
      if (ev.op == VELK_SIM_READ16 && ev.port == port) values.push_back(ev.value);
    return values;
  }

  // The samples of the data words read after the first status read: before it
  // every data read discards a word.
  std::vector<int16_t> SamplesAfterFirstStatusRead() const {
    std::vector<int16_t> samples;
    bool waiting = true;
    for (const velk_sim_event &ev : trace_) {
      if (ev.op != VELK_SIM_READ16) continue;
      if (ev.port == StatusPort()) waiting = false;
      if (ev.port == DataPort() && !waiting) samples.push_back(ToSample(ev.value));
    }
    return samples;
  }

  // The buffer holds expected in front and the sentinel after it, and the
  // status says whether every entry was stored.
  void CheckStored(const std::vector<int16_t> &buffer, const std::vector<int16_t> &expected,
                   uint16_t status) {
    Check(status == 0 || status == kTimeout, "a status other than 0 and the time-out");
    if (expected.size() > buffer.size())
      Fail("%zu samples for %zu entries", expected.size(), buffer.size());
    for (size_t i = 0; i < buffer.size(); ++i) {
      const int16_t want = i < expected.size() ? expected[i] : kSentinel;
      if (buffer[i] != want) Fail("buffer[%zu] is %d, expected %d", i, buffer[i], want);
    }
    Check((status == 0) == (expected.size() == buffer.size()),
          "the status does not tell whether every entry was stored");
  }

  void CheckEndsWithPacerStopped() {
    Check(!trace_.empty(), "an acquisition made no port access");
    const velk_sim_event &last = trace_.back();
    Check(last.op == VELK_SIM_WRITE8 && last.port == TimerControlPort() && last.value == 0x30,
          "the last access is not the pacer's stop");
    Check(velk_sim_interrupts_enabled() == 1, "interrupts are off after the acquisition");
  }

  void CheckNoAccess() { Check(trace_.empty(), "a call that must not touch the board did"); }

  std::vector<int16_t> Buffer(uint32_t entries) { return std::vector<int16_t>(entries, kSentinel); }

  std::vector<uint16_t> ChannelList(uint32_t entries) {
    std::vector<uint16_t> list(entries);
    for (uint16_t &channel : list)
      channel = in_.Word();
    return list;
  }

  // Calls that always end by turning interrupts on may be entered with them off.
  void MaybeEnterWithInterruptsOff() { velk_sim_set_interrupts(in_.Bit() ? 0 : 1); }

  void RunOneCall() {
    const uint8_t which = in_.Byte() % 20;
    velk_sim_set_interrupts(1);
    switch (which) {
      case 0: {
        const uint16_t base = in_.Word();
        Record("SetBaseAddressVelk(0x%04X)", base);
        SetBaseAddressVelk(base);
        base_ = base;
        TakeTrace();
        CheckNoAccess();
        break;
      }
      case 1: {
        Record("TestVelk()");
        MaybeEnterWithInterruptsOff();
        const uint16_t result = TestVelk();
        TakeTrace();
        Check(velk_sim_interrupts_enabled() == 1, "interrupts off after TestVelk");
        const std::vector<uint16_t> status = Reads(StatusPort());
        Check(status.size() == 1 && result == ((status[0] & 0x80) ? 1 : 0), "TestVelk's result");
        break;
      }
      case 2: {
        Record("InitVelk()");
        Check(InitVelk() == 0, "InitVelk returned non-zero");
        TakeTrace();
        break;
      }
      case 3: {
        const uint16_t enable = in_.Word();
        Record("IRQVelk(0x%04X)", enable);
        IRQVelk(enable);
        TakeTrace();
        CheckNoAccess();
        break;
      }
      case 4: {
        const uint16_t gain = in_.Word();
        Record("SetADGainVelk(0x%04X)", gain);
        SetADGainVelk(gain);
        TakeTrace();
        Check(trace_.size() == 1, "SetADGainVelk makes one access");
        break;
      }
      case 5: {
        const uint16_t counter = in_.Word(), mode = in_.Word(), count = in_.Word();
        Record("SetTimerVelk(%u, %u, %u)", counter, mode, count);
        const bool valid = counter <= 2;
        if (valid) MaybeEnterWithInterruptsOff();
        SetTimerVelk(counter, mode, count);
        TakeTrace();
        if (valid)
          Check(trace_.size() == 6 && velk_sim_interrupts_enabled() == 1, "SetTimerVelk");
        else
          CheckNoAccess();
        break;
      }
      case 6: {
        const uint16_t counter = in_.Word();
        Record("StopTimerVelk(%u)", counter);
        StopTimerVelk(counter);
        TakeTrace();
        Check(trace_.size() == 1 && trace_[0].port == TimerControlPort(), "StopTimerVelk");
        break;
      }
      case 7: {
        // A budget of 0 waits 2^32 reads: only with a board that becomes ready.
        uint32_t budget = 1 + in_.Below(3000);
        if (in_.Byte() == 0) budget = 0;
        velk_sim_script_default(StatusPort(), 0x0080);
        Record("ADWaitReadVelk(%u)", budget);
        const int16_t result = ADWaitReadVelk(budget);
        TakeTrace();
        CheckSingleSample(result, budget);
        break;
      }
      case 8: {
        const uint16_t channel = in_.Word();
        Record("SetADChanVelk(0x%04X)", channel);
        SetADChanVelk(channel);
        TakeTrace();
        Check(trace_.size() == 3, "SetADChanVelk makes three accesses");
        break;
      }
      case 9: {
        Record("ADVelk()");
        const int16_t result = ADVelk();
        TakeTrace();
        CheckSingleSample(result, 10);
        break;
      }
      case 10: {
        const uint16_t channel = in_.Word();
        Record("ADChanVelk(0x%04X)", channel);
        const int16_t result = ADChanVelk(channel);
        TakeTrace();
        CheckSingleSample(result, 10);
        break;
      }
      case 11: {
        const uint16_t count = static_cast<uint16_t>(in_.Below(40));
        std::vector<int16_t> buffer = Buffer(count);
        const std::vector<uint16_t> channels = ChannelList(count);
        Record("ADChansVelk(count %u)", count);
        const uint16_t status = ADChansVelk(buffer.data(), channels.data(), count);
        TakeTrace();
        if (count == 0) CheckNoAccess();
        CheckStored(buffer, SamplesAfterFirstStatusRead(), status);
        break;
      }
      case 12: {
        const uint32_t count = in_.Below(64);
        const uint16_t channel = in_.Word(), divisor = in_.Word();
        std::vector<int16_t> buffer = Buffer(count);
        Record("ADChanMultiVelk(count %u, channel %u, divisor %u)", count, channel, divisor);
        CheckPacedCall(count == 0, [&] {
          const uint16_t status = ADChanMultiVelk(buffer.data(), count, channel, divisor);
          TakeTrace();
          CheckStored(buffer, SamplesAfterFirstStatusRead(), status);
        });
        break;
      }
      case 13: {
        const uint32_t scans = in_.Below(8);
        const uint16_t channel_count = static_cast<uint16_t>(in_.Below(8));
        const uint16_t divisor = in_.Word();
        std::vector<int16_t> buffer = Buffer(scans * channel_count);
        const std::vector<uint16_t> channels = ChannelList(channel_count);
        Record("ADChansMultiVelk(scans %u, channels %u, divisor %u)", scans, channel_count,
               divisor);
        CheckPacedCall(scans == 0 || channel_count == 0, [&] {
          const uint16_t status =
              ADChansMultiVelk(buffer.data(), scans, channels.data(), channel_count, divisor);
          TakeTrace();
          CheckStored(buffer, SamplesAfterFirstStatusRead(), status);
        });
        break;
      }
      case 14: {
        Record("DigInVelk()");
        const uint16_t result = DigInVelk();
        TakeTrace();
        Check(result <= 0xFF && trace_.size() == 1 && trace_[0].value == result, "DigInVelk");
        break;
      }
      case 15: {
        const uint16_t value = in_.Word();
        Record("DigOutVelk(0x%04X)", value);
        Check(DigOutVelk(value) == 0, "DigOutVelk returned non-zero");
        TakeTrace();
        Check(trace_.size() == 1 && trace_[0].value == (value & 0xFF), "DigOutVelk");
        break;
      }
      case 16: {
        const int16_t value = static_cast<int16_t>(in_.Word());
        Record("DAVelk(%d)", value);
        DAVelk(value);
        TakeTrace();
        Check(trace_.size() == 1 && trace_[0].value == ToDaWord(value), "DAVelk");
        break;
      }
      case 17: {
        const uint32_t count = in_.Below(64);
        std::vector<int16_t> values(count);
        for (int16_t &value : values)
          value = static_cast<int16_t>(in_.Word());
        Record("DAMultiVelk(count %u)", count);
        const bool no_access = count == 0;
        if (!no_access) MaybeEnterWithInterruptsOff();
        const int entered = velk_sim_interrupts_enabled();
        DAMultiVelk(values.data(), count);
        TakeTrace();
        CheckDaBlock(values);
        Check(velk_sim_interrupts_enabled() == (no_access ? entered : 1),
              "interrupts after DAMultiVelk");
        break;
      }
      case 18: {
        const uint32_t count = in_.Below(48);
        const uint16_t channel = in_.Word(), divisor = in_.Word(), rising = in_.Word();
        const int16_t level = static_cast<int16_t>(in_.Word());
        std::vector<int16_t> buffer = Buffer(count);
        Record("ADChanMultiSyncVelk(count %u, channel %u, divisor %u, rising %u, level %d)", count,
               channel, divisor, rising, level);
        // A signal that never crosses costs a search of 1,000,000 samples: give
        // most calls one that swings across the level after the scripted words.
        if ((in_.Byte() & 15) != 0) SwingAcross(ClampedLevel(level));
        CheckPacedCall(count == 0, [&] {
          const uint16_t status =
              ADChanMultiSyncVelk(buffer.data(), count, channel, divisor, rising, level);
          TakeTrace();
          CheckStored(buffer, TriggeredSamples(rising != 0, level), status);
        });
        break;
      }
      case 19: {
        const uint32_t count = in_.Below(64);
        const uint16_t channel = in_.Word();
        std::vector<int16_t> buffer = Buffer(count);
        Record("ADChanMultiFastVelk(count %u, channel 0x%04X)", count, channel);
        const bool no_access = count == 0;
        if (!no_access) MaybeEnterWithInterruptsOff();
        const int entered = velk_sim_interrupts_enabled();
        ADChanMultiFastVelk(buffer.data(), count, channel);
        TakeTrace();
        std::vector<int16_t> samples;
        const std::vector<uint16_t> words = Reads(DataPort());
        for (size_t i = 1; i < words.size(); ++i)
          samples.push_back(ToSample(words[i]));
        CheckStored(buffer, samples, samples.size() == count ? 0 : kTimeout);
        Check(velk_sim_interrupts_enabled() == (no_access ? entered : 1),
              "interrupts after ADChanMultiFastVelk");
        break;
      }
    }
    CheckPortsInWindow();
    velk_sim_set_interrupts(1);
  }

  void SwingAcross(int16_t level) {
    std::vector<uint16_t> swing(64);
    for (size_t i = 0; i < swing.size(); ++i)
      swing[i] = RawWord(static_cast<int16_t>(i % 2 != 0 ? level + 1 : level - 1));
    velk_sim_script(DataPort(), swing.data(), swing.size());
  }

  // The common frame of the three paced acquisitions: nothing at all for an
  // empty block, else interrupts on and the pacer stopped at the end.
  template <typename Body>
  void CheckPacedCall(bool empty_block, Body body) {
    if (!empty_block) MaybeEnterWithInterruptsOff();
    const int entered = velk_sim_interrupts_enabled();
    body();
    if (empty_block) {
      CheckNoAccess();
      Check(velk_sim_interrupts_enabled() == entered, "an empty block changed the interrupts");
    } else {
      CheckEndsWithPacerStopped();
    }
  }

  // A single sample: status reads within the budget, and the data word read
  // exactly when the last of them showed ready.
  void CheckSingleSample(int16_t result, uint32_t budget) {
    const std::vector<uint16_t> status = Reads(StatusPort());
    Check(!status.empty() && (budget == 0 || status.size() <= budget), "status reads and budget");
    const bool ready = (status.back() & 0x80) != 0;
    const std::vector<uint16_t> data = Reads(DataPort());
    const std::vector<int16_t> samples = SamplesAfterFirstStatusRead();
    if (ready)
      Check(samples.size() == 1 && result == samples[0], "the sample of a ready conversion");
    else
      Check(samples.empty() && result == kTimeout, "a time-out that read the data");
    (void)data;
  }

  void CheckDaBlock(const std::vector<int16_t> &values) {
    size_t k = 0;
    for (const velk_sim_event &ev : trace_) {
      if (ev.op != VELK_SIM_WRITE16) continue;
      Check(ev.port == DaPort(), "a block of output values wrote elsewhere");
      Check(k < values.size() && ev.value == ToDaWord(values[k]), "an output value out of order");
      ++k;
    }
    Check(k == values.size(), "not every output value was written");
  }

  // What a level-triggered block must have stored, from the samples it read:
  // from the sample that completes the first crossing on, within the search.
  std::vector<int16_t> TriggeredSamples(bool rising, int16_t level) const {
    const int16_t used = ClampedLevel(level);
    const std::vector<int16_t> samples = SamplesAfterFirstStatusRead();
    for (size_t i = 1; i < samples.size() && i < kTriggerSearchSamples; ++i) {
      const bool crosses = rising ? samples[i - 1] < used && samples[i] > used
                                  : samples[i - 1] > used && samples[i] < used;
      if (crosses)
        return std::vector<int16_t>(samples.begin() + static_cast<std::ptrdiff_t>(i),
                                    samples.end());
    }
    return {};
  }

  ByteSource &in_;
  uint16_t base_ = 0x300;
  std::string call_;
  std::vector<velk_sim_event> trace_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  ByteSource in(data, size);
  Session(in).Run();
  return 0;
}
