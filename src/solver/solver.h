// The minimum-moves search as the rest of the program uses it: the limits and
// memory sizes of its tables, the Solver with its status, progress figures
// and move trace, and the independent replay check. A backward uniform-cost
// search from the solved position over pull runs finds a solution with the
// fewest moves; how it does so lives in search_internal.h. The guided search
// (Solver::guided) finds the same minimum in the order of cost plus a lower
// bound, for levels of up to GuidedMaxBoxes boxes (box_limit), with far
// fewer records.
//
// The big tables are reserved once per set; a solve allocates nothing.
// Figures read by another thread while a solve runs are atomics.
#pragma once

#include <atomic>
#include <cstdint>

#include "level/level.h"

namespace vk {

// ---------------------------------------------------------------- limits

// The default tables: 16,800,000 records of 24 bytes and 64 buckets of
// 800,000 entries of 4 bytes, 608,000,000 bytes in all. A larger or smaller
// memory size scales all three figures by the same factor (table_size).
constexpr int32_t TableSlots = 16800000;     // NodeTable records
constexpr int32_t NodeLimit = 14000000;      // records a solve may create
constexpr int32_t BucketCount = 64;
constexpr int32_t BucketCapacity = 800000;   // entries of one bucket
constexpr int32_t TraceCapacity = TextCapacity;  // letters of a move trace

constexpr int64_t DefaultMemory = 608000000;      // bytes of both tables
constexpr int64_t SmallestMemory = 16000000;      // --memory 16M
constexpr int64_t LargestMemory = 16000000000;    // --memory 16G

enum SolveStatus : int32_t {
  SolveGoesOn = 0,
  SolveImpossible = 4,
  SolveTableFull = 5,
  SolveQueueFull = 6,
  SolveCanceled = 7,
  SolveSolved = 8,
};

// "Impossible", "Failed(C)", "Failed(Q)", "Canceled", "Solved".
const char* solve_status_word(int32_t status);

// Figures that the display thread reads while a solve runs.
struct Progress {
  std::atomic<int32_t> nodes{0};    // records created by expansion
  std::atomic<int32_t> queue{0};    // queue-fill indicator (guided: most records queued at once)
  std::atomic<int32_t> seconds{0};  // elapsed whole seconds of the solve
};

// The figures of tables that fill a memory size: with f = bytes / 608,000,000,
// floor(16,800,000 f) slots, floor(14,000,000 f) records and floor(800,000 f)
// entries a bucket. The default size gives exactly the constants above.
struct TableSize {
  int64_t bytes;
  int32_t slots;
  int32_t nodeLimit;
  int32_t bucketCapacity;
};
TableSize table_size(int64_t bytes);

// Reads a memory size: decimal digits and an optional decimal suffix, K
// (1000), M (1,000,000) or G (1,000,000,000), in either case. 1 when the
// text is such a size between SmallestMemory and LargestMemory.
int32_t parse_memory_size(const char* text, int64_t& bytes);
// What every program says of a --memory that parse_memory_size refuses.
constexpr char MemorySizeRule[] = "--memory takes a size from 16M to 16G, such as 608M or 4G";

// ---------------------------------------------------------------- tables

// The search's tables and the working state of one solve, laid out in
// search_internal.h. A program makes one set for every solve it runs at once
// and hands it to its Solver; the process keeps one set for solvers that
// name none (search_tables). The working state lives with the tables rather
// than in the Solver because it belongs to a running solve, of which a set
// of tables serves exactly one at a time, and so that callers never see it.
struct SearchWork;
struct SearchTables {
  int64_t bytes = 0;           // the memory size; 0 while nothing is reserved
  SearchWork* work = nullptr;  // reserved with the tables, released with them
};

// Reserves tables that fill bytes (a size parse_memory_size accepts); 0 when
// the system refuses. Tables already reserved are released first.
int32_t reserve_tables(SearchTables& tables, int64_t bytes);
void release_tables(SearchTables& tables);

// 1 when count sets of tables of bytes each fit the machine's physical
// memory (or when the system does not tell it).
int32_t tables_fit_memory(int64_t bytes, int32_t count);

// The process's tables, null until reserved. For tests only: they look
// into the tables a solve leaves; the programs hand their own to a Solver.
SearchTables* search_tables();
// Reserves the process's tables once, at bytes; a later call with another
// size reserves them anew. 0 when the memory cannot be had.
int32_t reserve_search_tables(int64_t bytes = DefaultMemory);

// ---------------------------------------------------------------- solver

struct Solver {
  SearchTables* tables = nullptr;  // null: the process's tables
  Progress progress;
  std::atomic<int32_t> cancel{0};  // set by another thread to stop a solve
  int32_t beginWithEnd = 1;        // search even when the start is solved
  int32_t guided = 0;              // order the search by cost plus a lower bound
  int32_t solutionLength = 0;      // moves of the last solution, 0 if none
  int32_t traceOver = 0;           // the trace lost letters past TraceCapacity
  char* trace = nullptr;           // the text buffer, TextBufferSize bytes
};

// Forgets the last solve's results: length, counters, trace and its flag.
void clear_solve_results(Solver& solver);

// Reading a level always discards the last solution: clears the results,
// then read_level.
int32_t select_level(Solver& solver, Level& level, const char* workDir, int32_t n);

// Solves the level just read with status LevelOk; returns a SolveStatus.
int32_t solve_level(Solver& solver, Level& level);

// Plays the unmasked trace forward from the level's start with ordinary push
// rules: 1 when every move is legal, and when the trace is whole, it has
// length moves and ends with every box on a goal.
int32_t replay_solution(const Level& level, const char* trace, int32_t moves,
                        int32_t traceOver);

}  // namespace vk
