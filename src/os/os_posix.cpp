// The operating system interface on Linux and other POSIX systems.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "os/os.h"

namespace vk {

// ------------------------------------------------------------------ clock

int64_t os_clock_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

OsLocalTime os_local_time() {
  time_t now = time(nullptr);
  struct tm parts {};
  localtime_r(&now, &parts);
  return OsLocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min};
}

// ----------------------------------------------------------------- memory

// Anonymous mappings: refused cleanly under a memory limit, and pages that
// nothing touches never cost memory.
void* os_reserve(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                 -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void os_release(void* memory, size_t bytes) {
  if (memory) munmap(memory, bytes);
}

void os_advise_huge(void* memory, size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Refused (EINVAL) where the kernel has no transparent huge pages: harmless.
  // Pages already touched stay small until the kernel's background scan
  // collapses them; a synchronous collapse costs more than it saves here.
  if (memory) madvise(memory, bytes, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

int64_t os_physical_memory() {
  long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && size > 0 ? int64_t(pages) * int64_t(size) : 0;
}

// ------------------------------------------------------- files and folders

namespace {

constexpr mode_t OwnerFolderMode = 0700;
constexpr mode_t OwnerFileMode = 0600;
constexpr mode_t DocumentMode = 0666;  // narrowed by the umask
constexpr char TemporaryTail[] = "XXXXXX";

// path without its trailing '/' (a lone "/" stays): with one, the kernel
// follows a link in the last part even under O_NOFOLLOW. 0 when it does
// not fit.
int32_t bare_path(const char* path, char* out) {
  size_t length = strlen(path);
  while (length > 1 && path[length - 1] == '/') --length;
  if (length == 0 || length >= PATH_MAX) return 0;
  memcpy(out, path, length);
  out[length] = 0;
  return 1;
}

// path up to the last name its trailing "." and ".." steps leave
// standing, as the user reads it; "." when none is left (the current
// folder or the root, never a link of the user's). 0 when it does not fit.
int32_t standing_path(const char* path, char* out) {
  int32_t length = os_standing_length(path);
  if (length >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return 0;
  }
  if (length == 0) {
    strcpy(out, ".");
    return 1;
  }
  memcpy(out, path, size_t(length));
  out[length] = 0;
  return 1;
}

int32_t kind_of(mode_t mode) {
  if (S_ISREG(mode)) return OsFile;
  if (S_ISDIR(mode)) return OsFolder;
  if (S_ISLNK(mode)) return OsLink;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return OsDevice;
  if (S_ISFIFO(mode)) return OsPipe;
  return OsOtherKind;
}

}  // namespace

int32_t os_error() { return errno; }

void os_set_error(int32_t error) { errno = error; }

void os_error_text(int32_t error, char* out, int32_t capacity) {
  if (capacity <= 0) return;
  std::snprintf(out, size_t(capacity), "%s", strerror(error));
}

int32_t os_error_is_shortage(int32_t error) {
  return error == EMFILE || error == ENFILE || error == ENOMEM || error == ENOBUFS;
}

int32_t os_path_kind(const char* path, int32_t followLinks) {
  struct stat info;
  if (followLinks) return stat(path, &info) == 0 ? kind_of(info.st_mode) : OsMissing;
  char standing[PATH_MAX];
  if (!standing_path(path, standing)) return OsMissing;
  return lstat(standing, &info) == 0 ? kind_of(info.st_mode) : OsMissing;
}

int32_t os_user_cache_folder(char* out, int32_t capacity) {
  const char* cache = getenv("XDG_CACHE_HOME");
  // Only an absolute cache path counts; a relative one is to be ignored.
  int written = -1;
  if (cache && cache[0] == '/') {
    written = std::snprintf(out, size_t(capacity), "%s", cache);
  } else {
    const char* home = getenv("HOME");
    if (!home || home[0] == 0) {
      struct passwd* user = getpwuid(getuid());
      home = user ? user->pw_dir : nullptr;
    }
    if (!home || home[0] == 0) return 0;
    size_t length = strlen(home);
    while (length > 1 && home[length - 1] == '/') --length;
    written = std::snprintf(out, size_t(capacity), "%.*s/.cache", int(length), home);
  }
  return written >= 0 && written < capacity;
}

int32_t os_open_read(const char* path, OsHandle& file) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 0;
  file = fd;
  return 1;
}

OsHandle os_standard_input() { return STDIN_FILENO; }

int32_t os_read(OsHandle file, char* out, int32_t capacity) {
  for (;;) {
    if (os_stop_signal() != 0) {
      errno = EINTR;
      return -1;
    }
    ssize_t got = read(int(file), out, size_t(capacity));
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : int32_t(got);
  }
}

int32_t os_create_file(const char* path, OsHandle& file) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, OwnerFileMode);
  if (fd < 0) return 0;
  file = fd;
  return 1;
}

int32_t os_create_document(const char* path, OsHandle& file) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, DocumentMode);
  if (fd < 0) return 0;
  file = fd;
  return 1;
}

int32_t os_write_all(OsHandle file, const char* bytes, int32_t count) {
  while (count > 0) {
    ssize_t n = write(int(file), bytes, size_t(count));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) {
      errno = EIO;
      return 0;
    }
    bytes += n;
    count -= int32_t(n);
  }
  return 1;
}

int32_t os_close(OsHandle file) {
  if (file == OsNoHandle) return 1;
  return close(int(file)) == 0 ? 1 : 0;
}

int32_t os_make_folders(const char* path) {
  char bare[PATH_MAX];
  if (!bare_path(path, bare)) {
    errno = ENAMETOOLONG;
    return 0;
  }
  // Every folder above first; their failures show in the last mkdir.
  for (char* p = bare + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = 0;
    mkdir(bare, OwnerFolderMode);
    *p = '/';
  }
  return mkdir(bare, OwnerFolderMode) == 0 || errno == EEXIST;
}

int32_t os_temporary_folder(char* out, int32_t capacity) {
  const char* base = getenv("TMPDIR");
  if (base == nullptr || base[0] != '/') base = "/tmp";
  char bare[PATH_MAX];
  if (!bare_path(base, bare)) return 0;
  int written = std::snprintf(out, size_t(capacity), "%s", bare);
  return written >= 0 && written < capacity;
}

int32_t os_make_private_folder(const char* prefix, char* out, int32_t capacity) {
  char base[PATH_MAX];
  if (!os_temporary_folder(base, PATH_MAX)) {
    errno = ENAMETOOLONG;
    return 0;
  }
  int written = std::snprintf(out, size_t(capacity), "%s/%s%s", strcmp(base, "/") == 0 ? "" : base,
                              prefix, TemporaryTail);
  if (written < 0 || written >= capacity) {
    errno = ENAMETOOLONG;
    return 0;
  }
  return mkdtemp(out) != nullptr;  // made for the owner alone
}

namespace {

// The folder named name in the open folder parent when it is a private
// folder left behind: a real folder of this user's, holding a plain file
// lockName, its lock free. Returns it open and locked, or -1.
int open_stale(int parent, const char* name, const char* lockName) {
  int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return -1;
  struct stat info;
  if (fstat(folder, &info) != 0 || info.st_uid != geteuid() ||
      fstatat(folder, lockName, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
      flock(folder, LOCK_EX | LOCK_NB) != 0) {
    close(folder);
    return -1;
  }
  return folder;
}

// Removes every entry of the open folder but folders; links go as links.
void remove_plain_entries(int folder) {
  int listing = dup(folder);
  DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) close(listing);
    return;
  }
  while (dirent* entry = readdir(dir)) {
    struct stat info;
    if (fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode))
      unlinkat(folder, entry->d_name, 0);
  }
  closedir(dir);
}

}  // namespace

void os_remove_stale_private_folders(const char* prefix, const char* lockName) {
  char base[PATH_MAX];
  if (!os_temporary_folder(base, PATH_MAX)) return;
  int parent = open(base, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = parent >= 0 ? fdopendir(dup(parent)) : nullptr;
  if (dir == nullptr) {
    if (parent >= 0) close(parent);
    return;
  }
  const size_t prefixLength = strlen(prefix);
  while (dirent* entry = readdir(dir)) {
    if (strncmp(entry->d_name, prefix, prefixLength) != 0) continue;
    int folder = open_stale(parent, entry->d_name, lockName);
    if (folder < 0) continue;
    remove_plain_entries(folder);
    unlinkat(parent, entry->d_name, AT_REMOVEDIR);  // fails, harmlessly, when not empty
    close(folder);
  }
  closedir(dir);
  close(parent);
}

int32_t os_remove_folder(const char* path) {
  char bare[PATH_MAX];
  return bare_path(path, bare) && rmdir(bare) == 0;
}

int32_t os_remove_file(const char* path) { return unlink(path) == 0 || errno == ENOENT; }

int32_t os_list_open(OsList& list, const char* path) {
  list.pending = 0;
  list.name[0] = 0;
  list.handle = opendir(path);
  return list.handle != nullptr;
}

int32_t os_list_next(OsList& list) {
  DIR* dir = static_cast<DIR*>(list.handle);
  if (dir == nullptr) return -1;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (entry == nullptr) return errno == 0 ? 0 : -1;
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    std::snprintf(list.name, sizeof list.name, "%s", name);
    return 1;
  }
}

void os_list_close(OsList& list) {
  if (list.handle != nullptr) closedir(static_cast<DIR*>(list.handle));
  list.handle = nullptr;
}

// flock on the folder itself: no lock file to leave behind, and the lock
// belongs to this open of the folder, so it ends with the process.
int32_t os_lock_folder(const char* path, OsHandle& lock) {
  char bare[PATH_MAX];
  if (!bare_path(path, bare)) {
    errno = ENAMETOOLONG;
    return 0;
  }
  // "lnk/." names the link lnk as much as "lnk" does.
  if (os_path_kind(path, 0) == OsLink) {
    errno = ELOOP;
    return 0;
  }
  int fd = open(bare, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    errno = error;
    return error == EWOULDBLOCK ? OsBusy : 0;
  }
  lock = fd;
  return 1;
}

void os_unlock_folder(OsHandle& lock) {
  if (lock == OsNoHandle) return;
  close(int(lock));  // closing the last descriptor releases the lock
  lock = OsNoHandle;
}

namespace {

// Paths are followed one name at a time with openat, from the current
// folder or the root: a path of any length the system takes works (realpath
// and every fixed buffer stop at PATH_MAX), and no folder above the ones a
// path names needs to be looked at.
#ifdef O_PATH
constexpr int LookFlags = O_PATH | O_CLOEXEC;  // needs no read permission
#else
constexpr int LookFlags = O_RDONLY | O_CLOEXEC;
#endif
// Folders a check remembers above the one it compares with; deeper ones
// only cost the early answer "outside".
constexpr int32_t ChainCapacity = 128;

struct Identity {
  dev_t device;
  ino_t file;
};

bool same(const Identity& a, const struct stat& b) { return a.device == b.st_dev && a.file == b.st_ino; }

// Closes the descriptors given (-1: none) and keeps errno as it was.
void close_keeping_error(int a, int b = -1) {
  int error = errno;
  if (a >= 0) close(a);
  if (b >= 0) close(b);
  errno = error;
}

enum Resolved : int32_t {
  ResolveFailed = 0,  // a step cannot be taken: errno says why
  ResolveFound = 1,   // part stands in folder: object says what it is
  ResolveMissing = 2,  // nothing named part stands in folder; it would be made there
  ResolveNowhere = 3,  // a folder on the way does not exist: nothing can be made
};

// Where path leads, every link followed: the folder that holds (or would
// hold) its last name, open in place.folder, and that name.
struct Place {
  int folder = -1;
  char part[NAME_MAX + 1];
  struct stat object;
};

const char* skip_separators(const char* at) {
  while (*at == '/') ++at;
  return at;
}

// Copies the next name of at into part ("." for none: the folder itself);
// returns what follows it, or nullptr when the name is too long.
const char* take_part(const char* at, char* part) {
  size_t length = strcspn(at, "/");
  if (length > NAME_MAX) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  if (length == 0) {
    strcpy(part, ".");
  } else {
    memcpy(part, at, length);
    part[length] = 0;
  }
  return skip_separators(at + length);
}

int open_start(const char* path) { return open(path[0] == '/' ? "/" : ".", LookFlags | O_DIRECTORY); }

int32_t resolve(const char* path, Place& place) {
  char target[PATH_MAX];  // a link's text: the system keeps none longer
  int folder = open_start(path);
  if (folder < 0) return ResolveFailed;
  const char* at = skip_separators(path);
  for (int32_t links = 0;;) {
    at = take_part(at, place.part);
    if (at == nullptr) break;
    if (*at != 0) {  // a folder on the way: the system follows its links
      int next = openat(folder, place.part, LookFlags | O_DIRECTORY);
      if (next < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
          close(folder);
          return ResolveNowhere;
        }
        break;
      }
      close(folder);
      folder = next;
      continue;
    }
    if (fstatat(folder, place.part, &place.object, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) break;
      place.folder = folder;
      return ResolveMissing;
    }
    if (!S_ISLNK(place.object.st_mode)) {
      place.folder = folder;
      return ResolveFound;
    }
    // The last name is a link: go on with its text, from where it stands.
    ssize_t length = ++links > OsLinkSteps ? (errno = ELOOP, -1)
                                           : readlinkat(folder, place.part, target, sizeof target - 1);
    if (length < 0) break;
    target[length] = 0;
    if (target[0] == '/') {
      int root = open_start(target);
      if (root < 0) break;
      close(folder);
      folder = root;
    }
    at = skip_separators(target);
  }
  close_keeping_error(folder);
  return ResolveFailed;
}

// The folder a check starts its walk up from: the object itself when it is
// a folder, else the folder that holds (or would hold) it. -1 on failure.
int walk_start(const Place& place, int32_t resolved) {
  if (resolved == ResolveFound && S_ISDIR(place.object.st_mode))
    return openat(place.folder, place.part, LookFlags | O_DIRECTORY);
  return dup(place.folder);
}

// Remembers the identities of the folders above the one open at start, up
// to the root or ChainCapacity; the walk ends quietly where a step fails.
int32_t folders_above(int start, Identity* chain) {
  int32_t count = 0;
  int at = dup(start);
  struct stat here, up;
  while (at >= 0 && count < ChainCapacity && fstat(at, &here) == 0) {
    int next = openat(at, "..", LookFlags | O_DIRECTORY);
    close(at);
    at = next;
    if (at < 0 || fstat(at, &up) != 0 || (up.st_dev == here.st_dev && up.st_ino == here.st_ino))
      break;
    chain[count++] = Identity{up.st_dev, up.st_ino};
  }
  if (at >= 0) close(at);
  return count;
}

// The rest of a walk up that cannot step above the folder open at fd (a
// folder without search permission): where the system names the open
// folder by its path from the root (Linux's /proc/self/fd), the folders
// above it are looked at by that path, from the root's side, where their
// own permissions no longer matter.
int32_t walk_up_by_name(int fd, const Identity& target, const Identity* chain, int32_t chainCount) {
  int error = errno;
  char link[64];
  char path[PATH_MAX];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0 || path[0] != '/') {
    errno = error;
    return OsCannotTell;
  }
  path[length] = 0;
  struct stat here;
  for (;;) {
    char* slash = strrchr(path, '/');
    if (slash == path) {
      if (path[1] == 0) return OsOutside;  // the root has been looked at
      slash[1] = 0;
    } else {
      *slash = 0;
    }
    if (stat(path, &here) != 0) return OsCannotTell;
    if (same(target, here)) return OsInside;
    for (int32_t k = 0; k < chainCount; ++k)
      if (same(chain[k], here)) return OsOutside;
  }
}

// From the folder open at fd up to the root: inside when the target comes
// on the way; outside at the root or at a folder above the target (which
// the rest of the way can never meet again); cannot tell when a step up
// fails first. Closes fd.
int32_t walk_up(int fd, const Identity& target, const Identity* chain, int32_t chainCount) {
  struct stat here, up;
  for (;;) {
    if (fstat(fd, &here) != 0) break;
    if (same(target, here)) {
      close(fd);
      return OsInside;
    }
    for (int32_t k = 0; k < chainCount; ++k)
      if (same(chain[k], here)) {
        close(fd);
        return OsOutside;
      }
    int next = openat(fd, "..", LookFlags | O_DIRECTORY);
    if (next < 0) {
      int32_t answer = walk_up_by_name(fd, target, chain, chainCount);
      if (answer == OsCannotTell) break;
      close(fd);
      return answer;
    }
    if (fstat(next, &up) != 0) {
      close_keeping_error(next);
      break;
    }
    close(fd);
    fd = next;
    if (up.st_dev == here.st_dev && up.st_ino == here.st_ino) {  // the root
      close(fd);
      return OsOutside;
    }
  }
  close_keeping_error(fd);
  return OsCannotTell;
}

// The answer for a path once its place is known, when the folder compared
// with is a file: only the path itself can be it.
int32_t same_file_answer(int32_t resolved, const Place& place, const Identity& file) {
  if (resolved == ResolveFailed) return OsCannotTell;
  int32_t answer = resolved == ResolveFound && same(file, place.object) ? OsInside : OsOutside;
  if (place.folder >= 0) close(place.folder);
  return answer;
}

}  // namespace

int32_t os_path_within(const char* path, const char* folder) {
  if (path[0] == 0) return OsOutside;  // names nothing: nothing can be made there
  Place top;
  int32_t found = resolve(folder, top);
  if (found != ResolveFound) {
    if (found != ResolveFailed) {
      if (top.folder >= 0) close(top.folder);
      errno = ENOENT;
    }
    return OsCannotTell;
  }
  const Identity target{top.object.st_dev, top.object.st_ino};
  Place place;
  if (!S_ISDIR(top.object.st_mode)) {
    close(top.folder);
    return same_file_answer(resolve(path, place), place, target);
  }
  Identity chain[ChainCapacity];
  int start = walk_start(top, ResolveFound);
  int32_t chainCount = start >= 0 ? folders_above(start, chain) : 0;
  close_keeping_error(start, top.folder);
  int32_t resolved = resolve(path, place);
  if (resolved == ResolveFailed) return OsCannotTell;
  if (resolved == ResolveNowhere) return OsOutside;
  int from = walk_start(place, resolved);
  close_keeping_error(place.folder);
  if (from < 0) return OsCannotTell;
  return walk_up(from, target, chain, chainCount);
}

int32_t os_path_is_open_file(const char* path, OsHandle file) {
  if (path[0] == 0) return OsOutside;
  struct stat info;
  if (fstat(int(file), &info) != 0) return OsCannotTell;
  Place place;
  return same_file_answer(resolve(path, place), place, Identity{info.st_dev, info.st_ino});
}

int32_t os_full_path(const char* path, char* out, int32_t capacity) {
  int written = std::snprintf(out, size_t(capacity), "%s", path);
  return written >= 0 && written < capacity;
}

void os_leave_current_folder() {}

// ------------------------------------------------- signals and the terminal

OsHandle os_standard_output() { return STDOUT_FILENO; }
OsHandle os_standard_error() { return STDERR_FILENO; }

int32_t os_is_terminal(OsHandle file) { return isatty(int(file)) ? 1 : 0; }

void os_plain_standard_streams() {}

char** os_utf8_arguments(int, char** argv) { return argv; }

namespace {

constexpr int StopSignals[] = {SIGHUP, SIGINT, SIGTERM};
static_assert(SIGHUP == OsSignalHangUp && SIGINT == OsSignalInterrupt &&
              SIGTERM == OsSignalTerminate && SIGPIPE == OsSignalPipe);

void (*StopHandler)(int32_t) = nullptr;
std::atomic<int32_t> StopSignal{0};
static_assert(std::atomic<int32_t>::is_always_lock_free);

extern "C" void on_stop_signal(int number) {
  int32_t none = 0;
  StopSignal.compare_exchange_strong(none, number, std::memory_order_relaxed);
  if (StopHandler) StopHandler(number);
}

}  // namespace

void os_catch_stop_signals(void (*handler)(int32_t signal)) {
  StopHandler = handler;
  // A closed pipe and the file-size limit become write errors.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  for (int number : StopSignals) {
    struct sigaction before {};
    if (sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a blocked read returns, and os_read stops
    sigaction(number, &action, nullptr);
  }
}

int32_t os_stop_signal() { return StopSignal.load(std::memory_order_relaxed); }

void os_block_stop_signals_here() {
  sigset_t stops;
  sigemptyset(&stops);
  for (int number : StopSignals) sigaddset(&stops, number);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
}

}  // namespace vk
