#include "cli/format_options.h"

#include "cli/visible_text.h"
#include "reader/track_selection.h"
#include "res/texts.h"
#include "text/text_codec.h"

namespace magcfg::cli {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Splits "1, 3" into its items; an empty text has none.
template <typename OnItem>
bool ForEachItem(std::string_view list, OnItem&& onItem) {
  if (Trim(list).empty()) return true;
  while (true) {
    const std::size_t comma = list.find(',');
    if (!onItem(Trim(list.substr(0, comma)))) return false;
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

std::optional<int> TrackNumber(std::string_view item) {
  if (item.size() == 1 && item[0] >= '1' && item[0] <= '3') return item[0] - '0';
  return std::nullopt;
}

}  // namespace

Checked<std::string> ParseSentinel(std::string_view value) {
  constexpr std::string_view kWhat = "a sentinel is one character from U+0000 to U+00FE, or empty for none";
  const std::u32string characters = DecodeUtf8(value);
  if (characters.empty()) return Checked<std::string>::Ok("");
  if (characters.size() > 1) {
    return Checked<std::string>::Fail(Quoted(value) + " is " + std::to_string(characters.size()) + " characters; " +
                                      std::string(kWhat));
  }
  if (characters[0] == reader::kEmptySentinel) {
    return Checked<std::string>::Fail(Quoted(value) +
                                      " (U+00FF) would be sent as 0xFF, the byte for no sentinel; " +
                                      std::string(kWhat));
  }
  if (characters[0] > reader::kHighestSentinel) {
    return Checked<std::string>::Fail(Quoted(value) + " does not fit in one byte; " + std::string(kWhat));
  }
  // A malformed byte that stood for itself comes back as proper UTF-8.
  return Checked<std::string>::Ok(EncodeUtf8(characters));
}

Checked<std::array<bool, 3>> ParseTrackList(std::string_view value) {
  std::array<bool, 3> tracks{};
  std::string bad;
  const bool ok = ForEachItem(value, [&](std::string_view item) {
    const std::optional<int> track = TrackNumber(item);
    if (!track) {
      bad = std::string(item);
      return false;
    }
    tracks[*track - 1] = true;
    return true;
  });
  if (!ok) return Checked<std::array<bool, 3>>::Fail(Quoted(bad) + " is not a track: give tracks 1, 2 or 3, as in 1,2,3");
  // The window refuses every command without a track to output, in these words.
  if (!tracks[0] && !tracks[1] && !tracks[2]) {
    return Checked<std::array<bool, 3>>::Fail(std::string(MessageText(MessageKey::SelectTrack, UiLanguage::English)));
  }
  return Checked<std::array<bool, 3>>::Ok(tracks);
}

Checked<std::uint8_t> ParseTrackSelection(std::string_view value) {
  if (value.size() == 1 && value[0] >= '0' && value[0] <= '6') {
    return Checked<std::uint8_t>::Ok(static_cast<std::uint8_t>(value[0] - '0'));
  }
  const Checked<std::array<bool, 3>> tracks = ParseTrackList(value);
  for (std::uint8_t code = 0; tracks && reader::TracksSelected(code); ++code) {
    if (*reader::TracksSelected(code) == *tracks.value) return Checked<std::uint8_t>::Ok(code);
  }
  return Checked<std::uint8_t>::Fail(Quoted(value) +
                                     " names no tracks the reader returns together: give 2,3, 1, 2, 3, 1,2, 1,3 or "
                                     "1,2,3, or their codes 0 to 6");
}

Checked<CarriageReturns> ParseCarriageReturns(std::string_view value) {
  CarriageReturns returns;
  returns.afterPacket = false;
  bool anyTrack = false;
  std::string bad;
  const bool ok = ForEachItem(value, [&](std::string_view item) {
    if (item == "packet") {
      returns.afterPacket = true;
    } else if (item == "none") {
    } else if (const std::optional<int> track = TrackNumber(item)) {
      returns.afterTrack[*track - 1] = true;
      anyTrack = true;
    } else {
      bad = std::string(item);
      return false;
    }
    return true;
  });
  if (!ok) {
    return Checked<CarriageReturns>::Fail(Quoted(bad) + " is not a place for a carriage return: give tracks (1,3), "
                                                        "packet, or none");
  }
  if (returns.afterPacket && anyTrack) {
    return Checked<CarriageReturns>::Fail(
        "a carriage return after the packet cannot be combined with carriage returns after tracks");
  }
  return Checked<CarriageReturns>::Ok(returns);
}

reader::OutputFormat FactoryFormat() {
  reader::OutputFormat factory;
  factory.sentinels = {"%", "?", ";", "?", "+", "?"};
  factory.outputTrack = {true, true, true};
  factory.crAfterTrack = {false, false, false};
  factory.crAfterPacket = true;
  return factory;
}

reader::OutputFormat ResolveFormat(const FormatChoice& profile, const FormatChoice& commandLine) {
  reader::OutputFormat format = FactoryFormat();
  for (const FormatChoice* layer : {&profile, &commandLine}) {
    for (std::size_t i = 0; i < 6; ++i) {
      if (layer->sentinels[i]) format.sentinels[i] = *layer->sentinels[i];
    }
    if (layer->tracks) format.outputTrack = *layer->tracks;
    if (layer->carriageReturns) {
      format.crAfterPacket = layer->carriageReturns->afterPacket;
      format.crAfterTrack = layer->carriageReturns->afterTrack;
    }
  }
  return format;
}

}  // namespace magcfg::cli
