// What the view folder's sources share beyond view.h, and what its tests
// reach into: the move letters' test, the tile pictures and the steps of
// drawing a board.
#pragma once

#include <cstdint>

#include "view/view.h"

namespace vk {

// 1 for the letters of a move ("udlrUDLR"); 0 for NUL, the mask and any
// other character.
int32_t is_move_letter(char c);

// A picture of tiles: one string of digits per row, digit d draws tile
// (d, row 0); its top-left tile at canvas pixel (x, y).
struct TilePicture {
  int32_t columns;
  int32_t rows;
  int32_t x;
  int32_t y;
  const char* const* lines;
};

extern const TilePicture QuestionPicture;  // after an intake that stored nothing
extern const TilePicture WaitPicture;      // while a file or folder is read
extern const TilePicture SizeOverPicture;  // for a level over MaxArea cells

// Backdrop tile of a board drawn for a LevelStatus.
int32_t backdrop_tile(int32_t status);

// The tile of a view cell drawn with facing 0 (front view) or 1 to 4 (up,
// left, down, right), on a board drawn for status.
TileRef cell_tile(const TraceViewer& viewer, int32_t cell, int32_t facing, int32_t status);

// Offset of a board dimension of size cells in a viewport of viewportSize
// tiles: centred, or, when the board does not fit, against the edge near
// the keeper at keeperPos when it stands within half a viewport of it.
int32_t board_offset(int32_t size, int32_t viewportSize, int32_t keeperPos);

void fill_backdrop(const Canvas& canvas, int32_t tile);
void draw_tile_picture(const Canvas& canvas, const TilePicture& picture);

}  // namespace vk
