// The operating system, behind one small set of plain functions: the clock,
// memory for the big tables, files and folders, signals and the terminal.
// Every other folder of the core and the command line reaches the system only
// through this header; os_posix.cpp implements it for Linux and other POSIX
// systems, os_win32.cpp for Windows. Nothing here allocates on the heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk {

// ------------------------------------------------------------------ clock

// Milliseconds on a monotonic clock with an arbitrary origin. Cheap enough to
// read once per search expansion; its resolution may be a few milliseconds.
int64_t os_clock_ms();

// ----------------------------------------------------------------- memory

// Reserves bytes of zeroed, page-aligned memory that costs nothing until it
// is touched. Null when the system refuses (an address-space limit).
void* os_reserve(size_t bytes);
void os_release(void* memory, size_t bytes);

// ------------------------------------------------------- files and folders

// ------------------------------------------------- signals and the terminal

}  // namespace vk
