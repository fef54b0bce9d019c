// The window laid out in the faces a desktop may give it, at the sizes that
// desktop scales of 1, 1.5 and 2 make of the dialog font, in both languages:
// every caption fits its control, whole.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <cmath>

#include "platform/qt/qt_window.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "tests/platform/qt/qt_window_fixture.h"
#include "ui/main_dialog.h"

namespace magcfg::qt::test {
namespace {

constexpr int kWordWrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// The size of text laid out in `bounds`: its lines from the top of the first
// line to the bottom of the last, without the leading below.
QSize Drawn(const QFontMetrics& metrics, const QRect& bounds) {
  const int lines = std::max(1, static_cast<int>(std::lround(double(bounds.height()) / metrics.lineSpacing())));
  return {bounds.width(), (lines - 1) * metrics.lineSpacing() + metrics.height()};
}

// The room a control gives its caption, and the room the caption takes; an
// empty string when it fits.
std::string CaptionMisfit(QWidget* widget) {
  const QFontMetrics metrics(widget->font());
  const auto misfit = [](const QString& text, QSize needed, QSize room) {
    if (needed.width() <= room.width() && needed.height() <= room.height()) return std::string();
    return "\"" + text.toStdString() + "\" needs " + std::to_string(needed.width()) + "x" +
           std::to_string(needed.height()) + " but has " + std::to_string(room.width()) + "x" +
           std::to_string(room.height());
  };
  QStyle* style = widget->style();
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect room = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return misfit(box->text(), {metrics.horizontalAdvance(box->text()), metrics.height()}, room.size());
  }
  if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(radio);
    option.text = radio->text();
    const QRect room = style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
    return misfit(radio->text(), {metrics.horizontalAdvance(radio->text()), metrics.height()}, room.size());
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    // A button's caption is one line, or breaks at words where its control allows.
    const bool wraps = FindControl(widget->property("controlId").toInt())->Has(style::kMultiLine);
    QSize needed(metrics.horizontalAdvance(button->text()), metrics.height());
    if (wraps) needed = Drawn(metrics, metrics.boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, button->text()));
    return misfit(button->text(), needed, room.size());
  }
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    // The title sits one average character in, with padding, on the top line.
    const int needed = metrics.averageCharWidth() + metrics.horizontalAdvance(frame->title()) + 2 * 2;
    return misfit(frame->title(), {needed, metrics.height()}, {frame->width() - 2, frame->height()});
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QRect room = label->contentsRect();
    const QSize needed = Drawn(metrics, metrics.boundingRect(QRect(0, 0, room.width(), 10000), kWordWrap, label->text()));
    return misfit(label->text(), needed, room.size());
  }
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    for (int i = 0; i < list->count(); ++i) {
      const std::string entry =
          misfit(list->itemText(i), {metrics.horizontalAdvance(list->itemText(i)), metrics.height()}, room.size());
      if (!entry.empty()) return entry;
    }
  }
  return {};
}

struct Layout {
  const char* family;
  double scale;
};

TEST(QtWindowFonts, EveryCaptionFitsInEachFaceAtEachScaleInBothLanguages) {
  const Layout layouts[] = {
      {"DejaVu Sans", 1},          {"DejaVu Sans", 1.5},          {"DejaVu Sans", 2},
      {"Noto Sans", 1},            {"Noto Sans", 1.5},            {"Noto Sans", 2},
      {"Liberation Sans", 1},      {"Liberation Sans", 1.5},      {"Liberation Sans", 2},
      {"Cantarell", 1},            {"Cantarell", 1.5},            {"Cantarell", 2},
      {"WenQuanYi Micro Hei", 1},  {"WenQuanYi Micro Hei", 1.5},  {"WenQuanYi Micro Hei", 2},
  };
  for (const Layout& layout : layouts) {
    QFont font(QString::fromLatin1(layout.family));
    font.setPointSizeF(MainDialogSpec().fontPointSize * layout.scale);
    // A face that is not installed would be replaced, and the row prove nothing.
    ASSERT_EQ(QFontInfo(font).family(), QString::fromLatin1(layout.family))
        << "install the fonts: scripts/setup.sh base";
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
      SCOPED_TRACE(testing::Message() << layout.family << " at " << layout.scale
                                      << (language == UiLanguage::English ? ", English" : ", Chinese"));
      TestHid hid;
      ModuleState state;
      QtWindow window(font);
      MainDialog dialog(window, hid, state);
      dialog.SetStartLanguage(language);
      window.Attach(dialog);
      window.Initialise();
      // The dialog units follow the face: 52 letters' average width and the height.
      const QFontMetrics metrics(font);
      EXPECT_EQ(window.BaseUnits().y, metrics.height());
      EXPECT_NEAR(window.BaseUnits().x, metrics.horizontalAdvance(QStringLiteral(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0, 0.5);
      int captions = 0;
      for (QWidget* widget : window.Widgets()) {
        if (widget->isHidden()) continue;
        const std::string misfit = CaptionMisfit(widget);
        EXPECT_EQ(misfit, "") << widget->objectName().toStdString();
        ++captions;
      }
      EXPECT_EQ(captions, 47);  // every control but the hidden language choice
    }
  }
}

}  // namespace
}  // namespace magcfg::qt::test
