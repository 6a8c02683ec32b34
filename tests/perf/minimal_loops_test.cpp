// The benchmarks' minimal loops make exactly the bus operations of the
// library's block operations, event for event, so that the overhead they
// measure is the library's own. A change to an operation's sequence shows here
// before it skews a ratio.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

#include "workloads.h"

namespace velk_bench {

void PrintTo(const Workload &workload, std::ostream *out) {
  *out << workload.name;
}

}  // namespace velk_bench

namespace {

class MinimalLoop : public testing::TestWithParam<velk_bench::Workload> {};

TEST_P(MinimalLoop, MakesTheLibrarysBusOperations) {
  EXPECT_EQ(velk_bench::DifferenceFromMinimal(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Overhead, MinimalLoop, testing::ValuesIn(velk_bench::OverheadWorkloads()),
                         [](const testing::TestParamInfo<velk_bench::Workload> &info) {
                           std::string name = info.param.name;
                           for (char &c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
