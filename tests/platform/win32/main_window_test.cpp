// The main window under a real dialog manager: its controls as created from
// template 102, its state when first shown, the routing of notifications to
// the window logic, Enter and Escape, the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cwctype>
#include <functional>
#include <vector>

#include "platform/win32/text_convert.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "res/texts.h"
#include "tests/platform/win32/window_rig.h"
#include "ui/dialog_units.h"

namespace magcfg::win32::test {
namespace {

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  std::wstring lower(name);
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return lower;
}

const wchar_t* LowerClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::StaticText:
      return L"static";
    case ControlKind::Edit:
      return L"edit";
    case ControlKind::DropDownList:
      return L"combobox";
    default:
      return L"button";
  }
}

std::vector<HWND> ChildrenInOrder(HWND dialog) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

struct PixelBox {
  LONG x, y, width, height;
};

// The dialog manager converts place and size each on its own, so the
// rectangle's right and bottom are not converted corners.
PixelBox DialogUnitsBox(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, width, height};
  MapDialogRect(dialog, &r);
  return {r.left, r.top, r.right, r.bottom};
}

PixelBox BoxInClient(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// --- The controls as created

using MainWindowControls = WindowTest;

TEST_F(MainWindowControls, FiftyControlsInTemplateOrderWithTheirIdsAndClasses) {
  const auto table = MainDialogControls();
  const std::vector<HWND> children = ChildrenInOrder(hwnd);
  ASSERT_EQ(children.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", control " << table[i].id);
    EXPECT_EQ(GetDlgCtrlID(children[i]), table[i].id);
    EXPECT_EQ(ClassName(children[i]), LowerClassOf(table[i].kind));
    if (table[i].id != ctl::kNone) {
      EXPECT_EQ(Item(table[i].id), children[i]);
    }
  }
}

TEST_F(MainWindowControls, StylesThatTheTableCarries) {
  const auto table = MainDialogControls();
  const std::vector<HWND> children = ChildrenInOrder(hwnd);
  ASSERT_EQ(children.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlSpec& c = table[i];
    SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", control " << c.id << " (" << c.role << ")");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(children[i], GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(children[i], GWL_EXSTYLE));
    // A radio button takes the tab stop while it is checked.
    if (c.kind != ControlKind::AutoRadioButton) {
      EXPECT_EQ((style & WS_TABSTOP) != 0, c.Has(style::kTabStop));
    }
    if (c.kind == ControlKind::DropDownList) {
      // The combo box hands its scroll bar to the list it drops.
      COMBOBOXINFO info{};
      info.cbSize = sizeof(info);
      ASSERT_TRUE(GetComboBoxInfo(children[i], &info));
      const auto listStyle = static_cast<DWORD>(GetWindowLongPtrW(info.hwndList, GWL_STYLE));
      EXPECT_EQ((listStyle & WS_VSCROLL) != 0, c.Has(style::kVScroll));
    } else {
      EXPECT_EQ((style & WS_VSCROLL) != 0, c.Has(style::kVScroll));
    }
    // The dialog manager may turn an edit box's border into a client edge.
    EXPECT_EQ((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0, c.Has(style::kBorder));
    if (c.kind == ControlKind::Edit) {
      EXPECT_EQ((style & ES_CENTER) != 0, c.Has(style::kCentered));
      EXPECT_EQ((style & ES_MULTILINE) != 0, c.Has(style::kMultiLine));
      EXPECT_EQ((style & ES_READONLY) != 0, c.Has(style::kReadOnly));
      EXPECT_EQ((style & ES_AUTOHSCROLL) != 0, c.Has(style::kAutoHScroll));
      EXPECT_EQ((style & ES_AUTOVSCROLL) != 0, c.Has(style::kAutoVScroll));
      EXPECT_EQ((style & ES_WANTRETURN) != 0, c.Has(style::kWantReturn));
    } else if (c.kind == ControlKind::StaticText) {
      EXPECT_EQ((style & SS_TYPEMASK) == SS_RIGHT, c.Has(style::kRightAligned));
      EXPECT_EQ((style & SS_SUNKEN) != 0, c.Has(style::kSunkenEdge));
    } else if (c.kind == ControlKind::PushButton) {
      EXPECT_EQ((style & BS_MULTILINE) != 0, c.Has(style::kMultiLine));
      EXPECT_NE(style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    } else if (c.kind == ControlKind::DropDownList) {
      EXPECT_EQ(style & 3u, static_cast<DWORD>(CBS_DROPDOWNLIST));
      EXPECT_EQ(style & CBS_SORT, 0u) << "the list keeps the order of its entries";
    }
  }
}

TEST_F(MainWindowControls, PlacesAndSizesInDialogUnits) {
  const auto table = MainDialogControls();
  const std::vector<HWND> children = ChildrenInOrder(hwnd);
  ASSERT_EQ(children.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlSpec& c = table[i];
    SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", control " << c.id << " (" << c.role << ")");
    const PixelBox expected = DialogUnitsBox(hwnd, c.x, c.y, c.width, c.height);
    const PixelBox actual = BoxInClient(hwnd, children[i]);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.width, expected.width);
    if (c.kind == ControlKind::DropDownList) {
      // A drop-down list is as tall as its selection field; the template
      // height is that of the field with the list dropped, which the
      // platform may trim to whole entries.
      RECT dropped{};
      SendMessageW(children[i], CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      EXPECT_LE(dropped.bottom - dropped.top, expected.height);
      EXPECT_GT(dropped.bottom - dropped.top, 2 * actual.height) << "room for entries below the field";
    } else {
      EXPECT_EQ(actual.height, expected.height);
    }
  }
}

TEST_F(MainWindowControls, DialogFrameCaptionAndSize) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
  EXPECT_EQ(style & WS_THICKFRAME, 0u);
  EXPECT_NE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(WindowText(hwnd), Utf8ToWide(MainDialogSpec().caption));
  RECT client{};
  GetClientRect(hwnd, &client);
  const PixelBox expected = DialogUnitsBox(hwnd, 0, 0, MainDialogSpec().width, MainDialogSpec().height);
  EXPECT_EQ(client.right, expected.width);
  EXPECT_EQ(client.bottom, expected.height);
}

// --- Moved to a monitor of another DPI. Wine starts a program at one DPI and
// never sends WM_DPICHANGED; the test sends it as Windows does.

struct DpiRow {
  UINT dpi;
  LONG fontHeight;   // the template's 9 points
  LONG labelHeight;  // the labels' 12 px at 96 DPI
};
constexpr DpiRow kDpiRows[] = {{144, -18, -18}, {192, -24, -24}, {120, -15, -15}, {96, -12, -12}};

LONG FontHeight(HGDIOBJ font) {
  LOGFONTW desc{};
  return GetObjectW(font, sizeof desc, &desc) == 0 ? 0 : desc.lfHeight;
}

using MainWindowDpi = WindowTest;

TEST_F(MainWindowDpi, TemplateAndLabelFontsMadeAgainForEachDpi) {
  const auto table = MainDialogControls();
  const std::vector<HWND> children = ChildrenInOrder(hwnd);
  ASSERT_EQ(children.size(), table.size());
  ASSERT_EQ(window.Dpi(), 96u) << "the tests' prefix runs at 96 DPI";
  const auto place = [&](std::size_t i) {
    const PixelBox box = BoxInClient(hwnd, children[i]);
    return PixelRect{box.x, box.y, box.width, box.height};
  };
  std::vector<PixelRect> madeByTheDialogManager;
  for (std::size_t i = 0; i < children.size(); ++i) madeByTheDialogManager.push_back(place(i));

  for (const DpiRow& row : kDpiRows) {
    SCOPED_TRACE(testing::Message() << row.dpi << " dpi");
    RECT suggested{40, 30, 700, 600};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(row.dpi, row.dpi), reinterpret_cast<LPARAM>(&suggested));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(children[0], WM_GETFONT, 0, 0));
    EXPECT_EQ(FontHeight(font), row.fontHeight);
    const DialogBaseUnits base = BaseUnitsOf(font);
    for (std::size_t i = 0; i < table.size(); ++i) {
      const ControlSpec& c = table[i];
      EXPECT_EQ(SendMessageW(children[i], WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font)) << c.id;
      PixelRect expected = DialogUnitsToPixels(c.x, c.y, c.width, c.height, base);
      // A drop-down list is as tall as its field (see PlacesAndSizesInDialogUnits).
      if (c.kind == ControlKind::DropDownList) expected.height = place(i).height;
      EXPECT_EQ(place(i), expected) << c.id;
      if (row.dpi == 96) {
        EXPECT_EQ(place(i), madeByTheDialogManager[i]) << c.id << ": not as the dialog manager made it";
      }
    }
    RECT client{}, frame{};
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &frame);
    const PixelRect area = DialogUnitsToPixels(0, 0, MainDialogSpec().width, MainDialogSpec().height, base);
    EXPECT_EQ((PixelRect{frame.left, frame.top, client.right, client.bottom}),
              (PixelRect{suggested.left, suggested.top, area.width, area.height}));
    for (int label : {ctl::kStatusLine, ctl::kInstructionsFrame, ctl::kInstruction1, ctl::kInstruction2,
                      ctl::kNoticeLine}) {
      ASSERT_NE(window.Label(label), nullptr);
      EXPECT_EQ(FontHeight(window.Label(label)->Font()), row.labelHeight) << "label " << label;
    }
  }
}

// --- First show

using MainWindowFirstShow = WindowTest;

TEST_F(MainWindowFirstShow, EnglishCaptionsEverywhere) {
  for (const CaptionRow& row : CaptionTable()) {
    EXPECT_EQ(Text(row.control), Utf8ToWide(row.text.english)) << "control " << row.control;
  }
  EXPECT_EQ(Text(ctl::kCrTrack3), L"Output (CR) flag at the end of Track 3");
  EXPECT_EQ(Text(ctl::kSwipeBox), L"before swipe the magnetic card please make sure the cursor is here!");
}

TEST_F(MainWindowFirstShow, LanguageChoiceHiddenGetVersionGreyedStatusEmpty) {
  const std::vector<HWND> children = ChildrenInOrder(hwnd);
  ASSERT_GE(children.size(), 5u);
  EXPECT_FALSE(IsWindowVisible(children[2])) << "language frame";
  EXPECT_FALSE(IsWindowVisible(Item(ctl::kLanguageChinese)));
  EXPECT_FALSE(IsWindowVisible(Item(ctl::kLanguageEnglish)));
  EXPECT_TRUE(Checked(ctl::kLanguageEnglish));
  EXPECT_FALSE(Checked(ctl::kLanguageChinese));
  EXPECT_FALSE(IsWindowEnabled(Item(ctl::kGetVersion)));
  EXPECT_TRUE(IsWindowVisible(Item(ctl::kGetVersion)));
  EXPECT_EQ(Text(ctl::kStatusLine), L"");
  for (const ControlSpec& c : MainDialogControls()) {
    if (c.id == ctl::kNone || c.Has(style::kHidden)) continue;
    EXPECT_TRUE(IsWindowVisible(Item(c.id))) << "control " << c.id;
  }
}

TEST_F(MainWindowFirstShow, FormatPanelDefaults) {
  const int boxes[6] = {ctl::kTrack1Start, ctl::kTrack1End, ctl::kTrack2Start,
                        ctl::kTrack2End,   ctl::kTrack3Start, ctl::kTrack3End};
  const wchar_t* sentinels[6] = {L"%", L"?", L";", L"?", L"+", L"?"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Text(boxes[i]), sentinels[i]) << "box " << boxes[i];
  for (int id : {ctl::kOutputTrack1, ctl::kOutputTrack2, ctl::kOutputTrack3, ctl::kCrPacket}) {
    EXPECT_TRUE(Checked(id)) << id;
    EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  }
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_FALSE(Checked(id)) << id;
    EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
  }
}

TEST_F(MainWindowFirstShow, SentinelBoxesTakeOneCharacter) {
  const HWND box = Item(ctl::kTrack1Start);
  EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 1);
  SendMessageW(box, EM_SETSEL, 0, -1);
  SendMessageW(box, WM_CHAR, L'A', 1);
  SendMessageW(box, WM_CHAR, L'B', 1);
  EXPECT_EQ(Text(ctl::kTrack1Start), L"A");
  // One character up to U+00FE: U+00FF is the byte of an empty box, and a
  // wider character has no byte. Typed or pasted, it is taken back.
  struct Row {
    const wchar_t* typed;
    const wchar_t* kept;
  };
  const Row rows[] = {{L"\u00FE", L"\u00FE"}, {L"\u00FF", L"\u00FE"}, {L"\u20AC", L"\u00FE"}, {L"\u00E9", L"\u00E9"}};
  for (const Row& row : rows) {
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_CHAR, row.typed[0], 1);
    EXPECT_EQ(Text(ctl::kTrack1Start), row.kept) << static_cast<unsigned>(row.typed[0]);
  }
  SendMessageW(box, EM_SETSEL, 0, -1);
  SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\u00FF"));  // as a paste does
  EXPECT_EQ(Text(ctl::kTrack1Start), L"\u00E9");
}

TEST_F(MainWindowFirstShow, TrackListHasSevenEnglishEntriesFirstSelected) {
  const HWND list = Item(ctl::kTrackSelection);
  ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 7);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(WindowText(list), L"0:Track2,3");
  const auto entries = TrackSelectionEntries();
  for (int i = 0; i < 7; ++i) {
    wchar_t entry[64] = {};
    ASSERT_LT(SendMessageW(list, CB_GETLBTEXTLEN, i, 0), 64);
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::wstring(entry), Utf8ToWide(entries[i].english)) << "entry " << i;
  }
}

TEST_F(MainWindowFirstShow, FindDeviceHasTheFocus) { EXPECT_EQ(GetFocus(), Item(ctl::kFindDevice)); }

TEST_F(MainWindowFirstShow, BigAndSmallIconFromIcon136) {
  const auto big = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
  EXPECT_NE(big, nullptr);
  EXPECT_NE(small, nullptr);
  EXPECT_EQ(big, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(MainDialogSpec().iconId)));
  // While a minimised window is dragged, the platform shows this icon.
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0)), big);
}

// --- Routing of notifications

using MainWindowRouting = WindowTest;

TEST_F(MainWindowRouting, PacketCrClickReleasesTheTrackCrBoxes) {
  Click(ctl::kCrPacket);  // unticks it
  EXPECT_FALSE(Checked(ctl::kCrPacket));
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  Click(ctl::kCrTrack2);  // ticks it: the packet box goes grey
  EXPECT_TRUE(Checked(ctl::kCrTrack2));
  EXPECT_FALSE(IsWindowEnabled(Item(ctl::kCrPacket)));
}

TEST_F(MainWindowRouting, FindDeviceWithNoInterfaceReportsNoReaderAndPauses) {
  Click(ctl::kFindDevice);
  EXPECT_EQ(Text(ctl::kStatusLine), L"Device disconnected!");
  EXPECT_EQ(sim.Seen().pausesMs, std::vector<int>{100});
  Click(ctl::kDisconnect);
  EXPECT_EQ(Text(ctl::kStatusLine), L"No device connected!");
}

TEST_F(MainWindowRouting, CommandsWithoutAControlAreNotRouted) {
  // A menu command with the ID of Find Device carries no control window.
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ctl::kFindDevice, 0), 0);
  EXPECT_TRUE(sim.Seen().pausesMs.empty());
  // A combo box notification that shares a code with a button click.
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ctl::kTrackSelection, BN_CLICKED),
               reinterpret_cast<LPARAM>(Item(ctl::kTrackSelection)));
  EXPECT_EQ(Text(ctl::kStatusLine), L"");
}

TEST_F(MainWindowRouting, SwipeBoxEmptiesOnFocusAndTakesTheHintBackWhenLeft) {
  SetFocus(Item(ctl::kSwipeBox));
  PumpMessages(hwnd);
  EXPECT_EQ(Text(ctl::kSwipeBox), L"");
  SetFocus(Item(ctl::kTrack1Start));
  PumpMessages(hwnd);
  EXPECT_EQ(Text(ctl::kSwipeBox), L"before swipe the magnetic card please make sure the cursor is here!");
}

TEST_F(MainWindowRouting, TypedSwipeIsSplitIntoTheTrackBoxes) {
  SetFocus(Item(ctl::kSwipeBox));
  PumpMessages(hwnd);
  for (wchar_t c : std::wstring(L"%B1234^CARD^99?;5678=01?")) {
    SendMessageW(Item(ctl::kSwipeBox), WM_CHAR, c, 1);
  }
  EXPECT_EQ(Text(ctl::kTrack1Data), L"B1234^CARD^99");
  EXPECT_EQ(Text(ctl::kTrack2Data), L"5678=01");
  EXPECT_EQ(Text(ctl::kTrack3Data), L"");
}

// Counts the swipe box's EN_CHANGE notifications that reach the dialog.
LRESULT CALLBACK CountSwipeChanges(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
  if (message == WM_COMMAND && LOWORD(wParam) == ctl::kSwipeBox && HIWORD(wParam) == EN_CHANGE) {
    ++*reinterpret_cast<int*>(count);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(MainWindowRouting, SettingTheSwipeBoxTextRaisesNoChange) {
  int changes = 0;
  ASSERT_TRUE(SetWindowSubclass(hwnd, CountSwipeChanges, 1, reinterpret_cast<DWORD_PTR>(&changes)));
  window.SetText(ctl::kSwipeBox, "%ABC?");
  PumpMessages(hwnd);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Text(ctl::kTrack1Data), L"");
  // Typing does raise it.
  SendMessageW(Item(ctl::kSwipeBox), WM_CHAR, L'x', 1);
  EXPECT_EQ(changes, 1);
  RemoveWindowSubclass(hwnd, CountSwipeChanges, 1);
}

// --- The window port on real controls

using Win32WindowPort = WindowTest;

TEST_F(Win32WindowPort, TextsCrossAsUtf8BothWays) {
  window.SetText(ctl::kStatusLine, "设备已连接,ver102");
  EXPECT_EQ(Text(ctl::kStatusLine), L"\x8bbe\x5907\x5df2\x8fde\x63a5,ver102");
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "设备已连接,ver102");
  // Controls without an ID are never addressed, though the dialog has several.
  window.SetText(ctl::kNone, "x");
  EXPECT_EQ(WindowText(ChildrenInOrder(hwnd)[2]), L"\x8BED\x8A00\x9009\x9879(Language option)");
  EXPECT_EQ(window.GetText(ctl::kNone), "");
  EXPECT_EQ(window.GetText(4242), "");  // no such control
}

TEST_F(Win32WindowPort, ChecksEnablingAndListOperations) {
  window.SetChecked(ctl::kCrTrack1, true);  // also on a disabled box
  EXPECT_TRUE(window.IsChecked(ctl::kCrTrack1));
  EXPECT_FALSE(window.IsEnabled(ctl::kCrTrack1));
  window.SetEnabled(ctl::kGetVersion, true);
  EXPECT_TRUE(IsWindowEnabled(Item(ctl::kGetVersion)));
  window.ResetList(ctl::kTrackSelection);
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), -1);
  window.AddListEntry(ctl::kTrackSelection, "b");
  window.AddListEntry(ctl::kTrackSelection, "a");
  window.SelectListEntry(ctl::kTrackSelection, 1);
  EXPECT_EQ(window.SelectedListEntry(ctl::kTrackSelection), 1);
  EXPECT_EQ(WindowText(Item(ctl::kTrackSelection)), L"a") << "unsorted: entries keep their order";
}

TEST_F(Win32WindowPort, SelectionCountsCharactersNotUtf16Units) {
  window.SetText(ctl::kTrack1Data, "a\xF0\x9F\x98\x80" "bc");  // U+1F600 takes two UTF-16 units
  window.SelectText(ctl::kTrack1Data, 1, 3);
  DWORD from = 0, to = 0;
  SendMessageW(Item(ctl::kTrack1Data), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 1u);
  EXPECT_EQ(to, 4u);
  window.SelectText(ctl::kTrack1Data, 0, 1000);  // past the end: up to the end
  SendMessageW(Item(ctl::kTrack1Data), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(to, 5u);
}

// --- Minimised

TEST(MinimisedIcon, CentredWithTruncationTowardZero) {
  EXPECT_EQ(MinimisedIconOrigin(100, 60, 32, 32).x, 34);
  EXPECT_EQ(MinimisedIconOrigin(100, 60, 32, 32).y, 14);
  EXPECT_EQ(MinimisedIconOrigin(101, 61, 32, 32).x, 35);  // (101 - 32 + 1) / 2
  // A client area smaller than the icon: -31 / 2 is -15, not -16.
  EXPECT_EQ(MinimisedIconOrigin(0, 0, 32, 32).x, -15);
  EXPECT_EQ(MinimisedIconOrigin(0, 1, 32, 32).y, -15);
}

LRESULT CALLBACK WatchIconErase(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR seen) {
  if (message == WM_ICONERASEBKGND) *reinterpret_cast<HDC*>(seen) = reinterpret_cast<HDC>(wParam);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

using MainWindowMinimised = WindowTest;

TEST_F(MainWindowMinimised, PaintsTheIconBackgroundThroughIconErase) {
  HDC seen = nullptr;
  ASSERT_TRUE(SetWindowSubclass(hwnd, WatchIconErase, 1, reinterpret_cast<DWORD_PTR>(&seen)));
  SendMessageW(hwnd, WM_PAINT, 0, 0);
  EXPECT_EQ(seen, nullptr) << "a window that is not minimised paints as usual";
  ShowWindow(hwnd, SW_MINIMIZE);
  PumpMessages(hwnd);
  ASSERT_TRUE(IsIconic(hwnd));
  SendMessageW(hwnd, WM_PAINT, 0, 0);
  EXPECT_NE(seen, nullptr) << "no WM_ICONERASEBKGND with the paint device context";
  RemoveWindowSubclass(hwnd, WatchIconErase, 1);
}

}  // namespace
}  // namespace magcfg::win32::test
