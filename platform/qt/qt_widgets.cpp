#include "platform/qt/qt_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextDocument>
#include <algorithm>

#include "platform/qt/caption_fit.h"
#include "platform/qt/text_convert.h"
#include "reader/frames.h"

namespace magcfg::qt {
namespace {

// A push button whose caption runs on several lines: the caption breaks at
// words to fit the button, as a multi-line button shows it, while the
// button's text stays the caption as set.
class WrappingButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

  // Where the caption is drawn: the button's contents, inside its frame.
  QRect CaptionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.drawItemText(CaptionRect(), Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
  }
};

// A frame drawn as the dialog platform draws a group box: an etched border
// whose top line runs through the middle of the title, so that controls
// placed just below the title stay clear of the line.
class FrameBox final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect frame = rect().adjusted(0, top, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    if (title().isEmpty()) return;
    const int padding = 2;
    const QRect titleRect(metrics.averageCharWidth() + padding, 0, metrics.horizontalAdvance(title()) + 2 * padding,
                          metrics.height());
    painter.fillRect(titleRect, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(titleRect, Qt::AlignCenter | Qt::TextShowMnemonic, title());
  }
};

}  // namespace

QValidator::State SingleByteValidator::validate(QString& input, int&) const {
  const bool fits =
      std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c.unicode() <= reader::kHighestSentinel; });
  if (!fits) refusedCharacter = true;
  return fits ? Acceptable : Invalid;
}

// The edit box's text with every line break as one line feed. The raw text
// keeps characters such as U+00A0 that the plain-text form would change.
QString PlainTextOf(const QPlainTextEdit& edit) {
  QString text = edit.document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

QWidget* MakeWidget(const ControlSpec& control, QWidget* parent) {
  const QString text = ToQString(control.text);
  switch (control.kind) {
    case ControlKind::GroupBox: {
      auto* box = new FrameBox(text, parent);
      // A frame lets clicks through to the controls drawn inside it.
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      return box;
    }
    case ControlKind::PushButton: {
      auto* button = control.Has(style::kMultiLine) ? new WrappingButton(text, parent) : new QPushButton(text, parent);
      button->setProperty(kWrapsProperty, control.Has(style::kMultiLine));
      // No push button is the default: Enter is decided by the focused control.
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::AutoRadioButton:
      return new QRadioButton(text, parent);
    case ControlKind::AutoCheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::StaticText: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setText(text);
      label->setAlignment((control.Has(style::kRightAligned) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
      // A left- or right-aligned static control breaks its text at words.
      label->setWordWrap(true);
      if (control.Has(style::kSunkenEdge)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
      }
      return label;
    }
    case ControlKind::Edit: {
      if (!control.Has(style::kMultiLine)) {
        auto* edit = new QLineEdit(text, parent);
        if (control.Has(style::kCentered)) edit->setAlignment(Qt::AlignCenter);
        edit->setValidator(new SingleByteValidator(edit));
        edit->setReadOnly(control.Has(style::kReadOnly));
        return edit;
      }
      auto* edit = new QPlainTextEdit(text, parent);
      edit->setVerticalScrollBarPolicy(control.Has(style::kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      // Tab moves to the next control, as in a dialog.
      edit->setTabChangesFocus(true);
      if (control.Has(style::kReadOnly)) {
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      }
      return edit;
    }
    case ControlKind::DropDownList: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      return list;
    }
  }
  return new QWidget(parent);
}

}  // namespace magcfg::qt
