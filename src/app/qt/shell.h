// The Qt side of the desktop program: the main window with its controls,
// the canvas, the text dialog and the pickers, filling in the Platform
// calls of the dialog logic. It holds no logic of its own beyond mapping
// ids to widgets.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QTimer>

#include <atomic>
#include <thread>

#include "app/app.h"
#include "app/art.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vk {

// The fonts: the dialogs' own where installed, else their counterparts
// IPAPGothic and IPAGothic, else the system's.
QFont dialog_font();     // "MS UI Gothic" 10 pt, IPAPGothic 10 pt, or the system sans-serif
QFont fixed_font();      // "MS Gothic" 11 pt, IPAGothic 11 pt, or the system monospace
QString canvas_family(); // the family of dialog_font

// Pixels to spare when a push button's, check box's, radio button's,
// static's or group box's text is drawn in the widget's font: its width
// less the text's and the style's margins (a group title's indent and
// padding, the mark of a check box). Negative when the text overflows.
int text_room(const QWidget* widget);
// Gives the widget its dialog's font, or when its text does not fit that,
// the largest smaller point size at which it does (not below 6 points).
// The rectangle never changes.
void fit_text(QWidget* widget);
// fit_text on every button, static and group box inside root.
void fit_texts(QWidget* root);
// prefix + path, with characters from the middle of path replaced by "..."
// until it is at most width pixels wide in font.
QString elide_middle(const QFont& font, int width, const QString& prefix, const QString& path);
// The Options dialog's elide_path: prefix + path shortened to the width of
// its static id (only the work folder line, 1019, is ever asked about).
void elide_options_path(int32_t id, const char* prefix, const char* path, char* out,
                        int32_t capacity);

// Runs the Options dialog modally over owner on the state options_open
// filled in. Its controls come from OptionsControls.
void run_options_window(App& app, OptionsDialog& dialog, QWidget* owner);

// Pictures of the art in Qt's form.
QImage art_image(const ArtImage& art);

// The off-screen canvas: 768 x 480 pixels drawn from the tile sheet.
struct QtCanvas {
  QImage image{CanvasWidth, CanvasHeight, QImage::Format_RGB32};
  QImage tiles;   // the tile sheet, RGB32
  QImage splash;  // the splash picture, RGB32
  QString family;
  void (*repaint)(void* context) = nullptr;
  void* repaintContext = nullptr;

  QtCanvas();
  Canvas canvas();  // the calls of the drawing code, bound to this canvas
};

// The text dialog, in paste or solution mode. Its controls stand at the
// dialog-unit rectangles converted with the fixed font's metrics.
class TextDialogWindow : public QDialog {
 public:
  TextDialogWindow(const TextDialog& dialog, QWidget* parent);
  QString text() const;
  QPlainTextEdit* edit() const { return edit_; }
  QLabel* headline() const { return headline_; }
  QLabel* notice() const { return notice_; }
  QPushButton* closeButton() const { return close_; }

  // Dialog units to pixels for this dialog's font.
  static QRect unit_rect(const QFont& font, int x, int y, int width, int height);

 protected:
  void reject() override;  // Esc does nothing; the close box closes
  void closeEvent(QCloseEvent* event) override;

 private:
  QPlainTextEdit* edit_ = nullptr;
  QLabel* headline_ = nullptr;
  QLabel* notice_ = nullptr;
  QPushButton* close_ = nullptr;
};

class MainWindow : public QDialog {
 public:
  // The App must have gone through app_init with no platform yet; the
  // window fills in the platform and runs dialog set-up.
  MainWindow(App& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Shows the window at its place in the work area.
  void place_and_show();

  QWidget* control(int32_t id) const;
  const QImage& canvasImage() const { return canvas_.image; }
  App& app() { return app_; }
  // The dialog is idle: no job runs, no replay plays, no result is shown.
  bool idle() const { return app_.state == StateIdle; }

  // Waits, serving events, until the worker thread has ended.
  void wait_for_worker();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The window manager's frame arrives after the window shows: the window
  // is placed again whenever its frame's size changes.
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void reject() override;  // Esc does nothing
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Ctrl+V, and Enter while no control holds the focus.
  void keyPressEvent(QKeyEvent* event) override;
  // A level file or folder dragged onto the window.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void create_controls();
  void place();
  void place_for_frame();
  Platform platform();
  // Runs fn on the GUI thread, waiting for it when called from the worker.
  template <typename Fn>
  void on_gui(Fn fn);

  static void set_text(void* self, int32_t id, const char* text);
  static void get_text(void* self, int32_t id, char* out, int32_t capacity);
  static void enable(void* self, int32_t id, int32_t enabled);
  static void set_check(void* self, int32_t id, int32_t checked);
  static int32_t get_check(void* self, int32_t id);
  static void set_progress(void* self, int32_t id, int32_t position);
  static void message_box(void* self, const char* caption, const char* text, int32_t icon);
  static void start_timer(void* self, int32_t timer, int32_t milliseconds);
  static void stop_timer(void* self, int32_t timer);
  static void sleep(void* self, int32_t milliseconds);
  static void repaint_canvas(void* self);
  static int32_t pick_level_file(void* self, char* path, int32_t capacity, const char* filter);
  static int32_t pick_level_folder(void* self, char* path, int32_t capacity, const char* title);
  static int32_t run_text_dialog(void* self, const TextDialog& dialog, char* pasted,
                                 int32_t capacity);
  static void run_options_dialog(void* self, OptionsDialog& dialog);
  static int32_t pick_save_file(void* self, char* path, int32_t capacity, const char* filter,
                                const char* title);
  static void call_on_gui(void* self, void (*fn)(void* arg), void* arg);
  static void start_worker(void* self);
  static void end_program(void* self, int32_t abandonWorker);
  static void hand_back(void* self);
  static int32_t focused(void* self);
  static void set_focus(void* self, int32_t id);
  static int32_t clipboard_text(void* self, char* out, int32_t capacity);
  static void elide_path(void* self, int32_t dialog, int32_t id, const char* prefix,
                         const char* path, char* out, int32_t capacity);

  App& app_;
  QtCanvas canvas_;
  QWidget* controls_[ControlCount] = {};
  QTimer progressTimer_;
  QTimer playTimer_;
  std::thread worker_;
  std::atomic<bool> workerEnded_{true};  // only for joining the thread
  QSize placedFrame_{-1, -1};  // the frame size the window was placed for
};

}  // namespace vk
