// The minimum-moves search: a backward uniform-cost search from the solved
// position over pull runs, with the NodeTable as its record of states and
// the BucketQueue as its priority queue, and the rebuilding of the move
// trace from the best record's parent chain.
//
// The two big tables are reserved once for the process; a solve allocates
// nothing. Figures read by another thread while a solve runs are atomics.
#pragma once

#include <atomic>
#include <cstdint>

#include "level/level.h"

// ---------------------------------------------------------------- limits

constexpr int32_t TableSlots = 16800000;     // NodeTable records
constexpr int32_t NodeLimit = 14000000;      // records a solve may create
constexpr int32_t BucketCount = 64;
constexpr int32_t BucketCapacity = 800000;   // entries of one bucket
constexpr int32_t TraceCapacity = TextCapacity;  // letters of a move trace

enum SolveStatus : int32_t {
  SearchGoesOn = 0,
  Unsolvable = 4,
  TableFull = 5,
  QueueFull = 6,
  SolveCanceled = 7,
  Solved = 8,
};

// "Impossible", "Failed(C)", "Failed(Q)", "Canceled", "Solved".
const char* solve_status_word(int32_t status);

// Figures that the display thread reads while a solve runs.
struct Progress {
  std::atomic<int32_t> nodes{0};    // records created by expansion
  std::atomic<int32_t> queue{0};    // queue-fill indicator
  std::atomic<int32_t> seconds{0};  // elapsed whole seconds of the solve
};

// Internals of the search (NodeTable, BucketQueue, search board) follow.
// [to be completed by the search]

struct Solver {
  Progress progress;
  std::atomic<int32_t> cancel{0};  // set by another thread to stop a solve
  int32_t beginWithEnd = 1;        // search even when the start is solved
  int32_t solutionLength = 0;      // moves of the last solution, 0 if none
  int32_t traceOver = 0;           // the trace lost letters past TraceCapacity
  char* trace = nullptr;           // the text buffer, TextBufferSize bytes
};

// Reserves the big tables once; 0 when the memory cannot be had.
int32_t reserve_search_tables();

// Forgets the last solve's results: length, counters, trace and its flag.
void clear_solve_results(Solver& solver);

// Reading a level always discards the last solution: clears the results,
// then read_level.
int32_t select_level(Solver& solver, Level& level, const char* workDir, int32_t n);

// Solves the level just read with status LevelOk; returns a SolveStatus.
int32_t solve(Solver& solver, Level& level);

// Plays the unmasked trace forward from the level's start with ordinary push
// rules: 1 when every move is legal, and when the trace is whole, it has
// length moves and ends with every box on a goal.
int32_t replay_solution(const Level& level, const char* trace, int32_t moves,
                        int32_t traceOver);
