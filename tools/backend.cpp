#include "backend.h"

#include <dlfcn.h>
#include <sys/io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "common.h"

namespace velk::tool {

namespace {

constexpr unsigned kWindowSize = 16;
constexpr uint16_t kDelayPort = 0x61;
constexpr unsigned kCapSysRawio = 17;

template <typename Function>
void Resolve(void *handle, const Backend &backend, const char *name, Function &function) {
  void *symbol = dlsym(handle, name);
  if (symbol == nullptr) Fail(backend.path + " has no function " + name);
  function = reinterpret_cast<Function>(symbol);
}

std::string LibraryFile(const std::string &soname) {
  const char *dir = std::getenv(kLibraryDirVariable);
  if (dir == nullptr || *dir == '\0') return soname;
  return std::string(dir) + "/" + soname;
}

// The file the loader picked, found through one of its functions.
std::string LoadedPath(void *function, const std::string &fallback) {
  Dl_info info{};
  if (dladdr(function, &info) != 0 && info.dli_fname != nullptr) return info.dli_fname;
  return fallback;
}

// Whether the effective capability set holds CAP_SYS_RAWIO.
bool HoldsRawio() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) != 0) continue;
    const unsigned long long caps = std::strtoull(line.c_str() + 7, nullptr, 16);
    return (caps >> kCapSysRawio) & 1;
  }
  return false;
}

// Whether the kernel runs locked down: securityfs shows the mode in force in
// brackets, "[none]" when it is not.
bool LockedDown() {
  std::ifstream lockdown("/sys/kernel/security/lockdown");
  std::string modes;
  std::getline(lockdown, modes);
  return modes.find('[') != std::string::npos && modes.find("[none]") == std::string::npos;
}

int AskPorts(uint16_t first, unsigned count) {
  if (ioperm(first, count, 1) != 0) return errno;
  ioperm(first, count, 0);
  return 0;
}

std::string PortRange(uint16_t base) {
  return "ports " + Hex(base) + "-" + Hex(base + kWindowSize - 1u);
}

}  // namespace

Backend LoadBackend(BoardKind kind) {
  Backend backend;
  backend.kind = kind;
  backend.soname = kind == BoardKind::kSim ? "libvelkio-sim.so.1" : "libvelkio.so.1";
  const std::string file = LibraryFile(backend.soname);
  void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) Fail(std::string("cannot load the library: ") + dlerror());
  backend.path = file;

#define VELKIO_TOOL_RESOLVE_LIBRARY(name) Resolve(handle, backend, #name, backend.lib.name);
#define VELKIO_TOOL_RESOLVE_SIM(name) Resolve(handle, backend, #name, backend.sim.name);
  VELKIO_TOOL_LIBRARY_FUNCTIONS(VELKIO_TOOL_RESOLVE_LIBRARY)
  if (kind == BoardKind::kSim) {
    VELKIO_TOOL_SIM_FUNCTIONS(VELKIO_TOOL_RESOLVE_SIM)
  }
#undef VELKIO_TOOL_RESOLVE_SIM
#undef VELKIO_TOOL_RESOLVE_LIBRARY

  backend.path = LoadedPath(reinterpret_cast<void *>(backend.lib.InitVelk), file);
  return backend;
}

void RequirePortAccess(uint16_t base) {
  int error = AskPorts(base, kWindowSize);
  if (error == 0) error = AskPorts(kDelayPort, 1);
  if (error == 0) return;

  const std::string ports = PortRange(base);
  if (error == ENOSYS || error == EINVAL)
    Fail("this kernel has no port I/O support (ioperm fails: " + std::string(std::strerror(error)) +
         "), so the board at " + ports +
         " cannot be reached; run on an x86 kernel built with port I/O "
         "(CONFIG_X86_IOPL_IOPERM), or use --board sim.");
  if (error == EPERM && (LockedDown() || HoldsRawio()))
    Fail("the kernel refuses port I/O to " + ports +
         " although the process may use it, as under kernel lockdown (Secure Boot); "
         "boot without lockdown, or use --board sim.");
  if (error == EPERM)
    Fail("no permission for " + ports +
         ": the process lacks CAP_SYS_RAWIO; run velkio as root, or grant the capability with "
         "'sudo setcap cap_sys_rawio+ep velkio'.");
  Fail("the kernel refused access to " + ports + " (" + std::strerror(error) + ").");
}

}  // namespace velk::tool
