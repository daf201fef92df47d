// Dead squares: boxes that can never move, goals that can never be filled,
// blind corridors, and the one-cell corridors where a moved box never rests.
#include "level/level_internal.h"

namespace vk {

namespace {

// BlockMap working values while the analysis runs.
constexpr int32_t Unproven = 2;      // phase 1: a box not yet shown movable
constexpr int32_t Unfillable = 1;    // phase 2: a goal not yet shown fillable
constexpr int32_t KeeperMark = 4;    // phase 3: added on the keeper's start
constexpr int32_t SolveImpossible = 3;    // the analysis's result for a proven dead level

// Cells off the Board count as blocked.
int32_t block_at(const Level& level, int32_t cell) {
  return cell >= 0 && cell < level.area ? level.BlockMap[cell] : MapBlocked;
}

bool filled(const Level& level, int32_t cell, int32_t generation) {
  return cell >= 0 && cell < level.area && level.stamp.stamps[cell] == generation;
}

// A box is movable in a direction when the keeper can stand on that side
// and the other side is open.
bool box_can_move(const Level& level, int32_t cell, int32_t generation) {
  for (int32_t d = 0; d < Directions; d++) {
    int32_t o = level.offset[d];
    if (filled(level, cell + o, generation) && block_at(level, cell - o) == MapOpen) return true;
  }
  return false;
}

// One sweep of phase 1; the keeper's reach is refilled only here, so a box
// freed during the sweep opens the way for others only from the next one.
bool sweep_boxes(Level& level) {
  int32_t generation = next_generation(level.stamp);
  flood_fill(level, level.BlockMap, level.KeeperStart, level.stamp.stamps, generation);
  bool changed = false;
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] == Unproven && box_can_move(level, c, generation)) {
      level.BlockMap[c] = MapOpen;
      changed = true;
    }
  }
  return changed;
}

// Phase 1: a box that can never move is frozen when it stands on a goal,
// and proves the level unsolvable otherwise.
int32_t freeze_stuck_boxes(Level& level) {
  for (int32_t c = 0; c < level.area; c++) {
    if ((level.cells[c] & CellBox) && level.BlockMap[c] == MapOpen) level.BlockMap[c] = Unproven;
  }
  while (sweep_boxes(level)) {
  }
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != Unproven) continue;
    if (!(level.cells[c] & CellGoal)) return SolveImpossible;
    level.BlockMap[c] = MapBlocked;
  }
  return 0;
}

// A goal can be filled from a direction when a box can stand on the
// neighbour with the keeper behind it.
bool goal_can_fill(const Level& level, int32_t cell) {
  for (int32_t d = 0; d < Directions; d++) {
    int32_t o = level.offset[d];
    if (block_at(level, cell + o) == MapOpen && block_at(level, cell + 2 * o) == MapOpen) return true;
  }
  return false;
}

bool sweep_goals(Level& level) {
  bool changed = false;
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] == Unfillable && goal_can_fill(level, c)) {
      level.BlockMap[c] = MapOpen;
      changed = true;
    }
  }
  return changed;
}

// Phase 2: a box resting on a goal that no box can be pushed onto never
// needs to move; an empty such goal can never be filled.
int32_t freeze_unfillable_goals(Level& level) {
  for (int32_t c = 0; c < level.area; c++) {
    if ((level.cells[c] & CellGoal) && level.BlockMap[c] == MapOpen) level.BlockMap[c] = Unfillable;
  }
  while (sweep_goals(level)) {
  }
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != Unfillable) continue;
    if (!(level.cells[c] & CellBox)) return SolveImpossible;
    level.BlockMap[c] = MapBlocked;
  }
  return 0;
}

bool sweep_dead_ends(Level& level) {
  bool changed = false;
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != MapOpen) continue;
    int32_t walls = 0;
    for (int32_t d = 0; d < Directions; d++) {
      if (block_at(level, c + level.offset[d]) == MapBlocked) walls++;
    }
    if (walls >= 3) {
      level.BlockMap[c] = MapBlocked;
      changed = true;
    }
  }
  return changed;
}

// Phase 3: plain floor closed on three sides is a dead end, repeatedly, so
// blind corridors fill back to their mouths. Goals, boxes and the keeper's
// start are coded nonzero so that they stop the filling.
void fill_dead_ends(Level& level) {
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != MapOpen) continue;
    level.BlockMap[c] = (level.cells[c] & CellBox) + (level.cells[c] & CellGoal);
  }
  level.BlockMap[level.KeeperStart] += KeeperMark;
  while (sweep_dead_ends(level)) {
  }
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] != MapBlocked) level.BlockMap[c] = MapOpen;
  }
}

// Marks the cells of one-cell-wide runs along one line of the Board. base is
// the line's cell at position 0; along steps through the line, across steps
// to the cells beside it; positions 1 to count - 1 are visited.
void mark_line(Level& level, int32_t base, int32_t along, int32_t across, int32_t count) {
  bool inRun = false;
  int32_t first = 0;
  int32_t length = 0;
  for (int32_t i = 1; i < count; i++) {
    int32_t c = base + i * along;
    bool corridor = level.BlockMap[c] == MapOpen && block_at(level, c - across) != MapOpen &&
                    block_at(level, c + across) != MapOpen;
    if (corridor) {
      if (inRun) {
        level.NoRestMap[c] = 1;
        level.NoRestMap[c - along] = 1;
        length++;
      } else {
        first = c;
        length = 1;
      }
      inRun = true;
      continue;
    }
    if (!inRun) continue;
    inRun = false;
    if (length < 2) continue;
    int32_t last = c - along;
    // A live box must be able to rest where it starts.
    for (int32_t r = first; r != c; r += along) {
      if (level.BoxStartMap[r] != 0) level.NoRestMap[r] = 0;
    }
    // An end cell stays a rest when a box can leave the run beyond it.
    if (block_at(level, c + along) == MapOpen) level.NoRestMap[last] = 0;
    if (block_at(level, first - 2 * along) == MapOpen) level.NoRestMap[first] = 0;
  }
}

}  // namespace

int32_t analyse_dead_squares(Level& level) {
  if (freeze_stuck_boxes(level) != 0) return SolveImpossible;
  if (freeze_unfillable_goals(level) != 0) return SolveImpossible;
  fill_dead_ends(level);
  return 0;
}

void mark_tunnels(Level& level) {
  int32_t width = level.width;
  int32_t height = level.height;
  for (int32_t c = 0; c < level.area; c++) level.NoRestMap[c] = 0;
  if (height >= 3 && width >= 2) {
    for (int32_t row = 1; row <= height - 2; row++) mark_line(level, row * width, 1, width, width);
  }
  if (width >= 3 && height >= 2) {
    for (int32_t column = 1; column <= width - 2; column++) {
      mark_line(level, column, width, 1, height);
    }
  }
}

}  // namespace vk
