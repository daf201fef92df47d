// The move trace: the best record's parent chain, walked from the start
// position to the solved one, turned into letters. Between two records the
// push run is replayed and the keeper's walk, which the search only counted,
// is found again.
#include <cstring>

#include "solver/search_internal.h"

namespace vk {

namespace {

struct TraceWriter {
  Solver& solver;
  SearchState& s;
  const Level& level;
};

void append_letter(TraceWriter& w, int32_t direction, bool push) {
  if (w.s.traceLength >= TraceCapacity) {
    w.solver.traceOver = 1;
    return;
  }
  if (w.solver.trace) {
    w.solver.trace[w.s.traceLength] = (push ? PushLetters : WalkLetters)[direction];
    w.solver.trace[w.s.traceLength + 1] = '\0';
  }
  w.s.traceLength++;
}

// The walk from from to to over the free cells of the replay board: marks
// grow outwards from the destination, and each step takes the first
// direction, in the fixed order, that comes one mark closer.
void emit_walk(TraceWriter& w, int32_t from, int32_t to) {
  if (from == to) return;
  SearchState& s = w.s;
  const int32_t* offset = w.level.offset;
  int32_t* mark = s.distance;
  std::memset(mark, 0, sizeof(s.distance));
  mark[to] = 1;
  s.cells[0] = to;
  int32_t head = 0, tail = 1, steps = 0;
  while (head < tail && steps == 0) {
    int32_t c = s.cells[head++];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + offset[d];
      if (n == from) {
        steps = mark[c];
        break;
      }
      if (s.board[n] != FreeCell || mark[n] != 0) continue;
      mark[n] = mark[c] + 1;
      s.cells[tail++] = n;
    }
  }
  int32_t at = from;
  for (int32_t left = steps; left > 0; left--) {
    for (int32_t d = 0; d < Directions; d++) {
      if (mark[at + offset[d]] != left) continue;
      append_letter(w, d, false);
      at += offset[d];
      break;
    }
  }
}

bool holds_cell(const SearchNode& node, int32_t count, int32_t cell) {
  for (int32_t i = 0; i < count; i++)
    if (node_box(node, i) == cell) return true;
  return false;
}

// The push run from record n (on the replay board, keeper at keeper) to its
// parent q; returns the keeper's cell after the run.
int32_t emit_push_run(TraceWriter& w, const SearchNode& n, const SearchNode& q, int32_t keeper) {
  int32_t count = w.level.liveBoxes;
  // The two states differ in exactly one box: old cell O, new cell E.
  int32_t from = -1, to = -1;
  for (int32_t i = 0; i < count; i++) {
    if (!holds_cell(q, count, node_box(n, i))) from = node_box(n, i);
    if (!holds_cell(n, count, node_box(q, i))) to = node_box(q, i);
  }
  int32_t d = 0;
  while (d < Directions && w.level.offset[d] != from - keeper) d++;
  if (from < 0 || to < 0 || d == Directions) return keeper;  // not a record of this search
  int32_t o = w.level.offset[d];
  w.s.board[from] = FreeCell;
  for (int32_t at = from, steps = 0; at != to && steps < w.level.area; at += o, steps++)
    append_letter(w, d, true);
  w.s.board[to] = BoxCell;
  return to - o;
}

}  // namespace

void build_trace(Solver& solver, const Level& level, SearchWork& work) {
  SearchState& s = work.search;
  const NodeTable& table = work.table;
  TraceWriter w{solver, s, level};
  s.traceLength = 0;
  if (solver.trace) solver.trace[0] = '\0';
  // The replay board starts as the start position.
  for (int32_t c = 0; c < level.area; c++)
    s.board[c] = level.BlockMap[c] != MapOpen ? BlockedCell
                 : level.BoxStartMap[c]    ? BoxCell
                                           : FreeCell;
  const SearchNode* record = &node_at(table, s.bestRecord);
  int32_t keeper = level.KeeperStart;
  emit_walk(w, keeper, node_keeper(*record));
  keeper = node_keeper(*record);
  while (node_parent(*record) != NoParent) {
    const SearchNode* parent = &node_at(table, node_parent(*record));
    keeper = emit_push_run(w, *record, *parent, keeper);
    emit_walk(w, keeper, node_keeper(*parent));
    keeper = node_keeper(*parent);
    record = parent;
  }
}

}  // namespace vk
