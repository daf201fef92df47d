// The search: seeding, pull runs, the goal test, solutions that pass
// through the start position or leave a solved start, every
// SolveStatus, cancelling, and move counts checked by hand. Every solution is also played forward by the replay check.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "level/level_internal.h"
#include "solver/search_internal.h"
#include "solver/solver_fixture.h"
#include "support/oracle.h"

namespace vk {

namespace {

struct SolveTest : SolverFixture {
  // Solves the map; a solution must pass the replay check.
  int32_t run(const std::string& map, int32_t beginWithEnd = 1) {
    read(map);
    solver->beginWithEnd = beginWithEnd;
    int32_t status = solve_level(*solver, *level);
    if (status == SolveSolved) {
      EXPECT_TRUE(replay_solution(*level, trace().c_str(), solver->solutionLength, solver->traceOver))
          << map << trace();
    }
    return status;
  }
  std::string trace() const { return solver->trace; }
  int32_t nodes() const { return solver->progress.nodes.load(); }
  // Empties the tables of the level just solved and queues only record 10,
  // one box on box at cost 5, with no solution known.
  void queue_one_record(int32_t box, int32_t keeper) {
    SearchWork& w = *search_tables()->work;
    clear_node_table(w.table, 1);
    reset_queue(w.queue);
    w.search.bestCost = 0;
    w.search.bestRecord = NoRecord;
    w.table.count = 11;
    int32_t boxes[] = {box};
    pack_node(w.table.records[10], boxes, 1, keeper, 9, 5);
    ASSERT_TRUE(queue_insert(w.queue, 10, 5));
  }
};

// Keeper, box and goal in a row: the one push is made from the keeper's start.
const char OnePush[] = "#####\n#@$.#\n#####\n";

TEST_F(SolveTest, OnePushFromTheStartCell) {
  EXPECT_EQ(run(OnePush), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 1);
  EXPECT_EQ(trace(), "R");
  // Roots and seeded records are not counted.
  EXPECT_EQ(nodes(), 0);
  EXPECT_EQ(solver->progress.queue.load(), 1);
}

TEST_F(SolveTest, ABoxCarriedAcrossNoRestCellsIsOneRecordPerRun) {
  // The corridor's cells between start and goal never hold a resting box.
  const char map[] = "##########\n#@ $    .#\n##########\n";
  EXPECT_EQ(run(map), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 6);
  EXPECT_EQ(trace(), "rRRRRR");
  EXPECT_EQ(nodes(), 0);
}

TEST_F(SolveTest, APullRunCarriesTheBoxOverNoRestCellsOrIsRefused) {
  // Row 1 is a corridor: every cell but the box's start is a no-rest cell.
  const char map[] = "###########\n#@ $     .#\n###########\n";
  read(map);
  auto s = std::make_unique<SearchState>();
  for (int32_t c = 0; c < MaxArea; c++)
    s->board[c] = c < level->area && level->BlockMap[c] == MapOpen ? FreeCell : BlockedCell;
  s->noRest = level->NoRestMap;
  int32_t row = level->width, goal = row + 9;
  s->board[goal] = BoxCell;
  // Pulled left from its goal, the box first rests on its start, 6 cells on.
  EXPECT_EQ(pull_run_length(*s, *level, goal, DirLeft), 6);
  // A box on a cell the keeper must step back onto refuses the whole run.
  s->board[row + 5] = BoxCell;
  EXPECT_EQ(pull_run_length(*s, *level, goal, DirLeft), 0);
  s->board[row + 5] = FreeCell;
  s->board[row + 2] = BlockedCell;
  EXPECT_EQ(pull_run_length(*s, *level, goal, DirLeft), 0);
}

TEST_F(SolveTest, MinimalMoveCountsCheckedByHand) {
  struct Case {
    const char* map;
    int32_t moves;
  } cases[] = {
      // a step to the box, one push: rR
      {"######\n#@ $.#\n######\n", 2},
      // a step to stand above the box, one push down: rD
      {"#####\n#@  #\n# $ #\n# . #\n#####\n", 2},
      // a step to the box's right side, one push left: lL
      {"######\n#    #\n#.$ @#\n######\n", 2},
      // one push each way with a step between: LrR or RlL
      {"#######\n#.$@$.#\n#######\n", 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.map), SolveSolved) << c.map;
    EXPECT_EQ(solver->solutionLength, c.moves) << c.map;
  }
}

TEST_F(SolveTest, AShorterSolutionThroughTheStartPositionIsFound) {
  // The box on the left goal must be pushed out of the way and back.
  const char map[] =
      "########\n"
      "#    # #\n"
      "#    # #\n"
      "# *    #\n"
      "#. $   #\n"
      "# @ # ##\n"
      "########\n";
  EXPECT_EQ(run(map), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 9);
  EXPECT_EQ(trace(), "uRurrdLLL");
}

TEST_F(SolveTest, ASolvedStartMayLeadTheBoxOverATunnelCell) {
  const char map[] =
      "#######\n"
      "#     #\n"
      "# @ #*#\n"
      "#   # #\n"
      "#     #\n"
      "#######\n";
  EXPECT_EQ(run(map, 1), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 14);
  EXPECT_EQ(run(map, 0), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_EQ(trace(), "");
  EXPECT_EQ(nodes(), 0);
}

TEST_F(SolveTest, ASolvedStartWithNoWayOutAndBackIsImpossible) {
  // The box can only be pushed away to the right, never back.
  const char map[] = "######\n#@*  #\n######\n";
  EXPECT_EQ(run(map, 1), SolveImpossible);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_EQ(run(map, 0), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 0);
}

TEST_F(SolveTest, ALevelWithoutLiveBoxesSeedsNothing) {
  // The box on its goal cannot be moved and becomes a wall.
  const char map[] = "#####\n#@*##\n#####\n";
  read(map);
  ASSERT_EQ(level->liveBoxes, 0);
  EXPECT_EQ(run(map, 1), SolveImpossible);
  EXPECT_EQ(nodes(), 0);
  EXPECT_EQ(run(map, 0), SolveSolved);
  EXPECT_EQ(solver->solutionLength, 0);
}

// A corridor whose box, on its start cell, cuts it in two.
const char Corridor[] = "#######\n#@ $ .#\n#######\n";

TEST_F(SolveTest, TheGoalTestNeedsKeeperStartInTheKeepersReach) {
  ASSERT_EQ(run(Corridor), SolveSolved);
  SearchState& s = search_tables()->work->search;
  int32_t row = level->width, start = row + 3;
  for (int32_t keeper : {row + 4, row + 2}) {
    for (int32_t c = 0; c < MaxArea; c++)
      s.board[c] = c < level->area && level->BlockMap[c] == MapOpen ? FreeCell : BlockedCell;
    queue_one_record(start, keeper);
    EXPECT_EQ(expand_record(*search_tables()->work, *level), SolveGoesOn);
    if (keeper == row + 4) {
      // Right of the box the keeper cannot walk to its start.
      EXPECT_EQ(s.bestRecord, NoRecord);
    } else {
      EXPECT_EQ(s.bestRecord, 10u);
      EXPECT_EQ(s.bestCost, 5 + 1);
    }
  }
}

TEST_F(SolveTest, APreparedRecordIsTakenOverOnlyUnderTheCostAndBoundItWasPreparedFor) {
  ASSERT_EQ(run(Corridor), SolveSolved);
  SearchWork& w = *search_tables()->work;
  SearchState& s = w.search;
  const int32_t start = level->width + 3, keeper = start - 1;
  // Record 10 would meet the goal test at length 6; the planted look-ahead
  // claims it does not and has no children.
  for (int32_t plantedBound : {3, 0}) {
    queue_one_record(start, keeper);
    s.ahead.record = 10;
    s.ahead.cost = 5;
    s.ahead.bestCost = plantedBound;
    s.ahead.boxes[0] = start;
    s.ahead.found = 0;
    s.ahead.goal = 0;
    EXPECT_EQ(expand_record(w, *level), SolveGoesOn);
    if (plantedBound != 0) {
      // Prepared under another bound: walked afresh.
      EXPECT_EQ(s.bestRecord, 10u);
      EXPECT_EQ(s.bestCost, 6);
    } else {
      EXPECT_EQ(s.bestRecord, NoRecord);
    }
    // Nothing was left to prepare, and the board is empty again.
    EXPECT_EQ(s.ahead.record, NoRecord);
    EXPECT_EQ(s.board[start], FreeCell);
  }
}

TEST_F(SolveTest, CancelEndsTheSolveAfterOneExpansionAndDropsItsSolution) {
  read(OnePush);
  solver->cancel.store(1);
  EXPECT_EQ(solve_level(*solver, *level), SolveCanceled);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_EQ(trace(), "");
  // The solve leaves the flag to its owner.
  EXPECT_EQ(solver->cancel.load(), 1);
}

TEST_F(SolveTest, CancelFromAnotherThreadStopsALongSolve) {
  // Eight boxes in a room: far too many states to finish quickly.
  const char map[] =
      "############\n"
      "#          #\n"
      "# $ $ $ $  #\n"
      "#          #\n"
      "# $ $ $ $  #\n"
      "#  @       #\n"
      "# ........ #\n"
      "############\n";
  read(map);
  std::atomic<int32_t>& nodes = solver->progress.nodes;
  std::atomic<int32_t> done{0};
  std::thread canceller([&] {
    while (nodes.load(std::memory_order_relaxed) < 20000 && !done.load()) std::this_thread::yield();
    solver->cancel.store(1, std::memory_order_relaxed);
  });
  int32_t status = solve_level(*solver, *level);
  done.store(1);
  canceller.join();
  EXPECT_EQ(status, SolveCanceled);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_GE(nodes.load(), 20000);
}

TEST_F(SolveTest, ResultsOfTheLastSolveAreClearedBySelectingALevel) {
  EXPECT_EQ(run(OnePush), SolveSolved);
  solver->traceOver = 1;
  clear_solve_results(*solver);
  EXPECT_EQ(solver->solutionLength, 0);
  EXPECT_EQ(solver->traceOver, 0);
  EXPECT_EQ(solver->progress.nodes.load(), 0);
  EXPECT_EQ(solver->progress.queue.load(), 0);
  EXPECT_EQ(trace(), "");
}

TEST_F(SolveTest, StatusWords) {
  EXPECT_STREQ(solve_status_word(SolveImpossible), "Impossible");
  EXPECT_STREQ(solve_status_word(SolveTableFull), "Failed(C)");
  EXPECT_STREQ(solve_status_word(SolveQueueFull), "Failed(Q)");
  EXPECT_STREQ(solve_status_word(SolveCanceled), "Canceled");
  EXPECT_STREQ(solve_status_word(SolveSolved), "Solved");
}

TEST_F(SolveTest, MinimalAgainstAForwardSearchOnSmallLevels) {
  const char* maps[] = {
      "#######\n#.@ $ #\n#  $  #\n#.    #\n#######\n",
      "########\n#  .   #\n# $$ @ #\n#  .   #\n########\n",
      "#######\n# .   #\n# $#  #\n#  @$.#\n#     #\n#######\n",
      "  ####\n###  #\n#.$  #\n# #$ #\n#. @ #\n######\n",
  };
  for (const char* map : maps) {
    ASSERT_EQ(run(map), SolveSolved) << map;
    int32_t want = oracle_min_moves(*level, 1);
    ASSERT_GT(want, 0) << map;
    EXPECT_EQ(solver->solutionLength, want) << map;
  }
  // The same levels made wide by a long top wall: a row then spans one or
  // more words of the walks' sets, so vertical steps and pulls shift across
  // words, on sets of eight words and on the widest sets.
  for (int32_t width : {40, 70, 130, 300}) {
    for (const char* map : maps) {
      std::string wide = map;
      wide.insert(wide.find('\n'), size_t(width) - wide.find('\n'), '#');
      ASSERT_EQ(run(wide), SolveSolved) << wide;
      ASSERT_EQ(level->width, width);
      EXPECT_EQ(solver->solutionLength, oracle_min_moves(*level, 1)) << wide;
    }
  }
}

}  // namespace

}  // namespace vk
