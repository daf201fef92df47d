// Inside the search: the record layout, the NodeTable (records and their
// hash index), the BucketQueue, the search board and the working state of a
// solve. Only the solver's own sources and its tests include this header.
#pragma once

#include <cstdint>

#include "solver/solver.h"

namespace vk {

// ---------------------------------------------------------------- records

// One state: the keeper's cell and the cells of the boxes, with its cost,
// its parent and its position in the queue, in three 64-bit words. No field
// crosses a word, so each is one shift and one mask. Cells are below
// 2048 > MaxArea, so a box takes 11 bits.
//
//   word 0: keeper (11) | queue position (25) | cost (28)
//   word 1: parent (31) | boxes 5 to 7 (3 x 11)
//   word 2: boxes 0 to 4 (5 x 11)             | spare (9)
//
// The widths serve the largest tables: at LargestMemory a solve holds at
// most 368,421,052 records (below 2^31 - 1, the root's parent) and a bucket
// 21,052,631 entries (below 2^25). boxes keeps the identity order in which
// the search placed the boxes on the goals; only the first liveBoxes
// entries are meaningful.
constexpr int32_t CellBits = 11;
constexpr int32_t KeeperBits = CellBits;
constexpr int32_t PositionBits = 25;
constexpr int32_t CostBits = 28;
constexpr int32_t ParentBits = 31;
constexpr int32_t HighBoxes = 3;  // boxes 5 to 7 share word 1 with the parent
constexpr int32_t LowBoxes = MaxBoxes - HighBoxes;
constexpr int32_t SpareBits = 9;

constexpr int32_t KeeperShift = 0;
constexpr int32_t PositionShift = KeeperShift + KeeperBits;
constexpr int32_t CostShift = PositionShift + PositionBits;
constexpr int32_t ParentShift = 0;
constexpr int32_t HighBoxShift = ParentShift + ParentBits;
constexpr int32_t LowBoxShift = 0;
constexpr int32_t SpareShift = LowBoxShift + LowBoxes * CellBits;
static_assert(CostShift + CostBits == 64, "word 0 is full");
static_assert(HighBoxShift + HighBoxes * CellBits == 64, "word 1 is full");
static_assert(SpareShift + SpareBits == 64, "word 2 is full");
static_assert((1 << CellBits) > MaxArea, "a cell fits its field");

constexpr uint64_t field_mask(int32_t bits) { return (uint64_t(1) << bits) - 1; }

constexpr uint32_t NoParent = uint32_t(field_mask(ParentBits));  // a root's parent
constexpr int32_t CostLimit = int32_t(field_mask(CostBits));     // largest cost a record holds
constexpr uint32_t NoRecord = 0xFFFFFFFFu;  // no record (a queue hole, no solution yet)

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
// A record of more than MaxBoxes boxes, which only the guided search makes,
// takes two slots: the first as above, the second
//
//   word 0: boxes 8 to 12 (5 x 11)  | spare (9)
//   word 1: boxes 13 to 15 (3 x 11) | groups of boxes 8 to 15 (16) | spare (15)
//   word 2: spare
//
// The guided search keeps the groups of its boxes (bound.cpp, two bits a
// box) where a plain record keeps its queue position, and those of boxes 8
// to 15 in the second slot.
constexpr int32_t WideBoxes = GuidedMaxBoxes - MaxBoxes;
constexpr int32_t GroupBits = 2;
constexpr int32_t WideGroupShift = HighBoxes * CellBits;
static_assert(WideBoxes == LowBoxes + HighBoxes, "the second slot holds as many boxes as the first");
static_assert(MaxBoxes * GroupBits <= PositionBits, "the groups fit the position field");
static_assert(WideGroupShift + WideBoxes * GroupBits <= 64, "the wide groups fit word 1");

inline int32_t node_box(const SearchNode& node, int32_t i) {
  if (i >= MaxBoxes) {
    const SearchNode& wide = (&node)[1];
    i -= MaxBoxes;
    return i < LowBoxes ? int32_t(node_field(wide, 0, i * CellBits, CellBits))
                        : int32_t(node_field(wide, 1, (i - LowBoxes) * CellBits, CellBits));
  }
  return i < LowBoxes ? int32_t(node_field(node, 2, LowBoxShift + i * CellBits, CellBits))
                      : int32_t(node_field(node, 1, HighBoxShift + (i - LowBoxes) * CellBits,
                                           CellBits));
}
inline uint32_t node_groups(const SearchNode& node, int32_t count) {
  uint32_t groups = node_field(node, 0, PositionShift, PositionBits);
  if (count > MaxBoxes)
    groups |= node_field((&node)[1], 1, WideGroupShift, WideBoxes * GroupBits)
              << (MaxBoxes * GroupBits);
  return groups;
}
inline void set_node_groups(SearchNode& node, int32_t count, uint32_t groups) {
  set_node_field(node, 0, PositionShift, PositionBits,
                 groups & uint32_t(field_mask(MaxBoxes * GroupBits)));
  if (count > MaxBoxes)
    set_node_field((&node)[1], 1, WideGroupShift, WideBoxes * GroupBits,
                   groups >> (MaxBoxes * GroupBits));
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
// Writes every field of a record (position 0).
void pack_node(SearchNode& node, const int32_t* boxes, int32_t count, int32_t keeper,
               uint32_t parent, int32_t cost);

// ---------------------------------------------------------------- node table

// Notes on the design.
//
// 1. Records are kept apart from the hash table that finds them. A solve
//    appends its records to one array, numbered from 0 in the order they are
//    made; a record number is what a parent link and a queue entry hold, and
//    it stays valid until the next solve starts. A small solve so touches a
//    few consecutive pages, and the records a pass of the queue reads lie
//    close together.
// 2. The index is an open-addressing table of 32-bit entries with linear
//    probing: 0 for an empty slot, else the record number plus 1 in the low
//    recordBits bits and a fingerprint of the state's hash in the bits above.
//    A probe rejects nearly every foreign slot by its fingerprint, without
//    reading the record.
// 3. A solve uses a prefix of the index, indexSize slots, that starts small
//    and doubles (up to slotCount) whenever it is half full; a doubling
//    clears the larger prefix and enters the solve's records again, read in
//    order. Nothing of an earlier solve is ever read, so nothing is cleared
//    but the first prefix when a solve starts.
// 4. The hash of a state is the sum of one random 64-bit key per box cell
//    and one per keeper cell, so it does not depend on the order of the
//    boxes and a child's follows from its parent's in two additions. Its
//    high half picks the home slot (a multiply and a shift maps it onto
//    indexSize), its low bits are the fingerprint.
// 5. Roots are appended but never entered in the index: no lookup finds one.
// 6. Where a record is placed never changes what a lookup answers, so the
//    search makes the same records in the same order at every table size.
struct NodeTable {
  SearchNode* records = nullptr;  // recordCapacity records, reserved
  uint32_t recordCapacity = 0;
  uint32_t count = 0;             // records of the running solve, roots too
  uint32_t* index = nullptr;      // slotCount entries, reserved
  uint32_t slotCount = 0;
  uint32_t indexSize = 0;         // slots the running solve uses, a prefix
  uint32_t indexed = 0;           // entries in that prefix
  int32_t boxCount = 0;           // boxes of every record of the running solve
  int32_t recordBits = 0;         // low bits of an entry: record number + 1
  int32_t wide = 0;               // 1: a record takes two slots (boxCount > MaxBoxes)
};

// The record numbered record: its first slot.
inline SearchNode& node_at(const NodeTable& table, uint32_t record) {
  return table.records[size_t(record) << table.wide];
}
// Records the table holds for a solve of boxCount boxes.
inline uint32_t record_room(const NodeTable& table, int32_t boxCount) {
  return boxCount > MaxBoxes ? table.recordCapacity / 2 : table.recordCapacity;
}

// The index a solve starts with; it doubles from here as it fills.
constexpr uint32_t FirstIndexSize = 4096;
// Records beyond the node limit: every root and every seeded record.
constexpr int32_t SeedRecords = 2 * GuidedMaxBoxes * Directions;

// Sets the entry widths for tables of recordCapacity records.
void set_up_node_table(NodeTable& table, SearchNode* records, uint32_t recordCapacity,
                       uint32_t* index, uint32_t slotCount);

// Starts a solve's table: no records, the first prefix of the index empty.
void clear_node_table(NodeTable& table, int32_t boxCount);

// The order-free hash of a state, and its change when one box moves.
uint64_t state_hash(int32_t keeper, const int32_t* boxes, int32_t count);
uint64_t boxes_hash(const int32_t* boxes, int32_t count);
uint64_t keeper_key(int32_t keeper);
uint64_t box_key(int32_t cell);

// The slot where the probe for hash starts.
inline uint32_t home_slot(const NodeTable& table, uint64_t hash) {
  return uint32_t(((hash >> 32) * table.indexSize) >> 32);
}

// Probes from home for the record of keeper with the boxes that stand (value
// BoxCell) on board: returns its index slot, or the first empty slot met.
uint32_t lookup_node(const NodeTable& table, uint64_t hash, int32_t keeper, const int8_t* board);

// The record an index slot names, or NoRecord for an empty slot.
inline uint32_t slot_record(const NodeTable& table, uint32_t slot) {
  uint32_t entry = table.index[slot];
  return entry == 0 ? NoRecord : (entry & uint32_t(field_mask(table.recordBits))) - 1;
}

// Asks for the cache line at at, meant to be written. On the machines
// measured, plain prefetches of the records and of random index lines had
// not arrived when they were read, a whole expansion later, while the
// write-intent form had: it takes a record's miss off the lookups. Where
// the processor lacks it, the instruction does nothing.
inline void prefetch_for_write(const void* at) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetchw %0" : : "m"(*static_cast<const char*>(at)));
#else
  __builtin_prefetch(at, 1);
#endif
}

// The first record of hash's fingerprint among the ProbeGuessSlots slots
// from its home, stopping at an empty slot; NoRecord when there is none: a
// guess for prefetching, not an answer. Nearly every record a lookup reads
// lies there, a fifth of them past the home slot.
constexpr int32_t ProbeGuessSlots = 8;
inline uint32_t probe_record(const NodeTable& table, uint64_t hash) {
  const uint32_t recordMask = uint32_t(field_mask(table.recordBits));
  uint32_t slot = home_slot(table, hash);
  for (int32_t k = 0; k < ProbeGuessSlots; k++) {
    uint32_t entry = table.index[slot];
    if (entry == 0) break;
    if (((entry ^ uint32_t(hash)) & ~recordMask) == 0) return (entry & recordMask) - 1;
    slot = slot + 1 == table.indexSize ? 0 : slot + 1;
  }
  return NoRecord;
}

// Appends a record and enters it at slot, the empty slot lookup_node found
// for the same hash; may double the index. Returns the record number.
uint32_t add_node(NodeTable& table, uint32_t slot, uint64_t hash, const int32_t* boxes,
                  int32_t keeper, uint32_t parent, int32_t cost);
// Appends a root, which no lookup finds.
uint32_t add_root(NodeTable& table, const int32_t* boxes, int32_t keeper);

// ---------------------------------------------------------------- bucket queue

// Queued record numbers in a ring of buckets indexed by cost modulo
// BucketCount, handed out in order of cost; removal leaves holes (NoRecord)
// that are squeezed out only when a bucket fills up. Every queued record
// holds its entry's position in its bucket, kept current wherever entries
// move (the passes and the packing), so that a rekey finds its entry at once.
struct BucketQueue {
  uint32_t* entries = nullptr;    // BucketCount * capacity, reserved once
  int32_t capacity = 0;           // entries of one bucket
  SearchNode* records = nullptr;  // the records the entries name
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
// Moves a queued record from the bucket of oldCost to that of newCost; 0 as
// queue_insert. The record may already hold its new cost: the caller writes
// cost and parent first, so that the queue's write of the position does not
// stall the wider read of the improvement behind it.
int32_t queue_rekey(BucketQueue& queue, uint32_t record, int32_t oldCost, int32_t newCost);
// The next record of the current cost, or NoRecord when the queue is empty
// or no queued record can beat bestCost (0: no solution known).
uint32_t queue_pop(BucketQueue& queue, int32_t bestCost);
// The record the next queue_pop hands out when it lies a few entries past
// the read cursor in the current bucket, else NoRecord; changes nothing.
uint32_t queue_peek(const BucketQueue& queue);
// Squeezes the holes out of a full bucket; returns its free entries.
int32_t compact_bucket(BucketQueue& queue, int32_t bucket);

// ---------------------------------------------------------------- guided queue

// The guided search's queue: one list of records for each value of cost +
// bound, in a ring of GuidedRing lists indexed by that value modulo the
// ring. The links are two arrays indexed by record number, each list a
// circle through its sentinel (entry links + list), laid in the memory of
// the bucket queue, which the guided search does not use; so every record
// can be queued at once and the queue never fills before the node table
// does. A list is a stack: the record queued last of a value comes out
// first, which leads the search deep along the last value's records, where
// a solution of that length waits, before their siblings.
//
// Every queued value lies within GuidedRing of the value being handed out:
// a record's value exceeds its parent's by at most a walk and a run (each
// below MaxArea) and the bound of the child, and a bound below
// GuidedBoundLimit never reaches GuidedRing. So a list holds records of one
// value only.
constexpr int32_t GuidedRing = 1 << 16;
constexpr uint32_t Dequeued = 0xFFFFFFFEu;  // the link of a record no list holds

struct GuidedQueue {
  uint32_t* next = nullptr;  // per record, then per sentinel: the next in its circle
  uint32_t* prev = nullptr;  // the one before it
  uint32_t links = 0;        // records the arrays have room for
  int32_t value = 0;      // the cost + bound whose records are handed out
  int32_t open = 0;       // records queued
  int32_t indicator = 0;  // the most records queued at once
};

// Entries each link array takes for tables of records records.
constexpr uint32_t guided_link_entries(uint32_t records) { return records + GuidedRing; }

void reset_guided_queue(GuidedQueue& queue);
// Queues a record under value (cost + bound); 0 when value lies beyond the
// ring, which a sound bound never gives.
int32_t guided_insert(GuidedQueue& queue, uint32_t record, int32_t value);
// Moves a record to newValue's list from whichever list holds it; a record
// already handed out is queued again.
int32_t guided_rekey(GuidedQueue& queue, uint32_t record, int32_t newValue);
// The next record of the lowest value, or NoRecord when the queue is empty
// or the lowest value reaches bestCost (0: no solution known).
uint32_t guided_pop(GuidedQueue& queue, int32_t bestCost);

// ---------------------------------------------------------------- bound

// The guided search's lower bound on the moves that lead from the start
// position to a state; bound.cpp explains why it holds.
constexpr int32_t Unreached = 1 << 20;  // a push distance no box can go
// Bounds at or above this say that no box assignment exists: the state can
// never be reached from the start, and the search drops it.
constexpr int32_t GuidedBoundLimit = Unreached;
// Every bound below GuidedBoundLimit is a sum of at most GuidedMaxBoxes push
// distances and one walk, each below MaxArea; with a step's walk and run it
// stays within the ring.
static_assert((GuidedMaxBoxes + 1) * MaxArea + 2 * MaxArea < GuidedRing, "values fit the ring");

// The pattern table (pattern.cpp): moves[keeper slab + rank of a k-set of
// box cells], the fewest moves of the game of k boxes alone from the start.
constexpr int32_t PatternMaxBoxes = 3;         // the most boxes of a pattern
constexpr uint64_t PatternEntries = 1u << 22;  // the most entries of a table
constexpr uint8_t Unmet = 255;                 // an entry no play reaches
constexpr uint8_t PatternMostMoves = 254;      // figures stop growing here
struct Pattern {
  int32_t boxes = 0;  // k; 0: no table
  uint64_t sets = 0;  // k-sets of box cells: the entries of a keeper's slab
  uint64_t entries = 0;
  int16_t boxIndex[MaxArea];     // a cell's number among the box cells, or -1
  int16_t keeperIndex[MaxArea];  // among the open cells, or -1
  uint64_t choose[PatternMaxBoxes + 1][MaxArea + 1];  // binomials, for the ranks
  uint8_t* moves = nullptr;
};
// The memory a pattern table may take: its entries, and a queue for the
// breadth-first search that fills it.
struct PatternRoom {
  uint8_t* moves = nullptr;
  uint64_t bytes = 0;
  uint64_t* queue = nullptr;
  uint64_t queueEntries = 0;
};

struct Bound {
  // side[c][d]: with a box alone on open cell c, the least direction whose
  // neighbour of c lies in the same part of the floor as the neighbour in
  // direction d (the part the keeper walks in); -1 where that neighbour is
  // not open. A box's group is this least direction for the keeper's part.
  int8_t side[MaxArea][Directions];
  // pushes[c][g][k]: the fewest pushes that bring live box k from its start
  // cell to cell c with the keeper in group g, on the board without other
  // boxes; Unreached where it cannot go. The starts are the last index, so
  // one row of an assignment is one run of memory (a cache line at 16).
  int32_t pushes[MaxArea][Directions][GuidedMaxBoxes];
  int32_t starts = 0;   // live boxes
  int32_t opening = 0;  // the fewest steps the keeper needs before its first push
  Pattern pattern;      // none (boxes 0) where the solve gave it no room
};

// A least assignment of a state's boxes (rows, in box order) to the starts
// (columns), with the potentials that prove it least: a child that moves
// one box re-enters that row alone.
struct Assignment {
  int32_t cost[GuidedMaxBoxes][GuidedMaxBoxes];
  int32_t rowPotential[GuidedMaxBoxes + 1];
  int32_t columnPotential[GuidedMaxBoxes + 1];
  int32_t owner[GuidedMaxBoxes + 1];  // the row (from 1) of each column (from 1)
  int32_t column[GuidedMaxBoxes];     // the column (from 1) of each row (from 0)
  int32_t sum;                        // the least sum itself
  int32_t count;
};

// Measures the groups, the push distances, the opening walk and, where room
// is given, the pattern table of the level just read.
void set_up_bound(Bound& bound, const Level& level, PatternRoom room = PatternRoom{});
// Fills the pattern table in room, with the largest pattern that fits.
void set_up_pattern(Pattern& pattern, const Bound& bound, const Level& level, PatternRoom room);
// The largest table figure over every k of the count boxes (any order) with
// the keeper on keeper, or the first that reaches enough; GuidedBoundLimit
// when one of them no play reaches.
int32_t pattern_moves(const Pattern& pattern, const int32_t* boxes, int32_t count, int32_t keeper,
                      int32_t enough);
// The group of the box on box for the keeper on keeper, found by a walk.
int32_t keeper_group(const Bound& bound, const Level& level, int32_t box, int32_t keeper);
// The bound of the state with these boxes (level.liveBoxes cells in any
// order), their groups (two bits a box, box i at bit 2i) and the keeper on
// keeper, who must step before its next pull when firstWalk is 1;
// GuidedBoundLimit or more when no assignment of boxes to starts has
// finite pushes.
int32_t state_bound(const Bound& bound, const Level& level, const int32_t* boxes, uint32_t groups,
                    int32_t keeper, int32_t firstWalk);

// Assigns the boxes of a state; returns its bound as state_bound does.
int32_t assign_boxes(const Bound& bound, const Level& level, const int32_t* boxes,
                     uint32_t groups, int32_t keeper, int32_t firstWalk, Assignment& assignment);
// The bound of the state that assignment's state becomes when box (its row,
// from 0) moves to cell in group, the keeper on keeper; leaves the
// assignment as it was. A bound of enough or more may be a lower one than
// state_bound gives (still a bound: it never exceeds the moves that remain).
int32_t moved_bound(const Bound& bound, const Level& level, Assignment& assignment,
                    const int32_t* boxes, int32_t box, int32_t cell, int32_t group,
                    int32_t keeper, int32_t firstWalk, int32_t enough);


// ---------------------------------------------------------------- search

// Values of the search board.
constexpr int8_t FreeCell = 0;
constexpr int8_t BoxCell = 2;
constexpr int8_t BlockedCell = 8;
constexpr int32_t MaxChildren = MaxBoxes * Directions;  // of a plain record
constexpr int32_t GuidedMaxChildren = GuidedMaxBoxes * Directions;

// A set of the board's cells, one bit a cell, for the keeper's walks.
constexpr int32_t WordBits = 64;
constexpr int32_t BoardWords = (MaxArea + WordBits - 1) / WordBits;
struct CellSet {
  uint64_t word[BoardWords];
};

// A child found by an expansion, waiting for its lookup.
struct Child {
  int32_t box;    // index in the box list
  int32_t from;   // the box's cell before the run
  int32_t to;     // its cell after the run
  int32_t keeper;
  int32_t cost;
  int32_t bound;  // the guided search's bound of the child; 0 in the plain search
  uint64_t hash;  // of the child's state
};

// The next record of the current cost, walked and its children collected
// while the children of the record before it are still being looked up, so
// that their index lines and records arrive in the meantime. Nothing a visit
// does can change this record or its children: every child costs more than
// the current cost, so no visit creates, rekeys or removes a record of that
// cost, and no visit changes bestCost. The goal test's outcome waits here
// until the record is popped in its turn.
struct Lookahead {
  int8_t board[MaxArea];  // the board without boxes between expansions
  int32_t boxes[MaxBoxes];
  Child children[MaxChildren];
  int32_t found = 0;          // children collected
  uint32_t record = NoRecord;  // NoRecord: nothing prepared
  int32_t cost = 0;            // the current cost when it was prepared
  int32_t bestCost = 0;        // the bound its goal test started from
  int32_t goal = 0;            // the length its goal test found, 0 for none
};

// The working state of one solve.
struct SearchState {
  int8_t board[MaxArea];       // FreeCell, BoxCell or BlockedCell
  int32_t boxes[GuidedMaxBoxes];  // the current box list, in identity order
  int32_t distance[MaxArea];   // keeper steps from the expanded keeper, on targets
  int32_t cells[MaxArea];      // breadth-first queue of the trace's walks
  CellSet open;                // cells free of walls and dead ends, without boxes
  CellSet reach;               // cells the keeper reaches (enough for the targets)
  CellSet pulls[Directions];   // boxes the keeper can pull in each direction
  int32_t words = 0;           // words of the sets that cover the level
  Child children[GuidedMaxChildren];
  Lookahead ahead;
  const int32_t* noRest = nullptr;  // cells where a pulled box does not stop
  int32_t bestCost = 0;             // 0 while no solution is known
  uint32_t bestRecord = NoRecord;   // NoRecord while no solution is known
  int32_t nodes = 0;                // records created by expansion
  int32_t guidedLimit = 0;          // records the guided search may create
  int64_t startMs = 0;              // the solve's start on the clock
  int32_t traceLength = 0;          // letters of the trace being built
  Bound bound;                      // the guided search's bound tables
  Assignment assignment;            // of the record being expanded
};

// Everything one set of tables holds: the two big tables, the working state
// of the solve that uses them, and their limits.
struct SearchWork {
  NodeTable table;
  BucketQueue queue;
  GuidedQueue guided;  // links in queue's entries
  SearchState search;
  int32_t nodeLimit = 0;  // records a solve may create
  int32_t hugePages = 0;  // huge pages have been asked for on the queue
};

// One step of the main loop: 0 or a final status.
int32_t expand_record(SearchWork& work, Level& level);
// The number of cells a pull moves a box (0: impossible).
int32_t pull_run_length(const SearchState& search, const Level& level, int32_t box,
                        int32_t direction);
// 1 when the keeper on keeper can pull a box of board without a step first.
int32_t keeper_can_pull(const int8_t* board, const int32_t* noRest, const Level& level,
                        int32_t keeper);
// The move trace of the best record, into the solver's text buffer.
void build_trace(Solver& solver, const Level& level, SearchWork& work);


}  // namespace vk
