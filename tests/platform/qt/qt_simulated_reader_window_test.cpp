// The window that stands in for the reader with --simulate, beside the real
// main window over the simulated reader, offscreen: where it shows, that it
// leaves the keyboard focus alone, and what each sample card does to the main
// window in active and in passive upload.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextCursor>
#include <QWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/keyboard_wedge.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/simulated_reader_window.h"
#include "platform/simulated/demo_reader.h"
#include "platform/simulated/reader_state_words.h"
#include "platform/simulated/simulated_hid.h"
#include "reader/typed_swipe.h"
#include "res/control_ids.h"
#include "res/texts.h"
#include "ui/main_dialog.h"

namespace magcfg::qt::test {
namespace {

using Boxes = std::vector<std::string>;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(2);
  }
  return true;
}

// The main window over the simulated reader (on a virtual clock, so the
// commands never sleep), with the reader's window beside it.
class SimulatedReaderWindowTest : public ::testing::Test {
 protected:
  SimulatedReaderWindowTest() : hid(sim::SaneReaderConfig()), dialog(window, hid, state) {}

  void SetUp() override {
    window.Attach(dialog);
    window.SetMessageBoxHook([this](QMessageBox& box) { boxes.push_back(box.text().toStdString()); });
    window.Initialise();
    readerWindow = std::make_unique<SimulatedReaderWindow>(hid.Reader(), window, UiLanguage::English);
  }

  void TearDown() override {
    window.hide();
    QApplication::processEvents();
  }

  void ShowActive() {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  // Shows both windows and finds the reader.
  void StartWithReader() {
    ShowActive();
    ClickOn(ctl::kFindDevice);
    ASSERT_TRUE(dialog.ReaderOpen());
  }

  int FocusedControl() const {
    const QWidget* focus = QApplication::focusWidget();
    for (QWidget* widget : window.Widgets()) {
      if (focus != nullptr && (widget == focus || widget->isAncestorOf(focus))) {
        return widget->property("controlId").toInt();
      }
    }
    return -2;
  }

  void ClickOn(int id) {
    QWidget* widget = window.Control(id);
    ASSERT_NE(widget, nullptr);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) widget = area->viewport();
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
  }

  void ClickIntoSwipeBox() {
    ClickOn(ctl::kSwipeBox);
    ASSERT_EQ(FocusedControl(), ctl::kSwipeBox);
    ASSERT_EQ(window.GetText(ctl::kSwipeBox), "");
  }

  // The operator replaces a sentinel box's character.
  void SetSentinelBox(int id, QChar character) {
    ClickOn(id);
    auto* box = qobject_cast<QLineEdit*>(window.Control(id));
    ASSERT_NE(box, nullptr);
    box->selectAll();
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
    ASSERT_EQ(box->text(), QString(character));
  }

  // A click on a card's button as the window system delivers it, so that a
  // window blocked by a modal one does not get it.
  void ClickCard(SampleCard card) {
    QPushButton* button = readerWindow->CardButton(card);
    ASSERT_NE(button, nullptr);
    QWidget* top = button->window();
    ASSERT_NE(top->windowHandle(), nullptr);
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, button->mapTo(top, button->rect().center()));
  }

  // A click on a card's button, then the wait until the reader has typed.
  void Swipe(SampleCard card) {
    ClickCard(card);
    ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); })) << "the reader is still typing";
    QApplication::processEvents();
  }

  Boxes TrackBoxes() const {
    return {window.GetText(ctl::kTrack1Data), window.GetText(ctl::kTrack2Data), window.GetText(ctl::kTrack3Data)};
  }
  std::string Label(const char* name) const {
    const auto* label = readerWindow->findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label == nullptr ? std::string() : label->text().toStdString();
  }

  sim::SimulatedHidSystem hid;
  ModuleState state;
  QtWindow window;
  MainDialog dialog;
  std::unique_ptr<SimulatedReaderWindow> readerWindow;
  std::vector<std::string> boxes;
};

const reader::CardSwipe kGood = reader::SampleSwipe();
const Boxes kGoodTracks = {kGood.tracks[0], kGood.tracks[1], kGood.tracks[2]};

// --- The window itself

TEST_F(SimulatedReaderWindowTest, ShowsAndHidesWithTheMainWindowAndFollowsIt) {
  EXPECT_FALSE(readerWindow->isVisible());
  // Qt's wayland platform makes it the main window's child only when the
  // main window is shown before it.
  struct OnShow final : QObject {
    std::function<void()> seen;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Show) seen();
      return false;
    }
  } onShow;
  std::optional<bool> mainShownFirst;
  onShow.seen = [&] { mainShownFirst = window.windowHandle() != nullptr && window.windowHandle()->isVisible(); };
  readerWindow->installEventFilter(&onShow);
  ShowActive();
  readerWindow->removeEventFilter(&onShow);
  ASSERT_TRUE(readerWindow->isVisible());
  EXPECT_EQ(mainShownFirst, true);
  EXPECT_EQ(readerWindow->windowHandle()->transientParent(), window.windowHandle());
  EXPECT_TRUE(readerWindow->isWindow());
  EXPECT_FALSE(readerWindow->isModal());
  EXPECT_EQ(readerWindow->windowTitle(), "Simulated reader");
  const QRect available = window.screen()->availableGeometry();
  const auto expected = [&] {
    return PlaceBeside(window.frameGeometry(), readerWindow->frameGeometry().size(), available);
  };
  EXPECT_EQ(readerWindow->frameGeometry().topLeft(), expected());
  EXPECT_TRUE(available.contains(readerWindow->frameGeometry())) << "the whole window is on the screen";

  window.move(available.topLeft() + QPoint(3, 40));
  QApplication::processEvents();
  EXPECT_EQ(readerWindow->frameGeometry().topLeft(), expected());
  EXPECT_EQ(readerWindow->frameGeometry().top(), window.frameGeometry().top());

  window.hide();
  EXPECT_FALSE(readerWindow->isVisible());
}

TEST(SimulatedReaderPlacement, RightOfTheMainWindowElseLeftElseOnTheScreen) {
  const QSize reader(330, 500);
  const QRect screen(0, 0, 1920, 1040);
  // Room on the right.
  EXPECT_EQ(PlaceBeside(QRect(600, 200, 700, 600), reader, screen), QPoint(1300 + kGapBesideMainWindow, 200));
  // None on the right, some on the left.
  EXPECT_EQ(PlaceBeside(QRect(1200, 200, 700, 600), reader, screen), QPoint(1200 - kGapBesideMainWindow - 330, 200));
  // None on either side: at the screen's right edge, over the main window.
  EXPECT_EQ(PlaceBeside(QRect(50, 0, 700, 600), reader, QRect(0, 0, 800, 600)), QPoint(470, 0));
  // Kept on the screen vertically, on a screen that does not start at 0.
  EXPECT_EQ(PlaceBeside(QRect(-1900, 900, 700, 600), reader, QRect(-1920, 0, 1920, 1040)),
            QPoint(-1200 + kGapBesideMainWindow, 1040 - 500));
  EXPECT_EQ(PlaceBeside(QRect(600, -50, 700, 600), reader, screen).y(), 0);
}

TEST(SimulatedReaderPlacement, TheMainWindowMakesRoomOnlyWhereBothFit) {
  const QSize reader(330, 500);
  // Centred on a 1280-wide screen neither side has room; both fit once moved.
  const std::optional<QPoint> moved = MakeRoomBeside(QRect(290, 100, 700, 600), reader, QRect(0, 0, 1280, 1000));
  ASSERT_TRUE(moved.has_value());
  const int pair = 700 + kGapBesideMainWindow + 330;
  EXPECT_EQ(*moved, QPoint((1280 - pair) / 2, 100));
  const QPoint placed = PlaceBeside(QRect(*moved, QSize(700, 600)), reader, QRect(0, 0, 1280, 1000));
  EXPECT_EQ(placed.x(), moved->x() + 700 + kGapBesideMainWindow);
  EXPECT_LE(placed.x() + 330, 1280);

  EXPECT_FALSE(MakeRoomBeside(QRect(100, 100, 700, 600), reader, QRect(0, 0, 1920, 1000)));  // fits already
  EXPECT_FALSE(MakeRoomBeside(QRect(50, 0, 700, 600), reader, QRect(0, 0, 800, 600)));       // never fits
  EXPECT_FALSE(MakeRoomBeside(QRect(50, 0, 700, 600), reader, QRect()));                     // no screen known
}

TEST_F(SimulatedReaderWindowTest, ClickingACardLeavesTheFocusInTheMainWindow) {
  StartWithReader();
  EXPECT_TRUE(readerWindow->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  for (SampleCard card : kSampleCards) EXPECT_EQ(readerWindow->CardButton(card)->focusPolicy(), Qt::NoFocus);

  ClickOn(ctl::kPassiveUpload);  // nothing is typed, so only the click counts
  ClickIntoSwipeBox();
  ClickCard(SampleCard::Good);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &window);
  EXPECT_EQ(FocusedControl(), ctl::kSwipeBox);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");  // no focus change brought the hint back

  // Where the window system activates it all the same (this platform
  // activates every window it shows), it hands the activation back, and the
  // swipe box has the focus again.
  std::vector<QWindow*> activated;
  const QMetaObject::Connection watch = QObject::connect(
      qApp, &QGuiApplication::focusWindowChanged, [&](QWindow* focusWindow) { activated.push_back(focusWindow); });
  readerWindow->hide();
  readerWindow->show();
  EXPECT_TRUE(WaitUntil([&] { return activated.size() >= 2; }, 1000));
  QObject::disconnect(watch);
  ASSERT_FALSE(activated.empty());
  EXPECT_EQ(activated.front(), readerWindow->windowHandle());
  EXPECT_EQ(activated.back(), window.windowHandle());
  EXPECT_EQ(FocusedControl(), ctl::kSwipeBox);
}

TEST_F(SimulatedReaderWindowTest, AModalMainWindowDoesNotBlockIt) {
  // The program runs the main window modally, which blocks every other window.
  window.setWindowModality(Qt::ApplicationModal);
  ShowActive();
  QPushButton unrelated(QStringLiteral("elsewhere"));
  int unrelatedClicks = 0;
  QObject::connect(&unrelated, &QPushButton::clicked, [&] { ++unrelatedClicks; });
  unrelated.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&unrelated));
  QTest::mouseClick(unrelated.windowHandle(), Qt::LeftButton, Qt::NoModifier, unrelated.rect().center());
  ASSERT_EQ(unrelatedClicks, 0) << "the modal main window should block other windows";

  ClickOn(ctl::kPassiveUpload);
  ClickCard(SampleCard::Unreadable);
  EXPECT_EQ(hid.Reader().LastSwipe().kind, reader::CardSwipe::Kind::Failed);
}

// The labels show the reader's state in words, and follow each change the
// main window makes to the reader.
TEST_F(SimulatedReaderWindowTest, ShowsTheReadersStateInWords) {
  hid.Reader().Swipe({});
  StartWithReader();
  const auto expectWords = [this] {
    const sim::ReaderStateWords words = sim::DescribeReader(hid.Reader(), UiLanguage::English);
    EXPECT_EQ(Label("reader_mode"), words.mode);
    EXPECT_EQ(Label("reader_format"), words.format);
    EXPECT_EQ(Label("reader_last_swipe"), words.lastSwipe);
  };
  expectWords();

  ClickOn(ctl::kPassiveUpload);
  ASSERT_EQ(hid.Reader().Mode(), sim::UploadMode::Passive);
  expectWords();
  ClickOn(ctl::kOutputTrack1);
  ClickOn(ctl::kCrPacket);
  ClickOn(ctl::kCrTrack2);
  SetSentinelBox(ctl::kTrack3End, QChar(0xE9));
  ClickOn(ctl::kSetDevice);
  ASSERT_EQ(window.GetText(ctl::kStatusLine), "Set format OK!");
  ASSERT_EQ(hid.Reader().Format().End(3), 0xE9);
  expectWords();

  Swipe(SampleCard::BlankTrack3);
  ASSERT_EQ(hid.Reader().LastSwipe().kind, reader::CardSwipe::Kind::Good);
  expectWords();
}

// Made in Chinese, the window speaks Chinese, and keeps its English title.
TEST_F(SimulatedReaderWindowTest, SpeaksTheLanguageItIsMadeIn) {
  readerWindow.reset();
  SimulatedReaderWindow chinese(hid.Reader(), window, UiLanguage::Chinese);
  EXPECT_EQ(chinese.windowTitle(), "Simulated reader");
  EXPECT_EQ(chinese.CardButton(SampleCard::Good)->text().toStdString(), "刷一张好卡（三个轨道）");
  const auto* mode = chinese.findChild<QLabel*>(QStringLiteral("reader_mode"));
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->text().toStdString(), sim::DescribeReader(hid.Reader(), UiLanguage::Chinese).mode);
  chinese.Swipe(SampleCard::Unreadable);
  const auto* outcome = chinese.findChild<QLabel*>(QStringLiteral("swipe_outcome"));
  ASSERT_NE(outcome, nullptr);
  EXPECT_EQ(outcome->text().toStdString(), "未输入任何字符：无法读取此卡。\u201C查询刷卡状态\u201D会告知程序。");
}

// --- Active upload: the reader types

TEST_F(SimulatedReaderWindowTest, AGoodCardTypedIntoTheSwipeBoxFillsTheThreeTrackBoxes) {
  StartWithReader();
  ClickOn(ctl::kActiveUpload);
  ASSERT_EQ(hid.Reader().Mode(), sim::UploadMode::Active);
  ClickIntoSwipeBox();

  ClickCard(SampleCard::Good);
  // The keys come one by one: the swipe is not there at once.
  EXPECT_TRUE(readerWindow->Typing());
  for (SampleCard card : kSampleCards) EXPECT_FALSE(readerWindow->CardButton(card)->isEnabled());
  ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); }));
  QApplication::processEvents();

  EXPECT_EQ(TrackBoxes(), kGoodTracks);
  // The Enter after the swipe ended it: the line break is selected, the
  // capture is empty and the box keeps the focus.
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "\n");
  const QTextCursor cursor = qobject_cast<QPlainTextEdit*>(window.Control(ctl::kSwipeBox))->textCursor();
  EXPECT_EQ(cursor.selectionEnd() - cursor.selectionStart(), 1);
  EXPECT_EQ(state.capture.capturing, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(FocusedControl(), ctl::kSwipeBox);
  for (SampleCard card : kSampleCards) EXPECT_TRUE(readerWindow->CardButton(card)->isEnabled());
  EXPECT_EQ(Label("swipe_outcome"),
            "Typed " + std::to_string(reader::TypedSwipe({}, kGood).size()) + " characters into the swipe box.");

  // A second swipe of another card replaces the tracks.
  Swipe(SampleCard::BlankTrack3);
  EXPECT_EQ(TrackBoxes(), (Boxes{kGood.tracks[0], kGood.tracks[1], ""}));
}

// Eats the reader window's activation, so that its own hand-back of the
// activation does not run: the window system keeps it active for now.
class KeepsActivation final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowActivate; }
};

// A window system that activates the reader's window for the click on a
// card all the same, and keeps it active: the swipe box loses the focus and
// shows the hint. The focus goes back to the swipe box and the keys wait for
// it, as a real reader's keys arrive where the operator left the focus, and
// the parse reads the swipe, not the hint.
TEST_F(SimulatedReaderWindowTest, ASwipeWhileTheReaderWindowIsActivatedTypesIntoTheSwipeBox) {
  StartWithReader();
  ClickOn(ctl::kActiveUpload);
  ClickIntoSwipeBox();
  KeepsActivation keeps;
  readerWindow->installEventFilter(&keeps);
  bool swiped = false;
  const QMetaObject::Connection watch =
      QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [&](QWindow* focusWindow) {
        if (swiped || focusWindow != readerWindow->windowHandle()) return;
        swiped = true;
        EXPECT_NE(FocusedControl(), ctl::kSwipeBox);
        EXPECT_EQ(window.GetText(ctl::kSwipeBox), std::string(MessageText(MessageKey::SwipeHint, UiLanguage::English)));
        readerWindow->Swipe(SampleCard::Good);  // the click that activated it
      });
  readerWindow->hide();
  readerWindow->show();  // this platform activates every window it shows
  ASSERT_TRUE(WaitUntil([&] { return swiped; }, 1000));
  QObject::disconnect(watch);
  ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); }));
  QApplication::processEvents();

  EXPECT_EQ(TrackBoxes(), kGoodTracks);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "\n");
  EXPECT_EQ(FocusedControl(), ctl::kSwipeBox);
  EXPECT_EQ(Label("swipe_outcome"),
            "Typed " + std::to_string(reader::TypedSwipe({}, kGood).size()) + " characters into the swipe box.");
}

TEST_F(SimulatedReaderWindowTest, TheTypedSwipeUsesTheSentinelsLastSetWithSetDevice) {
  StartWithReader();
  SetSentinelBox(ctl::kTrack1Start, QLatin1Char('#'));
  SetSentinelBox(ctl::kTrack3Start, QChar(0xE9));  // a character beyond ASCII
  ClickOn(ctl::kSetDevice);
  ASSERT_EQ(window.GetText(ctl::kStatusLine), "Set format OK!");
  ASSERT_EQ(hid.Reader().Format().Start(1), '#');
  ASSERT_EQ(hid.Reader().Format().Start(3), 0xE9);

  ClickIntoSwipeBox();
  Swipe(SampleCard::Good);
  EXPECT_EQ(TrackBoxes(), kGoodTracks);

  // A sentinel typed into its box but not set changes neither the reader nor
  // the capture.
  SetSentinelBox(ctl::kTrack1Start, QLatin1Char('*'));
  ClickIntoSwipeBox();
  Swipe(SampleCard::Good);
  EXPECT_EQ(TrackBoxes(), kGoodTracks) << "the capture still reads the sentinels last set";
  EXPECT_EQ(hid.Reader().Format().Start(1), '#');
}

TEST_F(SimulatedReaderWindowTest, WithOnlyTrack2OutputOnlyTrack2Shows) {
  StartWithReader();
  ClickIntoSwipeBox();
  Swipe(SampleCard::Good);
  ASSERT_EQ(TrackBoxes(), kGoodTracks);

  ClickOn(ctl::kOutputTrack1);
  ClickOn(ctl::kOutputTrack3);
  ClickOn(ctl::kSetDevice);
  ASSERT_EQ(window.GetText(ctl::kStatusLine), "Set format OK!");
  ClickIntoSwipeBox();
  Swipe(SampleCard::Good);
  EXPECT_EQ(TrackBoxes(), (Boxes{"", kGood.tracks[1], ""}));
}

TEST_F(SimulatedReaderWindowTest, AnUnreadableCardTypesNothingAndCheckCreditCardStatusReportsTheFailure) {
  StartWithReader();
  ClickIntoSwipeBox();
  Swipe(SampleCard::Unreadable);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");
  EXPECT_EQ(TrackBoxes(), (Boxes{"", "", ""}));
  EXPECT_NE(Label("swipe_outcome").find("could not be read"), std::string::npos) << Label("swipe_outcome");

  ClickOn(ctl::kCardStatus);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "刷卡失败");
  EXPECT_EQ(boxes, (std::vector<std::string>{"刷卡失败"}));
}

// --- Passive upload: the reader keeps the swipe

TEST_F(SimulatedReaderWindowTest, InPassiveUploadNothingIsTypedAndReadCardShowsTheTracks) {
  StartWithReader();
  ClickOn(ctl::kPassiveUpload);
  ASSERT_EQ(hid.Reader().Mode(), sim::UploadMode::Passive);
  // No card has passed the head yet.
  ClickOn(ctl::kCardStatus);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "没有刷卡");
  ClickOn(ctl::kReadCard);
  EXPECT_EQ(TrackBoxes(), (Boxes{"没有刷卡", "没有刷卡", "没有刷卡"}));

  ClickIntoSwipeBox();
  Swipe(SampleCard::Good);
  QTest::qWait(5 * KeyboardWedge::kKeyIntervalMs);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");
  EXPECT_EQ(TrackBoxes(), (Boxes{"没有刷卡", "没有刷卡", "没有刷卡"}));  // nothing typed into them
  EXPECT_NE(Label("swipe_outcome").find("passive"), std::string::npos) << Label("swipe_outcome");

  ClickOn(ctl::kCardStatus);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "刷卡成功");
  qobject_cast<QComboBox*>(window.Control(ctl::kTrackSelection))->setCurrentIndex(6);  // tracks 1, 2, 3
  ClickOn(ctl::kReadCard);
  EXPECT_EQ(TrackBoxes(), kGoodTracks);

  Swipe(SampleCard::BlankTrack3);
  ClickOn(ctl::kReadCard);
  EXPECT_EQ(TrackBoxes(), (Boxes{kGood.tracks[0], kGood.tracks[1], "空白轨道"}));

  Swipe(SampleCard::Unreadable);
  ClickOn(ctl::kReadCard);
  EXPECT_EQ(TrackBoxes(), (Boxes{"刷卡失败", "刷卡失败", "刷卡失败"}));
  ClickOn(ctl::kCardStatus);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "刷卡失败");
}

// --- Where the keys go

TEST_F(SimulatedReaderWindowTest, ASwipeWhileTheLastIsStillTypedIsIgnored) {
  StartWithReader();
  ClickIntoSwipeBox();
  ClickCard(SampleCard::Good);
  ASSERT_TRUE(readerWindow->Typing());
  readerWindow->Swipe(SampleCard::Unreadable);
  EXPECT_EQ(hid.Reader().LastSwipe().kind, reader::CardSwipe::Kind::Good);
  ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); }));
  QApplication::processEvents();
  EXPECT_EQ(TrackBoxes(), kGoodTracks);
}

TEST_F(SimulatedReaderWindowTest, WithNothingFocusedNothingIsTyped) {
  // Neither window is shown: no widget has had the focus.
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  readerWindow->Swipe(SampleCard::Good);
  EXPECT_FALSE(readerWindow->Typing());
  EXPECT_NE(Label("swipe_outcome").find("no box of the program has the keyboard focus"), std::string::npos)
      << Label("swipe_outcome");
  EXPECT_EQ(hid.Reader().LastSwipe().kind, reader::CardSwipe::Kind::Good);
}

TEST_F(SimulatedReaderWindowTest, ABoxOtherThanTheSwipeBoxGetsEveryCharacterInOrder) {
  ShowActive();
  QLineEdit other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  other.setFocus();
  ASSERT_EQ(QApplication::focusWidget(), &other);
  int returns = 0;
  QObject::connect(&other, &QLineEdit::returnPressed, [&] { ++returns; });

  readerWindow->Swipe(SampleCard::Good);
  ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); }));
  QApplication::processEvents();
  std::string typed = reader::TypedSwipe({}, kGood);
  ASSERT_EQ(typed.back(), reader::kTypedEnter);
  typed.pop_back();
  EXPECT_EQ(other.text().toStdString(), typed);
  EXPECT_EQ(returns, 1);  // the Enter key
  EXPECT_NE(Label("swipe_outcome").find("into the focused box"), std::string::npos) << Label("swipe_outcome");
}

TEST_F(SimulatedReaderWindowTest, TypingStopsWhenTheBoxGoesAway) {
  ShowActive();
  auto* other = new QLineEdit;
  other->show();
  other->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(other));
  other->setFocus();
  readerWindow->Swipe(SampleCard::Good);
  ASSERT_TRUE(readerWindow->Typing());
  QTest::qWait(4 * KeyboardWedge::kKeyIntervalMs);
  delete other;
  ASSERT_TRUE(WaitUntil([this] { return !readerWindow->Typing(); }, 1000));
  EXPECT_EQ(Label("swipe_outcome").rfind("Typing stopped after ", 0), 0u) << Label("swipe_outcome");
  for (SampleCard card : kSampleCards) EXPECT_TRUE(readerWindow->CardButton(card)->isEnabled());
}

TEST(KeyboardWedgeKeys, EveryByteIsOneCharacterAndOnlyALineFeedIsADialogKey) {
  for (int byte = 0; byte <= 0xFF; ++byte) {
    SCOPED_TRACE(byte);
    const TypedKey key = KeyForByte(static_cast<unsigned char>(byte));
    if (byte == '\n') {
      EXPECT_EQ(key.key, Qt::Key_Return);
      EXPECT_EQ(key.text, QStringLiteral("\r"));
      continue;
    }
    EXPECT_EQ(key.text, QString(QChar(static_cast<char16_t>(byte))));
    for (int dialogKey : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Backtab,
                          Qt::Key_Backspace, Qt::Key_Delete}) {
      EXPECT_NE(key.key, dialogKey);
    }
  }
  EXPECT_EQ(KeyForByte('a').key, Qt::Key_A);
  EXPECT_EQ(KeyForByte(0xE9).key, Qt::Key_Eacute);
}

}  // namespace
}  // namespace magcfg::qt::test
