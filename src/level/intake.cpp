// Level intake: turns pasted text, a text file, a folder of numbered files
// or the sample set into the level store, one file per level in the work
// folder, named by the level's number.
//
// Only POSIX calls on fixed buffers: nothing here allocates (beyond what
// the C library keeps for an open directory stream).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "level/level.h"

namespace {

constexpr char WorkFolderName[] = "temp_vantori/";
constexpr char CacheFolderName[] = ".cache/";
constexpr mode_t WorkDirMode = 0700;
constexpr mode_t LevelFileMode = 0600;
// Deleting entries while a directory is listed may hide others from the
// listing; a few passes make sure nothing is left.
constexpr int32_t ClearPasses = 4;
constexpr char LevelChars[] = " .$*@+#";
constexpr char TextSetName[] = "Text";
constexpr char SampleSetName[] = "Sample";

void set_failure(LevelStore& store, int32_t failure, int error) {
  if (store.failure != IntakeOk) return;  // the first cause is the real one
  store.failure = failure;
  store.failureErrno = error;
}

// Copies at most capacity - 1 bytes of length into out and terminates it.
void copy_cut(char* out, int32_t capacity, const char* text, size_t length) {
  if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
  std::memcpy(out, text, length);
  out[length] = 0;
}

// base (its trailing '/' dropped) + "/" + tail; 0 when it does not fit.
int32_t join_path(char* out, int32_t capacity, const char* base, const char* tail) {
  size_t length = std::strlen(base);
  while (length > 0 && base[length - 1] == '/') --length;
  int written = std::snprintf(out, static_cast<size_t>(capacity), "%.*s/%s",
                              static_cast<int>(length), base, tail);
  if (written < 0 || written >= capacity) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

// The work folder path without its trailing '/': with one, the kernel
// follows a link in the last component even under O_NOFOLLOW.
void bare_dir_path(const char* dir, char* out) {
  size_t length = std::strlen(dir);
  while (length > 1 && dir[length - 1] == '/') --length;
  std::memcpy(out, dir, length);
  out[length] = 0;
}

int open_bare_dir(const char* bare) {
  return open(bare, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Creates every missing folder above bare; failures show in the final mkdir.
void make_parents(char* bare) {
  for (char* p = bare + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = 0;
    mkdir(bare, WorkDirMode);
    *p = '/';
  }
}

int32_t is_dot_entry(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// One listing pass; returns the number of entries deleted. A link is
// deleted as a link: fstatat does not follow it and unlinkat removes the
// name, never its target.
int32_t clear_pass(DIR* dir, int dirFd) {
  int32_t deleted = 0;
  while (struct dirent* entry = readdir(dir)) {
    if (is_dot_entry(entry->d_name)) continue;
    struct stat info;
    if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(info.st_mode)) continue;
    if (unlinkat(dirFd, entry->d_name, 0) == 0) ++deleted;
  }
  return deleted;
}

// Deletes every entry of the open work folder that is not a folder, and
// closes it. Deletion failures are ignored.
void clear_dir_fd(int dirFd) {
  DIR* dir = fdopendir(dirFd);
  if (!dir) {
    close(dirFd);
    return;
  }
  for (int32_t pass = 0; pass < ClearPasses; ++pass) {
    if (pass > 0) rewinddir(dir);
    if (clear_pass(dir, dirFd) == 0) break;
  }
  closedir(dir);
}

// Creates the work folder, or empties it when it exists. Fails when it
// cannot be created or is a link or no folder at all.
int32_t prepare_work_dir(LevelStore& store) {
  char bare[StorePathCapacity];
  bare_dir_path(store.workDir, bare);
  if (bare[0] == 0) {
    set_failure(store, IntakeWorkDir, ENOENT);
    return 0;
  }
  make_parents(bare);
  if (mkdir(bare, WorkDirMode) == 0) return 1;
  if (errno != EEXIST) {
    set_failure(store, IntakeWorkDir, errno);
    return 0;
  }
  int dirFd = open_bare_dir(bare);
  if (dirFd < 0) {
    int error = errno;
    // The kernel may say "not a folder" for a link; tell the two apart.
    struct stat info;
    if (lstat(bare, &info) == 0 && S_ISLNK(info.st_mode)) error = ELOOP;
    set_failure(store, IntakeWorkDir, error);
    return 0;
  }
  clear_dir_fd(dirFd);
  return 1;
}

void reset_intake(LevelStore& store) {
  close_level_file(store);
  store.setName[0] = 0;
  store.levelCount = 0;
  store.highest = 0;
  store.isSample = 0;
  store.fileNumber = 0;
  store.abort = 0;
  store.failure = IntakeOk;
  store.failureErrno = 0;
}

// ---------------------------------------------------------------- lines

int32_t is_level_line(const char* line, int32_t length) {
  if (length == 0) return 0;
  for (int32_t i = 0; i < length; ++i) {
    // memchr, not strchr: a NUL byte must not match the terminator.
    if (!std::memchr(LevelChars, line[i], sizeof LevelChars - 1)) return 0;
  }
  return 1;
}

// Writes all bytes, going on after short writes; 0 on an error.
int32_t write_all(int fd, const char* bytes, int32_t length) {
  while (length > 0) {
    ssize_t n = write(fd, bytes, static_cast<size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    bytes += n;
    length -= static_cast<int32_t>(n);
  }
  return 1;
}

// A level line goes to the open level file (opened at a level's first
// line); any other line ends the level and is dropped.
void store_line_bytes(LevelStore& store, const char* line, int32_t length) {
  while (length > 0 && line[length - 1] == ' ') --length;
  if (!is_level_line(line, length)) {
    close_level_file(store);
    return;
  }
  if (!store.fileOpen) {
    open_level_file(store);
    if (store.abort) return;
  }
  // A level file cut short would read as another level: stop instead.
  if (!write_all(store.fd, line, length) || !write_all(store.fd, "\n", 1)) {
    set_failure(store, IntakeLevelFile, errno);
    store.abort = 1;
  }
}

// split_level_text on the first length bytes of text, which may hold NUL
// bytes (they make their line a non-level line).
int32_t split_level_bytes(LevelStore& store, char* text, int32_t length) {
  int32_t start = 0;
  for (;;) {
    int32_t end = start;
    while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
    if (end == length) return 0;  // text behind the last line end is never stored
    int32_t next = end + 1;
    if (text[end] == '\r' && next < length && text[next] == '\n') ++next;
    text[end] = 0;
    store_line_bytes(store, text + start, end - start);
    if (store.abort) return 0;
    if (next == length) return 1;
    start = next;
  }
}

// ---------------------------------------------------------------- chunks

struct SourceReader {
  int fd;
  int32_t ended;  // read gave 0: never read again (a terminal would wait)
};

// Reads until want bytes came or the source ended; -1 on a read error.
int32_t read_full(SourceReader& in, char* out, int32_t want) {
  int32_t got = 0;
  while (got < want && !in.ended) {
    ssize_t n = read(in.fd, out + got, static_cast<size_t>(want - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) in.ended = 1;
    got += static_cast<int32_t>(n);
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

int32_t read_failed(LevelStore& store) {
  set_failure(store, IntakeSource, errno);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- the store

int32_t default_work_dir(char* out, int32_t capacity) {
  out[0] = 0;
  const char* cache = std::getenv("XDG_CACHE_HOME");
  // Only an absolute cache path counts; a relative one is to be ignored.
  if (cache && cache[0] == '/') return join_path(out, capacity, cache, WorkFolderName);
  const char* home = std::getenv("HOME");
  if (!home || home[0] == 0) {
    struct passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || home[0] == 0) return 0;
  char cacheDir[StorePathCapacity];
  if (!join_path(cacheDir, StorePathCapacity, home, CacheFolderName)) return 0;
  return join_path(out, capacity, cacheDir, WorkFolderName);
}

int32_t init_level_store(LevelStore& store, const char* workDir) {
  store.fd = -1;
  store.fileOpen = 0;
  reset_intake(store);
  store.chunk[0] = 0;
  store.workDir[0] = 0;
  constexpr int32_t room = StorePathCapacity - LevelFileNameRoom;  // longest path
  if (workDir == nullptr) return default_work_dir(store.workDir, room + 1);
  size_t length = std::strlen(workDir);
  if (length == 0) return 0;
  int32_t slash = workDir[length - 1] == '/';
  if (length + (slash ? 0 : 1) > static_cast<size_t>(room)) return 0;
  std::memcpy(store.workDir, workDir, length);
  if (!slash) store.workDir[length++] = '/';
  store.workDir[length] = 0;
  return 1;
}

void level_file_name(const char* workDir, int32_t n, char* out, int32_t capacity) {
  std::snprintf(out, static_cast<size_t>(capacity), "%s%04d.txt", workDir, n);
}

void clear_level_store(LevelStore& store) {
  char bare[StorePathCapacity];
  bare_dir_path(store.workDir, bare);
  int dirFd = open_bare_dir(bare);
  if (dirFd >= 0) clear_dir_fd(dirFd);
}

// ---------------------------------------------------------------- lines

int32_t split_level_text(LevelStore& store, char* text) {
  return split_level_bytes(store, text, static_cast<int32_t>(std::strlen(text)));
}

void store_level_line(LevelStore& store, char* line) {
  store_line_bytes(store, line, static_cast<int32_t>(std::strlen(line)));
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

void open_level_file(LevelStore& store) {
  close_level_file(store);
  if (store.levelCount == INT32_MAX) {  // more levels than numbers
    set_failure(store, IntakeLevelFile, EOVERFLOW);
    store.abort = 1;
    return;
  }
  ++store.levelCount;
  int32_t number = store.levelCount;
  if (store.fileNumber != 0) {
    number = store.fileNumber;
    if (number > store.highest) store.highest = number;
  } else {
    store.highest = store.levelCount;
  }
  // Sized for any workDir buffer, though init_level_store leaves the room.
  char name[StorePathCapacity + LevelFileNameRoom];
  level_file_name(store.workDir, number, name, sizeof name);
  // O_NOFOLLOW: a link planted under a level file's name is never written through.
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, LevelFileMode);
  if (fd < 0) {
    set_failure(store, IntakeLevelFile, errno);
    store.abort = 1;
    return;
  }
  store.fd = fd;
  store.fileOpen = 1;
}

void close_level_file(LevelStore& store) {
  if (!store.fileOpen) return;
  close(store.fd);
  store.fd = -1;
  store.fileOpen = 0;
}

// ---------------------------------------------------------------- sources

// Reads the source in chunks of ChunkSize bytes, each cut back to whole
// lines. The cut-off tail stays at the front of the chunk buffer and only
// the rest is read, so a pipe works like a file. A chunk without any line
// end is either one line ending in its last byte, a CR, or the start of a
// line longer than a chunk, which is dropped up to its line end.
int32_t read_level_source_fd(LevelStore& store, int fd) {
  char* chunk = store.chunk;
  SourceReader in{fd, 0};
  int32_t kept = 0;       // bytes of the previous chunk at the front
  int32_t skipping = 0;   // inside a line longer than a chunk
  int32_t pendingCr = 0;  // a line ended in a CR whose LF may come next
  for (;;) {
    if (pendingCr) {
      pendingCr = 0;
      int32_t got = read_full(in, chunk, 1);
      if (got < 0) return read_failed(store);
      kept = (got == 1 && chunk[0] != '\n') ? 1 : 0;  // drop the LF of CR LF
    }
    int32_t got = read_full(in, chunk + kept, ChunkSize - kept);
    if (got < 0) return read_failed(store);
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
      split_level_bytes(store, chunk, length);
      return store.abort ? 0 : 1;
    }

    int32_t whole = chunk[length - 1] == '\n' ? length : whole_lines_length(chunk, length);
    if (whole == 0 && chunk[length - 1] == '\r') {
      whole = length;  // one line as long as the chunk, ended by its CR
      pendingCr = 1;
    }
    if (whole == 0) {  // a line longer than a chunk: a non-level line
      close_level_file(store);
      skipping = 1;
      continue;
    }
    split_level_bytes(store, chunk, whole);
    if (store.abort) return 0;
    kept = keep_tail(chunk, length, whole);
  }
}

int32_t read_level_source_file(LevelStore& store, const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return read_failed(store);
  int32_t result = read_level_source_fd(store, fd);
  close(fd);
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

int32_t is_plain_file(int dirFd, const char* name) {
  struct stat info;
  return fstatat(dirFd, name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

// Reads one file of a folder source into level number; a file that cannot
// be opened is skipped. A level never runs on into the next file.
void read_folder_file(LevelStore& store, int dirFd, const char* name, int32_t number) {
  int fd = openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return;
  store.fileNumber = number;
  read_level_source_fd(store, fd);
  close(fd);
  close_level_file(store);
}

}  // namespace

int32_t scan_level_folder(LevelStore& store, const char* path) {
  int dirFd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return read_failed(store);
  DIR* dir = fdopendir(dirFd);
  if (!dir) {
    read_failed(store);
    close(dirFd);
    return 0;
  }
  int32_t result = 1;
  while (struct dirent* entry = readdir(dir)) {
    int32_t number = folder_file_number(entry->d_name);
    if (number == 0 || !is_plain_file(dirFd, entry->d_name)) continue;
    read_folder_file(store, dirFd, entry->d_name, number);
    if (store.abort) {
      result = 0;
      break;
    }
  }
  store.fileNumber = 0;
  closedir(dir);
  return result;
}

// ---------------------------------------------------------------- intake

namespace {

// A file's set name: its name without folder and extension (from its last
// "."), cut to SetNameCapacity bytes.
void file_set_name(LevelStore& store, const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* name = slash ? slash + 1 : path;
  const char* dot = std::strrchr(name, '.');
  size_t length = dot ? static_cast<size_t>(dot - name) : std::strlen(name);
  copy_cut(store.setName, SetNameCapacity + 1, name, length);
}

// A folder's set name: its last path component, trailing '/' ignored.
void folder_set_name(LevelStore& store, const char* path) {
  size_t end = std::strlen(path);
  while (end > 1 && path[end - 1] == '/') --end;
  size_t start = end;
  while (start > 0 && path[start - 1] != '/') --start;
  if (start == end && end > 0) start = end - 1;  // the root "/"
  copy_cut(store.setName, SetNameCapacity + 1, path + start, end - start);
}

int32_t take_text(LevelStore& store, char* text) {
  size_t length = std::strlen(text);
  text[length] = '\n';  // the caller leaves one byte to spare for it
  text[length + 1] = 0;
  if (!split_level_text(store, text)) return 0;
  copy_cut(store.setName, SetNameCapacity + 1, TextSetName, sizeof TextSetName - 1);
  return 1;
}

int32_t take_file(LevelStore& store, const char* path) {
  if (std::strcmp(path, "-") == 0) {
    if (!read_level_source_fd(store, STDIN_FILENO)) return 0;
    copy_cut(store.setName, SetNameCapacity + 1, TextSetName, sizeof TextSetName - 1);
    return 1;
  }
  if (!read_level_source_file(store, path)) return 0;
  file_set_name(store, path);
  return 1;
}

int32_t take_folder(LevelStore& store, const char* path) {
  if (!scan_level_folder(store, path)) return 0;
  folder_set_name(store, path);
  return 1;
}

int32_t take_source(LevelStore& store, int32_t source, char* textOrPath) {
  switch (source) {
    case SourceText: return take_text(store, textOrPath);
    case SourceFile: return take_file(store, textOrPath);
    case SourceFolder: return take_folder(store, textOrPath);
    default: set_failure(store, IntakeBadSource, 0); return 0;
  }
}

}  // namespace

int32_t load_level_set(LevelStore& store, int32_t source, char* textOrPath) {
  reset_intake(store);
  int32_t taken = prepare_work_dir(store) && take_source(store, source, textOrPath);
  close_level_file(store);
  if (taken && store.levelCount != 0) return 1;
  set_failure(store, IntakeNoLevels, 0);
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
