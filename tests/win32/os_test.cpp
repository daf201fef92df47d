// The OS layer on Windows: the clock and the reservation of the big tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "os/os.h"

namespace vk {

namespace {

constexpr size_t TablesBytes = 608000000;

TEST(WinOs, ClockIsMonotonicAndInMilliseconds) {
  int64_t before = vk::os_clock_ms();
  Sleep(50);
  int64_t after = vk::os_clock_ms();
  EXPECT_GE(after - before, 30);
  EXPECT_LT(after - before, 5000);
}

// The tables come zeroed and can be written from end to end.
TEST(WinOs, TablesAreReservedZeroedAndReleased) {
  auto* memory = static_cast<uint8_t*>(vk::os_reserve(TablesBytes));
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % 4096, 0u);
  EXPECT_EQ(memory[0], 0);
  EXPECT_EQ(memory[TablesBytes - 1], 0);
  memory[0] = 1;
  memory[TablesBytes - 1] = 1;
  vk::os_release(memory, TablesBytes);
  vk::os_release(nullptr, TablesBytes);  // nothing to release
}

// More than any machine can commit is refused with null, not a crash.
TEST(WinOs, ImpossibleReservationIsRefused) {
  EXPECT_EQ(vk::os_reserve(size_t(1) << 62), nullptr);
}

// A job object's memory limit, where the system honours one: the tables
// are refused as under an address-space limit on Linux.
TEST(WinOs, TablesRefusedUnderAJobMemoryLimit) {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  ASSERT_NE(job, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit = {};
  limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
  limit.ProcessMemoryLimit = 256u << 20;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limit, sizeof limit) ||
      !AssignProcessToJobObject(job, GetCurrentProcess())) {
    CloseHandle(job);
    GTEST_SKIP() << "no job memory limit here";
  }
  void* memory = vk::os_reserve(TablesBytes);
  if (memory != nullptr) {
    vk::os_release(memory, TablesBytes);
    CloseHandle(job);
    GTEST_SKIP() << "the job memory limit is not enforced here";
  }
  EXPECT_EQ(memory, nullptr);
  CloseHandle(job);
}

}  // namespace

}  // namespace vk
