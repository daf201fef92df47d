// The text dialog (template 104), the Options dialog (template 105), and
// the system's open, save and folder pickers.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>

#include "app/win32/resource.h"
#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

constexpr int32_t FilterCapacity = 512;
constexpr COLORREF NoticeRed = RGB(255, 0, 0);

Shell& shell_of(void* self) { return *static_cast<Shell*>(self); }

// A modal dialog or picker belongs to the window on top: the main dialog,
// or the Options dialog while it is open.
struct OwnerScope {
  Shell& shell;
  HWND previous;
  OwnerScope(Shell& s, HWND window) : shell(s), previous(s.owner) { s.owner = window; }
  ~OwnerScope() { shell.owner = previous; }
};

// ---------------------------------------------------------------- text dialog

struct TextDialogRun {
  const TextDialog* dialog;
  char* pasted;
  int32_t capacity;
};

// The edit box's text as the dialog logic takes it.
void edit_text(HWND dialog, char* out, int32_t capacity) {
  static wchar_t wide[TextBufferSize + 1];
  GetDlgItemTextW(dialog, IdLevelEdit, wide, TextBufferSize + 1);
  hand_over_text(wide, out, capacity);
}

INT_PTR CALLBACK text_procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* run = reinterpret_cast<TextDialogRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      run = reinterpret_cast<TextDialogRun*>(lParam);
      set_item_text(dialog, IdSetLine, run->dialog->headline);
      set_item_text(dialog, IdSizeLine, run->dialog->notice);
      set_item_text(dialog, IdLevelEdit, run->dialog->body);
      SendDlgItemMessageW(dialog, IdLevelEdit, EM_SETLIMITTEXT, TextBufferSize, 0);
      // Fixed pitch everywhere, so that the solution's lines line up.
      fit_dialog(dialog, TextDialogPoints, 1);
      // The focus starts in the box to paste (Ctrl+V pastes at once) and on
      // Close for a solution (Enter closes). Tab moves between the two and
      // Ctrl+Tab types a tab, as in every dialog's multi-line box.
      SetFocus(GetDlgItem(dialog, run->dialog->mode == PasteMode ? IdLevelEdit : IDOK));
      return FALSE;
    }
    case WM_COMMAND:
      // Close, or Enter outside the edit box; Esc (IDCANCEL) does nothing.
      if (LOWORD(wParam) == IDOK && run != nullptr) {
        edit_text(dialog, run->pasted, run->capacity);
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      // The close box (and Alt+F4) closes without handing anything over.
      if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
      EndDialog(dialog, 0);
      return TRUE;
    case WM_CLOSE:
      // Sent by the multi-line box itself when Esc is pressed in it; Esc
      // does nothing.
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID(HWND(lParam)) == IdSizeLine) return coloured_static(HDC(wParam), NoticeRed);
      return FALSE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------- options

struct OptionsRun {
  Shell* shell;
  OptionsDialog* dialog;
};

constexpr int32_t SpeedButtons[] = {OptSlow, OptNomal, OptFast};

// The state options_open or a command left, onto the controls.
void show_options(HWND window, const OptionsDialog& d) {
  set_item_text(window, OptTitle, d.title);
  set_item_text(window, OptSetLine, d.setLine);
  set_item_text(window, OptLimits, d.limits);
  set_item_text(window, OptLocation, d.location);
  set_item_text(window, OptPath, d.path);
  CheckDlgButton(window, OptPlay, d.play ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window, OptReport, d.report ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window, OptBeginWithEnd, d.beginWithEnd ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window, OptGuided, d.guided ? BST_CHECKED : BST_UNCHECKED);
  if (d.speed >= SpeedSlow && d.speed <= SpeedFast)
    CheckRadioButton(window, OptSlow, OptFast, SpeedButtons[d.speed]);
  EnableWindow(GetDlgItem(window, OptPlay), d.playOn);
  EnableWindow(GetDlgItem(window, OptReport), d.reportOn);
  EnableWindow(GetDlgItem(window, OptPath), d.pathOn);
  EnableWindow(GetDlgItem(window, OptBrowse), d.browseOn);
  EnableWindow(GetDlgItem(window, OptStart), d.startOn);
  fit_dialog(window, OptionsFontPoints, 0);
}

// The ticks as the user left them.
void read_options(HWND window, OptionsDialog& d) {
  d.play = IsDlgButtonChecked(window, OptPlay) == BST_CHECKED;
  d.report = IsDlgButtonChecked(window, OptReport) == BST_CHECKED;
  d.beginWithEnd = IsDlgButtonChecked(window, OptBeginWithEnd) == BST_CHECKED;
  d.guided = IsDlgButtonChecked(window, OptGuided) == BST_CHECKED;
  d.speed = -1;
  for (int32_t speed = SpeedSlow; speed <= SpeedFast; ++speed)
    if (IsDlgButtonChecked(window, SpeedButtons[speed]) == BST_CHECKED) d.speed = speed;
}

// Every control of the table but the labels; Esc (IDCANCEL) and the OK id
// 1 are none of them.
bool options_id(int32_t id) { return id != NoControlId && find_options_control(id) != nullptr; }

// The work folder line's tooltip: the whole path, however it is shortened.
void add_location_tip(HWND window, const OptionsDialog& d) {
  static wchar_t tip[StorePathCapacity];
  if (!vk::utf8_to_wide(d.locationTip, tip, StorePathCapacity)) return;
  HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip == nullptr) return;
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = UINT_PTR(GetDlgItem(window, OptLocation));
  tool.lpszText = tip;
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, LPARAM(&tool));
}

INT_PTR CALLBACK options_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* run = reinterpret_cast<OptionsRun*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      create_dialog_controls(window, OptionsControls, OptionsControlCount);
      show_options(window, *reinterpret_cast<OptionsRun*>(lParam)->dialog);
      add_location_tip(window, *reinterpret_cast<OptionsRun*>(lParam)->dialog);
      return TRUE;
    case WM_COMMAND: {
      int32_t id = LOWORD(wParam);
      // Esc, the OK id 1 and every other id do nothing.
      if (run == nullptr || HIWORD(wParam) != BN_CLICKED || !options_id(id)) return FALSE;
      OwnerScope owner(*run->shell, window);
      read_options(window, *run->dialog);
      int32_t done = options_command(*run->shell->app, *run->dialog, id);
      show_options(window, *run->dialog);
      if (done) EndDialog(window, 1);
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(window, 0);  // stores nothing
      return TRUE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------- pickers

// The pickers' paths: UTF-8 in the program, wide in the dialog.
struct WidePath {
  wchar_t text[PathCapacity + 1];
};

int32_t hand_path_back(const wchar_t* wide, char* path, int32_t capacity) {
  char utf8[3 * (PathCapacity + 1)];
  if (!vk::wide_to_utf8(wide, utf8, sizeof utf8) || lstrlenA(utf8) >= capacity) return 0;
  lstrcpynA(path, utf8, capacity);
  return 1;
}

// When the browser has opened, it preselects the last choice.
int CALLBACK preselect(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0)
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

// A template's dialog, created hidden and never shown, for its fonts and
// control sizes.
INT_PTR CALLBACK hidden_procedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// out = a, the first count characters of b, c and then d; false when it
// does not fit capacity.
bool join(wchar_t* out, int32_t capacity, const wchar_t* a, const wchar_t* b, int32_t count,
          const wchar_t* c, const wchar_t* d) {
  int32_t na = lstrlenW(a), nc = lstrlenW(c), nd = lstrlenW(d);
  if (na + count + nc + nd >= capacity) return false;
  memcpy(out, a, size_t(na) * sizeof(wchar_t));
  memcpy(out + na, b, size_t(count) * sizeof(wchar_t));
  memcpy(out + na + count, c, size_t(nc) * sizeof(wchar_t));
  memcpy(out + na + count + nc, d, size_t(nd + 1) * sizeof(wchar_t));
  return true;
}

// The text fits width pixels in the control's font.
bool fits(HDC dc, const wchar_t* text, int32_t width) {
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
  return size.cx <= width;
}

// Characters taken alternately from the left and the right of the middle
// of path until prefix, the rest and "..." fit, or nothing is left.
void elide_middle(HDC dc, int32_t width, const wchar_t* prefix, const wchar_t* path, wchar_t* out,
                  int32_t capacity) {
  int32_t length = lstrlenW(path);
  if (join(out, capacity, prefix, path, length, L"", L"") && fits(dc, out, width)) return;
  int32_t head = length / 2, tail = length / 2;  // path[0, head) ... path[tail, length)
  for (bool left = true; head > 0 || tail < length; left = !left) {
    if ((left && head > 0) || tail >= length) --head;
    else ++tail;
    if (join(out, capacity, prefix, path, head, L"...", path + tail) && fits(dc, out, width)) return;
  }
}

}  // namespace

int32_t hand_over_text(const wchar_t* wide, char* out, int32_t capacity) {
  static char utf8[4 * (TextBufferSize + 1)];
  out[0] = '\0';
  if (!vk::wide_to_utf8(wide, utf8, sizeof utf8)) return 0;
  vk::crlf_to_lf(utf8);
  int32_t n = 0;
  while (utf8[n] != '\0' && n < capacity - 1) ++n;
  while (n > 0 && utf8[n] != '\0' && (uint8_t(utf8[n]) & 0xC0) == 0x80) --n;
  for (int32_t k = 0; k < n; ++k) out[k] = utf8[k];
  out[n] = '\0';
  return 1;
}

void shell_elide_path(void* self, int32_t dialog, int32_t id, const char* prefix,
                      const char* path, char* out, int32_t capacity) {
  Shell& s = shell_of(self);
  constexpr int32_t Room = StorePathCapacity + 64;
  static wchar_t widePrefix[Room], widePath[Room], shown[2 * Room];
  if (!vk::utf8_to_wide(prefix, widePrefix, Room) || !vk::utf8_to_wide(path, widePath, Room)) {
    std::snprintf(out, size_t(capacity), "%s%s", prefix, path);
    return;
  }
  HWND window = dialog == MainDialogId
                    ? s.dialog
                    : CreateDialogParamW(s.instance, MAKEINTRESOURCEW(dialog), s.dialog,
                                         hidden_procedure, 0);
  if (window != nullptr && dialog == OptionsDialogId) {
    create_dialog_controls(window, OptionsControls, OptionsControlCount);
    fit_dialog(window, OptionsFontPoints, 0);  // the fonts the dialog shows
  }
  HWND control = window ? GetDlgItem(window, id) : nullptr;
  RECT rect = {};
  if (control) GetClientRect(control, &rect);
  HDC dc = control ? GetDC(control) : nullptr;
  if (dc) {
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(control, WM_GETFONT, 0, 0)));
    elide_middle(dc, rect.right - rect.left, widePrefix, widePath, shown, 2 * Room);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
  } else {
    join(shown, 2 * Room, widePrefix, widePath, lstrlenW(widePath), L"", L"");
  }
  if (window && window != s.dialog) DestroyWindow(window);
  if (!vk::wide_to_utf8(shown, out, capacity)) std::snprintf(out, size_t(capacity), "%s%s", prefix, path);
}

int32_t shell_run_text_dialog(void* self, const TextDialog& dialog, char* pasted,
                              int32_t capacity) {
  Shell& s = shell_of(self);
  TextDialogRun run = {&dialog, pasted, capacity};
  OwnerScope owner(s, s.dialog);
  INT_PTR result = DialogBoxParamW(s.instance, MAKEINTRESOURCEW(VK_TEXT_DIALOG), s.dialog,
                                   text_procedure, LPARAM(&run));
  return result == 1 ? 1 : 0;
}

void shell_run_options_dialog(void* self, OptionsDialog& dialog) {
  Shell& s = shell_of(self);
  OptionsRun run = {&s, &dialog};
  DialogBoxParamW(s.instance, MAKEINTRESOURCEW(VK_OPTIONS_DIALOG), s.dialog, options_procedure,
                  LPARAM(&run));
}

namespace {

// The open or the save dialog: path as the initial and the chosen name.
int32_t file_dialog(Shell& s, char* path, int32_t capacity, const char* filter,
                    const char* title, DWORD flags, bool save) {
  WidePath file;
  wchar_t wideFilter[FilterCapacity];
  wchar_t wideTitle[64];
  if (!vk::utf8_to_wide(path, file.text, PathCapacity + 1)) file.text[0] = L'\0';
  if (!vk::filter_to_wide(filter, wideFilter, FilterCapacity)) wideFilter[0] = L'\0';
  vk::utf8_to_wide(title, wideTitle, 64);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = s.owner;
  ofn.lpstrFilter = wideFilter[0] ? wideFilter : nullptr;
  ofn.lpstrFile = file.text;
  ofn.nMaxFile = PathCapacity;
  ofn.lpstrTitle = wideTitle;
  ofn.Flags = flags;
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return 0;
  return hand_path_back(file.text, path, capacity);
}

}  // namespace

int32_t shell_pick_level_file(void* self, char* path, int32_t capacity, const char* filter) {
  return file_dialog(shell_of(self), path, capacity, filter, "Select File",
                     OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, false);
}

int32_t shell_pick_save_file(void* self, char* path, int32_t capacity, const char* filter,
                             const char* title) {
  return file_dialog(shell_of(self), path, capacity, filter, title,
                     OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, true);
}

// The folder browser over the whole namespace, file-system folders only.
// A choice that has no file-system path leaves the browser's display name,
// which the intake then refuses.
int32_t shell_pick_level_folder(void* self, char* path, int32_t capacity, const char* title) {
  Shell& s = shell_of(self);
  WidePath folder;
  wchar_t wideTitle[64];
  if (!vk::utf8_to_wide(path, folder.text, PathCapacity + 1)) folder.text[0] = L'\0';
  vk::utf8_to_wide(title, wideTitle, 64);
  // The browser writes at most MAX_PATH characters into its display name.
  static_assert(PathCapacity + 1 >= MAX_PATH, "the display name needs MAX_PATH characters");
  BROWSEINFOW info = {};
  info.hwndOwner = s.owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = folder.text;
  info.lpszTitle = wideTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = preselect;
  WidePath last = folder;
  info.lParam = last.text[0] ? LPARAM(last.text) : 0;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (item == nullptr) return 0;
  SHGetPathFromIDListW(item, folder.text);
  CoTaskMemFree(item);
  vk::drop_root_backslash(folder.text);
  return hand_path_back(folder.text, path, capacity);
}

}  // namespace vk
