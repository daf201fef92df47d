// What the level folder's sources share beyond level.h, and what its tests
// reach into: the analyses' building blocks and the steps of an intake.
#pragma once

#include <cstdint>

#include "level/level.h"
#include "os/os.h"

namespace vk {

// ---------------------------------------------------------------- analysis

// Afterwards a cell is reachable from start exactly when its stamp equals
// generation. obstacles must enclose the region reached.
void flood_fill(const Level& level, const int32_t* obstacles, int32_t start,
                int32_t* stamps, int32_t generation);

// 1 when the region reachable from start over non-wall cells touches the
// Board's border; region is set to 1 on reached cells.
int32_t find_keeper_region(const Level& level, const int32_t* walls,
                           int32_t* region, int32_t start);

// Dead squares: 0 when the level may be solvable, 3 when proven unsolvable.
int32_t analyse_dead_squares(Level& level);
void mark_tunnels(Level& level);

// Box reach: ReachMask, NoReachMap and their marks added to the NoRestMap.
void build_reach_masks(Level& level);
void box_reach(Level& level, int32_t* sides, int32_t boxCell, int32_t keeperCell);

// 1 when every box of boxes (liveBoxes cells, in the search's order) can be
// given its own live box start that can be pushed onto its cell: by
// backtracking up to MaxBoxes boxes, above by boxes_matchable. The search
// uses its own matching; this is the plain answer the tests and the
// reference search check it against.
int32_t boxes_assignable(const Level& level, const int32_t* boxes);

// The search behind boxes_assignable: box depth onward of count boxes, with
// the starts in used taken.
int32_t assign_from(const int32_t* masks, int32_t count, int32_t depth, int32_t used);

// ---------------------------------------------------------------- the store

// Room a level file's name takes behind the work folder path: the longest
// number an int can give, ".txt" and the terminator.
constexpr int32_t LevelFileNameRoom = 15;

// The per-user work folder of this platform, with a trailing '/':
// $XDG_CACHE_HOME/temp_vantori/ or ~/.cache/temp_vantori/. 0 if none.
int32_t default_work_dir(char* out, int32_t capacity);

// The folder source's record of the numbers it stored.
void mark_folder_number(LevelStore& store, int32_t number, int32_t stored);
int32_t folder_number_stored(const LevelStore& store, int32_t number);

// Name of level n's file: workDir + "%04d.txt".
void level_file_name(const char* workDir, int32_t n, char* out, int32_t capacity);

// 1 when name is one an intake writes: four or more digits, then ".txt".
int32_t is_level_file_name(const char* name);

// clear_level_store deletes the entries of the work folder that the
// store's rule allows (never a folder, never a link's target) and returns
// 0, with the failure set, when one of them stays.
int32_t clear_level_store(LevelStore& store);

// The working state of one intake, on the stack of load_level_set for as
// long as the intake runs: the results go to the store.
struct IntakeRun {
  LevelStore& store;
  int32_t fileNumber = 0;  // from the current folder file's name, else 0
  vk::OsHandle file = vk::OsNoHandle;  // the level file being written
  int32_t fileOpen = 0;
  int32_t abort = 0;       // a level file could not be created or written
  int32_t readErrno = 0;   // the last source read that failed, 0 if none
  char chunk[ChunkSize + 2];  // room for a terminator and one appended LF
};

// The steps of an intake. split_level_text hands each line of a text to
// the line classifier and returns 1 when the text ended with a line end and
// nothing aborted. The readers return 0 when the source cannot be opened
// or read or the intake aborted; read_level_source_fd also reads pipes and
// leaves the handle open.
int32_t split_level_text(IntakeRun& in, char* text);
void open_level_file(IntakeRun& in);
void close_level_file(IntakeRun& in);
int32_t read_level_source_file(IntakeRun& in, const char* path);
int32_t read_level_source_fd(IntakeRun& in, vk::OsHandle file);
int32_t scan_level_folder(IntakeRun& in, const char* path);

}  // namespace vk
