// The Options dialog's widgets: every control at its dialog-unit rectangle,
// converted with the dialog font's average character width and height.
// The logic lives in options_command; the widgets only show its state and
// hand the user's clicks to it.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

#include "app/qt/shell.h"

namespace vk {

namespace {

constexpr int32_t DialogWidthUnits = 236;
constexpr int32_t DialogHeightUnits = 176;
constexpr int32_t FontPoints = 11;

// The work folder line, 1019, in dialog units.
constexpr int32_t LocationRect[4] = {18, 152, 164, 8};

QFont options_font() {
  QFont font = dialog_font();
  font.setPointSize(FontPoints);
  return font;
}

class OptionsWindow : public QDialog {
 public:
  OptionsWindow(App& app, OptionsDialog& dialog, QWidget* owner)
      : QDialog(owner), app_(app), dialog_(dialog) {
    setWindowTitle("Options");
    setObjectName("optionsDialog");
    setModal(true);
    QFont font = options_font();
    setFont(font);
    QRect size = TextDialogWindow::unit_rect(font, 0, 0, DialogWidthUnits, DialogHeightUnits);
    setFixedSize(size.width(), size.height());
    build();
    show_state();
  }

 protected:
  void reject() override {}  // Esc does nothing
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    done(0);  // the close box stores nothing
  }

 private:
  // Dialog units to pixels with the dialog font, as the text dialog does.
  void put(QWidget* widget, int32_t x, int32_t y, int32_t w, int32_t h) {
    widget->setGeometry(TextDialogWindow::unit_rect(font(), x, y, w, h));
  }

  QLabel* label(const char* text, int32_t x, int32_t y, int32_t w, int32_t h) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    put(l, x, y, w, h);
    return l;
  }

  QPushButton* button(int32_t id, const char* text, int32_t x, int32_t y, int32_t w,
                      int32_t h) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setAutoDefault(false);  // Enter, the OK id 1, does nothing
    b->setDefault(false);
    b->setObjectName(QString("option%1").arg(id));
    put(b, x, y, w, h);
    connect(b, &QPushButton::clicked, this, [this, id] { act(id); });
    return b;
  }

  QCheckBox* check(int32_t id, const char* text, int32_t x, int32_t y, int32_t w, int32_t h) {
    auto* c = new QCheckBox(QString::fromLatin1(text), this);
    c->setObjectName(QString("option%1").arg(id));
    put(c, x, y, w, h);
    connect(c, &QCheckBox::clicked, this, [this, id] { act(id); });
    return c;
  }

  QRadioButton* radio(int32_t id, const char* text, int32_t x) {
    auto* r = new QRadioButton(QString::fromLatin1(text), this);
    r->setObjectName(QString("option%1").arg(id));
    put(r, x, 113, id == OptSlow ? 27 : 31, 8);
    speeds_.addButton(r, id - OptSlow);
    connect(r, &QRadioButton::clicked, this, [this, id] { act(id); });
    return r;
  }

  void build() {
    put(new QGroupBox("Batch solution", this), 7, 5, 222, 89);
    label("#", 17, 17, 8, 8);
    title_ = label("", 26, 18, 195, 8);
    label("#", 17, 26, 8, 8);
    setLine_ = label("", 26, 26, 195, 8);
    label("#", 17, 35, 8, 8);
    limits_ = label("", 26, 35, 195, 8);
    play_ = check(OptPlay, "Play the TraceViewer after solved.", 17, 49, 128, 8);
    report_ = check(OptReport, "Output file:", 17, 61, 48, 8);
    path_ = new QLineEdit(this);
    path_->setObjectName("option1006");
    // Only "browse" sets the path: the box shows what "BATCH  START" uses,
    // and it can still be selected and copied.
    path_->setReadOnly(true);
    put(path_, 65, 59, 125, 12);
    browse_ = button(OptBrowse, "browse", 190, 58, 30, 12);
    start_ = button(OptStart, "BATCH  START", 78, 75, 77, 14);
    put(new QGroupBox("Others", this), 7, 99, 222, 70);
    label("TraceViewer speed:", 16, 112, 65, 8);
    radio(OptSlow, "Slow", 84);
    radio(OptNomal, "Nomal", 114);
    radio(OptFast, "Fast", 149);
    beginWithEnd_ = check(OptBeginWithEnd, "Begin with the end position", 17, 129, 107, 8);
    label("(A solution must have at least one push)", 34, 138, 140, 8);
    button(OptOk, "OK", 185, 146, 35, 14);
    location_ = label("", LocationRect[0], LocationRect[1], LocationRect[2], LocationRect[3]);
    location_->setObjectName("option1019");
  }

  // The state options_open or a command left, onto the widgets.
  void show_state() {
    title_->setText(QString::fromUtf8(dialog_.title));
    setLine_->setText(QString::fromUtf8(dialog_.setLine));
    limits_->setText(QString::fromLatin1(dialog_.limits));
    location_->setText(QString::fromUtf8(dialog_.location));
    location_->setToolTip(QString::fromUtf8(dialog_.locationTip));
    path_->setText(QString::fromUtf8(dialog_.path));
    play_->setChecked(dialog_.play != 0);
    report_->setChecked(dialog_.report != 0);
    beginWithEnd_->setChecked(dialog_.beginWithEnd != 0);
    if (QAbstractButton* speed = speeds_.button(dialog_.speed)) speed->setChecked(true);
    play_->setEnabled(dialog_.playOn != 0);
    report_->setEnabled(dialog_.reportOn != 0);
    path_->setEnabled(dialog_.pathOn != 0);
    browse_->setEnabled(dialog_.browseOn != 0);
    start_->setEnabled(dialog_.startOn != 0);
    fit_texts(this);
  }

  // The ticks as the user left them, then the command.
  void act(int32_t id) {
    dialog_.play = play_->isChecked();
    dialog_.report = report_->isChecked();
    dialog_.beginWithEnd = beginWithEnd_->isChecked();
    int32_t speed = speeds_.checkedId();
    dialog_.speed = speed >= SpeedSlow && speed <= SpeedFast ? speed : -1;
    int32_t close = options_command(app_, dialog_, id);
    show_state();
    if (close) done(1);
  }

  App& app_;
  OptionsDialog& dialog_;
  QLabel* title_ = nullptr;
  QLabel* setLine_ = nullptr;
  QLabel* limits_ = nullptr;
  QLabel* location_ = nullptr;
  QCheckBox* play_ = nullptr;
  QCheckBox* report_ = nullptr;
  QCheckBox* beginWithEnd_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* start_ = nullptr;
  QButtonGroup speeds_;
};

}  // namespace

void elide_options_path(int32_t id, const char* prefix, const char* path, char* out,
                        int32_t capacity) {
  QString shown = QString::fromUtf8(prefix) + QString::fromUtf8(path);
  if (id == OptLocation) {
    QFont font = options_font();
    QRect rect = TextDialogWindow::unit_rect(font, LocationRect[0], LocationRect[1],
                                             LocationRect[2], LocationRect[3]);
    shown = elide_middle(font, rect.width(), QString::fromUtf8(prefix), QString::fromUtf8(path));
  }
  QByteArray bytes = shown.toUtf8();
  std::snprintf(out, size_t(capacity), "%s", bytes.constData());
}

void run_options_window(App& app, OptionsDialog& dialog, QWidget* owner) {
  OptionsWindow window(app, dialog, owner);
  window.exec();
}

}  // namespace vk
