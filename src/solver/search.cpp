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

namespace vk {

namespace {

static_assert(int64_t(TableSlots) * int64_t(sizeof(SearchNode)) +
                      int64_t(BucketCount) * BucketCapacity * int64_t(sizeof(uint32_t)) ==
                  DefaultMemory,
              "the two default tables take 608,000,000 bytes");

// The process's tables, for solvers that name none.
SearchTables processTables;

// A solve that has grown this far asks for huge pages on its tables: from
// here on the walk through the big table misses the TLB on nearly every
// record, while a small solve would pay 2 MiB of zeroing for each of its
// few hundred first touches.
constexpr int32_t HugePageNodes = 1 << 17;

size_t node_bytes(const SearchTables& t) { return size_t(t.table.slotCount) * sizeof(SearchNode); }
size_t queue_bytes(const SearchTables& t) {
  return size_t(BucketCount) * size_t(t.queue.capacity) * sizeof(uint32_t);
}

void ask_for_huge_pages(SearchTables& t) {
  if (t.hugePages) return;
  t.hugePages = 1;
  vk::os_advise_huge(t.table.slots, node_bytes(t));
  vk::os_advise_huge(t.queue.entries, queue_bytes(t));
}

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

// Marks the cells whose walk distance this expansion needs: every cell from
// which the keeper could pull a box (the cell beyond it free), and the
// keeper's start when the goal test needs it. Returns how many there are.
int32_t mark_targets(SearchState& s, const Level& level, int32_t count, bool wantStart) {
  int32_t targets = 0;
  for (int32_t i = 0; i < count; i++) {
    for (int32_t d = 0; d < Directions; d++) {
      int32_t o = level.offset[d], pull = s.boxes[i] + o;
      if (s.board[pull] != FreeCell || s.board[pull + o] != FreeCell) continue;
      if (s.target[pull] == s.generation) continue;
      s.target[pull] = s.generation;
      targets++;
    }
  }
  if (wantStart && s.target[level.KeeperStart] != s.generation) {
    s.target[level.KeeperStart] = s.generation;
    targets++;
  }
  return targets;
}

// One breadth-first search from the keeper over free cells: stamps the reach
// with a fresh generation and leaves the walk distance of every cell met. It
// stops once every target cell has its distance: a breadth-first search
// meets each cell first at its shortest distance, and no other cell's reach
// or distance is read in this expansion.
void measure_walks(SearchState& s, Level& level, int32_t keeper, int32_t count, bool wantStart) {
  int32_t generation = next_generation(level.stamp);
  int32_t* stamps = level.stamp.stamps;
  const int32_t* offset = level.offset;
  // The stamp generation restarted: old target marks could pass for new.
  if (generation < s.generation) std::memset(s.target, 0, sizeof s.target);
  s.generation = generation;
  int32_t left = mark_targets(s, level, count, wantStart);
  stamps[keeper] = generation;
  s.distance[keeper] = 0;
  if (s.target[keeper] == generation) left--;
  s.cells[0] = keeper;
  int32_t head = 0, tail = 1;
  while (head < tail && left > 0) {
    int32_t c = s.cells[head++];
    int32_t next = s.distance[c] + 1;
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + offset[d];
      if (s.board[n] != FreeCell || stamps[n] == generation) continue;
      stamps[n] = generation;
      s.distance[n] = next;
      s.cells[tail++] = n;
      if (s.target[n] == generation) left--;
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
    s.board[c] = c < level.area && level.BlockMap[c] == MapOpen ? FreeCell : BlockedCell;
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
      uint32_t root =
          lookup_node(t.table, home_slot(t.table, pull, s.boxes, count), pull, s.board, count);
      fill_node(t.table, root, s.boxes, count, pull, NoParent, 0);
      int32_t moved = box + run * o, keeper = moved + o;
      s.board[box] = FreeCell;
      s.board[moved] = BoxCell;
      s.boxes[i] = moved;
      uint32_t slot =
          lookup_node(t.table, home_slot(t.table, keeper, s.boxes, count), keeper, s.board, count);
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
        child = Child{i, box, moved, moved + o, f, home_slot(table, moved + o, s.boxes, count)};
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
  if (!slot_used(t.table, slot)) {
    // A cost that the record cannot hold ends the solve as a full table does.
    if (s.nodes >= t.nodeLimit || child.cost > CostLimit) return SolveTableFull;
    // The queue writes the record's position, so the record comes first; a
    // failed insert ends the solve, and the record dies with it.
    fill_node(t.table, slot, s.boxes, count, child.keeper, parent, child.cost);
    if (!queue_insert(t.queue, slot, child.cost)) return SolveQueueFull;
    if (++s.nodes == HugePageNodes) ask_for_huge_pages(t);
    return SolveGoesOn;
  }
  int32_t old = node_cost(node);
  if (old > child.cost) {
    if (!queue_rekey(t.queue, slot, child.cost)) return SolveQueueFull;
    set_cost_parent(node, child.cost, parent);
  }
  return SolveGoesOn;
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
    if (status != SolveGoesOn) return status;
  }
  return SolveGoesOn;
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

void release_tables(SearchTables& t) {
  if (t.bytes == 0) return;
  vk::os_release(t.table.slots, node_bytes(t));
  vk::os_release(t.queue.entries, queue_bytes(t));
  t = SearchTables{};
}

int32_t reserve_tables(SearchTables& t, int64_t bytes) {
  release_tables(t);
  TableSize size = table_size(bytes);
  size_t nodes = size_t(size.slots) * sizeof(SearchNode);
  size_t entries = size_t(BucketCount) * size_t(size.bucketCapacity) * sizeof(uint32_t);
  void* slots = vk::os_reserve(nodes);
  if (!slots) return 0;
  void* queue = vk::os_reserve(entries);
  if (!queue) {
    vk::os_release(slots, nodes);
    return 0;
  }
  t.table.slots = static_cast<SearchNode*>(slots);
  t.table.slotCount = uint32_t(size.slots);
  t.table.generation = 0;
  t.queue.entries = static_cast<uint32_t*>(queue);
  t.queue.capacity = size.bucketCapacity;
  t.queue.slots = t.table.slots;
  t.nodeLimit = size.nodeLimit;
  t.bytes = bytes;
  t.hugePages = 0;
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

int32_t expand_record(Solver& solver, Level& level, SearchTables& t) {
  SearchState& s = solver.search;
  uint32_t r = queue_pop(t.queue, s.bestCost);
  if (r == NoSlot) return s.bestRecord != NoSlot ? SolveSolved : SolveImpossible;
  const SearchNode& node = t.table.slots[r];
  int32_t cost = t.queue.cost, keeper = node_keeper(node), count = level.liveBoxes;
  int32_t onStart = 0;
  for (int32_t i = 0; i < count; i++) {
    int32_t c = node_box(node, i);
    s.boxes[i] = c;
    s.board[c] = BoxCell;
    if (level.BoxStartMap[c]) onStart++;
  }
  measure_walks(s, level, keeper, count, onStart == count);
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

int32_t solve_level(Solver& solver, Level& level) {
  SearchState& s = solver.search;
  s.startMs = vk::os_clock_ms();
  solver.progress.seconds.store(0, std::memory_order_relaxed);
  solver.solutionLength = 0;
  if (solver.trace) solver.trace[0] = '\0';
  s.nodes = 0;
  s.bestCost = 0;
  s.bestRecord = NoSlot;
  // Target marks are compared with this level's stamp generations only.
  std::memset(s.target, 0, sizeof s.target);
  s.generation = 0;
  // Without its tables the search cannot hold a single record.
  SearchTables& t = solver.tables ? *solver.tables : processTables;
  if (t.bytes == 0 && (solver.tables || !reserve_search_tables())) return SolveTableFull;
  clear_node_table(t.table);
  reset_queue(t.queue);
  publish(solver, t);

  int32_t onStart = set_up_board(s, level);
  bool startSolved = onStart == level.liveBoxes;
  if (!solver.beginWithEnd && startSolved) return SolveSolved;
  // From a solved start the only way out and back may lead the box across a
  // tunnel cell, so such a solve stops boxes only where no box can go.
  s.noRest = startSolved ? level.NoReachMap : level.NoRestMap;
  seed(s, level, t);
  for (int32_t i = 0; i < level.liveBoxes; i++) s.board[s.boxes[i]] = FreeCell;

  int32_t status;
  for (;;) {
    status = expand_record(solver, level, t);
    publish(solver, t);
    solver.progress.seconds.store(int32_t((vk::os_clock_ms() - s.startMs) / 1000),
                                  std::memory_order_relaxed);
    if (solver.cancel.load(std::memory_order_relaxed)) return SolveCanceled;
    if (status != SolveGoesOn) break;
  }
  if (status == SolveSolved) {
    build_trace(solver, level, t.table);
    solver.solutionLength = s.bestCost;
  }
  return status;
}

}  // namespace vk
