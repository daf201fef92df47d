// The Windows desktop program: one modal dialog; closing it ends the
// program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/win32/shell.h"
#include "program/program.h"
#include "os/win32_text.h"

namespace vk {

namespace {

// The application state lives once for the process, as the big tables do.
App TheApp;
Shell TheShell;

constexpr int32_t MaxArguments = 64;
constexpr int32_t ArgumentBytes = 4096;
constexpr char Usage[] =
    "Usage: vantori-kelmora [--memory SIZE] [--help | --version]\n"
    "Finds the minimum-move solution of a box-pushing puzzle level and replays it.\n"
    "Load levels with Sample, Text, File or Folder, or drop one level file or a\n"
    "folder of numbered level files onto the window; Ctrl+V loads the clipboard's\n"
    "levels as Text does. The level store is the folder temp_vantori in\n"
    "%LOCALAPPDATA%; every load empties it.\n"
    "\n"
    "  --memory SIZE  bytes for the search tables, from 16M to 16G (K, M, G are\n"
    "             1000, 1000000, 1000000000); 608M by default\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

void show_text(const char* text, UINT icon) {
  wchar_t wide[sizeof Usage];
  if (!utf8_to_wide(text, wide, int32_t(sizeof Usage))) return;
  MessageBoxW(nullptr, wide, L"Vantori Kelmora", MB_OK | icon);
}

// The program's own options, from the wide command line as UTF-8 (a
// program without a console answers in a message box). Returns the exit
// status, or -1 to start the dialog.
int answer_own_options(int64_t& memory) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  static char bytes[ArgumentBytes];
  char* argv[MaxArguments];
  int argc = 0;
  for (int i = 0, used = 0; wide && i < count && argc < MaxArguments; ++i) {
    if (!wide_to_utf8(wide[i], bytes + used, ArgumentBytes - used)) break;
    argv[argc++] = bytes + used;
    used += int(std::strlen(bytes + used)) + 1;
  }
  if (wide) LocalFree(wide);
  char text[64];
  switch (read_desktop_options(argc, argv, memory)) {
    case ShowVersion:
      std::snprintf(text, sizeof text, "vantori-kelmora %s", VersionText);
      show_text(text, MB_ICONINFORMATION);
      return 0;
    case ShowHelp:
      show_text(Usage, MB_ICONINFORMATION);
      return 0;
    case BadOption:
      show_text(MemorySizeRule, MB_ICONERROR);
      return 2;
    default:
      return -1;
  }
}

}  // namespace

}  // namespace vk

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace vk;
  // The folder browser needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int64_t memory = DefaultMemory;
  int answered = answer_own_options(memory);
  if (answered >= 0) return answered;
  // The program's own store, %LOCALAPPDATA%\temp_vantori\, per user: a
  // folder shared by every user of the machine would let another user plant
  // a junction there and have the intake empty a folder of the victim's.
  if (!app_init(TheApp, Platform{}, nullptr)) {
    show_text("No folder for the level store (%LOCALAPPDATA%).", MB_ICONERROR);
    return 1;
  }
  char refusal[RefusalCapacity];
  if (!app_reserve_tables(TheApp, memory, refusal)) {
    show_text(refusal, MB_ICONERROR);
    return 1;
  }
  TheShell.app = &TheApp;
  TheShell.instance = instance;
  return run_main_dialog(TheShell);
}
