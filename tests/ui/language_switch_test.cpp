#include "ui/language_switch.h"

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/support/dialog_fixture.h"

namespace magcfg::test {
namespace {

using LanguageSwitchTest = DialogTest;

const char kEnglishHint[] = "before swipe the magnetic card please make sure the cursor is here!";
const char kChineseHint[] = "刷卡前点击此文本框!";

TEST_F(LanguageSwitchTest, ChineseSwitchSetsEveryCaptionTheListAndTheHint) {
  Click(ctl::kLanguageChinese);
  EXPECT_EQ(state.language, UiLanguage::Chinese);
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(window.GetText(row.control), row.text.chinese) << row.control;
  EXPECT_EQ(window.GetText(1016), "三轨数据结束时带回车(CR)");
  EXPECT_EQ(window.GetText(1040), kChineseHint);
  const auto& list = window.Control(ctl::kTrackSelection);
  ASSERT_EQ(list.entries.size(), 7u);
  EXPECT_EQ(list.entries[5], "5:读1,3,轨");
  EXPECT_EQ(list.selected, 0);
}

TEST_F(LanguageSwitchTest, LeavesStatusSentinelsChecksAndTrackBoxesAlone) {
  window.SetText(ctl::kStatusLine, "Set format OK!");
  window.OperatorTypes(1005, "A");
  window.SetText(1035, "track one");
  Click(1012);
  Click(ctl::kLanguageChinese);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Set format OK!");
  EXPECT_EQ(window.GetText(1005), "A");
  EXPECT_EQ(window.GetText(1035), "track one");
  EXPECT_FALSE(window.Control(1012).checked);
  EXPECT_EQ(window.GetText(1022), "状态信息");
}

TEST_F(LanguageSwitchTest, SameLanguageAgainStillResetsListAndHint) {
  window.SelectListEntry(ctl::kTrackSelection, 4);
  window.SetText(1040, "typed");
  Click(ctl::kLanguageEnglish);
  EXPECT_EQ(window.Control(ctl::kTrackSelection).selected, 0);
  EXPECT_EQ(window.GetText(1040), kEnglishHint);
}

TEST_F(LanguageSwitchTest, StopsWhenItsButtonIsUncheckedAndTheOtherLanguageIsInForce) {
  // English in force, 1002 unchecked: the Chinese switch changes nothing.
  window.SetText(1040, "typed");
  window.SelectListEntry(ctl::kTrackSelection, 3);
  dialog.OnNotify(ctl::kLanguageChinese, Notification::Clicked);
  EXPECT_EQ(state.language, UiLanguage::English);
  EXPECT_EQ(window.GetText(1001), "Find Device");
  EXPECT_EQ(window.GetText(1040), "typed");
  EXPECT_EQ(window.Control(ctl::kTrackSelection).selected, 3);
}

TEST_F(LanguageSwitchTest, GoesOnWhenItsButtonIsUncheckedButItsLanguageIsInForce) {
  // Neither radio checked and English in force: the English switch still applies.
  window.Control(ctl::kLanguageEnglish).checked = false;
  window.SetText(1040, "typed");
  dialog.OnNotify(ctl::kLanguageEnglish, Notification::Clicked);
  EXPECT_EQ(window.GetText(1040), kEnglishHint);
  EXPECT_EQ(state.language, UiLanguage::English);
  // The Chinese switch, button unchecked, language English: nothing happens.
  dialog.OnNotify(ctl::kLanguageChinese, Notification::Clicked);
  EXPECT_EQ(window.GetText(1040), kEnglishHint);
}

TEST_F(LanguageSwitchTest, RestoreSwipeHintFollowsTheRadioButtonsNotTheFlag) {
  window.SetText(1040, "x");
  window.Control(ctl::kLanguageEnglish).checked = false;
  window.Control(ctl::kLanguageChinese).checked = true;  // flag still English
  Press(ctl::kClearSwipe);
  EXPECT_EQ(window.GetText(1040), kChineseHint);
  window.Control(ctl::kLanguageChinese).checked = false;
  window.SetText(1040, "x");
  dialog.OnNotify(1040, Notification::FocusLost);
  EXPECT_EQ(window.GetText(1040), "x");  // neither checked: unchanged
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
