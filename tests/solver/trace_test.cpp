// The move trace: walks among equal shortest paths, push runs, and the
// 20,000-letter limit; and the replay check that every solution must pass.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "solver/search_internal.h"
#include "solver/solver_fixture.h"

namespace vk {

namespace {

struct TraceTest : SolverFixture {
  std::string solved(const std::string& map) {
    read(map);
    EXPECT_EQ(solve_level(*solver, *level), SolveSolved) << map;
    std::string trace = solver->trace;
    EXPECT_EQ(int32_t(trace.size()), solver->solutionLength);
    EXPECT_TRUE(replay_solution(*level, trace.c_str(), solver->solutionLength, 0)) << trace;
    return trace;
  }
  int32_t replays(const std::string& trace, int32_t moves, int32_t traceOver = 0) {
    return replay_solution(*level, trace.c_str(), moves, traceOver);
  }
};

TEST_F(TraceTest, WalksPreferUpThenLeftThenDownThenRight) {
  // Each keeper stands diagonally off the cell it pushes from.
  EXPECT_EQ(solved("#######\n#.$   #\n#   @ #\n#     #\n#######\n"), "ulL");
  EXPECT_EQ(solved("#######\n#   @ #\n#.$   #\n#     #\n#######\n"), "ldL");
  EXPECT_EQ(solved("#######\n# @   #\n#   $.#\n#     #\n#######\n"), "drR");
}

TEST_F(TraceTest, PushRunsInARowNeedNoStepsBetweenThem) {
  // In the open room each cell is a run of its own.
  EXPECT_EQ(solved("#######\n#     #\n#@$  .#\n#     #\n#######\n"), "RRR");
}

TEST_F(TraceTest, ATraceEndsWithAPush) {
  const char* maps[] = {
      "#######\n#.@ $ #\n#  $  #\n#.    #\n#######\n",
      "########\n#  .   #\n# $$ @ #\n#  .   #\n########\n",
  };
  for (const char* map : maps) {
    std::string trace = solved(map);
    ASSERT_FALSE(trace.empty());
    EXPECT_TRUE(trace.back() >= 'A' && trace.back() <= 'Z') << trace;
  }
}

TEST_F(TraceTest, ALongChainKeepsTheFirst20000LettersAndSetsTraceOver) {
  // A hand-made chain: the box pushed right and left again, 2001 times, with
  // the keeper walking round it in between (10 letters a round).
  read("#######\n#     #\n#@ $ .#\n#     #\n#######\n");
  int32_t row = level->width;
  SearchWork& work = *search_tables()->work;
  NodeTable& table = work.table;
  clear_node_table(table, 1);
  constexpr int32_t Links = 4002;
  for (int32_t k = 0; k <= Links; k++) {
    bool left = k % 2 == 0;  // box on its start, keeper left of it
    int32_t box[] = {left ? 2 * row + 3 : 2 * row + 4};
    uint32_t parent = k == Links ? NoParent : uint32_t(k + 2);
    pack_node(table.records[k + 1], box, 1, left ? 2 * row + 2 : 2 * row + 5, parent, 0);
  }
  work.search.bestRecord = 1;
  build_trace(*solver, *level, work);
  std::string want = "r";
  while (want.size() < size_t(TraceCapacity)) want += "RurrdLulld";
  want.resize(TraceCapacity);
  EXPECT_EQ(std::string(solver->trace), want);
  EXPECT_EQ(solver->traceOver, 1);
  EXPECT_TRUE(replays(solver->trace, 20011, 1));
}

TEST_F(TraceTest, TheReplayCheckPlaysOrdinaryPushRules) {
  // The cell right of the goal is a filled dead end, but floor to the replay.
  read("#######\n#@$ . #\n#######\n");
  EXPECT_TRUE(replays("RR", 2));
  EXPECT_FALSE(replays("rR", 2));    // a step letter onto a box
  EXPECT_FALSE(replays("R", 1));     // the box short of its goal
  EXPECT_FALSE(replays("RR", 3));    // the length differs from the moves
  EXPECT_FALSE(replays("RRR", 3));   // the box pushed past its goal
  EXPECT_FALSE(replays("L", 1));     // into the wall
  EXPECT_FALSE(replays("RR?", 3));   // a masked letter is no move
  EXPECT_FALSE(replays("U", 1));
  EXPECT_FALSE(replays("RRRR", 4));  // the box into the wall
}

TEST_F(TraceTest, FrozenBoxesAreWallsToTheReplay) {
  // The box in the corner cannot move and stands frozen on its goal.
  read("######\n#*   #\n# @$.#\n######\n");
  ASSERT_EQ(level->liveBoxes, 1);
  EXPECT_TRUE(replays("R", 1));
  EXPECT_FALSE(replays("ulR", 3));   // walking into the frozen box
  EXPECT_FALSE(replays("UR", 2));
}

TEST_F(TraceTest, WithTraceOverOnlyTheStoredMovesMustBeLegal) {
  read("#######\n#     #\n#@$  .#\n#     #\n#######\n");
  std::string walk;
  while (walk.size() < size_t(TraceCapacity)) walk += "ud";
  EXPECT_TRUE(replays(walk, 30000, 1));
  walk[100] = 'l';
  EXPECT_FALSE(replays(walk, 30000, 1));
}

}  // namespace

}  // namespace vk
