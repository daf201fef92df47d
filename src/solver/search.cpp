// The search driver: a backward uniform-cost search from the solved position
// over pull runs, until it meets the start position.
//
// Each expansion pops the cheapest record, measures every keeper walk of its
// position with one breadth-first search, finds the children that pass the
// cheap tests, the bound and the assignment check, prefetches their home
// slots, and then looks them up one by one in the order of discovery, so
// that every record is created, improved or refused exactly as a plain
// one-child-at-a-time search would do it.
#include <cstring>

#include "os/os.h"
#include "solver/solver.h"

namespace {

constexpr size_t NodeBytes = size_t(TableSlots) * sizeof(SearchNode);
constexpr size_t QueueBytes = size_t(BucketCount) * BucketCapacity * sizeof(uint32_t);
static_assert(NodeBytes + QueueBytes == 608000000, "the two tables take 608,000,000 bytes");

SearchTables tables;
bool reserved = false;

void publish(Solver& solver, const SearchTables& t) {
  solver.progress.nodes.store(solver.search.nodes, std::memory_order_relaxed);
  solver.progress.queue.store(t.queue.indicator, std::memory_order_relaxed);
}

void prefetch_slot(const NodeTable& table, uint32_t slot) {
  // Two records in eight straddle two cache lines.
  const char* p = reinterpret_cast<const char*>(table.slots + slot);
  __builtin_prefetch(p, 1);
  if ((reinterpret_cast<uintptr_t>(p) & 63) > 64 - sizeof(SearchNode))
    __builtin_prefetch(p + sizeof(SearchNode) - 1, 1);
}

// One breadth-first search from the keeper over free cells: stamps the reach
// with a fresh generation and leaves every walk distance of this position.
void measure_walks(SearchState& s, Level& level, int32_t keeper) {
  int32_t generation = next_generation(level.stamp);
  int32_t* stamps = level.stamp.stamps;
  const int32_t* offset = level.offset;
  s.generation = generation;
  stamps[keeper] = generation;
  s.distance[keeper] = 0;
  s.cells[0] = keeper;
  int32_t head = 0, tail = 1;
  while (head < tail) {
    int32_t c = s.cells[head++];
    int32_t next = s.distance[c] + 1;
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + offset[d];
      if (s.board[n] != FreeCell || stamps[n] == generation) continue;
      stamps[n] = generation;
      s.distance[n] = next;
      s.cells[tail++] = n;
    }
  }
}

// Augmenting path from box: tries the starts of its mask not yet seen in
// this round, taking one from its owner when the owner can move on.
bool augment(const int32_t* masks, int32_t* owner, int32_t box, int32_t& seen) {
  for (;;) {
    int32_t candidates = masks[box] & ~seen;
    if (candidates == 0) return false;
    int32_t bit = candidates & -candidates;
    seen |= bit;
    int32_t start = __builtin_ctz(uint32_t(bit));
    if (owner[start] < 0 || augment(masks, owner, owner[start], seen)) {
      owner[start] = box;
      return true;
    }
  }
}

}  // namespace

// The same answer as boxes_assignable, whose backtracking can try every
// order of the starts before it fails; this is a bipartite matching that
// costs at most a few hundred steps.
int32_t boxes_matchable(const Level& level, const int32_t* boxes) {
  int32_t count = level.liveBoxes;
  int32_t masks[MaxBoxes], owner[MaxBoxes];
  for (int32_t i = 0; i < count; i++) {
    masks[i] = level.ReachMask[boxes[i]];
    owner[i] = -1;
  }
  for (int32_t i = 0; i < count; i++) {
    int32_t seen = 0;
    if (!augment(masks, owner, i, seen)) return 0;
  }
  return 1;
}

namespace {

// Puts the live boxes on the goal cells in ascending order, which fixes the
// boxes' identity order; returns how many goals hold a box at the start.
int32_t set_up_board(SearchState& s, const Level& level) {
  for (int32_t c = 0; c < MaxArea; c++)
    s.board[c] = c < level.area && level.BlockMap[c] == Open ? FreeCell : BlockedCell;
  int32_t count = 0, onStart = 0;
  for (int32_t c = 0; c < level.area && count < MaxBoxes; c++) {
    if (!level.GoalMap[c]) continue;
    s.board[c] = BoxCell;
    s.boxes[count++] = c;
    if (level.BoxStartMap[c]) onStart++;
  }
  return onStart;
}

// The last pull run of every solution: a root with every box on its goal and
// the keeper where it pulls, and the seeded record behind it.
void seed(SearchState& s, const Level& level, SearchTables& t) {
  int32_t count = level.liveBoxes;
  for (int32_t i = 0; i < count; i++) {
    for (int32_t d = 0; d < Directions; d++) {
      int32_t box = s.boxes[i], o = level.offset[d], pull = box + o;
      if (s.board[pull] != FreeCell || s.board[pull + o] != FreeCell) continue;
      int32_t run = pull_run_length(s, level, box, d);
      if (run == 0) continue;
      uint32_t root = lookup_node(t.table, home_slot(pull, s.boxes, count), pull, s.board, count);
      fill_node(t.table, root, s.boxes, count, pull, NoParent, 0);
      int32_t moved = box + run * o, keeper = moved + o;
      s.board[box] = FreeCell;
      s.board[moved] = BoxCell;
      s.boxes[i] = moved;
      uint32_t slot = lookup_node(t.table, home_slot(keeper, s.boxes, count), keeper, s.board, count);
      fill_node(t.table, slot, s.boxes, count, keeper, root, run);
      queue_insert(t.queue, slot, run);
      s.board[moved] = FreeCell;
      s.board[box] = BoxCell;
      s.boxes[i] = box;
    }
  }
}

// Every child of the position on the board that passes the cheap tests, the
// bound and the assignment check, in the order boxes, then directions.
int32_t collect_children(SearchState& s, const Level& level, const NodeTable& table, int32_t cost) {
  const int32_t* stamps = level.stamp.stamps;
  int32_t count = level.liveBoxes, found = 0;
  for (int32_t i = 0; i < count; i++) {
    int32_t box = s.boxes[i];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t o = level.offset[d], pull = box + o;
      if (stamps[pull] != s.generation || s.board[pull + o] != FreeCell) continue;
      int32_t run = pull_run_length(s, level, box, d);
      if (run == 0) continue;
      int32_t f = cost + s.distance[pull] + run;
      if (s.bestCost != 0 && f >= s.bestCost) continue;
      int32_t moved = box + run * o;
      s.boxes[i] = moved;
      bool keep = level.ReachMask[box] == level.ReachMask[moved] || boxes_matchable(level, s.boxes);
      if (keep) {
        Child& child = s.children[found++];
        child = Child{i, box, moved, moved + o, f, home_slot(moved + o, s.boxes, count)};
        prefetch_slot(table, child.home);
      }
      s.boxes[i] = box;
    }
  }
  return found;
}

// Looks up one child and creates, improves or leaves its record.
int32_t visit_child(SearchState& s, const Level& level, SearchTables& t, const Child& child,
                    uint32_t parent) {
  int32_t count = level.liveBoxes;
  uint32_t slot = lookup_node(t.table, child.home, child.keeper, s.board, count);
  SearchNode& node = t.table.slots[slot];
  if (node_keeper(node) == 0) {
    // A cost that the record cannot hold ends the solve as a full table does.
    if (s.nodes >= NodeLimit || child.cost > CostLimit) return TableFull;
    if (!queue_insert(t.queue, slot, child.cost)) return QueueFull;
    s.nodes++;
    fill_node(t.table, slot, s.boxes, count, child.keeper, parent, child.cost);
    return SearchGoesOn;
  }
  int32_t old = node_cost(node);
  if (old > child.cost) {
    if (!queue_rekey(t.queue, t.table.slots, slot, child.cost)) return QueueFull;
    set_cost_parent(node, child.cost, parent);
  }
  return SearchGoesOn;
}

int32_t visit_children(SearchState& s, const Level& level, SearchTables& t, int32_t found,
                       uint32_t parent) {
  for (int32_t k = 0; k < found; k++) {
    const Child& child = s.children[k];
    s.board[child.from] = FreeCell;
    s.board[child.to] = BoxCell;
    s.boxes[child.box] = child.to;
    int32_t status = visit_child(s, level, t, child, parent);
    s.board[child.to] = FreeCell;
    s.board[child.from] = BoxCell;
    s.boxes[child.box] = child.from;
    if (status != SearchGoesOn) return status;
  }
  return SearchGoesOn;
}

}  // namespace

int32_t reserve_search_tables() {
  if (reserved) return 1;
  void* nodes = vk::os_reserve(NodeBytes);
  if (!nodes) return 0;
  void* entries = vk::os_reserve(QueueBytes);
  if (!entries) {
    vk::os_release(nodes, NodeBytes);
    return 0;
  }
  tables.table.slots = static_cast<SearchNode*>(nodes);
  tables.queue.entries = static_cast<uint32_t*>(entries);
  reserved = true;
  return 1;
}

SearchTables* search_tables() { return reserved ? &tables : nullptr; }

const char* solve_status_word(int32_t status) {
  switch (status) {
    case Unsolvable: return "Impossible";
    case TableFull: return "Failed(C)";
    case QueueFull: return "Failed(Q)";
    case SolveCanceled: return "Canceled";
    case Solved: return "Solved";
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
  return read_level(level, workDir, n);
}

int32_t pull_run_length(const SearchState& search, const Level& level, int32_t box,
                        int32_t direction) {
  // The box is carried on over no-rest cells; every cell the keeper steps
  // back onto must be free.
  int32_t o = level.offset[direction];
  int32_t n = 1, to = box + o, keeper = box + 2 * o;
  while (search.noRest[to]) {
    if (search.board[keeper] != FreeCell) return 0;
    to += o;
    keeper += o;
    n++;
  }
  return search.board[keeper] == FreeCell ? n : 0;
}

int32_t expand(Solver& solver, Level& level, SearchTables& t) {
  SearchState& s = solver.search;
  uint32_t r = queue_pop(t.queue, t.table.slots, s.bestCost);
  if (r == NoSlot) return s.bestRecord != NoSlot ? Solved : Unsolvable;
  const SearchNode& node = t.table.slots[r];
  int32_t cost = t.queue.cost, keeper = node_keeper(node), count = level.liveBoxes;
  int32_t onStart = 0;
  for (int32_t i = 0; i < count; i++) {
    int32_t c = node.boxes[i];
    s.boxes[i] = c;
    s.board[c] = BoxCell;
    if (level.BoxStartMap[c]) onStart++;
  }
  measure_walks(s, level, keeper);
  // The goal test records a solution; the record is still expanded, since a
  // shorter solution may pass through this position.
  if (onStart == count && level.stamp.stamps[level.KeeperStart] == s.generation) {
    int32_t length = cost + s.distance[level.KeeperStart];
    if (s.bestRecord == NoSlot || length < s.bestCost) {
      s.bestCost = length;
      s.bestRecord = r;
    }
  }
  int32_t found = collect_children(s, level, t.table, cost);
  int32_t status = visit_children(s, level, t, found, r);
  for (int32_t i = 0; i < count; i++) s.board[s.boxes[i]] = FreeCell;
  return status;
}

int32_t solve(Solver& solver, Level& level) {
  SearchState& s = solver.search;
  s.startMs = vk::os_clock_ms();
  solver.progress.seconds.store(0, std::memory_order_relaxed);
  solver.solutionLength = 0;
  if (solver.trace) solver.trace[0] = '\0';
  s.nodes = 0;
  s.bestCost = 0;
  s.bestRecord = NoSlot;
  // Without its tables the search cannot hold a single record.
  if (!reserve_search_tables()) return TableFull;
  SearchTables& t = tables;
  clear_node_table(t.table);
  reset_queue(t.queue);
  publish(solver, t);

  int32_t onStart = set_up_board(s, level);
  bool startSolved = onStart == level.liveBoxes;
  if (!solver.beginWithEnd && startSolved) return Solved;
  // From a solved start the only way out and back may lead the box across a
  // tunnel cell, so such a solve stops boxes only where no box can go.
  s.noRest = startSolved ? level.NoReachMap : level.NoRestMap;
  seed(s, level, t);
  for (int32_t i = 0; i < level.liveBoxes; i++) s.board[s.boxes[i]] = FreeCell;

  int32_t status;
  for (;;) {
    status = expand(solver, level, t);
    publish(solver, t);
    solver.progress.seconds.store(int32_t((vk::os_clock_ms() - s.startMs) / 1000),
                                  std::memory_order_relaxed);
    if (solver.cancel.load(std::memory_order_relaxed)) return SolveCanceled;
    if (status != SearchGoesOn) break;
  }
  if (status == Solved) {
    build_trace(solver, level, t.table);
    solver.solutionLength = s.bestCost;
  }
  return status;
}
