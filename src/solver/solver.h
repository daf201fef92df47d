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

// ---------------------------------------------------------------- node table

// A record packs keeper, parent and cost into the 8 bytes behind the boxes,
// so that it stays at 24 bytes while the cost gets 28 bits.
constexpr int32_t KeeperBits = 11;   // cells below 2048 > MaxArea
constexpr int32_t ParentBits = 25;   // slot numbers below 2^25 > TableSlots
constexpr int32_t CostBits = 28;
constexpr uint32_t NoParent = (1u << ParentBits) - 1;  // a root's parent
constexpr int32_t CostLimit = (1 << CostBits) - 1;     // largest cost a record holds
constexpr uint32_t NoSlot = 0xFFFFFFFFu;               // no record (a queue hole)

// One state: the keeper's cell and the cells of the boxes. boxes keeps the
// identity order in which the search placed the boxes on the goals; only the
// first liveBoxes entries are meaningful. Keeper 0 marks an empty slot.
struct SearchNode {
  int16_t boxes[MaxBoxes];
  uint64_t packed;  // keeper: bits 0-10, parent: bits 11-35, cost: bits 36-63
};
static_assert(sizeof(SearchNode) == 24, "a record is 24 bytes");

inline int32_t node_keeper(const SearchNode& node) {
  return int32_t(node.packed & ((1u << KeeperBits) - 1));
}
inline uint32_t node_parent(const SearchNode& node) {
  return uint32_t(node.packed >> KeeperBits) & NoParent;
}
inline int32_t node_cost(const SearchNode& node) { return int32_t(node.packed >> 36); }
inline uint64_t pack_node(int32_t keeper, uint32_t parent, int32_t cost) {
  return uint64_t(keeper) | (uint64_t(parent) << KeeperBits) | (uint64_t(cost) << 36);
}
// Improve: a new cost and parent, keeper unchanged.
inline void set_cost_parent(SearchNode& node, int32_t cost, uint32_t parent) {
  node.packed = pack_node(node_keeper(node), parent, cost);
}

// The clear at the start of a solve empties only the chunks of the table that
// the last solve wrote; a map of one bit per chunk (16 KiB) remembers them.
constexpr int32_t ChunkShift = 7;  // 128 slots, 3 KiB a chunk
constexpr int32_t TableChunks = (TableSlots + (1 << ChunkShift) - 1) >> ChunkShift;
constexpr int32_t ChunkWords = (TableChunks + 63) / 64;

struct NodeTable {
  SearchNode* slots = nullptr;  // TableSlots records, reserved once
  uint64_t written[ChunkWords] = {};
};

// Empties every slot (keeper 0) that may have been written since the last clear.
void clear_node_table(NodeTable& table);

// Home slot of a state; the hash does not depend on the order of the boxes.
uint32_t home_slot(int32_t keeper, const int32_t* boxes, int32_t count);

// Probes from home for the record of keeper with the boxes that stand (value
// Box) on board: returns it, or the first empty slot met. Roots never match.
uint32_t lookup_node(const NodeTable& table, uint32_t home, int32_t keeper, const int8_t* board,
                     int32_t count);

// Fills an empty slot; writing the keeper is what makes it occupied.
void fill_node(NodeTable& table, uint32_t slot, const int32_t* boxes, int32_t count,
               int32_t keeper, uint32_t parent, int32_t cost);

// ---------------------------------------------------------------- bucket queue

// Queued slot numbers in a ring of buckets indexed by cost modulo
// BucketCount, handed out in order of cost; removal leaves holes (NoSlot)
// that are squeezed out only when a bucket fills up.
//
// Rekey must find its record's entry. Between two packings of a bucket its
// entries only accumulate, in the order of the queue's cost at their insert,
// and that cost is the cost of the record's parent (the record expanded when
// the child was queued). A log per bucket of where the entries of each such
// cost begin narrows the search to the entries queued together with the
// record; it is a guide only, and a miss falls back to the whole bucket.
constexpr int32_t LoggedCosts = BucketCount;  // a bucket is packed every BucketCount costs

struct BucketQueue {
  uint32_t* entries = nullptr;  // BucketCount * BucketCapacity, reserved once
  int32_t fill[BucketCount] = {};
  int32_t cost = 0;   // the cost whose records are being handed out
  int32_t read = 0;   // cursors in the current cost's bucket
  int32_t write = 0;
  int32_t open = 0;       // records queued
  int32_t indicator = 0;  // queue-fill indicator
  // Per bucket: entries queued at cost logFirst + k start at logStart[k];
  // entries queued before logFirst lie below logStart[0] (or the fill).
  int32_t logFirst[BucketCount] = {};
  int32_t logCount[BucketCount] = {};
  int32_t logStart[BucketCount][LoggedCosts] = {};
};

void reset_queue(BucketQueue& queue);
// 1 when queued; 0 when the bucket is full and holds no hole.
int32_t queue_insert(BucketQueue& queue, uint32_t record, int32_t cost);
// Moves a queued record, whose cost field still holds its old cost, to
// newCost; 0 as queue_insert.
int32_t queue_rekey(BucketQueue& queue, const SearchNode* slots, uint32_t record, int32_t newCost);
// The next record of the current cost, or NoSlot when the queue is empty or
// no queued record can beat bestCost (0: no solution known).
uint32_t queue_pop(BucketQueue& queue, const SearchNode* slots, int32_t bestCost);
// Squeezes the holes out of a full bucket; returns its free entries.
int32_t compact_bucket(BucketQueue& queue, int32_t bucket);

// The process's one reservation of both tables (null until reserved).
struct SearchTables {
  NodeTable table;
  BucketQueue queue;
};
SearchTables* search_tables();

// ---------------------------------------------------------------- search

// Values of the search board.
constexpr int8_t FreeCell = 0;
constexpr int8_t BoxCell = 2;
constexpr int8_t BlockedCell = 8;
constexpr int32_t MaxChildren = MaxBoxes * Directions;

// A child found by an expansion, waiting for its lookup.
struct Child {
  int32_t box;    // index in the box list
  int32_t from;   // the box's cell before the run
  int32_t to;     // its cell after the run
  int32_t keeper;
  int32_t cost;
  uint32_t home;
};

// The working state of one solve.
struct SearchState {
  int8_t board[MaxArea];       // FreeCell, BoxCell or BlockedCell
  int32_t boxes[MaxBoxes];     // the current box list, in identity order
  int32_t distance[MaxArea];   // keeper steps from the expanded keeper, where stamped
  int32_t cells[MaxArea];      // breadth-first queue
  Child children[MaxChildren];
  const int32_t* noRest = nullptr;  // cells where a pulled box does not stop
  int32_t generation = 0;           // of this expansion's reach stamps
  int32_t bestCost = 0;             // 0 while no solution is known
  uint32_t bestRecord = NoSlot;     // NoSlot while no solution is known
  int32_t nodes = 0;                // records created by expansion
  int64_t startMs = 0;              // the solve's start on the clock
  int32_t traceLength = 0;          // letters of the trace being built
};

struct Solver {
  Progress progress;
  std::atomic<int32_t> cancel{0};  // set by another thread to stop a solve
  int32_t beginWithEnd = 1;        // search even when the start is solved
  int32_t solutionLength = 0;      // moves of the last solution, 0 if none
  int32_t traceOver = 0;           // the trace lost letters past TraceCapacity
  char* trace = nullptr;           // the text buffer, TextBufferSize bytes
  SearchState search;              // working state of the running solve
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

// Inside solve: one step of the main loop (0 or a final status), the number
// of cells a pull moves a box (0: impossible), and the move trace of the best
// record.
int32_t expand(Solver& solver, Level& level, SearchTables& tables);
int32_t pull_run_length(const SearchState& search, const Level& level, int32_t box,
                        int32_t direction);
void build_trace(Solver& solver, const Level& level, const NodeTable& table);

// boxes_assignable's answer, found as a bipartite matching.
int32_t boxes_matchable(const Level& level, const int32_t* boxes);
