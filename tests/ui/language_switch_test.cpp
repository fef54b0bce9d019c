#include "ui/language_switch.h"

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using LanguageSwitchTest = DialogTest;

const char kEnglishHint[] = "before swipe the magnetic card please make sure the cursor is here!";
const char kChineseHint[] = "刷卡前点击此文本框!";

TEST_F(LanguageSwitchTest, ChineseSwitchSetsEveryCaptionTheListAndTheHint) {
  Click(ctl::kLanguageChinese);
  EXPECT_EQ(state.language, UiLanguage::Chinese);
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(window.GetText(row.control), row.text.chinese) << row.control;
  EXPECT_EQ(window.GetText(ctl::kCrTrack3), "三轨数据结束时带回车(CR)");
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), kChineseHint);
  const auto& list = window.Control(ctl::kTrackSelection);
  ASSERT_EQ(list.entries.size(), 7u);
  EXPECT_EQ(list.entries[5], "5:读1,3,轨");
  EXPECT_EQ(list.selected, 0);
}

TEST_F(LanguageSwitchTest, LeavesStatusSentinelsChecksAndTrackBoxesAlone) {
  window.SetText(ctl::kStatusLine, "Set format OK!");
  window.OperatorTypes(ctl::kTrack1Start, "A");
  window.SetText(ctl::kTrack1Data, "track one");
  Click(ctl::kOutputTrack2);
  Click(ctl::kLanguageChinese);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Set format OK!");
  EXPECT_EQ(window.GetText(ctl::kTrack1Start), "A");
  EXPECT_EQ(window.GetText(ctl::kTrack1Data), "track one");
  EXPECT_FALSE(window.Control(ctl::kOutputTrack2).checked);
  EXPECT_EQ(window.GetText(ctl::kStatusCaption), "状态信息");
}

TEST_F(LanguageSwitchTest, SameLanguageAgainStillResetsListAndHint) {
  window.SelectListEntry(ctl::kTrackSelection, 4);
  window.SetText(ctl::kSwipeBox, "typed");
  Click(ctl::kLanguageEnglish);
  EXPECT_EQ(window.Control(ctl::kTrackSelection).selected, 0);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), kEnglishHint);
}

TEST_F(LanguageSwitchTest, StopsWhenItsButtonIsUncheckedAndTheOtherLanguageIsInForce) {
  // English in force, the Chinese choice unchecked: the Chinese switch changes nothing.
  window.SetText(ctl::kSwipeBox, "typed");
  window.SelectListEntry(ctl::kTrackSelection, 3);
  dialog.OnNotify(ctl::kLanguageChinese, Notification::Clicked);
  EXPECT_EQ(state.language, UiLanguage::English);
  EXPECT_EQ(window.GetText(ctl::kFindDevice), "Find Device");
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "typed");
  EXPECT_EQ(window.Control(ctl::kTrackSelection).selected, 3);
}

TEST_F(LanguageSwitchTest, GoesOnWhenItsButtonIsUncheckedButItsLanguageIsInForce) {
  // Neither radio checked and English in force: the English switch still applies.
  window.Control(ctl::kLanguageEnglish).checked = false;
  window.SetText(ctl::kSwipeBox, "typed");
  dialog.OnNotify(ctl::kLanguageEnglish, Notification::Clicked);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), kEnglishHint);
  EXPECT_EQ(state.language, UiLanguage::English);
  // The Chinese switch, button unchecked, language English: nothing happens.
  dialog.OnNotify(ctl::kLanguageChinese, Notification::Clicked);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), kEnglishHint);
}

TEST_F(LanguageSwitchTest, RestoreSwipeHintFollowsTheRadioButtonsNotTheFlag) {
  window.SetText(ctl::kSwipeBox, "x");
  window.Control(ctl::kLanguageEnglish).checked = false;
  window.Control(ctl::kLanguageChinese).checked = true;  // flag still English
  Press(ctl::kClearSwipe);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), kChineseHint);
  window.Control(ctl::kLanguageChinese).checked = false;
  window.SetText(ctl::kSwipeBox, "x");
  dialog.OnNotify(ctl::kSwipeBox, Notification::FocusLost);
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "x");  // neither checked: unchanged
}

TEST_F(LanguageSwitchTest, MessagesFollowTheLanguageAtTheMomentTheyAreShown) {
  Press(ctl::kDisconnect);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "No device connected!");
  Click(ctl::kLanguageChinese);
  Press(ctl::kDisconnect);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "设备未连接!");
  Press(ctl::kSetDevice);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "设备尚未连接!");
  Press(ctl::kFindDevice);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "设备未连接!");
  Click(ctl::kLanguageEnglish);
  Press(ctl::kFindDevice);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Device disconnected!");
}

}  // namespace
}  // namespace magcfg::test
