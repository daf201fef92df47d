// Box reach: the per-cell masks of the live boxes, the no-reach marks kept
// apart from the tunnel marks, and the assignment test.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "level/level_internal.h"
#include "support/support.h"

namespace vk {

namespace {

// A corridor running from a room to a goal at its blind end, with the
// keeper behind the box: the keeper can never get ahead of the box.
const char* const OneWay =
    "###########\n"
    "#######   #\n"
    "#.  $ @   #\n"
    "#######   #\n"
    "###########\n";

// The same with a way round below to the corridor's far end.
const char* const RoundAbout =
    "###########\n"
    "#######   #\n"
    "#.  $ @   #\n"
    "# #####   #\n"
    "#         #\n"
    "###########\n";

}  // namespace

TEST(ReachMasks, OneBoxGivesMasksOfItsOwnBit) {
  int32_t status;
  auto level = parsed(OneWay, &status);
  ASSERT_EQ(status, LevelOk);
  ASSERT_EQ(level->liveBoxes, 1);
  int32_t reached = 0;
  for (int32_t c = 0; c < level->area; c++) {
    int32_t mask = level->ReachMask[c];
    ASSERT_TRUE(mask == 0 || mask == 1) << c;
    if (mask) {
      reached++;
      EXPECT_EQ(level->BlockMap[c], MapOpen);
    }
    EXPECT_EQ(boxes_assignable(*level, &c), mask);
  }
  EXPECT_GT(reached, 1);
}

TEST(ReachMasks, PushNeedsKeeperOnFarSide) {
  int32_t status;
  auto oneWay = parsed(OneWay, &status);
  ASSERT_EQ(status, LevelOk);
  // Down the corridor to its goal, never back past the keeper.
  for (int32_t column = 1; column <= 4; column++) {
    EXPECT_EQ(oneWay->ReachMask[at(*oneWay, 2, column)], 1) << column;
  }
  for (int32_t column = 5; column <= 9; column++) {
    EXPECT_EQ(oneWay->ReachMask[at(*oneWay, 2, column)], 0) << column;
  }
  auto round = parsed(RoundAbout, &status);
  ASSERT_EQ(status, LevelOk);
  for (int32_t column = 1; column <= 9; column++) {
    EXPECT_EQ(round->ReachMask[at(*round, 2, column)], 1) << column;
  }
}

TEST(ReachMasks, BoxPushedOutAndBackPassesTheKeeper) {
  // Pushed into the left room, the box lets the keeper round it; back at a
  // cell it has met before, now with the keeper on a new side, it goes on
  // through the corridor and past the keeper's start.
  int32_t status;
  auto level = parsed(
      "#############\n"
      "#   #####   #\n"
      "# . $ @     #\n"
      "#   #####   #\n"
      "#############\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  for (int32_t column = 1; column <= 11; column++) {
    EXPECT_EQ(level->ReachMask[at(*level, 2, column)], 1) << column;
  }
}

TEST(ReachMasks, NoReachMarksApartFromTunnelMarks) {
  int32_t status;
  auto oneWay = parsed(OneWay, &status);
  ASSERT_EQ(status, LevelOk);
  // Behind the keeper no box ever comes: marked in both maps, on corridor
  // and room cells alike.
  for (int32_t cell : {at(*oneWay, 2, 5), at(*oneWay, 2, 6), at(*oneWay, 1, 8)}) {
    EXPECT_EQ(oneWay->NoReachMap[cell], 1) << cell;
    EXPECT_EQ(oneWay->NoRestMap[cell], 1) << cell;
  }
  // A tunnel cell the box passes: only the tunnel mark.
  EXPECT_EQ(oneWay->NoReachMap[at(*oneWay, 2, 2)], 0);
  EXPECT_EQ(oneWay->NoRestMap[at(*oneWay, 2, 2)], 1);
  // The box's start: neither.
  EXPECT_EQ(oneWay->NoReachMap[at(*oneWay, 2, 4)], 0);
  EXPECT_EQ(oneWay->NoRestMap[at(*oneWay, 2, 4)], 0);
  // Where the box can get past the keeper, the corridor keeps only the
  // tunnel mark.
  auto round = parsed(RoundAbout, &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(round->NoReachMap[at(*round, 2, 5)], 0);
  EXPECT_EQ(round->NoRestMap[at(*round, 2, 5)], 1);
  for (int32_t c = 0; c < round->area; c++) {
    EXPECT_EQ(round->NoReachMap[c], round->BlockMap[c] == MapOpen && round->ReachMask[c] == 0) << c;
    if (round->NoReachMap[c]) {
      EXPECT_EQ(round->NoRestMap[c], 1) << c;
    }
  }
}

TEST(ReachMasks, BoxOnGoalAtCorridorTopCanRestBelow) {
  // The corridor's lower cell is a tunnel cell, yet a box can be pushed
  // there: a solve that must ignore tunnel marks sees it open.
  int32_t status;
  auto level = parsed(
      "#######\n"
      "#     #\n"
      "# @ #*#\n"
      "#   # #\n"
      "#     #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  ASSERT_EQ(level->liveBoxes, 1);
  int32_t lower = at(*level, 3, 5);
  EXPECT_EQ(level->NoRestMap[lower], 1);
  EXPECT_EQ(level->NoReachMap[lower], 0);
  EXPECT_EQ(level->ReachMask[lower], 1);
  EXPECT_EQ(level->NoRestMap[at(*level, 2, 5)], 0);
}

TEST(ReachMasks, EachStartCarriesItsOwnBit) {
  int32_t status;
  auto level = parsed(
      "#########\n"
      "#  $ .  #\n"
      "#       #\n"
      "#   $   #\n"
      "#  @ .  #\n"
      "#########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  ASSERT_EQ(level->liveBoxes, 2);
  EXPECT_TRUE(level->ReachMask[at(*level, 1, 3)] & 1);
  EXPECT_TRUE(level->ReachMask[at(*level, 3, 4)] & 2);
}

TEST(Assignment, TwoBoxesNeedingTheSameStartFail) {
  // Box 0 starts against the top wall and can only slide along it, so the
  // lower rows are box 1's alone.
  int32_t status;
  auto level = parsed(
      "#########\n"
      "#  $ .  #\n"
      "#       #\n"
      "#   $   #\n"
      "#  @ .  #\n"
      "#########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  int32_t left = at(*level, 3, 2);
  int32_t right = at(*level, 3, 5);
  ASSERT_EQ(level->ReachMask[left], 2);
  ASSERT_EQ(level->ReachMask[right], 2);
  int32_t both[2] = {left, right};
  EXPECT_EQ(boxes_assignable(*level, both), 0);
  int32_t top = at(*level, 1, 5);
  ASSERT_EQ(level->ReachMask[top], 3);
  int32_t apart[2] = {left, top};
  EXPECT_EQ(boxes_assignable(*level, apart), 1);
  int32_t swapped[2] = {top, left};
  EXPECT_EQ(boxes_assignable(*level, swapped), 1);
}

TEST(Assignment, BacktracksOverEarlierChoices) {
  const int32_t needsBacktrack[3] = {3, 1, 4};
  EXPECT_EQ(assign_from(needsBacktrack, 3, 0, 0), 1);
  const int32_t tooFew[3] = {3, 3, 3};
  EXPECT_EQ(assign_from(tooFew, 3, 0, 0), 0);
  const int32_t empty[1] = {0};
  EXPECT_EQ(assign_from(empty, 1, 0, 0), 0);
  EXPECT_EQ(assign_from(empty, 0, 0, 0), 1);
  const int32_t eight[8] = {255, 127, 63, 31, 15, 7, 3, 1};
  EXPECT_EQ(assign_from(eight, 8, 0, 0), 1);
  EXPECT_EQ(assign_from(eight, 8, 0, 1), 0);
}

TEST(Assignment, TheMatchingAgreesWithTheBacktrackingUpToSixteenBoxes) {
  auto level = std::make_unique<Level>();
  *level = {};
  std::mt19937 random(7);
  int32_t boxes[GuidedMaxBoxes], masks[GuidedMaxBoxes];
  for (int32_t round = 0; round < 20000; round++) {
    int32_t count = 1 + int32_t(random() % GuidedMaxBoxes);
    level->liveBoxes = count;
    for (int32_t i = 0; i < count; i++) {
      boxes[i] = i;
      // Sparse masks make failures common; above eight boxes a few dense
      // ones keep the backtracking's answer affordable.
      uint32_t bits = random() & random();
      if (count > MaxBoxes && i % 3 == 0) bits |= random();
      masks[i] = level->ReachMask[i] = int32_t(bits & ((1u << count) - 1));
    }
    int32_t want = assign_from(masks, count, 0, 0);
    ASSERT_EQ(boxes_matchable(*level, boxes), want) << round;
    ASSERT_EQ(boxes_assignable(*level, boxes), want) << round;
  }
}

TEST(ReachMasks, AllBoxesFrozenMarksEveryOpenCell) {
  int32_t status;
  auto level = parsed(
      "#######\n"
      "# **  #\n"
      "#  @  #\n"
      "#     #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  ASSERT_EQ(level->liveBoxes, 0);
  int32_t open = 0;
  for (int32_t c = 0; c < level->area; c++) {
    EXPECT_EQ(level->ReachMask[c], 0);
    if (level->BlockMap[c] == MapOpen) {
      open++;
      EXPECT_EQ(level->NoRestMap[c], 1) << c;
      EXPECT_EQ(level->NoReachMap[c], 1) << c;
    }
  }
  EXPECT_GT(open, 0);
  EXPECT_EQ(boxes_assignable(*level, nullptr), 1);
}

}  // namespace vk
