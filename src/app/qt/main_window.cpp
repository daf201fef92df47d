// The main window: the controls at their pixel rectangles, the canvas, the
// timers, the worker thread and the Platform calls that the dialog logic
// makes.
#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/art.h"
#include "app/qt/shell.h"

namespace vk {

namespace {

MainWindow& window_of(void* self) { return *static_cast<MainWindow*>(self); }

// Copies a string into a caller's buffer; 0 when it does not fit.
int32_t copy_out(const QByteArray& bytes, char* out, int32_t capacity) {
  if (bytes.size() >= capacity) return 0;
  std::memcpy(out, bytes.constData(), bytes.size());
  out[bytes.size()] = '\0';
  return 1;
}

QString colour_name(uint32_t rgb) { return QColor::fromRgb(rgb).name(); }

QProgressBar* make_bar(QWidget* parent, int range, uint32_t colour) {
  auto* bar = new QProgressBar(parent);
  bar->setRange(0, range);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setStyleSheet(QString("QProgressBar { border: 1px solid #808080; background: %1; }"
                             "QProgressBar::chunk { background: %2; }")
                         .arg(colour_name(BarBackground), colour_name(colour)));
  return bar;
}

QWidget* make_control(const ControlSpec& spec, QWidget* parent) {
  QString caption = QString::fromLatin1(spec.caption);
  switch (spec.kind) {
    case GroupBox: {
      // The caption sits on the frame's top line, as in the dialog's
      // original look, rather than above it.
      auto* group = new QGroupBox(caption, parent);
      group->setStyleSheet(
          "QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: 6px; }"
          "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
          " left: 6px; padding: 0px 2px; }");
      return group;
    }
    case PushButton:
    case DefaultButton: {
      auto* button = new QPushButton(caption, parent);
      button->setDefault(spec.kind == DefaultButton);
      return button;
    }
    case NumberEdit: {
      auto* edit = new QLineEdit(parent);
      edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      edit->setMaxLength(GoDigits);
      // A number of five digits is shown whole, smaller when need be.
      QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { fit_text(edit); });
      edit->setValidator(
          new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
      return edit;
    }
    case StaticLeft:
    case StaticRight:
    case StaticCentre: {
      auto* label = new QLabel(caption, parent);
      Qt::Alignment align = spec.kind == StaticRight    ? Qt::AlignRight
                            : spec.kind == StaticCentre ? Qt::AlignHCenter
                                                        : Qt::AlignLeft;
      label->setAlignment(align | Qt::AlignVCenter);
      if (spec.colour != DefaultColour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(uint32_t(spec.colour)));
        label->setPalette(palette);
      }
      return label;
    }
    case BlackFrame: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle(QFrame::Box | QFrame::Plain);
      frame->setLineWidth(1);
      QPalette palette = frame->palette();
      palette.setColor(QPalette::WindowText, Qt::black);
      frame->setPalette(palette);
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);
      return frame;
    }
    case ProgressBar:
      return make_bar(parent, spec.id == IdCellBar ? CellBarRange : QueueBarRange,
                      spec.id == IdCellBar ? CellBarColour : QueueBarColour);
    default:
      return new QWidget(parent);
  }
}

QMessageBox::Icon message_icon(int32_t icon) {
  switch (icon) {
    case IconError: return QMessageBox::Critical;
    case IconWarning: return QMessageBox::Warning;
    default: return QMessageBox::Information;
  }
}

// What a drag would load: JobFile or JobFolder with its path in path, or
// NoJob when the window refuses it. It takes one local path only, and only
// as a copy: a source told that its file was moved might delete it. When
// a drop is taken at all is the dialog logic's drop_allowed.
int32_t drop_request(const App& app, const QDropEvent& event, QByteArray& path) {
  const QMimeData* data = event.mimeData();
  if (data == nullptr || !data->hasUrls()) return NoJob;
  if (!(event.possibleActions() & Qt::CopyAction)) return NoJob;
  QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls[0].isLocalFile()) return NoJob;
  if (!drop_allowed(app)) return NoJob;
  // The same encoding as the pickers' paths.
  path = urls[0].toLocalFile().toUtf8();
  return drop_kind(path.constData());
}

}  // namespace

// ---------------------------------------------------------------- set-up

MainWindow::MainWindow(App& app, QWidget* parent) : QDialog(parent), app_(app) {
  // A captioned window with system menu, minimize box and close box; its
  // fixed size (place) leaves no resize border.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(dialog_font());
  setWindowIcon(QIcon(QPixmap::fromImage(art_image(IconArt))));
  // Painting only copies the canvas; the rest of the client area is the
  // dialog's plain face.
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  canvas_.repaint = repaint_canvas;
  canvas_.repaintContext = this;
  create_controls();
  connect(&progressTimer_, &QTimer::timeout, this, [this] { timer_tick(app_, ProgressTimer); });
  connect(&playTimer_, &QTimer::timeout, this, [this] { timer_tick(app_, PlayTimer); });
  app_.platform = platform();
  dialog_setup(app_);
}

// A worker still running is cancelled, as the close box would, and its
// end awaited: it refers to the window until it has handed back.
MainWindow::~MainWindow() {
  if (worker_.joinable()) {
    if (app_.state != StateClosing) {
      app_.solver.cancel.store(1, std::memory_order_relaxed);
      app_.state = StateClosing;
    }
    wait_for_worker();
  }
}

void MainWindow::create_controls() {
  for (int32_t k = 0; k < ControlCount; ++k) {
    const ControlSpec& spec = MainControls[k];
    QWidget* widget = make_control(spec, this);
    widget->setObjectName(QString("id%1").arg(spec.id));
    widget->setGeometry(spec.x, spec.y, spec.width, spec.height);
    fit_text(widget);
    controls_[k] = widget;
    if (spec.id >= FirstCommandId && spec.id <= LastCommandId) {
      if (auto* button = qobject_cast<QPushButton*>(widget)) {
        int32_t id = spec.id;
        connect(button, &QPushButton::clicked, this, [this, id] { dialog_command(app_, id); });
      }
    }
  }
  // Enter in the edit box reaches the dialog, which presses its default
  // button, Go. Gaining the focus selects the number, so typing replaces it.
  control(IdLevelEdit)->installEventFilter(this);
  // Dropped files and folders go to the window, also over the edit box,
  // which would otherwise take a drop as text.
  control(IdLevelEdit)->setAcceptDrops(false);
  setAcceptDrops(true);
}

QWidget* MainWindow::control(int32_t id) const {
  for (int32_t k = 0; k < ControlCount; ++k)
    if (MainControls[k].id == id) return controls_[k];
  return nullptr;
}

void MainWindow::place() {
  QScreen* screen = this->screen();
  QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  QSize frame = frameGeometry().size() - geometry().size();
  placedFrame_ = frame;
  WindowPlacement placement = place_main_window(frame.width(), frame.height(),
                                                work.x() + work.width(),
                                                work.y() + work.height());
  setFixedSize(placement.clientWidth, placement.clientHeight);
  move(placement.x, placement.y);
}

void MainWindow::place_and_show() {
  place();
  show();
  // The window manager adds its frame some time after the window shows;
  // moveEvent and resizeEvent usually see it, these make sure.
  for (int delay : {0, 100, 500}) QTimer::singleShot(delay, this, [this] { place_for_frame(); });
  // A level file or folder named on the command line loads now.
  QTimer::singleShot(0, this, [this] { open_start_path(app_); });
}

void MainWindow::place_for_frame() {
  if (!isVisible()) return;
  QSize frame = frameGeometry().size() - geometry().size();
  if (frame != placedFrame_) place();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  place_for_frame();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  place_for_frame();
}

// Ctrl+V reaches the window from a focused button (which ignores it) or
// from the window itself; Enter when no control holds the focus. The
// dialog logic says what each does.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  int32_t key = event->matches(QKeySequence::Paste) ? KeyPaste : enter ? KeyEnter : 0;
  if (key != 0 && dialog_key(app_, key)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit) QTimer::singleShot(0, edit, &QLineEdit::selectAll);
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drops

// Each move asks again: a replay or a job may have ended or begun since
// the drag entered.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  QByteArray path;
  if (drop_request(app_, *event, path) == NoJob) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QByteArray path;
  int32_t kind = drop_request(app_, *event, path);
  if (kind == NoJob) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  drop_path(app_, path.constData(), kind == JobFolder);
}

// ---------------------------------------------------------------- painting

void MainWindow::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  // Nearest neighbour on screens with a device pixel ratio above 1, so the
  // tiles stay crisp.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(CanvasLeft, CanvasTop, CanvasWidth, CanvasHeight), canvas_.image);
}

void MainWindow::repaint_canvas(void* self) {
  MainWindow& w = window_of(self);
  w.on_gui([&w] { w.repaint(QRect(CanvasLeft, CanvasTop, CanvasWidth, CanvasHeight)); });
}

// ---------------------------------------------------------------- closing

void MainWindow::reject() {}

// The dialog logic's close rule decides; it ends the program through
// end_program, at once or when a cancelled batch has handed back.
void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  dialog_close(app_);
}

// The window goes at once. A worker that can still end (cancelled, or
// done) is joined on the way out, when the window is destroyed; one that
// may never end (an intake of a pipe nobody writes, or one waiting for
// this thread in its hand-back) ends with the process, now: nothing needs
// saving, and the system releases the store's lock.
void MainWindow::end_program(void* self, int32_t abandonWorker) {
  MainWindow& w = window_of(self);
  if (abandonWorker && !w.workerEnded_.load()) {
    std::fflush(stdout);
    std::_Exit(0);
  }
  w.done(0);  // hides the window and ends its modal run in main
}

void MainWindow::wait_for_worker() {
  while (!workerEnded_.load()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (worker_.joinable()) worker_.join();
}

// ---------------------------------------------------------------- platform

template <typename Fn>
void MainWindow::on_gui(Fn fn) {
  if (QThread::currentThread() == thread()) fn();
  else QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

Platform MainWindow::platform() {
  Platform p;
  p.context = this;
  p.set_text = set_text;
  p.get_text = get_text;
  p.enable = enable;
  p.set_check = set_check;
  p.get_check = get_check;
  p.set_progress = set_progress;
  p.message_box = message_box;
  p.start_timer = start_timer;
  p.stop_timer = stop_timer;
  p.sleep = sleep;
  p.canvas = canvas_.canvas();
  p.pick_level_file = pick_level_file;
  p.pick_level_folder = pick_level_folder;
  p.run_text_dialog = run_text_dialog;
  p.run_options_dialog = run_options_dialog;
  p.pick_save_file = pick_save_file;
  p.call_on_gui = call_on_gui;
  p.start_worker = start_worker;
  p.end_program = end_program;
  p.hand_back = hand_back;
  p.focused = focused;
  p.set_focus = set_focus;
  p.clipboard_text = clipboard_text;
  p.elide_path = elide_path;
  return p;
}

void MainWindow::set_text(void* self, int32_t id, const char* text) {
  MainWindow& w = window_of(self);
  QString value = QString::fromLatin1(text);
  w.on_gui([&w, id, &value] {
    if (id == MainDialogId) {
      w.setWindowTitle(value);
      return;
    }
    QWidget* widget = w.control(id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(value);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(value);
    else if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(value);
    if (widget != nullptr) fit_text(widget);
  });
}

void MainWindow::get_text(void* self, int32_t id, char* out, int32_t capacity) {
  MainWindow& w = window_of(self);
  out[0] = '\0';
  if (capacity <= 0) return;
  w.on_gui([&w, id, out, capacity] {
    QString value;
    QWidget* widget = w.control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) value = edit->text();
    else if (auto* label = qobject_cast<QLabel*>(widget)) value = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) value = button->text();
    QByteArray bytes = value.toLatin1().left(capacity - 1);
    copy_out(bytes, out, capacity);
  });
}

void MainWindow::enable(void* self, int32_t id, int32_t enabled) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, id, enabled] {
    if (QWidget* widget = w.control(id)) widget->setEnabled(enabled != 0);
  });
}

void MainWindow::set_check(void* self, int32_t id, int32_t checked) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, id, checked] {
    if (auto* button = qobject_cast<QAbstractButton*>(w.control(id)))
      button->setChecked(checked != 0);
  });
}

int32_t MainWindow::get_check(void* self, int32_t id) {
  MainWindow& w = window_of(self);
  int32_t checked = 0;
  w.on_gui([&w, id, &checked] {
    if (auto* button = qobject_cast<QAbstractButton*>(w.control(id)))
      checked = button->isChecked() ? 1 : 0;
  });
  return checked;
}

void MainWindow::set_progress(void* self, int32_t id, int32_t position) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, id, position] {
    if (auto* bar = qobject_cast<QProgressBar*>(w.control(id))) {
      bar->setValue(qBound(bar->minimum(), int(position), bar->maximum()));
      // The bar repaints by itself only once its value has moved by a
      // whole chunk's width, and would keep a stale length after the last
      // refresh of a solve.
      bar->update();
    }
  });
}

void MainWindow::message_box(void* self, const char* caption, const char* text, int32_t icon) {
  MainWindow& w = window_of(self);
  QString title = QString::fromLatin1(caption);
  QString body = QString::fromLatin1(text);
  w.on_gui([&w, &title, &body, icon] {
    QMessageBox box(message_icon(icon), title, body, QMessageBox::Ok, &w);
    box.exec();
  });
}

void MainWindow::start_timer(void* self, int32_t timer, int32_t milliseconds) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, timer, milliseconds] {
    QTimer& t = timer == ProgressTimer ? w.progressTimer_ : w.playTimer_;
    t.start(milliseconds);
  });
}

void MainWindow::stop_timer(void* self, int32_t timer) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, timer] {
    QTimer& t = timer == ProgressTimer ? w.progressTimer_ : w.playTimer_;
    t.stop();
  });
}

void MainWindow::sleep(void*, int32_t milliseconds) { QThread::msleep(milliseconds); }

// ---------------------------------------------------------------- pickers

int32_t MainWindow::pick_level_file(void* self, char* path, int32_t capacity,
                                    const char* filter) {
  MainWindow& w = window_of(self);
  QString chosen = QFileDialog::getOpenFileName(&w, "Select File", QString::fromUtf8(path),
                                                QString::fromLatin1(filter));
  if (chosen.isEmpty()) return 0;
  return copy_out(chosen.toUtf8(), path, capacity);
}

int32_t MainWindow::pick_level_folder(void* self, char* path, int32_t capacity,
                                      const char* title) {
  MainWindow& w = window_of(self);
  QString chosen = QFileDialog::getExistingDirectory(&w, QString::fromLatin1(title),
                                                     QString::fromUtf8(path));
  if (chosen.isEmpty()) return 0;
  return copy_out(chosen.toUtf8(), path, capacity);
}

// The filter comes as description and pattern pairs; Qt wants
// "description (pattern)" entries. Qt's save dialog asks before
// overwriting by default.
int32_t MainWindow::pick_save_file(void* self, char* path, int32_t capacity, const char* filter,
                                   const char* title) {
  MainWindow& w = window_of(self);
  QStringList entries;
  for (const char* part = filter; part[0] != '\0';) {
    const char* pattern = part + std::strlen(part) + 1;
    entries << QString("%1 (%2)").arg(QString::fromLatin1(part), QString::fromLatin1(pattern));
    if (pattern[0] == '\0') break;
    part = pattern + std::strlen(pattern) + 1;
  }
  QString chosen = QFileDialog::getSaveFileName(&w, QString::fromLatin1(title),
                                                QString::fromUtf8(path), entries.join(";;"));
  if (chosen.isEmpty()) return 0;
  return copy_out(chosen.toUtf8(), path, capacity);
}

void MainWindow::run_options_dialog(void* self, OptionsDialog& dialog) {
  MainWindow& w = window_of(self);
  run_options_window(w.app_, dialog, &w);
}

void MainWindow::call_on_gui(void* self, void (*fn)(void* arg), void* arg) {
  window_of(self).on_gui([fn, arg] { fn(arg); });
}

// ---------------------------------------------------------------- focus, clipboard

int32_t MainWindow::focused(void* self) {
  MainWindow& w = window_of(self);
  int32_t id = 0;
  w.on_gui([&w, &id] {
    // The control that has the focus, or gets it back when the window is
    // active again.
    QWidget* focus = w.focusWidget();
    for (int32_t k = 0; k < ControlCount; ++k)
      if (focus != nullptr && w.controls_[k] == focus) id = MainControls[k].id;
  });
  return id;
}

void MainWindow::set_focus(void* self, int32_t id) {
  MainWindow& w = window_of(self);
  w.on_gui([&w, id] {
    QWidget* target = id == 0 ? &w : w.control(id);
    if (target != nullptr) target->setFocus(Qt::OtherFocusReason);
  });
}

int32_t MainWindow::clipboard_text(void* self, char* out, int32_t capacity) {
  MainWindow& w = window_of(self);
  int32_t got = 0;
  out[0] = '\0';
  w.on_gui([out, capacity, &got] {
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString text = clipboard != nullptr ? clipboard->text() : QString();
    if (text.isEmpty() || capacity <= 0) return;
    // As the text dialog hands it over: Latin-1, cut to the capacity.
    copy_out(text.toLatin1().left(capacity - 1), out, capacity);
    got = 1;
  });
  return got;
}

void MainWindow::elide_path(void*, int32_t dialog, int32_t id, const char* prefix,
                            const char* path, char* out, int32_t capacity) {
  if (dialog == OptionsDialogId) {
    elide_options_path(id, prefix, path, out, capacity);
    return;
  }
  std::snprintf(out, size_t(capacity), "%s%s", prefix, path);
}

// ---------------------------------------------------------------- text dialog

int32_t MainWindow::run_text_dialog(void* self, const TextDialog& dialog, char* pasted,
                                    int32_t capacity) {
  MainWindow& w = window_of(self);
  TextDialogWindow window(dialog, &w);
  window.setObjectName("textDialog");
  if (window.exec() != 1) return 0;
  QByteArray bytes = window.text().toLatin1().left(capacity - 1);
  copy_out(bytes, pasted, capacity);
  return 1;
}

// ---------------------------------------------------------------- worker

void MainWindow::start_worker(void* self) {
  MainWindow& w = window_of(self);
  // A previous worker has handed back already and is at most ending.
  if (w.worker_.joinable()) w.worker_.join();
  w.workerEnded_.store(false);
  w.worker_ = std::thread([&w] {
    worker_main(w.app_);
    w.workerEnded_.store(true);
  });
}

void MainWindow::hand_back(void* self) {
  MainWindow& w = window_of(self);
  QMetaObject::invokeMethod(&w, [&w] { job_done(w.app_); }, Qt::BlockingQueuedConnection);
}

}  // namespace vk
