// The Windows desktop program: one modal dialog; closing it ends the
// program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

// The application state lives once for the process, as the big tables do.
App TheApp;
Shell TheShell;

constexpr wchar_t StoreFolder[] = L"\\temp_vantori";

// The level store of this user: %LOCALAPPDATA%\temp_vantori. A folder
// shared by every user of the machine would let another user plant a
// junction there and have the intake empty a folder of the victim's.
int32_t default_store(char* out, int32_t capacity) {
  PWSTR local = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &local)))
    return 0;
  wchar_t wide[StorePathCapacity];
  int32_t ok = lstrlenW(local) + lstrlenW(StoreFolder) < StorePathCapacity;
  if (ok) {
    lstrcpyW(wide, local);
    lstrcatW(wide, StoreFolder);
    ok = vk::wide_to_utf8(wide, out, capacity);
  }
  CoTaskMemFree(local);
  return ok;
}

}  // namespace

}  // namespace vk

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace vk;
  // The folder browser needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  char store[StorePathCapacity];
  if (!default_store(store, StorePathCapacity) || !app_init(TheApp, Platform{}, store)) {
    MessageBoxW(nullptr, L"No folder for the level store (%LOCALAPPDATA%).", L"Vantori Kelmora",
                MB_OK | MB_ICONERROR);
    return 1;
  }
  TheShell.app = &TheApp;
  TheShell.instance = instance;
  return run_main_dialog(TheShell);
}
