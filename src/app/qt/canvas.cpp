// The canvas and the pictures in Qt's form.
#include <QFontMetrics>
#include <QPainter>

#include <cstring>

#include "app/art.h"
#include "app/qt/shell.h"

namespace vk {

namespace {

QtCanvas& canvas_of(void* context) { return *static_cast<QtCanvas*>(context); }

// Copies a block of RGB32 pixels row by row; both images are RGB32.
void copy_block(QImage& to, int x, int y, const QImage& from, int fromX, int fromY, int width,
                int height) {
  for (int r = 0; r < height; ++r) {
    int toY = y + r;
    if (toY < 0 || toY >= to.height()) continue;
    int left = x < 0 ? -x : 0;
    int right = x + width > to.width() ? to.width() - x : width;
    if (right <= left) continue;
    auto* target = reinterpret_cast<uint32_t*>(to.scanLine(toY)) + x + left;
    auto* source = reinterpret_cast<const uint32_t*>(from.constScanLine(fromY + r)) + fromX + left;
    std::memcpy(target, source, sizeof(uint32_t) * (right - left));
  }
}

void copy_tile(void* context, int32_t column, int32_t row, int32_t x, int32_t y) {
  QtCanvas& c = canvas_of(context);
  if (column < 0 || column >= TileSheetColumns || row < 0 || row >= TileSheetRows) return;
  copy_block(c.image, x, y, c.tiles, TileSize * column, TileSize * row, TileSize, TileSize);
}

void copy_splash(void* context, int32_t x, int32_t y) {
  QtCanvas& c = canvas_of(context);
  copy_block(c.image, x, y, c.splash, 0, 0, SplashWidth, SplashHeight);
}

// The height is the font's whole cell, as the text lines were laid out for;
// Qt sizes fonts by the em, so the pixel size is scaled down to match.
void draw_text(void* context, int32_t x, int32_t y, int32_t height, uint32_t colour,
               const char* text) {
  QtCanvas& c = canvas_of(context);
  QFont font(c.family);
  font.setPixelSize(height);
  int cell = QFontMetrics(font).height();
  if (cell > height) font.setPixelSize(qMax(1, height * height / cell));
  QPainter painter(&c.image);
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(colour));
  painter.drawText(x, y + QFontMetrics(font).ascent(), QString::fromLatin1(text));
}

void repaint_now(void* context) {
  QtCanvas& c = canvas_of(context);
  if (c.repaint) c.repaint(c.repaintContext);
}

}  // namespace

QImage art_image(const ArtImage& art) {
  QImage image(art.pixels, art.width, art.height, art.width, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int k = 0; k < ArtPaletteSize; ++k) table.append(ArtPalette[k]);
  image.setColorTable(table);
  return image.convertToFormat(QImage::Format_ARGB32);
}

QtCanvas::QtCanvas()
    : tiles(art_image(TileSheetArt).convertToFormat(QImage::Format_RGB32)),
      splash(art_image(SplashArt).convertToFormat(QImage::Format_RGB32)),
      family(canvas_family()) {
  image.fill(Qt::black);
}

Canvas QtCanvas::canvas() {
  Canvas c;
  c.context = this;
  c.copy_tile = copy_tile;
  c.copy_splash = copy_splash;
  c.draw_text = draw_text;
  c.repaint = repaint_now;
  return c;
}

}  // namespace vk
