// Every text the program shows, in English and Chinese (UTF-8): the message
// catalogue, the captions that follow the language, the track selection list
// entries and the message box titles.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace magcfg {

// Byte values match the language flag the window keeps: 1 English, 0 Chinese.
enum class UiLanguage : unsigned char { Chinese = 0, English = 1 };

enum class MessageKey {
  ReaderFound,  // a format text: "%X" stands for the version number
  ReaderNotFound,
  AlreadyOpen,
  EnumFailed,
  DetailFailed,
  Disconnected,
  NothingToDisconnect,
  NotConnected,
  SelectTrack,
  NoPreparsed,
  ReportLengthUnsupported,
  SendTimeout,
  SendOk,
  CommandSent,
  FormatReplyTimeout,
  ReplyTimeout,
  FormatOk,
  FormatFailed,
  ActiveModeSet,
  PassiveModeSet,
  NoSwipe,
  SwipeFailed,
  BlankTrack,
  SwipeOk,
  SwipeHint,
};
inline constexpr int kMessageKeyCount = static_cast<int>(MessageKey::SwipeHint) + 1;

struct BilingualText {
  const char* english;
  const char* chinese;
  const char* In(UiLanguage language) const {
    return language == UiLanguage::English ? english : chinese;
  }
};

// The catalogue entry of a key; never null.
const BilingualText& CatalogueEntry(MessageKey key);

// The key's text in the given language.
std::string_view MessageText(MessageKey key, UiLanguage language);

// MSG_READER_FOUND with the version number in upper-case hexadecimal, without
// prefix or leading zeros.
std::string ReaderFoundText(unsigned version, UiLanguage language);

// The udev rule that gives the user at the seat alone the reader's hidraw
// node, as packaging/linux/70-magcfg.rules installs it.
inline constexpr std::string_view kReaderUdevRule =
    R"(KERNEL=="hidraw*", SUBSYSTEM=="hidraw", ATTRS{idVendor}=="5131", ATTRS{idProduct}=="2007", TAG+="uaccess", GROUP="root", MODE="0600")";

// The one command that installs the rule by hand (in /etc/udev/rules.d,
// where hand-made rules belong) and applies it.
std::string UdevRuleInstallCommand();

// The box text when Find Device found the reader at `path` but the system
// refused to open it: what happened, then the fix on a line of its own.
std::string AccessRefusedText(std::string_view path, UiLanguage language);

// The catalogue's own name of a key ("MSG_READER_FOUND"), for diagnostics.
std::string_view MessageKeyName(MessageKey key);

struct CaptionRow {
  int control;
  BilingualText text;
};

// The 30 controls whose caption follows the language, in the order both
// switch operations set them.
std::span<const CaptionRow> CaptionTable();

// The seven track selection entries, indexed by the track selection code.
std::span<const BilingualText> TrackSelectionEntries();

// Shown at a sentinel box that refused a character: the reader takes one
// byte per sentinel, and the byte 0xFF stands for an empty box.
inline constexpr BilingualText kSentinelRangeHint = {
    "A sentinel is one character from U+0000 to U+00FE; \xC3\xBF (U+00FF) would be sent as an empty box.",
    "起止符只能是 U+0000 至 U+00FE 之间的一个字符；\xC3\xBF (U+00FF) 会被当作空框发送。"};

// Message box titles; the same in both languages.
inline constexpr std::string_view kTitleError = "Error";
inline constexpr std::string_view kTitleSetDeviceError = "ERROR";
inline constexpr std::string_view kTitleInformation = "Information";

}  // namespace magcfg
