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

#include "os/os.h"

namespace vk {

// ------------------------------------------------------------------ clock

// GetTickCount64 ticks every 10 to 16 ms, as coarse as the POSIX side's
// coarse clock and as cheap; the search reads only whole seconds from it.
int64_t os_clock_ms() { return int64_t(GetTickCount64()); }

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

// ------------------------------------------------------- files and folders

// ------------------------------------------------- signals and the terminal

}  // namespace vk
