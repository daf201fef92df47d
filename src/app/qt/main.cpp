// The desktop program: one fixed-size main window; closing it ends the
// program.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "app/art.h"
#include "app/qt/shell.h"
#include "program/program.h"

namespace vk {

namespace {

// The application state lives once for the process, as the big tables do.
App TheApp;

constexpr char Usage[] =
    "Usage: vantori-kelmora [--help | --version] [Qt options]\n"
    "Finds the minimum-move solution of a box-pushing puzzle level and replays it.\n"
    "Load levels with Sample, Text, File or Folder, or drop one level file or a\n"
    "folder of numbered level files onto the window; Ctrl+V loads the clipboard's\n"
    "levels as Text does. The level store is the folder temp_vantori in\n"
    "$XDG_CACHE_HOME (default ~/.cache); every load empties it.\n"
    "\n"
    "  --memory SIZE  bytes for the search tables, from 16M to 16G (K, M, G are\n"
    "             1000, 1000000, 1000000000); 608M by default. Larger tables\n"
    "             solve levels that fail at the default\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Other arguments go to Qt, for example -platform NAME.\n";

// The options the program answers by itself, before the QApplication
// exists. Returns the exit status, or -1 to start the window.
int answer_own_options(int argc, char** argv, int64_t& memory) {
  switch (read_desktop_options(argc, argv, memory)) {
    case ShowVersion:
      std::printf("vantori-kelmora %s\n", VersionText);
      return 0;
    case ShowHelp:
      std::fputs(Usage, stdout);
      return 0;
    case BadOption:
      std::fprintf(stderr, "vantori-kelmora: %s\n", MemorySizeRule);
      return 2;
    default:
      return -1;
  }
}

// Whether a thread can start here. Qt's message box needs threads of its
// own (the session bus); under an address-space limit that refuses them it
// would wait for ever without a window.
bool threads_can_start() {
  try {
    std::thread probe([] {});
    probe.join();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// A refusal before the window: always on standard error, and in a message
// box only when one can be shown.
int refuse(const char* text) {
  std::fprintf(stderr, "vantori-kelmora: %s\n", text);
  std::fflush(stderr);
  if (threads_can_start()) QMessageBox::critical(nullptr, DialogCaption, QString::fromUtf8(text));
  return 1;
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  int64_t memory = DefaultMemory;
  int answered = answer_own_options(argc, argv, memory);
  if (answered >= 0) return std::fflush(stdout) == 0 ? answered : 1;
  QApplication application(argc, argv);
  application.setWindowIcon(QIcon(QPixmap::fromImage(art_image(IconArt))));
  if (!app_init(TheApp, Platform{}, nullptr)) {
    std::fprintf(stderr, "vantori-kelmora: no folder for the level store "
                         "(set HOME or XDG_CACHE_HOME)\n");
    return 1;
  }
  char refusal[RefusalCapacity];
  if (!app_reserve_tables(TheApp, memory, refusal)) return refuse(refusal);
  MainWindow window(TheApp);
  window.place_and_show();
  return application.exec();
}
