// The real main window on Qt's offscreen platform: controls at their
// places, a solve of a sample level through to the text dialog, replay
// steps on the canvas, closing while a solve runs, and level files and
// folders dropped onto the window.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QRadioButton>
#include <QScreen>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "app/dialog_internal.h"
#include "app/qt/shell.h"
#include "support/support.h"

namespace vk {

namespace {

bool wait_until(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qSleep(5);
  }
  return true;
}

TextDialogWindow* open_text_dialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = dynamic_cast<TextDialogWindow*>(widget);
    if (dialog && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

// Answers the text dialog from inside its own modal loop: records what it
// shows and presses Close.
struct DialogCloser {
  QTimer timer;
  int seen = 0;
  QString headline;
  QString notice;
  QString body;
  QRect editGeometry;
  QFont font;
  DialogCloser() {
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      TextDialogWindow* dialog = open_text_dialog();
      if (!dialog) return;
      seen += 1;
      headline = dialog->headline()->text();
      notice = dialog->notice()->text();
      body = dialog->text();
      editGeometry = dialog->edit()->geometry();
      font = dialog->font();
      QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
    });
    timer.start();
  }
};

// Acts in the Options dialog from inside its own modal loop, once it shows.
struct OptionsAnswer {
  QTimer timer;
  explicit OptionsAnswer(std::function<void(QWidget*)> act) {
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [this, act] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != "optionsDialog" || !widget->isVisible()) continue;
        timer.stop();
        act(widget);
        return;
      }
    });
    timer.start();
  }
};

struct Window : ::testing::Test {
  TempDir work;
  std::unique_ptr<App> app = std::make_unique<App>();
  std::unique_ptr<MainWindow> window;

  void SetUp() override {
    ASSERT_EQ(app_init(*app, Platform{}, work.path.c_str()), 1);
    window = std::make_unique<MainWindow>(*app);
    window->place_and_show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    if (!window) return;  // a test that made its own window ended it
    window->close();
    window.reset();
  }
  template <typename T>
  T* control(int32_t id) {
    return qobject_cast<T*>(window->control(id));
  }
  void click(int32_t id) {
    QWidget* button = window->control(id);
    ASSERT_TRUE(button->isEnabled()) << id;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  }
  // Solves the level on display and answers the solution dialog.
  void solve(DialogCloser& closer) {
    click(IdSolve);
    ASSERT_TRUE(wait_until([&] { return window->idle() && closer.seen > 0; }, 120000));
  }
};

TEST_F(Window, ControlsStandAtTheirPlaces) {
  EXPECT_EQ(window->windowTitle(), QString::fromLatin1(TitleText));
  QSize frame = window->frameGeometry().size() - window->geometry().size();
  WindowPlacement placement = place_main_window(frame.width(), frame.height(), 4000, 4000);
  EXPECT_EQ(window->width(), placement.clientWidth);
  EXPECT_EQ(window->height(), placement.clientHeight);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  for (int32_t k = 0; k < ControlCount; ++k) {
    const ControlSpec& spec = MainControls[k];
    QWidget* widget = window->control(spec.id);
    ASSERT_NE(widget, nullptr) << spec.id;
    EXPECT_EQ(widget->geometry(), QRect(spec.x, spec.y, spec.width, spec.height)) << spec.id;
    EXPECT_TRUE(widget->isVisible()) << spec.id;
  }
  EXPECT_EQ(control<QPushButton>(IdSample)->text(), "Sample");
  EXPECT_EQ(control<QPushButton>(IdBack)->text(), "<-");
  EXPECT_EQ(control<QGroupBox>(IdBatchGroup)->title(), "Batch etc.");
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "Levels is not loaded.");
  EXPECT_EQ(control<QLabel>(IdElapsed)->text(), "0 sec");
  EXPECT_EQ(control<QLabel>(IdHiddenNotice)->text(), "Last 20 moves are hidden.");
  EXPECT_EQ(control<QLabel>(IdQueueLabel)->text(), "Que");
  EXPECT_EQ(control<QLabel>(IdSetLine)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(control<QLabel>(IdStatusText)->palette().color(QPalette::WindowText),
            QColor(255, 0, 0));
  EXPECT_EQ(control<QLineEdit>(IdLevelEdit)->text(), "");
  EXPECT_EQ(control<QProgressBar>(IdCellBar)->maximum(), 14000);
  EXPECT_EQ(control<QProgressBar>(IdQueueBar)->maximum(), 8000);
  EXPECT_TRUE(control<QPushButton>(IdSample)->isEnabled());
  EXPECT_TRUE(control<QPushButton>(IdOption)->isEnabled());
  EXPECT_FALSE(control<QPushButton>(IdSolve)->isEnabled());
  EXPECT_FALSE(control<QPushButton>(IdTop)->isEnabled());
  // The start-up screen: the grey backdrop at the canvas's corner.
  EXPECT_EQ(QColor(window->canvasImage().pixel(3, 3)), QColor(0x6E, 0x6E, 0x6E));
}

TEST_F(Window, SampleSolveOpensTheSolutionAndReplays) {
  click(IdSample);
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(),
            QString("Sample (6levels)   ") + sample_level_name(1));
  EXPECT_EQ(control<QLineEdit>(IdLevelEdit)->text(), "1");
  QImage start = window->canvasImage().copy();

  DialogCloser closer;
  click(IdSolve);
  EXPECT_EQ(control<QPushButton>(IdSolve)->text(), "Cancel");
  EXPECT_FALSE(control<QPushButton>(IdSample)->isEnabled());
  ASSERT_TRUE(wait_until([&] { return window->idle() && closer.seen > 0; }, 120000));
  int32_t length = app->solver.solutionLength;
  ASSERT_GT(length, 2);
  EXPECT_EQ(closer.headline, QString("Solved. Mimimum moves are %1 moves.").arg(length));
  EXPECT_EQ(closer.notice, "Last 20 moves are hidden.");
  QStringList lines = closer.body.split('\n');
  ASSERT_GE(lines.size(), 1);
  EXPECT_LE(lines[0].size(), 30);
  EXPECT_TRUE(lines[0].endsWith('?'));
  EXPECT_EQ(control<QPushButton>(IdSolve)->text(), "Solve");
  EXPECT_EQ(control<QLabel>(IdCounter)->text(), QString::asprintf("%4d/%4d", 0, length));
  // The dialog's edit box stands at its dialog-unit rectangle.
  EXPECT_EQ(closer.editGeometry, TextDialogWindow::unit_rect(closer.font, 7, 32, 162, 184));

  // Replay: a step changes the board, a step back restores it.
  click(IdForward);
  EXPECT_EQ(control<QLabel>(IdCounter)->text(), QString::asprintf("%4d/%4d", 1, length));
  EXPECT_NE(window->canvasImage(), start);
  click(IdBack);
  EXPECT_EQ(window->canvasImage(), start);
  click(IdForward);
  click(IdTop);
  EXPECT_EQ(window->canvasImage(), start);

  // Solve again opens the solution without solving.
  int32_t before = closer.seen;
  click(IdSolve);
  EXPECT_TRUE(window->idle());
  EXPECT_GT(closer.seen, before);
}

// Run with QT_SCALE_FACTOR=2 (its own CTest entry): the canvas is scaled
// by nearest neighbour, every canvas pixel a uniform 2 x 2 block.
TEST_F(Window, HighDpiCanvasStaysCrisp) {
  if (window->devicePixelRatio() < 2) GTEST_SKIP() << "needs a device pixel ratio of 2";
  click(IdSample);
  QImage screen = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage& canvas = window->canvasImage();
  int differences = 0;
  for (int y = 1; y < CanvasHeight; ++y)
    for (int x = 1; x < CanvasWidth; ++x)
      for (int d = 0; d < 4; ++d) {
        int px = 2 * (CanvasLeft + x) + d % 2;
        int py = 2 * (CanvasTop + y) + d / 2;
        if (screen.pixel(px, py) != canvas.pixel(x, y)) differences += 1;
      }
  EXPECT_EQ(differences, 0);
}

TEST_F(Window, EnterInTheEditBoxActsAsGo) {
  click(IdSample);
  QLineEdit* edit = control<QLineEdit>(IdLevelEdit);
  edit->setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(control<QPushButton>(IdGo)->isDefault());
  EXPECT_TRUE(edit->hasSelectedText() || wait_until([&] { return edit->hasSelectedText(); }, 1000));
  QTest::keyClicks(edit, "99");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(app->currentLevel, 6);
  EXPECT_EQ(edit->text(), "6");
  QTest::keyClicks(edit, "x");  // digits only
  EXPECT_EQ(edit->text(), "6");
  QTest::keyClick(window.get(), Qt::Key_Escape);  // Esc does nothing
  EXPECT_TRUE(window->isVisible());
}

TEST_F(Window, PasteModeHandsTheTextOver) {
  QTimer timer;
  timer.setInterval(50);
  QObject::connect(&timer, &QTimer::timeout, [] {
    TextDialogWindow* dialog = open_text_dialog();
    if (!dialog) return;
    EXPECT_EQ(dialog->headline()->text(), "Paste the level in text format.");
    EXPECT_EQ(dialog->windowTitle(), "Vantori Kelmora");
    dialog->edit()->setPlainText("#####\n#@$.#\n#####\n");
    QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
  });
  timer.start();
  click(IdText);
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "Text");
  EXPECT_EQ(control<QLabel>(IdSizeLine)->text(), "   [  5 *  3 ( 1) ]");
  EXPECT_TRUE(control<QPushButton>(IdSolve)->isEnabled());
}

TEST_F(Window, ClosingDuringASolveEndsCleanly) {
  click(IdSample);
  QLineEdit* edit = control<QLineEdit>(IdLevelEdit);
  edit->setText("6");
  click(IdGo);
  ASSERT_TRUE(control<QPushButton>(IdSolve)->isEnabled());
  click(IdSolve);
  EXPECT_FALSE(window->idle());
  // The window goes at once; the cancelled solve ends by itself and shows
  // nothing.
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(app->state, StateClosing);
  EXPECT_EQ(app->solver.cancel.load(), 1);
  window.reset();
  EXPECT_EQ(open_text_dialog(), nullptr);
}

// An intake cannot be cancelled, and one of a named pipe that nobody
// writes never ends: the close box then ends the process at once instead
// of waiting for the worker. It runs in a child process, which must be gone
// within 10 seconds with status 0.
TEST_F(Window, ClosingDuringABlockedIntakeEndsTheProcessAtOnce) {
  TempDir sources;
  std::string fifo = sources / "levels";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EXIT(
      {
        alarm(10);  // a close that waits ends the child with SIGALRM
        if (drop_path(*app, fifo.c_str(), 0) != 1) std::_Exit(2);
        QTest::qWait(200);
        if (app->state != StateLoading) std::_Exit(3);
        window->close();
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(window->idle());  // this process never started the intake
}

// The Options dialog at its dialog-unit places: "BATCH  START" with a
// report starts a batch on the worker; closing the window during it ends
// the run cleanly with the report's footer written.
TEST_F(Window, OptionsStartsABatchAndClosingEndsIt) {
  TempDir out;
  std::string report = out.path + "report.txt";
  click(IdSample);
  std::snprintf(app->settings.reportPath, StorePathCapacity, "%s", report.c_str());
  QRect startRect;
  QRect expected;
  QString setLine;
  OptionsAnswer answer([&](QWidget* widget) {
    expected = TextDialogWindow::unit_rect(widget->font(), 78, 75, 77, 14);
    EXPECT_EQ(widget->font().pointSize(), 11);
    auto* start = widget->findChild<QPushButton*>("option1002");
    startRect = start->geometry();
    for (QLabel* label : widget->findChildren<QLabel*>())
      if (label->text().startsWith("LevelSetName")) setLine = label->text();
    QTest::mouseClick(widget->findChild<QWidget*>("option1034"), Qt::LeftButton);
    QTest::mouseClick(start, Qt::LeftButton);
  });
  click(IdOption);
  EXPECT_EQ(startRect, expected);
  EXPECT_EQ(setLine, "LevelSetName: Sample (6 levels)");
  ASSERT_EQ(app->state, StateBatch);
  ASSERT_TRUE(wait_until([&] { return read_file(report).find("   1[") != std::string::npos; },
                         60000));
  EXPECT_EQ(control<QPushButton>(IdOption)->text(), "Cancel");
  // The window stays until the cancelled run has written its footer.
  window->close();
  ASSERT_TRUE(wait_until([&] { return !window->isVisible(); }, 60000));
  std::string text = read_file(report);
  EXPECT_NE(text.find(" Cancel]\n# Solved:"), std::string::npos) << text;
}

// ---------------------------------------------------------------- user trial

TEST_F(Window, MinimizeBoxButNoResizing) {
  Qt::WindowFlags flags = window->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

// The pixels of a bar's colour along the middle row of what the screen
// shows of the bar: the window's own backing store, not a fresh rendering.
int filled_width(QWidget* bar, uint32_t colour) {
  QImage shot = bar->screen()->grabWindow(bar->window()->winId()).toImage();
  QRect area = bar->geometry();
  int filled = 0;
  for (int x = area.left(); x <= area.right(); ++x)
    if ((shot.pixel(x, area.center().y()) & 0xFFFFFF) == colour) filled += 1;
  return filled;
}

// The last refresh of a solve moves the bars by less than a chunk: they
// must still show the final figures, value x inner width / range.
TEST_F(Window, BarsShowTheFinalFiguresWithinAPixel) {
  struct Step {
    int32_t nodes;
    int32_t queue;
  };
  // Sample level 6: 301,981 nodes, a queue fill of 16,448, reached from
  // the figures of the previous ticks.
  const Step steps[] = {{160000, 9000}, {230000, 12000}, {301981, 16448}};
  for (const Step& step : steps) {
    app->solver.progress.nodes.store(step.nodes);
    app->solver.progress.queue.store(step.queue);
    refresh_progress_bars(*app);
    QCoreApplication::processEvents();
    QTest::qWait(50);
  }
  struct Bar {
    int32_t id;
    uint32_t colour;
    int32_t range;
    int32_t value;
  };
  // At the default table size a bar step is 1000 records or 100 queue entries.
  const Bar bars[] = {{IdCellBar, CellBarColour, CellBarRange, 301981 / 1000},
                      {IdQueueBar, QueueBarColour, QueueBarRange, 16448 / 100}};
  for (const Bar& bar : bars) {
    QWidget* widget = window->control(bar.id);
    int inner = widget->width() - 2;  // inside the one-pixel border
    double expected = double(bar.value) * inner / bar.range;
    int shown = filled_width(widget, bar.colour);
    EXPECT_NEAR(shown, expected, 1.0) << bar.id;
  }
}

// Every static, button and group title of the three dialogs fits its
// rectangle in the font it is drawn with, also with the longest texts the
// dialog sets.
void expect_all_fit(QWidget* root, const char* dialog) {
  int checked = 0;
  for (QWidget* child : root->findChildren<QWidget*>()) {
    bool text = qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child) ||
                qobject_cast<QGroupBox*>(child);
    if (!text) continue;
    checked += 1;
    EXPECT_GE(text_room(child), 0) << dialog << " " << child->objectName().toStdString()
                                   << " in " << child->font().family().toStdString() << " "
                                   << child->font().pointSize() << " pt";
    EXPECT_GE(child->font().pointSize(), 6);
  }
  EXPECT_GE(checked, 3) << dialog;
}

TEST_F(Window, TextsFitTheirControls) {
  if (QFontDatabase::families().contains("IPAPGothic")) {
    EXPECT_EQ(window->font().family(), "IPAPGothic");
    EXPECT_EQ(fixed_font().family(), "IPAGothic");
  }
  expect_all_fit(window.get(), "main");
  // The longest texts the main dialog shows in each control.
  const std::pair<int32_t, const char*> texts[] = {
      {IdSetLine, "Now loadding..."},  {IdSizeLine, "   [ 50 * 40 ( 8) ]"},
      {IdStatusText, "Boxes Over"},   {IdStatusText, "Boxes = 8"},
      {IdElapsed, "9999 sec"},        {IdCounter, "20000/20000"},
      {IdSolve, "Cancel"},            {IdPlay, "Pause"},
      {IdOption, "Cancel"},
  };
  for (const auto& [id, text] : texts) {
    app->platform.set_text(app->platform.context, id, text);
    EXPECT_GE(text_room(window->control(id)), 0) << text;
  }
  click(IdSample);
  for (int32_t n = 1; n <= 6; ++n) {
    control<QLineEdit>(IdLevelEdit)->setText(QString::number(n));
    click(IdGo);
    EXPECT_GE(text_room(window->control(IdSetLine)), 0) << n;
  }

  // The Options dialog with a set loaded, and the text dialog's modes.
  int seen = 0;
  OptionsAnswer answer([&](QWidget* widget) {
    seen += 1;
    expect_all_fit(widget, "options");
    widget->close();
  });
  click(IdOption);
  EXPECT_EQ(seen, 1);
  for (int32_t mode : {PasteMode, SolutionMode}) {
    app->dialogMode = mode;
    prepare_text_dialog(*app);
    std::snprintf(app->textDialog.headline, HeadlineCapacity,
                  mode == PasteMode ? "Paste the level in text format."
                                    : "Solved. Mimimum moves are 20000 moves.");
    std::snprintf(app->textDialog.notice, NoticeCapacity, "%s", HiddenNoticeText);
    TextDialogWindow dialog(app->textDialog, window.get());
    expect_all_fit(&dialog, "text");
  }
}

// The report path box shows the path but takes no typing; the work
// folder's line shows both ends of a long path, the tooltip all of it.
TEST_F(Window, OptionsPathIsReadOnlyAndTheWorkFolderFits) {
  TempDir deep;
  std::string longDir = deep.path + std::string(60, 'd') + "/" + std::string(40, 'e') + "/";
  auto other = std::make_unique<App>();
  ASSERT_EQ(app_init(*other, Platform{}, longDir.c_str()), 1);
  window->close();
  window = std::make_unique<MainWindow>(*other);
  window->place_and_show();
  std::snprintf(other->settings.reportPath, StorePathCapacity, "/tmp/report.txt");
  QString shownPath, location, tip;
  bool readOnly = false;
  int room = -1;
  OptionsAnswer answer([&](QWidget* widget) {
    auto* path = widget->findChild<QLineEdit*>("option1006");
    readOnly = path->isReadOnly();
    path->setEnabled(true);
    path->setFocus();
    QTest::keyClicks(path, "typed");
    shownPath = path->text();
    auto* line = widget->findChild<QLabel*>("option1019");
    location = line->text();
    tip = line->toolTip();
    room = text_room(line);
    widget->close();
  });
  click(IdOption);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(shownPath, "/tmp/report.txt");
  EXPECT_EQ(tip, QString::fromStdString(longDir));
  QString start = QString(LocationPrefix) + QString::fromStdString(longDir.substr(0, 4));
  EXPECT_TRUE(location.startsWith(start)) << location.toStdString();
  EXPECT_TRUE(location.contains("...")) << location.toStdString();
  EXPECT_TRUE(location.endsWith(QString(8, 'e') + "/")) << location.toStdString();
  EXPECT_GE(room, 0);
  window->close();
  window.reset();
}

// Play ends at the first hidden move with the keyboard focus on Play: the
// focus goes to "<-", and Space there steps back instead of pressing a
// loader. With no viewer button left the focus goes to no control, and
// Enter then does nothing.
TEST_F(Window, FocusLeavesADisabledButtonForAViewerButtonOrNone) {
  app->settings.traceSpeed = SpeedFast;
  click(IdSample);
  DialogCloser closer;
  solve(closer);
  QPushButton* play = control<QPushButton>(IdPlay);
  play->setFocus();
  QTest::keyClick(play, Qt::Key_Space);
  ASSERT_TRUE(wait_until([&] { return app->state != StateReplaying; }, 20000));
  ASSERT_EQ(window->focusWidget(), window->control(IdBack));
  int32_t position = app->viewer.position;
  QTest::keyClick(window->focusWidget(), Qt::Key_Space);
  EXPECT_EQ(app->viewer.position, position - 1);
  EXPECT_EQ(std::string(app->store.setName), "Sample");

  // Next to the last level with the focus on Next: no control keeps it.
  control<QLineEdit>(IdLevelEdit)->setText("5");
  click(IdGo);
  QPushButton* next = control<QPushButton>(IdNext);
  next->setFocus();
  QTest::keyClick(next, Qt::Key_Space);
  EXPECT_EQ(app->currentLevel, 6);
  QWidget* focus = window->focusWidget();
  EXPECT_TRUE(focus == nullptr || focus == window.get()) << focus->objectName().toStdString();
  int before = closer.seen;
  click(IdSolve);
  ASSERT_TRUE(wait_until([&] { return window->idle() && closer.seen > before; }, 120000));
  window->setFocus();
  QTest::keyClick(window.get(), Qt::Key_Return);  // Go would throw the solution away
  EXPECT_NE(app->solver.solutionLength, 0);
}

TEST_F(Window, CtrlVLoadsTheClipboardUnlessTheLevelBoxHasTheFocus) {
  click(IdSample);
  QGuiApplication::clipboard()->setText("#####\n#@$.#\n#####\n");
  QLineEdit* edit = control<QLineEdit>(IdLevelEdit);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(std::string(app->store.setName), "Sample");

  QPushButton* next = control<QPushButton>(IdNext);
  next->setFocus();
  QTest::keyClick(next, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "Text");
  EXPECT_EQ(control<QLabel>(IdSizeLine)->text(), "   [  5 *  3 ( 1) ]");

  QGuiApplication::clipboard()->setText("just a note\n");
  QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "Text");
  EXPECT_EQ(app->store.levelCount, 1);
}

// ---------------------------------------------------------------- drops

constexpr Qt::DropActions CopyOrMove = Qt::CopyAction | Qt::MoveAction;

QList<QUrl> local(const std::string& path) {
  return {QUrl::fromLocalFile(QString::fromStdString(path))};
}

// A drag event delivered to the window as Qt delivers it: the action the
// window takes it with, IgnoreAction when it refuses.
template <typename Event>
Qt::DropAction deliver(QWidget* window, const QList<QUrl>& urls, Qt::DropActions actions) {
  QMimeData data;
  data.setUrls(urls);
  Event event(QPoint(400, 300), actions, &data, Qt::LeftButton, Qt::NoModifier);
  event.ignore();
  QCoreApplication::sendEvent(window, &event);
  return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}

Qt::DropAction drag_enter(QWidget* window, const QList<QUrl>& urls,
                          Qt::DropActions actions = CopyOrMove) {
  return deliver<QDragEnterEvent>(window, urls, actions);
}

Qt::DropAction drop(QWidget* window, const QList<QUrl>& urls, Qt::DropActions actions = CopyOrMove) {
  return deliver<QDropEvent>(window, urls, actions);
}

constexpr char Room[] =
    "#######\n"
    "#@ $ .#\n"
    "#  $ .#\n"
    "#######\n";

// Level 1 of a level file as the tile code draws it.
QImage expected_board(const std::string& file) {
  TempDir work;
  auto app = std::make_unique<App>();
  if (!app_init(*app, Platform{}, work.path.c_str())) return {};
  std::string path = file;  // the intake takes a writable buffer
  if (!load_level_set(app->store, SourceFile, path.data())) return {};
  int32_t status = select_level(app->solver, app->level, app->store.workDir, 1);
  QtCanvas canvas;
  draw_board(canvas.canvas(), app->view, app->viewer, app->level, status);
  return canvas.image;
}

TEST_F(Window, DroppedFileLoadsTheSetAndShowsLevelOne) {
  TempDir sources;
  std::string file = sources / "rooms.txt";
  write_file(file, std::string(Room) + "\nTitle\n#####\n#@$.#\n#####\n");
  QImage startUp = window->canvasImage().copy();
  ASSERT_EQ(drag_enter(window.get(), local(file)), Qt::CopyAction);
  ASSERT_EQ(drop(window.get(), local(file)), Qt::CopyAction);
  ASSERT_TRUE(wait_until([&] { return window->idle(); }, 30000));
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "rooms (2 levles)");
  EXPECT_EQ(control<QLabel>(IdSizeLine)->text(), "   [  7 *  4 ( 2) ]");
  EXPECT_EQ(control<QLineEdit>(IdLevelEdit)->text(), "1");
  EXPECT_TRUE(control<QPushButton>(IdSolve)->isEnabled());
  EXPECT_TRUE(control<QPushButton>(IdFile)->isEnabled());
  EXPECT_NE(window->canvasImage(), startUp);
  EXPECT_EQ(window->canvasImage(), expected_board(file));
  EXPECT_EQ(std::string(app->filePath), file);
}

TEST_F(Window, DroppedFolderLoadsItsNumberedFiles) {
  TempDir folder;
  write_file(folder / "level_1.txt", Room);
  write_file(folder / "level_4.txt", Room);
  std::string path = folder.path.substr(0, folder.path.size() - 1);
  ASSERT_EQ(drag_enter(window.get(), local(path)), Qt::CopyAction);
  ASSERT_EQ(drop(window.get(), local(path)), Qt::CopyAction);
  ASSERT_TRUE(wait_until([&] { return window->idle(); }, 30000));
  QString name = QString::fromStdString(path.substr(path.rfind('/') + 1));
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), name + " (2 levles)");
  EXPECT_EQ(app->store.highest, 4);
  EXPECT_EQ(control<QLabel>(IdSizeLine)->text(), "   [  7 *  4 ( 2) ]");
  EXPECT_EQ(std::string(app->folderPath), path);
}

TEST_F(Window, DropsTheWindowRefuses) {
  TempDir sources;
  std::string file = sources / "room.txt";
  write_file(file, Room);
  ASSERT_EQ(mkfifo((sources / "fifo").c_str(), 0600), 0);
  QWidget* w = window.get();
  // Drops over the edit box reach the window instead of becoming text.
  EXPECT_TRUE(w->acceptDrops());
  EXPECT_FALSE(control<QLineEdit>(IdLevelEdit)->acceptDrops());

  EXPECT_EQ(drag_enter(w, local(file) + local(file)), Qt::IgnoreAction);  // two paths
  EXPECT_EQ(drag_enter(w, {QUrl("http://localhost/room.txt")}), Qt::IgnoreAction);
  EXPECT_EQ(drag_enter(w, local(sources / "missing.txt")), Qt::IgnoreAction);
  EXPECT_EQ(drag_enter(w, local(sources / "fifo")), Qt::IgnoreAction);
  EXPECT_EQ(drag_enter(w, local(file), Qt::MoveAction), Qt::IgnoreAction);  // a move only
  EXPECT_EQ(drop(w, local(file) + local(file)), Qt::IgnoreAction);
  EXPECT_EQ(drop(w, local(sources / "fifo")), Qt::IgnoreAction);
  EXPECT_TRUE(window->idle());
  EXPECT_EQ(control<QLabel>(IdSetLine)->text(), "Levels is not loaded.");

  // While a solve runs, File and Folder are off, and so are drops.
  click(IdSample);
  control<QLineEdit>(IdLevelEdit)->setText("6");
  click(IdGo);
  click(IdSolve);
  ASSERT_FALSE(window->idle());
  EXPECT_EQ(drag_enter(w, local(file)), Qt::IgnoreAction);
  EXPECT_EQ(drop(w, local(file)), Qt::IgnoreAction);
  EXPECT_EQ(app->jobKind, JobSolve);
  EXPECT_EQ(std::string(app->filePath), "");
}

// The solution dialog opens while the worker still waits in its hand-back;
// a drop then would wait for that worker, which waits for the dialog.
TEST_F(Window, DropRefusedWhileTheSolutionDialogIsOpen) {
  TempDir sources;
  std::string file = sources / "room.txt";
  write_file(file, Room);
  Qt::DropAction whileOpen = Qt::CopyAction;
  QTimer timer;
  timer.setInterval(50);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    TextDialogWindow* dialog = open_text_dialog();
    if (!dialog) return;
    timer.stop();
    whileOpen = drag_enter(window.get(), local(file));
    // A drop taken here would hang the test rather than fail it.
    if (whileOpen == Qt::IgnoreAction) whileOpen = drop(window.get(), local(file));
    QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
  });
  timer.start();
  click(IdSample);
  click(IdSolve);
  ASSERT_TRUE(wait_until([&] { return !timer.isActive() && window->idle(); }, 120000));
  EXPECT_EQ(whileOpen, Qt::IgnoreAction);
  EXPECT_EQ(std::string(app->filePath), "");
  // Once the dialog is closed and the worker has ended, drops load again.
  EXPECT_EQ(drag_enter(window.get(), local(file)), Qt::CopyAction);
}

// ---------------------------------------------------------------- keys, numbers, Options, paths

// The text dialog's keyboard, with real key presses: Tab and Shift+Tab move
// between Close and the box and never type a tab; Enter in the box makes a
// new line; Esc does nothing; the focus starts in the box to paste and on
// Close for a solution, where Enter closes.
TEST_F(Window, TextDialogKeysInBothModes) {
  for (int32_t mode : {PasteMode, SolutionMode}) {
    app->dialogMode = mode;
    app->solver.solutionLength = 0;
    prepare_text_dialog(*app);
    TextDialogWindow dialog(app->textDialog, window.get());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QPlainTextEdit* edit = dialog.edit();
    QWidget* close = dialog.closeButton();
    EXPECT_EQ(QApplication::focusWidget(), mode == PasteMode ? static_cast<QWidget*>(edit) : close)
        << mode;
    if (mode == SolutionMode) {
      QTest::keyClick(close, Qt::Key_Escape);
      EXPECT_TRUE(dialog.isVisible());
      QTest::keyClick(close, Qt::Key_Return);
      EXPECT_FALSE(dialog.isVisible());
      EXPECT_EQ(dialog.result(), 1);
      continue;
    }
    QTest::keyClicks(edit, "#####");  // a last line without a line end
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), close);
    QTest::keyClick(close, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(dialog.text(), "#####");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.text(), "#####\n");
    dialog.done(0);
  }
}

// A number of five digits stands whole in the level number box, typed or
// set by Go.
TEST_F(Window, LevelNumberOfFiveDigitsShowsWhole) {
  click(IdSample);
  QLineEdit* edit = control<QLineEdit>(IdLevelEdit);
  ASSERT_TRUE(edit->isEnabled());
  for (const char* number : {"1085", "10850", "88888"}) {
    app->platform.set_text(app->platform.context, IdLevelEdit, number);
    EXPECT_GE(text_room(edit), 0) << number;
    edit->clear();
    QTest::keyClicks(edit, number);
    EXPECT_EQ(edit->text(), number);
    EXPECT_GE(text_room(edit), 0) << number;
  }
  QTest::keyClicks(edit, "9");  // a sixth digit: Go reads five
  EXPECT_EQ(edit->text().size(), GoDigits);
}

// The guided search's check box at its place, unticked by default; the
// report path box drawn as a read-only box, on the dialog's face.
TEST_F(Window, OptionsGuidedCheckBoxAndTheGreyPathBox) {
  QRect guided, expected;
  bool ticked = true;
  QColor base, face;
  Qt::FocusPolicy policy = Qt::StrongFocus;
  OptionsAnswer answer([&](QWidget* widget) {
    const ControlSpec& spec = *find_options_control(OptGuided);
    expected = TextDialogWindow::unit_rect(widget->font(), spec.x, spec.y, spec.width, spec.height);
    auto* box = widget->findChild<QCheckBox*>("option1039");
    guided = box->geometry();
    ticked = box->isChecked();
    EXPECT_EQ(box->text(), "Guided search");
    EXPECT_GE(text_room(box), 0);
    auto* path = widget->findChild<QLineEdit*>("option1006");
    base = path->palette().color(QPalette::Base);
    face = widget->palette().color(QPalette::Window);
    policy = path->focusPolicy();
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(widget->findChild<QWidget*>("option1003"), Qt::LeftButton);  // OK
  });
  click(IdOption);
  EXPECT_EQ(guided, expected);
  EXPECT_FALSE(ticked);
  EXPECT_EQ(base, face);
  EXPECT_EQ(policy, Qt::ClickFocus);
  EXPECT_EQ(app->settings.guided, 1);
  EXPECT_EQ(app->solver.guided, 1);
}

// A level file named on the command line is loaded once the window shows.
TEST_F(Window, LevelFileNamedAtStartIsLoaded) {
  TempDir sources;
  std::string file = sources / "named.txt";
  write_file(file, std::string(Room) + "\n" + Room);
  window->close();
  window.reset();
  auto other = std::make_unique<App>();
  ASSERT_EQ(app_init(*other, Platform{}, work.path.c_str()), 1);
  other->startPath = file.c_str();
  window = std::make_unique<MainWindow>(*other);
  window->place_and_show();
  ASSERT_TRUE(wait_until([&] { return control<QLabel>(IdSetLine)->text() == "named (2 levles)"; },
                         30000))
      << control<QLabel>(IdSetLine)->text().toStdString();
  EXPECT_EQ(control<QLineEdit>(IdLevelEdit)->text(), "1");
  window->close();
  window.reset();
  app = std::move(other);
}

}  // namespace

}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
