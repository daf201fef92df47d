// The operating system interface on Linux and other POSIX systems.
#include <sys/mman.h>
#include <time.h>

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

// ------------------------------------------------------- files and folders

// ------------------------------------------------- signals and the terminal

}  // namespace vk
