// Tile rendering through a fake canvas that records which tile lands on
// which viewport square.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "view/view_internal.h"

namespace vk {

namespace {

constexpr int32_t NoTile = -1;

struct FakeCanvas {
  TileRef grid[ViewportRows][ViewportColumns];
  int32_t copies = 0;
  int32_t repaints = 0;
  int32_t splashX = -1;
  int32_t splashY = -1;
  struct Text {
    int32_t x, y, height;
    uint32_t colour;
    std::string text;
  };
  std::vector<Text> texts;

  FakeCanvas() { clear(); }
  void clear() {
    for (auto& row : grid)
      for (auto& tile : row) tile = {NoTile, NoTile};
    copies = 0;
  }
  Canvas canvas() {
    Canvas c;
    c.context = this;
    c.copy_tile = [](void* self, int32_t column, int32_t row, int32_t x, int32_t y) {
      auto& fake = *static_cast<FakeCanvas*>(self);
      ASSERT_EQ(x % TileSize, 0);
      ASSERT_EQ(y % TileSize, 0);
      ASSERT_GE(x, 0);
      ASSERT_GE(y, 0);
      ASSERT_LT(x, CanvasWidth);
      ASSERT_LT(y, CanvasHeight);
      fake.grid[y / TileSize][x / TileSize] = {column, row};
      fake.copies += 1;
    };
    c.copy_splash = [](void* self, int32_t x, int32_t y) {
      static_cast<FakeCanvas*>(self)->splashX = x;
      static_cast<FakeCanvas*>(self)->splashY = y;
    };
    c.draw_text = [](void* self, int32_t x, int32_t y, int32_t height, uint32_t colour,
                     const char* text) {
      static_cast<FakeCanvas*>(self)->texts.push_back({x, y, height, colour, text});
    };
    c.repaint = [](void* self) { static_cast<FakeCanvas*>(self)->repaints += 1; };
    return c;
  }
  TileRef at(int32_t column, int32_t row) const { return grid[row][column]; }
};

bool same(TileRef a, TileRef b) { return a.column == b.column && a.row == b.row; }

// A level given by its cell values, row by row; no analysis.
std::unique_ptr<Level> make_level(int32_t width, int32_t height, int32_t keeper,
                                  int32_t fill = CellFloor) {
  auto level = std::make_unique<Level>();
  std::memset(level.get(), 0, sizeof(Level));
  level->width = width;
  level->height = height;
  level->area = width * height;
  for (int32_t i = 0; i < level->area; ++i) level->cells[i] = fill;
  level->cells[keeper] |= CellKeeper;
  level->KeeperStart = keeper;
  level->offset[DirUp] = -width;
  level->offset[DirLeft] = -1;
  level->offset[DirDown] = width;
  level->offset[DirRight] = 1;
  return level;
}

struct Drawn {
  FakeCanvas fake;
  BoardView view{};
  std::unique_ptr<TraceViewer> viewer = std::make_unique<TraceViewer>();
  void draw(const Level& level, int32_t status) {
    Canvas c = fake.canvas();
    draw_board(c, view, *viewer, level, status);
  }
};

TEST(BoardPlacement, SevenBySevenIsCentred) {
  auto level = make_level(7, 7, 8);
  Drawn d;
  d.draw(*level, LevelOk);
  EXPECT_EQ(d.view.columnOffset, 12);
  EXPECT_EQ(d.view.rowOffset, 6);
  EXPECT_TRUE(same(d.fake.at(12 + 1, 6 + 1), {TileKeeperFront, 0}));
  EXPECT_TRUE(same(d.fake.at(12, 6), {TileFloor, 0}));
  EXPECT_TRUE(same(d.fake.at(11, 6), {TileSpeckled, 0}));
  EXPECT_TRUE(same(d.fake.at(19, 13), {TileSpeckled, 0}));
  EXPECT_EQ(d.fake.repaints, 1);
}

TEST(BoardPlacement, OneColumnTooWideStartsAtZero) {
  auto level = make_level(33, 3, 33 + 1);
  Drawn d;
  d.draw(*level, LevelOk);
  EXPECT_EQ(d.view.columnOffset, 0);  // (32 - 33) / 2 truncates to 0
  EXPECT_EQ(d.view.rowOffset, 8);
}

TEST(BoardPlacement, WideBoardFollowsTheKeeper) {
  EXPECT_EQ(board_offset(40, ViewportColumns, 5), 0);
  EXPECT_EQ(board_offset(40, ViewportColumns, 30), -8);
  EXPECT_EQ(board_offset(40, ViewportColumns, 20), -4);
  EXPECT_EQ(board_offset(30, ViewportRows, 3), 0);
  EXPECT_EQ(board_offset(30, ViewportRows, 25), -10);
  EXPECT_EQ(board_offset(30, ViewportRows, 15), -5);

  auto level = make_level(40, 2, 30);
  Drawn d;
  d.draw(*level, LevelOk);
  EXPECT_EQ(d.view.columnOffset, -8);
  // Board column 8 is the first one drawn, the keeper stands at 30 - 8.
  EXPECT_TRUE(same(d.fake.at(22, 9), {TileKeeperFront, 0}));
}

TEST(BoardScrolling, RightEdgeScrollsOneTileAtATime) {
  auto level = make_level(33, 3, 33 + 27);
  Drawn d;
  d.draw(*level, LevelOk);
  Canvas c = d.fake.canvas();
  TraceViewer& v = *d.viewer;
  v.keeper = 33 + 27;
  // Keeper at viewport column 27: no scroll yet.
  redraw_board(c, d.view, v, DirRight + 1, DirRight);
  EXPECT_EQ(d.view.columnOffset, 0);
  v.cells[v.keeper] -= CellKeeper;
  v.keeper += 1;
  v.cells[v.keeper] += CellKeeper;
  redraw_board(c, d.view, v, DirRight + 1, DirRight);
  EXPECT_EQ(d.view.columnOffset, -1);
  EXPECT_TRUE(same(d.fake.at(27, 9), {2 * DirRight, 1}));  // keeper facing right
  // The board's last column has now come in; no further scroll is possible.
  redraw_board(c, d.view, v, DirRight + 1, DirRight);
  EXPECT_EQ(d.view.columnOffset, -1);
  // Going back left near the left edge scrolls back.
  v.cells[v.keeper] -= CellKeeper;
  v.keeper = 33 + 4;
  v.cells[v.keeper] += CellKeeper;
  redraw_board(c, d.view, v, DirLeft + 1, DirLeft);
  EXPECT_EQ(d.view.columnOffset, 0);
}

TEST(BoardScrolling, TallBoardScrollsUpAndDown) {
  auto level = make_level(3, 30, 3 * 14 + 1);
  Drawn d;
  d.draw(*level, LevelOk);
  EXPECT_EQ(d.view.rowOffset, -5);
  Canvas c = d.fake.canvas();
  TraceViewer& v = *d.viewer;
  v.keeper = 3 * 21 + 1;  // viewport row 16 > 15
  redraw_board(c, d.view, v, DirDown + 1, DirDown);
  EXPECT_EQ(d.view.rowOffset, -6);
  v.keeper = 3 * 10 + 1;  // viewport row 4 < 5
  redraw_board(c, d.view, v, DirUp + 1, DirUp);
  EXPECT_EQ(d.view.rowOffset, -5);
  // Facing 0 (back at the start) never scrolls.
  v.keeper = 3 * 6 + 1;
  redraw_board(c, d.view, v, 0, DirUp);
  EXPECT_EQ(d.view.rowOffset, -5);
  // The keeper's cell (row 14) in the front view.
  EXPECT_TRUE(same(d.fake.at(1 + d.view.columnOffset, 14 - 5), {TileKeeperFront, 0}));
}

TEST(BoardScrolling, SmallBoardNeverScrolls) {
  auto level = make_level(7, 7, 8);
  Drawn d;
  d.draw(*level, LevelOk);
  Canvas c = d.fake.canvas();
  d.viewer->keeper = 7 * 6 + 6;
  redraw_board(c, d.view, *d.viewer, DirRight + 1, DirRight);
  redraw_board(c, d.view, *d.viewer, DirDown + 1, DirDown);
  EXPECT_EQ(d.view.columnOffset, 12);
  EXPECT_EQ(d.view.rowOffset, 6);
}

TEST(CellTiles, WallShadingDependsOnTheCellBelow) {
  // Column 0: wall over wall over wall (last row). Column 1: wall over
  // floor. Column 2: wall over goal, column 3 wall over outside.
  auto level = make_level(4, 3, 1 * 4 + 1);
  int32_t rows[3][4] = {{CellWall, CellWall, CellWall, CellWall}, {CellWall, CellKeeper, CellGoal, CellOutside},
                        {CellWall, CellWall, CellWall, CellWall}};
  for (int32_t i = 0; i < 3; ++i)
    for (int32_t j = 0; j < 4; ++j) level->cells[i * 4 + j] = rows[i][j];
  Drawn d;
  d.draw(*level, LevelOk);
  const TraceViewer& v = *d.viewer;
  EXPECT_TRUE(same(cell_tile(v, 0, 0, LevelOk), {TileWall, 0}));
  EXPECT_TRUE(same(cell_tile(v, 4, 0, LevelOk), {TileWall, 0}));
  EXPECT_TRUE(same(cell_tile(v, 8, 0, LevelOk), {TileWall, 1}));  // last row
  EXPECT_TRUE(same(cell_tile(v, 1, 0, LevelOk), {TileWall, 1}));  // keeper below
  EXPECT_TRUE(same(cell_tile(v, 2, 0, LevelOk), {TileWall, 1}));  // goal below
  EXPECT_TRUE(same(cell_tile(v, 3, 0, LevelOk), {TileWall, 1}));  // outside below
  EXPECT_TRUE(same(cell_tile(v, 7, 0, LevelOk), {TileSpeckled, 0}));
  EXPECT_TRUE(same(cell_tile(v, 6, 0, LevelOk), {TileGoal, 0}));
}

TEST(CellTiles, ValuesAndFacings) {
  auto level = make_level(6, 1, 0);
  int32_t values[6] = {CellKeeper, CellGoal | CellKeeper, CellBox, CellGoal | CellBox, CellFloor, CellGoal};
  for (int32_t j = 0; j < 6; ++j) level->cells[j] = values[j];
  Drawn d;
  d.draw(*level, LevelOk);
  const TraceViewer& v = *d.viewer;
  EXPECT_TRUE(same(cell_tile(v, 0, 0, LevelOk), {TileKeeperFront, 0}));
  EXPECT_TRUE(same(cell_tile(v, 1, 0, LevelOk), {TileKeeperFrontOnGoal, 0}));
  EXPECT_TRUE(same(cell_tile(v, 2, 0, LevelOk), {TileBox, 0}));
  EXPECT_TRUE(same(cell_tile(v, 3, 0, LevelOk), {TileBoxOnGoal, 0}));
  for (int32_t f = 1; f <= 4; ++f) {
    EXPECT_TRUE(same(cell_tile(v, 0, f, LevelOk), {2 * (f - 1), 1}));
    EXPECT_TRUE(same(cell_tile(v, 1, f, LevelOk), {2 * (f - 1) + 1, 1}));
    // Facing concerns only the keeper.
    EXPECT_TRUE(same(cell_tile(v, 3, f, LevelOk), {TileBoxOnGoal, 0}));
    EXPECT_TRUE(same(cell_tile(v, 5, f, LevelOk), {TileGoal, 0}));
  }
}

TEST(Backdrops, FollowTheLevelStatus) {
  EXPECT_EQ(backdrop_tile(LevelOk), TileSpeckled);
  EXPECT_EQ(backdrop_tile(LevelSizeOver), TileSpeckled);
  EXPECT_EQ(backdrop_tile(LevelImpossible), TileSpeckled);
  EXPECT_EQ(backdrop_tile(LevelBoxesOver), TileGrey);
  EXPECT_EQ(backdrop_tile(LevelIrregular), TileFloor);

  auto level = make_level(3, 1, 1);
  level->cells[0] = CellOutside;
  level->cells[2] = CellOutside;
  for (int32_t status : {LevelIrregular, LevelBoxesOver, LevelImpossible}) {
    Drawn d;
    d.draw(*level, status);
    int32_t expected = backdrop_tile(status);
    EXPECT_TRUE(same(d.fake.at(0, 0), {expected, 0})) << status;
    EXPECT_TRUE(same(d.fake.at(d.view.columnOffset, d.view.rowOffset), {expected, 0}))
        << status;
    EXPECT_TRUE(same(d.fake.at(d.view.columnOffset + 1, d.view.rowOffset),
                     {TileKeeperFront, 0}));
  }
}

TEST(Backdrops, SizeOverShowsOnlyItsPicture) {
  auto small = make_level(5, 5, 6);
  Drawn d;
  d.draw(*small, LevelOk);
  auto other = make_level(9, 9, 10);
  d.fake.clear();
  d.draw(*other, LevelSizeOver);
  // The view keeps the former board.
  EXPECT_EQ(d.viewer->width, 5);
  EXPECT_EQ(d.view.columnOffset, 13);
  // Speckled backdrop, boxes spelling the words from (48, 96) on.
  int32_t boxes = 0;
  for (int32_t y = 0; y < ViewportRows; ++y)
    for (int32_t x = 0; x < ViewportColumns; ++x) {
      TileRef t = d.fake.at(x, y);
      EXPECT_EQ(t.row, 0);
      EXPECT_TRUE(t.column == TileSpeckled || t.column == TileBox);
      if (t.column == TileBox) {
        boxes += 1;
        EXPECT_GE(x, 2);
        EXPECT_GE(y, 4);
      }
    }
  EXPECT_TRUE(same(d.fake.at(2 + 1, 4), {TileBox, 0}));  // "6222..." top row
  EXPECT_TRUE(same(d.fake.at(2, 4), {TileSpeckled, 0}));
  EXPECT_GT(boxes, 40);
  EXPECT_EQ(d.fake.repaints, 2);
}

TEST(Pictures, WaitAndQuestionMark) {
  FakeCanvas fake;
  Canvas c = fake.canvas();
  draw_wait_screen(c);
  EXPECT_TRUE(same(fake.at(7, 7), {TileBox, 0}));      // (168, 168): "2666..."
  EXPECT_TRUE(same(fake.at(8, 7), {TileSpeckled, 0}));
  EXPECT_TRUE(same(fake.at(7, 12), {TileSpeckled, 0}));  // last row "6262..."
  EXPECT_TRUE(same(fake.at(8, 12), {TileBox, 0}));
  EXPECT_EQ(fake.repaints, 0);  // the caller repaints
  fake.clear();
  draw_question_screen(c);
  EXPECT_EQ(fake.copies, ViewportColumns * ViewportRows + 5 * 7);
  EXPECT_TRUE(same(fake.at(13, 6), {TileSpeckled, 0}));  // (312, 144): "62226"
  EXPECT_TRUE(same(fake.at(14, 6), {TileBox, 0}));
  EXPECT_TRUE(same(fake.at(15, 12), {TileBox, 0}));  // the dot
  EXPECT_TRUE(same(fake.at(15, 11), {TileSpeckled, 0}));
}

TEST(StartupScreen, HiddenMovesLinesFollowTheSetting) {
  FakeCanvas on;
  Canvas c = on.canvas();
  draw_startup_screen(c, "Title", 1, MaxBoxes);
  EXPECT_TRUE(same(on.at(0, 0), {TileGrey, 0}));
  EXPECT_TRUE(same(on.at(31, 19), {TileGrey, 0}));
  ASSERT_EQ(on.texts.size(), 10u);
  EXPECT_EQ(on.texts[0].x, 56);
  EXPECT_EQ(on.texts[0].colour, rgb(0, 0, 0));
  EXPECT_EQ(on.texts[1].x, 54);
  EXPECT_EQ(on.texts[1].y, 110);
  EXPECT_EQ(on.texts[1].colour, rgb(255, 255, 255));
  EXPECT_EQ(on.texts[3].text, "But, the quantity of boxes are limited to 8 boxes.");
  EXPECT_EQ(on.texts[9].text, " I can't get in his way.");
  EXPECT_EQ(on.texts[9].y, 362);
  EXPECT_EQ(on.texts[9].height, 16);
  EXPECT_EQ(on.splashX, 580);
  EXPECT_EQ(on.splashY, 320);
  EXPECT_EQ(on.repaints, 1);

  FakeCanvas off;
  Canvas c2 = off.canvas();
  draw_startup_screen(c2, "Title", 0, MaxBoxes);
  ASSERT_EQ(off.texts.size(), 4u);
  EXPECT_EQ(off.texts[2].text, "This software looks for the minimum moves solution in Vantori.");
  EXPECT_EQ(off.splashX, 580);
}

}  // namespace

}  // namespace vk
