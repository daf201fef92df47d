// Level intake: turns pasted text, a text file, a folder of numbered files
// or the sample set into the level store, one file per level in the work
// folder, named by the level's number.
//
// The store belongs to one process at a time: the first intake locks the
// work folder, and a folder another process uses is refused before
// anything in it is touched. Only names an intake writes are ever deleted
// from a folder the user named; the program's own default folder loses
// every plain file and link. The system is reached through os.h only, on
// fixed buffers: nothing here allocates.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "level/level_internal.h"
#include "os/os.h"

namespace vk {

namespace {

constexpr char WorkFolderName[] = "temp_vantori";
constexpr char CacheFolderName[] = ".cache/";
constexpr char PrivateFolderPrefix[] = "vantori-";
// The mark of a private folder: a later run removes a folder left by a
// run that was killed only when it holds this file and nobody holds its lock.
constexpr char PrivateLockName[] = "vantori.lock";
constexpr char LevelFileSuffix[] = ".txt";
constexpr int32_t LevelNumberDigits = 4;  // at least, as "%04d" writes them
// Deleting entries while a folder is listed may hide others from the
// listing; a few passes make sure nothing is left.
constexpr int32_t ClearPasses = 4;
constexpr char TextSetName[] = "Text";
constexpr char SampleSetName[] = "Sample";
// The cause carries no system error: the intake found it itself.
constexpr int32_t NoError = 0;

void set_failure(LevelStore& store, int32_t failure, int32_t error, const char* path = nullptr) {
  if (store.failure != IntakeOk) return;  // the first cause is the real one
  store.failure = failure;
  store.failureErrno = error;
  std::snprintf(store.failurePath, sizeof store.failurePath, "%s", path ? path : "");
}

// Copies at most capacity - 1 bytes of length into out and terminates it.
void copy_cut(char* out, int32_t capacity, const char* text, size_t length) {
  if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
  std::memcpy(out, text, length);
  out[length] = 0;
}

// base (its trailing separators dropped), the system's separator and tail;
// 0 when it does not fit.
int32_t join_path(char* out, int32_t capacity, const char* base, const char* tail) {
  size_t length = std::strlen(base);
  while (length > 0 && vk::os_is_separator(base[length - 1])) --length;
  int written = std::snprintf(out, static_cast<size_t>(capacity), "%.*s%c%s",
                              static_cast<int>(length), base, vk::OsSeparator, tail);
  if (written < 0 || written >= capacity) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

// Whether the clearing may delete this entry of the work folder. A
// private folder's lock file stays until the folder goes.
int32_t deletable(const LevelStore& store, const char* name) {
  if (store.temporary && std::strcmp(name, PrivateLockName) == 0) return 0;
  return store.ownFolder || is_level_file_name(name);
}

}  // namespace

void mark_folder_number(LevelStore& store, int32_t number, int32_t stored) {
  if (number < 1 || number > MaxFileNumber) return;
  const uint32_t bit = 1u << (number % 32);
  if (stored) store.folderNumbers[number / 32] |= bit;
  else store.folderNumbers[number / 32] &= ~bit;
}

int32_t folder_number_stored(const LevelStore& store, int32_t number) {
  if (number < 1 || number > MaxFileNumber) return 0;
  return (store.folderNumbers[number / 32] >> (number % 32)) & 1u;
}

namespace {

// One listing pass; returns the number of entries deleted, or -1 when one
// stays or the listing fails (the failure is set). Folders are never
// touched; a link goes as a link, its target stays.
int32_t clear_pass(LevelStore& store, vk::OsList& list) {
  int32_t deleted = 0;
  char path[FailurePathCapacity];
  for (;;) {
    int32_t next = vk::os_list_next(list);
    if (next < 0) {
      set_failure(store, IntakeWorkDir, vk::os_error(), store.workDir);
      return -1;
    }
    if (next == 0) return deleted;
    if (!deletable(store, list.name)) continue;
    std::snprintf(path, sizeof path, "%s%s", store.workDir, list.name);
    int32_t kind = vk::os_path_kind(path, 0);
    if (kind == vk::OsFolder || kind == vk::OsMissing) continue;
    if (!vk::os_remove_file(path)) {
      set_failure(store, IntakeClear, vk::os_error(), path);
      return -1;
    }
    ++deleted;
  }
}

// Tells why the work folder could not be locked.
void lock_failed(LevelStore& store, int32_t result, int32_t error) {
  if (result == vk::OsBusy) {
    set_failure(store, IntakeBusy, NoError, store.workDir);
    return;
  }
  int32_t kind = vk::os_path_kind(store.workDir, 0);
  if (kind == vk::OsLink) set_failure(store, IntakeWorkDirLink, NoError, store.workDir);
  else if (kind != vk::OsFolder && kind != vk::OsMissing)
    set_failure(store, IntakeWorkDirNotFolder, NoError, store.workDir);
  else set_failure(store, IntakeWorkDir, error, store.workDir);
}

// Creates the work folder when it is missing and locks it, unless this
// store holds it already. Fails when it cannot be created, is a link or no
// folder at all, or another process uses it.
int32_t prepare_work_dir(LevelStore& store) {
  if (store.lock != vk::OsNoHandle) return 1;
  if (store.workDir[0] == 0) {
    set_failure(store, IntakeWorkDir, NoError, store.workDir);
    return 0;
  }
  if (!vk::os_make_folders(store.workDir)) {
    set_failure(store, IntakeWorkDir, vk::os_error(), store.workDir);
    return 0;
  }
  int32_t result = vk::os_lock_folder(store.workDir, store.lock);
  if (result == 1) return 1;
  lock_failed(store, result, vk::os_error());
  return 0;
}

void reset_intake(LevelStore& store) {
  store.setName[0] = 0;
  store.levelCount = 0;
  store.highest = 0;
  store.isSample = 0;
  store.fromInput = 0;
  store.folderSource = 0;
  std::memset(store.folderNumbers, 0, sizeof store.folderNumbers);
  store.failure = IntakeOk;
  store.failureErrno = 0;
  store.failurePath[0] = 0;
}

// ---------------------------------------------------------------- lines

// A level line goes to the open level file (opened at a level's first
// line); any other line ends the level and is dropped.
void store_line_bytes(IntakeRun& in, const char* line, int32_t length) {
  while (length > 0 && line[length - 1] == ' ') --length;
  if (!is_level_line(line, length)) {
    close_level_file(in);
    return;
  }
  if (!in.fileOpen) {
    open_level_file(in);
    if (in.abort) return;
  }
  // A level file cut short would read as another level: stop instead.
  if (!vk::os_write_all(in.file, line, length) || !vk::os_write_all(in.file, "\n", 1)) {
    set_failure(in.store, IntakeLevelFile, vk::os_error(), in.store.workDir);
    in.abort = 1;
  }
}

// split_level_text on the first length bytes of text, which may hold NUL
// bytes (they make their line a non-level line).
int32_t split_level_bytes(IntakeRun& in, char* text, int32_t length) {
  int32_t start = 0;
  for (;;) {
    int32_t end = start;
    while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
    if (end == length) return 0;  // text behind the last line end is never stored
    int32_t next = end + 1;
    if (text[end] == '\r' && next < length && text[next] == '\n') ++next;
    text[end] = 0;
    store_line_bytes(in, text + start, end - start);
    if (in.abort) return 0;
    if (next == length) return 1;
    start = next;
  }
}

// ---------------------------------------------------------------- chunks

struct SourceReader {
  vk::OsHandle file;
  int32_t ended;  // read gave 0: never read again (a terminal would wait)
};

// Reads until want bytes came or the source ended; -1 on a read error.
int32_t read_full(SourceReader& in, char* out, int32_t want) {
  int32_t got = 0;
  while (got < want && !in.ended) {
    int32_t n = vk::os_read(in.file, out + got, want - got);
    if (n < 0) return -1;
    if (n == 0) in.ended = 1;
    got += n;
  }
  return got;
}

// Length of the part of a full chunk that ends with its last sure line end;
// 0 when there is none. A CR in the last byte may be the first half of a
// CR LF pair whose LF comes in the next chunk, so the search starts before it.
int32_t whole_lines_length(const char* chunk, int32_t length) {
  int32_t i = length - 1;
  if (chunk[i] == '\r') --i;
  for (; i >= 0; --i) {
    if (chunk[i] == '\r' || chunk[i] == '\n') return i + 1;
  }
  return 0;
}

// Inside a line longer than a chunk: the offset behind its line end in the
// chunk, or -1 when the chunk holds none. A CR as the last byte leaves its
// LF to the next read (pendingCr).
int32_t long_line_end(const char* chunk, int32_t length, int32_t& pendingCr) {
  for (int32_t i = 0; i < length; ++i) {
    if (chunk[i] == '\n') return i + 1;
    if (chunk[i] != '\r') continue;
    if (i + 1 == length) pendingCr = 1;
    else if (chunk[i + 1] == '\n') return i + 2;
    return i + 1;
  }
  return -1;
}

// Moves the bytes from offset on to the front of the chunk; returns their count.
int32_t keep_tail(char* chunk, int32_t length, int32_t offset) {
  int32_t kept = length - offset;
  std::memmove(chunk, chunk + offset, static_cast<size_t>(kept));
  return kept;
}

// The source cannot be opened or read: the error is kept for the caller,
// which knows whether it ends the intake.
int32_t read_failed(IntakeRun& in) {
  in.readErrno = vk::os_error();
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- the store

int32_t default_work_dir(char* out, int32_t capacity) {
  out[0] = 0;
  char cacheDir[StorePathCapacity];
  if (!vk::os_user_cache_folder(cacheDir, StorePathCapacity)) return 0;
  char folder[sizeof WorkFolderName + 1];
  std::snprintf(folder, sizeof folder, "%s%c", WorkFolderName, vk::OsSeparator);
  return join_path(out, capacity, cacheDir, folder);
}

int32_t init_level_store(LevelStore& store, const char* workDir) {
  vk::os_unlock_folder(store.lock);
  reset_intake(store);
  store.sourcePath[0] = 0;
  store.workDir[0] = 0;
  store.ownFolder = workDir == nullptr;
  store.temporary = 0;
  constexpr int32_t room = StorePathCapacity - LevelFileNameRoom;  // longest path
  if (workDir == nullptr) return default_work_dir(store.workDir, room + 1);
  size_t length = std::strlen(workDir);
  if (length == 0) return 0;
  int32_t slash = vk::os_is_separator(workDir[length - 1]);
  if (length + (slash ? 0 : 1) > static_cast<size_t>(room)) return 0;
  std::memcpy(store.workDir, workDir, length);
  if (!slash) store.workDir[length++] = vk::OsSeparator;
  store.workDir[length] = 0;
  return 1;
}

namespace {

// The private folder's lock file: its mark, written once the folder is
// locked, so that no later run takes the folder for one left behind.
int32_t mark_private_folder(LevelStore& store, char* name, int32_t capacity) {
  std::snprintf(name, static_cast<size_t>(capacity), "%s%s", store.workDir, PrivateLockName);
  vk::OsHandle file = vk::OsNoHandle;
  if (vk::os_lock_folder(store.workDir, store.lock) != 1 || !vk::os_create_file(name, file))
    return 0;
  return vk::os_close(file);
}

}  // namespace

int32_t init_private_level_store(LevelStore& store) {
  vk::os_remove_stale_private_folders(PrivateFolderPrefix, PrivateLockName);
  char folder[StorePathCapacity];
  if (!vk::os_make_private_folder(PrivateFolderPrefix, folder, StorePathCapacity - LevelFileNameRoom))
    return 0;
  if (!init_level_store(store, folder)) {
    vk::os_remove_folder(folder);
    return 0;
  }
  store.ownFolder = 1;  // made for this process: everything in it is ours
  store.temporary = 1;
  char lockFile[StorePathCapacity + sizeof PrivateLockName];
  if (mark_private_folder(store, lockFile, sizeof lockFile)) return 1;
  int32_t error = vk::os_error();
  release_level_store(store);
  vk::os_set_error(error);
  return 0;
}

void release_level_store(LevelStore& store) {
  if (store.temporary) clear_level_store(store);
  // Unlocked first: on Windows the lock keeps the folder from being removed.
  vk::os_unlock_folder(store.lock);
  if (store.temporary) {
    char lockFile[StorePathCapacity + sizeof PrivateLockName];
    std::snprintf(lockFile, sizeof lockFile, "%s%s", store.workDir, PrivateLockName);
    vk::os_remove_file(lockFile);
    vk::os_remove_folder(store.workDir);
    store.temporary = 0;
  }
}

int32_t level_file_error(const LevelStore& store, int32_t n) {
  if (n < 1 || n > store.highest) return 0;
  if (store.folderSource && !folder_number_stored(store, n)) return 0;
  char name[StorePathCapacity + LevelFileNameRoom];
  level_file_name(store.workDir, n, name, sizeof name);
  vk::OsHandle file = vk::OsNoHandle;
  if (!vk::os_open_read(name, file)) return vk::os_error();
  vk::os_close(file);
  return 0;
}

void level_file_name(const char* workDir, int32_t n, char* out, int32_t capacity) {
  std::snprintf(out, static_cast<size_t>(capacity), "%s%04d.txt", workDir, n);
}

int32_t is_level_file_name(const char* name) {
  int32_t digits = 0;
  while (name[digits] >= '0' && name[digits] <= '9') ++digits;
  return digits >= LevelNumberDigits && std::strcmp(name + digits, LevelFileSuffix) == 0;
}

int32_t clear_level_store(LevelStore& store) {
  vk::OsList list;
  if (!vk::os_list_open(list, store.workDir)) {
    set_failure(store, IntakeWorkDir, vk::os_error(), store.workDir);
    return 0;
  }
  int32_t deleted = 1;
  for (int32_t pass = 0; pass < ClearPasses && deleted > 0; ++pass) {
    if (pass > 0) {
      vk::os_list_close(list);
      if (!vk::os_list_open(list, store.workDir)) break;
    }
    deleted = clear_pass(store, list);
  }
  vk::os_list_close(list);
  return deleted >= 0;
}

// ---------------------------------------------------------------- lines

int32_t split_level_text(IntakeRun& in, char* text) {
  return split_level_bytes(in, text, static_cast<int32_t>(std::strlen(text)));
}

int32_t holds_level_line(const char* text) {
  for (const char* line = text; *line != 0;) {
    size_t length = std::strcspn(line, "\r\n");
    size_t kept = length;
    while (kept > 0 && line[kept - 1] == ' ') --kept;
    if (is_level_line(line, static_cast<int32_t>(kept))) return 1;
    line += length;
    while (*line == '\r' || *line == '\n') ++line;
  }
  return 0;
}

void open_level_file(IntakeRun& in) {
  close_level_file(in);
  if (in.store.levelCount == INT32_MAX) {  // more levels than numbers
    set_failure(in.store, IntakeLevelFile, NoError, in.store.workDir);
    in.abort = 1;
    return;
  }
  ++in.store.levelCount;
  int32_t number = in.store.levelCount;
  if (in.fileNumber != 0) {
    number = in.fileNumber;
    if (number > in.store.highest) in.store.highest = number;
    mark_folder_number(in.store, number, 1);
  } else {
    in.store.highest = in.store.levelCount;
  }
  // Sized for any workDir buffer, though init_level_store leaves the room.
  char name[StorePathCapacity + LevelFileNameRoom];
  level_file_name(in.store.workDir, number, name, sizeof name);
  // A link planted under a level file's name is never written through.
  if (!vk::os_create_file(name, in.file)) {
    set_failure(in.store, IntakeLevelFile, vk::os_error(), in.store.workDir);
    in.abort = 1;
    return;
  }
  in.fileOpen = 1;
}

void close_level_file(IntakeRun& in) {
  if (!in.fileOpen) return;
  if (!vk::os_close(in.file) && !in.abort) {  // a write that failed late
    set_failure(in.store, IntakeLevelFile, vk::os_error(), in.store.workDir);
    in.abort = 1;
  }
  in.file = vk::OsNoHandle;
  in.fileOpen = 0;
}

// ---------------------------------------------------------------- sources

// Reads the source in chunks of ChunkSize bytes, each cut back to whole
// lines. The cut-off tail stays at the front of the chunk buffer and only
// the rest is read, so a pipe works like a file. A chunk without any line
// end is either one line ending in its last byte, a CR, or the start of a
// line longer than a chunk, which is dropped up to its line end.
int32_t read_level_source_fd(IntakeRun& in, vk::OsHandle file) {
  char* chunk = in.chunk;
  SourceReader source{file, 0};
  int32_t kept = 0;       // bytes of the previous chunk at the front
  int32_t skipping = 0;   // inside a line longer than a chunk
  int32_t pendingCr = 0;  // a line ended in a CR whose LF may come next
  for (;;) {
    if (pendingCr) {
      pendingCr = 0;
      int32_t got = read_full(source, chunk, 1);
      if (got < 0) return read_failed(in);
      kept = (got == 1 && chunk[0] != '\n') ? 1 : 0;  // drop the LF of CR LF
    }
    int32_t got = read_full(source, chunk + kept, ChunkSize - kept);
    if (got < 0) return read_failed(in);
    int32_t length = kept + got;
    kept = 0;
    if (length == 0) return 1;
    chunk[length] = 0;

    if (skipping) {
      int32_t end = long_line_end(chunk, length, pendingCr);
      if (end < 0) {
        if (length < ChunkSize) return 1;  // the long line runs to the end
        continue;
      }
      skipping = 0;
      kept = keep_tail(chunk, length, end);
      continue;
    }

    if (length < ChunkSize) {  // the last chunk
      if (chunk[length - 1] != '\r' && chunk[length - 1] != '\n') {
        chunk[length++] = '\n';
        chunk[length] = 0;
      }
      split_level_bytes(in, chunk, length);
      return in.abort ? 0 : 1;
    }

    int32_t whole = chunk[length - 1] == '\n' ? length : whole_lines_length(chunk, length);
    if (whole == 0 && chunk[length - 1] == '\r') {
      whole = length;  // one line as long as the chunk, ended by its CR
      pendingCr = 1;
    }
    if (whole == 0) {  // a line longer than a chunk: a non-level line
      close_level_file(in);
      skipping = 1;
      continue;
    }
    split_level_bytes(in, chunk, whole);
    if (in.abort) return 0;
    kept = keep_tail(chunk, length, whole);
  }
}

int32_t read_level_source_file(IntakeRun& in, const char* path) {
  vk::OsHandle file = vk::OsNoHandle;
  if (!vk::os_open_read(path, file)) return read_failed(in);
  int32_t result = read_level_source_fd(in, file);
  vk::os_close(file);
  return result;
}

namespace {

// The number in a folder file's name: its first run of digits. 0 (skip the
// file) when there is none, when it is 0, or when it is above MaxFileNumber.
int32_t folder_file_number(const char* name) {
  while (*name && (*name < '0' || *name > '9')) ++name;
  int32_t number = 0;
  for (; *name >= '0' && *name <= '9'; ++name) {
    number = number * 10 + (*name - '0');
    if (number > MaxFileNumber) return 0;
  }
  return number;
}

// A file of a folder source that cannot be read stays a missing number:
// what was stored of it goes, and the hook names it. A shortage of the
// process or the system is no fault of the file: it ends the intake.
void folder_file_failed(IntakeRun& in, const char* path, int32_t number) {
  int32_t error = in.readErrno;
  in.readErrno = 0;
  if (vk::os_error_is_shortage(error)) {
    set_failure(in.store, IntakeSource, error, path);
    in.abort = 1;
    return;
  }
  char name[FailurePathCapacity];
  level_file_name(in.store.workDir, number, name, sizeof name);
  vk::os_remove_file(name);
  mark_folder_number(in.store, number, 0);
  if (in.store.skipped) in.store.skipped(in.store.skippedContext, path, error);
}

// Reads one file of a folder source into level number. A level never runs
// on into the next file.
void read_folder_file(IntakeRun& in, const char* path, int32_t number) {
  in.fileNumber = number;
  int32_t read = read_level_source_file(in, path);
  close_level_file(in);
  if (!read && !in.abort) folder_file_failed(in, path, number);
}

}  // namespace

int32_t scan_level_folder(IntakeRun& in, const char* path) {
  vk::OsList list;
  if (!vk::os_list_open(list, path)) return read_failed(in);
  char file[FailurePathCapacity];
  int32_t result = 1;
  for (;;) {
    int32_t next = vk::os_list_next(list);
    if (next < 0) result = read_failed(in);
    if (next <= 0) break;
    int32_t number = folder_file_number(list.name);
    if (number == 0 || !join_path(file, sizeof file, path, list.name)) continue;
    // Folders, pipes and devices are skipped: only plain files hold levels.
    if (vk::os_path_kind(file, 1) != vk::OsFile) continue;
    read_folder_file(in, file, number);
    if (in.abort) {
      result = 0;
      break;
    }
  }
  in.fileNumber = 0;
  vk::os_list_close(list);
  return result;
}

// ---------------------------------------------------------------- intake

namespace {

// A file's set name: its name without folder and extension (from its last
// "."), cut to SetNameCapacity bytes.
void file_set_name(LevelStore& store, const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (vk::os_is_separator(*p)) name = p + 1;
  const char* dot = std::strrchr(name, '.');
  size_t length = dot ? static_cast<size_t>(dot - name) : std::strlen(name);
  copy_cut(store.setName, SetNameCapacity + 1, name, length);
  make_printable(store.setName);
}

// A folder's set name: its last path component, trailing separators
// ignored.
void folder_set_name(LevelStore& store, const char* path) {
  size_t end = std::strlen(path);
  while (end > 1 && vk::os_is_separator(path[end - 1])) --end;
  size_t start = end;
  while (start > 0 && !vk::os_is_separator(path[start - 1])) --start;
  if (start == end && end > 0) start = end - 1;  // the root "/"
  copy_cut(store.setName, SetNameCapacity + 1, path + start, end - start);
  make_printable(store.setName);
}

int32_t take_text(IntakeRun& in, char* text) {
  size_t length = std::strlen(text);
  text[length] = '\n';  // the caller leaves one byte to spare for it
  text[length + 1] = 0;
  if (!split_level_text(in, text)) return 0;
  copy_cut(in.store.setName, SetNameCapacity + 1, TextSetName, sizeof TextSetName - 1);
  return 1;
}

int32_t take_file(IntakeRun& in, const char* path) {
  if (std::strcmp(path, "-") == 0) {
    if (!read_level_source_fd(in, vk::os_standard_input())) return 0;
    copy_cut(in.store.setName, SetNameCapacity + 1, TextSetName, sizeof TextSetName - 1);
    return 1;
  }
  if (!read_level_source_file(in, path)) return 0;
  file_set_name(in.store, path);
  return 1;
}

int32_t take_folder(IntakeRun& in, const char* path) {
  in.store.folderSource = 1;
  if (!scan_level_folder(in, path)) return 0;
  folder_set_name(in.store, path);
  return 1;
}

int32_t take_source(IntakeRun& in, int32_t source, char* textOrPath) {
  switch (source) {
    case SourceText: return take_text(in, textOrPath);
    case SourceFile: return take_file(in, textOrPath);
    case SourceFolder: return take_folder(in, textOrPath);
    default: set_failure(in.store, IntakeBadSource, NoError); return 0;
  }
}

int32_t is_path_source(int32_t source, const char* textOrPath) {
  return (source == SourceFile && std::strcmp(textOrPath, "-") != 0) || source == SourceFolder;
}

// Standard input that reads a file the clearing would delete: judged by
// the identity of that file against every entry the clearing may take.
int32_t input_in_store(LevelStore& store) {
  vk::OsList list;
  if (!vk::os_list_open(list, store.workDir)) return vk::OsCannotTell;
  char path[FailurePathCapacity];
  int32_t answer = vk::OsOutside;
  while (answer == vk::OsOutside) {
    int32_t next = vk::os_list_next(list);
    if (next < 0) answer = vk::OsCannotTell;
    if (next <= 0) break;
    if (!deletable(store, list.name)) continue;
    std::snprintf(path, sizeof path, "%s%s", store.workDir, list.name);
    answer = vk::os_path_is_open_file(path, vk::os_standard_input());
  }
  int32_t error = vk::os_error();
  vk::os_list_close(list);
  vk::os_set_error(error);
  return answer;
}

// Refuses, before the store is cleared, a source the clearing could
// delete, one for which that cannot be told, and one whose reading might
// never end.
int32_t source_allowed(LevelStore& store, int32_t source) {
  const char* path = store.sourcePath;
  int32_t within = vk::OsOutside;
  if (store.fromInput) within = input_in_store(store);
  else if (path[0] != 0) within = vk::os_path_within(path, store.workDir);
  if (within == vk::OsCannotTell) {
    set_failure(store, IntakeCannotTell, vk::os_error(), path);
    return 0;
  }
  if (within == vk::OsInside) {
    set_failure(store, IntakeSourceInStore, NoError, path);
    return 0;
  }
  if (source == SourceFile && path[0] != 0 && vk::os_path_kind(path, 1) == vk::OsDevice) {
    set_failure(store, IntakeDevice, NoError, path);
    return 0;
  }
  return 1;
}

// Why the source cannot be read, once the intake has given up on it.
void note_read_failure(IntakeRun& in) {
  if (in.readErrno != 0) set_failure(in.store, IntakeSource, in.readErrno, in.store.sourcePath);
}

}  // namespace

int32_t load_level_set(LevelStore& store, int32_t source, char* textOrPath) {
  reset_intake(store);
  store.sourcePath[0] = 0;
  if (is_path_source(source, textOrPath))
    copy_cut(store.sourcePath, StorePathCapacity, textOrPath, std::strlen(textOrPath));
  store.fromInput = source == SourceFile && std::strcmp(textOrPath, "-") == 0;
  // The intake's working state lives as long as the intake.
  IntakeRun in{store, 0, vk::OsNoHandle, 0, 0, 0, {}};
  int32_t taken = prepare_work_dir(store) && source_allowed(store, source) &&
                  clear_level_store(store) && take_source(in, source, textOrPath);
  close_level_file(in);
  if (taken && store.levelCount != 0 && !in.abort) return 1;
  note_read_failure(in);
  set_failure(store, IntakeNoLevels, NoError);
  return 0;
}

int32_t load_sample_set(LevelStore& store, char* textBuffer) {
  std::memcpy(textBuffer, SampleText, std::strlen(SampleText) + 1);
  int32_t result = load_level_set(store, SourceText, textBuffer);
  copy_cut(store.setName, SetNameCapacity + 1, SampleSetName, sizeof SampleSetName - 1);
  store.isSample = result;
  textBuffer[0] = 0;
  return result;
}

}  // namespace vk
