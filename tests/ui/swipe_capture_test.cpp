#include "ui/swipe_capture.h"

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

class SwipeCaptureTest : public DialogTest {
 protected:
  SwipeCaptureTest() { dialog.OnNotify(ctl::kSwipeBox, Notification::FocusGained); }

  std::array<std::string, 3> Boxes() const {
    return {window.GetText(ctl::kTrack1Data), window.GetText(ctl::kTrack2Data), window.GetText(ctl::kTrack3Data)};
  }
  using Boxes3 = std::array<std::string, 3>;
};

TEST_F(SwipeCaptureTest, WorkedExampleCharacterByCharacter) {
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");  // emptied on focus
  struct Step {
    const char* typed;
    Boxes3 shown;
  };
  const Step steps[] = {
      {"%", {"", "", ""}},        {"B", {"", "", ""}},        {"1", {"B", "", ""}},
      {"2", {"B1", "", ""}},      {"3", {"B12", "", ""}},     {"^", {"B123", "", ""}},
      {"X", {"B123^", "", ""}},   {"?", {"B123^X", "", ""}},  {";", {"B123^X", "", ""}},
      {"4", {"B123^X", "", ""}},  {"5", {"B123^X", "4", ""}}, {"6", {"B123^X", "45", ""}},
      {"=", {"B123^X", "456", ""}}, {"7", {"B123^X", "456=", ""}}, {"?", {"B123^X", "456=7", ""}},
  };
  for (const Step& step : steps) {
    Type(step.typed);
    EXPECT_EQ(Boxes(), step.shown) << "after " << step.typed;
  }
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");  // every '?' empties the box with the default sentinels
  // The reader's Enter: the box stores a line break.
  SwipeBoxBecomes("\r\n");
  EXPECT_EQ(Boxes(), (Boxes3{"B123^X", "456=7", ""}));
  EXPECT_EQ(state.capture.capturing, (std::array<bool, 3>{false, false, false}));
  for (const auto& t : state.capture.tracks) EXPECT_TRUE(t.empty());
  EXPECT_EQ(window.Control(ctl::kSwipeBox).selStart, 0);
  EXPECT_EQ(window.Control(ctl::kSwipeBox).selEnd, 2);
  EXPECT_EQ(window.Control(ctl::kSwipeBox).caretScrolls, 1);
  EXPECT_EQ(window.focus, ctl::kSwipeBox);
  // The next swipe's first character blanks the boxes.
  SwipeBoxBecomes("%");
  EXPECT_EQ(Boxes(), (Boxes3{"", "", ""}));
}

TEST_F(SwipeCaptureTest, APastedSwipeIsJudgedByItsLastCharacterAlone) {
  SwipeBoxBecomes("%B123^X?;456=7?");
  EXPECT_EQ(Boxes(), (Boxes3{"", "", ""}));
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");
  for (const auto& t : state.capture.tracks) EXPECT_TRUE(t.empty());
}

TEST_F(SwipeCaptureTest, QuestionMarkInsideDataEndsTheTrackThere) {
  Type("%AB?CD");
  EXPECT_EQ(state.capture.tracks[0], U"AB");
  EXPECT_FALSE(state.capture.capturing[0]);
}

TEST_F(SwipeCaptureTest, OtherStartSentinelsAreDataAndOwnSentinelRestarts) {
  Type("%A;+B");
  EXPECT_EQ(state.capture.tracks[0], U"A;+B");
  Type("%C");
  EXPECT_EQ(state.capture.tracks[0], U"C");
  EXPECT_FALSE(state.capture.capturing[1]);
  EXPECT_FALSE(state.capture.capturing[2]);
}

TEST_F(SwipeCaptureTest, EndSentinelsOtherThanQuestionMarkDoNotEndACapture) {
  state.sentinels.texts = {"%", "#", ";", "#", "+", "#"};
  Type("%AB#C");
  EXPECT_TRUE(state.capture.capturing[0]);
  EXPECT_EQ(state.capture.tracks[0], U"AB#C");
  // The track-3 end sentinel empties the box; '?' no longer does.
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "C");
  Type("?");
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "C?");
  EXPECT_FALSE(state.capture.capturing[0]);
}

TEST_F(SwipeCaptureTest, EmptyStartSentinelNeverStartsItsTrack) {
  state.sentinels.texts = {"", "?", ";", "?", "", "?"};
  Type("%AB");
  EXPECT_FALSE(state.capture.capturing[0]);
  Type(";CD");
  EXPECT_TRUE(state.capture.capturing[1]);
  EXPECT_EQ(state.capture.tracks[1], U"CD");
}

TEST_F(SwipeCaptureTest, SharedStartSentinelGoesToTheLowestTrack) {
  state.sentinels.texts = {";", "?", ";", "?", ";", "?"};
  Type(";X");
  EXPECT_TRUE(state.capture.capturing[0]);
  EXPECT_FALSE(state.capture.capturing[1]);
}

TEST_F(SwipeCaptureTest, LineFeedBetweenTracksEndsTheSwipeThere) {
  Type("%AB?");
  SwipeBoxBecomes("\n");
  Type(";CD?");
  EXPECT_EQ(Boxes(), (Boxes3{"", "CD", ""}));
}

TEST_F(SwipeCaptureTest, FocusLostMidSwipeThenRegainedContinuesTheTrack) {
  Type("%AB");
  dialog.OnNotify(ctl::kSwipeBox, Notification::FocusLost);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "before swipe the magnetic card please make sure the cursor is here!");
  EXPECT_TRUE(state.capture.capturing[0]);
  dialog.OnNotify(ctl::kSwipeBox, Notification::FocusGained);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "");
  Type("C?");
  EXPECT_EQ(window.GetText(ctl::kTrack1Data), "ABC");
}

TEST_F(SwipeCaptureTest, ClearShowsTheHintAndChangesNothingElse) {
  Type("%AB?;C");
  const auto before = state.capture.tracks;
  const auto shown = Boxes();
  Press(ctl::kClearSwipe);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "before swipe the magnetic card please make sure the cursor is here!");
  EXPECT_EQ(state.capture.tracks, before);
  EXPECT_TRUE(state.capture.capturing[1]);
  EXPECT_EQ(Boxes(), shown);
}

TEST_F(SwipeCaptureTest, DeletingEverythingChangesNothing) {
  Type("%AB");
  const auto shown = Boxes();
  SwipeBoxBecomes("");
  EXPECT_EQ(Boxes(), shown);
  EXPECT_EQ(state.capture.tracks[0], U"AB");
}

TEST_F(SwipeCaptureTest, TypedCharacterAfterAPassiveReadRewritesTheBoxes) {
  window.SetText(ctl::kTrack1Data, "from the reader");
  Type("x");
  EXPECT_EQ(Boxes(), (Boxes3{"", "", ""}));
}

TEST_F(SwipeCaptureTest, CharactersBeyondLatin1AreOneCharacterEach) {
  state.sentinels.texts = {"€", "?", ";", "?", "+", "?"};
  Type("€日本?");
  EXPECT_EQ(window.GetText(ctl::kTrack1Data), "日本");
}

TEST_F(SwipeCaptureTest, SentinelsComeFromTheSetNotThePanel) {
  window.OperatorTypes(ctl::kTrack1Start, "A");  // edited, not sent with Set Device
  Type("AB");
  EXPECT_FALSE(state.capture.capturing[0]);
  Type("%B");
  EXPECT_TRUE(state.capture.capturing[0]);
}

}  // namespace
}  // namespace magcfg::test
