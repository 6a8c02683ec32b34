// The board behind the tool: the simulated or the hardware library, loaded at
// run time by its SONAME, exactly as an application would load it.
#pragma once

#include <cstdint>
#include <string>

#include "velkio.h"
#include "velkio_sim.h"

namespace velk::tool {

enum class BoardKind { kSim, kHardware };

// clang-format off
// The twenty exported functions, resolved by name.
#define VELKIO_TOOL_LIBRARY_FUNCTIONS(X)                                   \
  X(SetBaseAddressVelk) X(TestVelk) X(InitVelk) X(IRQVelk)                 \
  X(SetADGainVelk) X(SetTimerVelk) X(StopTimerVelk) X(ADWaitReadVelk)      \
  X(SetADChanVelk) X(ADVelk) X(ADChanVelk) X(ADChansVelk)                  \
  X(ADChanMultiVelk) X(ADChansMultiVelk) X(DigInVelk) X(DigOutVelk)        \
  X(DAVelk) X(DAMultiVelk) X(ADChanMultiSyncVelk) X(ADChanMultiFastVelk)

// The simulated board's controls the tool uses; libvelkio-sim only.
#define VELKIO_TOOL_SIM_FUNCTIONS(X)                                       \
  X(velk_sim_trace_enable) X(velk_sim_set_clock_hz) X(velk_sim_set_faults) \
  X(velk_sim_loop_analog) X(velk_sim_loop_digital) X(velk_sim_get_signal)  \
  X(velk_sim_get_counter) X(velk_sim_da_volts) X(velk_sim_time_ns)         \
  X(velk_sim_conversions)
// clang-format on

#define VELKIO_TOOL_POINTER(name) decltype(&::name) name = nullptr;

struct LibraryApi {
  VELKIO_TOOL_LIBRARY_FUNCTIONS(VELKIO_TOOL_POINTER)
};

struct SimApi {
  VELKIO_TOOL_SIM_FUNCTIONS(VELKIO_TOOL_POINTER)
};

#undef VELKIO_TOOL_POINTER

// One loaded library. It stays loaded until the process ends: the library
// runs nothing at unload, and the board keeps what the last call left.
struct Backend {
  BoardKind kind = BoardKind::kSim;
  std::string soname;  // libvelkio-sim.so.1 or libvelkio.so.1
  std::string path;    // the file the loader found
  LibraryApi lib;
  SimApi sim;  // resolved for the simulated board only
};

// The environment variable naming a directory to load the library from, in
// place of the loader's search path.
inline constexpr const char *kLibraryDirVariable = "VELKIO_LIBDIR";

// Loads the library for kind and resolves its functions. Throws Failure when
// the library or one of its functions cannot be found.
Backend LoadBackend(BoardKind kind);

// Asks the kernel for the ports the hardware library will use (the board's 16
// ports from base, and port 0x61) and gives them back at once. Throws Failure
// with one sentence naming the cause and the remedy when they are refused.
void RequirePortAccess(uint16_t base);

}  // namespace velk::tool
