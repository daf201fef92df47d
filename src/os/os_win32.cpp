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

#include <atomic>
#include <cstdio>
#include <cwchar>

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
  // Without following links the path is judged as the user reads it:
  // "lnk\\sub\\.." is the link lnk ("." when no name stands).
  char standing[WidePathCapacity];
  int32_t length = os_standing_length(path);
  if (length > 0 && path[length - 1] == ':' && path[length] != '\0') ++length;  // "C:\\" stays the root
  if (length >= WidePathCapacity) return OsMissing;
  memcpy(standing, length > 0 ? path : ".", size_t(length > 0 ? length : 1));
  standing[length > 0 ? length : 1] = '\0';
  WidePath wide;
  if (!widen(followLinks ? path : standing, wide)) return OsMissing;
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
  if (os_stop_signal() != 0) {
    LastError = ERROR_OPERATION_ABORTED;
    return -1;
  }
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

int32_t os_temporary_folder(char* out, int32_t capacity) {
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return fail();
  while (n > 3 && (base[n - 1] == L'\\' || base[n - 1] == L'/')) base[--n] = L'\0';
  return wide_to_utf8(base, out, capacity);
}

namespace {

// Removes the plain files and links of the folder (a link goes as itself).
void remove_plain_entries(const wchar_t* folder) {
  wchar_t pattern[WidePathCapacity];
  if (_snwprintf(pattern, WidePathCapacity, L"%ls\\*", folder) < 0) return;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    wchar_t path[WidePathCapacity];
    if (_snwprintf(path, WidePathCapacity, L"%ls\\%ls", folder, entry.cFileName) < 0) continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path);
    else if (is_reparse(entry.dwFileAttributes)) RemoveDirectoryW(path);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

}  // namespace

// %TEMP% is the user's own, so every folder in it is this user's. A folder
// whose lock is free opens with the lock's own access; held meanwhile, it
// cannot be taken by a run that starts.
void os_remove_stale_private_folders(const char* prefix, const char* lockName) {
  wchar_t base[MAX_PATH + 1];
  WidePath widePrefix, wideLock;
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH || !widen(prefix, widePrefix) || !widen(lockName, wideLock)) return;
  wchar_t pattern[WidePathCapacity];
  if (_snwprintf(pattern, WidePathCapacity, L"%ls%ls*", base, widePrefix.text) < 0) return;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || is_reparse(entry.dwFileAttributes))
      continue;
    wchar_t folder[WidePathCapacity], lock[WidePathCapacity];
    if (_snwprintf(folder, WidePathCapacity, L"%ls%ls", base, entry.cFileName) < 0 ||
        _snwprintf(lock, WidePathCapacity, L"%ls\\%ls", folder, wideLock.text) < 0)
      continue;
    DWORD lockAttributes = GetFileAttributesW(lock);
    if (lockAttributes == INVALID_FILE_ATTRIBUTES ||
        (lockAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      continue;
    HANDLE held = open_no_follow(folder, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (held == INVALID_HANDLE_VALUE) continue;  // in use: a live run's
    remove_plain_entries(folder);
    CloseHandle(held);
    RemoveDirectoryW(folder);  // fails, harmlessly, when not empty
  } while (FindNextFileW(find, &entry));
  FindClose(find);
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
// held store lock forbids opens that do not), into the listing's own
// batch: no allocation.
bool dot_entry(const wchar_t* name, DWORD length) {
  return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

// Reads the next batch of entries; 1, 0 at the end, -1 on an error.
int32_t read_entries(OsList& list, FILE_INFO_BY_HANDLE_CLASS kind) {
  if (GetFileInformationByHandleEx(list.handle, kind, list.batch, OsListBatchBytes)) {
    list.next = 0;
    return 1;
  }
  if (GetLastError() == ERROR_NO_MORE_FILES) return 0;
  fail();
  return -1;
}

}  // namespace

int32_t os_list_open(OsList& list, const char* path) {
  list.handle = nullptr;
  list.pending = 0;
  list.next = 0;
  list.name[0] = 0;
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
    auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(list.batch + list.next);
    if (entry->NextEntryOffset == 0) list.pending = 0;
    else list.next += int32_t(entry->NextEntryOffset);
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
  if (os_path_kind(path, 0) == OsLink) {  // "lnk\." as much as "lnk"
    LastError = ERROR_CANT_ACCESS_FILE;
    return 0;
  }
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

// Paths in the \\?\ form reach past MAX_PATH to the system's own limit.
constexpr int32_t LongPathCapacity = 32768;
constexpr wchar_t LongPrefix[] = L"\\\\?\\";
constexpr wchar_t LongUncPrefix[] = L"\\\\?\\UNC\\";
constexpr size_t LongestName = 255;  // characters of one name in a path

struct LongPath {
  wchar_t text[LongPathCapacity];
};

// The UTF-8 path, made absolute, in the \\?\ form: "." and ".." steps are
// taken as the classic form takes them, first. 0 when it does not convert.
int32_t long_form(const char* path, LongPath& out) {
  WidePath wide;
  if (!widen(path, wide)) return 0;
  LongPath full;
  DWORD n = GetFullPathNameW(wide.text, LongPathCapacity, full.text, nullptr);
  if (n == 0 || n >= DWORD(LongPathCapacity)) {
    LastError = n == 0 ? int32_t(GetLastError()) : ERROR_FILENAME_EXCED_RANGE;
    return 0;
  }
  const wchar_t* tail = full.text;
  const wchar_t* prefix = LongPrefix;
  if (wcsncmp(full.text, LongPrefix, 4) == 0) prefix = L"";  // already long
  else if (full.text[0] == L'\\' && full.text[1] == L'\\') {  // \\server\share
    prefix = LongUncPrefix;
    tail = full.text + 2;
  }
  if (wcslen(prefix) + wcslen(tail) >= size_t(LongPathCapacity)) {
    LastError = ERROR_FILENAME_EXCED_RANGE;
    return 0;
  }
  wcscpy(out.text, prefix);
  wcscat(out.text, tail);
  // No file system keeps a longer name; some would not say so.
  size_t part = 0;
  for (const wchar_t* c = out.text; *c; ++c) {
    part = *c == L'\\' ? 0 : part + 1;
    if (part > LongestName) {
      LastError = ERROR_FILENAME_EXCED_RANGE;
      return 0;
    }
  }
  return 1;
}

HANDLE open_to_look(const wchar_t* path) {
  return CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool same(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The volume and file index of what path names, links resolved; the
// final path (\\?\ form) too when final is given. false, with the cause,
// when it cannot be opened or asked.
bool identity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info, LongPath* finalPath = nullptr) {
  HANDLE h = open_to_look(path);
  if (h == INVALID_HANDLE_VALUE) return fail(), false;
  if (GetFileType(h) != FILE_TYPE_DISK) {  // a pipe or a device: no file of a folder
    CloseHandle(h);
    LastError = ERROR_INVALID_FUNCTION;
    return false;
  }
  bool ok = GetFileInformationByHandle(h, &info) != 0;
  if (ok && finalPath) {
    DWORD n = GetFinalPathNameByHandleW(h, finalPath->text, LongPathCapacity, FILE_NAME_NORMALIZED);
    ok = n > 0 && n < DWORD(LongPathCapacity);
  }
  if (!ok) fail();
  CloseHandle(h);
  return ok;
}

// Length of the volume's root at the start of a \\?\ path: "\\?\C:\" or
// "\\?\UNC\server\share\"; the walk up ends there.
size_t root_length(const wchar_t* path) {
  if (wcsncmp(path, LongUncPrefix, 8) == 0) {
    size_t n = 8;
    for (int32_t parts = 0; parts < 2 && path[n]; ++n)
      if (path[n] == L'\\') ++parts;
    return n;
  }
  return wcslen(path) >= 7 && path[5] == L':' ? 7 : 4;
}

// Cuts the last part off path, never into its root; false when only the
// root is left.
bool cut_last_part(wchar_t* path, size_t root) {
  size_t n = wcslen(path);
  while (n > root && path[n - 1] == L'\\') --n;
  if (n <= root) return false;
  while (n > root && path[n - 1] != L'\\') --n;
  path[n] = L'\0';
  return true;
}

// From the final path of a folder up to its volume's root, each folder on
// the way compared by identity with the target.
int32_t walk_up(LongPath& step, const BY_HANDLE_FILE_INFORMATION& target) {
  const size_t root = root_length(step.text);
  BY_HANDLE_FILE_INFORMATION info;
  for (;;) {
    if (!identity(step.text, info)) return OsCannotTell;
    if (same(info, target)) return OsInside;
    if (!cut_last_part(step.text, root)) return OsOutside;
  }
}

}  // namespace

// The path opened (links and junctions followed) and its final path walked
// up; a path that does not exist is judged by the folder it would be made
// in, and one whose folder does not exist is outside. A dangling link
// cannot be told: what it would create is the system's to resolve.
int32_t os_path_within(const char* path, const char* folder) {
  if (path[0] == 0) return OsOutside;  // names nothing: nothing can be made there
  LongPath top, step;
  BY_HANDLE_FILE_INFORMATION target, info;
  if (!long_form(folder, top) || !identity(top.text, target)) return OsCannotTell;
  if (!long_form(path, step)) return OsCannotTell;
  LongPath resolved;
  if (identity(step.text, info, &resolved)) {
    if (!(target.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return same(info, target) ? OsInside : OsOutside;
    return walk_up(resolved, target);
  }
  // A pipe or a device is judged, as a path that does not exist, by the
  // folder it stands in.
  const bool noFile = LastError == ERROR_INVALID_FUNCTION;
  if (!noFile && !missing(DWORD(LastError))) return OsCannotTell;
  HANDLE link = noFile ? INVALID_HANDLE_VALUE
                       : open_no_follow(step.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (link != INVALID_HANDLE_VALUE) {  // something stands there: a link that leads nowhere
    CloseHandle(link);
    LastError = ERROR_CANT_RESOLVE_FILENAME;
    return OsCannotTell;
  }
  if (!(target.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return OsOutside;
  if (!cut_last_part(step.text, root_length(step.text))) return OsCannotTell;
  if (identity(step.text, info, &resolved)) return walk_up(resolved, target);
  return missing(DWORD(LastError)) ? OsOutside : OsCannotTell;
}

int32_t os_path_is_open_file(const char* path, OsHandle file) {
  if (path[0] == 0) return OsOutside;
  // Only a file on a disk can stand at a path; a console or a pipe cannot.
  if (GetFileType(handle_of(file)) != FILE_TYPE_DISK) return OsOutside;
  BY_HANDLE_FILE_INFORMATION target, info;
  if (!GetFileInformationByHandle(handle_of(file), &target)) return fail(), OsCannotTell;
  LongPath step;
  if (!long_form(path, step)) return OsCannotTell;
  if (identity(step.text, info)) return same(info, target) ? OsInside : OsOutside;
  return missing(DWORD(LastError)) || LastError == ERROR_INVALID_FUNCTION ? OsOutside : OsCannotTell;
}

int32_t os_full_path(const char* path, char* out, int32_t capacity) {
  WidePath wide;
  if (!widen(path, wide)) return 0;
  LongPath full;
  DWORD n = GetFullPathNameW(wide.text, LongPathCapacity, full.text, nullptr);
  if (n == 0 || n >= DWORD(LongPathCapacity)) return fail();
  // A path that ended in a separator keeps it: "." names a folder either way.
  return wide_to_utf8(full.text, out, capacity);
}

// The system's folder: always there, never the user's, never a work folder.
void os_leave_current_folder() {
  wchar_t system[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) SetCurrentDirectoryW(system);
}

// ------------------------------------------------- signals and the terminal

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

void (*StopHandler)(int32_t) = nullptr;
std::atomic<int32_t> StopSignal{0};

// Called by the console on a thread of its own. Ctrl-C, Ctrl-Break and
// closing the console window all stop the run as Ctrl-C does. TRUE:
// handled, the process goes on and finishes what it writes. After a close
// the system ends the process when this returns, so the thread waits here
// for the process to end by itself (the system allows some seconds).
BOOL WINAPI on_console_control(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  int32_t none = 0;
  StopSignal.compare_exchange_strong(none, OsSignalInterrupt, std::memory_order_relaxed);
  if (StopHandler) StopHandler(OsSignalInterrupt);
  if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
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

// Writes to a closed pipe already fail with ERROR_NO_DATA on Windows, and
// there is no file-size signal. Whether Ctrl-C was ignored when the
// process started cannot be asked of the console: the handler is always
// installed.
void os_catch_stop_signals(void (*handler)(int32_t signal)) {
  StopHandler = handler;
  SetConsoleCtrlHandler(on_console_control, TRUE);
}

int32_t os_stop_signal() { return StopSignal.load(std::memory_order_relaxed); }

void os_block_stop_signals_here() {}

}  // namespace vk
