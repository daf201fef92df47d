// Dead squares: frozen and stuck boxes, unfillable goals, dead ends, and the
// corridor cells where a moved box never rests.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "level/level_internal.h"
#include "support/support.h"

namespace vk {

namespace {

// The tunnel marks alone, as (row, column) pairs.
std::set<std::pair<int32_t, int32_t>> tunnel_marks(Level& level) {
  mark_tunnels(level);
  std::set<std::pair<int32_t, int32_t>> marks;
  for (int32_t c = 0; c < level.area; c++) {
    if (level.NoRestMap[c]) marks.insert({c / level.width, c % level.width});
  }
  return marks;
}

using Marks = std::set<std::pair<int32_t, int32_t>>;

}  // namespace

TEST(StuckBoxes, CornerBoxOffGoalIsImpossible) {
  EXPECT_EQ(status_of("#####\n#$ .#\n# @ #\n#####\n"), LevelImpossible);
}

TEST(StuckBoxes, CornerBoxOnGoalIsFrozen) {
  int32_t status;
  auto level = parsed("#####\n#*  #\n# @ #\n#####\n", &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->totalBoxes, 1);
  EXPECT_EQ(level->liveBoxes, 0);
  EXPECT_EQ(level->BlockMap[at(*level, 1, 1)], MapBlocked);
}

TEST(StuckBoxes, PairAlongWall) {
  EXPECT_EQ(status_of("#######\n"
                      "# $$  #\n"
                      "#  @  #\n"
                      "#..   #\n"
                      "#######\n"),
            LevelImpossible);
  int32_t status;
  auto level = parsed(
      "#######\n"
      "# **  #\n"
      "#  @  #\n"
      "#     #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->liveBoxes, 0);
  EXPECT_EQ(level->BlockMap[at(*level, 1, 2)], MapBlocked);
  EXPECT_EQ(level->BlockMap[at(*level, 1, 3)], MapBlocked);
}

TEST(StuckBoxes, BoxFreedByAnotherBoxMoving) {
  // The upper box can only move down, once the lower box has moved aside.
  int32_t status;
  auto level = parsed(
      "#######\n"
      "#     #\n"
      "# #$# #\n"
      "#  $  #\n"
      "#. @ .#\n"
      "#######\n",
      &status);
  EXPECT_EQ(status, LevelOk);
  EXPECT_EQ(level->liveBoxes, 2);
  // With the lower box walled in at its sides, neither can ever move.
  EXPECT_EQ(status_of("#######\n"
                      "#     #\n"
                      "# #$# #\n"
                      "# #$# #\n"
                      "#. @ .#\n"
                      "#######\n"),
            LevelImpossible);
}

TEST(UnfillableGoals, EmptyGoalInPocketIsImpossible) {
  // The pocket's only open neighbour has a wall straight behind it.
  EXPECT_EQ(status_of("#######\n"
                      "###.###\n"
                      "#     #\n"
                      "#  #  #\n"
                      "# $@$.#\n"
                      "#     #\n"
                      "#######\n"),
            LevelImpossible);
}

TEST(UnfillableGoals, UnprovenGoalsBlockEachOther) {
  // Each of the two goals in the middle row can only be filled across the
  // other; a goal not yet shown fillable blocks, so neither ever is.
  EXPECT_EQ(status_of("#######\n"
                      "#     #\n"
                      "# +$* #\n"
                      "#   $.#\n"
                      "#######\n"),
            LevelImpossible);
}

TEST(UnfillableGoals, MovableBoxOnUnfillableGoalIsFrozen) {
  // The box on the goal can be pushed down, but nothing can ever be pushed
  // back onto its goal: it stays, a wall from now on.
  int32_t status;
  auto level = parsed(
      "#########\n"
      "#  @    #\n"
      "###*### #\n"
      "# $  .  #\n"
      "#########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->totalBoxes, 2);
  EXPECT_EQ(level->liveBoxes, 1);
  EXPECT_EQ(level->BlockMap[at(*level, 2, 3)], MapBlocked);
  EXPECT_EQ(level->BoxStartMap[at(*level, 3, 2)], 2);
}

TEST(DeadEnds, BlindCorridorIsFilledToItsMouth) {
  int32_t status;
  auto level = parsed(
      "##########\n"
      "#    #####\n"
      "# @$.    #\n"
      "#    #####\n"
      "##########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  for (int32_t column = 5; column <= 8; column++) {
    EXPECT_EQ(level->BlockMap[at(*level, 2, column)], MapBlocked) << column;
  }
  EXPECT_EQ(level->BlockMap[at(*level, 2, 4)], MapOpen);
  EXPECT_EQ(level->BlockMap[at(*level, 1, 1)], MapOpen);
}

TEST(DeadEnds, GoalOrKeeperStopsTheFilling) {
  for (const char* row : {"# @$    .#\n", "#  $.   @#\n"}) {
    int32_t status;
    auto level = parsed(std::string("##########\n#    #####\n") + row + "#    #####\n##########\n",
                        &status);
    ASSERT_EQ(status, LevelOk) << row;
    for (int32_t column = 5; column <= 8; column++) {
      EXPECT_EQ(level->BlockMap[at(*level, 2, column)], MapOpen) << row << column;
    }
  }
}

TEST(DeadEnds, BoxStopsTheFillingAtItsCell) {
  int32_t status;
  auto level = parsed(
      "##########\n"
      "#    #####\n"
      "# @ .$   #\n"
      "#    #####\n"
      "##########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->BlockMap[at(*level, 2, 5)], MapOpen);
  for (int32_t column = 6; column <= 8; column++) {
    EXPECT_EQ(level->BlockMap[at(*level, 2, column)], MapBlocked) << column;
  }
}

TEST(Tunnels, CorridorBetweenRoomsKeepsItsEndsFree) {
  int32_t status;
  auto level = parsed(
      "#############\n"
      "#   #####   #\n"
      "# @       $ #\n"
      "#   ##### . #\n"
      "#############\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(tunnel_marks(*level), (Marks{{2, 5}, {2, 6}, {2, 7}}));
}

TEST(Tunnels, GoalEndBehindThickWallAndBoxStart) {
  // The goal end stays marked (two steps beyond it is wall); the live box
  // start is unmarked, the rest of the run stays marked.
  int32_t status;
  auto level = parsed(
      "#############\n"
      "#   #########\n"
      "# @    $ .###\n"
      "#   #########\n"
      "#############\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(tunnel_marks(*level), (Marks{{2, 5}, {2, 6}, {2, 8}, {2, 9}}));
}

TEST(Tunnels, RunEndingAtTheLastColumnIsClosed) {
  // The run ends in the second-last column, so only the visit of the last
  // column closes it: the box start is unmarked there, the goal end kept.
  int32_t status;
  auto level = parsed(
      "###########\n"
      "#   #######\n"
      "# @    $ .#\n"
      "#   #######\n"
      "###########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(tunnel_marks(*level), (Marks{{2, 5}, {2, 6}, {2, 8}, {2, 9}}));
}

TEST(Tunnels, VerticalCorridorEndsAtTheBoardsEdge) {
  int32_t status;
  // Lowest cell in the second-last row: two steps beyond is off the Board.
  auto down = parsed(
      "#######\n"
      "#  @  #\n"
      "#  $  #\n"
      "### ###\n"
      "### ###\n"
      "###.###\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(tunnel_marks(*down), (Marks{{4, 3}, {5, 3}}));
  // The same at the top, for a corridor starting in the second row.
  auto up = parsed(
      "#######\n"
      "###.###\n"
      "### ###\n"
      "#     #\n"
      "#  $  #\n"
      "#  @  #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(tunnel_marks(*up), (Marks{{1, 3}}));
}

TEST(Tunnels, SingleCellGapIsNeverMarked) {
  int32_t status;
  auto level = parsed(
      "#########\n"
      "#   #   #\n"
      "# @   $.#\n"
      "#   #   #\n"
      "#########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_TRUE(tunnel_marks(*level).empty());
}

}  // namespace vk
