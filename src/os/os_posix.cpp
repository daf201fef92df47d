// The operating system interface on Linux and other POSIX systems.
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "os/os.h"

namespace vk {

// ------------------------------------------------------------------ clock

int64_t os_clock_ms() {
  timespec t;
#ifdef CLOCK_MONOTONIC_COARSE
  // Far cheaper than the precise clock, and whole seconds are all the search
  // reads from it.
  clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
#else
  clock_gettime(CLOCK_MONOTONIC, &t);
#endif
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
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

// ------------------------------------------------- signals and the terminal

}  // namespace vk
