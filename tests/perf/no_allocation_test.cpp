// No exported function allocates: every one of them, on its ordinary paths,
// its count-0 paths and its time-out paths, is called on the simulated board
// with tracing off while the process's heap allocations are counted.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <ostream>
#include <set>
#include <string>

#include "allocation_count.h"
#include "velkio.h"
#include "velkio_sim.h"

namespace {

constexpr uint16_t kBlock = 4096;
int16_t buffer[kBlock];
int16_t values[kBlock];
// Channels 8-15 carry DC levels, so a list over them converts cheaply.
const uint16_t channels[] = {8, 9, 10, 11, 12, 13, 14, 15};
constexpr uint16_t kChannelCount = sizeof channels / sizeof channels[0];
constexpr uint16_t kFastestDivisor = 10;
constexpr uint16_t kListDivisor = 130;  // the fastest that works for 8 channels
constexpr int16_t kNeverCrossed = 2046;

void NoSetup() {}
void NeverReady() {
  velk_sim_set_faults(VELK_SIM_FAULT_NEVER_READY);
}
void InterruptsLeftOn() {
  IRQVelk(1);
}

struct Case {
  const char *name;
  void (*setup)();
  void (*call)();
};

std::ostream &operator<<(std::ostream &out, const Case &c) {
  return out << c.name;
}

const Case kCases[] = {
    {"SetBaseAddressVelk", NoSetup, [] { SetBaseAddressVelk(0x280); }},
    {"TestVelk", NoSetup, [] { TestVelk(); }},
    {"InitVelk", NoSetup, [] { InitVelk(); }},
    {"IRQVelk", NoSetup, [] { IRQVelk(1); }},
    {"SetADGainVelk", NoSetup, [] { SetADGainVelk(2); }},
    {"SetTimerVelk", NoSetup, [] { SetTimerVelk(2, 3, 1000); }},
    {"SetTimerVelk_NoSuchCounter", NoSetup, [] { SetTimerVelk(3, 3, 1000); }},
    {"StopTimerVelk", NoSetup, [] { StopTimerVelk(2); }},
    {"ADWaitReadVelk", [] { velk_sim_set_conversion_ns(0); },
     [] {
       (void)ADVelk();
       (void)ADWaitReadVelk(1);
     }},
    {"ADWaitReadVelk_Timeout", NoSetup, [] { (void)ADWaitReadVelk(1000); }},
    {"SetADChanVelk", NoSetup, [] { SetADChanVelk(5); }},
    {"ADVelk", NoSetup, [] { (void)ADVelk(); }},
    {"ADVelk_Timeout", NeverReady, [] { (void)ADVelk(); }},
    {"ADChanVelk", NoSetup, [] { (void)ADChanVelk(3); }},
    {"ADChanVelk_Timeout", NeverReady, [] { (void)ADChanVelk(3); }},
    {"ADChansVelk", NoSetup, [] { ADChansVelk(buffer, channels, kChannelCount); }},
    {"ADChansVelk_CountZero", NoSetup, [] { ADChansVelk(buffer, channels, 0); }},
    {"ADChansVelk_Timeout", NeverReady, [] { ADChansVelk(buffer, channels, kChannelCount); }},
    {"ADChanMultiVelk", NoSetup, [] { ADChanMultiVelk(buffer, kBlock, 0, kFastestDivisor); }},
    {"ADChanMultiVelk_InterruptsLeftOn", InterruptsLeftOn,
     [] { ADChanMultiVelk(buffer, kBlock, 0, kFastestDivisor); }},
    {"ADChanMultiVelk_CountZero", NoSetup, [] { ADChanMultiVelk(buffer, 0, 0, kFastestDivisor); }},
    {"ADChanMultiVelk_Timeout", NeverReady,
     [] { ADChanMultiVelk(buffer, kBlock, 0, kFastestDivisor); }},
    {"ADChansMultiVelk", NoSetup,
     [] {
       ADChansMultiVelk(buffer, kBlock / kChannelCount, channels, kChannelCount, kListDivisor);
     }},
    {"ADChansMultiVelk_ScansZero", NoSetup,
     [] { ADChansMultiVelk(buffer, 0, channels, kChannelCount, kListDivisor); }},
    {"ADChansMultiVelk_ChannelCountZero", NoSetup,
     [] { ADChansMultiVelk(buffer, 1, channels, 0, kListDivisor); }},
    {"ADChansMultiVelk_Timeout", NeverReady,
     [] {
       ADChansMultiVelk(buffer, kBlock / kChannelCount, channels, kChannelCount, kListDivisor);
     }},
    {"DigInVelk", NoSetup, [] { (void)DigInVelk(); }},
    {"DigOutVelk", NoSetup, [] { DigOutVelk(0x1C3); }},
    {"DAVelk", NoSetup, [] { DAVelk(100); }},
    {"DAMultiVelk", NoSetup, [] { DAMultiVelk(values, kBlock); }},
    {"DAMultiVelk_CountZero", NoSetup, [] { DAMultiVelk(values, 0); }},
    // Channel 0 is a 50 Hz sine: its rising zero crossing comes within a period.
    {"ADChanMultiSyncVelk", NoSetup,
     [] { ADChanMultiSyncVelk(buffer, kBlock, 0, kFastestDivisor, 1, 0); }},
    {"ADChanMultiSyncVelk_CountZero", NoSetup,
     [] { ADChanMultiSyncVelk(buffer, 0, 0, kFastestDivisor, 1, 0); }},
    // Channel 7 stays near 0 V: the whole search of a million samples finds nothing.
    {"ADChanMultiSyncVelk_SearchTimeout", NoSetup,
     [] { ADChanMultiSyncVelk(buffer, kBlock, 7, kFastestDivisor, 1, kNeverCrossed); }},
    {"ADChanMultiSyncVelk_Timeout", NeverReady,
     [] { ADChanMultiSyncVelk(buffer, kBlock, 0, kFastestDivisor, 1, 0); }},
    {"ADChanMultiFastVelk", NoSetup, [] { ADChanMultiFastVelk(buffer, kBlock, 3); }},
    {"ADChanMultiFastVelk_CountZero", NoSetup, [] { ADChanMultiFastVelk(buffer, 0, 3); }},
};

uint64_t AllocationsOf(void (*call)()) {
  velk_perf::StartCountingAllocations();
  call();
  return velk_perf::StopCountingAllocations();
}

class NoAllocation : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    velk_sim_reset();
    velk_sim_trace_enable(0);
    GetParam().setup();
  }
};

TEST_P(NoAllocation, OnTheSimulatedBoardWithTracingOff) {
  EXPECT_EQ(AllocationsOf(GetParam().call), 0u);
  EXPECT_EQ(AllocationsOf(GetParam().call), 0u) << "on a second call";
}

INSTANTIATE_TEST_SUITE_P(EveryExportedFunction, NoAllocation, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

// The count sees what the library allocates: the trace, while it is on, grows
// with the accesses.
TEST(AllocationCount, SeesTheLibraryAllocateForItsTrace) {
  velk_sim_reset();
  velk_sim_trace_enable(1);
  EXPECT_GT(AllocationsOf([] { ADChanMultiFastVelk(buffer, kBlock, 3); }), 0u);
  EXPECT_EQ(velk_sim_trace_count(), 2u * kBlock + 4);
}

// The cases cover every exported function of the library's export list.
TEST(AllocationCount, CoversEveryExportedFunction) {
  std::ifstream list(VELKIO_EXPORTS_LIST);
  ASSERT_TRUE(list) << VELKIO_EXPORTS_LIST;
  std::set<std::string> covered;
  for (const Case &c : kCases) {
    const std::string name = c.name;
    covered.insert(name.substr(0, name.find('_')));
  }
  int exported = 0;
  for (std::string name; std::getline(list, name);) {
    if (name.empty() || name[0] == '#') continue;
    ++exported;
    EXPECT_TRUE(covered.count(name)) << name << " has no case";
  }
  EXPECT_EQ(exported, 20);
}

}  // namespace
