// The OS layer on Windows: the clock, the reservation of the big tables,
// files and folders with non-ASCII names, the store lock, junctions.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/support.h"

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

// ---------------------------------------------------------------- files and folders

std::string read_all(const std::string& path) {
  OsHandle file = OsNoHandle;
  if (!os_open_read(path.c_str(), file)) return "<unreadable>";
  std::string bytes;
  char chunk[64];
  for (int32_t got; (got = os_read(file, chunk, sizeof chunk)) > 0;) bytes.append(chunk, size_t(got));
  os_close(file);
  return bytes;
}

void write_all(const std::string& path, const char* bytes) {
  OsHandle file = OsNoHandle;
  ASSERT_EQ(os_create_file(path.c_str(), file), 1) << path;
  ASSERT_EQ(os_write_all(file, bytes, int32_t(std::strlen(bytes))), 1);
  ASSERT_EQ(os_close(file), 1);
}

// A folder and a file with names beyond the system's code page, made,
// listed, read and removed through UTF-8; the bytes stay as written, LF
// and all.
TEST(WinOs, NonAsciiNamesRoundTrip) {
  TempDir temp;
  const std::string folder = temp / "\xc3\x84rger-\xe6\x97\xa5\xe6\x9c\xac\\sub";  // Ärger-日本\sub
  ASSERT_EQ(os_make_folders(folder.c_str()), 1);
  EXPECT_EQ(os_path_kind(folder.c_str(), 0), OsFolder);
  const std::string file = folder + "\\\xce\xbb-0001.txt";  // λ-0001.txt
  write_all(file, "####\n#@$.#\n####\n");
  EXPECT_EQ(read_all(file), "####\n#@$.#\n####\n");
  EXPECT_EQ(os_path_kind(file.c_str(), 1), OsFile);
  OsList list;
  ASSERT_EQ(os_list_open(list, folder.c_str()), 1);
  ASSERT_EQ(os_list_next(list), 1);
  EXPECT_STREQ(list.name, "\xce\xbb-0001.txt");
  EXPECT_EQ(os_list_next(list), 0);
  os_list_close(list);
  EXPECT_EQ(os_path_within(file.c_str(), (temp / "").c_str()), OsInside);
  EXPECT_EQ(os_path_within((folder + "\\new.txt").c_str(), folder.c_str()), OsInside);
  EXPECT_EQ(os_path_within((folder + "\\no\\such.txt").c_str(), folder.c_str()), OsOutside);
  EXPECT_EQ(os_remove_file(folder.c_str()), 0);  // a folder is never removed as a file
  EXPECT_EQ(os_remove_file(file.c_str()), 1);
  EXPECT_EQ(os_remove_file(file.c_str()), 1);  // already gone
  EXPECT_EQ(os_remove_folder(folder.c_str()), 1);
  EXPECT_EQ(os_path_kind(folder.c_str(), 1), OsMissing);
}

// One holder at a time, in this process as in another; the held folder
// cannot be removed; the lock ends with its handle.
TEST(WinOs, StoreLockIsExclusiveAndKeepsTheFolder) {
  TempDir temp;
  const std::string store = temp / "store";
  ASSERT_EQ(os_make_folders(store.c_str()), 1);
  OsHandle first = OsNoHandle, second = OsNoHandle;
  ASSERT_EQ(os_lock_folder(store.c_str(), first), 1);
  EXPECT_EQ(os_lock_folder((store + "\\").c_str(), second), OsBusy);
  EXPECT_EQ(second, OsNoHandle);
  // The store's work goes on under the lock: files in it, its listing.
  write_all(store + "\\0001.txt", "#\n");
  OsList list;
  ASSERT_EQ(os_list_open(list, store.c_str()), 1);
  EXPECT_EQ(os_list_next(list), 1);
  os_list_close(list);
  EXPECT_EQ(os_remove_file((store + "\\0001.txt").c_str()), 1);
  EXPECT_EQ(os_remove_folder(store.c_str()), 0);
  os_unlock_folder(first);
  EXPECT_EQ(first, OsNoHandle);
  ASSERT_EQ(os_lock_folder(store.c_str(), second), 1);
  os_unlock_folder(second);
  EXPECT_EQ(os_lock_folder((temp / "missing").c_str(), second), 0);
}

// A report: created through a path the user names, LF kept, then
// truncated by the next run.
TEST(WinOs, DocumentsAreBinaryAndTruncated) {
  TempDir temp;
  const std::string report = temp / "report.txt";
  for (const char* text : {"first line\nsecond\n", "x\n"}) {
    OsHandle file = OsNoHandle;
    ASSERT_EQ(os_create_document(report.c_str(), file), 1);
    ASSERT_EQ(os_write_all(file, text, int32_t(std::strlen(text))), 1);
    EXPECT_EQ(os_is_terminal(file), 0);
    ASSERT_EQ(os_close(file), 1);
    EXPECT_EQ(read_all(report), text);
  }
  OsHandle file = OsNoHandle;
  EXPECT_EQ(os_create_document((temp / "no\\such\\r.txt").c_str(), file), 0);
  EXPECT_NE(os_error(), 0);
  char text[OsErrorTextCapacity];
  os_error_text(os_error(), text, OsErrorTextCapacity);
  EXPECT_GT(std::strlen(text), 0u);
}

TEST(WinOs, LocalTimeIsADate) {
  OsLocalTime t = os_local_time();
  EXPECT_GE(t.year, 2020);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31);
  EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59);
}

// ---------------------------------------------------------------- Ctrl-C

std::atomic<int32_t> CtrlC{0};
void count_ctrl_c(int32_t signal) {
  if (signal == OsSignalInterrupt) CtrlC.fetch_add(1);
}

// Ctrl-C reaches the handler (on a thread of the console's) and the
// process goes on, as the batch needs to finish its report. Skipped where
// there is no console to raise the event in.
TEST(WinOs, CtrlCCallsTheHandlerAndTheProcessGoesOn) {
  os_catch_stop_signals(count_ctrl_c);
  bool raised = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
  for (int i = 0; raised && i < 200 && CtrlC.load() == 0; ++i) Sleep(10);
  if (!raised || CtrlC.load() == 0) GTEST_SKIP() << "no console Ctrl-C here";
  EXPECT_EQ(CtrlC.load(), 1);
  EXPECT_EQ(os_stop_signal(), OsSignalInterrupt);
}

// ---------------------------------------------------------------- junctions

// The mount-point reparse buffer, as the I/O control takes it.
struct MountPointBuffer {
  DWORD tag;
  WORD dataLength;
  WORD reserved;
  WORD substituteOffset, substituteLength, printOffset, printLength;
  wchar_t paths[512];
};

// Makes link a junction to target; false where the system cannot.
bool make_junction(const std::string& link, const std::string& target) {
  wchar_t wideLink[MAX_PATH], wideTarget[MAX_PATH];
  MultiByteToWideChar(CP_UTF8, 0, link.c_str(), -1, wideLink, MAX_PATH);
  MultiByteToWideChar(CP_UTF8, 0, target.c_str(), -1, wideTarget, MAX_PATH);
  if (!CreateDirectoryW(wideLink, nullptr)) return false;
  std::wstring substitute = std::wstring(L"\\??\\") + wideTarget;
  MountPointBuffer b = {};
  b.tag = IO_REPARSE_TAG_MOUNT_POINT;
  WORD bytes = WORD(substitute.size() * sizeof(wchar_t));
  b.substituteLength = bytes;
  b.printOffset = WORD(bytes + sizeof(wchar_t));
  std::memcpy(b.paths, substitute.c_str(), bytes + sizeof(wchar_t));
  b.paths[substitute.size() + 1] = L'\0';
  b.dataLength = WORD(4 * sizeof(WORD) + bytes + 2 * sizeof(wchar_t));
  HANDLE h = CreateFileW(wideLink, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD done = 0;
  bool ok = h != INVALID_HANDLE_VALUE &&
            DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &b, DWORD(8 + b.dataLength), nullptr, 0,
                            &done, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  DWORD attributes = GetFileAttributesW(wideLink);
  ok = ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (!ok) RemoveDirectoryW(wideLink);
  return ok;
}

// A junction is a link: refused as a store, removed as itself, never
// followed into the folder it names.
TEST(WinOs, JunctionIsRefusedAndNeverFollowed) {
  TempDir temp;
  const std::string target = temp / "target";
  const std::string junction = temp / "junction";
  ASSERT_EQ(os_make_folders(target.c_str()), 1);
  write_all(target + "\\0001.txt", "keep\n");
  if (!make_junction(junction, target)) GTEST_SKIP() << "no junctions here";
  EXPECT_EQ(os_path_kind(junction.c_str(), 0), OsLink);
  EXPECT_EQ(os_path_kind((junction + "\\").c_str(), 0), OsLink);
  EXPECT_EQ(os_path_kind(junction.c_str(), 1), OsFolder);
  OsHandle lock = OsNoHandle;
  EXPECT_EQ(os_lock_folder(junction.c_str(), lock), 0);
  OsHandle file = OsNoHandle;
  EXPECT_EQ(os_create_file(junction.c_str(), file), 0);
  EXPECT_EQ(os_remove_file(junction.c_str()), 1);  // the junction goes
  EXPECT_EQ(read_all(target + "\\0001.txt"), "keep\n");
}

}  // namespace

}  // namespace vk
