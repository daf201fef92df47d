// Box reach: where each live box can be pushed on an otherwise empty Board,
// and the test that a state's boxes can each be traced to their own start.
#include "level/level_internal.h"

namespace vk {

namespace {

// Each entry adds at least one new side bit to its cell, so a cell enters
// the queue at most once per side, plus the box's own start.
constexpr int32_t ReachQueueCapacity = Directions * MaxArea + 1;

struct ReachEntry {
  int32_t cell;
  int32_t sides;  // KeeperSides: bit 1 << d when the keeper can stand at cell + offset[d]
};

// The keeper's reach with a box on boxCell, as the sides of the box it can
// stand on.
int32_t keeper_sides(Level& level, int32_t boxCell, int32_t keeperCell) {
  level.BlockMap[boxCell] = CellBox;
  int32_t generation = next_generation(level.reachStamp);
  flood_fill(level, level.BlockMap, keeperCell, level.reachStamp.stamps, generation);
  level.BlockMap[boxCell] = MapOpen;
  int32_t sides = 0;
  for (int32_t d = 0; d < Directions; d++) {
    int32_t n = boxCell + level.offset[d];
    if (n >= 0 && n < level.area && level.reachStamp.stamps[n] == generation) sides |= 1 << d;
  }
  return sides;
}

}  // namespace

void box_reach(Level& level, int32_t* sides, int32_t boxCell, int32_t keeperCell) {
  ReachEntry queue[ReachQueueCapacity];
  int32_t head = 0;
  int32_t tail = 0;
  int32_t start = keeper_sides(level, boxCell, keeperCell);
  sides[boxCell] = start;
  queue[tail++] = {boxCell, start};
  while (head < tail) {
    ReachEntry e = queue[head++];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t bit = 1 << d;
      if (!(e.sides & bit)) continue;
      // The keeper at cell + offset pushes the box the other way.
      int32_t n = e.cell - level.offset[d];
      if (!open_cell(level, n) || (sides[n] & bit)) continue;
      int32_t t = keeper_sides(level, n, e.cell);
      sides[n] |= t;
      queue[tail++] = {n, t};
    }
  }
}

void build_reach_masks(Level& level) {
  int32_t reached[MaxArea];
  int32_t sides[MaxArea];
  for (int32_t c = 0; c < level.area; c++) {
    level.ReachMask[c] = 0;
    level.NoReachMap[c] = 0;
    reached[c] = 0;
  }
  int32_t k = 0;
  for (int32_t b = 0; b < level.area; b++) {
    if (level.BoxStartMap[b] != CellBox) continue;
    for (int32_t c = 0; c < level.area; c++) sides[c] = 0;
    box_reach(level, sides, b, level.KeeperStart);
    for (int32_t c = 0; c < level.area; c++) {
      if (sides[c] == 0) continue;
      level.ReachMask[c] |= 1 << k;
      reached[c] = 1;
    }
    k++;
  }
  // No box ever comes to rest where none can be pushed; these marks are
  // also kept apart from the tunnel marks for solves that must ignore those.
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != MapOpen || reached[c]) continue;
    level.NoReachMap[c] = 1;
    level.NoRestMap[c] = 1;
  }
}

int32_t assign_from(const int32_t* masks, int32_t count, int32_t depth, int32_t used) {
  if (depth == count) return 1;
  int32_t candidates = masks[depth] & ~used;
  while (candidates) {
    int32_t bit = candidates & -candidates;  // the lowest start left
    if (assign_from(masks, count, depth + 1, used | bit)) return 1;
    candidates &= candidates - 1;
  }
  return 0;
}

namespace {

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

int32_t boxes_matchable(const Level& level, const int32_t* boxes) {
  int32_t count = level.liveBoxes;
  if (count > GuidedMaxBoxes) return 0;
  int32_t masks[GuidedMaxBoxes], owner[GuidedMaxBoxes];
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

int32_t boxes_assignable(const Level& level, const int32_t* boxes) {
  int32_t count = level.liveBoxes;
  // Above MaxBoxes the backtracking may try every order of the starts.
  if (count > MaxBoxes) return boxes_matchable(level, boxes);
  int32_t masks[MaxBoxes] = {};
  for (int32_t i = 0; i < count; i++) masks[i] = level.ReachMask[boxes[i]];
  return assign_from(masks, count, 0, 0);
}

}  // namespace vk
