#include "res/texts.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "res/control_ids.h"
#include "res/control_table.h"

namespace magcfg {
namespace {

TEST(MessageCatalogue, PicksTheTextByLanguage) {
  struct Row {
    MessageKey key;
    const char* english;
    const char* chinese;
  };
  const Row rows[] = {
      {MessageKey::ReaderNotFound, "Device disconnected!", "设备未连接!"},
      {MessageKey::Disconnected, "Device disconnected!", "设备已断开!"},
      {MessageKey::NothingToDisconnect, "No device connected!", "设备未连接!"},
      {MessageKey::NotConnected, "No device connected!", "设备尚未连接!"},
      {MessageKey::EnumFailed, "Get HID device information failed!", "获取HID设备信息失败!"},
      {MessageKey::DetailFailed, "Get HID device information failed!", "获取HID设备细节信息失败!"},
      {MessageKey::FormatReplyTimeout, "Receive data timeout", "接收数据超时"},
      {MessageKey::ReplyTimeout, "Receive data timeout!", "接收数据超时"},
      {MessageKey::SendOk, "Send data success", "发送数据成功"},
      {MessageKey::CommandSent, "Set Command OK!", "发送命令数据成功"},
      {MessageKey::FormatFailed, "Set format failed!", "设置命令失败"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MessageText(row.key, UiLanguage::English), row.english) << MessageKeyName(row.key);
    EXPECT_EQ(MessageText(row.key, UiLanguage::Chinese), row.chinese) << MessageKeyName(row.key);
  }
}

TEST(MessageCatalogue, SingleLanguageEntriesReadTheSameInBoth) {
  const std::pair<MessageKey, const char*> rows[] = {
      {MessageKey::ActiveModeSet, "主动上传模式设置成功"}, {MessageKey::PassiveModeSet, "被动上传模式设置成功"},
      {MessageKey::NoSwipe, "没有刷卡"},                   {MessageKey::SwipeFailed, "刷卡失败"},
      {MessageKey::BlankTrack, "空白轨道"},                {MessageKey::SwipeOk, "刷卡成功"},
      {MessageKey::NoPreparsed, "Could not get HID preparsed data!"},
  };
  for (const auto& [key, text] : rows) {
    EXPECT_EQ(MessageText(key, UiLanguage::English), text);
    EXPECT_EQ(MessageText(key, UiLanguage::Chinese), text);
  }
}

TEST(MessageCatalogue, EveryKeyHasANameAndTwoTexts) {
  std::set<std::string_view> names;
  for (int i = 0; i < kMessageKeyCount; ++i) {
    const auto key = static_cast<MessageKey>(i);
    EXPECT_TRUE(names.insert(MessageKeyName(key)).second) << MessageKeyName(key);
    EXPECT_FALSE(MessageText(key, UiLanguage::English).empty());
    EXPECT_FALSE(MessageText(key, UiLanguage::Chinese).empty());
  }
}

TEST(MessageCatalogue, ReaderFoundShowsTheVersionInUpperCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(ReaderFoundText(0x0102, UiLanguage::English), "Detect device OK,ver102");
  EXPECT_EQ(ReaderFoundText(0, UiLanguage::English), "Detect device OK,ver0");
  EXPECT_EQ(ReaderFoundText(0x01A2, UiLanguage::English), "Detect device OK,ver1A2");
  EXPECT_EQ(ReaderFoundText(0xFFFF, UiLanguage::English), "Detect device OK,verFFFF");
  EXPECT_EQ(ReaderFoundText(0x0102, UiLanguage::Chinese), "设备已连接,ver102");
}

TEST(CaptionTable, CoversThirtyDistinctControlsThatTheTemplateHas) {
  std::set<int> seen;
  for (const CaptionRow& row : CaptionTable()) {
    EXPECT_TRUE(seen.insert(row.control).second) << row.control;
    const ControlSpec* control = FindControl(row.control);
    ASSERT_NE(control, nullptr) << row.control;
    EXPECT_EQ(control->source, TextSource::Language) << row.control;
  }
  EXPECT_EQ(seen.size(), 30u);
  // Every control whose text follows the language has a caption, except the
  // list, which gets entries instead.
  for (const ControlSpec& control : MainDialogControls()) {
    if (control.source == TextSource::Language && control.id != ctl::kTrackSelection) {
      EXPECT_TRUE(seen.count(control.id)) << control.id;
    }
  }
}

TEST(CaptionTable, KeepsTheTrailingSpacesOfTheInstructionLines) {
  for (const CaptionRow& row : CaptionTable()) {
    if (row.control == ctl::kInstruction1 || row.control == ctl::kInstruction2) {
      EXPECT_EQ(std::string_view(row.text.english).back(), ' ') << row.control;
    }
  }
}

TEST(TrackSelectionEntries, StartWithTheirCode) {
  ASSERT_EQ(TrackSelectionEntries().size(), 7u);
  for (std::size_t code = 0; code < 7; ++code) {
    const BilingualText& entry = TrackSelectionEntries()[code];
    EXPECT_EQ(entry.english[0], static_cast<char>('0' + code));
    EXPECT_EQ(entry.chinese[0], static_cast<char>('0' + code));
  }
  EXPECT_STREQ(TrackSelectionEntries()[0].english, "0:Track2,3");
  EXPECT_STREQ(TrackSelectionEntries()[4].chinese, "4:读1, 2轨");
}

TEST(ControlTable, HasFiftyControlsWithTheirIdsInTemplateOrder) {
  // The numbers are pinned here once: the table itself uses the ctl:: names,
  // so a changed name or a row under the wrong name shows here.
  const std::vector<int> expected = {
      1000, 1001, -1,   1002, 1003, 1004, -1,   -1,   1005, 1006, 1007, 1008, 1009, 1010, 1018, 1011, 1012,
      1013, 1019, 1014, 1015, 1016, 1017, -1,   -1,   -1,   1020, 1021, 1022, 1023, 1024, 1025, 1027, 1029,
      1028, 1030, 1031, 1032, 1035, 1036, 1037, 1042, 1043, 1044, -1,   1038, 1039, 1040, 1041, 1026};
  std::vector<int> ids;
  std::set<int> unique;
  for (const ControlSpec& c : MainDialogControls()) {
    ids.push_back(c.id);
    if (c.id != ctl::kNone) {
      EXPECT_TRUE(unique.insert(c.id).second) << c.id;
    }
  }
  EXPECT_EQ(ids, expected);
}

TEST(ControlTable, CreationStates) {
  int hidden = 0;
  for (const ControlSpec& c : MainDialogControls()) {
    if (c.Has(style::kHidden)) ++hidden;
    EXPECT_EQ(c.Has(style::kDisabled), c.id == ctl::kGetVersion) << c.id;
    // Only the swipe box keeps Enter for itself.
    EXPECT_EQ(c.Has(style::kWantReturn), c.id == ctl::kSwipeBox) << c.id;
  }
  EXPECT_EQ(hidden, 3);
  EXPECT_TRUE(FindControl(ctl::kLanguageChinese)->Has(style::kHidden));
  EXPECT_TRUE(FindControl(ctl::kLanguageEnglish)->Has(style::kHidden));
  EXPECT_EQ(FindControl(ctl::kNone), nullptr);
  EXPECT_EQ(FindControl(1033), nullptr);
}

}  // namespace
}  // namespace magcfg
