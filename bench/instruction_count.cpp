// Runs one workload's library call or minimal loop a number of times, with
// callgrind collecting only during the calls. instruction_ratios.sh runs it
// under valgrind and compares the instruction counts: a measure of the
// library's overhead that no other load on the machine can disturb.
//
//   velkio_bench_instructions --list
//   velkio_bench_instructions WORKLOAD library|minimal CALLS
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "workloads.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velkio_bench_instructions --list\n"
               "       velkio_bench_instructions WORKLOAD library|minimal CALLS\n");
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  const auto workloads = velk_bench::OverheadWorkloads();
  if (argc == 2 && std::string_view(argv[1]) == "--list") {
    for (const velk_bench::Workload &workload : workloads)
      std::printf("%s %u\n", workload.name, workload.samples);
    return 0;
  }
  if (argc != 4) return Usage();
  const std::string_view side = argv[2];
  const int calls = std::atoi(argv[3]);
  if ((side != "library" && side != "minimal") || calls <= 0) return Usage();
  for (const velk_bench::Workload &workload : workloads) {
    if (std::string_view(workload.name) != argv[1]) continue;
    void (*const call)() = side == "library" ? workload.library : workload.minimal;
    velk_bench::Prepare(workload);
    for (int i = 0; i < calls; ++i) {
      if (workload.before_call != nullptr) workload.before_call();
      CALLGRIND_TOGGLE_COLLECT;
      call();
      CALLGRIND_TOGGLE_COLLECT;
    }
    return 0;
  }
  std::fprintf(stderr, "no workload %s\n", argv[1]);
  return 2;
}
