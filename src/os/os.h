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

// Milliseconds on a monotonic clock with an arbitrary origin, to the
// millisecond, so that short solves can be timed.
int64_t os_clock_ms();

// The wall clock in the user's time zone, to the minute.
struct OsLocalTime {
  int32_t year;    // four digits
  int32_t month;   // 1 to 12
  int32_t day;     // 1 to 31
  int32_t hour;    // 0 to 23
  int32_t minute;  // 0 to 59
};
OsLocalTime os_local_time();

// ----------------------------------------------------------------- memory

// Reserves bytes of zeroed, page-aligned memory that costs nothing until it
// is touched. Null when the system refuses (an address-space limit).
void* os_reserve(size_t bytes);
void os_release(void* memory, size_t bytes);

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
//
// Paths are the system's own, terminated by a NUL; a trailing separator is
// allowed wherever a folder is named. Handles are plain integers: a file
// descriptor here, a HANDLE on Windows. Every call that fails leaves its
// cause for os_error() on the calling thread. None of them allocates.

using OsHandle = intptr_t;
constexpr OsHandle OsNoHandle = -1;

// The folder separator the system writes; os_is_separator also takes '/'
// on Windows, which accepts both.
#ifdef _WIN32
constexpr char OsSeparator = '\\';
#else
constexpr char OsSeparator = '/';
#endif
constexpr bool os_is_separator(char c) { return c == '/' || c == OsSeparator; }
// Where os_make_private_folder makes its folders, as the system's users
// name the place: for the help texts, wrapped for lines indented by two.
#ifdef _WIN32
constexpr char OsTempPlace[] = "%TEMP%";
#else
constexpr char OsTempPlace[] =
    "$TMPDIR (or /tmp when TMPDIR is unset or not absolute; a TMPDIR naming\n"
    "  a missing folder fails the intake)";
#endif
constexpr int32_t OsNameCapacity = 256;       // one folder entry's name, terminated
constexpr int32_t OsErrorTextCapacity = 128;  // the system's text of one error
constexpr int32_t OsBusy = 2;                 // os_lock_folder: another process holds it
#ifdef _WIN32
constexpr int32_t OsClosedPipe = 232;         // os_error() of a write to a closed pipe (ERROR_NO_DATA)
#else
constexpr int32_t OsClosedPipe = 32;          // EPIPE
#endif
constexpr int32_t OsLinkSteps = 40;           // links followed in one path, as Linux allows

// What stands at a path.
enum OsPathKind : int32_t {
  OsMissing = 0,  // nothing, or it cannot be looked at
  OsFile = 1,     // a regular file
  OsFolder = 2,
  OsLink = 3,     // a symbolic link (only when links are not followed)
  OsDevice = 4,   // a character or block device
  OsPipe = 5,     // a named pipe (FIFO)
  OsOtherKind = 6,
};

// The system's error number of the calling thread's last failed call.
int32_t os_error();

// Sets the calling thread's error number, so that a clean-up after a
// failed call does not hide its cause.
void os_set_error(int32_t error);

// The system's own text for error, cut to capacity - 1 bytes, terminated.
void os_error_text(int32_t error, char* out, int32_t capacity);

// 1 when error is a shortage of the process or the system (too many open
// files, no memory, no kernel resources) rather than a property of one
// file or folder; 0 otherwise.
int32_t os_error_is_shortage(int32_t error);

// What stands at path. followLinks 1: a link counts as what it names (a
// dangling link is OsMissing); 0: a link is OsLink and is never followed,
// with or without a trailing separator, and the path is judged as the user
// reads it: its trailing "." and ".." steps taken away first, so that
// "lnk/.", "lnk/./" and "lnk/sub/.." are the link lnk. A path whose steps
// leave no name (".", "..", "/") names no link. Links in the path's
// folders above that name are followed either way.
int32_t os_path_kind(const char* path, int32_t followLinks);

// The length of path up to the last name that its trailing separators,
// "." and ".." steps leave standing ("lnk/sub/.." ends behind "lnk"); 0
// when no name is left. The text alone decides: nothing is looked at.
int32_t os_standing_length(const char* path);

// The user's folder for cached files: $XDG_CACHE_HOME when it is an
// absolute path, else .cache in the home folder ($HOME, or the user
// database's entry when HOME is unset or empty). 1, or 0 when there is no
// home folder or the path does not fit capacity.
int32_t os_user_cache_folder(char* out, int32_t capacity);

// Opens an existing file for reading, following links; others may read it
// too. Never makes a terminal the controlling one. A named pipe blocks here
// until a writer opens it. 1 and the handle in file, or 0.
int32_t os_open_read(const char* path, OsHandle& file);

// The process's standard input, for os_read; never closed.
OsHandle os_standard_input();

// Reads up to capacity bytes, retrying interrupted calls. Returns the count
// read, 0 at the end of the file, -1 on an error.
int32_t os_read(OsHandle file, char* out, int32_t capacity);

// Creates the file, or truncates the one there, for writing, readable and
// writable by the owner only. Never writes through a link: a link at path
// makes it fail. 1 and the handle in file, or 0.
int32_t os_create_file(const char* path, OsHandle& file);

// Creates the file, or truncates the one there, for writing, as a document
// the user names (a report): a link at path is followed, and a new file
// gets the permissions the user's file-creation mask leaves of 0666.
// 1 and the handle in file, or 0.
int32_t os_create_document(const char* path, OsHandle& file);

// Writes all count bytes, going on after short writes and interrupted
// calls. 1 when all were written, 0 on an error (a full disk, a file-size
// limit: the bytes before stay written), with os_error() never 0 then.
int32_t os_write_all(OsHandle file, const char* bytes, int32_t count);

// Closes a handle from os_open_read or os_create_file. 1, or 0 when the
// system reports an error (a write that failed late). OsNoHandle: nothing.
int32_t os_close(OsHandle file);

// Creates the folder path and every missing folder above it, each
// accessible to the owner only. 1 when path was created or something
// already stands there (the caller looks at what), 0 when it cannot be
// created.
int32_t os_make_folders(const char* path);

// The system's folder for temporary files: $TMPDIR when it is an absolute
// path, else /tmp (on Windows GetTempPathW). 1, or 0 when it does not fit.
int32_t os_temporary_folder(char* out, int32_t capacity);

// Creates a new, empty folder of the owner's alone in the system's folder
// for temporary files, named prefix and a unique tail, and writes its path
// (without a trailing separator) to out. 1, or 0 when it cannot be made or
// its path does not fit capacity.
int32_t os_make_private_folder(const char* prefix, char* out, int32_t capacity);

// Removes, from the system's folder for temporary files, the private
// folders that runs killed without their clean-up left: only a folder
// named prefix and more, never a link, owned by this user, holding a
// plain file named lockName, and whose lock (os_lock_folder) nobody
// holds. Its plain files and links go, never what a link names; a folder
// that still holds anything else stays. Failures leave things as they
// are: nothing here is ever in the way of the run.
void os_remove_stale_private_folders(const char* prefix, const char* lockName);

// Removes the folder path when it is empty. Never removes a link's target
// nor anything inside. 1 when removed, 0 otherwise.
int32_t os_remove_folder(const char* path);

// Removes the file or the link at path: a link itself goes, never what it
// names; a folder is never removed. 1 when removed or already gone, 0 when
// it stays.
int32_t os_remove_file(const char* path);

// A folder listing in progress; the caller owns it, nothing is allocated
// beyond what the system keeps for an open listing. On Windows the system
// hands out entries in batches of at most OsListBatchBytes, kept here.
#ifdef _WIN32
constexpr int32_t OsListBatchBytes = 4096;
#endif
struct OsList {
  void* handle = nullptr;
  int32_t pending = 0;            // name already holds an entry not yet handed out
  char name[OsNameCapacity] = {};  // the entry os_list_next handed out
#ifdef _WIN32
  int32_t next = 0;  // offset of the next entry in batch
  alignas(8) unsigned char batch[OsListBatchBytes];
#endif
};

// Starts listing the folder path, following links. 1, or 0.
int32_t os_list_open(OsList& list, const char* path);

// The next entry's name (never "." or "..") into list.name, in the order
// the system lists them: 1. 0 at the end, -1 on an error.
int32_t os_list_next(OsList& list);

// Ends the listing; harmless on one that failed to open.
void os_list_close(OsList& list);

// Opens the folder path, never following a link in its last part (as
// os_path_kind reads it: "lnk/." is the link lnk), and
// takes an exclusive advisory lock on it without waiting. The lock is held
// until os_unlock_folder or the end of the process, however it ends; it
// keeps out other processes and other locks of this process alike.
// Returns 1 with the handle in lock; OsBusy when another holder has it;
// 0 when the folder cannot be opened (a link or no folder: see
// os_path_kind) or locked.
int32_t os_lock_folder(const char* path, OsHandle& lock);

// Releases a lock from os_lock_folder and sets lock to OsNoHandle.
void os_unlock_folder(OsHandle& lock);

// The answer of an identity check. Every caller handles all three: a check
// that cannot tell refuses, with the path and os_error(), the system's
// reason.
enum OsWithin : int32_t {
  OsOutside = 0,
  OsInside = 1,
  OsCannotTell = 2,
};

// Whether path, with every link resolved (a dangling one too: what it
// would create), is folder (a folder or a file) or lies anywhere below it,
// judged by file identity (device and file number), never by the text of
// the paths. A path that does not exist yet is judged by the folder it
// would be made in; one whose folders do not exist, and the empty path,
// are outside, since nothing can be made there. Paths of any length the
// system takes work: they are followed one folder at a time. OsCannotTell
// when folder cannot be looked at, or a step of path cannot be taken
// before the answer is sure (a folder without search permission on the
// way up, a name too long for the system, a loop of links; on Windows a
// dangling link, whose target the system resolves only when it creates it).
int32_t os_path_within(const char* path, const char* folder);

// Whether path, links resolved, is the very file open at file (standard
// input, for example), by identity: OsInside, OsOutside (also when nothing
// stands at path), or OsCannotTell.
int32_t os_path_is_open_file(const char* path, OsHandle file);

// On Windows, path made absolute (GetFullPathNameW), so that the process
// may leave its current folder; elsewhere path as it is, since an absolute
// path may pass the system's length limit where the relative one works.
// 1, or 0 when it does not fit capacity.
int32_t os_full_path(const char* path, char* out, int32_t capacity);

// On Windows, makes the system's folder the current one, so that the
// process's own hold on its current folder never meets the exclusive hold
// on a work folder; nothing elsewhere. Every relative path must have gone
// through os_full_path before.
void os_leave_current_folder();

// ------------------------------------------------- signals and the terminal

// The process's standard output and standard error, for os_write_all and
// os_is_terminal; never closed.
OsHandle os_standard_output();
OsHandle os_standard_error();

// 1 when file is a terminal (on Windows a console), 0 otherwise.
int32_t os_is_terminal(OsHandle file);

// The standard streams carry bytes as they are, as on Linux: on Windows
// binary mode for the C streams (LF stays LF) and UTF-8 as the console's
// code page, so that non-ASCII names print right. Nothing on POSIX.
void os_plain_standard_streams();

// The program's arguments as UTF-8: on Windows taken again from the wide
// command line (the narrow argv is in the system's code page, which cannot
// hold every name; the system's parse of it is freed at once); on POSIX
// argv itself. Call once, at start.
char** os_utf8_arguments(int argc, char** argv);

// Signals that end a run, by their POSIX numbers (the exit status is 128
// and the number). On Windows Ctrl-C, Ctrl-Break and closing the console
// window are OsSignalInterrupt.
constexpr int32_t OsSignalHangUp = 1;
constexpr int32_t OsSignalInterrupt = 2;
constexpr int32_t OsSignalPipe = 13;
constexpr int32_t OsSignalTerminate = 15;

// From now on SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl-C,
// Ctrl-Break and close events) call handler with the signal's number
// instead of ending the process; a signal that was ignored when the
// process started stays ignored. The handler may run on any thread, on
// Windows on one of its own, and may only store to lock-free atomics. A
// write to a closed pipe, or beyond the file-size limit, fails with an
// error (EPIPE, EFBIG) instead of ending the process. Call once, first
// thing in main, before any file is written or folder made.
void os_catch_stop_signals(void (*handler)(int32_t signal));

// The first signal caught, 0 while none came. Once one came, os_read
// fails at once (as interrupted), so that an input that never ends, a
// device or a pipe nobody writes, still lets the run stop.
int32_t os_stop_signal();

// Keeps the stop signals away from the calling thread, so that they reach
// the thread that runs the work (POSIX: blocks them; Windows: nothing,
// the console calls the handler on a thread of its own).
void os_block_stop_signals_here();

}  // namespace vk
