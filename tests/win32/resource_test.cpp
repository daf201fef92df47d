// The program's resources as Windows reads them: the three dialog
// templates with their controls, the pictures, the icon and the manifest.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/win32/resource.h"
#include "app/win32/shell.h"
#include "template_dialog.h"

namespace vk {

namespace {

void expect_rect(const RECT& a, const RECT& b) {
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.bottom, b.bottom);
}

TEST(WinResources, MainDialogHoldsEveryControl) {
  TemplateDialog d(VK_MAIN_DIALOG);
  ASSERT_NE(d.window, nullptr);
  for (const ControlSpec& spec : MainControls) EXPECT_NE(d.item(spec.id), nullptr) << spec.id;
  EXPECT_EQ(d.kind(IdCellBar), L"msctls_progress32");
  EXPECT_NE(d.style(IdCellBar) & PBS_SMOOTH, 0);
  EXPECT_NE(d.style(IdLevelEdit) & ES_NUMBER, 0);
  EXPECT_EQ(d.style(IdGo) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(d.style(IdCanvasFrame) & SS_TYPEMASK, SS_BLACKFRAME);
  LONG style = GetWindowLongW(d.window, GWL_STYLE);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(style & WS_THICKFRAME, 0);  // no resize border
  EXPECT_NE(GetWindowLongW(d.window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

// The progress bars take the colours: without a common-controls version 6
// manifest they are the classic bars, which answer the colour messages.
TEST(WinResources, ProgressBarsTakeRangeAndColours) {
  TemplateDialog d(VK_MAIN_DIALOG);
  HWND bar = d.item(IdQueueBar);
  SendMessageW(bar, PBM_SETRANGE32, 0, QueueBarRange);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), QueueBarRange);
  SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(200, 0, 0));
  EXPECT_EQ(COLORREF(SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(200, 0, 0))), RGB(200, 0, 0));
}

// The Options template holds the dialog and its font; its controls come
// from the dialog logic's table, made by the shell in template order.
TEST(WinResources, OptionsDialogFromItsTable) {
  TemplateDialog d(VK_OPTIONS_DIALOG);
  ASSERT_NE(d.window, nullptr);
  wchar_t caption[32];
  GetWindowTextW(d.window, caption, 32);
  EXPECT_STREQ(caption, L"Options");
  create_dialog_controls(d.window, OptionsControls, OptionsControlCount);
  EXPECT_EQ(d.text(OptStart), L"BATCH  START");
  EXPECT_EQ(d.text(OptNomal), L"Nomal");
  EXPECT_EQ(d.text(OptPlay), L"Play the TraceViewer after solved.");
  EXPECT_EQ(d.text(OptBeginWithEnd), L"Begin with the end position");
  EXPECT_EQ(d.text(OptGuided), L"Guided search");
  for (const ControlSpec& spec : OptionsControls) {
    if (spec.id == NoControlId) continue;
    expect_rect(d.placed(spec.id), d.units(spec.x, spec.y, spec.width, spec.height));
  }
  EXPECT_NE(d.style(OptPath) & ES_READONLY, 0);  // typed text would not be read
  EXPECT_EQ(d.style(OptSlow) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_NE(d.style(OptSlow) & WS_GROUP, 0);
  EXPECT_EQ(d.style(OptNomal) & WS_GROUP, 0);
  EXPECT_NE(d.style(OptBeginWithEnd) & WS_GROUP, 0);  // ends the radio group
  EXPECT_EQ(d.style(OptGuided) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  // Shortened by the dialog logic in its middle, not by the control at
  // its end; notifying, so that its tooltip shows.
  EXPECT_EQ(d.style(OptLocation) & SS_PATHELLIPSIS, 0);
  EXPECT_NE(d.style(OptLocation) & SS_NOTIFY, 0);
  // The tab order is the table's.
  HWND first = GetNextDlgTabItem(d.window, nullptr, FALSE);
  EXPECT_EQ(GetDlgCtrlID(first), OptPlay);
  // Every control has the dialog's font.
  HFONT font = HFONT(SendMessageW(d.window, WM_GETFONT, 0, 0));
  EXPECT_EQ(HFONT(SendMessageW(d.item(OptGuided), WM_GETFONT, 0, 0)), font);
}

TEST(WinResources, TextDialogAsItsTemplate) {
  TemplateDialog d(VK_TEXT_DIALOG);
  ASSERT_NE(d.window, nullptr);
  EXPECT_EQ(d.text(IDOK), L"Close");
  EXPECT_EQ(d.style(IDOK) & BS_TYPEMASK, BS_DEFPUSHBUTTON);  // Enter closes
  LONG edit = d.style(IdLevelEdit);
  EXPECT_NE(edit & ES_MULTILINE, 0);
  EXPECT_NE(edit & ES_WANTRETURN, 0);  // Enter in the edit box makes a new line
  EXPECT_NE(edit & WS_VSCROLL, 0);
  EXPECT_NE(edit & ES_NOHIDESEL, 0);
  expect_rect(d.placed(IdLevelEdit), d.units(7, 32, 162, 184));
  expect_rect(d.placed(IDOK), d.units(114, 15, 42, 14));
}

TEST(WinResources, PicturesAndIcon) {
  HINSTANCE self = GetModuleHandleW(nullptr);
  struct Expect {
    int32_t id, width, height;
  } pictures[] = {{VK_TILE_SHEET, TileSheetWidth, TileSheetHeight},
                  {VK_SPLASH, SplashWidth, SplashHeight}};
  for (const Expect& e : pictures) {
    HANDLE bitmap = LoadImageW(self, MAKEINTRESOURCEW(e.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(bitmap, nullptr) << e.id;
    BITMAP info;
    ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, e.width);
    EXPECT_EQ(info.bmHeight, e.height);
    EXPECT_EQ(info.bmBitsPixel, 8);
    DeleteObject(bitmap);
  }
  HICON icon = static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(VK_ICON), IMAGE_ICON, 16, 16, 0));
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
}

TEST(WinResources, ManifestIsDpiUnawareWithoutThemedControls) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(self, found)));
  std::string manifest(text, SizeofResource(self, found));
  EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

}  // namespace

}  // namespace vk
