// Real public levels that solve quickly: each solution passes the replay
// check, and on levels of up to three boxes its length is the minimum a
// plain forward search finds.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "solver/solver.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

TEST(PublicLevels, TheFirstThirtySolveWithReplayableMinimalSolutions) {
  ASSERT_TRUE(reserve_search_tables());
  std::vector<std::string> levels = public_levels();
  ASSERT_GE(levels.size(), 30u);
  auto level = std::make_unique<Level>();
  auto solver = std::make_unique<Solver>();
  std::vector<char> text(TextBufferSize, 0);
  solver->trace = text.data();
  int32_t checked = 0;
  for (size_t k = 0; k < 30; k++) {
    const std::string& map = levels[k];
    SCOPED_TRACE("public level " + std::to_string(k + 1));
    ASSERT_EQ(parse_level(*level, map.data(), int32_t(map.size())), LevelOk);
    clear_solve_results(*solver);
    ASSERT_EQ(solve_level(*solver, *level), SolveSolved);
    EXPECT_TRUE(replay_solution(*level, solver->trace, solver->solutionLength, solver->traceOver));
    if (level->liveBoxes > 3) continue;
    int32_t want = oracle_min_moves(*level, 1);
    if (want == OracleGaveUp) continue;
    EXPECT_EQ(solver->solutionLength, want);
    checked++;
  }
  EXPECT_GE(checked, 15);
}

TEST(PublicLevels, StatesCrowdingOneBucketEndWithFailedQ) {
  // Public level 93: eight boxes whose records pile up in one bucket.
  ASSERT_TRUE(reserve_search_tables());
  std::vector<std::string> levels = public_levels();
  ASSERT_GE(levels.size(), 93u);
  auto level = std::make_unique<Level>();
  auto solver = std::make_unique<Solver>();
  std::vector<char> text(TextBufferSize, 0);
  solver->trace = text.data();
  const std::string& map = levels[92];
  ASSERT_EQ(parse_level(*level, map.data(), int32_t(map.size())), LevelOk);
  clear_solve_results(*solver);
  EXPECT_EQ(solve_level(*solver, *level), SolveQueueFull);
  EXPECT_EQ(solver->progress.queue.load(), BucketCapacity);
  EXPECT_EQ(solver->progress.nodes.load(), 9865404);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_STREQ(solver->trace, "");
}

}  // namespace

}  // namespace vk
