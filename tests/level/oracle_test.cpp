// The test oracle's best-first search on levels whose minimum was worked
// out by hand, from one box to twelve.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/oracle.h"

namespace vk {

namespace {

struct Parsed {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  int32_t status = -1;
};

Parsed parse(const std::string& text) {
  Parsed parsed;
  std::memset(parsed.level.get(), 0, sizeof(Level));
  parsed.status =
      parse_level(*parsed.level, text.c_str(), static_cast<int32_t>(text.size()));
  return parsed;
}

// Both boards give the same answer on a level the reader accepts.
int32_t both(const std::string& text, int32_t atLeastOnePush = 0) {
  Parsed parsed = parse(text);
  EXPECT_EQ(parsed.status, LevelOk);
  int32_t reduced = oracle_min_moves(*parsed.level, atLeastOnePush, OracleReduced);
  int32_t raw = oracle_min_moves(*parsed.level, atLeastOnePush, OracleRaw);
  EXPECT_EQ(reduced, raw);
  return raw;
}

}  // namespace

TEST(Oracle, OneBoxPushedStraight) {
  EXPECT_EQ(both("#####\n#@$.#\n#####\n"), 1);
  EXPECT_EQ(both("######\n#@ $.#\n######\n"), 2);
}

TEST(Oracle, KeeperWalksAroundTheBoxFirst) {
  // Four steps to get behind the box (up, left, left, down), two pushes.
  EXPECT_EQ(both("#######\n#     #\n# $@. #\n#     #\n#######\n"), 6);
}

TEST(Oracle, TwoBoxesOnBothSidesOfTheKeeper) {
  // Push left, step back right, push right.
  EXPECT_EQ(both("#######\n#.$@$.#\n#######\n"), 3);
}

TEST(Oracle, PushingABoxAsideAndBackCanBeShortest) {
  // Nine moves, uRurrdLLL, through a position with every box on its start.
  const char level[] =
      "########\n"
      "#    # #\n"
      "#    # #\n"
      "# *    #\n"
      "#. $   #\n"
      "# @ # ##\n"
      "########\n";
  EXPECT_EQ(both(level), 9);
}

TEST(Oracle, SolvedStartNeedsAPushWhenAsked) {
  // The box must leave its goal and come back: down the corridor and up.
  const char level[] =
      "#######\n"
      "#     #\n"
      "# @ #*#\n"
      "#   # #\n"
      "#     #\n"
      "#######\n";
  Parsed parsed = parse(level);
  ASSERT_EQ(parsed.status, LevelOk);
  EXPECT_EQ(oracle_min_moves(*parsed.level, 0, OracleRaw), 0);
  EXPECT_EQ(oracle_min_moves(*parsed.level, 1, OracleRaw), 14);
}

TEST(Oracle, BlockedCorridorIsUnsolvable) {
  // The first box can only be pushed onto its goal, where it blocks the way
  // to the second one.
  Parsed parsed = parse("#######\n#@$.$.#\n#######\n");
  EXPECT_EQ(oracle_min_moves(*parsed.level, 0, OracleRaw), OracleUnsolvable);
}

// A row of boxes under a row of goals, the keeper below them: the first
// push costs the step up to the row and the push, every later one a step
// down, the walk to the next column and the push, since the pushed box's
// neighbours stand in the way. So n boxes take 2 + 3 (n - 1) moves.
std::string row_of_boxes(int32_t n) {
  std::string rows[6];
  for (int32_t c = 0; c < n + 2; c++) {
    bool side = c == 0 || c == n + 1;
    rows[0] += '#';
    rows[1] += side ? '#' : '.';
    rows[2] += side ? '#' : '$';
    rows[3] += side ? '#' : ' ';
    rows[4] += side ? '#' : c == 1 ? '@' : ' ';
    rows[5] += '#';
  }
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  return text;
}

TEST(Oracle, ProvesMinimaOfNineToTwelveBoxes) {
  for (int32_t n : {3, 9, 10, 12}) {
    Parsed parsed = parse(row_of_boxes(n));  // over the reader's box limit from 9 on
    int64_t states = 0;
    EXPECT_EQ(oracle_min_moves(*parsed.level, 0, OracleRaw, OracleStateCap, &states), 2 + 3 * (n - 1))
        << n;
    EXPECT_GT(states, 0);
  }
  // Two rooms of six boxes each, joined below: the keeper clears the left
  // room as above (17 moves), walks down twice, right twice and up to the
  // right room's nearest pushing cell (5 moves), and clears it (1 + 15).
  const char twoRooms[] =
      "################\n"
      "#......#......##\n"
      "#$$$$$$#$$$$$$##\n"
      "#      #      ##\n"
      "#@            ##\n"
      "################\n";
  Parsed parsed = parse(twoRooms);
  EXPECT_EQ(oracle_min_moves(*parsed.level, 0, OracleRaw), 17 + 5 + 16);
}

TEST(Oracle, GivesUpPastItsStateCap) {
  Parsed parsed = parse("#######\n#     #\n# $@. #\n#     #\n#######\n");
  EXPECT_EQ(oracle_min_moves(*parsed.level, 0, OracleRaw, 5), OracleGaveUp);
}

}  // namespace vk
