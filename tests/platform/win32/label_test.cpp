// The five text labels: the colour request the dialog reflects to them,
// their fonts, and what they own.
#include <gtest/gtest.h>

#include "platform/win32/label_control.h"
#include "platform/win32/text_convert.h"
#include "res/control_ids.h"
#include "tests/platform/win32/window_rig.h"

namespace magcfg::win32::test {
namespace {

LOGFONTW DefaultGuiFont() {
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  return font;
}

LOGFONTW FontOf(HGDIOBJ font) {
  LOGFONTW desc{};
  GetObjectW(font, sizeof(desc), &desc);
  return desc;
}

COLORREF BrushColour(HBRUSH brush) {
  LOGBRUSH desc{};
  GetObjectW(brush, sizeof(desc), &desc);
  return desc.lbColor;
}

// A memory device context with known settings, restored when done.
class ProbeDc {
 public:
  ProbeDc() : dc_(CreateCompatibleDC(nullptr)) {
    originalFont_ = GetCurrentObject(dc_, OBJ_FONT);
    SetTextColor(dc_, RGB(1, 2, 3));
    SetBkMode(dc_, OPAQUE);
  }
  ~ProbeDc() {
    SelectObject(dc_, originalFont_);
    DeleteDC(dc_);
  }
  HDC get() const { return dc_; }
  HGDIOBJ OriginalFont() const { return originalFont_; }

 private:
  HDC dc_;
  HGDIOBJ originalFont_;
};

struct Expected {
  int control;
  bool bold;
  bool ownFace;  // "Microsoft Sans Serif" instead of the default GUI font's face
};
constexpr Expected kLabels[] = {
    {ctl::kStatusLine, true, false},    {ctl::kInstructionsFrame, true, false}, {ctl::kInstruction1, false, true},
    {ctl::kInstruction2, false, true}, {ctl::kNoticeLine, false, true},
};

using TextLabels = WindowTest;

TEST_F(TextLabels, EachLabelAnswersTheStaticColourRequestWithItsFontRedAndTransparency) {
  const LOGFONTW defaults = DefaultGuiFont();
  for (const Expected& e : kLabels) {
    SCOPED_TRACE(testing::Message() << "control " << e.control);
    const LabelControl* label = window.Label(e.control);
    ASSERT_NE(label, nullptr);
    ProbeDc dc;
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(Item(e.control))));
    EXPECT_EQ(brush, label->Brush());
    EXPECT_EQ(BrushColour(brush), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(255, 0, 0));
    EXPECT_EQ(GetBkMode(dc.get()), TRANSPARENT);
    const HGDIOBJ selected = GetCurrentObject(dc.get(), OBJ_FONT);
    EXPECT_EQ(selected, label->Font());
    const LOGFONTW font = FontOf(selected);
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfWeight, e.bold ? 700 : defaults.lfWeight);
    EXPECT_EQ(std::wstring(font.lfFaceName), e.ownFace ? std::wstring(L"Microsoft Sans Serif") : std::wstring(defaults.lfFaceName));
  }
}

TEST_F(TextLabels, OtherKindsOfRequestGetOnlyTheBrush) {
  const LabelControl* label = window.Label(ctl::kStatusLine);
  ASSERT_NE(label, nullptr);
  for (UINT kind : {WM_CTLCOLORBTN, WM_CTLCOLOREDIT, WM_CTLCOLORDLG}) {
    ProbeDc dc;
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(hwnd, kind, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(Item(ctl::kStatusLine))));
    EXPECT_EQ(brush, label->Brush()) << "kind " << kind;
    EXPECT_EQ(GetTextColor(dc.get()), RGB(1, 2, 3)) << "kind " << kind;
    EXPECT_EQ(GetBkMode(dc.get()), OPAQUE) << "kind " << kind;
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), dc.OriginalFont()) << "kind " << kind;
  }
}

TEST_F(TextLabels, ControlsThatAreNotLabelsGetTheDialogDefault) {
  for (int control : {ctl::kStatusCaption, ctl::kTrack1Label, ctl::kDeviceFrame}) {
    ProbeDc dc;
    const LRESULT answer =
        SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(Item(control)));
    EXPECT_NE(reinterpret_cast<HBRUSH>(answer), window.Label(ctl::kStatusLine)->Brush()) << control;
    EXPECT_NE(GetTextColor(dc.get()), RGB(255, 0, 0)) << control;
    EXPECT_NE(GetCurrentObject(dc.get(), OBJ_FONT), window.Label(ctl::kStatusLine)->Font()) << control;
  }
}

TEST_F(TextLabels, FontsAndBrushesAreDeletedWithTheWindow) {
  std::vector<HGDIOBJ> owned;
  for (const Expected& e : kLabels) {
    owned.push_back(window.Label(e.control)->Font());
    owned.push_back(window.Label(e.control)->Brush());
  }
  for (HGDIOBJ object : owned) ASSERT_NE(GetObjectType(object), 0u);
  DestroyWindow(hwnd);
  for (HGDIOBJ object : owned) EXPECT_EQ(GetObjectType(object), 0u);
  EXPECT_EQ(window.Label(ctl::kStatusLine), nullptr);
}

// A label on a static window of its own, outside the dialog.
class LabelAlone : public ::testing::Test {
 protected:
  void SetUp() override {
    control = CreateWindowExW(0, L"Static", L"text", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(control, nullptr);
  }
  void TearDown() override { DestroyWindow(control); }
  HWND control = nullptr;
};

TEST_F(LabelAlone, UnstyledLabelDrawsInTheDefaultGuiFontAndWindowTextColour) {
  LabelControl label(control);
  const LOGFONTW defaults = DefaultGuiFont();
  const LOGFONTW font = FontOf(label.Font());
  EXPECT_EQ(font.lfHeight, defaults.lfHeight);
  EXPECT_EQ(font.lfWeight, defaults.lfWeight);
  EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(defaults.lfFaceName));
  ProbeDc dc;
  EXPECT_EQ(SendMessageW(control, kReflectedBase + WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), 0),
            reinterpret_cast<LRESULT>(label.Brush()));
  EXPECT_EQ(GetTextColor(dc.get()), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(GetBkMode(dc.get()), TRANSPARENT);
}

TEST_F(LabelAlone, ColourChangeRedrawsWithoutANewFontAndWeightFollowsTheFlag) {
  LabelControl label(control);
  LabelStyle style;
  style.height = -12;
  style.weight = kWeightBold;
  label.Apply(style);
  const int builds = label.FontBuilds();
  style.textColour = Rgb(0, 0, 255);
  label.Apply(style);
  EXPECT_EQ(label.FontBuilds(), builds) << "a colour change must not rebuild the font";
  EXPECT_EQ(label.TextColour(), RGB(0, 0, 255));
  style.weight = kWeightNormal;
  label.Apply(style);
  EXPECT_EQ(label.FontBuilds(), builds + 1);
  EXPECT_EQ(FontOf(label.Font()).lfWeight, 400);
  EXPECT_EQ(FontOf(label.Font()).lfHeight, -12);
}

TEST(LabelFont, FaceNamesAreCutTo31Characters) {
  LOGFONTW defaults{};
  defaults.lfHeight = -11;
  defaults.lfWeight = 400;
  wcscpy(defaults.lfFaceName, L"Tahoma");
  LabelStyle style;
  style.faceName = std::string(40, 'x');
  const LOGFONTW desc = LabelFontDescription(defaults, style);
  EXPECT_EQ(std::wstring(desc.lfFaceName), std::wstring(31, L'x'));
  EXPECT_EQ(desc.lfHeight, -11) << "unset fields keep the default";
  EXPECT_EQ(desc.lfWeight, 400);
  style.faceName = "\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91";  // four CJK characters
  EXPECT_EQ(std::wstring(LabelFontDescription(defaults, style).lfFaceName), L"\x5FAE\x8F6F\x96C5\x9ED1");
}

}  // namespace
}  // namespace magcfg::win32::test
