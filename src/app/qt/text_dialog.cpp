// The text dialog: pastes a level as text, or shows the solution.
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/shell.h"

namespace vk {

namespace {

// The dialog and its controls in dialog units.
constexpr int DialogWidthUnits = 176;
constexpr int DialogHeightUnits = 223;
constexpr int LetterCount = 52;

struct UnitRect {
  int x, y, width, height;
};
constexpr UnitRect CloseRect = {114, 15, 42, 14};
constexpr UnitRect EditRect = {7, 32, 162, 184};
constexpr UnitRect HeadlineRect = {10, 5, 158, 8};
constexpr UnitRect NoticeRect = {10, 18, 100, 8};

// Average width over the 52 Latin letters, rounded to the nearest pixel.
int average_char_width(const QFontMetrics& metrics) {
  int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (width + LetterCount / 2) / LetterCount;
}

QRect unit_rect(const QFont& font, const UnitRect& r) {
  return TextDialogWindow::unit_rect(font, r.x, r.y, r.width, r.height);
}

}  // namespace

QRect TextDialogWindow::unit_rect(const QFont& font, int x, int y, int width, int height) {
  QFontMetrics metrics(font);
  int cx = average_char_width(metrics);
  int cy = metrics.height();
  return QRect(x * cx / 4, y * cy / 8, width * cx / 4, height * cy / 8);
}

TextDialogWindow::TextDialogWindow(const TextDialog& dialog, QWidget* parent) : QDialog(parent) {
  QFont font = fixed_font();
  setFont(font);
  setWindowTitle(DialogCaption);
  QRect size = unit_rect(font, 0, 0, DialogWidthUnits, DialogHeightUnits);
  setFixedSize(size.width(), size.height());

  headline_ = new QLabel(QString::fromLatin1(dialog.headline), this);
  headline_->setObjectName("id1016");
  headline_->setGeometry(vk::unit_rect(font, HeadlineRect));

  notice_ = new QLabel(QString::fromLatin1(dialog.notice), this);
  notice_->setObjectName("id1017");
  notice_->setGeometry(vk::unit_rect(font, NoticeRect));
  QPalette red = notice_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  notice_->setPalette(red);

  close_ = new QPushButton("Close", this);
  close_->setObjectName("id1");
  close_->setGeometry(vk::unit_rect(font, CloseRect));
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] { done(1); });

  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName("id1006");
  edit_->setGeometry(vk::unit_rect(font, EditRect));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The edit box keeps its own line ends; CR LF shows as one line break.
  edit_->setPlainText(QString::fromLatin1(dialog.body).replace("\r\n", "\n"));
  // As in the system's dialogs: Tab and Shift+Tab move between Close and
  // the box, Enter in the box makes a new line. The focus starts in the
  // box to paste (Ctrl+V pastes at once) and on Close for a solution (so
  // that Enter closes).
  edit_->setTabChangesFocus(true);
  setTabOrder(close_, edit_);
  if (dialog.mode == SolutionMode) close_->setFocus();
  else edit_->setFocus();
  fit_texts(this);
}

QString TextDialogWindow::text() const { return edit_->toPlainText(); }

void TextDialogWindow::reject() {}

void TextDialogWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  done(0);
}

}  // namespace vk
