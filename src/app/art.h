// The program's pictures: the tile sheet, the splash picture and the icon,
// 8 bits per pixel over one shared palette. They are built from the text
// pixel maps in src/app/art/ when the program is built.
#pragma once

#include <cstdint>

namespace vk {

constexpr int32_t ArtPaletteSize = 256;

// Colours 0xAARRGGBB; alpha 0 is the icon's transparent background.
extern const uint32_t ArtPalette[ArtPaletteSize];

struct ArtImage {
  int32_t width;
  int32_t height;
  const uint8_t* pixels;  // palette indices, row by row
};

extern const ArtImage TileSheetArt;  // 216 x 48: 9 x 2 tiles of 24 x 24
extern const ArtImage SplashArt;     // 69 x 65: the keeper pushing a crate
extern const ArtImage IconArt;       // 32 x 32

}  // namespace vk
