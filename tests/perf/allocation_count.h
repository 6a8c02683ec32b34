// Counts the heap allocations of the whole process (the library's included)
// while counting is on. Linking allocation_count.cpp into an executable
// installs the hook: it replaces malloc and its relatives, or under
// AddressSanitizer, whose allocator cannot be replaced, registers an
// allocation hook with it.
#pragma once

#include <cstdint>

namespace velk_perf {

// Starts counting from zero.
void StartCountingAllocations();
// Stops counting and returns the allocations made since the start.
uint64_t StopCountingAllocations();

}  // namespace velk_perf
