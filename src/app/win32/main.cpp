// The Windows desktop program: one modal dialog; closing it ends the
// program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "app/win32/shell.h"
#include "program/program.h"
#include "os/os.h"
#include "os/win32_text.h"

namespace vk {

namespace {

// The application state lives once for the process, as the big tables do.
App TheApp;
Shell TheShell;

constexpr char StorePlace[] = "%LOCALAPPDATA%";

// The program has no console: it answers in a message box, whose text it
// lays out for the box (which wraps by itself).
void show_text(const char* text, UINT icon) {
  static wchar_t wide[UsageCapacity + RefusalCapacity];
  if (!utf8_to_wide(text, wide, int32_t(sizeof wide / sizeof wide[0]))) return;
  MessageBoxW(nullptr, wide, L"Vantori Kelmora", MB_OK | icon);
}

// The program's own options, from the arguments as UTF-8. Returns the exit
// status, or -1 to start the dialog.
int answer_own_options(int argc, char** argv, DesktopOptions& options) {
  char text[UsageCapacity + RefusalCapacity];
  int32_t request = read_desktop_options(argc, argv, options, 1);
  switch (request) {
    case ShowVersion:
      std::snprintf(text, sizeof text, "vantori-kelmora %s", VersionText);
      show_text(text, MB_ICONINFORMATION);
      return 0;
    case ShowHelp:
      desktop_usage(UsageForBox, StorePlace, nullptr, text, sizeof text);
      show_text(text, MB_ICONINFORMATION);
      return 0;
    case BadOption: {
      int32_t used = std::snprintf(text, sizeof text, "%s\n\n", options.refusal);
      desktop_usage(UsageForBox, StorePlace, nullptr, text + used, int32_t(sizeof text) - used);
      show_text(text, MB_ICONERROR);
      return DesktopUsageStatus;
    }
    default:
      return -1;
  }
}

}  // namespace

}  // namespace vk

// main rather than WinMain: the runtime calls it for a windowed program
// too, and the arguments come as UTF-8 through the OS layer.
int main(int argc, char** argv) {
  using namespace vk;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  argv = os_utf8_arguments(argc, argv);
  // The folder browser needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  DesktopOptions options;
  int answered = answer_own_options(argc, argv, options);
  if (answered >= 0) return answered;
  // The program's own store, %LOCALAPPDATA%\temp_vantori\, per user: a
  // folder shared by every user of the machine would let another user plant
  // a junction there and have the intake empty a folder of the victim's.
  if (!app_init(TheApp, Platform{}, nullptr)) {
    show_text("No folder for the level store (%LOCALAPPDATA%).", MB_ICONERROR);
    return 1;
  }
  char refusal[RefusalCapacity];
  if (!app_reserve_tables(TheApp, options.memory, refusal)) {
    show_text(refusal, MB_ICONERROR);
    return 1;
  }
  app_take_options(TheApp, options);
  TheShell.app = &TheApp;
  TheShell.instance = instance;
  return run_main_dialog(TheShell);
}
