// A swipe typed by the reader into the real swipe box, one key event per
// character, and what the three track boxes show after every change.
#include <QPlainTextEdit>
#include <QTextCursor>
#include <sstream>

#if MAGCFG_HAVE_CLI
#include "cli/program.h"
#include "tests/support/scripted_keyboard.h"
#endif

#include "platform/simulated/demo_reader.h"
#include "reader/typed_swipe.h"
#include "res/control_ids.h"
#include "tests/platform/qt/qt_window_fixture.h"

namespace magcfg::qt::test {
namespace {

class QtSwipeCapture : public QtWindowTest {
 protected:
  void SetUp() override {
    QtWindowTest::SetUp();
    ShowActive();
  }

  // The operator clicks into the swipe box, which empties itself.
  void ClickIntoSwipeBox() {
    ClickOn(ctl::kSwipeBox);
    ASSERT_EQ(FocusedControl(), ctl::kSwipeBox);
    ASSERT_EQ(Text(ctl::kSwipeBox), "");
  }

  std::vector<std::string> TrackBoxes() const { return {Text(ctl::kTrack1Data), Text(ctl::kTrack2Data), Text(ctl::kTrack3Data)}; }
  QPlainTextEdit* SwipeBox() const { return As<QPlainTextEdit>(ctl::kSwipeBox); }
};

using Boxes = std::vector<std::string>;

#if MAGCFG_HAVE_CLI
// The same typed text split by the window, typed into its swipe box one key
// event at a time, and by magcfg-cli swipes, read as the reader's key events:
// the track boxes after each line break and the printed lines agree.
TEST_F(QtSwipeCapture, TheWindowAndTheCommandLineSplitTheSameTypedTextAlike) {
  const std::string texts[] = {
      "%B123^X?;456=7?\n",
      "%B4111111111111111^DOE/JOHN^2512101?;4111111111111111=2512101?+011234567890123456=00000000000000000?\n",
      "%A;+B%C?x;12\n+ZZ?%?\n",  // a restart, data between tracks, a line break in a track
      "%AB\n\n;9?\n",              // no end sentinel, an empty swipe
  };
  ClickIntoSwipeBox();  // once: each text ends a swipe, and the next one replaces the selected line break
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    std::vector<Boxes> window;
    for (const char c : text) {
      if (c == '\n') {
        Key(Qt::Key_Return);
        window.push_back(TrackBoxes());
      } else {
        Type(QString(QLatin1Char(c)));
      }
    }

    magcfg::test::ScriptedKeyboard keyboard({"/dev/input/event5"});
    keyboard.Types("/dev/input/event5", text);
    cli::HidSystems systems;
    systems.keyboards = [&keyboard] {
      return std::shared_ptr<reader::KeyboardPort>(&keyboard, [](reader::KeyboardPort*) {});
    };
    const std::vector<std::string> args = {"swipes", "--show-card-data", "--count", std::to_string(window.size())};
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::RunProgram(args, systems, out, err), 0) << err.str();
    std::vector<Boxes> printed;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      Boxes tracks(1);
      for (const char c : line) {
        if (c == '\t') {
          tracks.emplace_back();
        } else {
          tracks.back().push_back(c);
        }
      }
      printed.push_back(tracks);
    }
    EXPECT_EQ(printed, window);
  }
}
#endif

TEST_F(QtSwipeCapture, TheReaderTypesTwoTracksAndEnter) {
  ClickIntoSwipeBox();
  struct Step {
    char typed;
    const char* swipeBox;  // after the change
    Boxes tracks;
  };
  const Step steps[] = {
      {'%', "%", {"", "", ""}},
      {'B', "%B", {"", "", ""}},
      {'1', "%B1", {"B", "", ""}},
      {'2', "%B12", {"B1", "", ""}},
      {'3', "%B123", {"B12", "", ""}},
      {'^', "%B123^", {"B123", "", ""}},
      {'X', "%B123^X", {"B123^", "", ""}},
      {'?', "", {"B123^X", "", ""}},  // the track-3 end sentinel empties the box
      {';', ";", {"B123^X", "", ""}},
      {'4', ";4", {"B123^X", "", ""}},
      {'5', ";45", {"B123^X", "4", ""}},
      {'6', ";456", {"B123^X", "45", ""}},
      {'=', ";456=", {"B123^X", "456", ""}},
      {'7', ";456=7", {"B123^X", "456=", ""}},
      {'?', "", {"B123^X", "456=7", ""}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "after '" << step.typed << "' (box " << step.swipeBox << ")");
    Type(QString(QLatin1Char(step.typed)));
    EXPECT_EQ(Text(ctl::kSwipeBox), step.swipeBox);
    EXPECT_EQ(TrackBoxes(), step.tracks);
  }

  Key(Qt::Key_Return);
  EXPECT_EQ(TrackBoxes(), (Boxes{"B123^X", "456=7", ""}));
  EXPECT_EQ(Text(ctl::kSwipeBox), "\n");
  const QTextCursor cursor = SwipeBox()->textCursor();
  EXPECT_EQ(cursor.selectionStart(), 0);
  EXPECT_EQ(cursor.selectionEnd(), 1);  // the line break is selected
  EXPECT_EQ(FocusedControl(), ctl::kSwipeBox);
  EXPECT_EQ(state.capture.capturing, (std::array<bool, 3>{false, false, false}));
  for (const auto& track : state.capture.tracks) EXPECT_TRUE(track.empty());
  EXPECT_TRUE(endResults.empty());

  // The next swipe's first character replaces the selected line break, and
  // its change blanks the three track boxes.
  Type(QStringLiteral("%"));
  EXPECT_EQ(Text(ctl::kSwipeBox), "%");
  EXPECT_EQ(TrackBoxes(), (Boxes{"", "", ""}));
  EXPECT_TRUE(state.capture.capturing[0]);
}

TEST_F(QtSwipeCapture, APastedSwipeIsJudgedByItsLastCharacterAlone) {
  ClickIntoSwipeBox();
  Type(QStringLiteral("%AB"));
  ASSERT_EQ(TrackBoxes(), (Boxes{"A", "", ""}));
  SwipeBox()->insertPlainText(QStringLiteral("CD;99?"));  // one change
  EXPECT_EQ(TrackBoxes(), (Boxes{"AB", "", ""}));         // nothing of the paste was captured
  EXPECT_EQ(Text(ctl::kSwipeBox), "");
  EXPECT_EQ(state.capture.capturing, (std::array<bool, 3>{false, false, false}));

  // A paste that ends in a line break ends the swipe.
  Type(QStringLiteral("+7"));
  SwipeBox()->insertPlainText(QStringLiteral("8?x\n"));
  EXPECT_EQ(TrackBoxes(), (Boxes{"AB", "", "7"}));
  EXPECT_EQ(Text(ctl::kSwipeBox), "+78?x\n");
  const QTextCursor cursor = SwipeBox()->textCursor();
  EXPECT_EQ(cursor.selectionStart(), 0);
  EXPECT_EQ(cursor.selectionEnd(), 6);
  for (const auto& track : state.capture.tracks) EXPECT_TRUE(track.empty());
}

TEST_F(QtSwipeCapture, LosingTheFocusMidSwipeShowsTheHintAndTheTrackGoesOnAfterwards) {
  ClickIntoSwipeBox();
  Type(QStringLiteral("%AB"));
  Key(Qt::Key_Tab);  // the focus moves on to Clear
  ASSERT_NE(FocusedControl(), ctl::kSwipeBox);
  EXPECT_EQ(Text(ctl::kSwipeBox), "before swipe the magnetic card please make sure the cursor is here!");
  EXPECT_TRUE(state.capture.capturing[0]);  // the capture goes on
  EXPECT_EQ(TrackBoxes(), (Boxes{"A", "", ""}));

  ClickIntoSwipeBox();  // emptied again
  Type(QStringLiteral("C"));
  Type(QStringLiteral("?"));
  EXPECT_EQ(TrackBoxes(), (Boxes{"ABC", "", ""}));
}

TEST_F(QtSwipeCapture, ClearShowsTheHintAndChangesNothingElse) {
  ClickIntoSwipeBox();
  Type(QStringLiteral(";12"));
  const Boxes before = TrackBoxes();
  const std::string status = Text(ctl::kStatusLine);
  window.SetFocus(ctl::kSwipeBox);
  ClickOn(ctl::kClearSwipe);
  EXPECT_EQ(Text(ctl::kSwipeBox), "before swipe the magnetic card please make sure the cursor is here!");
  EXPECT_EQ(TrackBoxes(), before);
  EXPECT_EQ(Text(ctl::kStatusLine), status);
  EXPECT_TRUE(state.capture.capturing[1]);
  EXPECT_EQ(state.capture.tracks[1], U"12");
  EXPECT_EQ(Text(ctl::kTrack1Start), "%");
}

TEST_F(QtSwipeCapture, DeletingTheWholeTextChangesNothingElse) {
  ClickIntoSwipeBox();
  Type(QStringLiteral("%AB"));
  SwipeBox()->selectAll();
  Key(Qt::Key_Delete);
  EXPECT_EQ(Text(ctl::kSwipeBox), "");
  EXPECT_EQ(TrackBoxes(), (Boxes{"A", "", ""}));
  EXPECT_EQ(state.capture.tracks[0], U"AB");
}

TEST_F(QtSwipeCapture, CharactersBeyondOneByteAndNoBreakSpacesArriveUnchanged) {
  ClickIntoSwipeBox();
  Type(QStringLiteral("%\u00A0\u00E9\u4E2D"));
  EXPECT_EQ(Text(ctl::kSwipeBox), "%\u00A0\u00E9\u4E2D");
  Type(QStringLiteral("?"));
  EXPECT_EQ(TrackBoxes(), (Boxes{"\u00A0\u00E9\u4E2D", "", ""}));
}

TEST_F(QtSwipeCapture, TheDemoCardAsTheSimulatedReaderTypesItFillsTheThreeTrackBoxes) {
  const reader::CardSwipe card = reader::SampleSwipe();
  const std::string typed = reader::TypedSwipe(reader::ReaderFormat{}, card);
  ASSERT_EQ(typed.back(), reader::kTypedEnter);
  ClickIntoSwipeBox();
  for (char c : typed) {
    if (c == reader::kTypedEnter) {
      Key(Qt::Key_Return, QStringLiteral("\r"));
    } else {
      Type(QString(QLatin1Char(c)));
    }
  }
  EXPECT_EQ(TrackBoxes(), (Boxes{card.tracks[0], card.tracks[1], card.tracks[2]}));
  EXPECT_EQ(Text(ctl::kSwipeBox), "\n");
  EXPECT_TRUE(endResults.empty());
}

}  // namespace
}  // namespace magcfg::qt::test
