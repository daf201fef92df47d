// An independent check of minimal move counts: a forward best-first search
// over (keeper cell, box set) with ordinary pushes, each keeper step one
// move, ordered by the moves so far plus a lower bound of the moves left
// (the cheapest assignment of boxes to goals by push distances on the empty
// board). Simple on purpose, and sharing nothing with the solver; it proves
// minima of levels of up to OracleMaxBoxes boxes within its state cap.
#pragma once

#include <cstdint>

#include "level/level.h"

namespace vk {

constexpr int32_t OracleUnsolvable = -1;
constexpr int32_t OracleGaveUp = -2;   // more states than the cap, or too many boxes
constexpr int32_t OracleStateCap = 2000000;
constexpr int32_t OracleMaxBoxes = 20;

// Which board the search runs on.
enum OracleBoard : int32_t {
  // As the reader leaves it for the solver: BlockMap walls (frozen boxes and
  // filled dead ends included), BoxStartMap boxes, GoalMap goals.
  OracleReduced = 0,
  // As the level was written: walls of the Board, every box a box, every
  // goal a goal. Works on any parsed level, also one found impossible.
  OracleRaw = 1,
};

// Minimum number of moves from the level's start to every box on a goal;
// OracleUnsolvable or OracleGaveUp otherwise. With atLeastOnePush the
// solution must push at least once, as when the search begins with the end
// position. stateCap bounds the distinct states stored; states, when given,
// receives how many were stored.
int32_t oracle_min_moves(const Level& level, int32_t atLeastOnePush = 0,
                         OracleBoard board = OracleReduced,
                         int32_t stateCap = OracleStateCap, int64_t* states = nullptr);

}  // namespace vk
