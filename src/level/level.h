// The level model: the level store that the intake fills, the Board that
// read_level builds from one stored level, and the per-level tables that the
// static analyses leave for the search.
//
// Everything here is plain data over fixed-size tables. A program owns one
// LevelStore and one Level; tests make their own. Nothing allocates and
// nothing throws.
#pragma once

#include <cstdint>

#include "os/os.h"
#include "program/program.h"

namespace vk {

// ---------------------------------------------------------------- limits

constexpr int32_t MaxArea = 2000;          // cells of a level, width * height
constexpr int32_t MaxBoxes = 8;            // live boxes a level may have
constexpr int32_t GuidedMaxBoxes = 16;     // live boxes a level may have for the guided search
constexpr int32_t ChunkSize = 2000;        // bytes of a source file read at once
constexpr int32_t TextCapacity = 20000;    // characters of the text buffer
constexpr int32_t TextBufferSize = TextCapacity + 1;  // with its terminator
constexpr int32_t PasteCapacity = TextCapacity - 1;   // leaves room for the LF
constexpr int32_t PathCapacity = 260;      // characters of a source path
constexpr int32_t StorePathCapacity = PathTextCapacity;  // work folder path plus file name
constexpr int32_t SetNameCapacity = 49;    // bytes of a level set name
constexpr int32_t MaxFileNumber = 99999;   // largest number a folder file may give
constexpr int32_t SampleLevels = 6;
constexpr int32_t SampleNameCapacity = 20;
constexpr int32_t LastGeneration = 2147483647;  // a StampMap's counter wraps here

// ---------------------------------------------------------------- cells

// Bits of a Board cell. A wall is exactly CellWall and an outside cell exactly
// CellOutside; every other cell combines CellGoal, CellBox and CellKeeper.
enum CellFlag : int32_t {
  CellFloor = 0,
  CellGoal = 1,
  CellBox = 2,
  CellKeeper = 4,
  CellWall = 8,
  CellOutside = 16,  // floor the keeper can never reach
};

// Values of the BlockMap (and of the search board, where CellBox marks a box).
constexpr int32_t MapOpen = 0;
constexpr int32_t MapBlocked = 8;

// Directions in their fixed order; every neighbour loop visits them so.
enum Direction : int32_t { DirUp = 0, DirLeft = 1, DirDown = 2, DirRight = 3 };
constexpr int32_t Directions = 4;

// ---------------------------------------------------------------- notation

// Levels are written one text line a row, one character a cell:
//   '#' wall   ' ' floor   '.' goal   '$' box   '*' box on a goal
//   '@' keeper   '+' keeper on a goal
// A line of these characters alone (after its trailing spaces are cut) is a
// level line; any other line, an empty one included, ends a level.
constexpr char LevelChars[] = " .$*@+#";

// 1 when c is one of the characters of LevelChars (never the NUL byte).
int32_t is_level_char(char c);
// The CellFlag bits a level character stands for; CellFloor for any other.
int32_t cell_flags_of(char c);
// 1 when the line's length characters, at least one, are all level characters.
int32_t is_level_line(const char* line, int32_t length);
// Copies the k-th level (from 0) of a text into out as an intake would store
// it: its level lines, trailing spaces cut, each ending in one LF; lines that
// would not fit in capacity - 1 bytes are left out. Returns its length, or -1
// when the text has fewer levels.
int32_t level_of_text(const char* text, int32_t k, char* out, int32_t capacity);

// A move trace is one letter a keeper step, in the direction order: a walk
// in lower case, a push in upper case.
constexpr char WalkLetters[] = "uldr";
constexpr char PushLetters[] = "ULDR";

// The direction of a move letter, or -1 for any other character; push is
// set to 1 for a push letter, else 0.
int32_t move_letter_direction(char c, int32_t& push);

// ---------------------------------------------------------------- status

enum LevelStatus : int32_t {
  LevelOk = 0,
  LevelSizeOver = 1,
  LevelBoxesOver = 2,
  LevelIrregular = 3,
  LevelImpossible = 4,
};

// "Size Over", "Boxes Over", "Irregular", "Impossible"; "" for LevelOk.
const char* level_status_word(int32_t status);

// ---------------------------------------------------------------- stamps

// A cell counts as reached by a fill when its stamp equals the fill's
// generation. Stamp 0 is never a live generation.
struct StampMap {
  int32_t stamps[MaxArea];
  int32_t generation;
};

// Advances the counter before a fill and returns the new generation; at
// LastGeneration the stamps are cleared and the counter restarts at 1.
int32_t next_generation(StampMap& map);

// ---------------------------------------------------------------- the level

struct Level {
  int32_t cells[MaxArea];  // the Board, row-major, as written in the level
  int32_t width;           // longest row
  int32_t height;          // number of rows
  int32_t area;            // cell count, width * height
  int32_t KeeperStart;
  int32_t totalBoxes;      // "$" and "*" in the level's rows
  int32_t liveBoxes;       // boxes left after frozen ones became walls
  int32_t offset[Directions];  // up, left, down, right: -width, -1, +width, +1

  int32_t BlockMap[MaxArea];     // MapBlocked or MapOpen
  int32_t GoalMap[MaxArea];      // 1 on open goal cells
  int32_t BoxStartMap[MaxArea];  // 2 on open box start cells
  int32_t NoRestMap[MaxArea];    // 1 where a moved box never rests: tunnels and NoReachMap
  int32_t NoReachMap[MaxArea];   // 1 on open cells onto which no live box can be pushed
  int32_t ReachMask[MaxArea];    // bit k where live box k can be pushed

  StampMap stamp;       // shared by the dead-square analysis and the search
  StampMap reachStamp;  // private to box_reach
};

// 1 for a cell of the level that is open floor: not a wall, not outside,
// not a box frozen on its goal.
inline bool open_cell(const Level& level, int32_t cell) {
  return cell >= 0 && cell < level.area && level.BlockMap[cell] == MapOpen;
}

// The live boxes a level may have: MaxBoxes, or GuidedMaxBoxes for the
// guided search.
int32_t box_limit(int32_t guided);

// Reads level n of the store into the level and analyses it. A missing or
// unreadable level file is LevelIrregular; more than boxLimit live boxes is
// LevelBoxesOver.
int32_t read_level(Level& level, const char* workDir, int32_t n, int32_t boxLimit = MaxBoxes);

// Parses and analyses a level file's text (the bytes read from the store)
// of the given length; read_level is this on the file's contents.
int32_t parse_level(Level& level, const char* text, int32_t length,
                    int32_t boxLimit = MaxBoxes);

// 1 when every box of boxes (liveBoxes cells, in the search's order) can be
// given its own live box start that can be pushed onto its cell, found as a
// bipartite matching by augmenting paths: a few hundred steps for any count
// up to GuidedMaxBoxes.
int32_t boxes_matchable(const Level& level, const int32_t* boxes);

// ---------------------------------------------------------------- the store

enum LevelSource : int32_t { SourceText = 1, SourceFile = 2, SourceFolder = 3 };

// Why the last intake stored nothing; with failureErrno where a call failed
// and failurePath where one file or folder is to blame.
enum IntakeFailure : int32_t {
  IntakeOk = 0,
  IntakeWorkDir = 1,        // the work folder cannot be created, locked or listed
  IntakeSource = 2,         // the file or folder cannot be opened or read
  IntakeLevelFile = 3,      // a level file cannot be created or written
  IntakeNoLevels = 4,       // the source holds no level line
  IntakeBadSource = 5,      // not a LevelSource value
  IntakeWorkDirLink = 6,    // the work folder is a symbolic link
  IntakeWorkDirNotFolder = 7,  // something else stands at the work folder's path
  IntakeBusy = 8,           // another process uses the work folder
  IntakeClear = 9,          // an old level file cannot be deleted (failurePath)
  IntakeSourceInStore = 10,  // the source is the work folder or lies in it
  IntakeDevice = 11,        // the source is a device, which may never end
  IntakeCannotTell = 12,    // whether the source lies in the work folder cannot be told (failurePath)
};

constexpr int32_t FailurePathCapacity = StorePathCapacity + vk::OsNameCapacity;  // a folder and one entry
constexpr int32_t IntakeTextCapacity = 2 * FailurePathCapacity + 160;

// A file of a folder source that cannot be read: its path and the
// system's error number. The intake goes on without it.
using SkippedFileHook = void (*)(void* context, const char* path, int32_t error);

struct LevelStore {
  // Where the level files live, with a trailing '/'.
  char workDir[StorePathCapacity];
  // 1: the folder is the program's own, and every plain file and link in it
  // goes at an intake. 0: a folder the user named, where only the names an
  // intake writes (four or more digits, then ".txt") are ever deleted.
  int32_t ownFolder = 0;
  // 1: a private folder made for this process, removed by release_level_store.
  int32_t temporary = 0;
  // The exclusive lock on the work folder, taken by the first intake and
  // held until release_level_store or the end of the process.
  vk::OsHandle lock = vk::OsNoHandle;

  // Level set values, the intake's results.
  char setName[SetNameCapacity + 1];
  int32_t levelCount;
  int32_t highest;
  int32_t isSample;  // set only by load_sample_set
  // The file or folder the set came from; empty for text and standard input.
  char sourcePath[StorePathCapacity];
  int32_t fromInput;  // the set came from standard input
  int32_t folderSource;  // the set came from a folder
  // The numbers a folder source stored, one bit each; a number without its
  // bit is a gap of the folder's numbering. Other sources store every
  // number from 1 to the highest.
  uint32_t folderNumbers[(MaxFileNumber + 32) / 32];

  int32_t failure;     // IntakeFailure of the last intake
  int32_t failureErrno;
  char failurePath[FailurePathCapacity];

  SkippedFileHook skipped = nullptr;  // optional
  void* skippedContext = nullptr;
};

// Sets the store's work folder and empties the set values; a lock the
// store held is released. nullptr: the default folder, the program's own;
// any other path is a folder the user named (a missing trailing '/' is
// added). 0 when the path is empty, leaves no LevelFileNameRoom, or no
// default can be found. Every store goes through this once before its
// first intake.
int32_t init_level_store(LevelStore& store, const char* workDir);

// Sets the store up in a new private folder for this process alone (made
// in the system's folder for temporary files), removed again by
// release_level_store. 0 when it cannot be made.
int32_t init_private_level_store(LevelStore& store);

// The system's error number when level n is one the last intake stored
// and its file can no longer be opened (it was removed, or its folder);
// 0 when it can, or when n is a gap of a folder's numbering.
int32_t level_file_error(const LevelStore& store, int32_t n);
// "cannot read the level file PATH: REASON" for level n and that error,
// control characters as '?'.
void level_file_error_text(const LevelStore& store, int32_t n, int32_t error, char* out,
                           int32_t capacity);

// Ends the store's use by this process: closes a level file, releases the
// lock, and removes a private folder with the level files in it.
void release_level_store(LevelStore& store);

// 1 when at least one level file was stored. For SourceText, text is a
// writable buffer with one byte to spare behind its terminator; it is
// consumed. For SourceFile and SourceFolder it is a path; "-" as a file is
// standard input. The work folder is locked first: a folder another
// process uses, a source in the work folder or a device fails the intake
// before anything is deleted.
int32_t load_level_set(LevelStore& store, int32_t source, char* textOrPath);

// The Sample button's intake: copies the sample text into textBuffer
// (TextBufferSize bytes), loads it, names the set "Sample", empties the buffer.
int32_t load_sample_set(LevelStore& store, char* textBuffer);

// One line on why the last intake failed, naming the paths concerned;
// sourceLabel names the source as the user gave it. out holds
// IntakeTextCapacity bytes.
void intake_failure_text(const LevelStore& store, const char* sourceLabel, char* out,
                         int32_t capacity);

// Where a batch report may not go: the work folder or into it (a level
// would be overwritten), or the set's source file or into its source
// folder. Judged by file identity with links resolved.
// A report path that cannot be judged (a folder on its way that cannot be
// looked at) is refused as ReportCannotTell, with os_error() the reason.
// Standard input as the source is judged by the identity of the file it
// reads.
enum ReportClash : int32_t {
  ReportFree = 0,
  ReportInStore = 1,
  ReportOnSource = 2,
  ReportCannotTell = 3,
};
int32_t report_path_clash(const LevelStore& store, const char* report);
// One line naming the report path and the path it clashes with, control
// characters written as '?'. For ReportCannotTell it names os_error():
// call it right after report_path_clash.
void report_clash_text(const LevelStore& store, int32_t clash, const char* report, char* out,
                       int32_t capacity);

// 1 when text (lines ending in CR, LF or CR LF, the last one possibly
// without) holds a line that an intake would store as part of a
// level; what a paste must hold before it may empty the store.
int32_t holds_level_line(const char* text);

// The built-in sample set and the names of its levels, 1 to SampleLevels.
extern const char SampleText[];
const char* sample_level_name(int32_t n);

}  // namespace vk
