// Loading the simulated library runs nothing: no port access at load, and the
// state a fresh load gives. Runs in a process of its own that has not loaded
// the library before.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "velkio_sim.h"

namespace {

template <typename Function>
Function Symbol(void *library, const char *name) {
  void *address = dlsym(library, name);
  EXPECT_NE(address, nullptr) << name;
  return reinterpret_cast<Function>(address);
}

TEST(LoadTest, LoadingTouchesNoPortAndGivesTheInitialState) {
  void *library = dlopen(VELKIO_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto trace_count = Symbol<size_t (*)()>(library, "velk_sim_trace_count");
  auto count = Symbol<uint64_t (*)(velk_sim_op, uint16_t)>(library, "velk_sim_count");
  auto trace = Symbol<size_t (*)(velk_sim_event *, size_t, size_t)>(library, "velk_sim_trace");
  auto interrupts = Symbol<int (*)()>(library, "velk_sim_interrupts_enabled");
  auto script_default = Symbol<void (*)(uint16_t, uint16_t)>(library, "velk_sim_script_default");
  auto trace_enable = Symbol<void (*)(int)>(library, "velk_sim_trace_enable");
  auto ad_chan_multi =
      Symbol<uint16_t (*)(int16_t *, uint32_t, uint16_t, uint16_t)>(library, "ADChanMultiVelk");
  ASSERT_TRUE(trace_count && count && trace && interrupts && script_default && trace_enable &&
              ad_chan_multi);

  EXPECT_EQ(trace_count(), 0u);
  uint64_t accesses = 0;
  for (int op = VELK_SIM_READ8; op <= VELK_SIM_IRQ_ON; ++op)
    for (uint32_t port = 0; port <= 0xFFFF; ++port)
      accesses += count(static_cast<velk_sim_op>(op), static_cast<uint16_t>(port));
  EXPECT_EQ(accesses, 0u);
  EXPECT_EQ(interrupts(), 1);

  // An application that never asked for a trace keeps none.
  script_default(0x300, 0x80);
  int16_t sample[1];
  EXPECT_EQ(ad_chan_multi(sample, 1, 5, 500), 0);
  EXPECT_EQ(trace_count(), 0u);
  EXPECT_EQ(count(VELK_SIM_WRITE16, 0x302), 1u) << "counted all the same";

  // Base 0x300, control byte 0x90 and interrupt policy 0, as the first block shows.
  trace_enable(1);
  EXPECT_EQ(ad_chan_multi(sample, 1, 5, 500), 0);
  std::vector<velk_sim_event> events(trace_count());
  events.resize(trace(events.data(), 0, events.size()));
  ASSERT_GE(events.size(), 10u);
  EXPECT_EQ(events[0].op, VELK_SIM_WRITE16);
  EXPECT_EQ(events[0].port, 0x302);
  EXPECT_EQ(events[0].value, 0x95);
  EXPECT_EQ(events[9].op, VELK_SIM_IRQ_OFF) << "policy 0 masks interrupts";
  dlclose(library);
}

}  // namespace
