// Build-time tool: writes the program's pictures as the files the resource
// compiler takes, from the same palette and pixels as every other build.
//
//   make_bitmaps TILES.bmp SPLASH.bmp ICON.ico
//
// The tile sheet and the splash picture become 8-bit bitmaps with the full
// 256-entry palette; the icon becomes a 32 x 32 icon of 32-bit pixels whose
// alpha and mask come from the palette's transparent entry.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/art.h"

namespace vk {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t FileHeaderSize = 14;
constexpr int32_t InfoHeaderSize = 40;
constexpr int32_t IconDirSize = 6 + 16;  // the icon's header and its one entry

void put16(Bytes& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// BITMAPINFOHEADER of an uncompressed bottom-up picture.
void put_info(Bytes& out, int32_t width, int32_t height, int32_t bits, uint32_t imageSize,
              uint32_t colours) {
  put32(out, InfoHeaderSize);
  put32(out, uint32_t(width));
  put32(out, uint32_t(height));
  put16(out, 1);     // planes
  put16(out, bits);  // bits per pixel
  put32(out, 0);     // BI_RGB
  put32(out, imageSize);
  put32(out, 2835);  // 72 dots per inch, in dots per metre
  put32(out, 2835);
  put32(out, colours);
  put32(out, 0);
}

// Rows of a bitmap are stored bottom first, each padded to four bytes.
int32_t row_bytes(int32_t width, int32_t bits) { return ((width * bits + 31) / 32) * 4; }

Bytes bitmap8(const ArtImage& art) {
  int32_t stride = row_bytes(art.width, 8);
  uint32_t imageSize = uint32_t(stride * art.height);
  uint32_t offset = FileHeaderSize + InfoHeaderSize + 4 * ArtPaletteSize;
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + imageSize);
  put32(out, 0);
  put32(out, offset);
  put_info(out, art.width, art.height, 8, imageSize, ArtPaletteSize);
  for (uint32_t argb : ArtPalette) put32(out, argb & 0x00FFFFFF);  // blue, green, red, 0
  for (int32_t y = art.height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < art.width; ++x) out.push_back(art.pixels[y * art.width + x]);
    for (int32_t pad = art.width; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

Bytes icon32(const ArtImage& art) {
  int32_t maskStride = row_bytes(art.width, 1);
  uint32_t imageSize = uint32_t(4 * art.width * art.height + maskStride * art.height);
  uint32_t dataSize = InfoHeaderSize + imageSize;
  Bytes out;
  put16(out, 0);
  put16(out, 1);  // an icon
  put16(out, 1);  // one picture
  out.push_back(uint8_t(art.width));
  out.push_back(uint8_t(art.height));
  out.push_back(0);  // no palette
  out.push_back(0);
  put16(out, 1);
  put16(out, 32);
  put32(out, dataSize);
  put32(out, IconDirSize);
  // An icon's header counts the colour rows and the mask rows together.
  put_info(out, art.width, 2 * art.height, 32, imageSize, 0);
  for (int32_t y = art.height - 1; y >= 0; --y)
    for (int32_t x = 0; x < art.width; ++x) put32(out, ArtPalette[art.pixels[y * art.width + x]]);
  for (int32_t y = art.height - 1; y >= 0; --y) {
    Bytes row(size_t(maskStride), 0);
    for (int32_t x = 0; x < art.width; ++x)
      if ((ArtPalette[art.pixels[y * art.width + x]] >> 24) == 0) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool write(const char* path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_bitmaps TILES.bmp SPLASH.bmp ICON.ico\n");
    return 2;
  }
  if (!write(argv[1], bitmap8(TileSheetArt)) || !write(argv[2], bitmap8(SplashArt)) ||
      !write(argv[3], icon32(IconArt))) {
    std::fprintf(stderr, "make_bitmaps: cannot write the pictures\n");
    return 1;
  }
  return 0;
}
