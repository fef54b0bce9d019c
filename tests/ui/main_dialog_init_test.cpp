#include <gtest/gtest.h>

#include <algorithm>

#include "res/control_ids.h"
#include "res/control_table.h"
#include "tests/support/dialog_rig.h"
#include "ui/dialog_keys.h"
#include "ui/dialog_units.h"

namespace magcfg::test {
namespace {

using MainDialogInitTest = DialogTest;

TEST_F(MainDialogInitTest, FirstShowState) {
  EXPECT_EQ(state.language, UiLanguage::English);
  for (const CaptionRow& row : CaptionTable()) EXPECT_EQ(window.GetText(row.control), row.text.english) << row.control;
  EXPECT_EQ(window.GetText(ctl::kCrTrack3), "Output (CR) flag at the end of Track 3");
  EXPECT_FALSE(window.Control(ctl::kLanguageChinese).visible);
  EXPECT_FALSE(window.Control(ctl::kLanguageEnglish).visible);
  EXPECT_TRUE(window.Control(ctl::kLanguageEnglish).checked);
  EXPECT_FALSE(window.Control(ctl::kLanguageChinese).checked);
  EXPECT_FALSE(window.Control(ctl::kGetVersion).enabled);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "");
  const auto& list = window.Control(ctl::kTrackSelection);
  ASSERT_EQ(list.entries.size(), 7u);
  EXPECT_EQ(list.entries[list.selected], "0:Track2,3");
  EXPECT_EQ(window.GetText(ctl::kSwipeBox), "before swipe the magnetic card please make sure the cursor is here!");
  EXPECT_EQ(window.icon, 136);
  EXPECT_EQ(InitialFocusControl(), ctl::kFindDevice);
  EXPECT_FALSE(dialog.ReaderOpen());
}

// Started in Chinese (the user's locale or --language zh), the window is
// exactly what the Chinese choice makes of the English one.
TEST(MainDialogStartLanguage, ChineseStartEqualsTheEnglishWindowSwitchedToChinese) {
  FakeWindow started, switched;
  sim::SimulatedHidSystem hid(NoInterfaces());
  ModuleState startedState, switchedState;
  MainDialog inChinese(started, hid, startedState);
  inChinese.SetStartLanguage(UiLanguage::Chinese);
  inChinese.OnInitDialog();
  MainDialog inEnglish(switched, hid, switchedState);
  inEnglish.OnInitDialog();
  switched.OperatorToggles(ctl::kLanguageChinese);
  inEnglish.OnNotify(ctl::kLanguageChinese, Notification::Clicked);

  EXPECT_EQ(startedState.language, UiLanguage::Chinese);
  EXPECT_EQ(switchedState.language, UiLanguage::Chinese);
  for (const ControlSpec& c : MainDialogControls()) {
    if (c.id == ctl::kNone) continue;
    SCOPED_TRACE(c.id);
    EXPECT_EQ(started.Control(c.id).text, switched.Control(c.id).text);
    EXPECT_EQ(started.Control(c.id).checked, switched.Control(c.id).checked);
    EXPECT_EQ(started.Control(c.id).enabled, switched.Control(c.id).enabled);
    EXPECT_EQ(started.Control(c.id).entries, switched.Control(c.id).entries);
    EXPECT_EQ(started.Control(c.id).selected, switched.Control(c.id).selected);
  }
  EXPECT_EQ(started.GetText(ctl::kFindDevice), "查找设备");
  EXPECT_EQ(started.GetText(ctl::kSwipeBox), "刷卡前点击此文本框!");
  // Messages follow: the status line of a command without a reader.
  inChinese.OnNotify(ctl::kSetDevice, Notification::Clicked);
  EXPECT_EQ(started.GetText(ctl::kStatusLine), "设备尚未连接!");
}

TEST_F(MainDialogInitTest, SwipeBoxGetsTheChineseHintBeforeTheDefaultChecksAndEnglishLast) {
  // Icon, labels, sentinel boxes, the Chinese hint, default checks, then the English texts.
  const auto& ops = window.operations;
  const auto at = [&](std::string_view kind, int control = 0) {
    const std::string op = control == 0 ? std::string(kind) : Operation(kind, control);
    return std::find(ops.begin(), ops.end(), op) - ops.begin();
  };
  EXPECT_LT(at("Icon"), at("Label", ctl::kStatusLine));
  EXPECT_LT(at("Label", ctl::kNoticeLine), at("Limit", ctl::kTrack1Start));
  EXPECT_LT(at("SetText", ctl::kTrack3End), at("SetText", ctl::kSwipeBox));
  EXPECT_LT(at("SetText", ctl::kSwipeBox), at("Check", ctl::kOutputTrack1));
  EXPECT_LT(at("Enable", ctl::kCrPacket), at("Check", ctl::kLanguageEnglish));
  EXPECT_LT(at("Check", ctl::kLanguageEnglish), at("SetText", ctl::kDeviceFrame));
}

TEST_F(MainDialogInitTest, LabelsAreRedTwelvePixelsBoldWhereChosen) {
  const Colour red = Rgb(255, 0, 0);
  EXPECT_EQ(red, 0x0000FFu);
  for (int id : {ctl::kStatusLine, ctl::kInstructionsFrame}) {
    const LabelStyle& s = window.Control(id).labelStyle;
    EXPECT_EQ(s.height, -12) << id;
    EXPECT_EQ(s.weight, kWeightBold) << id;
    EXPECT_EQ(s.textColour, red) << id;
    EXPECT_FALSE(s.faceName.has_value()) << id;  // the default GUI font's face
  }
  for (int id : {ctl::kInstruction1, ctl::kInstruction2, ctl::kNoticeLine}) {
    const LabelStyle& s = window.Control(id).labelStyle;
    EXPECT_EQ(s.faceName, "Microsoft Sans Serif") << id;
    EXPECT_EQ(s.height, -12) << id;
    EXPECT_FALSE(s.weight.has_value()) << id;  // the default GUI font's weight
    EXPECT_EQ(s.textColour, red) << id;
  }
  // Each setter redraws: height, bold and colour; face, height and colour.
  EXPECT_EQ(window.Control(ctl::kStatusLine).labelRedraws, 3);
  EXPECT_EQ(window.Control(ctl::kInstruction1).labelRedraws, 3);
}

TEST(TextLabel, SettersChainRedrawAndKeepAtMost31CharactersOfTheFace) {
  FakeWindow window;
  TextLabel label;
  label.Attach(window, ctl::kStatusLine);
  label.SetBold(true).SetBold(false);
  EXPECT_EQ(label.Style().weight, kWeightNormal);
  label.SetFaceName(std::string(40, 'F'));
  EXPECT_EQ(label.Style().faceName->size(), 31u);
  // A cut never splits a character.
  label.SetFaceName(std::string(30, 'F') + "字");
  EXPECT_EQ(*label.Style().faceName, std::string(30, 'F'));
  label.SetForeColor(Rgb(1, 2, 3));
  EXPECT_EQ(window.Control(ctl::kStatusLine).labelStyle.textColour, 0x030201u);
  EXPECT_EQ(window.Control(ctl::kStatusLine).labelRedraws, 5);
}

TEST_F(MainDialogInitTest, OkCancelAndCloseEndTheWindow) {
  dialog.OnOk();
  EXPECT_EQ(window.endResult, kDialogOk);
  dialog.OnCancel();
  EXPECT_EQ(window.endResult, kDialogCancel);
}

TEST(DialogKeys, EnterDependsOnTheFocusedControl) {
  EXPECT_EQ(ResolveEnterKey(ctl::kTrack1Start), KeyAction::EndDialogOk);    // sentinel box
  EXPECT_EQ(ResolveEnterKey(ctl::kOutputTrack1), KeyAction::EndDialogOk);    // check box
  EXPECT_EQ(ResolveEnterKey(ctl::kTrack1Data), KeyAction::EndDialogOk);    // read-only track box
  EXPECT_EQ(ResolveEnterKey(ctl::kTrackSelection), KeyAction::EndDialogOk);    // list
  EXPECT_EQ(ResolveEnterKey(-1), KeyAction::EndDialogOk);      // nothing addressed
  EXPECT_EQ(ResolveEnterKey(ctl::kSetDevice), KeyAction::ClickButton);    // a focused push button is pressed
  EXPECT_EQ(ResolveEnterKey(ctl::kSwipeBox), KeyAction::PassToControl);  // the swipe box takes the line break
  EXPECT_EQ(ResolveEscapeKey(), KeyAction::EndDialogCancel);
}

TEST(DialogUnits, ConvertAsTheDialogManagerDoes) {
  // 52 letters 312 px wide: average 6 px; font height 13 px.
  const DialogBaseUnits base = BaseUnitsFromFont(312, 13);
  EXPECT_EQ(base.x, 6);
  EXPECT_EQ(base.y, 13);
  EXPECT_EQ(DialogUnitsToPixels(402, 337, 402, 337, base), (PixelRect{603, 548, 603, 548}));
  EXPECT_EQ(DialogUnitsToPixels(7, 4, 197, 34, base), (PixelRect{11, 7, 296, 55}));
  // Odd average widths round up: 338 px -> 13 per letter pair -> 7.
  EXPECT_EQ(BaseUnitsFromFont(338, 15).x, 7);
}

}  // namespace
}  // namespace magcfg::test
