// The window as built: its 50 widgets with the template's IDs, kinds, places
// and states, the window frame, the state on first show and the text labels.
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstring>

#include "platform/qt/application_start.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "res/texts.h"
#include "tests/platform/qt/qt_window_fixture.h"

namespace magcfg::qt::test {
namespace {

const char* ExpectedClass(const ControlSpec& control) {
  switch (control.kind) {
    case ControlKind::GroupBox:
      return "QGroupBox";
    case ControlKind::PushButton:
      return "QPushButton";
    case ControlKind::AutoRadioButton:
      return "QRadioButton";
    case ControlKind::AutoCheckBox:
      return "QCheckBox";
    case ControlKind::StaticText:
      return "QLabel";
    case ControlKind::Edit:
      return control.Has(style::kMultiLine) ? "QPlainTextEdit" : "QLineEdit";
    case ControlKind::DropDownList:
      return "QComboBox";
  }
  return "";
}

int CountRedPixels(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
    }
  }
  return red;
}

// The bands of rows with dark ink inside a button, off its frame: the lines
// of its caption as drawn.
int InkLines(QWidget* button) {
  const QImage image = button->grab().toImage();
  int bands = 0;
  bool inBand = false;
  for (int y = 4; y < image.height() - 4; ++y) {
    bool ink = false;
    for (int x = 6; x < image.width() - 6 && !ink; ++x) ink = image.pixelColor(x, y).lightness() < 100;
    if (ink && !inBand) ++bands;
    inBand = ink;
  }
  return bands;
}

TEST(QtWindowBuild, EveryTemplateRowIsOneWidgetWithItsIdKindPlaceAndState) {
  QtWindow window;  // as created, before the logic touches it
  const auto controls = MainDialogControls();
  ASSERT_EQ(window.Widgets().size(), 50u);

  // Base units from the dialog font, measured here independently.
  const QFontMetrics metrics(DialogFont());
  const DialogBaseUnits base = BaseUnitsFromFont(
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
      metrics.height());
  EXPECT_EQ(window.BaseUnits().x, base.x);
  EXPECT_EQ(window.BaseUnits().y, base.y);
  // A 9-point face at 96 dots per inch: about 6 to 8 pixels wide, 12 to 18 high.
  EXPECT_GE(base.x, 5);
  EXPECT_LE(base.x, 9);
  EXPECT_GE(base.y, 12);
  EXPECT_LE(base.y, 19);

  for (std::size_t row = 0; row < controls.size(); ++row) {
    const ControlSpec& c = controls[row];
    QWidget* widget = window.Widgets()[row];
    SCOPED_TRACE(testing::Message() << "row " << row + 1 << " id " << c.id);
    EXPECT_STREQ(widget->metaObject()->className(), ExpectedClass(c));
    EXPECT_EQ(widget->parentWidget(), &window);  // frames are siblings, not parents
    EXPECT_EQ(widget->property("controlId").toInt(), c.id);
    if (c.id == ctl::kNone) {
      EXPECT_EQ(widget->objectName(), QStringLiteral("control_none_%1").arg(row + 1));
    } else {
      EXPECT_EQ(widget->objectName(), QStringLiteral("control_%1").arg(c.id));
      EXPECT_EQ(window.Control(c.id), widget);
    }
    const PixelRect px = DialogUnitsToPixels(c.x, c.y, c.width, c.height, base);
    EXPECT_EQ(widget->x(), px.x);
    EXPECT_EQ(widget->y(), px.y);
    EXPECT_EQ(widget->width(), px.width);
    if (c.kind == ControlKind::DropDownList) {
      // The closed list is as high as the style draws it; the template's
      // height counts the dropped list too.
      EXPECT_EQ(widget->height(), widget->sizeHint().height());
      EXPECT_LT(widget->height(), px.height);
    } else {
      EXPECT_EQ(widget->height(), px.height);
    }
    EXPECT_EQ(widget->isHidden(), c.Has(style::kHidden));
    EXPECT_EQ(widget->isEnabled(), !c.Has(style::kDisabled));
    if (c.kind == ControlKind::StaticText || c.kind == ControlKind::GroupBox) {
      EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus);
    } else if (c.Has(style::kTabStop)) {
      EXPECT_EQ(widget->focusPolicy(), Qt::StrongFocus);
    }
  }
  EXPECT_EQ(window.Control(ctl::kNone), nullptr);
  EXPECT_EQ(window.Control(1033), nullptr);
}

TEST(QtWindowBuild, WindowIsFixedSizedTopLevelWithCaptionMinimiseAndClose) {
  QtWindow window;
  const DialogSpec& dialogTemplate = MainDialogSpec();
  const PixelRect client = DialogUnitsToPixels(0, 0, dialogTemplate.width, dialogTemplate.height, window.BaseUnits());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Magstripe Reader Setup"));
  EXPECT_EQ(window.size(), QSize(client.width, client.height));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.parentWidget(), nullptr);
  EXPECT_TRUE(window.isWindow());
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);  // a window of its own, with a task-bar entry
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(window.isSizeGripEnabled());
  EXPECT_EQ(window.font().family(), QStringLiteral("Microsoft Sans Serif"));
  EXPECT_EQ(window.font().pointSize(), 9);
}

TEST(QtWindowBuild, TheApplicationCarriesTheDesktopIdAndWindowClassOfItsDesktopEntry) {
  SetApplicationIdentity();
  EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("io.magcfg.Magcfg"));
  // X11 gets the application name as the window class, which the entry names.
  EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("magcfg"));
}

TEST(QtWindowBuild, StartsInTheLanguageOfTheLocaleUnlessTheCommandLineSays) {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  QByteArray saved[3];
  for (int i = 0; i < 3; ++i) saved[i] = qgetenv(names[i]);
  qunsetenv("LC_ALL");
  qunsetenv("LC_MESSAGES");
  qputenv("LANG", "zh_CN.UTF-8");
  CommandLine line;
  EXPECT_EQ(StartLanguage(line), UiLanguage::Chinese);
  qputenv("LC_MESSAGES", "en_US.UTF-8");
  EXPECT_EQ(StartLanguage(line), UiLanguage::English);
  line.language = UiLanguage::Chinese;
  EXPECT_EQ(StartLanguage(line), UiLanguage::Chinese);
  for (int i = 0; i < 3; ++i) {
    if (saved[i].isNull()) {
      qunsetenv(names[i]);
    } else {
      qputenv(names[i], saved[i]);
    }
  }
}

TEST(QtWindowBuild, TabOrderFollowsTheTemplate) {
  QtWindow window;
  std::vector<QWidget*> expected;
  for (QWidget* widget : window.Widgets()) {
    if (widget->focusPolicy() != Qt::NoFocus) expected.push_back(widget);
  }
  const auto controls = MainDialogControls();
  ASSERT_EQ(expected.size(), std::count_if(controls.begin(), controls.end(), [](const ControlSpec& c) {
              return c.kind != ControlKind::StaticText && c.kind != ControlKind::GroupBox;
            }));
  // The focus chain also holds the widgets' inner parts; the controls must
  // come in template order.
  std::vector<QWidget*> chain;
  QWidget* widget = expected.front();
  do {
    if (std::find(expected.begin(), expected.end(), widget) != expected.end()) chain.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != expected.front() && chain.size() <= expected.size());
  EXPECT_EQ(chain, expected);
}

using QtWindowFirstShow = QtWindowTest;

TEST_F(QtWindowFirstShow, ShowsEnglishDefaultsWithFindDeviceFocused) {
  ShowActive();
  for (const CaptionRow& row : CaptionTable()) {
    EXPECT_EQ(Text(row.control), row.text.english) << row.control;
  }
  EXPECT_EQ(Text(ctl::kCrTrack3), "Output (CR) flag at the end of Track 3");
  EXPECT_EQ(As<QCheckBox>(ctl::kCrTrack3)->text(), QStringLiteral("Output (CR) flag at the end of Track 3"));
  for (int id : {ctl::kLanguageChinese, ctl::kLanguageEnglish}) EXPECT_FALSE(W(id)->isVisible()) << id;
  EXPECT_FALSE(window.findChild<QGroupBox*>(QStringLiteral("control_none_3"))->isVisible());
  EXPECT_FALSE(W(ctl::kGetVersion)->isEnabled());
  EXPECT_EQ(Text(ctl::kStatusLine), "");

  const std::pair<int, const char*> sentinels[] = {{ctl::kTrack1Start, "%"}, {ctl::kTrack1End, "?"}, {ctl::kTrack2Start, ";"},
                                                   {ctl::kTrack2End, "?"}, {ctl::kTrack3Start, "+"}, {ctl::kTrack3End, "?"}};
  for (const auto& [id, text] : sentinels) {
    EXPECT_EQ(Text(id), text) << id;
    EXPECT_EQ(As<QLineEdit>(id)->maxLength(), 1) << id;
  }
  for (int id : {ctl::kOutputTrack1, ctl::kOutputTrack2, ctl::kOutputTrack3, ctl::kCrPacket}) {
    EXPECT_TRUE(As<QCheckBox>(id)->isChecked()) << id;
    EXPECT_TRUE(W(id)->isEnabled()) << id;
  }
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_FALSE(As<QCheckBox>(id)->isChecked()) << id;
    EXPECT_FALSE(W(id)->isEnabled()) << id;
  }
  auto* list = As<QComboBox>(ctl::kTrackSelection);
  ASSERT_EQ(list->count(), 7);
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(list->currentText(), QStringLiteral("0:Track2,3"));
  EXPECT_EQ(As<QPlainTextEdit>(ctl::kSwipeBox)->toPlainText(),
            QStringLiteral("before swipe the magnetic card please make sure the cursor is here!"));
  for (int id : {ctl::kTrack1Data, ctl::kTrack2Data, ctl::kTrack3Data}) EXPECT_EQ(Text(id), "") << id;
  EXPECT_EQ(FocusedControl(), ctl::kFindDevice);
  EXPECT_EQ(state.language, UiLanguage::English);
  EXPECT_TRUE(endResults.empty());
}

TEST_F(QtWindowFirstShow, NoPushButtonIsEverTheDefault) {
  ShowActive();
  int buttons = 0;
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    ++buttons;
    EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
  }
  const auto controls = MainDialogControls();
  EXPECT_EQ(buttons, std::count_if(controls.begin(), controls.end(),
                                   [](const ControlSpec& c) { return c.kind == ControlKind::PushButton; }));
}

TEST_F(QtWindowFirstShow, WidgetsCarryTheTemplateStyles) {
  for (int id : ctl::kSentinelBoxes) {
    auto* box = As<QLineEdit>(id);
    EXPECT_TRUE(box->alignment().testFlag(Qt::AlignHCenter)) << id;
    EXPECT_NE(box->validator(), nullptr) << id;
  }
  for (int id : {ctl::kTrack1Data, ctl::kTrack2Data, ctl::kTrack3Data, ctl::kSwipeBox}) {
    auto* edit = As<QPlainTextEdit>(id);
    EXPECT_EQ(edit->isReadOnly(), id != ctl::kSwipeBox) << id;
    EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn) << id;
    EXPECT_EQ(edit->focusPolicy(), Qt::StrongFocus) << id;
  }
  EXPECT_TRUE(As<QLabel>(ctl::kStatusCaption)->alignment().testFlag(Qt::AlignRight));
  EXPECT_FALSE(As<QLabel>(ctl::kStatusLine)->alignment().testFlag(Qt::AlignRight));
  EXPECT_EQ(As<QLabel>(ctl::kStatusLine)->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(As<QLabel>(ctl::kStatusCaption)->frameShape(), QFrame::NoFrame);
  EXPECT_FALSE(As<QComboBox>(ctl::kTrackSelection)->isEditable());
  EXPECT_GE(As<QComboBox>(ctl::kTrackSelection)->maxVisibleItems(), 2);

  // The read card button breaks its caption at words to fit, while its text
  // stays the caption as set, without line breaks.
  ShowActive();
  auto* readCard = As<QPushButton>(ctl::kReadCard);
  EXPECT_EQ(Text(ctl::kReadCard), "Reader (passive mode upload)");
  EXPECT_EQ(readCard->text(), QStringLiteral("Reader (passive mode upload)"));
  const std::string longCaption = "Reader (passive mode upload) of all three tracks";
  window.SetText(ctl::kReadCard, longCaption);
  EXPECT_EQ(Text(ctl::kReadCard), longCaption);
  EXPECT_EQ(readCard->text(), QString::fromStdString(longCaption));
  EXPECT_GE(InkLines(readCard), 2);
  window.SetText(ctl::kReadCard, "Read");
  EXPECT_EQ(InkLines(readCard), 1);
}

TEST_F(QtWindowFirstShow, EveryControlTakesTheClicksInItsMiddle) {
  // Frames lie beneath the controls they surround and let clicks through.
  ShowActive();
  for (const ControlSpec& c : MainDialogControls()) {
    if (c.id == ctl::kNone || c.Has(style::kHidden) || c.kind == ControlKind::GroupBox) continue;
    QWidget* widget = W(c.id);
    QWidget* hit = window.childAt(widget->geometry().center());
    EXPECT_TRUE(hit == widget || widget->isAncestorOf(hit))
        << c.id << " is covered by " << (hit ? hit->objectName().toStdString() : "nothing");
  }
}

// The first row of a frame's picture, near its right edge, that is not the
// dialog's background: its top line.
int FrameTopLine(QWidget* frame) {
  const QImage image = frame->grab().toImage();
  const QColor background = frame->palette().color(QPalette::Window);
  for (int y = 0; y < image.height(); ++y) {
    if (image.pixelColor(image.width() - 8, y) != background) return y;
  }
  return -1;
}

TEST_F(QtWindowFirstShow, FrameLinesRunThroughTheirTitlesAboveTheControlsInside) {
  ShowActive();
  for (QGroupBox* frame : window.findChildren<QGroupBox*>()) {
    if (!frame->isVisible()) continue;
    SCOPED_TRACE(frame->objectName().toStdString());
    const int line = FrameTopLine(frame);
    const int titleHeight = QFontMetrics(frame->font()).height();
    EXPECT_GT(line, 0);
    EXPECT_LT(line, titleHeight);
    for (QWidget* control : window.Widgets()) {
      if (control == frame || !control->isVisible() || !frame->geometry().contains(control->geometry())) continue;
      EXPECT_GT(control->y(), frame->y() + line) << control->objectName().toStdString();
    }
  }
}

TEST_F(QtWindowFirstShow, LabelsAreRedTwelvePixelsAndBoldWhereChosen) {
  ShowActive();
  const QColor red(255, 0, 0);
  for (int id : {ctl::kStatusLine, ctl::kInstructionsFrame, ctl::kInstruction1, ctl::kInstruction2, ctl::kNoticeLine}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(W(id)->palette().color(QPalette::WindowText), red);
    EXPECT_EQ(W(id)->font().pixelSize(), 12);
    EXPECT_FALSE(W(id)->autoFillBackground());
  }
  for (int id : {ctl::kStatusLine, ctl::kInstructionsFrame}) {
    EXPECT_EQ(W(id)->font().weight(), QFont::Bold) << id;
    EXPECT_EQ(W(id)->font().family(), QApplication::font().family()) << id;
  }
  for (int id : {ctl::kInstruction1, ctl::kInstruction2, ctl::kNoticeLine}) {
    EXPECT_EQ(W(id)->font().weight(), QFont::Normal) << id;
    EXPECT_EQ(W(id)->font().family(), QStringLiteral("Microsoft Sans Serif")) << id;
  }
  // Other texts keep the dialog font and the default colour.
  EXPECT_EQ(W(ctl::kStatusCaption)->font(), window.font());
  EXPECT_NE(W(ctl::kStatusCaption)->palette().color(QPalette::WindowText), red);

  // What is drawn: the frame's title and the status line come out red.
  EXPECT_GT(CountRedPixels(W(ctl::kInstructionsFrame)), 20);
  EXPECT_GT(CountRedPixels(W(ctl::kInstruction1)), 20);
  EXPECT_EQ(CountRedPixels(W(ctl::kStatusLine)), 0);  // empty
  window.SetText(ctl::kStatusLine, "No device connected!");
  EXPECT_GT(CountRedPixels(W(ctl::kStatusLine)), 20);
  EXPECT_EQ(CountRedPixels(W(ctl::kStatusCaption)), 0);
}

TEST_F(QtWindowFirstShow, AnUnsetLabelStyleDrawsInTheDefaultFontAndColour) {
  window.ApplyLabelStyle(ctl::kInstruction1, LabelStyle{});
  EXPECT_EQ(W(ctl::kInstruction1)->font(), QApplication::font());
  EXPECT_EQ(W(ctl::kInstruction1)->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::WindowText));

  LabelStyle light;
  light.height = -20;
  light.weight = kWeightNormal;
  window.ApplyLabelStyle(ctl::kInstructionsFrame, light);
  EXPECT_EQ(W(ctl::kInstructionsFrame)->font().pixelSize(), 20);
  EXPECT_EQ(W(ctl::kInstructionsFrame)->font().weight(), QFont::Normal);
}

TEST_F(QtWindowFirstShow, WindowIconHasTheSmallAndLargeImage) {
  const QIcon icon = window.windowIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

}  // namespace
}  // namespace magcfg::qt::test
