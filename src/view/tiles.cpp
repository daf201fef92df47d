// Tile rendering: the backdrops, the cell-to-tile rule, the viewport with
// its centring and scrolling, the tile pictures and the start-up screen.
// Everything is drawn through the Canvas calls, tile by tile.
#include <cstdio>

#include "view/view_internal.h"

namespace vk {

namespace {

// The keeper scrolls the view when it comes this close to an edge.
constexpr int32_t ScrollMargin = 5;

const char* const QuestionLines[] = {
    "62226", "26662", "66662", "66626", "66266", "66666", "66266",
};

const char* const WaitLines[] = {
    "266626662666266222", "262626626266266626", "262626626266266626",
    "262626622266266626", "262626626266266626", "626266626266266626",
};

const char* const SizeOverLines[] = {
    "6222626222266226666666666666", "2666666666262662666666666666",
    "6226626662662222666666666666", "6662626626662666666666666666",
    "2226626222266222666666666666", "6666666666666666666666666666",
    "6666666666666666666666666666", "6666666666622662662662266262",
    "6666666666266262662626626226", "6666666666266262662622226266",
    "6666666666266266226626666266", "6666666666622666226662226266",
};

// Texts of the start-up screen.
constexpr uint32_t ShadowColour = rgb(0, 0, 0);
constexpr uint32_t HeadlineColour = rgb(255, 255, 255);
constexpr uint32_t NoteColour = rgb(255, 255, 100);
constexpr uint32_t AsideColour = rgb(255, 200, 255);
constexpr int32_t HeadlineHeight = 26;
constexpr int32_t NoteHeight = 22;
constexpr int32_t AsideHeight = 16;
constexpr int32_t SplashX = 580;
constexpr int32_t SplashY = 320;

struct TextLine {
  int32_t x;
  int32_t y;
  int32_t height;
  uint32_t colour;
};

constexpr TextLine HiddenLinePlaces[6] = {
    {80, 260, NoteHeight, NoteColour},    {160, 290, AsideHeight, AsideColour},
    {160, 308, AsideHeight, AsideColour}, {160, 326, AsideHeight, AsideColour},
    {160, 344, AsideHeight, AsideColour}, {160, 362, AsideHeight, AsideColour},
};

void copy_tile_at(const Canvas& canvas, TileRef tile, int32_t viewColumn, int32_t viewRow) {
  canvas.copy_tile(canvas.context, tile.column, tile.row, TileSize * viewColumn,
                   TileSize * viewRow);
}

// Draws every view cell that falls inside the viewport.
void draw_cells(const Canvas& canvas, const BoardView& view, const TraceViewer& viewer,
                int32_t facing) {
  for (int32_t i = 0; i < viewer.height; ++i) {
    int32_t viewRow = i + view.rowOffset;
    if (viewRow < 0 || viewRow >= ViewportRows) continue;
    for (int32_t j = 0; j < viewer.width; ++j) {
      int32_t viewColumn = j + view.columnOffset;
      if (viewColumn < 0 || viewColumn >= ViewportColumns) continue;
      TileRef tile = cell_tile(viewer, i * viewer.width + j, facing, view.status);
      copy_tile_at(canvas, tile, viewColumn, viewRow);
    }
  }
}

// Moves the view by one tile when the keeper, at viewport position
// (column, row) after a step in direction scroll, nears an edge beyond
// which the board goes on.
void follow_keeper(BoardView& view, const TraceViewer& viewer, int32_t scroll) {
  int32_t column = viewer.keeper % viewer.width + view.columnOffset;
  int32_t row = viewer.keeper / viewer.width + view.rowOffset;
  switch (scroll) {
    case DirUp:
      if (view.rowOffset < 0 && row < ScrollMargin) view.rowOffset += 1;
      break;
    case DirLeft:
      if (view.columnOffset < 0 && column < ScrollMargin) view.columnOffset += 1;
      break;
    case DirDown:
      if (view.rowOffset + viewer.height > ViewportRows && row > ViewportRows - ScrollMargin)
        view.rowOffset -= 1;
      break;
    case DirRight:
      if (view.columnOffset + viewer.width > ViewportColumns &&
          column > ViewportColumns - ScrollMargin)
        view.columnOffset -= 1;
      break;
    default:
      break;
  }
}

}  // namespace

const TilePicture QuestionPicture = {5, 7, 312, 144, QuestionLines};
const TilePicture WaitPicture = {18, 6, 168, 168, WaitLines};
const TilePicture SizeOverPicture = {28, 12, 48, 96, SizeOverLines};

const char* const StartupHiddenLines[6] = {
    "Moreover, the last 20 moves are not displayed after solved.",
    "Why not?",
    "Vantori is recognized in the world as the public domain,",
    " but it's not really the full public domain.",
    "The author of Vantori is still active in Japan.",
    " I can't get in his way.",
};

int32_t backdrop_tile(int32_t status) {
  if (status == LevelBoxesOver) return TileGrey;
  if (status == LevelIrregular) return TileFloor;
  return TileSpeckled;
}

TileRef cell_tile(const TraceViewer& viewer, int32_t cell, int32_t facing, int32_t status) {
  int32_t value = viewer.cells[cell];
  if (facing != 0 && (value & CellKeeper) != 0) return {2 * (facing - 1) + (value & CellGoal), 1};
  if (value == CellOutside) return {backdrop_tile(status), 0};
  if (value == CellWall) {
    int32_t below = cell + viewer.width;
    bool lastRow = cell / viewer.width == viewer.height - 1;
    if (!lastRow && viewer.cells[below] == CellWall) return {TileWall, 0};
    return {TileWall, 1};
  }
  return {value, 0};
}

int32_t board_offset(int32_t size, int32_t viewportSize, int32_t keeperPos) {
  int32_t offset = (viewportSize - size) / 2;  // C++ division truncates toward zero
  if (offset >= 0) return offset;
  int32_t half = viewportSize / 2;
  if (keeperPos < half) return 0;
  if (size - keeperPos < half) return viewportSize - size;
  return offset;
}

void fill_backdrop(const Canvas& canvas, int32_t tile) {
  for (int32_t y = 0; y < ViewportRows; ++y)
    for (int32_t x = 0; x < ViewportColumns; ++x) copy_tile_at(canvas, {tile, 0}, x, y);
}

void draw_tile_picture(const Canvas& canvas, const TilePicture& picture) {
  for (int32_t r = 0; r < picture.rows; ++r) {
    for (int32_t c = 0; c < picture.columns; ++c) {
      int32_t digit = picture.lines[r][c] - '0';
      canvas.copy_tile(canvas.context, digit, 0, picture.x + TileSize * c,
                       picture.y + TileSize * r);
    }
  }
}

void draw_question_screen(const Canvas& canvas) {
  fill_backdrop(canvas, TileSpeckled);
  draw_tile_picture(canvas, QuestionPicture);
}

void draw_wait_screen(const Canvas& canvas) {
  fill_backdrop(canvas, TileSpeckled);
  draw_tile_picture(canvas, WaitPicture);
}

void draw_board(const Canvas& canvas, BoardView& view, TraceViewer& viewer, const Level& level,
                int32_t status) {
  fill_backdrop(canvas, backdrop_tile(status));
  if (status == LevelSizeOver) {
    draw_tile_picture(canvas, SizeOverPicture);
    canvas.repaint(canvas.context);
    return;
  }
  viewer_load(viewer, level);
  int32_t keeperRow = 0;
  int32_t keeperColumn = 0;
  for (int32_t i = 0; i < viewer.area; ++i) {
    if ((viewer.cells[i] & CellKeeper) != 0) {
      keeperRow = i / viewer.width;
      keeperColumn = i % viewer.width;
      break;
    }
  }
  view.status = status;
  view.columnOffset = board_offset(viewer.width, ViewportColumns, keeperColumn);
  view.rowOffset = board_offset(viewer.height, ViewportRows, keeperRow);
  draw_cells(canvas, view, viewer, 0);
  canvas.repaint(canvas.context);
}

void redraw_board(const Canvas& canvas, BoardView& view, const TraceViewer& viewer,
                  int32_t facing, int32_t scroll) {
  bool larger = viewer.width > ViewportColumns || viewer.height > ViewportRows;
  if (facing != 0 && larger) follow_keeper(view, viewer, scroll);
  draw_cells(canvas, view, viewer, facing);
  canvas.repaint(canvas.context);
}

void draw_startup_screen(const Canvas& canvas, const char* title, int32_t hideLastMoves,
                         int32_t boxLimit) {
  fill_backdrop(canvas, TileGrey);
  canvas.draw_text(canvas.context, 56, 112, HeadlineHeight, ShadowColour, title);
  canvas.draw_text(canvas.context, 54, 110, HeadlineHeight, HeadlineColour, title);
  canvas.draw_text(canvas.context, 80, 200, NoteHeight, NoteColour,
                   "This software looks for the minimum moves solution in Vantori.");
  char line[StartupLineCapacity];
  std::snprintf(line, sizeof line, "But, the quantity of boxes are limited to %d boxes.",
                boxLimit);
  canvas.draw_text(canvas.context, 80, 230, NoteHeight, NoteColour, line);
  if (hideLastMoves) {
    for (int32_t k = 0; k < 6; ++k) {
      const TextLine& place = HiddenLinePlaces[k];
      canvas.draw_text(canvas.context, place.x, place.y, place.height, place.colour,
                       StartupHiddenLines[k]);
    }
  }
  canvas.copy_splash(canvas.context, SplashX, SplashY);
  canvas.repaint(canvas.context);
}

}  // namespace vk
