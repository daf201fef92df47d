// The level reader: row measuring, the size and form checks in their order,
// the keeper region and outside cells, and reading level files whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "level/level_internal.h"
#include "support/support.h"

namespace vk {

namespace {

std::string level_path(const TempDir& dir, int32_t n) {
  char name[StorePathCapacity];
  level_file_name(dir.path.c_str(), n, name, StorePathCapacity);
  return name;
}

// A walled room of the given size with the keeper, one box and one goal.
std::string room(int32_t rows, int32_t columns) {
  std::string text;
  for (int32_t r = 0; r < rows; r++) {
    std::string line(size_t(columns), ' ');
    line.front() = line.back() = '#';
    if (r == 0 || r == rows - 1) line.assign(size_t(columns), '#');
    if (r == 2) line.replace(2, 3, "@$.");
    text += line + "\n";
  }
  return text;
}

int32_t count_boxes(const std::string& text) {
  return int32_t(std::count(text.begin(), text.end(), '$') + std::count(text.begin(), text.end(), '*'));
}

const char* const SimpleLevel =
    "######\n"
    "#    #\n"
    "# @$.#\n"
    "#    #\n"
    "######\n";

}  // namespace

TEST(LevelStatusWord, NamesEveryStatus) {
  EXPECT_STREQ(level_status_word(LevelOk), "");
  EXPECT_STREQ(level_status_word(LevelSizeOver), "Size Over");
  EXPECT_STREQ(level_status_word(LevelBoxesOver), "Boxes Over");
  EXPECT_STREQ(level_status_word(LevelIrregular), "Irregular");
  EXPECT_STREQ(level_status_word(LevelImpossible), "Impossible");
}

TEST(NextGeneration, CountsUpAndWrapsWithClearedStamps) {
  auto map = std::make_unique<StampMap>();
  *map = {};
  EXPECT_EQ(next_generation(*map), 1);
  EXPECT_EQ(next_generation(*map), 2);
  map->generation = LastGeneration;
  map->stamps[0] = LastGeneration;
  map->stamps[MaxArea - 1] = 1;
  EXPECT_EQ(next_generation(*map), 1);
  EXPECT_EQ(map->stamps[0], 0);
  EXPECT_EQ(map->stamps[MaxArea - 1], 0);
}

TEST(ParseLevel, SimpleLevelFillsBoardAndTables) {
  int32_t status;
  auto level = parsed(SimpleLevel, &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->width, 6);
  EXPECT_EQ(level->height, 5);
  EXPECT_EQ(level->area, 30);
  EXPECT_EQ(level->KeeperStart, at(*level, 2, 2));
  EXPECT_EQ(level->totalBoxes, 1);
  EXPECT_EQ(level->liveBoxes, 1);
  EXPECT_EQ(level->offset[DirUp], -6);
  EXPECT_EQ(level->offset[DirLeft], -1);
  EXPECT_EQ(level->offset[DirDown], 6);
  EXPECT_EQ(level->offset[DirRight], 1);
  EXPECT_EQ(level->cells[at(*level, 2, 2)], CellKeeper);
  EXPECT_EQ(level->cells[at(*level, 2, 3)], CellBox);
  EXPECT_EQ(level->cells[at(*level, 2, 4)], CellGoal);
  EXPECT_EQ(level->cells[0], CellWall);
  EXPECT_EQ(level->BoxStartMap[at(*level, 2, 3)], 2);
  EXPECT_EQ(level->GoalMap[at(*level, 2, 4)], 1);
  int32_t goals = 0, starts = 0;
  for (int32_t c = 0; c < level->area; c++) {
    goals += level->GoalMap[c];
    starts += level->BoxStartMap[c] / 2;
    EXPECT_TRUE(level->BlockMap[c] == MapOpen || level->BlockMap[c] == MapBlocked);
  }
  EXPECT_EQ(goals, 1);
  EXPECT_EQ(starts, 1);
}

TEST(ParseLevel, KeeperAndBoxOnGoalCharacters) {
  int32_t status;
  auto level = parsed(
      "#######\n"
      "#     #\n"
      "# +$  #\n"
      "#  *$.#\n"
      "#     #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->cells[at(*level, 2, 2)], CellKeeper | CellGoal);
  EXPECT_EQ(level->cells[at(*level, 3, 3)], CellBox | CellGoal);
  EXPECT_EQ(level->KeeperStart, at(*level, 2, 2));
  EXPECT_EQ(level->totalBoxes, 3);
}

TEST(RowMeasure, EmptyTextHasNoCellsAndIsIrregular) {
  int32_t status;
  auto level = parsed("", &status);
  EXPECT_EQ(status, LevelIrregular);
  EXPECT_EQ(level->area, 0);
  EXPECT_EQ(level->totalBoxes, 0);
}

TEST(RowMeasure, CarriageReturnsGiveNoRows) {
  int32_t status;
  auto level = parsed("######\r\n#@$. #\r\n######\r\n", &status);
  EXPECT_EQ(status, LevelIrregular);
  EXPECT_EQ(level->height, 0);
  EXPECT_EQ(level->width, 0);
}

TEST(RowMeasure, UnterminatedLastLineIsNoRow) {
  int32_t status;
  auto level = parsed("#####\n#@$.#\n#####", &status);
  EXPECT_EQ(level->height, 2);
  EXPECT_EQ(level->width, 5);
  EXPECT_EQ(status, LevelIrregular);  // the keeper now stands on the last row
}

TEST(RowMeasure, OtherCharacterEndsTheRows) {
  int32_t status;
  auto level = parsed("######\n#@$. #\n######\nTitle\n#######\n", &status);
  EXPECT_EQ(level->height, 3);
  EXPECT_EQ(level->width, 6);
  EXPECT_EQ(status, LevelOk);
}

TEST(RowMeasure, EmptyLinesAreRowsAndWidthIsLongestRow) {
  int32_t status;
  auto level = parsed("###\n\n#####\n", &status);
  EXPECT_EQ(level->height, 3);
  EXPECT_EQ(level->width, 5);
  EXPECT_EQ(status, LevelIrregular);
}

TEST(RowMeasure, ZeroByteEndsTheText) {
  std::string text = SimpleLevel;
  text[16] = '\0';  // inside the third row
  int32_t status;
  auto level = parsed(text, &status);
  EXPECT_EQ(level->height, 2);
  EXPECT_EQ(status, LevelIrregular);
}

TEST(SizeCheck, WideLevelIsSizeOverWithEveryBoxOfTheText) {
  std::string text = "#" + std::string(68, ' ') + "#\n";
  for (int32_t r = 1; r < 30; r++) text += "#$   .  #\n";
  text += "Title $*\n$$";  // not rows, yet counted
  ASSERT_LT(text.size(), 2000u);
  int32_t status;
  auto level = parsed(text, &status);
  EXPECT_EQ(status, LevelSizeOver);
  EXPECT_EQ(level->width, 70);
  EXPECT_EQ(level->height, 30);
  EXPECT_EQ(level->totalBoxes, 29 + 4);
}

TEST(SizeCheck, ExactlyMaxAreaPasses) {
  std::string text = room(40, 50);
  int32_t status;
  auto level = parsed(text, &status);
  EXPECT_EQ(status, LevelOk);
  EXPECT_EQ(level->area, MaxArea);
}

TEST(CheckOrder, SizeBeforeForm) {
  // Two keepers, no goal, and too large.
  std::string text;
  for (int32_t r = 0; r < 41; r++) text += std::string(50, r == 1 ? '@' : '#') + "\n";
  EXPECT_EQ(status_of(text), LevelSizeOver);
}

TEST(CountChecks, BoxesGoalsAndKeepers) {
  EXPECT_EQ(status_of("#####\n#@ .#\n#####\n"), LevelIrregular);              // no box
  EXPECT_EQ(status_of("######\n#@$$.#\n#    #\n######\n"), LevelIrregular);  // boxes != goals
  EXPECT_EQ(status_of("######\n#@$..#\n#    #\n######\n"), LevelIrregular);  // goals != boxes
  EXPECT_EQ(status_of("######\n#@$.@#\n#    #\n######\n"), LevelIrregular);  // two keepers
  EXPECT_EQ(status_of("######\n# $. #\n#    #\n######\n"), LevelIrregular);  // no keeper
}

TEST(CheckOrder, FormBeforeSolvability) {
  // A box stuck in a corner would be Impossible, but two keepers come first.
  EXPECT_EQ(status_of("######\n#$ .@#\n#  @ #\n######\n"), LevelIrregular);
  // As does a gap in the outer wall.
  EXPECT_EQ(status_of("######\n#$ .@#\n#     \n######\n"), LevelIrregular);
  EXPECT_EQ(status_of("######\n#$ .@#\n#    #\n######\n"), LevelImpossible);
}

TEST(KeeperRegion, GapInOuterWallFarFromKeeper) {
  EXPECT_EQ(status_of("##########\n"
                      "#        #\n"
                      "# @$.    #\n"
                      "#        #\n"
                      "#         \n"
                      "##########\n"),
            LevelIrregular);
}

TEST(KeeperRegion, KeeperOnOutermostRowOrColumn) {
  EXPECT_EQ(status_of("##@##\n# $.#\n#   #\n#####\n"), LevelIrregular);
  EXPECT_EQ(status_of("#####\n# $.#\n@   #\n#####\n"), LevelIrregular);
}

TEST(KeeperRegion, WalledOffBoxOrGoalIsIrregular) {
  EXPECT_EQ(status_of("########\n"
                      "#    #$#\n"
                      "# @$..##\n"
                      "#      #\n"
                      "########\n"),
            LevelIrregular);
  EXPECT_EQ(status_of("########\n"
                      "#    #.#\n"
                      "# @$ $##\n"
                      "#   .  #\n"
                      "########\n"),
            LevelIrregular);
}

TEST(KeeperRegion, WalledOffBoxOnGoalIsFrozen) {
  int32_t status;
  auto level = parsed(
      "########\n"
      "#    #*#\n"
      "# @$. ##\n"
      "#      #\n"
      "########\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->totalBoxes, 2);
  EXPECT_EQ(level->liveBoxes, 1);
  EXPECT_EQ(level->cells[at(*level, 1, 6)], CellBox | CellGoal);  // the Board keeps it as written
  EXPECT_EQ(level->BlockMap[at(*level, 1, 6)], MapBlocked);
  EXPECT_EQ(level->BoxStartMap[at(*level, 1, 6)], 0);
  EXPECT_EQ(level->GoalMap[at(*level, 1, 6)], 0);
}

TEST(KeeperRegion, LeadingSpacesAndShortRowsBecomeOutside) {
  int32_t status;
  auto level = parsed(
      "  #####\n"
      "###   #\n"
      "#  $. #\n"
      "#  @ ##\n"
      "#####\n",
      &status);
  ASSERT_EQ(status, LevelOk);
  EXPECT_EQ(level->width, 7);
  for (int32_t cell : {at(*level, 0, 0), at(*level, 0, 1), at(*level, 4, 5), at(*level, 4, 6)}) {
    EXPECT_EQ(level->cells[cell], CellOutside) << cell;
    EXPECT_EQ(level->BlockMap[cell], MapBlocked) << cell;
  }
  EXPECT_EQ(level->cells[at(*level, 3, 4)], CellFloor);
}

TEST(BoxLimit, TenBoxesTwoFrozenIsOk) {
  int32_t status;
  auto level = parsed(
      "############\n"
      "#*        *#\n"
      "#  $ $ $ $ #\n"
      "#  . . . . #\n"
      "#  $ $ $ $ #\n"
      "#  . . . . #\n"
      "#     @    #\n"
      "############\n",
      &status);
  EXPECT_EQ(status, LevelOk);
  EXPECT_EQ(level->totalBoxes, 10);
  EXPECT_EQ(level->liveBoxes, 8);
}

TEST(BoxLimit, NineMovableBoxesAreBoxesOverUnlessImpossible) {
  int32_t status;
  auto level = parsed(
      "############\n"
      "#          #\n"
      "#  $ $ $ $ #\n"
      "#  . . . . #\n"
      "#  $ $ $ $ #\n"
      "#  . . . . #\n"
      "#   $ .@   #\n"
      "############\n",
      &status);
  EXPECT_EQ(status, LevelBoxesOver);
  EXPECT_EQ(level->liveBoxes, 9);
  // The ninth box in a corner off the goals: solvability is judged first.
  EXPECT_EQ(status_of("############\n"
                      "#          #\n"
                      "#  $ $ $ $ #\n"
                      "#  . . . . #\n"
                      "#  $ $ $ $ #\n"
                      "#  . . . . #\n"
                      "#$    .@   #\n"
                      "############\n"),
            LevelImpossible);
}

TEST(FloodFill, ReachesExactlyTheOpenRegion) {
  int32_t status;
  auto level = parsed(
      "#######\n"
      "#  #  #\n"
      "# @# $#\n"
      "#  #  #\n"
      "#. #  #\n"
      "#######\n",
      &status);
  ASSERT_EQ(status, LevelIrregular);  // the box lies out of the keeper's reach
  // The tables of the form checks are in place: walls only in the BlockMap.
  int32_t region[MaxArea];
  EXPECT_EQ(find_keeper_region(*level, level->BlockMap, region, level->KeeperStart), 0);
  EXPECT_EQ(region[at(*level, 4, 1)], 1);
  EXPECT_EQ(region[at(*level, 2, 5)], 0);
  int32_t generation = next_generation(level->stamp);
  flood_fill(*level, level->BlockMap, level->KeeperStart, level->stamp.stamps, generation);
  for (int32_t c = 0; c < level->area; c++) {
    bool left = c % level->width < 3 && level->BlockMap[c] == MapOpen;
    EXPECT_EQ(level->stamp.stamps[c] == generation, left) << c;
  }
}

TEST(FindKeeperRegion, BorderEndsTheSearch) {
  int32_t status;
  auto level = parsed("#####\n#@$.#\n#    \n#####\n", &status);
  ASSERT_EQ(status, LevelIrregular);
  int32_t region[MaxArea];
  EXPECT_EQ(find_keeper_region(*level, level->BlockMap, region, level->KeeperStart), 1);
}

// ---------------------------------------------------------------- files

TEST(ReadLevel, MissingOrUnreadableFileIsIrregular) {
  TempDir dir;
  auto level = std::make_unique<Level>();
  *level = {};
  ASSERT_EQ(parse_level(*level, SimpleLevel, int32_t(std::string(SimpleLevel).size())), LevelOk);
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 1), LevelIrregular);
  EXPECT_EQ(level->width, 0);
  EXPECT_EQ(level->height, 0);
  EXPECT_EQ(level->area, 0);
  EXPECT_EQ(level->totalBoxes, 0);
  EXPECT_EQ(level->liveBoxes, 0);
  // A folder under the level file's name opens but cannot be read.
  ASSERT_EQ(std::system(("mkdir '" + level_path(dir, 2) + "'").c_str()), 0);
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 2), LevelIrregular);
}

TEST(ReadLevel, ReadsTheStoredLevel) {
  TempDir dir;
  write_file(level_path(dir, 7), SimpleLevel);
  auto level = std::make_unique<Level>();
  *level = {};
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 7), LevelOk);
  EXPECT_EQ(level->width, 6);
  EXPECT_EQ(level->liveBoxes, 1);
}

TEST(ReadLevel, FortyRowsOfFiftyAreReadWhole) {
  TempDir dir;
  std::string text = room(40, 50);
  ASSERT_EQ(text.size(), 2040u);
  write_file(level_path(dir, 1), text);
  auto level = std::make_unique<Level>();
  *level = {};
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 1), LevelOk);
  EXPECT_EQ(level->height, 40);
  EXPECT_EQ(level->width, 50);
  EXPECT_EQ(level->area, MaxArea);
}

TEST(ReadLevel, FortyOneRowsOfFiftyAreSizeOverWithEveryBox) {
  TempDir dir;
  std::string text = room(41, 50);
  // Boxes in the last rows, and in text behind the rows, count too.
  text.replace(size_t(51 * 39 + 1), 4, "$*$$");
  text += "Title with a $\n";
  ASSERT_EQ(count_boxes(text), 6);
  write_file(level_path(dir, 1), text);
  auto level = std::make_unique<Level>();
  *level = {};
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 1), LevelSizeOver);
  EXPECT_EQ(level->height, 41);
  EXPECT_EQ(level->width, 50);
  EXPECT_EQ(level->totalBoxes, 6);
}

TEST(ReadLevel, LongFilesAreMeasuredToTheirEnd) {
  TempDir dir;
  auto level = std::make_unique<Level>();
  *level = {};
  // 3000 rows of one wall: twice the bytes any level of MaxArea cells needs.
  std::string column;
  for (int32_t r = 0; r < 3000; r++) column += "#\n";
  column += "$$$";
  write_file(level_path(dir, 1), column);
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 1), LevelSizeOver);
  EXPECT_EQ(level->height, 3000);
  EXPECT_EQ(level->width, 1);
  EXPECT_EQ(level->totalBoxes, 3);
  // 2000 such rows fill the kept text exactly and pass the size test.
  column.clear();
  for (int32_t r = 0; r < 2000; r++) column += "#\n";
  write_file(level_path(dir, 2), column);
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 2), LevelIrregular);
  EXPECT_EQ(level->height, 2000);
  EXPECT_EQ(level->area, 2000);
  // A long line behind the rows ends them; its boxes are not the level's.
  std::string tail = std::string(SimpleLevel) + "x" + std::string(9000, '$') + "\n";
  write_file(level_path(dir, 3), tail);
  EXPECT_EQ(read_level(*level, dir.path.c_str(), 3), LevelOk);
  EXPECT_EQ(level->totalBoxes, 1);
}

TEST(ReadLevel, PublicLevelsReadWithPlausibleStatuses) {
  std::vector<std::string> levels = public_levels();
  ASSERT_EQ(levels.size(), 155u);

  TempDir dir;
  for (size_t i = 0; i < levels.size(); i++) write_file(level_path(dir, int32_t(i + 1)), levels[i]);
  auto level = std::make_unique<Level>();
  *level = {};
  int32_t byStatus[5] = {0, 0, 0, 0, 0};
  for (size_t i = 0; i < levels.size(); i++) {
    int32_t status = read_level(*level, dir.path.c_str(), int32_t(i + 1));
    ASSERT_GE(status, 0);
    ASSERT_LE(status, 4);
    byStatus[status]++;
    if (status != LevelOk) continue;
    // What the search relies on: as many open goals as live boxes, each
    // start carrying its own bit, blocked borders, reach marks among the
    // no-rest marks.
    int32_t goals = 0, k = 0;
    for (int32_t c = 0; c < level->area; c++) {
      int32_t row = c / level->width, column = c % level->width;
      if (row == 0 || column == 0 || row == level->height - 1 || column == level->width - 1) {
        EXPECT_EQ(level->BlockMap[c], MapBlocked) << "level " << i + 1;
      }
      goals += level->GoalMap[c];
      if (level->BoxStartMap[c]) {
        EXPECT_TRUE(level->ReachMask[c] & (1 << k)) << "level " << i + 1;
        k++;
      }
      if (level->NoReachMap[c]) {
        EXPECT_EQ(level->NoRestMap[c], 1);
      }
    }
    EXPECT_EQ(goals, level->liveBoxes) << "level " << i + 1;
    EXPECT_EQ(k, level->liveBoxes);
    EXPECT_GE(level->liveBoxes, 1);
    EXPECT_LE(level->liveBoxes, MaxBoxes);
  }
  std::printf("public levels: %d ok, %d size over, %d boxes over, %d irregular, %d impossible\n",
              byStatus[0], byStatus[1], byStatus[2], byStatus[3], byStatus[4]);
  EXPECT_GE(byStatus[LevelOk], 100);
}

}  // namespace vk
