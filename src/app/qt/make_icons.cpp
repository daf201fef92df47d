// Build-time tool: writes the program's icon as PNG files at the sizes a
// desktop's icon theme looks for, in the theme's own folder layout:
//
//   make_icons OUTPUT_FOLDER NAME
//
// writes OUTPUT_FOLDER/<N>x<N>/apps/NAME.png for every size N below. The
// picture is pixel art, so it is scaled by nearest neighbour: every output
// pixel takes the colour of the source pixel under its centre, and the
// crate's edges stay sharp at every size. The transparent background stays
// transparent.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>

#include "app/art.h"

namespace vk {

namespace {

// The sizes of the hicolor theme's usual fixed-size folders.
constexpr int32_t IconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The source column (or row) under the centre of output pixel `at` when
// `from` source pixels are spread over `to` output pixels.
int32_t nearest(int32_t at, int32_t from, int32_t to) {
  return (2 * at + 1) * from / (2 * to);
}

QImage scaled_icon(const ArtImage& art, int32_t size) {
  QImage image(size, size, QImage::Format_ARGB32);
  for (int32_t y = 0; y < size; ++y) {
    const uint8_t* row = art.pixels + nearest(y, art.height, size) * art.width;
    for (int32_t x = 0; x < size; ++x)
      image.setPixel(x, y, ArtPalette[row[nearest(x, art.width, size)]]);
  }
  return image;
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_FOLDER NAME\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int32_t size : IconSizes) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString path = QStringLiteral("%1/%2.png").arg(dir, name);
    if (!QDir().mkpath(dir) || !scaled_icon(IconArt, size).save(path, "PNG")) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
