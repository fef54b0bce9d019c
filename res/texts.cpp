#include "res/texts.h"

#include <cstdio>

namespace magcfg {
namespace {

struct CatalogueRow {
  MessageKey key;
  const char* name;
  BilingualText text;
};

// Rows in MessageKey order. Entries with one text only show it in both
// languages, so both columns carry it.
constexpr CatalogueRow kCatalogue[] = {
    {MessageKey::ReaderFound, "MSG_READER_FOUND", {"Detect device OK,ver%X", "设备已连接,ver%X"}},
    {MessageKey::ReaderNotFound, "MSG_READER_NOT_FOUND", {"Device disconnected!", "设备未连接!"}},
    {MessageKey::AlreadyOpen, "MSG_ALREADY_OPEN", {"Detect Device OK!", "设备已连接!"}},
    {MessageKey::EnumFailed, "MSG_ENUM_FAILED", {"Get HID device information failed!", "获取HID设备信息失败!"}},
    {MessageKey::DetailFailed, "MSG_DETAIL_FAILED", {"Get HID device information failed!", "获取HID设备细节信息失败!"}},
    {MessageKey::Disconnected, "MSG_DISCONNECTED", {"Device disconnected!", "设备已断开!"}},
    {MessageKey::NothingToDisconnect, "MSG_NOTHING_TO_DISCONNECT", {"No device connected!", "设备未连接!"}},
    {MessageKey::NotConnected, "MSG_NOT_CONNECTED", {"No device connected!", "设备尚未连接!"}},
    {MessageKey::SelectTrack, "MSG_SELECT_TRACK", {"You must select any one track to output!", "至少要选择任意一个轨道输出"}},
    {MessageKey::NoPreparsed, "MSG_NO_PREPARSED", {"Could not get HID preparsed data!", "Could not get HID preparsed data!"}},
    {MessageKey::ReportLengthUnsupported, "MSG_REPORT_LENGTH_UNSUPPORTED", {"Device report length not supported!", "设备报告长度不支持!"}},
    {MessageKey::SendTimeout, "MSG_SEND_TIMEOUT", {"Send data timeout!", "发送数据超时"}},
    {MessageKey::SendOk, "MSG_SEND_OK", {"Send data success", "发送数据成功"}},
    {MessageKey::CommandSent, "MSG_COMMAND_SENT", {"Set Command OK!", "发送命令数据成功"}},
    {MessageKey::FormatReplyTimeout, "MSG_FORMAT_REPLY_TIMEOUT", {"Receive data timeout", "接收数据超时"}},
    {MessageKey::ReplyTimeout, "MSG_REPLY_TIMEOUT", {"Receive data timeout!", "接收数据超时"}},
    {MessageKey::FormatOk, "MSG_FORMAT_OK", {"Set format OK!", "设置命令成功"}},
    {MessageKey::FormatFailed, "MSG_FORMAT_FAILED", {"Set format failed!", "设置命令失败"}},
    {MessageKey::ActiveModeSet, "MSG_ACTIVE_MODE_SET", {"主动上传模式设置成功", "主动上传模式设置成功"}},
    {MessageKey::PassiveModeSet, "MSG_PASSIVE_MODE_SET", {"被动上传模式设置成功", "被动上传模式设置成功"}},
    {MessageKey::NoSwipe, "MSG_NO_SWIPE", {"没有刷卡", "没有刷卡"}},
    {MessageKey::SwipeFailed, "MSG_SWIPE_FAILED", {"刷卡失败", "刷卡失败"}},
    {MessageKey::BlankTrack, "MSG_BLANK_TRACK", {"空白轨道", "空白轨道"}},
    {MessageKey::SwipeOk, "MSG_SWIPE_OK", {"刷卡成功", "刷卡成功"}},
    {MessageKey::SwipeHint, "MSG_SWIPE_HINT", {"before swipe the magnetic card please make sure the cursor is here!", "刷卡前点击此文本框!"}},
};
static_assert(std::size(kCatalogue) == kMessageKeyCount, "one catalogue row per key");

constexpr bool CatalogueInKeyOrder() {
  for (int i = 0; i < kMessageKeyCount; ++i) {
    if (static_cast<int>(kCatalogue[i].key) != i) return false;
  }
  return true;
}
static_assert(CatalogueInKeyOrder(), "catalogue rows follow the key order");

constexpr CaptionRow kCaptions[] = {
    {1000, {"Device Controls", "设备控制"}},
    {1001, {"Find Device", "查找设备"}},
    {1004, {"SS and ES flag option", "轨道起始符和结束符号"}},
    {1018, {"Output Track option", "输出轨道"}},
    {1011, {"Output track 1 data", "输出一轨道数据"}},
    {1012, {"Output track 2 data", "输出二轨道数据"}},
    {1013, {"Output track 3 data", "输出三轨道数据"}},
    {1019, {"Output CR flag option", "输出轨道回车CR标志"}},
    {1014, {"Output (CR) flag at the end of Track 1", "一轨数据结束时带回车(CR)"}},
    {1015, {"Output (CR) flag at the end of Track 2", "二轨数据结束时带回车(CR)"}},
    {1016, {"Output (CR) flag at the end of Track 3", "三轨数据结束时带回车(CR)"}},
    {1017, {"Output (CR) flag at the end of packet", "整包数据结束时带回车(CR)"}},
    {1020, {"Set Device", "设置设备"}},
    {1021, {"Set default format", "恢复默认设置"}},
    {1022, {"Status", "状态信息"}},
    {1024, {"Disconnect Device", "断开连接"}},
    {1025, {"Get Version", "获取版本"}},
    {1026, {"Instructions", "使用说明"}},
    {1027, {"First,insert USB magstripe card reader, then click 'Find device' ", "首先，插入USB读卡器，并点击“查找设备”"}},
    {1028, {"Second,if status information is 'Detect device OK', then you can 'Set Device' ", "其次，若提示“检测设备成功”，便可进行设置刷卡器"}},
    {1029, {"Notice: 'Output (CR) flag at the end of packet' and 'Output (CR) flag at the end of Track X', they cann't select at the same time",
            "注: “整包数据结束时带回车(CR)”与“轨道数据局结束时带回车(CR)”，不能同时选中"}},
    {1040, {"before swipe the magnetic card please make sure the cursor is here!", "刷卡前点击此文本框!"}},
    {1032, {"Reader (passive mode upload)", "读卡（被动上传模式）"}},
    {1031, {"passive mode upload", "被动上传模式"}},
    {1030, {"Upload mode active", "主动上传模式"}},
    {1039, {"Check credit card status", "查询刷卡状态"}},
    {1041, {"clear", "清除"}},
    {1042, {"T\n1", "1\n轨"}},
    {1043, {"T\n2", "2\n轨"}},
    {1044, {"T\n3", "3\n轨"}},
};
static_assert(std::size(kCaptions) == 30, "30 captions follow the language");

constexpr BilingualText kTrackSelection[] = {
    {"0:Track2,3", "0:读2,3轨"},   {"1:Track1", "1:只读1轨"},     {"2:Track2", "2:只读2轨"},
    {"3:Track3", "3:只读3轨"},     {"4:Track1,2", "4:读1, 2轨"},  {"5:Track1,3", "5:读1,3,轨"},
    {"6:Track1,2,3", "6:读1,2,3轨"},
};

}  // namespace

const BilingualText& CatalogueEntry(MessageKey key) {
  int index = static_cast<int>(key);
  if (index < 0 || index >= kMessageKeyCount) index = static_cast<int>(MessageKey::NotConnected);
  return kCatalogue[index].text;
}

std::string_view MessageText(MessageKey key, UiLanguage language) {
  return CatalogueEntry(key).In(language);
}

std::string UdevRuleInstallCommand() {
  return "echo '" + std::string(kReaderUdevRule) +
         "' | sudo tee /etc/udev/rules.d/70-magcfg.rules && sudo udevadm control --reload && sudo udevadm trigger";
}

std::string AccessRefusedText(std::string_view path, UiLanguage language) {
  const std::string where(path);
  const std::string what =
      language == UiLanguage::English
          ? "The card reader was found at " + where +
                ", but access to it was refused. Install the udev rule, then unplug the reader and plug it in again:"
          : "已找到读卡器（" + where + "），但没有访问权限。请安装udev规则，然后重新插入读卡器：";
  return what + "\n" + UdevRuleInstallCommand();
}

std::string ReaderFoundText(unsigned version, UiLanguage language) {
  std::string text(MessageText(MessageKey::ReaderFound, language));
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", version & 0xFFFFu);
  const auto at = text.find("%X");
  if (at != std::string::npos) text.replace(at, 2, hex);
  return text;
}

std::string_view MessageKeyName(MessageKey key) {
  int index = static_cast<int>(key);
  if (index < 0 || index >= kMessageKeyCount) return "MSG_UNKNOWN";
  return kCatalogue[index].name;
}

std::span<const CaptionRow> CaptionTable() { return kCaptions; }

std::span<const BilingualText> TrackSelectionEntries() { return kTrackSelection; }

}  // namespace magcfg
