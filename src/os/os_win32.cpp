// The operating system interface on Windows. Text is UTF-8 inside the
// program and wide characters at the system's edges, so that paths with
// non-ASCII names work; every call here is a documented Win32 one.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "os/os.h"
#include "os/win32_text.h"

namespace vk {

// ------------------------------------------------------------------ clock

// The performance counter: GetTickCount64 ticks only every 10 to 16 ms,
// too coarse to time a short solve.
int64_t os_clock_ms() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return int64_t(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return int64_t(now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency);
}

OsLocalTime os_local_time() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return OsLocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute};
}

// ----------------------------------------------------------------- memory

// Reserved and committed at once: committed pages are backed by the paging
// file but get physical memory only when first touched, and they come
// zeroed. A machine whose commit limit cannot take the tables refuses here,
// cleanly, as an address-space limit does on Linux.
void* os_reserve(size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void os_release(void* memory, size_t) {
  if (memory) VirtualFree(memory, 0, MEM_RELEASE);
}

// Decommitted pages give their memory and their paging-file charge back;
// committed again at once, they read as zero when next touched. The commit
// cannot fail for a range this process had committed a moment before
// unless the machine's commit limit shrank meanwhile: then the range stays
// decommitted and the next touch faults, as an overcommitted Linux would
// kill, so that is not hidden here either.
void os_discard(void* memory, size_t bytes) {
  if (memory == nullptr) return;
  VirtualFree(memory, bytes, MEM_DECOMMIT);
  VirtualAlloc(memory, bytes, MEM_COMMIT, PAGE_READWRITE);
}

// Large pages need the lock-pages privilege and a reservation of their own
// made with them; a hint after the fact does not exist.
void os_advise_huge(void*, size_t) {}

int64_t os_physical_memory() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? int64_t(status.ullTotalPhys) : 0;
}

// ------------------------------------------------------- files and folders
//
// Wide-character calls throughout, so that non-ASCII paths work; handles are
// HANDLEs in an OsHandle. Links and junctions are both reparse points: a
// call that must not follow one opens with FILE_FLAG_OPEN_REPARSE_POINT and
// looks at the attributes of what it opened.

namespace {

constexpr int32_t WidePathCapacity = 4096;
thread_local int32_t LastError = 0;

struct WidePath {
  wchar_t text[WidePathCapacity];
};

// 0 (with ERROR_FILENAME_EXCED_RANGE or ERROR_NO_UNICODE_TRANSLATION as the
// cause) when the path does not convert.
int32_t widen(const char* path, WidePath& wide) {
  if (utf8_to_wide(path, wide.text, WidePathCapacity)) return 1;
  LastError = ERROR_NO_UNICODE_TRANSLATION;
  return 0;
}

int32_t fail() {
  LastError = int32_t(GetLastError());
  return 0;
}

HANDLE handle_of(OsHandle file) { return reinterpret_cast<HANDLE>(file); }

bool is_reparse(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Opens path itself, never what a reparse point in its last part names.
HANDLE open_no_follow(const wchar_t* path, DWORD access, DWORD share) {
  return CreateFileW(path, access, share, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

int32_t os_error() { return LastError; }

void os_set_error(int32_t error) { LastError = error; }

void os_error_text(int32_t error, char* out, int32_t capacity) {
  wchar_t wide[OsErrorTextCapacity];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           DWORD(error), 0, wide, OsErrorTextCapacity, nullptr);
  // The system's texts end with a full stop and CR LF; the callers add their own.
  while (n > 0 && (wide[n - 1] == L'\n' || wide[n - 1] == L'\r' || wide[n - 1] == L'.')) --n;
  wide[n] = L'\0';
  if (n == 0 || !wide_to_utf8(wide, out, capacity)) {
    if (capacity > 0) out[0] = '\0';
  }
}

int32_t os_error_is_shortage(int32_t error) {
  return error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_NOT_ENOUGH_MEMORY ||
         error == ERROR_OUTOFMEMORY || error == ERROR_NO_SYSTEM_RESOURCES ||
         error == ERROR_COMMITMENT_LIMIT;
}

int32_t os_path_kind(const char* path, int32_t followLinks) {
  WidePath wide;
  if (!widen(path, wide)) return OsMissing;
  HANDLE h = followLinks
                 ? CreateFileW(wide.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)
                 : open_no_follow(wide.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (h == INVALID_HANDLE_VALUE) {
    fail();
    return OsMissing;
  }
  int32_t kind = OsOtherKind;
  BY_HANDLE_FILE_INFORMATION info;
  DWORD type = GetFileType(h);
  if (type == FILE_TYPE_CHAR) kind = OsDevice;
  else if (type == FILE_TYPE_PIPE) kind = OsPipe;
  else if (GetFileInformationByHandle(h, &info)) {
    if (!followLinks && is_reparse(info.dwFileAttributes)) kind = OsLink;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) kind = OsFolder;
    else kind = OsFile;
  }
  CloseHandle(h);
  return kind;
}

// %LOCALAPPDATA%: the user's own, never shared with other users.
int32_t os_user_cache_folder(char* out, int32_t capacity) {
  wchar_t wide[WidePathCapacity];
  DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", wide, WidePathCapacity);
  if (n == 0 || n >= WidePathCapacity) return 0;
  return wide_to_utf8(wide, out, capacity);
}

int32_t os_open_read(const char* path, OsHandle& file) {
  WidePath wide;
  file = OsNoHandle;
  if (!widen(path, wide)) return 0;
  HANDLE h = CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail();
  file = reinterpret_cast<OsHandle>(h);
  return 1;
}

OsHandle os_standard_input() { return reinterpret_cast<OsHandle>(GetStdHandle(STD_INPUT_HANDLE)); }

int32_t os_read(OsHandle file, char* out, int32_t capacity) {
  DWORD got = 0;
  if (ReadFile(handle_of(file), out, DWORD(capacity), &got, nullptr)) return int32_t(got);
  // A pipe whose writer has gone is the end of the input, not an error.
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  fail();
  return -1;
}

// Binary bytes, as on Linux: no text mode anywhere, so LF stays LF. A
// reparse point at path makes it fail rather than write through it.
int32_t os_create_file(const char* path, OsHandle& file) {
  WidePath wide;
  file = OsNoHandle;
  if (!widen(path, wide)) return 0;
  DWORD attributes = GetFileAttributesW(wide.text);
  if (attributes != INVALID_FILE_ATTRIBUTES && is_reparse(attributes)) {
    LastError = ERROR_CANT_ACCESS_FILE;
    return 0;
  }
  HANDLE h = CreateFileW(wide.text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail();
  file = reinterpret_cast<OsHandle>(h);
  return 1;
}

// Others may read a report while it grows; a link at path is followed.
int32_t os_create_document(const char* path, OsHandle& file) {
  WidePath wide;
  file = OsNoHandle;
  if (!widen(path, wide)) return 0;
  HANDLE h = CreateFileW(wide.text, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail();
  file = reinterpret_cast<OsHandle>(h);
  return 1;
}

int32_t os_write_all(OsHandle file, const char* bytes, int32_t count) {
  while (count > 0) {
    DWORD wrote = 0;
    if (!WriteFile(handle_of(file), bytes, DWORD(count), &wrote, nullptr)) return fail();
    if (wrote == 0) {
      LastError = ERROR_WRITE_FAULT;
      return 0;
    }
    bytes += wrote;
    count -= int32_t(wrote);
  }
  return 1;
}

int32_t os_close(OsHandle file) {
  if (file == OsNoHandle) return 1;
  return CloseHandle(handle_of(file)) ? 1 : fail();
}

int32_t os_make_folders(const char* path) {
  WidePath wide;
  if (!widen(path, wide)) return 0;
  // Each separator in turn, then the whole path; a drive or share root
  // already stands.
  for (wchar_t* p = wide.text; ; ++p) {
    wchar_t c = *p;
    if (c == L'\\' || c == L'/' || c == L'\0') {
      *p = L'\0';
      if (p > wide.text && p[-1] != L':' && !CreateDirectoryW(wide.text, nullptr) &&
          GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_ACCESS_DENIED)
        return fail();
      *p = c;
    }
    if (c == L'\0') break;
  }
  return GetFileAttributesW(wide.text) != INVALID_FILE_ATTRIBUTES ? 1 : fail();
}

// The user's temporary folder is the user's own; a fresh name from the
// process id and a counter, created or retried.
int32_t os_make_private_folder(const char* prefix, char* out, int32_t capacity) {
  static volatile LONG counter = 0;
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  WidePath wide;
  if (n == 0 || n > MAX_PATH || !widen(prefix, wide)) return 0;
  for (int32_t attempt = 0; attempt < 100; ++attempt) {
    wchar_t path[WidePathCapacity];
    wsprintfW(path, L"%s%s%lu-%ld", base, wide.text, GetCurrentProcessId(),
              InterlockedIncrement(&counter));
    if (CreateDirectoryW(path, nullptr)) return wide_to_utf8(path, out, capacity);
    if (GetLastError() != ERROR_ALREADY_EXISTS) return fail();
  }
  return 0;
}

// RemoveDirectoryW removes a junction or a folder link itself, never what it
// names.
int32_t os_remove_folder(const char* path) {
  WidePath wide;
  if (!widen(path, wide)) return 0;
  return RemoveDirectoryW(wide.text) ? 1 : fail();
}

// A file link goes with DeleteFileW; a folder link or junction with
// RemoveDirectoryW, which takes the reparse point and never the folder it
// names; a real folder stays.
int32_t os_remove_file(const char* path) {
  WidePath wide;
  if (!widen(path, wide)) return 0;
  DWORD attributes = GetFileAttributesW(wide.text);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND ? 1 : fail();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!is_reparse(attributes)) {
      LastError = ERROR_DIRECTORY;
      return 0;
    }
    return RemoveDirectoryW(wide.text) ? 1 : fail();
  }
  return DeleteFileW(wide.text) ? 1 : fail();
}

namespace {

// The listing reads the folder through a handle of its own with
// GetFileInformationByHandleEx, which shares delete access with others (a
// held store lock forbids opens that do not), into a buffer per thread: no
// allocation, and the intake keeps one listing open at a time.
constexpr DWORD ListBufferBytes = 64 * 1024;
struct ListState {
  alignas(8) unsigned char buffer[ListBufferBytes];
  DWORD next;  // offset of the next entry in buffer; ListBufferBytes: read more
};
thread_local ListState TheList;

bool dot_entry(const wchar_t* name, DWORD length) {
  return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

// Reads the next batch of entries; 1, 0 at the end, -1 on an error.
int32_t read_entries(OsList& list, FILE_INFO_BY_HANDLE_CLASS kind) {
  if (GetFileInformationByHandleEx(list.handle, kind, TheList.buffer, ListBufferBytes)) {
    TheList.next = 0;
    return 1;
  }
  if (GetLastError() == ERROR_NO_MORE_FILES) return 0;
  fail();
  return -1;
}

}  // namespace

int32_t os_list_open(OsList& list, const char* path) {
  list = OsList{};
  WidePath wide;
  if (!widen(path, wide)) return 0;
  HANDLE h = CreateFileW(wide.text, FILE_LIST_DIRECTORY,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail();
  list.handle = h;
  int32_t got = read_entries(list, FileIdBothDirectoryRestartInfo);
  if (got < 0) {
    os_list_close(list);
    return 0;
  }
  list.pending = got;  // 0: an empty folder, not even "." and ".."
  if (got == 0) TheList.next = ListBufferBytes;
  return 1;
}

int32_t os_list_next(OsList& list) {
  if (list.handle == nullptr) return -1;
  for (;;) {
    if (!list.pending) {
      int32_t got = read_entries(list, FileIdBothDirectoryInfo);
      if (got <= 0) return got;
      list.pending = 1;
    }
    auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(TheList.buffer + TheList.next);
    if (entry->NextEntryOffset == 0) list.pending = 0;
    else TheList.next += entry->NextEntryOffset;
    DWORD length = entry->FileNameLength / sizeof(wchar_t);
    if (dot_entry(entry->FileName, length) || length >= DWORD(OsNameCapacity)) continue;
    wchar_t name[OsNameCapacity];
    memcpy(name, entry->FileName, length * sizeof(wchar_t));
    name[length] = L'\0';
    // A name that does not fit is skipped: no file of the store is that long.
    if (wide_to_utf8(name, list.name, OsNameCapacity)) return 1;
  }
}

void os_list_close(OsList& list) {
  if (list.handle != nullptr) CloseHandle(list.handle);
  list.handle = nullptr;
}

// Folders take no byte-range locks on Windows, so the lock is the folder
// opened for delete access while sharing no delete access: a second such
// open fails with a sharing violation, and so does any attempt to delete,
// rename or swap the folder for a junction while the lock is held. Listing
// it and working with its files stay free. The open never follows a
// reparse point, and a reparse point or a file opened instead is refused.
// The system closes the handle, and so drops the lock, when the process
// ends.
int32_t os_lock_folder(const char* path, OsHandle& lock) {
  lock = OsNoHandle;
  WidePath wide;
  if (!widen(path, wide)) return 0;
  HANDLE h = open_no_follow(wide.text, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    LastError = int32_t(error);
    return error == ERROR_SHARING_VIOLATION ? OsBusy : 0;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info) || is_reparse(info.dwFileAttributes) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    LastError = ERROR_DIRECTORY;
    CloseHandle(h);
    return 0;
  }
  lock = reinterpret_cast<OsHandle>(h);
  return 1;
}

void os_unlock_folder(OsHandle& lock) {
  if (lock == OsNoHandle) return;
  CloseHandle(handle_of(lock));  // closing drops the lock
  lock = OsNoHandle;
}

namespace {

// The volume and file index of what path names, links resolved.
bool identity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  return ok;
}

bool same(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

// The final path of what path names, links and junctions resolved. false
// when it cannot be opened.
bool final_path(const wchar_t* path, wchar_t* out) {
  HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = GetFinalPathNameByHandleW(h, out, WidePathCapacity, FILE_NAME_NORMALIZED);
  CloseHandle(h);
  return n > 0 && n < DWORD(WidePathCapacity);
}

// Cuts the last part off path; false when nothing is left to cut.
bool cut_last_part(wchar_t* path) {
  size_t n = wcslen(path);
  while (n > 0 && (path[n - 1] == L'\\' || path[n - 1] == L'/')) --n;
  while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
  if (n == 0) return false;
  path[n] = L'\0';
  return true;
}

// The path resolved (or, when it does not exist, the folder it would be
// made in), then each folder up to the volume's root compared by identity
// with the folder.
int32_t os_path_within(const char* path, const char* folder) {
  WidePath wide, top;
  BY_HANDLE_FILE_INFORMATION folderInfo, stepInfo;
  if (!widen(path, wide) || !widen(folder, top) || !identity(top.text, folderInfo)) return 0;
  static thread_local wchar_t step[WidePathCapacity];
  if (!final_path(wide.text, step)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return 0;
    if (!cut_last_part(wide.text) || !final_path(wide.text, step)) return 0;
  }
  // Up to the volume's root and beyond it, where nothing opens any more.
  for (;;) {
    if (identity(step, stepInfo) && same(stepInfo, folderInfo)) return 1;
    if (!cut_last_part(step)) return 0;
  }
}

// ------------------------------------------------- signals and the terminal

// Windows has no file-size signal: a write past a quota or a full disk
// fails with an error.
void os_ignore_file_size_signal() {}

OsHandle os_standard_output() { return reinterpret_cast<OsHandle>(GetStdHandle(STD_OUTPUT_HANDLE)); }
OsHandle os_standard_error() { return reinterpret_cast<OsHandle>(GetStdHandle(STD_ERROR_HANDLE)); }

// A console answers GetConsoleMode; a file, a pipe or the NUL device do not.
int32_t os_is_terminal(OsHandle file) {
  DWORD mode = 0;
  return GetConsoleMode(handle_of(file), &mode) ? 1 : 0;
}

void os_plain_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

namespace {

// Room for the longest command line Windows takes (32,767 wide
// characters), each as up to three UTF-8 bytes, and its arguments.
constexpr int32_t CommandLineCapacity = 32768;
char ArgumentText[3 * CommandLineCapacity];
char* Arguments[CommandLineCapacity / 2 + 1];

void (*InterruptHandler)() = nullptr;

// Called by the console on a thread of its own. TRUE: handled, the process
// goes on and finishes its report; the exit status says it was stopped.
BOOL WINAPI on_console_control(DWORD event) {
  if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) || InterruptHandler == nullptr)
    return FALSE;
  InterruptHandler();
  return TRUE;
}

}  // namespace

char** os_utf8_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return argv;
  char* at = ArgumentText;
  char* end = ArgumentText + sizeof ArgumentText;
  int32_t ok = count == argc;
  for (int i = 0; ok && i < count; ++i) {
    int32_t room = int32_t(end - at);
    ok = wide_to_utf8(wide[i], at, room);
    Arguments[i] = at;
    at += strlen(at) + 1;
  }
  LocalFree(wide);
  if (!ok) return argv;
  Arguments[count] = nullptr;
  return Arguments;
}

// Writes to a closed pipe already fail with ERROR_NO_DATA on Windows.
void os_catch_interrupt(void (*handler)()) {
  InterruptHandler = handler;
  SetConsoleCtrlHandler(on_console_control, TRUE);
}

void os_release_interrupt() {
  SetConsoleCtrlHandler(on_console_control, FALSE);
  InterruptHandler = nullptr;
}

void os_block_interrupt_here() {}

}  // namespace vk
