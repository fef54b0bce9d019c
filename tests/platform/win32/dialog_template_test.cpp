// The compiled window template against the shared control table, row by
// row, so that the two cannot drift apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "app/version.h"
#include "platform/win32/text_convert.h"
#include "res/control_table.h"
#include "res/texts.h"
#include "tests/platform/win32/dialog_template.h"

namespace magcfg::win32::test {
namespace {

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::PushButton:
    case ControlKind::AutoRadioButton:
    case ControlKind::AutoCheckBox:
      return L"Button";
    case ControlKind::StaticText:
      return L"Static";
    case ControlKind::Edit:
      return L"Edit";
    case ControlKind::DropDownList:
      return L"ComboBox";
  }
  return L"?";
}

// The Win32 style a row of the table stands for. Every flag of the row must
// have a meaning for its kind: a flag that would be dropped is reported.
std::uint32_t Win32Style(const ControlSpec& c, std::uint32_t& unmapped) {
  std::uint32_t s = WS_CHILD;
  std::uint32_t used = 0;
  const auto map = [&](std::uint32_t flag, std::uint32_t win32) {
    if (c.Has(flag)) {
      s |= win32;
      used |= flag;
    }
  };
  if (!c.Has(style::kHidden)) s |= WS_VISIBLE;
  used |= style::kHidden;
  map(style::kDisabled, WS_DISABLED);
  map(style::kTabStop, WS_TABSTOP);
  map(style::kBorder, WS_BORDER);
  map(style::kVScroll, WS_VSCROLL);
  switch (c.kind) {
    case ControlKind::GroupBox:
      s |= BS_GROUPBOX;
      break;
    case ControlKind::PushButton:
      s |= BS_PUSHBUTTON;
      map(style::kMultiLine, BS_MULTILINE);
      break;
    case ControlKind::AutoRadioButton:
      s |= BS_AUTORADIOBUTTON;
      break;
    case ControlKind::AutoCheckBox:
      s |= BS_AUTOCHECKBOX;
      break;
    case ControlKind::StaticText:
      s |= c.Has(style::kRightAligned) ? SS_RIGHT : SS_LEFT;
      used |= style::kRightAligned;
      map(style::kSunkenEdge, SS_SUNKEN);
      break;
    case ControlKind::Edit:
      map(style::kCentered, ES_CENTER);
      map(style::kMultiLine, ES_MULTILINE);
      map(style::kReadOnly, ES_READONLY);
      map(style::kAutoHScroll, ES_AUTOHSCROLL);
      map(style::kAutoVScroll, ES_AUTOVSCROLL);
      map(style::kWantReturn, ES_WANTRETURN);
      break;
    case ControlKind::DropDownList:
      s |= CBS_DROPDOWNLIST;
      break;
  }
  unmapped = c.style & ~used;
  return s;
}

bool SameClass(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

class DialogTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto bytes = ModuleResource(RT_DIALOG, MainDialogSpec().templateId);
    ASSERT_FALSE(bytes.empty()) << "no dialog template " << MainDialogSpec().templateId << " in the resources";
    parsed = ParseDialogTemplateEx(bytes);
    ASSERT_TRUE(parsed.has_value()) << "template is not a well-formed DLGTEMPLATEEX";
  }
  std::optional<DialogTemplate> parsed;
};

TEST_F(DialogTemplateTest, DialogFrameFontSizeAndCaption) {
  const DialogSpec& dialog = MainDialogSpec();
  EXPECT_EQ(parsed->style, static_cast<std::uint32_t>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                                      DS_MODALFRAME | DS_SETFONT));
  EXPECT_EQ(parsed->style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << "the frame is neither maximisable nor resizable";
  EXPECT_EQ(parsed->exStyle, static_cast<std::uint32_t>(WS_EX_APPWINDOW));
  EXPECT_EQ(parsed->width, dialog.width);
  EXPECT_EQ(parsed->height, dialog.height);
  EXPECT_EQ(parsed->pointSize, dialog.fontPointSize);
  EXPECT_EQ(parsed->face, Utf8ToWide(dialog.fontFace));
  EXPECT_EQ(parsed->charset, DEFAULT_CHARSET);
  EXPECT_FALSE(parsed->italic);
  EXPECT_EQ(parsed->caption, Utf8ToWide(dialog.caption));
  EXPECT_FALSE(parsed->hasMenu);
  EXPECT_FALSE(parsed->hasClass);
}

TEST_F(DialogTemplateTest, EveryRowMatchesTheControlTable) {
  const auto table = MainDialogControls();
  ASSERT_EQ(parsed->items.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlSpec& row = table[i];
    const TemplateItem& item = parsed->items[i];
    SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", control " << row.id << " (" << row.role << ")");
    EXPECT_EQ(item.id, row.id);
    EXPECT_TRUE(SameClass(item.className, ClassOf(row.kind))) << WideToUtf8(item.className);
    std::uint32_t unmapped = 0;
    const std::uint32_t expected = Win32Style(row, unmapped);
    EXPECT_EQ(unmapped, 0u) << "table flags with no meaning for this kind of control";
    // WS_GROUP only delimits the radio group; the table has no notion of it.
    EXPECT_EQ(item.style & ~static_cast<std::uint32_t>(WS_GROUP), expected)
        << std::hex << "template 0x" << item.style << ", table 0x" << expected;
    EXPECT_EQ(item.exStyle, 0u);
    EXPECT_EQ(item.x, row.x);
    EXPECT_EQ(item.y, row.y);
    EXPECT_EQ(item.width, row.width);
    EXPECT_EQ(item.height, row.height);
    // Template rows keep their text on screen; language rows carry the
    // English caption, which the switch sets anyway.
    EXPECT_EQ(WideToUtf8(item.text), row.text);
  }
}

TEST_F(DialogTemplateTest, NoDefaultPushButtonAndNoOkOrCancelButton) {
  for (const TemplateItem& item : parsed->items) {
    EXPECT_NE(item.id, IDOK);
    EXPECT_NE(item.id, IDCANCEL);
    if (SameClass(item.className, L"Button")) {
      EXPECT_NE(item.style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON)) << "control " << item.id;
    }
  }
}

TEST_F(DialogTemplateTest, LanguageRowsCarryTheEnglishCaption) {
  for (const CaptionRow& caption : CaptionTable()) {
    const auto it = std::find_if(parsed->items.begin(), parsed->items.end(),
                                 [&](const TemplateItem& item) { return item.id == caption.control; });
    ASSERT_NE(it, parsed->items.end()) << "control " << caption.control;
    EXPECT_EQ(WideToUtf8(it->text), caption.text.english) << "control " << caption.control;
  }
}

TEST(Resources, IconGroupHasTheFiveSizesIn32BitColour) {
  const auto group = ModuleResource(RT_GROUP_ICON, MainDialogSpec().iconId);
  ASSERT_GE(group.size(), 6u);
  const int count = group[4] | (group[5] << 8);
  ASSERT_EQ(group.size(), 6u + 14u * static_cast<std::size_t>(count));
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* entry = group.data() + 6 + 14 * i;
    const int width = entry[0] == 0 ? 256 : entry[0];
    const int height = entry[1] == 0 ? 256 : entry[1];
    const int bitCount = entry[6] | (entry[7] << 8);
    EXPECT_EQ(width, height) << "image " << i;
    EXPECT_EQ(bitCount, 32) << "image " << i;
    sizes.push_back(width);
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 256}));
}

TEST(Resources, ManifestAsksForCommonControls6AndDpiAwareness) {
  const auto manifest = ModuleResource(RT_MANIFEST, 1);
  ASSERT_FALSE(manifest.empty());
  const std::string text(manifest.begin(), manifest.end());
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(text.find(">true/pm</dpiAware>"), std::string::npos);
  EXPECT_NE(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(text.find(std::string("version=\"") + kMagcfgVersion + ".0\""), std::string::npos);
}

TEST(Resources, VersionRecordCarriesVersionProductAndCopyright) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, info.data()));
  // The packages' version, product name, publisher and copyright line.
  const std::pair<const wchar_t*, std::string> rows[] = {
      {L"ProductVersion", kMagcfgVersion}, {L"ProductName", "magcfg"},
      {L"CompanyName", MAGCFG_PUBLISHER},  {L"LegalCopyright", "Copyright (C) " MAGCFG_COPYRIGHT},
  };
  for (const auto& [name, expected] : rows) {
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), (std::wstring(L"\\StringFileInfo\\040904b0\\") + name).c_str(),
                               reinterpret_cast<void**>(&value), &length))
        << WideToUtf8(name);
    EXPECT_EQ(WideToUtf8(value), expected) << WideToUtf8(name);
  }
}

}  // namespace
}  // namespace magcfg::win32::test
