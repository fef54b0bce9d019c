// What the operator does to the Qt window: keys, clicks and typing reach the
// window logic as the dialog platform delivers them, and what the logic
// shows (captions, lists, message boxes) reaches the screen exactly.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolTip>
#include <functional>

#include "platform/simulated/demo_reader.h"
#include "platform/simulated/simulated_hid.h"
#include "res/control_ids.h"
#include "res/texts.h"
#include "tests/platform/qt/qt_window_fixture.h"

namespace magcfg::qt::test {
namespace {

using QtWindowKeys = QtWindowTest;

TEST_F(QtWindowKeys, EnterEndsTheWindowAsOkWhereTheControlDoesNotTakeIt) {
  // A sentinel box, a check box, the list, a read-only track box.
  for (int id : {ctl::kTrack1Start, ctl::kOutputTrack1, ctl::kTrackSelection, ctl::kTrack1Data}) {
    SCOPED_TRACE(id);
    endResults.clear();
    ShowActive();
    window.SetFocus(id);
    ASSERT_EQ(FocusedControl(), id);
    Key(Qt::Key_Return);
    EXPECT_EQ(endResults, std::vector<int>{kDialogOk});
    EXPECT_FALSE(window.isVisible());
  }
}

TEST_F(QtWindowKeys, KeypadEnterInASentinelBoxEndsTheWindowToo) {
  ShowActive();
  window.SetFocus(ctl::kTrack3Start);
  Key(Qt::Key_Enter);
  EXPECT_EQ(endResults, std::vector<int>{kDialogOk});
}

TEST_F(QtWindowKeys, EscapeEndsTheWindowAsCancelFromAnyControl) {
  for (int id : {ctl::kFindDevice, ctl::kTrack1Start, ctl::kSwipeBox, ctl::kCrPacket, ctl::kTrackSelection}) {
    SCOPED_TRACE(id);
    endResults.clear();
    ShowActive();
    window.SetFocus(id);
    Key(Qt::Key_Escape);
    EXPECT_EQ(endResults, std::vector<int>{kDialogCancel});
  }
}

TEST_F(QtWindowKeys, CloseBoxEndsTheWindow) {
  ShowActive();
  EXPECT_TRUE(window.close());
  EXPECT_EQ(endResults, std::vector<int>{kDialogCancel});
  EXPECT_FALSE(window.isVisible());
}

TEST_F(QtWindowKeys, EnterOnAFocusedPushButtonPressesItAndKeepsTheWindow) {
  ShowActive();
  window.SetFocus(ctl::kDisconnect);  // Disconnect with no reader open
  Key(Qt::Key_Return);
  EXPECT_EQ(Text(ctl::kStatusLine), "No device connected!");
  window.SetFocus(ctl::kFindDevice);  // Find Device with nothing present
  Key(Qt::Key_Enter);
  EXPECT_EQ(Text(ctl::kStatusLine), "Device disconnected!");
  EXPECT_TRUE(endResults.empty());
  EXPECT_TRUE(window.isVisible());
}

TEST_F(QtWindowKeys, EnterInTheSwipeBoxIsALineBreak) {
  ShowActive();
  window.SetFocus(ctl::kSwipeBox);
  Type(QStringLiteral("ab"));
  Key(Qt::Key_Return);
  EXPECT_EQ(Text(ctl::kSwipeBox), "ab\n");
  EXPECT_TRUE(endResults.empty());
  EXPECT_TRUE(window.isVisible());
}

TEST_F(QtWindowKeys, TabMovesOnFromTheSwipeBoxInsteadOfTypingATab) {
  ShowActive();
  window.SetFocus(ctl::kSwipeBox);
  Key(Qt::Key_Tab, QStringLiteral("\t"));
  EXPECT_EQ(FocusedControl(), ctl::kClearSwipe);
  EXPECT_EQ(Text(ctl::kSwipeBox).find('\t'), std::string::npos);
}

using QtWindowClicks = QtWindowTest;

TEST_F(QtWindowClicks, CarriageReturnBoxesKeepTheirRulesUnderRealClicks) {
  ShowActive();
  ClickOn(ctl::kCrPacket);  // off: the track boxes become available
  EXPECT_FALSE(As<QCheckBox>(ctl::kCrPacket)->isChecked());
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_TRUE(W(id)->isEnabled()) << id;
    EXPECT_FALSE(As<QCheckBox>(id)->isChecked()) << id;
  }
  ClickOn(ctl::kCrTrack1);
  EXPECT_TRUE(As<QCheckBox>(ctl::kCrTrack1)->isChecked());
  EXPECT_FALSE(W(ctl::kCrPacket)->isEnabled());
  ClickOn(ctl::kCrTrack2);
  ClickOn(ctl::kCrTrack1);  // off again; track 2's still on
  EXPECT_FALSE(W(ctl::kCrPacket)->isEnabled());
  ClickOn(ctl::kCrTrack2);
  EXPECT_TRUE(W(ctl::kCrPacket)->isEnabled());
  ClickOn(ctl::kCrPacket);  // on: the track boxes are cleared and greyed
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_FALSE(W(id)->isEnabled()) << id;
    EXPECT_FALSE(As<QCheckBox>(id)->isChecked()) << id;
  }
}

TEST_F(QtWindowClicks, ADisabledControlTakesNoClick) {
  ShowActive();
  ClickOn(ctl::kCrTrack3);  // greyed while the packet box is checked
  EXPECT_FALSE(As<QCheckBox>(ctl::kCrTrack3)->isChecked());
  EXPECT_TRUE(As<QCheckBox>(ctl::kCrPacket)->isChecked());
}

TEST_F(QtWindowClicks, SetDefaultFormatPutsTheFactoryPanelBack) {
  ShowActive();
  ClickOn(ctl::kCrPacket);
  ClickOn(ctl::kCrTrack1);
  window.SetFocus(ctl::kTrack1Start);
  As<QLineEdit>(ctl::kTrack1Start)->selectAll();
  Type(QStringLiteral("A"));
  ASSERT_EQ(Text(ctl::kTrack1Start), "A");
  ClickOn(ctl::kSetDefaultFormat);
  EXPECT_EQ(Text(ctl::kTrack1Start), "%");
  EXPECT_TRUE(As<QCheckBox>(ctl::kCrPacket)->isChecked());
  EXPECT_TRUE(W(ctl::kCrPacket)->isEnabled());
  EXPECT_FALSE(As<QCheckBox>(ctl::kCrTrack1)->isChecked());
  EXPECT_FALSE(W(ctl::kCrTrack1)->isEnabled());
  EXPECT_EQ(Text(ctl::kStatusLine), "No device connected!");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(QtWindowClicks, ProgramSetTextRaisesNoChangeWhileTypedTextDoes) {
  ShowActive();
  window.SetFocus(ctl::kSwipeBox);
  ASSERT_EQ(Text(ctl::kSwipeBox), "");  // the box empties as it gains the focus
  window.SetText(ctl::kSwipeBox, "%AB");
  EXPECT_EQ(state.capture.swipeText, "");  // no parse ran
  EXPECT_FALSE(state.capture.capturing[0]);
  As<QPlainTextEdit>(ctl::kSwipeBox)->moveCursor(QTextCursor::End);
  Type(QStringLiteral("%"));
  EXPECT_EQ(state.capture.swipeText, "%AB%");
  EXPECT_TRUE(state.capture.capturing[0]);
}

TEST_F(QtWindowClicks, SentinelBoxesTakeOneCharacterOfOneByteEach) {
  ShowActive();
  window.SetFocus(ctl::kTrack1End);
  auto* box = As<QLineEdit>(ctl::kTrack1End);
  Type(QStringLiteral("x"));  // already full
  EXPECT_EQ(Text(ctl::kTrack1End), "?");
  box->selectAll();
  Key(Qt::Key_Backspace);
  ASSERT_EQ(Text(ctl::kTrack1End), "");
  Type(QStringLiteral("ab"));
  EXPECT_EQ(Text(ctl::kTrack1End), "a");

  struct Case {
    QString typed;
    const char* shown;
  };
  const Case cases[] = {
      {QStringLiteral("\u00E9"), "\u00E9"},  // é: one byte
      {QStringLiteral("\u00FE"), "\u00FE"},
      {QStringLiteral("\u00FF"), ""},  // ÿ: the byte of an empty box
      {QStringLiteral("\u20AC"), ""},  // €: no byte for it
      {QStringLiteral("\u4E2D"), ""},  // 中
  };
  const QString hint = QString::fromUtf8(kSentinelRangeHint.english);
  // A marker in the box's tool tip, which an explanation replaces.
  const QString marker = QStringLiteral("-");
  const auto mark = [&] { QToolTip::showText(box->mapToGlobal(QPoint(0, 0)), marker, box); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    box->clear();
    mark();
    Type(c.typed);
    EXPECT_EQ(Text(ctl::kTrack1End), c.shown);
    // A refused character is explained at the box.
    EXPECT_EQ(QToolTip::text(), *c.shown == '\0' ? hint : marker);
    box->clear();
    mark();
    box->insert(c.typed);  // pasted
    EXPECT_EQ(Text(ctl::kTrack1End), c.shown);
    EXPECT_EQ(QToolTip::text(), *c.shown == '\0' ? hint : marker);
  }
  // A full box refuses a second character without a word, as before.
  box->clear();
  Type(QStringLiteral("a"));
  mark();
  Type(QStringLiteral("b"));
  EXPECT_EQ(Text(ctl::kTrack1End), "a");
  EXPECT_EQ(QToolTip::text(), marker);
  // In Chinese, the explanation is Chinese.
  window.SetChecked(ctl::kLanguageEnglish, false);
  window.SetChecked(ctl::kLanguageChinese, true);
  box->clear();
  Type(QStringLiteral("\u00FF"));
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8(kSentinelRangeHint.chinese));
  QToolTip::hideText();
}

TEST_F(QtWindowClicks, RadioButtonsExcludeEachOtherOnClickButNotWhenSet) {
  window.SetChecked(ctl::kLanguageChinese, true);
  EXPECT_TRUE(window.IsChecked(ctl::kLanguageChinese));
  EXPECT_TRUE(window.IsChecked(ctl::kLanguageEnglish));
  window.SetChecked(ctl::kLanguageChinese, false);
  EXPECT_FALSE(window.IsChecked(ctl::kLanguageChinese));
  As<QRadioButton>(ctl::kLanguageChinese)->click();
  EXPECT_TRUE(window.IsChecked(ctl::kLanguageChinese));
  EXPECT_FALSE(window.IsChecked(ctl::kLanguageEnglish));
}

TEST_F(QtWindowClicks, ChineseCaptionsReplaceTheEnglishOnes) {
  ShowActive();
  window.SetText(ctl::kStatusLine, "status stays");
  As<QRadioButton>(ctl::kLanguageChinese)->click();  // the hidden language choice reports a click all the same
  EXPECT_EQ(state.language, UiLanguage::Chinese);
  const std::pair<int, const char*> captions[] = {
      {ctl::kDeviceFrame, "设备控制"},
      {ctl::kCrTrack3, "三轨数据结束时带回车(CR)"},
      {ctl::kStatusCaption, "状态信息"},
      {ctl::kInstructionsFrame, "使用说明"},
      {ctl::kReadCard, "读卡（被动上传模式）"},
      {ctl::kSwipeBox, "刷卡前点击此文本框!"},
      {ctl::kClearSwipe, "清除"},
      {ctl::kTrack1Label, "1\n轨"},
      {ctl::kInstruction1, "首先，插入USB读卡器，并点击“查找设备”"},
  };
  for (const auto& [id, text] : captions) EXPECT_EQ(Text(id), text) << id;
  EXPECT_EQ(As<QPushButton>(ctl::kClearSwipe)->text(), QStringLiteral("清除"));
  auto* list = As<QComboBox>(ctl::kTrackSelection);
  ASSERT_EQ(list->count(), 7);
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(list->itemText(0), QStringLiteral("0:读2,3轨"));
  EXPECT_EQ(list->itemText(4), QStringLiteral("4:读1, 2轨"));
  EXPECT_EQ(list->itemText(5), QStringLiteral("5:读1,3,轨"));
  // Untouched: the status line, the sentinels and the template's own texts.
  EXPECT_EQ(Text(ctl::kStatusLine), "status stays");
  EXPECT_EQ(Text(ctl::kTrack1Start), "%");
  EXPECT_EQ(Text(ctl::kLanguageEnglish), "English(英文)");
  EXPECT_EQ(window.findChild<QGroupBox*>(QStringLiteral("control_none_3"))->title(),
            QStringLiteral("语言选项(Language option)"));

  // Clear follows the language choice.
  window.SetFocus(ctl::kSwipeBox);
  ClickOn(ctl::kClearSwipe);
  EXPECT_EQ(Text(ctl::kSwipeBox), "刷卡前点击此文本框!");
}

TEST_F(QtWindowClicks, ListEntriesAreAddedWithoutSelectingAny) {
  window.ResetList(ctl::kTrackSelection);
  window.AddListEntry(ctl::kTrackSelection, "a");
  window.AddListEntry(ctl::kTrackSelection, "b");
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), -1);
  window.SelectListEntry(ctl::kTrackSelection, 1);
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), 1);
  window.SelectListEntry(ctl::kTrackSelection, 7);
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), -1);
  window.SelectListEntry(ctl::kTrackSelection, -3);
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), -1);
}

TEST_F(QtWindowClicks, UnknownControlIdsChangeNothingAndReadEmpty) {
  for (int id : {-1, 0, 1033, 99999}) {
    window.SetText(id, "x");
    window.SetChecked(id, true);
    window.SetEnabled(id, false);
    window.SelectText(id, 0, 5);
    window.SetFocus(id);
    EXPECT_EQ(window.GetText(id), "") << id;
    EXPECT_FALSE(window.IsChecked(id)) << id;
    EXPECT_FALSE(window.IsEnabled(id)) << id;
    EXPECT_EQ(window.SelectedListEntry(id), -1) << id;
  }
}

// --- Message boxes

using QtWindowBoxes = QtWindowTest;

TEST_F(QtWindowBoxes, CommandsWithoutAReaderWriteTheStatusLineOnly) {
  ShowActive();
  for (int id : {ctl::kSetDevice, ctl::kActiveUpload, ctl::kPassiveUpload, ctl::kReadCard, ctl::kCardStatus}) {
    window.SetText(ctl::kStatusLine, "");
    ClickOn(id);
    EXPECT_EQ(Text(ctl::kStatusLine), "No device connected!") << id;
  }
  EXPECT_TRUE(boxes.empty());
}

class QtWindowDetailFailure : public QtWindowTest {
 protected:
  QtWindowDetailFailure() : QtWindowTest(TestHid::Present::DetailFailure) {}
};

TEST_F(QtWindowDetailFailure, ShowsAnErrorBoxWithTheMessageAsTitle) {
  ShowActive();
  ClickOn(ctl::kFindDevice);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, QStringLiteral("Get HID device information failed!"));
  EXPECT_EQ(boxes[0].text, QStringLiteral("Error"));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_TRUE(boxes[0].ownedByWindow);
}

class QtWindowWithReader : public QtWindowTest {
 protected:
  QtWindowWithReader() : QtWindowTest(TestHid::Present::Reader) {}
};

TEST_F(QtWindowWithReader, SetDeviceShowsTheReadersVerdictInABox) {
  ShowActive();
  ClickOn(ctl::kFindDevice);
  EXPECT_EQ(Text(ctl::kStatusLine), "Detect device OK,ver1A2");
  ClickOn(ctl::kSetDevice);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, QStringLiteral("Information"));
  EXPECT_EQ(boxes[0].text, QStringLiteral("Set format OK!"));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
  EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(Text(ctl::kStatusLine), "Set format OK!");

  hid.replyByte3 = 'N';
  ClickOn(ctl::kDisconnect);  // a new reader answers 'N'
  ClickOn(ctl::kFindDevice);
  ClickOn(ctl::kSetDevice);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].title, QStringLiteral("ERROR"));
  EXPECT_EQ(boxes[1].text, QStringLiteral("Set format failed!"));
  EXPECT_EQ(boxes[1].icon, QMessageBox::Critical);
}

TEST_F(QtWindowWithReader, NoTrackTickedShowsTheMessageAsTitleOverError) {
  ShowActive();
  ClickOn(ctl::kFindDevice);
  for (int id : {ctl::kOutputTrack1, ctl::kOutputTrack2, ctl::kOutputTrack3}) ClickOn(id);
  ClickOn(ctl::kCardStatus);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, QStringLiteral("You must select any one track to output!"));
  EXPECT_EQ(boxes[0].text, QStringLiteral("Error"));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);

  // The box as it shows is wider than its whole title, with room for the
  // title bar's icon and buttons.
  int width = 0, titleWidth = 0;
  window.SetMessageBoxHook([&](QMessageBox& box) {
    box.show();
    QApplication::processEvents();
    width = box.width();
    titleWidth = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle());
    box.hide();
  });
  ClickOn(ctl::kCardStatus);
  EXPECT_GT(titleWidth, 200);
  EXPECT_GE(width, titleWidth + 4 * QFontMetrics(window.font()).height());
}

TEST_F(QtWindowWithReader, TheRealBoxRunsModallyOverTheWindowUntilClosed) {
  window.SetMessageBoxHook(nullptr);
  ShowActive();
  ClickOn(ctl::kFindDevice);
  RecordedBox seen{};
  bool found = false;
  bool windowBlocked = false;
  int tries = 0;
  // Looks for the running box and closes it with its OK button.
  std::function<void()> closeBox = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr && ++tries < 200) {
      QTimer::singleShot(10, closeBox);
      return;
    }
    if (box == nullptr) {
      // Never block the run: close whatever box there is.
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* any = qobject_cast<QMessageBox*>(w)) any->done(0);
      }
      return;
    }
    found = true;
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->parentWidget() == &window};
    windowBlocked = QApplication::activeModalWidget() == box && box->isVisible();
    box->button(QMessageBox::Ok)->click();
  };
  QTimer::singleShot(0, closeBox);
  ClickOn(ctl::kSetDevice);  // returns once the box is closed
  ASSERT_TRUE(found);
  EXPECT_TRUE(windowBlocked);
  EXPECT_EQ(seen.title, QStringLiteral("Information"));
  EXPECT_EQ(seen.text, QStringLiteral("Set format OK!"));
  EXPECT_EQ(seen.icon, QMessageBox::Information);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_TRUE(seen.ownedByWindow);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(endResults.empty());
}

// A reader that the user may not open, over the simulated reader's Linux
// behaviour: no reader in the status line, then the box that says why, with
// the fix; a box with its message in the title as wide as the title.
TEST(QtWindowAccessRefused, SaysTheReaderWasFoundAndHowToGetAccess) {
  for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
    sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
    auto& reader = config.interfaces.at(sim::kSaneReaderIndex);
    reader.opens = false;
    reader.permissionDenied = true;
    sim::SimulatedHidSystem hid(config);
    ModuleState state;
    QtWindow window;
    MainDialog dialog(window, hid, state);
    dialog.SetStartLanguage(language);
    window.Attach(dialog);
    std::vector<std::pair<QString, QString>> boxes;
    std::string statusAtBox;
    window.SetMessageBoxHook([&](QMessageBox& box) {
      boxes.emplace_back(box.windowTitle(), box.text());
      statusAtBox = window.GetText(ctl::kStatusLine);
      EXPECT_EQ(box.icon(), QMessageBox::Critical);
    });
    window.Initialise();
    qobject_cast<QPushButton*>(window.Control(ctl::kFindDevice))->click();
    EXPECT_FALSE(dialog.ReaderOpen());
    EXPECT_EQ(statusAtBox, language == UiLanguage::English ? "Device disconnected!" : "设备未连接!");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, QStringLiteral("Error"));
    const std::string text = boxes[0].second.toStdString();
    EXPECT_EQ(text, AccessRefusedText(reader.path, language));
    EXPECT_NE(text.find(std::string(kReaderUdevRule)), std::string::npos);
    EXPECT_NE(text.find("sudo udevadm trigger"), std::string::npos);
  }
  // Any other failure to open stays "no reader", without a box.
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces.at(sim::kSaneReaderIndex).opens = false;
  sim::SimulatedHidSystem hid(config);
  ModuleState state;
  QtWindow window;
  MainDialog dialog(window, hid, state);
  window.Attach(dialog);
  int boxes = 0;
  window.SetMessageBoxHook([&](QMessageBox&) { ++boxes; });
  window.Initialise();
  qobject_cast<QPushButton*>(window.Control(ctl::kFindDevice))->click();
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Device disconnected!");
  EXPECT_EQ(boxes, 0);
}

// The window over the reader that `magcfg --simulate` uses.
TEST(QtWindowDemoReader, FindsTheReaderAndSetsItsFormat) {
  const std::unique_ptr<reader::HidSystem> hid = sim::MakeDemoHidSystem();
  ModuleState state;
  QtWindow window;
  MainDialog dialog(window, *hid, state);
  window.Attach(dialog);
  std::vector<QString> boxes;
  window.SetMessageBoxHook([&](QMessageBox& box) { boxes.push_back(box.windowTitle() + "|" + box.text()); });
  window.Initialise();
  qobject_cast<QPushButton*>(window.Control(ctl::kFindDevice))->click();
  EXPECT_EQ(window.GetText(ctl::kStatusLine).rfind("Detect device OK,ver", 0), 0u) << window.GetText(ctl::kStatusLine);
  qobject_cast<QPushButton*>(window.Control(ctl::kSetDevice))->click();
  EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("Information|Set format OK!")});
}

}  // namespace
}  // namespace magcfg::qt::test
