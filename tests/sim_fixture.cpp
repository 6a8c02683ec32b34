#include "sim_fixture.h"

#include <cstdio>

namespace velk_test {

std::string Describe(uint16_t op, uint16_t port, std::optional<uint16_t> value) {
  static const char *const kNames[] = {"?", "R8", "R16", "W8", "W16", "IRQ_OFF", "IRQ_ON"};
  const char *name = op < 7 ? kNames[op] : "?";
  char text[64];
  if (op == VELK_SIM_IRQ_OFF || op == VELK_SIM_IRQ_ON)
    std::snprintf(text, sizeof text, "%s", name);
  else if (value)
    std::snprintf(text, sizeof text, "%s 0x%04X = 0x%04X", name, port, *value);
  else
    std::snprintf(text, sizeof text, "%s 0x%04X = any", name, port);
  return text;
}

std::vector<velk_sim_event> Trace() {
  std::vector<velk_sim_event> events(velk_sim_trace_count());
  events.resize(velk_sim_trace(events.data(), 0, events.size()));
  return events;
}

testing::AssertionResult TraceIs(const std::vector<Ev> &expected) {
  const std::vector<velk_sim_event> actual = Trace();
  const size_t common = std::min(actual.size(), expected.size());
  for (size_t i = 0; i < common; ++i) {
    const velk_sim_event &a = actual[i];
    const Ev &e = expected[i];
    if (a.op != e.op || a.port != e.port || (e.value && *e.value != a.value))
      return testing::AssertionFailure()
             << "event " << i << ": expected " << Describe(e.op, e.port, e.value) << ", got "
             << Describe(a.op, a.port, a.value);
  }
  if (actual.size() != expected.size()) {
    auto failure = testing::AssertionFailure();
    failure << "expected " << expected.size() << " events, got " << actual.size();
    if (actual.size() > common)
      failure << "; first extra: "
              << Describe(actual[common].op, actual[common].port, actual[common].value);
    else
      failure << "; first missing: "
              << Describe(expected[common].op, expected[common].port, expected[common].value);
    return failure;
  }
  return testing::AssertionSuccess();
}

void ReadyAtRead(uint64_t n) {
  std::vector<uint16_t> statuses(n - 1, 0x0000);
  statuses.push_back(0x0080);
  velk_sim_script(kStatus, statuses.data(), statuses.size());
  velk_sim_script_default(kStatus, 0x0000);
}

void SimTest::SetUp() {
  velk_sim_reset();
  velk_sim_script_default(kStatus, 0x0000);
  velk_sim_script_default(kData, 0x0000);
  velk_sim_script_default(kDig, 0x0000);
  velk_sim_script_default(kDelayPort, 0x0000);
}

}  // namespace velk_test
