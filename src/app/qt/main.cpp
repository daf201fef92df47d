// The desktop program: one fixed-size main window; closing it ends the
// program.
#include <QApplication>

#include <cstdio>

#include "app/art.h"
#include "app/qt/shell.h"

namespace {

// The application state lives once for the process, as the big tables do.
App TheApp;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(QIcon(QPixmap::fromImage(art_image(IconArt))));
  if (!app_init(TheApp, Platform{}, nullptr)) {
    std::fprintf(stderr, "vantori-kelmora: no folder for the level store "
                         "(set HOME or XDG_CACHE_HOME)\n");
    return 1;
  }
  MainWindow window(TheApp);
  window.place_and_show();
  return application.exec();
}
