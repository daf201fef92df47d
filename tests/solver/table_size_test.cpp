// Tables of other sizes: larger ones give every figure of a level that the
// default solves, smaller ones fail where the default still proves the
// minimum, and two solvers with tables of their own do not disturb each
// other's figures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "solver/search_internal.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

struct Outcome {
  int32_t status, nodes, queue, moves;
  std::string trace;
};

struct SizedSolver {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize, 0);
  SearchTables tables;
  explicit SizedSolver(int64_t bytes) {
    solver->trace = text.data();
    EXPECT_TRUE(reserve_tables(tables, bytes));
    solver->tables = &tables;
  }
  ~SizedSolver() { release_tables(tables); }
  // A level that cannot be tried gives status -1.
  Outcome run(const std::string& map) {
    if (parse_level(*level, map.data(), int32_t(map.size())) != LevelOk) return Outcome{-1, 0, 0, 0, ""};
    clear_solve_results(*solver);
    int32_t status = solve_level(*solver, *level);
    return Outcome{status, solver->progress.nodes.load(), solver->progress.queue.load(),
               solver->solutionLength, solver->trace};
  }
};

TEST(TableSize, DoubleTablesGiveEveryFigureOfTheDefault) {
  std::vector<std::string> levels = public_levels();
  SizedSolver small(DefaultMemory), large(2 * DefaultMemory);
  int32_t compared = 0;
  for (size_t k = 0; k < levels.size() && k < 40; k++) {
    SCOPED_TRACE("public level " + std::to_string(k + 1));
    Outcome a = small.run(levels[k]);
    Outcome b = large.run(levels[k]);
    if (a.status != SolveSolved && a.status != SolveImpossible) continue;
    EXPECT_EQ(b.status, a.status);
    EXPECT_EQ(b.nodes, a.nodes);
    if (a.queue < BucketCapacity) {
      EXPECT_EQ(b.queue, a.queue);
    }
    EXPECT_EQ(b.moves, a.moves);
    EXPECT_EQ(b.trace, a.trace);
    compared++;
  }
  EXPECT_GE(compared, 30);
}

TEST(TableSize, ALevelThatFailsInSmallTablesIsSolvedMinimallyAtTheDefault) {
  // 100,000 bytes: 2,302 records and buckets of 131 entries.
  std::vector<std::string> levels = public_levels();
  SizedSolver tiny(100000), normal(DefaultMemory);
  ASSERT_EQ(tiny.tables.work->nodeLimit, 2302);
  int32_t proved = 0;
  for (size_t k = 0; k < levels.size() && proved < 2; k++) {
    Outcome failed = tiny.run(levels[k]);
    if (failed.status != SolveTableFull && failed.status != SolveQueueFull) continue;
    if (tiny.level->liveBoxes > 3) continue;
    SCOPED_TRACE("public level " + std::to_string(k + 1));
    EXPECT_EQ(failed.moves, 0);
    EXPECT_EQ(failed.trace, "");
    Outcome solved = normal.run(levels[k]);
    ASSERT_EQ(solved.status, SolveSolved);
    EXPECT_TRUE(replay_solution(*normal.level, normal.solver->trace, solved.moves,
                                normal.solver->traceOver));
    int32_t want = oracle_min_moves(*normal.level, 1);
    if (want == OracleGaveUp) continue;
    EXPECT_EQ(solved.moves, want);
    proved++;
  }
  EXPECT_GE(proved, 1);
}

TEST(TableSize, EverySolveStartsAfreshWhateverTheTablesHeldBefore) {
  // Records of an earlier, larger solve stay in the tables; a solve's index
  // starts small and grows, so a later solve must neither meet them nor
  // depend on how far the index grew before.
  SizedSolver a(SmallestMemory);
  std::vector<std::string> levels = public_levels();
  std::vector<Outcome> first;
  for (size_t k = 0; k < 6; k++) first.push_back(a.run(levels[k]));
  for (size_t k = 6; k-- > 0;) {
    Outcome again = a.run(levels[k]);
    ASSERT_EQ(again.status, first[k].status) << k;
    ASSERT_EQ(again.nodes, first[k].nodes) << k;
    ASSERT_EQ(again.queue, first[k].queue) << k;
    ASSERT_EQ(again.trace, first[k].trace) << k;
  }
}

}  // namespace

}  // namespace vk
