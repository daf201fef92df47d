// A second, deliberately plain implementation of the minimum-moves search and
// its move trace, written step by step from the search's rules with standard
// containers and no speed tricks. The real solver must print the same
// figures (node count, queue-fill indicator, moves, trace) for every level;
// tests compare the two on many levels.
#pragma once

#include <cstdint>
#include <string>

#include "level/level.h"

namespace vk {

struct ReferenceResult {
  int32_t status = 0;  // 4, 5, 6 or 8 as the solver's SolveStatus
  int32_t nodes = 0;
  int32_t queue = 0;
  int32_t moves = 0;
  int32_t traceOver = 0;
  std::string trace;
};

// Solves the level just read with status 0. Gives up with status 5 past
// maxNodes records, so that a test never runs away.
ReferenceResult reference_solve(const Level& level, int32_t beginWithEnd, int32_t maxNodes);

}  // namespace vk
