// Every text of the three dialogs fits its control in the faces the
// program chooses, with the specified faces mapped (the usual prefix) and
// without them (a prefix with no font mapping): a text is drawn smaller
// only where it would be clipped, and the solution text is fixed-pitch.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/win32/resource.h"
#include "app/win32/shell.h"
#include "os/win32_text.h"
#include "template_dialog.h"

namespace vk {

namespace {

// The size the control's font has, in points of the screen.
int32_t points_of(HWND control) {
  HFONT font = HFONT(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW log = {};
  GetObjectW(font, sizeof log, &log);
  HDC screen = GetDC(nullptr);
  int32_t dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return MulDiv(-log.lfHeight, 72, dpi);
}

// Each control with a text: not clipped (unless at the smallest size), and
// at the dialog's size wherever that would not clip it.
void expect_fitted(HWND dialog, int32_t points, int32_t fixed, const char* which) {
  int32_t checked = 0;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t text[256], kind[16];
    if (GetWindowTextW(c, text, 256) == 0) continue;
    GetClassNameW(c, kind, 16);
    LONG style = GetWindowLongW(c, GWL_STYLE);
    if (lstrcmpiW(kind, L"Edit") == 0 && (style & (ES_MULTILINE | ES_READONLY)) != 0) continue;
    char name[512];
    wide_to_utf8(text, name, sizeof name);
    int32_t size = points_of(c);
    if (size > SmallestTextPoints) EXPECT_GE(text_room_at(c, size, fixed), 0) << which << ": " << name;
    if (size < points) EXPECT_LT(text_room_at(c, size + 1, fixed), 0) << which << ": " << name;
    EXPECT_LE(size, points) << which << ": " << name;
    checked += 1;
  }
  EXPECT_GE(checked, 3) << which;
}

void set(HWND dialog, int32_t id, const char* text) { set_item_text(dialog, id, text); }

}  // namespace

TEST(WinFit, FacesChosen) {
  std::printf("faces: proportional %ls, fixed %ls\n", dialog_face(0), dialog_face(1));
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dialog_font(TextDialogPoints, 1));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // The flag set means variable pitch.
  EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "the solution text is not fixed-pitch";
  SIZE narrow = {}, wide = {};
  dc = GetDC(nullptr);
  old = SelectObject(dc, dialog_font(TextDialogPoints, 1));
  GetTextExtentPoint32W(dc, L"iiiiiiiiii", 10, &narrow);
  GetTextExtentPoint32W(dc, L"WWWWWWWWWW", 10, &wide);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(narrow.cx, wide.cx);
}

// The main dialog at its pixel rectangles, with the longest texts it shows.
TEST(WinFit, MainDialogTexts) {
  TemplateDialog d(VK_MAIN_DIALOG);
  ASSERT_NE(d.window, nullptr);
  for (const ControlSpec& spec : MainControls)
    MoveWindow(d.item(spec.id), spec.x, spec.y, spec.width, spec.height, FALSE);
  fit_dialog(d.window, MainDialogPoints, 0);
  expect_fitted(d.window, MainDialogPoints, 0, "main, captions");
  const std::pair<int32_t, const char*> texts[] = {
      {IdSetLine, "Sample (6levels)   Wide open spaces  "}, {IdSizeLine, "   [ 50 * 40 ( 8) ]"},
      {IdStatusText, "Impossible"},   {IdElapsed, "9999 sec"},
      {IdCounter, "20000/20000"},     {IdHiddenNotice, "Last 20 moves are hidden."},
      {IdSolve, "Cancel"},            {IdPlay, "Pause"},
      {IdOption, "Cancel"},           {IdLevelEdit, "10850"},
  };
  for (const auto& [id, text] : texts) {
    set(d.window, id, text);
    fit_control(d.item(id), MainDialogPoints, 0);
  }
  expect_fitted(d.window, MainDialogPoints, 0, "main, longest texts");
}

TEST(WinFit, OptionsDialogTexts) {
  TemplateDialog d(VK_OPTIONS_DIALOG);
  ASSERT_NE(d.window, nullptr);
  create_dialog_controls(d.window, OptionsControls, OptionsControlCount);
  set(d.window, OptTitle, TitleText);
  set(d.window, OptSetLine, "LevelSetName: Microban (155 levels)");
  set(d.window, OptLimits, "MaxArea:2000 (= Width * Height) MaxBoxes: 16");
  set(d.window, OptLocation, "Loaded Levels are stored in C:\\Users\\x\\AppData\\Local\\temp_vantori\\");
  fit_dialog(d.window, OptionsFontPoints, 0);
  expect_fitted(d.window, OptionsFontPoints, 0, "options");
}

TEST(WinFit, TextDialogTexts) {
  TemplateDialog d(VK_TEXT_DIALOG);
  ASSERT_NE(d.window, nullptr);
  set(d.window, IdSetLine, "Solved. Mimimum moves are 20000 moves.");
  set(d.window, IdSizeLine, "Last 20 moves are hidden.");
  set(d.window, IdLevelEdit, "ulluuRlddrrurulluuRlddrrurulluu\r\n");
  fit_dialog(d.window, TextDialogPoints, 1);
  expect_fitted(d.window, TextDialogPoints, 1, "text");
  EXPECT_EQ(HFONT(SendMessageW(d.item(IdLevelEdit), WM_GETFONT, 0, 0)),
            dialog_font(TextDialogPoints, 1));  // the solution is never shrunk
}

}  // namespace vk
