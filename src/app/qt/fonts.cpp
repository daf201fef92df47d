// The dialogs' fonts, and texts fitted to their controls' rectangles.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include "app/qt/shell.h"

namespace vk {

namespace {

// A face and the point size it is used at.
struct Face {
  const char* family;
  int points;
};

// The dialogs' own faces first, then the faces designed as their
// counterparts with nearly the same metrics (Debian's fonts-ipafont-gothic:
// IPAPGothic proportional, IPAGothic fixed-pitch), at the same sizes.
constexpr Face DialogFaces[] = {{"MS UI Gothic", 10}, {"IPAPGothic", 10}};
constexpr Face FixedFaces[] = {{"MS Gothic", 11}, {"IPAGothic", 11}};
// Without any of them the system's fonts serve. Its sans-serif runs wider,
// so it starts a point lower; fit_text does the rest.
constexpr int SystemDialogPoints = 9;
constexpr int SystemFixedPoints = 11;
// The space a line edit keeps between its frame and its text, each side.
constexpr int LineEditMargin = 2;

bool installed(const char* family) { return QFontDatabase::families().contains(family); }

template <int N>
const Face* first_installed(const Face (&faces)[N]) {
  for (const Face& face : faces)
    if (installed(face.family)) return &face;
  return nullptr;
}

int advance(const QWidget* widget, const QString& text) {
  return QFontMetrics(widget->font()).horizontalAdvance(text);
}

// Room in a check box's or radio button's text area, right of its mark.
int indicator_room(const QAbstractButton* button, QStyle::SubElement contents) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QRect area = button->style()->subElementRect(contents, &option, button);
  return area.width() - advance(button, button->text());
}

// A group title stands in the frame's top line behind its indent; the style
// places it (its rectangle is as wide as the text and its padding), and it
// must end before the frame's rounded corner.
constexpr int GroupCorner = 3;  // the frame's line and its corner radius
int title_room(const QGroupBox* group) {
  QStyleOptionGroupBox option;
  option.initFrom(group);
  option.text = group->title();
  option.lineWidth = 1;
  option.textAlignment = group->alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                               QStyle::SC_GroupBoxLabel, group);
  return group->width() - GroupCorner - (label.x() + label.width());
}

}  // namespace

QFont dialog_font() {
  if (const Face* face = first_installed(DialogFaces)) return QFont(face->family, face->points);
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(SystemDialogPoints);
  return font;
}

QFont fixed_font() {
  if (const Face* face = first_installed(FixedFaces)) return QFont(face->family, face->points);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(SystemFixedPoints);
  return font;
}

QString canvas_family() { return dialog_font().family(); }

int text_room(const QWidget* widget) {
  if (auto* button = qobject_cast<const QPushButton*>(widget)) {
    // The rectangle the style draws the label in: inside the frame (the
    // button margin only pads a button's preferred size).
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->autoDefault() || button->isDefault())
      option.features |= QStyleOptionButton::AutoDefaultButton;
    QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return contents.width() - advance(button, button->text());
  }
  if (auto* check = qobject_cast<const QCheckBox*>(widget))
    return indicator_room(check, QStyle::SE_CheckBoxContents);
  if (auto* radio = qobject_cast<const QRadioButton*>(widget))
    return indicator_room(radio, QStyle::SE_RadioButtonContents);
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return title_room(group);
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
    // The box's frame, the line edit's fixed margin of 2 pixels each side
    // and the cursor's pixel.
    const QStyle* style = edit->style();
    int frame = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    QMargins margins = edit->textMargins();
    return edit->width() - 2 * frame - 2 * LineEditMargin - 1 - margins.left() - margins.right() -
           advance(edit, edit->text());
  }
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    int indent = label->indent() > 0 ? label->indent() : 0;
    return label->contentsRect().width() - 2 * label->margin() - indent -
           advance(label, label->text());
  }
  return 0;  // no text of its own
}

namespace {

// The widget's room for its text at a point size of the dialog's face.
int32_t room_at(void* context, int32_t points) {
  auto* widget = static_cast<QWidget*>(context);
  QFont font = widget->font();
  font.setPointSize(points);
  widget->setFont(font);
  return text_room(widget);
}

}  // namespace

void fit_text(QWidget* widget) {
  // Start again from the dialog's font: the text may have become shorter.
  // Set explicitly, as the style's own font for a class (a smaller one for
  // group titles) would take the place of an inherited one.
  QWidget* parent = widget->parentWidget();
  QFont font = parent != nullptr ? parent->font() : QFont();
  widget->setFont(font);
  font.setPointSize(fit_points(font.pointSize(), room_at, widget));
  widget->setFont(font);
}

void fit_texts(QWidget* root) {
  for (QWidget* child : root->findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child) ||
        qobject_cast<QGroupBox*>(child))
      fit_text(child);
  }
}

QString elide_middle(const QFont& font, int width, const QString& prefix, const QString& path) {
  QFontMetrics metrics(font);
  QString shown = prefix + path;
  if (metrics.horizontalAdvance(shown) <= width) return shown;
  // Take characters alternately from the left and the right of the
  // middle until the rest fits, or nothing is left to take.
  QString head = path.left(path.size() / 2);
  QString tail = path.mid(path.size() / 2);
  for (bool left = true; !head.isEmpty() || !tail.isEmpty(); left = !left) {
    if ((left && !head.isEmpty()) || tail.isEmpty()) head.chop(1);
    else tail.remove(0, 1);
    shown = prefix + head + "..." + tail;
    if (metrics.horizontalAdvance(shown) <= width) break;
  }
  return shown;
}

}  // namespace vk
