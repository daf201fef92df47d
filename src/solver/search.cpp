// The search driver: a backward uniform-cost search from the solved position
// over pull runs, until it meets the start position.
//
// Each expansion pops the cheapest record, measures every keeper walk of its
// position with one breadth-first search, finds the children that pass the
// cheap tests, the bound and the assignment check, prefetches their home
// slots, and then looks them up one by one in the order of discovery, so
// that every record is created, improved or refused exactly as a plain
// one-child-at-a-time search would do it.
//
// The guided search (Solver::guided) hands records out in the order of cost
// plus a lower bound on the moves from the start position (bound.cpp),
// through a queue of linked lists that holds every record the table can
// make (guidedqueue.cpp), and makes a record's children by value, a few
// values at a time. Its records are laid out alike, holding the boxes'
// groups where a plain record holds its queue position, and take two slots
// beyond MaxBoxes boxes.
#include <cstring>
#include <new>

#include "os/os.h"
#include "solver/search_internal.h"

namespace vk {

namespace {

// The records of the node limit and an index entry per slot take what the
// slots at 24 bytes each would: 14,000,000 * 24 + 16,800,000 * 4 bytes.
static_assert(int64_t(NodeLimit) * int64_t(sizeof(SearchNode)) +
                      int64_t(TableSlots) * int64_t(sizeof(uint32_t)) +
                      int64_t(BucketCount) * BucketCapacity * int64_t(sizeof(uint32_t)) ==
                  DefaultMemory,
              "the default tables take 608,000,000 bytes");

// The process's tables, for solvers that name none.
SearchTables processTables;

// A solve that has grown this far asks for huge pages on its queue: the
// queue's buckets are first touched all at once, and a small solve would pay
// 2 MiB of zeroing for each bucket it starts. The records and the index are
// filled from their fronts, so they have huge pages from the start.
// Expansions between two readings of the clock for the elapsed seconds:
// well below a millisecond of search.
constexpr int32_t ClockEveryExpansions = 256;

constexpr int32_t HugePageNodes = 131072;

size_t record_bytes(const NodeTable& table) {
  return size_t(table.recordCapacity) * sizeof(SearchNode);
}
size_t index_bytes(const NodeTable& table) { return size_t(table.slotCount) * sizeof(uint32_t); }
size_t queue_bytes(const BucketQueue& queue) {
  return size_t(BucketCount) * size_t(queue.capacity) * sizeof(uint32_t);
}

void ask_for_huge_pages(SearchWork& w) {
  if (w.hugePages) return;
  w.hugePages = 1;
  vk::os_advise_huge(w.queue.entries, queue_bytes(w.queue));
}

void publish_seconds(Solver& solver, const SearchState& s) {
  solver.progress.seconds.store(int32_t((vk::os_clock_ms() - s.startMs) / 1000),
                                std::memory_order_relaxed);
}

void publish(Solver& solver, const SearchWork& w, bool guided) {
  solver.progress.nodes.store(w.search.nodes, std::memory_order_relaxed);
  solver.progress.queue.store(guided ? w.guided.indicator : w.queue.indicator,
                              std::memory_order_relaxed);
}

bool has_cell(const CellSet& set, int32_t cell) {
  return (set.word[cell / WordBits] >> (cell % WordBits)) & 1;
}
void add_cell(CellSet& set, int32_t cell) { set.word[cell / WordBits] |= uint64_t(1) << (cell % WordBits); }

// A position being expanded: a board with its boxes standing on it, its box
// list and the children found. The record handed out now uses the search's
// own; the record prepared ahead of its turn uses the Lookahead's.
struct Position {
  int8_t* board;
  int32_t* boxes;
  Child* children;
};

// The number of cells a pull moves a box on board (0: impossible).
int32_t run_length(const int8_t* board, const int32_t* noRest, const Level& level, int32_t box,
                   int32_t direction) {
  // The box is carried on over no-rest cells; every cell the keeper steps
  // back onto must be free.
  int32_t o = level.offset[direction];
  int32_t n = 1, to = box + o, keeper = box + 2 * o;
  while (noRest[to]) {
    if (board[keeper] != FreeCell) return 0;
    to += o;
    keeper += o;
    n++;
  }
  return board[keeper] == FreeCell ? n : 0;
}

// Shifts of a set of Words words by a cells of the numbering, a being q
// whole words and r bits: up moves cell c to c + a, down to c - a. Words is
// a constant, so that the loops unroll.
template <int32_t Words>
void moved_up(uint64_t* out, const uint64_t* in, int32_t q, int32_t r) {
  for (int32_t i = 0; i < Words; i++) {
    uint64_t v = 0;
    if (i >= q) v = in[i - q] << r;
    if (r != 0 && i > q) v |= in[i - q - 1] >> (WordBits - r);
    out[i] = v;
  }
}
template <int32_t Words>
void moved_down(uint64_t* out, const uint64_t* in, int32_t q, int32_t r) {
  for (int32_t i = 0; i < Words; i++) {
    uint64_t v = 0;
    if (i + q < Words) v = in[i + q] >> r;
    if (r != 0 && i + q + 1 < Words) v |= in[i + q + 1] << (WordBits - r);
    out[i] = v;
  }
}

// Adds to out the cells from which the keeper could pull a box of boxes
// standing a cells away, a up or down the numbering: the cell and the one
// beyond it free.
template <int32_t Words>
void add_pull_cells(uint64_t* out, const uint64_t* boxes, const uint64_t* free, int32_t q,
                    int32_t r) {
  uint64_t box[Words], beyond[Words];
  moved_up<Words>(box, boxes, q, r);
  moved_down<Words>(beyond, free, q, r);
  for (int32_t i = 0; i < Words; i++) out[i] |= box[i] & beyond[i];
  moved_down<Words>(box, boxes, q, r);
  moved_up<Words>(beyond, free, q, r);
  for (int32_t i = 0; i < Words; i++) out[i] |= box[i] & beyond[i];
}

// The boxes of box that the keeper, reaching reach, can pull towards a
// neighbour a cells up or down the numbering: the neighbour reached, the
// cell beyond it free.
template <int32_t Words>
void pull_set(uint64_t* out, const uint64_t* box, const uint64_t* reach, const uint64_t* free,
              int32_t a, bool up) {
  uint64_t stand[Words], beyond[Words];
  const int32_t b = 2 * a;
  if (up) {
    moved_up<Words>(stand, reach, a / WordBits, a % WordBits);
    moved_up<Words>(beyond, free, b / WordBits, b % WordBits);
  } else {
    moved_down<Words>(stand, reach, a / WordBits, a % WordBits);
    moved_down<Words>(beyond, free, b / WordBits, b % WordBits);
  }
  for (int32_t i = 0; i < Words; i++) out[i] = box[i] & stand[i] & beyond[i];
}

// A breadth-first search from the keeper over free cells, one distance a
// round, each round the whole frontier at once on bit sets of Words words,
// in registers where they fit (a row of the board is width cells of the
// numbering, so the four neighbours are moves by 1 and by width). Its
// targets are the cells whose walk distance this expansion needs: every
// cell from which the keeper could pull a box, and the keeper's start when
// the goal test needs it. Leaves the reach and the walk distance of every
// target; it stops once every target has its distance, since no other
// cell's reach or distance is read in this expansion.
// The widest sets whose loops are unrolled into registers.
constexpr int32_t RegisterWords = 8;

template <int32_t Words>
void flood(SearchState& s, const Level& level, const int32_t* boxes, int32_t count,
           int32_t keeper, bool wantStart) {
  uint64_t box[Words] = {}, free[Words], target[Words] = {};
  for (int32_t i = 0; i < count; i++) {
    // Every word takes the bit or nothing, so that the set stays in
    // registers: a store to a word picked at run time, read again for the
    // next box, waits for the store each time.
    const int32_t word = boxes[i] / WordBits;
    const uint64_t bit = uint64_t(1) << (boxes[i] % WordBits);
    if (Words <= RegisterWords)
      for (int32_t j = 0; j < Words; j++) box[j] |= j == word ? bit : 0;
    else
      box[word] |= bit;
  }
  for (int32_t i = 0; i < Words; i++) free[i] = s.open.word[i] & ~box[i];
  const int32_t q = level.width / WordBits, r = level.width % WordBits;
  add_pull_cells<Words>(target, box, free, 0, 1);
  add_pull_cells<Words>(target, box, free, q, r);
  for (int32_t i = 0; i < Words; i++) target[i] &= free[i];
  if (wantStart) target[level.KeeperStart / WordBits] |= uint64_t(1) << (level.KeeperStart % WordBits);
  // The keeper stands on a free cell, at distance 0; left holds the
  // targets not yet met.
  uint64_t reach[Words] = {}, frontier[Words] = {}, left = 0;
  const uint64_t at = uint64_t(1) << (keeper % WordBits);
  reach[keeper / WordBits] = frontier[keeper / WordBits] = at;
  s.distance[keeper] = 0;
  target[keeper / WordBits] &= ~at;
  for (int32_t i = 0; i < Words; i++) left |= target[i];
  for (int32_t distance = 1; left != 0; distance++) {
    uint64_t grown[Words], more[Words];
    moved_up<Words>(grown, frontier, 0, 1);
    moved_down<Words>(more, frontier, 0, 1);
    for (int32_t i = 0; i < Words; i++) grown[i] |= more[i];
    moved_up<Words>(more, frontier, q, r);
    for (int32_t i = 0; i < Words; i++) grown[i] |= more[i];
    moved_down<Words>(more, frontier, q, r);
    // The sets' round first, without an inner loop, so that it unrolls and
    // they stay in registers; then the distances of the targets met.
    uint64_t any = 0, met[Words];
    left = 0;
    for (int32_t i = 0; i < Words; i++) {
      uint64_t fresh = (grown[i] | more[i]) & free[i] & ~reach[i];
      frontier[i] = fresh;
      reach[i] |= fresh;
      any |= fresh;
      met[i] = fresh & target[i];
      target[i] &= ~fresh;
      left |= target[i];
    }
    for (int32_t i = 0; i < Words; i++)
      for (uint64_t hit = met[i]; hit != 0; hit &= hit - 1)
        s.distance[i * WordBits + __builtin_ctzll(hit)] = distance;
    if (any == 0) break;
  }
  for (int32_t i = 0; i < Words; i++) s.reach.word[i] = reach[i];
  for (int32_t d = 0; d < Directions; d++) {
    const int32_t o = level.offset[d];
    pull_set<Words>(s.pulls[d].word, box, reach, free, o < 0 ? -o : o, o < 0);
  }
}

// The keeper's walks from keeper among boxes, on sets as wide as the level
// needs (s.words).
void measure_walks(SearchState& s, const Level& level, const int32_t* boxes, int32_t keeper,
                   int32_t count, bool wantStart) {
  switch (s.words) {
    case 1: flood<1>(s, level, boxes, count, keeper, wantStart); break;
    case 2: flood<2>(s, level, boxes, count, keeper, wantStart); break;
    case 4: flood<4>(s, level, boxes, count, keeper, wantStart); break;
    case 8: flood<8>(s, level, boxes, count, keeper, wantStart); break;
    default: flood<BoardWords>(s, level, boxes, count, keeper, wantStart); break;
  }
}

// Puts the live boxes on the goal cells in ascending order, which fixes the
// boxes' identity order; returns how many goals hold a box at the start.
int32_t set_up_board(SearchState& s, const Level& level) {
  for (int32_t c = 0; c < MaxArea; c++)
    s.board[c] = c < level.area && level.BlockMap[c] == MapOpen ? FreeCell : BlockedCell;
  int32_t count = 0, onStart = 0;
  for (int32_t c = 0; c < level.area && count < GuidedMaxBoxes; c++) {
    if (!level.GoalMap[c]) continue;
    s.board[c] = BoxCell;
    s.boxes[count++] = c;
    if (level.BoxStartMap[c]) onStart++;
  }
  return onStart;
}

// The last pull run of every solution: a root with every box on its goal and
// the keeper where it pulls, and the seeded record behind it. The guided
// search queues a seed under its cost plus its bound, and leaves out a seed
// from which no assignment leads back to the start.
void seed(SearchWork& w, const Level& level, bool guided) {
  SearchState& s = w.search;
  NodeTable& table = w.table;
  int32_t count = level.liveBoxes;
  for (int32_t i = 0; i < count; i++) {
    for (int32_t d = 0; d < Directions; d++) {
      int32_t box = s.boxes[i], o = level.offset[d], pull = box + o;
      if (s.board[pull] != FreeCell || s.board[pull + o] != FreeCell) continue;
      int32_t run = run_length(s.board, s.noRest, level, box, d);
      if (run == 0) continue;
      int32_t moved = box + run * o, keeper = moved + o, bound = 0;
      uint32_t groups = 0;
      if (guided) {
        s.boxes[i] = moved;
        s.board[box] = FreeCell;
        s.board[moved] = BoxCell;
        for (int32_t j = 0; j < count; j++)
          groups |= uint32_t(keeper_group(s.bound, level, s.boxes[j], keeper)) << (GroupBits * j);
        const int32_t stuck = !keeper_can_pull(s.board, s.noRest, level, keeper);
        bound = state_bound(s.bound, level, s.boxes, groups, keeper, stuck);
        s.board[moved] = FreeCell;
        s.board[box] = BoxCell;
        s.boxes[i] = box;
        if (bound >= GuidedBoundLimit) continue;
      }
      uint32_t root = add_root(table, s.boxes, pull);
      s.board[box] = FreeCell;
      s.board[moved] = BoxCell;
      s.boxes[i] = moved;
      // Seeds differ in the box moved or its cell, so each is a new state.
      uint64_t hash = state_hash(keeper, s.boxes, count);
      uint32_t slot = lookup_node(table, hash, keeper, s.board);
      uint32_t record = add_node(table, slot, hash, s.boxes, keeper, root, run);
      if (guided) {
        set_node_groups(node_at(table, record), count, groups);
        guided_insert(w.guided, record, run + bound);
      }
      else
        queue_insert(w.queue, record, run);
      s.board[moved] = FreeCell;
      s.board[box] = BoxCell;
      s.boxes[i] = box;
    }
  }
}

// Puts node's boxes on p and measures the keeper's walks; returns the
// length of the solution the goal test finds (every box on its start cell,
// the keeper able to walk to its start), 0 for none.
int32_t walk_record(SearchState& s, const Level& level, Position p, const SearchNode& node,
                    int32_t cost) {
  int32_t keeper = node_keeper(node), count = level.liveBoxes, onStart = 0;
  for (int32_t i = 0; i < count; i++) {
    int32_t c = node_box(node, i);
    p.boxes[i] = c;
    p.board[c] = BoxCell;
    if (level.BoxStartMap[c]) onStart++;
  }
  measure_walks(s, level, p.boxes, keeper, count, onStart == count);
  if (onStart == count && has_cell(s.reach, level.KeeperStart))
    return cost + s.distance[level.KeeperStart];
  return 0;
}

// The pattern table takes the bucket queue's memory that the guided
// queue's links leave, and fills it with a queue in the records' memory,
// which no record holds yet.
PatternRoom pattern_room(const SearchWork& w) {
  const uint64_t links = 2 * uint64_t(guided_link_entries(w.guided.links));
  const uint64_t entries = uint64_t(BucketCount) * uint64_t(w.queue.capacity);
  PatternRoom room;
  room.moves = reinterpret_cast<uint8_t*>(w.queue.entries + links);
  room.bytes = (entries - links) * sizeof(uint32_t);
  room.queue = reinterpret_cast<uint64_t*>(w.table.records);
  room.queueEntries = record_bytes(w.table) / sizeof(uint64_t);
  return room;
}

bool improves(const SearchState& s, int32_t goal) {
  return goal != 0 && (s.bestRecord == NoRecord || goal < s.bestCost);
}

// The bound a record's children face: bestCost after its own goal test.
int32_t bound_after(const SearchState& s, int32_t goal) {
  return improves(s, goal) ? goal : s.bestCost;
}

// The guided search's bound of the child of p whose box i moves from box
// to moved, the keeper beside it in direction d; at enough or more, maybe
// a lower one (moved_bound).
int32_t child_bound(SearchState& s, const Level& level, Position p, int32_t i, int32_t box,
                    int32_t moved, int32_t d, int32_t enough) {
  const int32_t keeper = moved + level.offset[d];
  p.board[box] = FreeCell;
  p.board[moved] = BoxCell;
  const int32_t stuck = !keeper_can_pull(p.board, s.noRest, level, keeper);
  p.board[moved] = FreeCell;
  p.board[box] = BoxCell;
  return moved_bound(s.bound, level, s.assignment, p.boxes, i, moved, s.bound.side[moved][d],
                     keeper, stuck, enough);
}

// Every child of the position p, walked by walk_record, that passes the
// cheap tests, the bound (0: none) and the assignment check, in the order
// boxes, then directions; prefetches their index lines. The guided search
// also gives each child its bound, compares cost + bound with the best
// solution, and leaves out a child that no assignment leads back to the
// start. A child whose cost + bound lies above made is not made now: its
// bound may be a lower one, which only brings the record out earlier.
template <bool Guided>
int32_t collect_children(SearchState& s, const Level& level, const NodeTable& table, Position p,
                         int32_t cost, int32_t bound, int32_t made = 0) {
  int32_t count = level.liveBoxes, found = 0;
  const uint64_t boxesHash = boxes_hash(p.boxes, count);
  for (int32_t i = 0; i < count; i++) {
    int32_t box = p.boxes[i];
    // The directions the walk found a pull for, as bits: one branch a pull
    // instead of two tests a direction, which the processor mispredicts.
    uint32_t directions = 0;
    for (int32_t d = 0; d < Directions; d++) directions |= uint32_t(has_cell(s.pulls[d], box)) << d;
    for (; directions != 0; directions &= directions - 1) {
      const int32_t d = __builtin_ctz(directions);
      int32_t o = level.offset[d], pull = box + o;
      int32_t run = run_length(p.board, s.noRest, level, box, d);
      if (run == 0) continue;
      int32_t f = cost + s.distance[pull] + run;
      if (bound != 0 && f >= bound) continue;
      int32_t moved = box + run * o;
      p.boxes[i] = moved;
      bool keep = level.ReachMask[box] == level.ReachMask[moved] || boxes_matchable(level, p.boxes);
      int32_t h = 0;
      if constexpr (Guided) {
        if (keep) {
          h = child_bound(s, level, p, i, box, moved, d, made + 1 - f);
          keep = h < GuidedBoundLimit && (bound == 0 || f + h < bound);
        }
      }
      if (keep) {
        Child& child = p.children[found++];
        uint64_t hash = boxesHash - box_key(box) + box_key(moved) + keeper_key(moved + o);
        child = Child{i, box, moved, moved + o, f, h, hash};
        prefetch_for_write(table.index + home_slot(table, hash));
      }
      p.boxes[i] = box;
    }
  }
  return found;
}

// Looks up one child and creates, improves or leaves its record. The plain
// search queues a record under its cost, in a queue that may fill; the
// guided search queues it under cost + bound, in a queue with room for every
// record, and gives a new record its boxes' groups: the moved box's is the
// keeper's side of it, the others keep the parent's.
template <bool Guided>
int32_t visit_child(SearchWork& w, const Level& level, const Child& child, uint32_t parent,
                    uint32_t groups) {
  SearchState& s = w.search;
  uint32_t slot = lookup_node(w.table, child.hash, child.keeper, s.board);
  uint32_t record = slot_record(w.table, slot);
  if (record == NoRecord) {
    // A cost that the record cannot hold ends the solve as a full table does.
    const int32_t limit = Guided ? s.guidedLimit : w.nodeLimit;
    if (s.nodes >= limit || child.cost > CostLimit) return SolveTableFull;
    // The queue writes the record's position, so the record comes first; a
    // failed insert ends the solve, and the record dies with it.
    record = add_node(w.table, slot, child.hash, s.boxes, child.keeper, parent, child.cost);
    int32_t queued;
    if constexpr (Guided) {
      int32_t d = 0;
      while (child.to + level.offset[d] != child.keeper) d++;
      const int32_t shift = GroupBits * child.box;
      groups = (groups & ~(uint32_t(field_mask(GroupBits)) << shift)) |
               (uint32_t(s.bound.side[child.to][d]) << shift);
      set_node_groups(node_at(w.table, record), level.liveBoxes, groups);
      queued = guided_insert(w.guided, record, child.cost + child.bound);
    } else {
      queued = queue_insert(w.queue, record, child.cost);
    }
    if (!queued) return SolveQueueFull;
    if (++s.nodes == HugePageNodes) ask_for_huge_pages(w);
    return SolveGoesOn;
  }
  SearchNode& node = node_at(w.table, record);
  const int32_t oldCost = node_cost(node);
  if (oldCost > child.cost) {
    set_cost_parent(node, child.cost, parent);
    int32_t queued;
    if constexpr (Guided)
      queued = guided_rekey(w.guided, record, child.cost + child.bound);
    else
      queued = queue_rekey(w.queue, record, oldCost, child.cost);
    if (!queued) return SolveQueueFull;
  }
  return SolveGoesOn;
}

// The children's index lines are on their way; a record of the child's
// fingerprint near its home slot is nearly always the child's own: fetch
// them all before the first lookup waits for one.
void prefetch_records(const NodeTable& table, const Child* children, int32_t found) {
  for (int32_t k = 0; k < found; k++) {
    uint32_t record = probe_record(table, children[k].hash);
    if (record != NoRecord) prefetch_for_write(&node_at(table, record));
  }
}

// Visits the first found children of the record parent (whose boxes have
// groups, in the guided search), each on its own board.
template <bool Guided>
int32_t visit_children(SearchWork& w, const Level& level, int32_t found, uint32_t parent,
                       uint32_t groups) {
  SearchState& s = w.search;
  for (int32_t k = 0; k < found; k++) {
    const Child& child = s.children[k];
    s.board[child.from] = FreeCell;
    s.board[child.to] = BoxCell;
    s.boxes[child.box] = child.to;
    int32_t status = visit_child<Guided>(w, level, child, parent, groups);
    s.board[child.to] = FreeCell;
    s.board[child.from] = BoxCell;
    s.boxes[child.box] = child.from;
    if (status != SolveGoesOn) return status;
  }
  return SolveGoesOn;
}

// The keeper's walk, measured by walk_record, to the nearest cell from
// which it can pull a box of p; Unreached when it can pull none.
int32_t nearest_pull(const SearchState& s, const Level& level, Position p) {
  int32_t nearest = Unreached;
  for (int32_t i = 0; i < level.liveBoxes; i++) {
    const int32_t box = p.boxes[i];
    for (int32_t d = 0; d < Directions; d++) {
      const int32_t pull = box + level.offset[d];
      if (has_cell(s.pulls[d], box) && s.distance[pull] < nearest &&
          run_length(p.board, s.noRest, level, box, d) != 0)
        nearest = s.distance[pull];
    }
  }
  return nearest;
}

// Children whose cost + bound lies this far above the value being handed
// out are made at once. Values of one parity dominate (note 6 of bound.cpp),
// so 2 takes the next value's children along: each costs a record, while
// coming out again for them would cost a whole walk and assignment; on the
// bench, 7% more records than 0 for 30% less time.
constexpr int32_t GuidedSlack = 2;

// One expansion of the guided search: the record of the lowest cost + bound,
// its goal test, and those of its children whose cost + bound lies within
// GuidedSlack of the value being handed out, looked up one by one. A record
// comes out again for the values of its other children below the best
// solution, so that it makes no record long before the search reaches that
// record's value: the records the guided search holds are about those it
// expands. Records still come out in the order of cost + bound, so their
// costs are final as in note 5 of bound.cpp.
int32_t expand_guided(SearchWork& w, Level& level) {
  SearchState& s = w.search;
  uint32_t r = guided_pop(w.guided, s.bestCost);
  if (r == NoRecord) return s.bestRecord != NoRecord ? SolveSolved : SolveImpossible;
  const SearchNode& node = node_at(w.table, r);
  const int32_t cost = node_cost(node);
  const Position now{s.board, s.boxes, s.children};
  int32_t goal = walk_record(s, level, now, node, cost);
  if (improves(s, goal)) {
    s.bestCost = goal;
    s.bestRecord = r;
  }
  // The record was queued under a bound that knew only whether its keeper
  // must step before the next pull; its walk tells how far. A larger bound
  // sends it back to the queue under the larger value, so that records are
  // expanded in the order of their exact cost + bound.
  const uint32_t groups = node_groups(node, level.liveBoxes);
  const int32_t value = cost + assign_boxes(s.bound, level, s.boxes, groups, node_keeper(node),
                                            nearest_pull(s, level, now), s.assignment);
  if (value > w.guided.value) {
    for (int32_t i = 0; i < level.liveBoxes; i++) s.board[s.boxes[i]] = FreeCell;
    if (value >= GuidedBoundLimit || (s.bestCost != 0 && value >= s.bestCost)) return SolveGoesOn;
    return guided_insert(w.guided, r, value) ? SolveGoesOn : SolveQueueFull;
  }
  // Only the children up to GuidedSlack above the value being handed out
  // are made now; the record waits in the queue under the least value of
  // the others, and makes those when it comes out again.
  int32_t found =
      collect_children<true>(s, level, w.table, now, cost, s.bestCost, w.guided.value + GuidedSlack);
  int32_t kept = 0, later = 0;
  for (int32_t k = 0; k < found; k++) {
    const int32_t childValue = s.children[k].cost + s.children[k].bound;
    if (childValue <= w.guided.value + GuidedSlack)
      s.children[kept++] = s.children[k];
    else if (later == 0 || childValue < later)
      later = childValue;
  }
  found = kept;
  if (later != 0 && !guided_insert(w.guided, r, later)) return SolveQueueFull;
  prefetch_records(w.table, s.children, found);
  int32_t status = visit_children<true>(w, level, found, r, groups);
  for (int32_t i = 0; i < level.liveBoxes; i++) s.board[s.boxes[i]] = FreeCell;
  return status;
}

}  // namespace

TableSize table_size(int64_t bytes) {
  // Exact integer arithmetic: the default size gives the constants exactly.
  return TableSize{bytes, int32_t(bytes * TableSlots / DefaultMemory),
                   int32_t(bytes * NodeLimit / DefaultMemory),
                   int32_t(bytes * BucketCapacity / DefaultMemory)};
}

int32_t parse_memory_size(const char* text, int64_t& bytes) {
  int64_t value = 0;
  int32_t digits = 0;
  for (; *text >= '0' && *text <= '9' && digits < 12; text++, digits++)
    value = value * 10 + (*text - '0');
  if (digits == 0 || digits == 12) return 0;
  switch (*text) {
    case '\0': break;
    case 'k': case 'K': value *= 1000; text++; break;
    case 'm': case 'M': value *= 1000000; text++; break;
    case 'g': case 'G': value *= 1000000000; text++; break;
    default: return 0;
  }
  if (*text != '\0' || value < SmallestMemory || value > LargestMemory) return 0;
  bytes = value;
  return 1;
}

namespace {

// The tables of a set, each a reservation of its own (null for one the
// system refused), and the working state.
void release_work(SearchWork* w) {
  vk::os_release(w->table.records, record_bytes(w->table));
  vk::os_release(w->table.index, index_bytes(w->table));
  vk::os_release(w->queue.entries, queue_bytes(w->queue));
  w->~SearchWork();
  vk::os_release(w, sizeof(SearchWork));
}

}  // namespace

void release_tables(SearchTables& t) {
  if (t.work) release_work(t.work);
  t = SearchTables{};
}

int32_t reserve_tables(SearchTables& t, int64_t bytes) {
  release_tables(t);
  void* memory = vk::os_reserve(sizeof(SearchWork));
  if (!memory) return 0;
  auto* w = new (memory) SearchWork;
  TableSize size = table_size(bytes);
  uint32_t records = uint32_t(size.nodeLimit) + SeedRecords;
  set_up_node_table(w->table, nullptr, records, nullptr, uint32_t(size.slots));
  w->queue.capacity = size.bucketCapacity;
  w->table.records = static_cast<SearchNode*>(vk::os_reserve(record_bytes(w->table)));
  w->table.index = static_cast<uint32_t*>(vk::os_reserve(index_bytes(w->table)));
  w->queue.entries = static_cast<uint32_t*>(vk::os_reserve(queue_bytes(w->queue)));
  if (!w->table.records || !w->table.index || !w->queue.entries) {
    release_work(w);
    return 0;
  }
  vk::os_advise_huge(w->table.records, record_bytes(w->table));
  vk::os_advise_huge(w->table.index, index_bytes(w->table));
  w->queue.records = w->table.records;
  // The guided search's links take the bucket queue's memory: two entries
  // a record and a sentinel a list fit in it at every memory size from
  // SmallestMemory up (3.6 entries a record against 2, and the sentinels'
  // 2 * GuidedRing entries are far below the smallest queue's 1.3 million).
  // Smaller tables, which only tests make, leave the guided search without.
  if (2 * uint64_t(guided_link_entries(records)) <=
      uint64_t(BucketCount) * uint64_t(size.bucketCapacity)) {
    w->guided.links = records;
    w->guided.next = w->queue.entries;
    w->guided.prev = w->queue.entries + guided_link_entries(records);
  }
  w->nodeLimit = size.nodeLimit;
  t.work = w;
  t.bytes = bytes;
  return 1;
}

int32_t tables_fit_memory(int64_t bytes, int32_t count) {
  int64_t physical = vk::os_physical_memory();
  return physical <= 0 || bytes <= physical / count ? 1 : 0;
}

int32_t reserve_search_tables(int64_t bytes) {
  if (processTables.bytes == bytes) return 1;
  return reserve_tables(processTables, bytes);
}

SearchTables* search_tables() { return processTables.bytes != 0 ? &processTables : nullptr; }

const char* solve_status_word(int32_t status) {
  switch (status) {
    case SolveImpossible: return "Impossible";
    case SolveTableFull: return "Failed(C)";
    case SolveQueueFull: return "Failed(Q)";
    case SolveCanceled: return "Canceled";
    case SolveSolved: return "Solved";
    default: return "";
  }
}

void clear_solve_results(Solver& solver) {
  solver.solutionLength = 0;
  solver.traceOver = 0;
  solver.progress.nodes.store(0, std::memory_order_relaxed);
  solver.progress.queue.store(0, std::memory_order_relaxed);
  solver.progress.seconds.store(0, std::memory_order_relaxed);
  if (solver.trace) solver.trace[0] = '\0';
}

int32_t select_level(Solver& solver, Level& level, const char* workDir, int32_t n) {
  clear_solve_results(solver);
  return read_level(level, workDir, n, box_limit(solver.guided));
}

int32_t pull_run_length(const SearchState& search, const Level& level, int32_t box,
                        int32_t direction) {
  return run_length(search.board, search.noRest, level, box, direction);
}

int32_t keeper_can_pull(const int8_t* board, const int32_t* noRest, const Level& level,
                        int32_t keeper) {
  for (int32_t d = 0; d < Directions; d++) {
    const int32_t box = keeper - level.offset[d];
    if (board[box] == BoxCell && run_length(board, noRest, level, box, d) != 0) return 1;
  }
  return 0;
}

// One expansion: the popped record's goal test, then its children looked up
// one by one. When the current cost has a next record, that record is
// walked and its children collected in between (see Lookahead), and the
// next call takes them over; the records are made, improved and refused in
// the same order as one expansion after the other would.
int32_t expand_record(SearchWork& w, Level& level) {
  SearchState& s = w.search;
  Lookahead& a = s.ahead;
  uint32_t r = queue_pop(w.queue, s.bestCost);
  if (r == NoRecord) {
    a.record = NoRecord;
    return s.bestRecord != NoRecord ? SolveSolved : SolveImpossible;
  }
  const int32_t cost = w.queue.cost, count = level.liveBoxes;
  const Position now{s.board, s.boxes, s.children};
  int32_t found, goal;
  // Index lines prefetched a call ago have arrived; fresh ones are given
  // the next record's walk to arrive.
  bool prefetched = false;
  if (r == a.record && cost == a.cost && s.bestCost == a.bestCost) {
    for (int32_t i = 0; i < count; i++) s.board[s.boxes[i] = a.boxes[i]] = BoxCell;
    found = a.found;
    goal = a.goal;
    std::memcpy(s.children, a.children, size_t(found) * sizeof(Child));
    prefetch_records(w.table, s.children, found);
    prefetched = true;
  } else {
    goal = walk_record(s, level, now, w.table.records[r], cost);
    found = collect_children<false>(s, level, w.table, now, cost, bound_after(s, goal));
  }
  a.record = NoRecord;
  // The goal test records a solution; the record is still expanded, since a
  // shorter solution may pass through this position.
  if (improves(s, goal)) {
    s.bestCost = goal;
    s.bestRecord = r;
  }
  uint32_t next = queue_peek(w.queue);
  if (next != NoRecord) {
    const Position ahead{a.board, a.boxes, a.children};
    a.goal = walk_record(s, level, ahead, w.table.records[next], cost);
    if (!prefetched) prefetch_records(w.table, s.children, found);
    a.found = collect_children<false>(s, level, w.table, ahead, cost, bound_after(s, a.goal));
    for (int32_t i = 0; i < count; i++) a.board[a.boxes[i]] = FreeCell;
    a.record = next;
    a.cost = cost;
    a.bestCost = s.bestCost;
  } else if (!prefetched) {
    prefetch_records(w.table, s.children, found);
  }
  int32_t status = visit_children<false>(w, level, found, r, 0);
  for (int32_t i = 0; i < count; i++) s.board[s.boxes[i]] = FreeCell;
  return status;
}

int32_t solve_level(Solver& solver, Level& level) {
  int64_t startMs = vk::os_clock_ms();
  solver.progress.seconds.store(0, std::memory_order_relaxed);
  solver.solutionLength = 0;
  if (solver.trace) solver.trace[0] = '\0';
  // Without its tables the search cannot hold a single record.
  SearchTables& t = solver.tables ? *solver.tables : processTables;
  if (t.bytes == 0 && (solver.tables || !reserve_search_tables())) return SolveTableFull;
  // The plain search's records hold MaxBoxes boxes; a level read for the
  // guided search may have more, which they cannot hold.
  if (level.liveBoxes > box_limit(solver.guided)) return SolveTableFull;
  SearchWork& w = *t.work;
  if (solver.guided && w.guided.links == 0) return SolveTableFull;
  SearchState& s = w.search;
  s.startMs = startMs;
  s.nodes = 0;
  s.bestCost = 0;
  s.bestRecord = NoRecord;
  const bool guided = solver.guided != 0;
  clear_node_table(w.table, level.liveBoxes);
  if (guided)
    reset_guided_queue(w.guided);
  else
    reset_queue(w.queue);
  publish(solver, w, guided);

  int32_t onStart = set_up_board(s, level);
  bool startSolved = onStart == level.liveBoxes;
  if (!solver.beginWithEnd && startSolved) return SolveSolved;
  // From a solved start the only way out and back may lead the box across a
  // tunnel cell, so such a solve stops boxes only where no box can go.
  s.noRest = startSolved ? level.NoReachMap : level.NoRestMap;
  if (guided) {
    set_up_bound(s.bound, level, pattern_room(w));
    // Records of more than MaxBoxes boxes take two slots.
    const int32_t room = int32_t(record_room(w.table, level.liveBoxes)) - SeedRecords;
    s.guidedLimit = room < w.nodeLimit ? room : w.nodeLimit;
  }
  seed(w, level, guided);
  for (int32_t i = 0; i < level.liveBoxes; i++) s.board[s.boxes[i]] = FreeCell;
  // The walks' bit sets cover the level's cells and a row beyond, since
  // the search looks one cell past a box.
  // The count is rounded up to a size that measure_walks has a version for.
  int32_t words = (level.area + level.width + WordBits - 1) / WordBits;
  s.words = words <= 1 ? 1 : words <= 2 ? 2 : words <= 4 ? 4 : words <= 8 ? 8 : BoardWords;
  s.open = CellSet{};
  for (int32_t c = 0; c < level.area; c++)
    if (s.board[c] == FreeCell) add_cell(s.open, c);
  std::memcpy(s.ahead.board, s.board, sizeof(s.board));
  s.ahead.record = NoRecord;

  int32_t status;
  for (int32_t expansions = 1;; expansions++) {
    status = guided ? expand_guided(w, level) : expand_record(w, level);
    publish(solver, w, guided);
    // Whole seconds are all the display reads; the clock once in a while
    // keeps them current at a fraction of a reading per expansion.
    if (expansions % ClockEveryExpansions == 0) publish_seconds(solver, s);
    if (solver.cancel.load(std::memory_order_relaxed)) {
      status = SolveCanceled;
      break;
    }
    if (status != SolveGoesOn) break;
  }
  publish_seconds(solver, s);
  if (status == SolveCanceled) return status;
  if (status == SolveSolved) {
    build_trace(solver, level, w);
    solver.solutionLength = s.bestCost;
  }
  return status;
}

}  // namespace vk
