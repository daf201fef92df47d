// The Options dialog's widgets, made from the dialog logic's table: every
// control at its dialog-unit rectangle, converted with the dialog font's
// average character width and height.
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

QFont options_font() {
  QFont font = dialog_font();
  font.setPointSize(OptionsFontPoints);
  return font;
}

QRect unit_rect(const QFont& font, const ControlSpec& spec) {
  return TextDialogWindow::unit_rect(font, spec.x, spec.y, spec.width, spec.height);
}

// The report path box is read-only: drawn as the system draws one, on the
// dialog's face, and reached by a click only (it can still be selected and
// copied), so that nobody takes it for a place to type a path.
QLineEdit* read_only_edit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::ClickFocus);
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  edit->setPalette(palette);
  return edit;
}

class OptionsWindow : public QDialog {
 public:
  OptionsWindow(App& app, OptionsDialog& dialog, QWidget* owner)
      : QDialog(owner), app_(app), dialog_(dialog) {
    setWindowTitle(OptionsCaption);
    setObjectName("optionsDialog");
    setModal(true);
    QFont font = options_font();
    setFont(font);
    QRect size = TextDialogWindow::unit_rect(font, 0, 0, OptionsWidthUnits, OptionsHeightUnits);
    setFixedSize(size.width(), size.height());
    for (int32_t k = 0; k < OptionsControlCount; ++k) controls_[k] = make(OptionsControls[k]);
    show_state();
  }

 protected:
  void reject() override {}  // Esc does nothing
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    done(0);  // the close box stores nothing
  }

 private:
  QWidget* make(const ControlSpec& spec) {
    QString text = QString::fromLatin1(spec.caption);
    QWidget* widget = nullptr;
    switch (spec.kind) {
      case GroupBox: widget = new QGroupBox(text, this); break;
      case PushButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);  // Enter, the OK id 1, does nothing
        button->setDefault(false);
        widget = button;
        break;
      }
      case CheckBox: widget = new QCheckBox(text, this); break;
      case RadioFirst:
      case RadioButton: {
        auto* radio = new QRadioButton(text, this);
        speeds_.addButton(radio, spec.id - OptSlow);
        widget = radio;
        break;
      }
      case ReadOnlyEdit: widget = read_only_edit(this); break;
      default: widget = new QLabel(text, this); break;
    }
    widget->setObjectName(QString("option%1").arg(spec.id));
    widget->setGeometry(unit_rect(font(), spec));
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      int32_t id = spec.id;
      connect(button, &QAbstractButton::clicked, this, [this, id] { act(id); });
    }
    return widget;
  }

  QWidget* control(int32_t id) const {
    for (int32_t k = 0; k < OptionsControlCount; ++k)
      if (OptionsControls[k].id == id) return controls_[k];
    return nullptr;
  }
  void set_text(int32_t id, const char* text) {
    if (auto* label = qobject_cast<QLabel*>(control(id))) label->setText(QString::fromUtf8(text));
    if (auto* edit = qobject_cast<QLineEdit*>(control(id))) edit->setText(QString::fromUtf8(text));
  }
  void set_check(int32_t id, int32_t on) {
    static_cast<QAbstractButton*>(control(id))->setChecked(on != 0);
  }
  int32_t checked(int32_t id) const {
    return static_cast<QAbstractButton*>(control(id))->isChecked() ? 1 : 0;
  }

  // The state options_open or a command left, onto the widgets.
  void show_state() {
    set_text(OptTitle, dialog_.title);
    set_text(OptSetLine, dialog_.setLine);
    set_text(OptLimits, dialog_.limits);
    set_text(OptLocation, dialog_.location);
    control(OptLocation)->setToolTip(QString::fromUtf8(dialog_.locationTip));
    set_text(OptPath, dialog_.path);
    set_check(OptPlay, dialog_.play);
    set_check(OptReport, dialog_.report);
    set_check(OptBeginWithEnd, dialog_.beginWithEnd);
    set_check(OptGuided, dialog_.guided);
    if (QAbstractButton* speed = speeds_.button(dialog_.speed)) speed->setChecked(true);
    control(OptPlay)->setEnabled(dialog_.playOn != 0);
    control(OptReport)->setEnabled(dialog_.reportOn != 0);
    control(OptPath)->setEnabled(dialog_.pathOn != 0);
    control(OptBrowse)->setEnabled(dialog_.browseOn != 0);
    control(OptStart)->setEnabled(dialog_.startOn != 0);
    fit_texts(this);
  }

  // The ticks as the user left them, then the command.
  void act(int32_t id) {
    dialog_.play = checked(OptPlay);
    dialog_.report = checked(OptReport);
    dialog_.beginWithEnd = checked(OptBeginWithEnd);
    dialog_.guided = checked(OptGuided);
    int32_t speed = speeds_.checkedId();
    dialog_.speed = speed >= SpeedSlow && speed <= SpeedFast ? speed : -1;
    int32_t close = options_command(app_, dialog_, id);
    show_state();
    if (close) done(1);
  }

  App& app_;
  OptionsDialog& dialog_;
  QWidget* controls_[OptionsControlCount] = {};
  QButtonGroup speeds_;
};

}  // namespace

void elide_options_path(int32_t id, const char* prefix, const char* path, char* out,
                        int32_t capacity) {
  QString shown = QString::fromUtf8(prefix) + QString::fromUtf8(path);
  if (const ControlSpec* spec = find_options_control(id)) {
    QFont font = options_font();
    QRect rect = unit_rect(font, *spec);
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
