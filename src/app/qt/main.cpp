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

constexpr char StorePlace[] = "$XDG_CACHE_HOME (default ~/.cache)";
constexpr char ToolkitNote[] = "Qt's own options, for example -platform NAME, may come too.";

void print_usage(std::FILE* out) {
  char usage[UsageCapacity];
  desktop_usage(UsageForTerminal, StorePlace, ToolkitNote, usage, sizeof usage);
  std::fputs(usage, out);
}

// The options the program answers by itself. Returns the exit status, or
// -1 to go on: first before the QApplication exists (strict 0), so that
// --help and --version need no display, and then on what Qt has left of
// argv (strict 1).
int answer_own_options(int argc, char** argv, DesktopOptions& options, int32_t strict) {
  switch (read_desktop_options(argc, argv, options, strict)) {
    case ShowVersion:
      std::printf("vantori-kelmora %s\n", VersionText);
      return 0;
    case ShowHelp:
      print_usage(stdout);
      return 0;
    case BadOption:
      std::fprintf(stderr, "vantori-kelmora: %s\n\n", options.refusal);
      print_usage(stderr);
      return DesktopUsageStatus;
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
  DesktopOptions options;
  int answered = answer_own_options(argc, argv, options, 0);
  if (answered >= 0) return std::fflush(stdout) == 0 ? answered : 1;
  QApplication application(argc, argv);
  answered = answer_own_options(argc, argv, options, 1);
  if (answered >= 0) return std::fflush(stdout) == 0 ? answered : 1;
  application.setWindowIcon(QIcon(QPixmap::fromImage(art_image(IconArt))));
  if (!app_init(TheApp, Platform{}, nullptr)) {
    std::fprintf(stderr, "vantori-kelmora: no folder for the level store "
                         "(set HOME or XDG_CACHE_HOME)\n");
    return 1;
  }
  char refusal[RefusalCapacity];
  if (!app_reserve_tables(TheApp, options.memory, refusal)) return refuse(refusal);
  app_take_options(TheApp, options);
  MainWindow window(TheApp);
  window.place_and_show();
  // The main window runs modally, as the only window of the program;
  // end_program ends the run.
  window.exec();
  return 0;
}
