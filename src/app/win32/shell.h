// The Win32 side of the desktop program: the main dialog from resource
// template 101 with its controls, canvas, timers and worker thread, the
// text and Options dialogs from templates 104 and 105, and the system
// pickers, filling in the Platform calls of the dialog logic. It holds no
// logic of its own beyond mapping ids to controls.
#pragma once

#include <windows.h>

#include "app/app.h"

namespace vk {

// A display call of the worker thread, brought to the GUI thread.
constexpr UINT CallOnGuiMessage = WM_APP + 1;
// The worker's blocking hand-back at the end of its job.
constexpr UINT JobDoneMessage = WM_USER + 1;
// Posted at set-up: load the path named on the command line.
constexpr UINT StartPathMessage = WM_APP + 2;

// The canvas: a 768 x 480 bitmap compatible with the screen in its own
// memory device context, and the tile sheet and the splash picture in
// theirs.
struct GdiCanvas {
  HWND dialog;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ oldBitmap;
  HDC tilesDc;
  HBITMAP tiles;
  HGDIOBJ oldTiles;
  HDC splashDc;
  HBITMAP splash;
  HGDIOBJ oldSplash;
};

// 0 when a bitmap or device context cannot be had.
int32_t create_canvas(GdiCanvas& canvas, HINSTANCE instance, HWND dialog);
void release_canvas(GdiCanvas& canvas);
Canvas canvas_calls(GdiCanvas& canvas);

struct Shell {
  App* app;
  HINSTANCE instance;
  HWND dialog;        // the main dialog
  HWND owner;         // the window a picker or message box belongs to now
  DWORD guiThread;
  GdiCanvas canvas;
  HICON smallIcon;
  HICON bigIcon;
  HWND lastFocus;     // the control that had the focus when the dialog went inactive
  HHOOK keyHook;      // the modal loop's message filter, for Ctrl+V
};

// Runs the main dialog modally; returns when its close box has ended it.
int32_t run_main_dialog(Shell& shell);

// The side dialogs and pickers (side_dialogs.cpp).
int32_t shell_pick_level_file(void* self, char* path, int32_t capacity, const char* filter);
int32_t shell_pick_level_folder(void* self, char* path, int32_t capacity, const char* title);
int32_t shell_pick_save_file(void* self, char* path, int32_t capacity, const char* filter,
                             const char* title);
int32_t shell_run_text_dialog(void* self, const TextDialog& dialog, char* pasted,
                              int32_t capacity);
void shell_run_options_dialog(void* self, OptionsDialog& dialog);

// A text from the system handed to the dialog logic as the text dialog
// hands over what was pasted: UTF-8 with LF line ends, at most capacity - 1
// bytes, cut only between whole characters. 0 when it does not convert.
int32_t hand_over_text(const wchar_t* wide, char* out, int32_t capacity);

// What a one-line static shows for prefix and path in the font and width of
// control id of dialog template (main dialog: the live control): the whole
// text, or path shortened in its middle with "...".
void shell_elide_path(void* self, int32_t dialog, int32_t id, const char* prefix,
                      const char* path, char* out, int32_t capacity);

// Makes a dialog's controls from a table of the dialog logic (in dialog
// units of the dialog's font), in the table's order, with its font.
void create_dialog_controls(HWND dialog, const ControlSpec* specs, int32_t count);

// The dialogs' faces: the one each was laid out for where installed, else
// the first of a chain that every Windows since 7 has; fixed 1 asks for a
// fixed-pitch face (the solution text), 0 for the proportional one.
const wchar_t* dialog_face(int32_t fixed);
// That face at a point size, made once and kept for the process.
HFONT dialog_font(int32_t points, int32_t fixed);
// Gives the control the dialog's font at points, or when its text would be
// clipped, the size the fit rule (fit_points) chooses. Boxes that scroll
// keep points. Returns the size given.
int32_t fit_control(HWND control, int32_t points, int32_t fixed);
// The pixels the control has to spare for its text in the dialog's face
// at points: negative when the text would be clipped.
int32_t text_room_at(HWND control, int32_t points, int32_t fixed);
// fit_control on every control of the dialog.
void fit_dialog(HWND dialog, int32_t points, int32_t fixed);

// Sets a control's text from UTF-8.
void set_item_text(HWND window, int32_t id, const char* text);
// Red text on the button face, for the notices.
INT_PTR coloured_static(HDC dc, COLORREF colour);
COLORREF colour_ref(uint32_t rgb);

}  // namespace vk
