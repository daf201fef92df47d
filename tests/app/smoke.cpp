// Smoke test of the real program under an X server (run it with
// xvfb-run): starts vantori-kelmora, presses Sample, Next and Solve with
// real pointer events from xdotool, and checks from screenshots that the
// boards of the sample levels are drawn exactly as the tile code draws
// them and that the solution dialog shows the solution text. A few replay
// steps later it saves a picture of the whole window, and once the Options
// dialog is open one of it, the two the README shows: to the paths in
// VK_SCREENSHOT and VK_OPTIONS_SCREENSHOT, or to screenshot.png and
// options.png in the folder it runs in (CTest runs it in its build folder).
//
//   app_smoke PATH-TO-vantori-kelmora
//
// Exit codes: 0 passed, 1 failed, 77 skipped (no xdotool).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

#include "app/qt/shell.h"

namespace vk {

namespace {

constexpr int SkipCode = 77;
// The sample level solved and replayed for the window's picture, and the
// replay steps taken before it is saved.
constexpr int32_t ShowcaseLevel = 4;
constexpr int ReplaySteps = 14;
constexpr char MainTitle[] = "^Vantori Kelmora1\\.2";
constexpr char DialogTitle[] = "^Vantori Kelmora$";

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) failures += 1;
}

QString xdotool(const QStringList& arguments, int timeoutMs = 20000) {
  QProcess process;
  process.start("xdotool", arguments);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

struct WindowPlace {
  QString id;
  QRect rect;
};

// Waits for a window whose name matches and reads its place.
WindowPlace find_window(const char* name, int timeoutMs) {
  WindowPlace place;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    QString ids = xdotool({"search", "--onlyvisible", "--name", name});
    if (!ids.isEmpty()) {
      place.id = ids.split('\n').last();
      break;
    }
    QThread::msleep(200);
  }
  if (place.id.isEmpty()) return place;
  QString shell = xdotool({"getwindowgeometry", "--shell", place.id});
  int x = 0, y = 0, width = 0, height = 0;
  for (const QString& line : shell.split('\n')) {
    QStringList pair = line.split('=');
    if (pair.size() != 2) continue;
    if (pair[0] == "X") x = pair[1].toInt();
    if (pair[0] == "Y") y = pair[1].toInt();
    if (pair[0] == "WIDTH") width = pair[1].toInt();
    if (pair[0] == "HEIGHT") height = pair[1].toInt();
  }
  place.rect = QRect(x, y, width, height);
  return place;
}

void click_control(const QRect& window, int32_t id) {
  const ControlSpec* spec = find_control(id);
  int x = window.x() + spec->x + spec->width / 2;
  int y = window.y() + spec->y + spec->height / 2;
  xdotool({"mousemove", "--sync", QString::number(x), QString::number(y)});
  xdotool({"click", "1"});
}

// Presses a control n times. The pointer moves there once: a synced move
// to where it already stands would wait for motion that never comes.
void click_control_times(const QRect& window, int32_t id, int n) {
  for (int k = 0; k < n; ++k) {
    if (k == 0) click_control(window, id);
    else xdotool({"click", "1"});
    QThread::msleep(120);
  }
}

void click_at(const QPoint& at) {
  xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
  xdotool({"click", "1"});
}

// A control of the Options dialog at its dialog-unit rectangle.
void click_option(const QRect& window, int x, int y, int width, int height) {
  QFont font = dialog_font();
  font.setPointSize(11);
  click_at(TextDialogWindow::unit_rect(font, x, y, width, height)
               .translated(window.topLeft())
               .center());
}

void check(bool ok, const char* what);
void save_picture(const QRect& window, const char* variable, const char* name,
                  const char* whose);

// Opens Options, ticks "Output file:", names the report through "browse"
// (without an extension, so ".txt" is added), starts the batch, waits for
// its first level line, cancels with the Option button and checks the
// report's footer and the closing message box.
void run_batch_from_options(const WindowPlace& main, const QString& reportBase);

QImage screenshot(const QString& saveAs) {
  QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
      QImage::Format_RGB32);
  image.save(saveAs);
  return image;
}

// A sample level as the program's tile code draws it.
QImage expected_board(const QString& workDir, int32_t number) {
  auto app = std::make_unique<App>();
  QByteArray dir = workDir.toLocal8Bit();
  if (!app_init(*app, Platform{}, dir.constData())) return {};
  QtCanvas canvas;
  if (!load_sample_set(app->store, app->text)) return {};
  int32_t status = select_level(app->solver, app->level, app->store.workDir, number);
  draw_board(canvas.canvas(), app->view, app->viewer, app->level, status);
  release_level_store(app->store);  // the next drawing locks the folder again
  return canvas.image;
}

// The solution text of a sample level as the program shows it.
QString expected_solution(const QString& workDir, int32_t number) {
  auto app = std::make_unique<App>();
  QByteArray dir = workDir.toLocal8Bit();
  if (!app_init(*app, Platform{}, dir.constData())) return {};
  load_sample_set(app->store, app->text);
  select_level(app->solver, app->level, app->store.workDir, number);
  release_level_store(app->store);
  if (solve_level(app->solver, app->level) != SolveSolved) return {};
  mask_last_moves(app->text, app->solver.solutionLength);
  static char text[SolutionTextSize];
  solution_text(app->text, app->solver.traceOver, text);
  return QString::fromLatin1(text).replace("\r\n", "\n").trimmed();
}

// Canvas pixels that differ from the screen; the frame's black line covers
// the canvas's first row and column.
int board_differences(const QImage& screen, const QRect& window, const QImage& board) {
  int differences = 0;
  for (int y = 1; y < CanvasHeight; ++y)
    for (int x = 1; x < CanvasWidth; ++x) {
      QPoint at(window.x() + CanvasLeft + x, window.y() + CanvasTop + y);
      if (!screen.rect().contains(at) || screen.pixel(at) != board.pixel(x, y)) differences += 1;
    }
  return differences;
}

// Waits until the canvas on the screen shows the board; the differences
// left at the end.
int wait_for_board(const QRect& window, const QImage& board, const QString& saveAs) {
  int differences = -1;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 10000) {
    QThread::msleep(300);
    differences = board_differences(screenshot(saveAs), window, board);
    if (differences == 0) break;
  }
  return differences;
}

// The README's picture: the whole window, the solved level a few moves
// into its replay, with the pointer out of the way. The board must have
// changed from its start: the replay steps drew it.
void save_window_picture(const QRect& window, const QImage& startBoard) {
  click_control_times(window, IdForward, ReplaySteps);
  xdotool({"mousemove", "--sync", "0", "0"});
  QThread::msleep(500);
  QImage screen = screenshot(QDir::currentPath() + "/smoke-replay.png");
  check(board_differences(screen, window, startBoard) > 0, "the replay steps move the board");
  save_picture(window, "VK_SCREENSHOT", "screenshot.png", "the main window's");
}

// A window's picture for the README: to the path in the environment
// variable, or to the name in the folder the test runs in.
void save_picture(const QRect& window, const char* variable, const char* name,
                  const char* whose) {
  QImage screen = screenshot(QDir::currentPath() + "/smoke-picture.png");
  QString path = qEnvironmentVariable(variable);
  if (path.isEmpty()) path = QDir::currentPath() + "/" + name;
  // The strongest compression: about 40 KB for the main window.
  bool saved = screen.copy(window).save(path, "PNG", 0);
  std::printf("%s picture: %s\n", whose, path.toLocal8Bit().constData());
  check(saved, "the window's picture is saved");
}

// Dark pixels, as text leaves them, inside a rectangle of the screen.
int dark_pixels(const QImage& screen, const QRect& rect) {
  int dark = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (screen.rect().contains(x, y) && qGray(screen.pixel(x, y)) < 96) dark += 1;
  return dark;
}

void run_batch_from_options(const WindowPlace& main, const QString& reportBase) {
  click_control(main.rect, IdOption);
  WindowPlace options = find_window("^Options$", 20000);
  check(!options.id.isEmpty(), "Option opens the Options dialog");
  if (options.id.isEmpty()) return;
  QThread::msleep(500);
  save_picture(options.rect, "VK_OPTIONS_SCREENSHOT", "options.png", "the Options dialog's");
  click_option(options.rect, 17, 61, 48, 8);    // 1034 "Output file:"
  QThread::msleep(200);
  click_option(options.rect, 190, 58, 30, 12);  // 1001 "browse"
  WindowPlace save = find_window("^save as$", 20000);
  check(!save.id.isEmpty(), "browse opens the save dialog");
  if (save.id.isEmpty()) return;
  QThread::msleep(500);
  xdotool({"type", "--delay", "20", reportBase});
  xdotool({"key", "Return"});
  QThread::msleep(500);
  click_option(options.rect, 78, 75, 77, 14);   // 1002 "BATCH  START"
  QString report = reportBase + ".txt";
  QElapsedTimer clock;
  clock.start();
  QByteArray text;
  while (clock.elapsed() < 60000) {
    QFile file(report);
    if (file.open(QIODevice::ReadOnly)) text = file.readAll();
    if (text.contains("\n   1[")) break;
    QThread::msleep(200);
  }
  check(text.startsWith("# Vantori Kelmora1.2"), "the batch writes the report header");
  check(text.contains("\n   1["), "the batch writes the first level's line");
  click_control(main.rect, IdOption);  // now "Cancel"
  WindowPlace box = find_window(DialogTitle, 60000);
  check(!box.id.isEmpty(), "the closing message box appears");
  QFile file(report);
  text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  std::printf("report:\n%s", text.constData());
  check(text.contains(" Cancel]\n# Solved:"), "a cancelled report ends with its footer");
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: app_smoke PATH-TO-vantori-kelmora\n");
    return 2;
  }
  if (QProcess::execute("xdotool", {"version"}) != 0) {
    std::printf("skipped: xdotool is not installed\n");
    return SkipCode;
  }
  QTemporaryDir scratch;
  QString shots = QDir::currentPath();

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CACHE_HOME", scratch.path() + "/cache");
  environment.remove("QT_QPA_PLATFORM");
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QString::fromLocal8Bit(argv[1]), {});
  check(program.waitForStarted(10000), "the program starts");

  WindowPlace main = find_window(MainTitle, 30000);
  check(!main.id.isEmpty(), "the main window appears");
  if (main.id.isEmpty()) return 1;
  check(main.rect.size() == QSize(793, 641), "the main window has its fixed client size");
  QThread::msleep(500);

  click_control(main.rect, IdSample);
  QImage board = expected_board(scratch.path() + "/expected/", 1);
  check(!board.isNull(), "the expected board can be drawn");
  int differences = wait_for_board(main.rect, board, shots + "/smoke-board.png");
  std::printf("board pixels that differ: %d\n", differences);
  check(differences == 0, "Sample draws the first level's board on the canvas");

  click_control_times(main.rect, IdNext, ShowcaseLevel - 1);
  QImage showcase = expected_board(scratch.path() + "/expected/", ShowcaseLevel);
  differences = wait_for_board(main.rect, showcase, shots + "/smoke-board.png");
  std::printf("board pixels that differ on level %d: %d\n", ShowcaseLevel, differences);
  check(differences == 0, "Next draws the later level's board");

  click_control(main.rect, IdSolve);
  WindowPlace dialog = find_window(DialogTitle, 180000);
  check(!dialog.id.isEmpty(), "Solve opens the solution dialog");
  if (!dialog.id.isEmpty()) {
    QThread::msleep(500);
    QImage shot = screenshot(shots + "/smoke-solution.png");
    QRect edit = TextDialogWindow::unit_rect(fixed_font(), 7, 32, 162, 184)
                     .translated(dialog.rect.topLeft())
                     .adjusted(4, 4, -20, -4);
    check(dark_pixels(shot, edit) > 40, "the solution text is drawn in the dialog");
    // The focus starts on Close; Tab moves it into the box, whose text is
    // copied and compared with the solution.
    xdotool({"windowfocus", "--sync", dialog.id});
    xdotool({"key", "--window", dialog.id, "Tab", "ctrl+a", "ctrl+c"});
    QThread::msleep(300);
    QString copied = QGuiApplication::clipboard()->text().trimmed();
    QString solution = expected_solution(scratch.path() + "/solve/", ShowcaseLevel);
    std::printf("solution dialog text: %s\n", copied.toLatin1().constData());
    check(!solution.isEmpty() && copied == solution, "the dialog holds the solution text");
  }
  // Esc leaves the solution dialog open; Close closes it. Then a batch
  // with a report from Options.
  if (!dialog.id.isEmpty()) {
    xdotool({"key", "--window", dialog.id, "Escape"});
    QThread::msleep(300);
    check(!find_window(DialogTitle, 500).id.isEmpty(), "Esc leaves the solution dialog open");
    QRect close = TextDialogWindow::unit_rect(fixed_font(), 114, 15, 42, 14)
                      .translated(dialog.rect.topLeft());
    click_at(close.center());
    QThread::msleep(500);
    save_window_picture(main.rect, showcase);
  }
  run_batch_from_options(main, scratch.path() + "/report");
  program.terminate();
  if (!program.waitForFinished(10000)) program.kill();
  std::printf(failures == 0 ? "smoke test passed\n" : "smoke test failed\n");
  return failures == 0 ? 0 : 1;
}
