// Presentation logic without any toolkit: the trace viewer's state and its
// steps over a copy of the level's cells, the masking of the last moves, and
// the solution text. The desktop shell draws what this computes.
#pragma once

#include <cstdint>

#include "level/level.h"

namespace vk {

constexpr int32_t HiddenMoves = 20;       // moves masked at the end of a solution
constexpr int32_t SolutionLineLength = 30;  // letters per line of the solution text
// 20,000 letters in lines of 30 with CR LF, "[TraceOver]" CR LF and a NUL.
constexpr int32_t SolutionTextSize = 21348;
constexpr char MaskedMove = '?';

// Hides the last moves of a fresh trace of a solution of length moves.
void mask_last_moves(char* trace, int32_t length);

// Writes the trace as lines of SolutionLineLength letters with CR LF line
// ends, and "[TraceOver]" when the trace was cut; out holds SolutionTextSize.
void solution_text(const char* trace, int32_t traceOver, char* out);

// ---------------------------------------------------------------- viewer

// The trace viewer's state: its own copy of the level's cells with the
// first `position` moves of the trace applied. Drawing reads it; nothing
// here draws.
struct TraceViewer {
  int32_t cells[MaxArea];  // view cells: flags of the Board, keeper and boxes moved
  int32_t width;
  int32_t height;
  int32_t area;
  int32_t offset[Directions];  // up, left, down, right, as the level's
  int32_t keeper;     // view keeper cell
  int32_t position;   // moves applied; the move at it is the next to replay
  int32_t length;     // solution length, which may exceed the stored trace
  const char* trace;  // the move trace, NUL-terminated; nullptr for none
  int32_t playing;    // automatic replay is under way
};

// What a drawing layer needs after a step: facing 0 (front view) or 1 to 4
// (up, left, down, right), and the direction 0 to 3 the view may scroll.
struct ViewStep {
  int32_t moved;   // 0 when the step did nothing
  int32_t facing;
  int32_t scroll;
};

// Copies the Board's cells into the view cells, as drawing a level does.
void viewer_load(TraceViewer& viewer, const Level& level);

// After a solve: the keeper back on KeeperStart, position 0, and the trace
// of a solution of length moves to replay (trace may be nullptr).
void viewer_reset(TraceViewer& viewer, const Level& level, const char* trace,
                  int32_t length);

// Top: back to the start position, view cells copied afresh.
void viewer_top(TraceViewer& viewer, const Level& level);

// 1 when the character at the trace position is a move letter, so that
// "->" and Play may be used.
int32_t viewer_can_step(const TraceViewer& viewer);

// 1 when a trace exists and the position is not 0, so that "<-" and Top
// may be used.
int32_t viewer_can_step_back(const TraceViewer& viewer);

// 1 when a trace exists (its first character is not NUL).
int32_t viewer_has_trace(const TraceViewer& viewer);

// Applies the move at the trace position; does nothing at NUL or a mask.
ViewStep viewer_step_forward(TraceViewer& viewer);

// Undoes the move before the trace position; does nothing at position 0.
ViewStep viewer_step_back(TraceViewer& viewer);

// The counter text "%4d/%4d": position and solution length. out holds
// ViewerCounterSize bytes.
constexpr int32_t ViewerCounterSize = 32;
void viewer_counter_text(const TraceViewer& viewer, char* out);

// ---------------------------------------------------------------- tiles
//
// Tile rendering: everything in the board area is drawn into one 768 x 480
// canvas from 24 x 24 tiles of the tile sheet (9 columns x 2 rows) in a
// viewport of 32 x 20 tiles. Drawing goes through a Canvas, a table of
// plain calls that the desktop shell fills in and tests fake.

constexpr int32_t TileSize = 24;
constexpr int32_t ViewportColumns = 32;
constexpr int32_t ViewportRows = 20;
constexpr int32_t CanvasWidth = TileSize * ViewportColumns;  // 768
constexpr int32_t CanvasHeight = TileSize * ViewportRows;    // 480
constexpr int32_t TileSheetColumns = 9;
constexpr int32_t TileSheetRows = 2;
constexpr int32_t TileSheetWidth = TileSize * TileSheetColumns;  // 216
constexpr int32_t TileSheetHeight = TileSize * TileSheetRows;    // 48
constexpr int32_t SplashWidth = 69;
constexpr int32_t SplashHeight = 65;

// Columns of the tile sheet's row 0. For the cell values 0 to 5 and 8 the
// column is the value itself. Row 1 holds the keeper facing up, left, down
// and right, each followed by its on-goal variant, then the shaded wall.
enum TileColumn : int32_t {
  TileFloor = 0,
  TileGoal = 1,
  TileBox = 2,
  TileBoxOnGoal = 3,
  TileKeeperFront = 4,
  TileKeeperFrontOnGoal = 5,
  TileSpeckled = 6,  // backdrop of levels; the "off" squares of pictures
  TileGrey = 7,      // backdrop of the start-up screen and of "Boxes Over"
  TileWall = 8,      // row 0: wall on wall; row 1: shaded lower edge
};

struct TileRef {
  int32_t column;
  int32_t row;
};

// Colours of text lines, 0xRRGGBB.
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

struct Canvas {
  void* context;
  // Copies tile (column, row) of the tile sheet to canvas pixel (x, y).
  void (*copy_tile)(void* context, int32_t column, int32_t row, int32_t x, int32_t y);
  // Copies the whole splash picture to canvas pixel (x, y).
  void (*copy_splash)(void* context, int32_t x, int32_t y);
  // One line of text, its top-left at (x, y), height in pixels.
  void (*draw_text)(void* context, int32_t x, int32_t y, int32_t height, uint32_t colour,
                    const char* text);
  // Shows the canvas on the screen at once.
  void (*repaint)(void* context);
};

// Where the board stands in the viewport: board cell (row i, column j) is
// drawn at viewport position (j + columnOffset, i + rowOffset). status is
// the LevelStatus the board was drawn for; it picks the outside tile.
struct BoardView {
  int32_t columnOffset;
  int32_t rowOffset;
  int32_t status;
};

// Backdrop plus picture; the caller repaints.
void draw_question_screen(const Canvas& canvas);
void draw_wait_screen(const Canvas& canvas);

// Full drawing of the level for status: copies the level's cells into the
// view cells and places the board, then repaints. A "Size Over" level shows
// its picture and leaves the view cells and the view as they were.
void draw_board(const Canvas& canvas, BoardView& view, TraceViewer& viewer, const Level& level,
                int32_t status);

// Redraw from the view cells after one replay step; facing as above, scroll
// 0 to 3 (up, left, down, right) the direction the view may follow the
// keeper in. Repaints.
void redraw_board(const Canvas& canvas, BoardView& view, const TraceViewer& viewer,
                  int32_t facing, int32_t scroll);

// The welcome screen: headline with shadow, the notes, the splash picture.
// The six lines on hidden moves appear only when hideLastMoves is on;
// boxLimit is the live boxes a level may have.
// Repaints.
void draw_startup_screen(const Canvas& canvas, const char* title, int32_t hideLastMoves,
                         int32_t boxLimit);

// The welcome screen's texts, for the shell and the tests.
constexpr int32_t StartupLineCapacity = 96;
extern const char* const StartupHiddenLines[6];

}  // namespace vk
