// The solver against the plain reference search: the same node count,
// queue-fill indicator, moves and trace, on real levels and on levels built
// to exercise particular rules; every solution also passes the replay check.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "solver/reference_search.h"
#include "solver/solver.h"
#include "support/support.h"

namespace vk {

namespace {

struct Fixture {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize, 0);
  Fixture() { solver->trace = text.data(); }
};

// Compares one level; returns false when the reference gave up.
bool compare(Fixture& f, const std::string& map, int32_t beginWithEnd, int32_t budget) {
  if (parse_level(*f.level, map.data(), static_cast<int32_t>(map.size())) != LevelOk) return false;
  ReferenceResult want = reference_solve(*f.level, beginWithEnd, budget);
  if (want.status == 5) return false;
  clear_solve_results(*f.solver);
  f.solver->beginWithEnd = beginWithEnd;
  int32_t status = solve_level(*f.solver, *f.level);
  SCOPED_TRACE(map);
  EXPECT_EQ(status, want.status);
  EXPECT_EQ(f.solver->progress.nodes.load(), want.nodes);
  EXPECT_EQ(f.solver->progress.queue.load(), want.queue);
  EXPECT_EQ(f.solver->solutionLength, want.moves);
  EXPECT_EQ(std::string(f.solver->trace), want.trace);
  EXPECT_EQ(f.solver->traceOver, want.traceOver);
  if (status == SolveSolved) {
    EXPECT_TRUE(replay_solution(*f.level, f.solver->trace, f.solver->solutionLength, f.solver->traceOver));
  }
  return true;
}

}  // namespace

TEST(ReferenceSearch, PublicLevelsGiveTheSameFigures) {
  ASSERT_TRUE(reserve_search_tables());
  Fixture f;
  int32_t compared = 0;
  for (const std::string& map : public_levels())
    if (compare(f, map, 1, 40000)) ++compared;
  EXPECT_GE(compared, 40);
}

TEST(ReferenceSearch, BeginWithEndOffAndMendedLevels) {
  ASSERT_TRUE(reserve_search_tables());
  Fixture f;
  const char* maps[] = {
      // a box pushed out of the keeper's way and back: 9 moves
      "########\n#    # #\n#    # #\n# *    #\n#. $   #\n# @ # ##\n########\n",
      // solved at the start; the box must rest once in the corridor: 14 moves
      "#######\n#     #\n# @ #*#\n#   # #\n#     #\n#######\n",
      // a long corridor of no-rest cells
      "##########\n#@ $    .#\n##########\n",
      "#####\n#@$.#\n#####\n",
  };
  for (const char* map : maps) {
    EXPECT_TRUE(compare(f, map, 1, 100000));
    EXPECT_TRUE(compare(f, map, 0, 100000));
  }
}

}  // namespace vk
