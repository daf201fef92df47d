// snapshot.exe TITLE OUT.bmp: saves what the screen shows of the top-level
// window whose caption is TITLE as a 24-bit bitmap file. The smoke test
// uses it to keep a picture of a failed step, and the README's picture of
// the Windows program is taken with it.
#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: snapshot TITLE OUT.bmp\n");
    return 2;
  }
  HWND window = FindWindowW(nullptr, argv[1]);
  RECT r;
  if (window == nullptr || !GetWindowRect(window, &r)) {
    std::fprintf(stderr, "snapshot: no such window\n");
    return 1;
  }
  int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as bitmap files store their rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(size_t(stride) * size_t(height));
  GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = DWORD(file.bfOffBits + pixels.size());
  FILE* out = _wfopen(argv[2], L"wb");
  if (out == nullptr) return 1;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
            std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
