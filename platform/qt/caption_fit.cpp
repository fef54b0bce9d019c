#include "platform/qt/caption_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QVariant>
#include <algorithm>

namespace magcfg::qt {
namespace {

// The font a control was given, before any shrinking to fit its caption.
constexpr char kNominalFontProperty[] = "nominalFont";
// A caption never shrinks below this share of its font's size.
constexpr double kSmallestCaptionScale = 0.6;

// The height of `lines` lines of text as Qt draws them.
int LinesHeight(const QFontMetrics& metrics, int lines) {
  return (lines - 1) * metrics.lineSpacing() + metrics.height();
}

// Whether every caption of a control fits the room the control gives it in
// the control's current font.
bool CaptionFits(QWidget* widget) {
  const QFontMetrics metrics(widget->font());
  QStyle* style = widget->style();
  const auto oneLineFits = [&](const QString& text, const QRect& room) {
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
  };
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QStyle::SubElement contents = qobject_cast<QCheckBox*>(widget)      ? QStyle::SE_CheckBoxContents
                                        : qobject_cast<QRadioButton*>(widget) ? QStyle::SE_RadioButtonContents
                                                                              : QStyle::SE_PushButtonContents;
    const QRect room = style->subElementRect(contents, &option, button);
    if (widget->property(kWrapsProperty).toBool()) {
      const QRect needed = metrics.boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, button->text());
      return needed.width() <= room.width() &&
             LinesHeight(metrics, std::max(1, needed.height() / metrics.lineSpacing())) <= room.height();
    }
    return oneLineFits(button->text(), room);
  }
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    // The title sits one average character in, padded, on the top line.
    return metrics.averageCharWidth() + metrics.horizontalAdvance(frame->title()) + 4 <= frame->width() - 2;
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QRect room = label->contentsRect();
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 16),
                                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
    const int lines = std::max(1, (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing());
    return needed.width() <= room.width() && LinesHeight(metrics, lines) <= room.height();
  }
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    for (int i = 0; i < list->count(); ++i) {
      if (!oneLineFits(list->itemText(i), room)) return false;
    }
  }
  return true;
}

}  // namespace

void FitCaption(QWidget* widget) {
  const QVariant nominal = widget->property(kNominalFontProperty);
  const QFont font = nominal.isValid() ? nominal.value<QFont>() : widget->font();
  if (!nominal.isValid()) widget->setProperty(kNominalFontProperty, font);
  widget->setFont(font);
  const bool inPixels = font.pixelSize() > 0;
  const double size = inPixels ? font.pixelSize() : font.pointSizeF();
  for (double scale = 0.97; !CaptionFits(widget) && scale >= kSmallestCaptionScale; scale -= 0.03) {
    QFont smaller = font;
    if (inPixels) {
      smaller.setPixelSize(std::max(1, static_cast<int>(size * scale)));
    } else {
      smaller.setPointSizeF(size * scale);
    }
    widget->setFont(smaller);
  }
}

void FitCaptionInFont(QWidget* widget, const QFont& font) {
  widget->setProperty(kNominalFontProperty, font);
  FitCaption(widget);
}

}  // namespace magcfg::qt
