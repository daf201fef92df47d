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

// Hands the pages of [memory, memory + bytes), a range from os_reserve, back
// to the system: the range stays reserved and usable, costs nothing until
// it is touched again, and then reads as zero. On Windows: decommit and
// commit the range again (VirtualFree MEM_DECOMMIT, VirtualAlloc MEM_COMMIT).
void os_discard(void* memory, size_t bytes);

// Asks for huge pages (Linux: madvise MADV_HUGEPAGE, for transparent huge
// pages in "madvise" mode) on a range from os_reserve that is walked at
// random. Only a hint: pages already touched may stay small, and where the
// system has no such pages (or on Windows, where they need a privilege and
// a reservation of their own) it does nothing.
void os_advise_huge(void* memory, size_t bytes);

// The machine's physical memory in bytes, 0 when the system does not say.
// On Windows: GlobalMemoryStatusEx, ullTotalPhys.
int64_t os_physical_memory();

// ------------------------------------------------------- files and folders

// ------------------------------------------------- signals and the terminal

}  // namespace vk
