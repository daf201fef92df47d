// The guided search's lower bound: for a state S (boxes, keeper) that the
// backward search has reached, a number h(S) of moves that every forward
// play from the start position to S needs at least. The guided search
// orders its queue by cost + h, and its cut-off and stop test compare that
// sum with the best solution, while the cost stays the exact move count.
//
// Notes on the bound.
//
// 1. Groups. With one box alone on the board at cell c, the open floor but c
//    falls into parts; the box's group is the part the keeper is in, named
//    by the least direction of a neighbour of c in that part (every part
//    touches c, since the floor is connected). While a box stands still the
//    keeper never crosses its cell, so the box's group does not change,
//    however the keeper walks or pushes other boxes.
// 2. Push distances. pushes[c][g][k] is the fewest pushes that bring box k
//    from its start cell, with the keeper in the group it has at the start,
//    to cell c with the keeper in group g, in the game of that box alone: a
//    push from c towards c - o is allowed when the neighbour c + o lies in
//    the keeper's group and c - o is open, and the keeper then stands on c.
//    Every push of the real game, and every walk between two pushes of the
//    same box, is a step of that game (other boxes only stop the keeper
//    more), so a box that came from start k to c with the keeper in group g
//    was pushed at least pushes[c][g][k] times.
// 3. The assignment. The boxes of S came from distinct start cells, so a
//    play that reaches S pushes at least P(S) times, the least sum of
//    pushes[c][g][k] over the one-to-one assignments of starts k to the
//    boxes (c, g) of S (the Hungarian method). No finite assignment: S
//    cannot be reached, and the search drops it.
// 4. The opening walk. A play that pushes at all first walks the keeper from
//    its start, on the start board, to a cell beside a start box whose far
//    side is free: at least `opening` steps, the least such walk. These
//    steps push nothing, so they add to P(S). So
//        h(S) = opening + P(S)      when P(S) >= 1 (note 7 adds a step),
//    and when P(S) = 0 (every box on a start cell with the keeper in its
//    start group) a play may reach S by a walk alone, or push at least once:
//        h(S) = opening + 1  if the keeper's cell lies farther than
//                            `opening` from the keeper's start by rows and
//                            columns, else h(S) = opening.
//    Every record's keeper stands beside the box it last pulled, on a cell
//    from which that box can be pushed back: with every box on a start cell
//    it is a first push position of the start board, so the walk to it from
//    the keeper's start takes at least `opening` steps. A record that meets
//    the goal test has P = 0 (the keeper shares each box's part with the
//    keeper's start), so h never exceeds the walk left to the keeper's start.
// 5. Why h falls by at most the cost of one step. A step of the backward
//    search takes S to S' by a walk of w and a pull run of n; played forward
//    it leads from S' to S by n pushes of one box and the walk. The other
//    boxes keep their cells and groups (note 1); the pushes are n steps of
//    the moved box's game (note 2). So the assignment best for S' serves S
//    at a sum at most n larger: P(S) <= P(S') + n. Where P(S) and P(S') are
//    both at least 1, h(S) <= h(S') + n. Where P(S) = 0, h(S) <= opening + 1
//    <= h(S') + n. Where P(S') = 0, h(S') >= opening and P(S) <= n, so h(S)
//    <= h(S') + n. In every case h(S) <= h(S') + w + n: cost + h never falls
//    along a step, a record's cost is final when it is handed out, and the
//    guided search finds the same minimum as the plain one.
// 6. Parity. Every move takes the keeper to a cell of the other colour of a
//    chessboard, so every play from the start to S has the parity of the
//    keeper's distance by rows and columns from its start to its cell. h is
//    raised by one where its parity differs: still no more than any such
//    play, and since h(S') + w + n has S's parity and is at least the old
//    h(S), it is at least the raised one, so note 5 still holds.
// 7. The first walk. Seen from the search, the moves that remain from S
//    with P(S) >= 1 begin with a walk to the next pull and end with the
//    opening walk (played forward, the first), and at least one pull lies
//    between them. h adds firstWalk, a least length of that first walk:
//    1 when the keeper cannot pull a box from where it stands (no pull run
//    of length above 0), else 0, when a child is made; the walk to the
//    nearest cell it can pull from when the record's own walk is measured
//    (the search then queues the record again if its value grew). Note 5
//    still holds: firstWalk(S) never exceeds the walk w of a step from S,
//    and firstWalk(S') >= 0.
// 8. The pattern table. The push bound counts walks only at the two ends,
//    while most moves of a tight level walk the keeper round boxes. The
//    pattern table (pattern.cpp) gives, for any few of S's boxes and the
//    keeper, the fewest moves of the game of those boxes alone, walks and
//    all: no more than any play to S needs, and falling by at most w + n
//    along a step, each for the reasons its notes give. The larger of two
//    bounds that each hold so holds so too: h(S) is the larger of the push
//    bound above and the table's figure.
#include "solver/search_internal.h"

namespace vk {

namespace {

// Names the parts of the floor around each open cell (note 1): from each
// neighbour not yet named, a walk with the cell blocked names every
// neighbour it meets after the first.
void measure_sides(Bound& bound, const Level& level) {
  int32_t queue[MaxArea], seen[MaxArea];
  for (int32_t c = 0; c < MaxArea; c++) seen[c] = -1;
  for (int32_t c = 0; c < level.area; c++) {
    for (int32_t d = 0; d < Directions; d++) bound.side[c][d] = -1;
    if (!open_cell(level, c)) continue;
    for (int32_t first = 0; first < Directions; first++) {
      int32_t from = c + level.offset[first];
      if (!open_cell(level, from) || bound.side[c][first] >= 0) continue;
      // seen holds the walk's mark, the cell c * Directions + first, so no
      // clearing is needed between walks.
      const int32_t mark = c * Directions + first;
      int32_t head = 0, tail = 0;
      seen[from] = mark;
      queue[tail++] = from;
      while (head < tail) {
        int32_t at = queue[head++];
        for (int32_t d = 0; d < Directions; d++) {
          int32_t n = at + level.offset[d];
          if (n == c || !open_cell(level, n) || seen[n] == mark) continue;
          seen[n] = mark;
          queue[tail++] = n;
        }
      }
      for (int32_t d = first; d < Directions; d++)
        if (seen[c + level.offset[d]] == mark) bound.side[c][d] = int8_t(first);
    }
  }
}

// Breadth-first search of box k's game alone (note 2) from its start cell.
void measure_pushes(Bound& bound, const Level& level, int32_t k, int32_t start) {
  struct Place {
    int32_t cell, group;
  };
  static_assert(sizeof(Place) == 8, "a place is two cells' worth");
  Place queue[MaxArea * Directions];
  auto pushes = [&bound, k](int32_t c, int32_t g) -> int32_t& { return bound.pushes[c][g][k]; };
  for (int32_t c = 0; c < MaxArea; c++)
    for (int32_t g = 0; g < Directions; g++) pushes(c, g) = Unreached;
  int32_t head = 0, tail = 0;
  int32_t group = keeper_group(bound, level, start, level.KeeperStart);
  pushes(start, group) = 0;
  queue[tail++] = {start, group};
  while (head < tail) {
    Place p = queue[head++];
    for (int32_t d = 0; d < Directions; d++) {
      // The keeper on side d pushes the box the other way and steps onto c.
      int32_t o = level.offset[d], to = p.cell - o;
      if (bound.side[p.cell][d] != p.group || !open_cell(level, to)) continue;
      int32_t g = bound.side[to][d];
      if (pushes(to, g) != Unreached) continue;
      pushes(to, g) = pushes(p.cell, p.group) + 1;
      queue[tail++] = {to, g};
    }
  }
}

bool free_at_start(const Level& level, int32_t cell) {
  return open_cell(level, cell) && level.BoxStartMap[cell] == 0;
}

// The keeper's least walk on the start board to a cell from which it can
// push a start box (note 4); 0 when it can push none, for then no state is
// ever reached and any figure holds.
int32_t measure_opening(const Level& level) {
  int32_t queue[MaxArea], steps[MaxArea];
  for (int32_t c = 0; c < MaxArea; c++) steps[c] = -1;
  int32_t head = 0, tail = 0;
  steps[level.KeeperStart] = 0;
  queue[tail++] = level.KeeperStart;
  while (head < tail) {
    int32_t c = queue[head++];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t o = level.offset[d];
      if (level.BoxStartMap[c + o] != 0 && free_at_start(level, c + 2 * o)) return steps[c];
    }
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + level.offset[d];
      if (!free_at_start(level, n) || steps[n] >= 0) continue;
      steps[n] = steps[c] + 1;
      queue[tail++] = n;
    }
  }
  return 0;
}

constexpr int32_t Infinite = 0x3FFFFFFF;

// Enters one row into an assignment of the other rows by the Hungarian
// method: the shortest augmenting path over costs reduced by the
// potentials, which stay feasible and tight on every assigned pair, so the
// assignment that results is a least one. Rows and columns count from 1;
// column 0 stands for the entering row.
void enter_row(Assignment& a, int32_t row) {
  int32_t least[GuidedMaxBoxes + 1], way[GuidedMaxBoxes + 1];
  bool used[GuidedMaxBoxes + 1] = {};
  for (int32_t j = 0; j <= a.count; j++) least[j] = Infinite;
  a.owner[0] = row;
  int32_t column = 0;
  do {
    used[column] = true;
    const int32_t i = a.owner[column];
    int32_t delta = Infinite, nextColumn = 0;
    for (int32_t j = 1; j <= a.count; j++) {
      if (used[j]) continue;
      int32_t reduced = a.cost[i - 1][j - 1] - a.rowPotential[i] - a.columnPotential[j];
      if (reduced < least[j]) {
        least[j] = reduced;
        way[j] = column;
      }
      if (least[j] < delta) {
        delta = least[j];
        nextColumn = j;
      }
    }
    for (int32_t j = 0; j <= a.count; j++) {
      if (used[j]) {
        a.rowPotential[a.owner[j]] += delta;
        a.columnPotential[j] -= delta;
      } else {
        least[j] -= delta;
      }
    }
    column = nextColumn;
  } while (a.owner[column] != 0);
  do {
    int32_t from = way[column];
    a.owner[column] = a.owner[from];
    column = from;
  } while (column != 0);
}

int32_t assigned_pushes(const Assignment& a) {
  int32_t sum = 0;
  for (int32_t j = 1; j <= a.count; j++) sum += a.cost[a.owner[j] - 1][j - 1];
  return sum;
}

int32_t distance_by_lines(const Level& level, int32_t a, int32_t b) {
  int32_t rows = a / level.width - b / level.width, columns = a % level.width - b % level.width;
  return (rows < 0 ? -rows : rows) + (columns < 0 ? -columns : columns);
}

}  // namespace

int32_t keeper_group(const Bound& bound, const Level& level, int32_t box, int32_t keeper) {
  for (int32_t d = 0; d < Directions; d++)
    if (box + level.offset[d] == keeper) return bound.side[box][d];
  int32_t queue[MaxArea], seen[MaxArea] = {};
  int32_t head = 0, tail = 0;
  seen[keeper] = 1;
  queue[tail++] = keeper;
  while (head < tail) {
    int32_t at = queue[head++];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = at + level.offset[d];
      if (n == box || !open_cell(level, n) || seen[n]) continue;
      for (int32_t e = 0; e < Directions; e++)
        if (box + level.offset[e] == n) return bound.side[box][e];
      seen[n] = 1;
      queue[tail++] = n;
    }
  }
  return 0;  // a keeper walled off from the box: no push is ever possible
}

void set_up_bound(Bound& bound, const Level& level, PatternRoom room) {
  measure_sides(bound, level);
  bound.starts = 0;
  for (int32_t c = 0; c < level.area && bound.starts < GuidedMaxBoxes; c++)
    if (level.BoxStartMap[c] != 0) measure_pushes(bound, level, bound.starts++, c);
  bound.opening = measure_opening(level);
  set_up_pattern(bound.pattern, bound, level, room);
}

namespace {

int32_t bound_of_pushes(const Bound& bound, const Level& level, int32_t pushes, int32_t keeper,
                        int32_t firstWalk) {
  if (pushes >= Unreached) return GuidedBoundLimit;
  const int32_t lines = distance_by_lines(level, keeper, level.KeeperStart);
  int32_t h = pushes > 0 ? bound.opening + pushes + firstWalk : bound.opening + (lines > bound.opening);
  // Note 6: the moves have the parity of the keeper's lines from its start.
  return h + ((h ^ lines) & 1);
}

// The larger of the push bound h and the pattern table's figure (note 8);
// h alone where it already reaches enough.
int32_t with_pattern(const Bound& bound, const Level& level, int32_t h, const int32_t* boxes,
                     int32_t keeper, int32_t enough) {
  if (h >= enough) return h;
  const int32_t m = pattern_moves(bound.pattern, boxes, level.liveBoxes, keeper, enough);
  return m > h ? m : h;
}

}  // namespace

int32_t assign_boxes(const Bound& bound, const Level& level, const int32_t* boxes,
                     uint32_t groups, int32_t keeper, int32_t firstWalk, Assignment& a) {
  // A warm start: each row's potential is its least cost, and a row whose
  // least column is still free takes it. Column potentials stay 0, so every
  // reduced cost is at least 0 and those pairs are tight; most rows are
  // placed so, and only the others enter by the Hungarian method. Column
  // potentials never grow from 0 and costs are not negative, so a row
  // entering with potential 0 (here, or in moved_bound) starts feasible.
  a.count = level.liveBoxes;
  for (int32_t j = 0; j <= a.count; j++) {
    a.rowPotential[j] = 0;
    a.columnPotential[j] = 0;
    a.owner[j] = 0;
  }
  int32_t waiting[GuidedMaxBoxes], waits = 0;
  for (int32_t i = 0; i < a.count; i++) {
    const int32_t group = int32_t(groups >> (GroupBits * i)) & ((1 << GroupBits) - 1);
    const int32_t* row = bound.pushes[boxes[i]][group];
    int32_t least = row[0], at = 0;
    for (int32_t k = 0; k < a.count; k++) {
      a.cost[i][k] = row[k];
      if (row[k] < least) {
        least = row[k];
        at = k;
      }
    }
    a.rowPotential[i + 1] = least;
    if (a.owner[at + 1] == 0)
      a.owner[at + 1] = i + 1;
    else
      waiting[waits++] = i + 1;
  }
  for (int32_t w = 0; w < waits; w++) enter_row(a, waiting[w]);
  // What every child's moved_bound reads, kept once here.
  a.sum = assigned_pushes(a);
  for (int32_t j = 1; j <= a.count; j++) a.column[a.owner[j] - 1] = j;
  return with_pattern(bound, level, bound_of_pushes(bound, level, a.sum, keeper, firstWalk), boxes,
                      keeper, GuidedBoundLimit);
}

int32_t moved_bound(const Bound& bound, const Level& level, Assignment& a, const int32_t* boxes,
                    int32_t box, int32_t cell, int32_t group, int32_t keeper, int32_t firstWalk,
                    int32_t enough) {
  // The moved box's row leaves with its column and enters again with its
  // new costs; the other rows keep their pairs and potentials. What the
  // entry changes is put back afterwards, for the next child.
  const int32_t n = a.count;
  // Most moves keep the box's start the cheapest for it against the other
  // columns' potentials: a row potential then makes the new costs feasible
  // and the old pair tight, and the assignment stays least.
  const int32_t column = a.column[box];
  const int32_t* to = bound.pushes[cell][group];
  const int32_t kept = to[column - 1] - a.columnPotential[column];
  bool stays = true;
  for (int32_t j = 1; j <= n && stays; j++) stays = to[j - 1] - a.columnPotential[j] >= kept;
  if (stays)
    return with_pattern(bound, level,
                        bound_of_pushes(bound, level, a.sum - a.cost[box][column - 1] +
                                                          to[column - 1], keeper, firstWalk),
                        boxes, keeper, enough);
  // The other rows' potentials and the moved row's least reduced cost
  // against them are feasible for the new costs, so their sum is a lower
  // bound of the new least sum (every assignment costs at least the sum of
  // any feasible potentials; the old ones summed to a.sum). Where that
  // lower figure already reaches enough the caller needs no more.
  int32_t least = Infinite;
  for (int32_t j = 1; j <= n; j++)
    if (to[j - 1] - a.columnPotential[j] < least) least = to[j - 1] - a.columnPotential[j];
  const int32_t lower =
      bound_of_pushes(bound, level, a.sum - a.rowPotential[box + 1] + least, keeper, firstWalk);
  if (lower >= enough) return lower;
  int32_t row[GuidedMaxBoxes], rows[GuidedMaxBoxes + 1], columns[GuidedMaxBoxes + 1],
      owners[GuidedMaxBoxes + 1];
  for (int32_t k = 0; k < n; k++) {
    row[k] = a.cost[box][k];
    a.cost[box][k] = to[k];
  }
  for (int32_t j = 0; j <= n; j++) {
    rows[j] = a.rowPotential[j];
    columns[j] = a.columnPotential[j];
    owners[j] = a.owner[j];
    if (j > 0 && a.owner[j] == box + 1) a.owner[j] = 0;
  }
  a.rowPotential[box + 1] = 0;
  enter_row(a, box + 1);
  const int32_t pushes = assigned_pushes(a);
  for (int32_t k = 0; k < n; k++) a.cost[box][k] = row[k];
  for (int32_t j = 0; j <= n; j++) {
    a.rowPotential[j] = rows[j];
    a.columnPotential[j] = columns[j];
    a.owner[j] = owners[j];
  }
  return with_pattern(bound, level, bound_of_pushes(bound, level, pushes, keeper, firstWalk), boxes,
                      keeper, enough);
}

int32_t state_bound(const Bound& bound, const Level& level, const int32_t* boxes, uint32_t groups,
                    int32_t keeper, int32_t firstWalk) {
  Assignment a;
  return assign_boxes(bound, level, boxes, groups, keeper, firstWalk, a);
}

}  // namespace vk
