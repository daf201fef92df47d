// A dialog made from one of the program's templates, hidden, for the
// Windows tests to look at.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

namespace vk {

inline INT_PTR CALLBACK quiet(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// The dialog made from template id, never shown.
struct TemplateDialog {
  HWND window;
  explicit TemplateDialog(int32_t id) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, quiet, 0);
  }
  ~TemplateDialog() {
    if (window) DestroyWindow(window);
  }
  HWND item(int32_t id) const { return GetDlgItem(window, id); }
  std::wstring text(int32_t id) const {
    wchar_t buffer[128];
    GetDlgItemTextW(window, id, buffer, 128);
    return buffer;
  }
  LONG style(int32_t id) const { return GetWindowLongW(item(id), GWL_STYLE); }
  std::wstring kind(int32_t id) const {
    wchar_t name[64];
    GetClassNameW(item(id), name, 64);
    return name;
  }
  // The control's rectangle in the dialog's client pixels, and the one the
  // template's dialog units give with this dialog's font.
  RECT placed(int32_t id) const {
    RECT r;
    GetWindowRect(item(id), &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // Windows converts the position and the size each on its own.
  RECT units(int32_t x, int32_t y, int32_t w, int32_t h) const {
    RECT r = {x, y, w, h};
    MapDialogRect(window, &r);
    return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
  }
};

}  // namespace vk
