// Three loops for the machine-code check to judge; never run. Each reads a
// port and stores the word, as a sample loop does.
#include <cstdint>

namespace {

inline uint16_t InlineRead(uint16_t port) {
  uint16_t value;
  asm volatile("inw %w1, %w0" : "=a"(value) : "Nd"(port));
  return value;
}

[[gnu::noinline]] uint16_t OutOfLineRead(uint16_t port) {
  return InlineRead(port);
}

[[gnu::noinline]] void Note(uint16_t value) {
  asm volatile("" : : "r"(value) : "memory");
}

}  // namespace

// Passes: the port access is one instruction in the loop.
extern "C" [[gnu::visibility("default")]] void InlinePorts(uint16_t *buffer, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k)
    buffer[k] = InlineRead(0x302);
}

// Fails: besides its in instruction the loop calls a function.
extern "C" [[gnu::visibility("default")]] void CallInLoop(uint16_t *buffer, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k) {
    buffer[k] = InlineRead(0x302);
    Note(buffer[k]);
  }
}

// Fails: the loop calls the port access instead of making it.
extern "C" [[gnu::visibility("default")]] void PortsOutOfLine(uint16_t *buffer, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k)
    buffer[k] = OutOfLineRead(0x302);
}
