// The main dialog: resource template 101 with every control moved to its
// pixel rectangle, the canvas, the progress bars, timers 1 and 2, the worker
// thread with its blocking hand-back, dropped files and folders, and the
// Platform calls that the dialog logic makes.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <thread>

#include "app/win32/resource.h"
#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

constexpr int32_t LineCapacityW = 1024;  // wide characters of one control text

Shell& shell_of(void* self) { return *static_cast<Shell*>(self); }

bool on_gui_thread(const Shell& s) { return GetCurrentThreadId() == s.guiThread; }

// ---------------------------------------------------------------- controls

void set_text(void* self, int32_t id, const char* text) {
  Shell& s = shell_of(self);
  if (id == MainDialogId) {
    wchar_t wide[LineCapacityW];
    if (vk::utf8_to_wide(text, wide, LineCapacityW)) SetWindowTextW(s.dialog, wide);
    return;
  }
  set_item_text(s.dialog, id, text);
  fit_control(GetDlgItem(s.dialog, id), MainDialogPoints, 0);
}

void get_text(void* self, int32_t id, char* out, int32_t capacity) {
  Shell& s = shell_of(self);
  if (capacity <= 0) return;
  out[0] = '\0';
  wchar_t wide[LineCapacityW];
  GetDlgItemTextW(s.dialog, id, wide, LineCapacityW);
  char utf8[3 * LineCapacityW];
  if (!vk::wide_to_utf8(wide, utf8, sizeof utf8)) return;
  lstrcpynA(out, utf8, capacity);
}

void enable(void* self, int32_t id, int32_t enabled) {
  EnableWindow(GetDlgItem(shell_of(self).dialog, id), enabled ? TRUE : FALSE);
}

void set_check(void* self, int32_t id, int32_t checked) {
  CheckDlgButton(shell_of(self).dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int32_t get_check(void* self, int32_t id) {
  return IsDlgButtonChecked(shell_of(self).dialog, id) == BST_CHECKED ? 1 : 0;
}

void set_progress(void* self, int32_t id, int32_t position) {
  SendDlgItemMessageW(shell_of(self).dialog, id, PBM_SETPOS, WPARAM(position), 0);
}

UINT icon_flag(int32_t icon) {
  switch (icon) {
    case IconError: return MB_ICONERROR;
    case IconWarning: return MB_ICONWARNING;
    default: return MB_ICONINFORMATION;
  }
}

void message_box(void* self, const char* caption, const char* text, int32_t icon) {
  Shell& s = shell_of(self);
  wchar_t wideCaption[LineCapacityW];
  wchar_t wideText[LineCapacityW];
  vk::utf8_to_wide(caption, wideCaption, LineCapacityW);
  vk::utf8_to_wide(text, wideText, LineCapacityW);
  MessageBoxW(s.owner, wideText, wideCaption, MB_OK | icon_flag(icon));
}

void start_timer(void* self, int32_t timer, int32_t milliseconds) {
  SetTimer(shell_of(self).dialog, UINT_PTR(timer), UINT(milliseconds), nullptr);
}

void stop_timer(void* self, int32_t timer) { KillTimer(shell_of(self).dialog, UINT_PTR(timer)); }

void sleep_ms(void*, int32_t milliseconds) { Sleep(DWORD(milliseconds)); }

// ---------------------------------------------------------------- the worker

// The thread is not kept: it hands back with a blocking message and then
// ends by itself; at the close box the process ends with it.
void start_worker(void* self) {
  Shell& s = shell_of(self);
  std::thread([&s] { worker_main(*s.app); }).detach();
}

// The dialog ends now; the process ends when the entry point returns, with
// any worker still running (abandoned or not: nothing waits for it).
void end_program(void* self, int32_t) {
  Shell& s = shell_of(self);
  EndDialog(s.dialog, 0);
}

// Sent, not posted: the worker stays blocked until the GUI thread has done
// the whole job-done handling. Once the dialog is gone the send fails at
// once and the worker ends.
void hand_back(void* self) { SendMessageW(shell_of(self).dialog, JobDoneMessage, 0, 0); }

struct GuiCall {
  void (*fn)(void* arg);
  void* arg;
};

void call_on_gui(void* self, void (*fn)(void* arg), void* arg) {
  Shell& s = shell_of(self);
  if (on_gui_thread(s)) {
    fn(arg);
    return;
  }
  GuiCall call = {fn, arg};
  SendMessageW(s.dialog, CallOnGuiMessage, 0, LPARAM(&call));
}

// ---------------------------------------------------------------- focus, clipboard

// The id of a control of the main dialog, 0 for anything else.
int32_t control_id(const Shell& s, HWND window) {
  if (window == nullptr || window == s.dialog || GetParent(window) != s.dialog) return 0;
  return GetDlgCtrlID(window);
}

// The control that holds the focus, or that gets it back when the dialog
// is active again (noted when it went inactive).
int32_t focused(void* self) {
  Shell& s = shell_of(self);
  HWND focus = GetFocus();
  if (focus != nullptr && GetAncestor(focus, GA_ROOT) == s.dialog) return control_id(s, focus);
  return control_id(s, s.lastFocus);
}

// Id 0: the dialog itself, so that no control holds the focus.
void set_focus(void* self, int32_t id) {
  Shell& s = shell_of(self);
  HWND target = id == 0 ? s.dialog : GetDlgItem(s.dialog, id);
  if (target == nullptr) return;
  if (GetActiveWindow() == s.dialog) SetFocus(target);
  s.lastFocus = target;
}

int32_t clipboard_text(void* self, char* out, int32_t capacity) {
  Shell& s = shell_of(self);
  out[0] = '\0';
  if (capacity <= 0 || !IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(s.dialog))
    return 0;
  int32_t got = 0;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      // The clipboard may hold more than the text buffer: only what fits.
      static wchar_t head[TextBufferSize + 1];
      lstrcpynW(head, wide, TextBufferSize + 1);
      got = hand_over_text(head, out, capacity) && out[0] != '\0';
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return got;
}

Platform platform(Shell& s) {
  Platform p;
  p.context = &s;
  p.set_text = set_text;
  p.get_text = get_text;
  p.enable = enable;
  p.set_check = set_check;
  p.get_check = get_check;
  p.set_progress = set_progress;
  p.message_box = message_box;
  p.start_timer = start_timer;
  p.stop_timer = stop_timer;
  p.sleep = sleep_ms;
  p.canvas = canvas_calls(s.canvas);
  p.pick_level_file = shell_pick_level_file;
  p.pick_level_folder = shell_pick_level_folder;
  p.run_text_dialog = shell_run_text_dialog;
  p.run_options_dialog = shell_run_options_dialog;
  p.pick_save_file = shell_pick_save_file;
  p.start_worker = start_worker;
  p.end_program = end_program;
  p.call_on_gui = call_on_gui;
  p.hand_back = hand_back;
  p.focused = focused;
  p.set_focus = set_focus;
  p.clipboard_text = clipboard_text;
  p.elide_path = shell_elide_path;
  return p;
}

// ---------------------------------------------------------------- set-up

// The window at its place in the work area, with a client area of the
// pixel size the controls need; then every control at its rectangle.
void lay_out(HWND dialog) {
  RECT window, client, work;
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int32_t frameWidth = (window.right - window.left) - (client.right - client.left);
  int32_t frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
  WindowPlacement at = place_main_window(frameWidth, frameHeight, work.right, work.bottom);
  SetWindowPos(dialog, nullptr, at.x, at.y, at.clientWidth + frameWidth,
               at.clientHeight + frameHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  for (const ControlSpec& spec : MainControls) {
    HWND control = GetDlgItem(dialog, spec.id);
    MoveWindow(control, spec.x, spec.y, spec.width, spec.height, FALSE);
    ShowWindow(control, SW_SHOW);
  }
  SendDlgItemMessageW(dialog, IdCellBar, PBM_SETRANGE32, 0, CellBarRange);
  SendDlgItemMessageW(dialog, IdQueueBar, PBM_SETRANGE32, 0, QueueBarRange);
  // Themed bars ignore the colour messages; with theming switched off on
  // the two bars they paint in the colours set here wherever the program
  // runs, manifest or not.
  for (int32_t id : {IdCellBar, IdQueueBar}) {
    SetWindowTheme(GetDlgItem(dialog, id), L" ", L" ");
    SendDlgItemMessageW(dialog, id, PBM_SETBKCOLOR, 0, LPARAM(colour_ref(BarBackground)));
  }
  SendDlgItemMessageW(dialog, IdCellBar, PBM_SETBARCOLOR, 0, LPARAM(colour_ref(CellBarColour)));
  SendDlgItemMessageW(dialog, IdQueueBar, PBM_SETBARCOLOR, 0, LPARAM(colour_ref(QueueBarColour)));
}

void set_icons(Shell& s, HWND dialog) {
  s.smallIcon = static_cast<HICON>(LoadImageW(s.instance, MAKEINTRESOURCEW(VK_ICON), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
  s.bigIcon = static_cast<HICON>(LoadImageW(s.instance, MAKEINTRESOURCEW(VK_ICON), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON),
                                            GetSystemMetrics(SM_CYICON), 0));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, LPARAM(s.smallIcon));
  SendMessageW(dialog, WM_SETICON, ICON_BIG, LPARAM(s.bigIcon));
}

// Ctrl+V on the main dialog. The dialog runs in the system's modal loop,
// where keys go to the focused control and never to the dialog procedure:
// a message filter sees them first and hands them to the dialog logic,
// which leaves the level number box's own paste alone.
Shell* HookShell = nullptr;

LRESULT CALLBACK key_filter(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lParam);
  Shell* s = HookShell;
  if (code == MSGF_DIALOGBOX && s != nullptr && msg->message == WM_KEYDOWN && msg->wParam == 'V' &&
      GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 &&
      GetAncestor(msg->hwnd, GA_ROOT) == s->dialog && dialog_key(*s->app, KeyPaste))
    return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL init_dialog(Shell& s, HWND dialog) {
  s.dialog = s.owner = dialog;
  s.canvas.dialog = dialog;
  set_icons(s, dialog);
  lay_out(dialog);
  fit_dialog(dialog, MainDialogPoints, 0);
  create_canvas(s.canvas, s.instance, dialog);
  s.app->platform = platform(s);
  dialog_setup(*s.app);
  DragAcceptFiles(dialog, TRUE);
  HookShell = &s;
  s.keyHook = SetWindowsHookExW(WH_MSGFILTER, key_filter, nullptr, GetCurrentThreadId());
  // A level file or folder named on the command line loads once the
  // dialog's loop runs.
  PostMessageW(dialog, StartPathMessage, 0, 0);
  return TRUE;
}

// ---------------------------------------------------------------- messages

void paint(Shell& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(s.dialog, &ps);
  if (s.canvas.dc)
    BitBlt(dc, CanvasLeft, CanvasTop, CanvasWidth, CanvasHeight, s.canvas.dc, 0, 0, SRCCOPY);
  EndPaint(s.dialog, &ps);
}

// One local file or folder, taken as File or Folder takes it, when the
// dialog logic's drop rule allows.
void drop_files(Shell& s, HDROP drop) {
  wchar_t wide[PathCapacity + 1];
  char path[3 * (PathCapacity + 1)];
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1 &&
      DragQueryFileW(drop, 0, wide, PathCapacity + 1) > 0 && vk::wide_to_utf8(wide, path, sizeof path) &&
      drop_allowed(*s.app)) {
    int32_t kind = drop_kind(path);
    if (kind != NoJob) drop_path(*s.app, path, kind == JobFolder);
  }
  DragFinish(drop);
}

INT_PTR static_colours(HWND control, HDC dc) {
  const ControlSpec* spec = find_control(GetDlgCtrlID(control));
  if (spec == nullptr || spec->colour == DefaultColour) return FALSE;
  return coloured_static(dc, colour_ref(uint32_t(spec->colour)));
}

INT_PTR CALLBACK main_procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Shell* s = reinterpret_cast<Shell*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return init_dialog(*reinterpret_cast<Shell*>(lParam), dialog);
  }
  if (s == nullptr) return FALSE;
  switch (message) {
    case WM_CLOSE:
      dialog_close(*s->app);
      return TRUE;
    case StartPathMessage:
      open_start_path(*s->app);
      return TRUE;
    case WM_DESTROY:
      if (s->keyHook) UnhookWindowsHookEx(s->keyHook);
      s->keyHook = nullptr;
      HookShell = nullptr;
      release_canvas(s->canvas);
      return TRUE;
    case WM_ACTIVATE:
      // The focus is noted when the dialog goes inactive, so that focused()
      // can answer meanwhile and set_focus() can change it, and it is
      // given back from the note when the dialog is active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && GetAncestor(focus, GA_ROOT) == dialog) s->lastFocus = focus;
        return FALSE;
      }
      if (s->lastFocus == nullptr || HIWORD(wParam) != 0) return FALSE;
      SetFocus(s->lastFocus);
      return TRUE;
    case WM_PAINT:
      paint(*s);
      return TRUE;
    case WM_COMMAND: {
      int32_t id = LOWORD(wParam);
      if (id == IdLevelEdit) {
        // Gaining the focus selects the number, so typing replaces it.
        if (HIWORD(wParam) == EN_SETFOCUS) PostMessageW(HWND(lParam), EM_SETSEL, 0, -1);
        return TRUE;
      }
      // Enter presses the default button, Go, also when no control holds
      // the focus; the dialog logic says whether it may. A click gives Go
      // the focus first.
      if (id == IdGo && HIWORD(wParam) == BN_CLICKED && dialog_key(*s->app, KeyEnter)) return TRUE;
      return dialog_command(*s->app, id) ? TRUE : FALSE;
    }
    case WM_TIMER:
      timer_tick(*s->app, int32_t(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return static_colours(HWND(lParam), HDC(wParam));
    case WM_DROPFILES:
      drop_files(*s, HDROP(wParam));
      return TRUE;
    case JobDoneMessage:
      job_done(*s->app);
      return TRUE;
    case CallOnGuiMessage: {
      const GuiCall& call = *reinterpret_cast<const GuiCall*>(lParam);
      call.fn(call.arg);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

void set_item_text(HWND window, int32_t id, const char* text) {
  wchar_t wide[LineCapacityW];
  if (vk::utf8_to_wide(text, wide, LineCapacityW)) SetDlgItemTextW(window, id, wide);
}

INT_PTR coloured_static(HDC dc, COLORREF colour) {
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  return INT_PTR(GetSysColorBrush(COLOR_BTNFACE));
}

int32_t run_main_dialog(Shell& s) {
  s.guiThread = GetCurrentThreadId();
  INT_PTR result = DialogBoxParamW(s.instance, MAKEINTRESOURCEW(VK_MAIN_DIALOG), nullptr,
                                   main_procedure, LPARAM(&s));
  if (s.smallIcon) DestroyIcon(s.smallIcon);
  if (s.bigIcon) DestroyIcon(s.bigIcon);
  return result == -1 ? 1 : 0;
}

}  // namespace vk
