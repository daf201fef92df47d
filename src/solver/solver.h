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
  std::atomic<int32_t> queue{0};    // queue-fill indicator
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

// ---------------------------------------------------------------- node table

// One state: the keeper's cell and the cells of the boxes, with its cost,
// its parent, its position in the queue and the solve that wrote it, in
// three 64-bit words. No field crosses a word, so each is one shift and one
// mask. Cells are below 2048 > MaxArea, so a box takes 11 bits.
//
//   word 0: keeper (11) | queue position (25) | cost (28)
//   word 1: parent (31) | boxes 5 to 7 (3 x 11)
//   word 2: boxes 0 to 4 (5 x 11)             | generation (9)
//
// The widths serve the largest tables: at LargestMemory a table has
// 442,105,263 slots (below 2^31 - 1, the root's parent) and a bucket
// 21,052,631 entries (below 2^25). boxes keeps the identity order in which
// the search placed the boxes on the goals; only the first liveBoxes
// entries are meaningful. A slot is occupied in the running solve only when
// its generation is the table's: records of earlier solves count as empty,
// so nothing is cleared between solves. Fresh memory reads as generation 0,
// which no solve uses.
constexpr int32_t CellBits = 11;
constexpr int32_t KeeperBits = CellBits;
constexpr int32_t PositionBits = 25;
constexpr int32_t CostBits = 28;
constexpr int32_t ParentBits = 31;
constexpr int32_t HighBoxes = 3;  // boxes 5 to 7 share word 1 with the parent
constexpr int32_t LowBoxes = MaxBoxes - HighBoxes;
constexpr int32_t GenerationBits = 9;

constexpr int32_t KeeperShift = 0;
constexpr int32_t PositionShift = KeeperShift + KeeperBits;
constexpr int32_t CostShift = PositionShift + PositionBits;
constexpr int32_t ParentShift = 0;
constexpr int32_t HighBoxShift = ParentShift + ParentBits;
constexpr int32_t LowBoxShift = 0;
constexpr int32_t GenerationShift = LowBoxShift + LowBoxes * CellBits;
static_assert(CostShift + CostBits == 64, "word 0 is full");
static_assert(HighBoxShift + HighBoxes * CellBits == 64, "word 1 is full");
static_assert(GenerationShift + GenerationBits == 64, "word 2 is full");
static_assert((1 << CellBits) > MaxArea, "a cell fits its field");

constexpr uint64_t field_mask(int32_t bits) { return (uint64_t(1) << bits) - 1; }

constexpr uint32_t NoParent = uint32_t(field_mask(ParentBits));  // a root's parent
constexpr int32_t CostLimit = int32_t(field_mask(CostBits));     // largest cost a record holds
constexpr int32_t LastSolveGeneration = int32_t(field_mask(GenerationBits));
constexpr uint32_t NoSlot = 0xFFFFFFFFu;                         // no record (a queue hole)

struct SearchNode {
  uint64_t word[3];
};
static_assert(sizeof(SearchNode) == 24, "a record is 24 bytes");

inline uint32_t node_field(const SearchNode& node, int32_t w, int32_t shift, int32_t bits) {
  return uint32_t((node.word[w] >> shift) & field_mask(bits));
}
inline void set_node_field(SearchNode& node, int32_t w, int32_t shift, int32_t bits,
                           uint32_t value) {
  node.word[w] = (node.word[w] & ~(field_mask(bits) << shift)) | (uint64_t(value) << shift);
}
inline int32_t node_keeper(const SearchNode& node) {
  return int32_t(node_field(node, 0, KeeperShift, KeeperBits));
}
inline int32_t node_position(const SearchNode& node) {
  return int32_t(node_field(node, 0, PositionShift, PositionBits));
}
inline int32_t node_cost(const SearchNode& node) {
  return int32_t(node_field(node, 0, CostShift, CostBits));
}
inline uint32_t node_parent(const SearchNode& node) {
  return node_field(node, 1, ParentShift, ParentBits);
}
inline int32_t node_generation(const SearchNode& node) {
  return int32_t(node_field(node, 2, GenerationShift, GenerationBits));
}
inline int32_t node_box(const SearchNode& node, int32_t i) {
  return i < LowBoxes ? int32_t(node_field(node, 2, LowBoxShift + i * CellBits, CellBits))
                      : int32_t(node_field(node, 1, HighBoxShift + (i - LowBoxes) * CellBits,
                                           CellBits));
}
// The queue keeps each queued record's position in its bucket current.
inline void set_node_position(SearchNode& node, int32_t position) {
  set_node_field(node, 0, PositionShift, PositionBits, uint32_t(position));
}
// Improve: a new cost and parent; keeper, boxes and position unchanged.
inline void set_cost_parent(SearchNode& node, int32_t cost, uint32_t parent) {
  set_node_field(node, 0, CostShift, CostBits, uint32_t(cost));
  set_node_field(node, 1, ParentShift, ParentBits, parent);
}
// Writes every field of a record.
void pack_node(SearchNode& node, const int32_t* boxes, int32_t count, int32_t keeper,
               uint32_t parent, int32_t cost, int32_t generation);

struct NodeTable {
  SearchNode* slots = nullptr;  // slotCount records
  uint32_t slotCount = 0;
  int32_t generation = 0;       // of the running solve, 1 to LastSolveGeneration
};

// Starts a solve's table: a new generation, so that every slot reads as
// empty. Once every generation is used, the whole table is handed back to
// the system, which gives it back zeroed, and generation 1 starts again.
void clear_node_table(NodeTable& table);

// 1 when the slot holds a record of the running solve.
inline int32_t slot_used(const NodeTable& table, uint32_t slot) {
  return node_generation(table.slots[slot]) == table.generation;
}

// Home slot of a state; the hash does not depend on the order of the boxes.
uint32_t home_slot(const NodeTable& table, int32_t keeper, const int32_t* boxes, int32_t count);

// Probes from home for the record of keeper with the boxes that stand (value
// CellBox) on board: returns it, or the first empty slot met. Roots never match.
uint32_t lookup_node(const NodeTable& table, uint32_t home, int32_t keeper, const int8_t* board,
                     int32_t count);

// Fills an empty slot; writing the generation is what makes it occupied.
void fill_node(NodeTable& table, uint32_t slot, const int32_t* boxes, int32_t count,
               int32_t keeper, uint32_t parent, int32_t cost);

// ---------------------------------------------------------------- bucket queue

// Queued slot numbers in a ring of buckets indexed by cost modulo
// BucketCount, handed out in order of cost; removal leaves holes (NoSlot)
// that are squeezed out only when a bucket fills up. Every queued record
// holds its entry's position in its bucket, kept current wherever entries
// move (the passes and the packing), so that a rekey finds its entry at once.
struct BucketQueue {
  uint32_t* entries = nullptr;  // BucketCount * capacity, reserved once
  int32_t capacity = 0;         // entries of one bucket
  SearchNode* slots = nullptr;  // the records the entries name
  int32_t fill[BucketCount] = {};
  int32_t cost = 0;   // the cost whose records are being handed out
  int32_t read = 0;   // cursors in the current cost's bucket
  int32_t write = 0;
  int32_t open = 0;       // records queued
  int32_t indicator = 0;  // queue-fill indicator
};

void reset_queue(BucketQueue& queue);
// 1 when queued; 0 when the bucket is full and holds no hole.
int32_t queue_insert(BucketQueue& queue, uint32_t record, int32_t cost);
// Moves a queued record, whose cost field still holds its old cost, to
// newCost; 0 as queue_insert.
int32_t queue_rekey(BucketQueue& queue, uint32_t record, int32_t newCost);
// The next record of the current cost, or NoSlot when the queue is empty or
// no queued record can beat bestCost (0: no solution known).
uint32_t queue_pop(BucketQueue& queue, int32_t bestCost);
// Squeezes the holes out of a full bucket; returns its free entries.
int32_t compact_bucket(BucketQueue& queue, int32_t bucket);

// Both tables of one solver, reserved together. A program makes one for
// every solve it runs at once; the process keeps one for solvers that name
// none (search_tables).
struct SearchTables {
  NodeTable table;
  BucketQueue queue;
  int32_t nodeLimit = 0;  // records a solve may create
  int64_t bytes = 0;      // the memory size; 0 while nothing is reserved
  int32_t hugePages = 0;  // huge pages have been asked for
};

// Reserves tables that fill bytes (a size parse_memory_size accepts); 0 when
// the system refuses. Tables already reserved are released first.
int32_t reserve_tables(SearchTables& tables, int64_t bytes);
void release_tables(SearchTables& tables);

// 1 when count sets of tables of bytes each fit the machine's physical
// memory (or when the system does not tell it).
int32_t tables_fit_memory(int64_t bytes, int32_t count);

// The process's tables, null until reserved.
SearchTables* search_tables();
// Reserves the process's tables once, at bytes; a later call with another
// size reserves them anew. 0 when the memory cannot be had.
int32_t reserve_search_tables(int64_t bytes = DefaultMemory);

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
  int32_t target[MaxArea];     // reach generation where a walk distance is needed
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
  SearchTables* tables = nullptr;  // null: the process's tables
  Progress progress;
  std::atomic<int32_t> cancel{0};  // set by another thread to stop a solve
  int32_t beginWithEnd = 1;        // search even when the start is solved
  int32_t solutionLength = 0;      // moves of the last solution, 0 if none
  int32_t traceOver = 0;           // the trace lost letters past TraceCapacity
  char* trace = nullptr;           // the text buffer, TextBufferSize bytes
  SearchState search;              // working state of the running solve
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

// Inside solve: one step of the main loop (0 or a final status), the number
// of cells a pull moves a box (0: impossible), and the move trace of the best
// record.
int32_t expand_record(Solver& solver, Level& level, SearchTables& tables);
int32_t pull_run_length(const SearchState& search, const Level& level, int32_t box,
                        int32_t direction);
void build_trace(Solver& solver, const Level& level, const NodeTable& table);

// boxes_assignable's answer, found as a bipartite matching.
int32_t boxes_matchable(const Level& level, const int32_t* boxes);

}  // namespace vk
