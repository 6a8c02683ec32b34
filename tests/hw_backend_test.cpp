// The hardware library, run on a machine that grants no port access.
//
// The test executable defines ioperm itself, so the library's requests for
// port access come here and are granted or refused at will. Where they are
// "granted", the library's in/out instructions fault (the process has no real
// permission); a SIGSEGV handler decodes each faulting instruction, records the
// access, answers reads from a small model, and resumes after the instruction.
// That runs the library's real machine code and shows its exact port accesses.
#include <gtest/gtest.h>
#include <signal.h>
#include <ucontext.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "velkio.h"

namespace {

struct PermissionRequest {
  unsigned long from;
  unsigned long num;
  int on;
  bool operator==(const PermissionRequest &) const = default;
};

std::mutex requests_mutex;
std::vector<PermissionRequest> requests;
std::atomic<bool> grant{false};

// Port accesses decoded from faulting instructions; written by the signal
// handler, so a fixed array and an atomic index.
struct Access {
  char op;  // 'i' in, 'o' out
  uint8_t bits;
  uint16_t port;
  uint16_t value;
  bool operator==(const Access &) const = default;
};
constexpr size_t kMaxAccesses = 4096;
Access accesses[kMaxAccesses];
std::atomic<size_t> access_count{0};
std::atomic<uint16_t> status_answer{0x0080};
std::atomic<uint16_t> data_answer{0xF123};
std::atomic<uint16_t> digital_answer{0x00A5};
std::atomic<uint16_t> base_seen{0x300};

uint16_t Answer(uint16_t port) {
  const uint16_t base = base_seen.load();
  if (port == base) return status_answer.load();
  if (port == static_cast<uint16_t>(base + 2)) return data_answer.load();
  if (port == static_cast<uint16_t>(base + 4)) return digital_answer.load();
  return 0;
}

void EmulatePortInstruction(int, siginfo_t *, void *context) {
  auto *uc = static_cast<ucontext_t *>(context);
#if defined(__x86_64__)
  greg_t &ip = uc->uc_mcontext.gregs[REG_RIP];
  greg_t &ax = uc->uc_mcontext.gregs[REG_RAX];
  const greg_t dx = uc->uc_mcontext.gregs[REG_RDX];
#else
  greg_t &ip = uc->uc_mcontext.gregs[REG_EIP];
  greg_t &ax = uc->uc_mcontext.gregs[REG_EAX];
  const greg_t dx = uc->uc_mcontext.gregs[REG_EDX];
#endif
  const auto *code = reinterpret_cast<const uint8_t *>(ip);
  size_t length = 0;
  const bool operand16 = code[0] == 0x66;
  if (operand16) ++length;
  const uint8_t opcode = code[length++];
  uint16_t port = static_cast<uint16_t>(dx);
  if (opcode >= 0xE4 && opcode <= 0xE7) port = code[length++];  // immediate port number
  const bool wide = (opcode & 1) != 0;
  if (wide && !operand16) abort();  // 32-bit port access: never made by the library
  const bool is_in = opcode == 0xE4 || opcode == 0xE5 || opcode == 0xEC || opcode == 0xED;
  if (!is_in && opcode != 0xE6 && opcode != 0xE7 && opcode != 0xEE && opcode != 0xEF) abort();
  Access access{is_in ? 'i' : 'o', static_cast<uint8_t>(wide ? 16 : 8), port, 0};
  if (is_in) {
    access.value = wide ? Answer(port) : static_cast<uint8_t>(Answer(port));
    const greg_t mask = wide ? 0xFFFF : 0xFF;
    ax = (ax & ~mask) | access.value;
  } else {
    access.value = static_cast<uint16_t>(ax & (wide ? 0xFFFF : 0xFF));
  }
  const size_t slot = access_count.fetch_add(1);
  if (slot < kMaxAccesses) accesses[slot] = access;
  ip += static_cast<greg_t>(length);
}

std::vector<Access> TakeAccesses() {
  const size_t n = std::min(access_count.exchange(0), kMaxAccesses);
  return std::vector<Access>(accesses, accesses + n);
}

std::vector<PermissionRequest> TakeRequests() {
  std::lock_guard lock(requests_mutex);
  return std::exchange(requests, {});
}

// Runs body on a new thread, which has asked for no port access yet.
template <typename Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

class HwBackendTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    struct sigaction action = {};
    action.sa_sigaction = EmulatePortInstruction;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGSEGV, &action, nullptr), 0);
  }
  void SetUp() override {
    SetBaseAddressVelk(0x300);
    base_seen = 0x300;
    TakeRequests();
    TakeAccesses();
  }
};

Access In16(uint16_t port, uint16_t value) {
  return {'i', 16, port, value};
}
Access In8(uint16_t port, uint16_t value) {
  return {'i', 8, port, value};
}
Access Out16(uint16_t port, uint16_t value) {
  return {'o', 16, port, value};
}

}  // namespace

// Defined here, found by the library before the C library's own.
extern "C" __attribute__((visibility("default"))) int ioperm(unsigned long from, unsigned long num,
                                                             int on) {
  std::lock_guard lock(requests_mutex);
  requests.push_back({from, num, on});
  if (grant) return 0;
  errno = EPERM;
  return -1;
}

namespace {

// Must stay the first test: nothing has called the library yet.
TEST_F(HwBackendTest, LoadingAsksForNoPortAccess) {
  EXPECT_TRUE(TakeRequests().empty());
}

TEST_F(HwBackendTest, WithoutPermissionReadsAreZeroWritesDroppedAndWaitsTimeOut) {
  grant = false;
  OnFreshThread([] {
    EXPECT_EQ(ADVelk(), VELKIO_TIMEOUT_STATUS);
    EXPECT_EQ(ADChanVelk(3), VELKIO_TIMEOUT_STATUS);
    EXPECT_EQ(ADWaitReadVelk(1000), VELKIO_TIMEOUT_STATUS);
    EXPECT_EQ(TestVelk(), 0);
    EXPECT_EQ(DigInVelk(), 0);
    EXPECT_EQ(InitVelk(), 0);
    DAVelk(100);
    int16_t buffer[4] = {7, 7, 7, 7};
    EXPECT_EQ(ADChanMultiVelk(buffer, 4, 0, 500), VELKIO_TIMEOUT_STATUS);
    EXPECT_EQ(buffer[0], 7) << "no made-up sample";
  });
  EXPECT_EQ(TakeAccesses().size(), 0u) << "no port instruction ran";
  // Asked once for the window, then not again on the same thread.
  const std::vector<PermissionRequest> asked = TakeRequests();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], (PermissionRequest{0x300, 16, 1}));
  EXPECT_EQ(asked[1], (PermissionRequest{0x300, 16, 0})) << "a partial grant is given back";
}

TEST_F(HwBackendTest, WithPermissionEachPortOperationIsOneInstruction) {
  grant = true;
  int16_t sample = 0;
  OnFreshThread([&] { sample = ADChanVelk(5); });
  EXPECT_EQ(sample, 0x123);
  const std::vector<Access> expected = {
      Out16(0x302, 0x0095), In8(0x61, 0),        In8(0x61, 0),
      In8(0x61, 0),         In8(0x61, 0),        In16(0x302, 0xF123),
      Out16(0x300, 0xFFFF), In16(0x300, 0x0080), In16(0x302, 0xF123),
  };
  EXPECT_EQ(TakeAccesses(), expected);
  EXPECT_EQ(TakeRequests(), (std::vector<PermissionRequest>{{0x300, 16, 1}, {0x61, 1, 1}}));
}

TEST_F(HwBackendTest, ATimeoutReadsTheStatusTenTimes) {
  grant = true;
  status_answer = 0x0000;
  int16_t sample = 0;
  OnFreshThread([&] { sample = ADVelk(); });
  status_answer = 0x0080;
  EXPECT_EQ(sample, VELKIO_TIMEOUT_STATUS);
  std::vector<Access> expected = {Out16(0x300, 0xFFFF)};
  expected.insert(expected.end(), 10, In16(0x300, 0));
  EXPECT_EQ(TakeAccesses(), expected);
}

TEST_F(HwBackendTest, EightBitPortsAndTheDelayPort) {
  grant = true;
  uint16_t digital = 0;
  OnFreshThread([&] {
    digital = DigInVelk();
    DigOutVelk(0x1C3);
    SetTimerVelk(2, 3, 500);
  });
  EXPECT_EQ(digital, 0xA5);
  const std::vector<Access> expected = {
      In8(0x304, 0xA5),      {'o', 8, 0x304, 0xC3}, {'o', 8, 0x30E, 0xB6},
      {'o', 8, 0x30C, 0xF4}, In8(0x61, 0),          {'o', 8, 0x30C, 0x01},
  };
  EXPECT_EQ(TakeAccesses(), expected);
}

TEST_F(HwBackendTest, MovingTheBoardMovesThePermission) {
  grant = true;
  OnFreshThread([] {
    DAVelk(0);
    EXPECT_EQ(TakeRequests(), (std::vector<PermissionRequest>{{0x300, 16, 1}, {0x61, 1, 1}}));
    SetBaseAddressVelk(0x280);
    EXPECT_TRUE(TakeRequests().empty()) << "moving the board asks for nothing by itself";
    DAVelk(0);
    EXPECT_EQ(TakeRequests(),
              (std::vector<PermissionRequest>{{0x300, 16, 0}, {0x280, 16, 1}, {0x61, 1, 1}}))
        << "the old window is given up";
    DAVelk(0);
    EXPECT_TRUE(TakeRequests().empty());
  });
  EXPECT_EQ(TakeAccesses(), (std::vector<Access>{Out16(0x306, 0x0800), Out16(0x286, 0x0800),
                                                 Out16(0x286, 0x0800)}));
}

TEST_F(HwBackendTest, AWindowPastTheTopOfThePortSpaceWraps) {
  grant = true;
  SetBaseAddressVelk(0xFFF8);
  base_seen = 0xFFF8;
  OnFreshThread([] { DAVelk(0); });
  EXPECT_EQ(TakeRequests(),
            (std::vector<PermissionRequest>{{0xFFF8, 8, 1}, {0x0000, 8, 1}, {0x61, 1, 1}}));
  EXPECT_EQ(TakeAccesses(), (std::vector<Access>{Out16(0xFFFE, 0x0800)}));
}

// At these bases a 16-bit register sits at port 0xFFFF, where a 16-bit access
// faults whatever permission the thread holds: the board is treated as refused.
TEST_F(HwBackendTest, ABaseWithAWordPortAt0xFFFFIsRefused) {
  grant = true;
  for (uint16_t base : {0xFFFF, 0xFFFD, 0xFFF9}) {
    SetBaseAddressVelk(base);
    base_seen = base;
    int16_t sample = 0;
    OnFreshThread([&] {
      sample = ADVelk();
      DAVelk(0);
      DigOutVelk(1);
    });
    EXPECT_EQ(sample, VELKIO_TIMEOUT_STATUS) << "base 0x" << std::hex << base;
    EXPECT_TRUE(TakeRequests().empty()) << "base 0x" << std::hex << base;
    EXPECT_TRUE(TakeAccesses().empty()) << "base 0x" << std::hex << base;
  }
}

TEST_F(HwBackendTest, EveryThreadAsksForItself) {
  grant = true;
  OnFreshThread([] { DigOutVelk(1); });
  OnFreshThread([] { DigOutVelk(2); });
  EXPECT_EQ(TakeRequests(), (std::vector<PermissionRequest>{
                                {0x300, 16, 1}, {0x61, 1, 1}, {0x300, 16, 1}, {0x61, 1, 1}}));
  EXPECT_EQ(TakeAccesses().size(), 2u);
}

}  // namespace
