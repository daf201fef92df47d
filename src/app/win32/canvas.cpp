// The canvas in GDI: every drawing goes into a memory device context first;
// the main dialog's paint handling only copies it to the screen.
#include "app/win32/resource.h"
#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

constexpr int32_t LineCapacityW = 256;  // wide characters of one text line

GdiCanvas& canvas_of(void* context) { return *static_cast<GdiCanvas*>(context); }

void copy_tile(void* context, int32_t column, int32_t row, int32_t x, int32_t y) {
  GdiCanvas& c = canvas_of(context);
  if (column < 0 || column >= TileSheetColumns || row < 0 || row >= TileSheetRows) return;
  BitBlt(c.dc, x, y, TileSize, TileSize, c.tilesDc, TileSize * column, TileSize * row, SRCCOPY);
}

void copy_splash(void* context, int32_t x, int32_t y) {
  GdiCanvas& c = canvas_of(context);
  BitBlt(c.dc, x, y, SplashWidth, SplashHeight, c.splashDc, 0, 0, SRCCOPY);
}

// Every line makes and deletes its own font: a positive height asks for the
// whole character cell, as the lines were laid out for.
void draw_text(void* context, int32_t x, int32_t y, int32_t height, uint32_t colour,
               const char* text) {
  GdiCanvas& c = canvas_of(context);
  wchar_t wide[LineCapacityW];
  if (!vk::utf8_to_wide(text, wide, LineCapacityW)) return;
  HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FIXED_PITCH | FF_MODERN, dialog_face(0));
  HGDIOBJ old = SelectObject(c.dc, font);
  SetTextColor(c.dc, colour_ref(colour));
  SetBkMode(c.dc, TRANSPARENT);
  TextOutW(c.dc, x, y, wide, int(lstrlenW(wide)));
  SelectObject(c.dc, old);
  DeleteObject(font);
}

// Invalidates the canvas rectangle without erasing and paints it at once.
void repaint(void* context) {
  GdiCanvas& c = canvas_of(context);
  RECT r = {CanvasLeft, CanvasTop, CanvasLeft + CanvasWidth, CanvasTop + CanvasHeight};
  InvalidateRect(c.dialog, &r, FALSE);
  UpdateWindow(c.dialog);
}

HBITMAP load_bitmap(HINSTANCE instance, int32_t id) {
  return static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

}  // namespace

COLORREF colour_ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

int32_t create_canvas(GdiCanvas& c, HINSTANCE instance, HWND dialog) {
  c = GdiCanvas{};
  c.dialog = dialog;
  HDC screen = GetDC(dialog);
  c.bitmap = CreateCompatibleBitmap(screen, CanvasWidth, CanvasHeight);
  c.dc = CreateCompatibleDC(screen);
  ReleaseDC(dialog, screen);
  c.tilesDc = CreateCompatibleDC(c.dc);
  c.tiles = load_bitmap(instance, VK_TILE_SHEET);
  c.splashDc = CreateCompatibleDC(c.dc);
  c.splash = load_bitmap(instance, VK_SPLASH);
  if (!c.bitmap || !c.dc || !c.tilesDc || !c.tiles || !c.splashDc || !c.splash) {
    release_canvas(c);
    return 0;
  }
  c.oldBitmap = SelectObject(c.dc, c.bitmap);
  c.oldTiles = SelectObject(c.tilesDc, c.tiles);
  c.oldSplash = SelectObject(c.splashDc, c.splash);
  PatBlt(c.dc, 0, 0, CanvasWidth, CanvasHeight, BLACKNESS);
  return 1;
}

// Each bitmap is selected out of its device context before either goes.
void release_canvas(GdiCanvas& c) {
  if (c.dc && c.oldBitmap) SelectObject(c.dc, c.oldBitmap);
  if (c.tilesDc && c.oldTiles) SelectObject(c.tilesDc, c.oldTiles);
  if (c.splashDc && c.oldSplash) SelectObject(c.splashDc, c.oldSplash);
  if (c.dc) DeleteDC(c.dc);
  if (c.bitmap) DeleteObject(c.bitmap);
  if (c.tilesDc) DeleteDC(c.tilesDc);
  if (c.tiles) DeleteObject(c.tiles);
  if (c.splashDc) DeleteDC(c.splashDc);
  if (c.splash) DeleteObject(c.splash);
  HWND dialog = c.dialog;
  c = GdiCanvas{};
  c.dialog = dialog;
}

Canvas canvas_calls(GdiCanvas& c) {
  Canvas calls;
  calls.context = &c;
  calls.copy_tile = copy_tile;
  calls.copy_splash = copy_splash;
  calls.draw_text = draw_text;
  calls.repaint = repaint;
  return calls;
}

}  // namespace vk
