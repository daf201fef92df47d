// The guided search's pattern table: for every placing of a few boxes and
// the keeper, the fewest moves that lead there from the start position in
// the game of those boxes alone.
//
// Notes on the table.
//
// 1. The game of k boxes. Take k of the start boxes, take the others off
//    the board, and let the keeper play from its start cell. moves(B, c) is
//    the fewest moves (walks and pushes, each one) that bring some k start
//    boxes to the cells B with the keeper on c; the table holds it for every
//    B and c that a breadth-first search from every choice of k start boxes
//    reaches, and Unmet for the others.
// 2. Why it bounds the real game. Let a play of the real game lead from the
//    start position to a state S in T moves, and let B be any k of S's
//    boxes. Those boxes came from k start cells; with every other box taken
//    off, the keeper's path of the play is still a play of the game of
//    those k boxes: its pushes of them are pushes, its pushes of the others
//    are walks over cells now free, and nothing stands in its way that did
//    not before. So T >= moves(B, keeper), and T >= the largest such figure
//    over every k of S's boxes. A B that the table never met cannot be
//    reached in the real game either: no play leads to S.
// 3. Why it falls by at most the cost of a step. A step of the backward
//    search from S to S' (a walk of w and a pull run of n), played forward,
//    is w + n moves from S' to S in the real game, and so (note 2) in the
//    game of any k boxes: moves(B, keeper of S) <= moves(B', keeper of S')
//    + w + n, where B' are the same boxes in S'. Taking the largest on both
//    sides keeps it so. The figure is an exact move count, so it has the
//    parity of the keeper's lines from its start (note 6 of bound.cpp).
// 4. Size. The table has an entry for each k-set of the cells a box can
//    reach from a start (the push game of bound.cpp) and each cell of the
//    keeper, laid out keeper by keeper, so that every k-set of one state
//    is read from the keeper's slab. The largest k that fits PatternEntries
//    (and the memory handed in) is taken, up to PatternMaxBoxes.
#include <cstring>
#include "solver/search_internal.h"

namespace vk {

namespace {

// A state of the breadth-first search: the boxes' cells, sorted by their
// box index, and the keeper's cell, 11 bits each.
uint64_t pack_state(const int32_t* cells, int32_t k, int32_t keeper) {
  uint64_t packed = uint64_t(keeper);
  for (int32_t i = 0; i < k; i++) packed |= uint64_t(cells[i]) << (CellBits * (i + 1));
  return packed;
}

void unpack_state(uint64_t packed, int32_t k, int32_t* cells, int32_t& keeper) {
  keeper = int32_t(packed & field_mask(CellBits));
  for (int32_t i = 0; i < k; i++)
    cells[i] = int32_t((packed >> (CellBits * (i + 1))) & field_mask(CellBits));
}

uint64_t rank_of(const Pattern& p, const int32_t* cells) {
  uint64_t rank = 0;
  for (int32_t i = 0; i < p.boxes; i++) rank += p.choose[i + 1][p.boxIndex[cells[i]]];
  return rank;
}

// Marks and queues a state first met at moves: the boxes' set of rank, the
// keeper on keeper.
void meet(Pattern& p, uint64_t* queue, uint64_t& tail, const int32_t* cells, uint64_t rank,
          int32_t keeper, uint8_t moves) {
  uint8_t& entry = p.moves[uint64_t(p.keeperIndex[keeper]) * p.sets + rank];
  if (entry != Unmet) return;
  entry = moves;
  queue[tail++] = pack_state(cells, p.boxes, keeper);
}

// Sorts the k cells by box index (insertion: k is small).
void sort_cells(const Pattern& p, int32_t* cells, int32_t k) {
  for (int32_t i = 1; i < k; i++)
    for (int32_t j = i; j > 0 && p.boxIndex[cells[j]] < p.boxIndex[cells[j - 1]]; j--) {
      int32_t t = cells[j];
      cells[j] = cells[j - 1];
      cells[j - 1] = t;
    }
}

// Queues every choice of k start boxes with the keeper on its start cell.
void meet_starts(Pattern& p, const Level& level, const int32_t* starts, int32_t count,
                 uint64_t* queue, uint64_t& tail) {
  int32_t pick[PatternMaxBoxes];
  for (int32_t i = 0; i < p.boxes; i++) pick[i] = i;
  for (;;) {
    int32_t cells[PatternMaxBoxes];
    for (int32_t i = 0; i < p.boxes; i++) cells[i] = starts[pick[i]];
    sort_cells(p, cells, p.boxes);
    meet(p, queue, tail, cells, rank_of(p, cells), level.KeeperStart, 0);
    int32_t i = p.boxes - 1;
    while (i >= 0 && pick[i] == count - p.boxes + i) i--;
    if (i < 0) return;
    pick[i]++;
    for (int32_t j = i + 1; j < p.boxes; j++) pick[j] = pick[j - 1] + 1;
  }
}

// The breadth-first search of note 1. A walk keeps the boxes' rank; a push
// moves one box, which keeps its place in the order unless it passes
// another box's index.
void measure_moves(Pattern& p, const Level& level, const int32_t* starts, int32_t count,
                   uint64_t* queue) {
  uint64_t head = 0, tail = 0;
  meet_starts(p, level, starts, count, queue, tail);
  const int32_t k = p.boxes;
  while (head < tail) {
    int32_t cells[PatternMaxBoxes], keeper;
    unpack_state(queue[head++], k, cells, keeper);
    const uint64_t rank = rank_of(p, cells);
    const uint8_t moves = p.moves[uint64_t(p.keeperIndex[keeper]) * p.sets + rank];
    // Figures stop growing at PatternMostMoves: a smaller figure is still a
    // bound, and it changes by at most one a move.
    const uint8_t next = moves < PatternMostMoves ? uint8_t(moves + 1) : moves;
    for (int32_t d = 0; d < Directions; d++) {
      const int32_t o = level.offset[d], to = keeper + o;
      if (p.keeperIndex[to] < 0) continue;
      int32_t pushed = -1;
      for (int32_t i = 0; i < k; i++)
        if (cells[i] == to) pushed = i;
      if (pushed < 0) {
        meet(p, queue, tail, cells, rank, to, next);
        continue;
      }
      // A box can only be pushed where some box of the push game goes.
      const int32_t beyond = to + o;
      if (p.boxIndex[beyond] < 0) continue;
      bool taken = false;
      for (int32_t i = 0; i < k; i++) taken |= cells[i] == beyond;
      if (taken) continue;
      int32_t moved[PatternMaxBoxes];
      for (int32_t i = 0; i < k; i++) moved[i] = cells[i];
      moved[pushed] = beyond;
      sort_cells(p, moved, k);
      meet(p, queue, tail, moved, rank_of(p, moved), to, next);
    }
  }
}

}  // namespace

void set_up_pattern(Pattern& p, const Bound& bound, const Level& level, PatternRoom room) {
  p.boxes = 0;
  p.moves = nullptr;
  // The cells a box can reach, and the keeper's cells.
  int32_t boxCells = 0, keeperCells = 0;
  for (int32_t c = 0; c < MaxArea; c++) p.boxIndex[c] = p.keeperIndex[c] = -1;
  for (int32_t c = 0; c < level.area; c++) {
    if (!open_cell(level, c)) continue;
    p.keeperIndex[c] = int16_t(keeperCells++);
    bool reached = false;
    for (int32_t g = 0; g < Directions && !reached; g++)
      for (int32_t k = 0; k < bound.starts && !reached; k++)
        reached = bound.pushes[c][g][k] < Unreached;
    if (reached) p.boxIndex[c] = int16_t(boxCells++);
  }
  for (int32_t i = 0; i <= PatternMaxBoxes; i++)
    for (int32_t x = 0; x <= boxCells; x++)
      p.choose[i][x] = i == 0 ? 1 : x == 0 ? 0 : p.choose[i - 1][x - 1] + p.choose[i][x - 1];
  // The largest pattern that fits.
  uint64_t limit = PatternEntries;
  if (room.bytes < limit) limit = room.bytes;
  if (room.queueEntries < limit) limit = room.queueEntries;
  int32_t most = level.liveBoxes < PatternMaxBoxes ? level.liveBoxes : PatternMaxBoxes;
  for (int32_t k = most; k >= 1; k--) {
    const uint64_t entries = uint64_t(p.choose[k][boxCells]) * uint64_t(keeperCells);
    if (entries > 0 && entries <= limit) {
      p.boxes = k;
      p.sets = p.choose[k][boxCells];
      p.entries = entries;
      break;
    }
  }
  // The search starts from every choice of k start boxes, with the keeper
  // on its start cell: all of them must have entries.
  int32_t starts[GuidedMaxBoxes], count = 0;
  bool indexed = p.keeperIndex[level.KeeperStart] >= 0;
  for (int32_t c = 0; c < level.area && count < GuidedMaxBoxes; c++)
    if (level.BoxStartMap[c] != 0) {
      starts[count++] = c;
      indexed = indexed && p.boxIndex[c] >= 0;
    }
  if (p.boxes == 0 || room.moves == nullptr || !indexed) {
    p.boxes = 0;
    return;
  }
  p.moves = room.moves;
  std::memset(p.moves, Unmet, p.entries);
  measure_moves(p, level, starts, count, room.queue);
}

namespace {

int32_t max_of(int32_t a, int32_t b) { return a > b ? a : b; }
static_assert(PatternMaxBoxes == 3, "pattern_moves reads sets of one to three boxes");

}  // namespace

int32_t pattern_moves(const Pattern& p, const int32_t* boxes, int32_t count, int32_t keeper,
                      int32_t enough) {
  if (p.boxes == 0) return 0;
  int32_t index[GuidedMaxBoxes];
  const int32_t keeperIndex = p.keeperIndex[keeper];
  if (keeperIndex < 0) return 0;
  for (int32_t i = 0; i < count; i++) {
    // A box where no box of the push game goes cannot be reached at all.
    int32_t x = p.boxIndex[boxes[i]], j = i;
    if (x < 0) return GuidedBoundLimit;
    for (; j > 0 && index[j - 1] > x; j--) index[j] = index[j - 1];
    index[j] = x;
  }
  // Every k of the boxes, in order of box index, each k-set's rank the sum
  // of one binomial a box; the largest figure first reaching enough ends
  // the count, and Unmet, the largest byte, says no play reaches the state.
  const uint8_t* slab = p.moves + uint64_t(keeperIndex) * p.sets;
  uint32_t rank[PatternMaxBoxes][GuidedMaxBoxes];
  for (int32_t j = 0; j < p.boxes; j++)
    for (int32_t i = 0; i < count; i++) rank[j][i] = uint32_t(p.choose[j + 1][index[i]]);
  int32_t most = 0;
  if (p.boxes == 1) {
    for (int32_t a = 0; a < count && most < enough; a++) most = max_of(most, slab[rank[0][a]]);
  } else if (p.boxes == 2) {
    for (int32_t a = 0; a < count && most < enough; a++)
      for (int32_t b = a + 1; b < count; b++) most = max_of(most, slab[rank[0][a] + rank[1][b]]);
  } else {
    for (int32_t a = 0; a < count && most < enough; a++)
      for (int32_t b = a + 1; b < count; b++) {
        const uint8_t* pair = slab + rank[0][a] + rank[1][b];
        for (int32_t c = b + 1; c < count; c++) most = max_of(most, pair[rank[2][c]]);
      }
  }
  return most == Unmet ? GuidedBoundLimit : most;
}

}  // namespace vk
