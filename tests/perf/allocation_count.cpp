#include "allocation_count.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace {

std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0};

void CountAllocation() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace velk_perf {

void StartCountingAllocations() {
  allocations.store(0);
  counting.store(true);
}

uint64_t StopCountingAllocations() {
  counting.store(false);
  return allocations.load();
}

}  // namespace velk_perf

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELK_PERF_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELK_PERF_ASAN 1
#endif

#ifdef VELK_PERF_ASAN

#include <sanitizer/allocator_interface.h>

namespace {

void OnMalloc(const volatile void *, size_t) {
  CountAllocation();
}
void OnFree(const volatile void *) {}

// Registered before main, so every allocation of the tests is seen.
[[maybe_unused]] const int hook_installed =
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);

}  // namespace

#else

// glibc's own allocator under its second names: the replacements below count
// and hand on. An executable's definitions take the place of the C library's
// for every shared library of the process, the C++ library's operator new
// included.
extern "C" {
void *__libc_malloc(size_t size) noexcept;
void *__libc_calloc(size_t count, size_t size) noexcept;
void *__libc_realloc(void *pointer, size_t size) noexcept;
void *__libc_memalign(size_t alignment, size_t size) noexcept;
void __libc_free(void *pointer) noexcept;

void *malloc(size_t size) noexcept {
  CountAllocation();
  return __libc_malloc(size);
}

void *calloc(size_t count, size_t size) noexcept {
  CountAllocation();
  return __libc_calloc(count, size);
}

void *realloc(void *pointer, size_t size) noexcept {
  CountAllocation();
  return __libc_realloc(pointer, size);
}

void *memalign(size_t alignment, size_t size) noexcept {
  CountAllocation();
  return __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size) noexcept {
  CountAllocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void **out, size_t alignment, size_t size) noexcept {
  CountAllocation();
  void *pointer = __libc_memalign(alignment, size);
  if (pointer == nullptr) return ENOMEM;
  *out = pointer;
  return 0;
}

void free(void *pointer) noexcept {
  __libc_free(pointer);
}
}

#endif
