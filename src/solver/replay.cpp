// An independent check of a reported solution: the trace is played forward
// from the level as written, with nothing but the ordinary push rules. It
// shares no code with the search, so a fault there cannot hide itself here.
#include "solver/solver.h"

namespace vk {

namespace {

enum ReplayCell : int8_t { ReplayFloor = 0, ReplayBox = 1, ReplayWall = 2 };

struct ReplayBoard {
  int8_t cells[MaxArea];
  int32_t width;
  int32_t area;
};

// The neighbour of cell in direction d, or -1 off the board.
int32_t step_from(const ReplayBoard& b, int32_t cell, int32_t d) {
  int32_t column = cell % b.width;
  switch (d) {
    case DirUp: return cell >= b.width ? cell - b.width : -1;
    case DirLeft: return column > 0 ? cell - 1 : -1;
    case DirDown: return cell + b.width < b.area ? cell + b.width : -1;
    default: return column + 1 < b.width ? cell + 1 : -1;
  }
}

}  // namespace

int32_t replay_solution(const Level& level, const char* trace, int32_t moves,
                        int32_t traceOver) {
  ReplayBoard b;
  b.width = level.width;
  b.area = level.area;
  // Walls, outside floor and boxes frozen on their goals stop the keeper.
  for (int32_t c = 0; c < b.area; c++) {
    int32_t v = level.cells[c];
    bool wall = v == CellWall || v == CellOutside || ((v & CellBox) && level.BlockMap[c] != MapOpen);
    b.cells[c] = wall ? ReplayWall : (v & CellBox) ? ReplayBox : ReplayFloor;
  }
  int32_t keeper = level.KeeperStart, length = 0;
  for (; trace[length] != '\0'; length++) {
    char letter = trace[length];
    int32_t push = 0;
    int32_t d = move_letter_direction(letter, push);
    if (d < 0 || b.area == 0) return 0;
    int32_t next = step_from(b, keeper, d);
    if (next < 0 || b.cells[next] == ReplayWall) return 0;
    if (b.cells[next] == ReplayBox) {
      int32_t beyond = step_from(b, next, d);
      if (!push || beyond < 0 || b.cells[beyond] != ReplayFloor) return 0;
      b.cells[beyond] = ReplayBox;
      b.cells[next] = ReplayFloor;
    } else if (push) {
      return 0;
    }
    keeper = next;
  }
  if (traceOver) return length == TraceCapacity ? 1 : 0;
  if (length != moves) return 0;
  for (int32_t c = 0; c < b.area; c++)
    if (b.cells[c] == ReplayBox && !(level.cells[c] & CellGoal)) return 0;
  return 1;
}

}  // namespace vk
