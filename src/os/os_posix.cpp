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

void os_discard(void* memory, size_t bytes) {
  // Private anonymous pages read as zero after MADV_DONTNEED.
  if (memory) madvise(memory, bytes, MADV_DONTNEED);
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

// The folder a new entry at path would be made in: path less its last part.
void parent_of(const char* bare, char* out) {
  const char* slash = strrchr(bare, '/');
  if (slash == nullptr) {
    strcpy(out, ".");
  } else if (slash == bare) {
    strcpy(out, "/");
  } else {
    memcpy(out, bare, size_t(slash - bare));
    out[slash - bare] = 0;
  }
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

void os_error_text(int32_t error, char* out, int32_t capacity) {
  if (capacity <= 0) return;
  std::snprintf(out, size_t(capacity), "%s", strerror(error));
}

int32_t os_error_is_shortage(int32_t error) {
  return error == EMFILE || error == ENFILE || error == ENOMEM || error == ENOBUFS;
}

int32_t os_path_kind(const char* path, int32_t followLinks) {
  struct stat info;
  char bare[PATH_MAX];
  if (!followLinks && !bare_path(path, bare)) return OsMissing;
  int result = followLinks ? stat(path, &info) : lstat(bare, &info);
  return result == 0 ? kind_of(info.st_mode) : OsMissing;
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

int32_t os_make_private_folder(const char* prefix, char* out, int32_t capacity) {
  const char* base = getenv("TMPDIR");
  if (base == nullptr || base[0] != '/') base = "/tmp";
  char bare[PATH_MAX];
  if (!bare_path(base, bare)) return 0;
  int written = std::snprintf(out, size_t(capacity), "%s/%s%s", strcmp(bare, "/") == 0 ? "" : bare,
                              prefix, TemporaryTail);
  if (written < 0 || written >= capacity) {
    errno = ENAMETOOLONG;
    return 0;
  }
  return mkdtemp(out) != nullptr;  // made for the owner alone
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

int32_t os_path_within(const char* path, const char* folder) {
  struct stat target;
  if (stat(folder, &target) != 0) return 0;
  char resolved[PATH_MAX];
  if (realpath(path, resolved) == nullptr) {
    if (errno != ENOENT) return 0;
    char bare[PATH_MAX];
    char parent[PATH_MAX];
    if (!bare_path(path, bare)) return 0;
    parent_of(bare, parent);
    if (realpath(parent, resolved) == nullptr) return 0;
  }
  // From the path up to the root, each folder on the way by its identity.
  for (;;) {
    struct stat info;
    if (stat(resolved, &info) == 0 && info.st_dev == target.st_dev &&
        info.st_ino == target.st_ino)
      return 1;
    if (strcmp(resolved, "/") == 0) return 0;
    char* slash = strrchr(resolved, '/');
    if (slash == resolved) slash[1] = 0;
    else *slash = 0;
  }
}

// ------------------------------------------------- signals and the terminal

void os_ignore_file_size_signal() { signal(SIGXFSZ, SIG_IGN); }

OsHandle os_standard_output() { return STDOUT_FILENO; }
OsHandle os_standard_error() { return STDERR_FILENO; }

int32_t os_is_terminal(OsHandle file) { return isatty(int(file)) ? 1 : 0; }

void os_plain_standard_streams() {}

char** os_utf8_arguments(int, char** argv) { return argv; }

namespace {

void (*InterruptHandler)() = nullptr;
struct sigaction PreviousInterrupt {};

extern "C" void on_interrupt(int) {
  if (InterruptHandler) InterruptHandler();
}

}  // namespace

void os_catch_interrupt(void (*handler)()) {
  signal(SIGPIPE, SIG_IGN);
  InterruptHandler = handler;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, &PreviousInterrupt);
}

void os_release_interrupt() { sigaction(SIGINT, &PreviousInterrupt, nullptr); }

void os_block_interrupt_here() {
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
}

}  // namespace vk
