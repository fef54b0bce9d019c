#include "platform/simulated/reader_state_words.h"

#include <cstdio>
#include <vector>

#include "platform/simulated/reader_window_texts.h"
#include "res/control_ids.h"
#include "text/text_codec.h"

namespace magcfg::sim {
namespace {

using Text = ReaderWindowText;

// A sentinel byte stands for the character U+0000 to U+00FE; the ones that
// do not print are shown by their value.
std::string SentinelWords(std::uint8_t sentinel, UiLanguage language) {
  if (sentinel == reader::kEmptySentinel) return WindowText(Text::SentinelNone, language);
  if (sentinel == ' ') return WindowText(Text::SentinelSpace, language);
  if (sentinel < 0x20 || (sentinel >= 0x7F && sentinel <= 0x9F)) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "0x%02X", sentinel);
    return hex;
  }
  std::string character;
  AppendUtf8(character, sentinel);
  return character;
}

// "1", "1 and 3", "1, 2 and 3".
std::string TrackList(const std::vector<int>& tracks, UiLanguage language) {
  std::string list;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (i > 0) list += WindowText(i + 1 == tracks.size() ? Text::ListAnd : Text::ListComma, language);
    list += std::to_string(tracks[i]);
  }
  return list;
}

// "track 3" or "tracks 1 and 2".
std::string TracksNamed(const std::vector<int>& tracks, UiLanguage language) {
  return WindowText(tracks.size() > 1 ? Text::SeveralTracks : Text::OneTrack, language,
                    {TrackList(tracks, language)});
}

}  // namespace

std::string ModeWords(UploadMode mode, UiLanguage language) {
  if (mode == UploadMode::Active) return WindowText(Text::ModeActive, language);
  return WindowText(Text::ModePassive, language,
                    {CaptionOf(ctl::kReadCard, language), CaptionOf(ctl::kCardStatus, language)});
}

std::string FormatWords(const reader::ReaderFormat& format, UiLanguage language) {
  std::string words;
  std::vector<int> returns;
  for (int track = 1; track <= 3; ++track) {
    const std::string sends =
        format.OutputsTrack(track)
            ? WindowText(Text::Sentinels, language,
                         {SentinelWords(format.Start(track), language), SentinelWords(format.End(track), language)})
            : WindowText(Text::TrackNotSent, language);
    words += WindowText(Text::TrackFormat, language, {std::to_string(track), sends}) + "\n";
    if (format.OutputsTrack(track) && format.CarriageReturnAfterTrack(track)) returns.push_back(track);
  }
  if (format.CarriageReturnAfterPacket()) return words + WindowText(Text::EnterAfterSwipe, language);
  if (returns.empty()) return words + WindowText(Text::EnterNone, language);
  return words + WindowText(Text::EnterAfterTracks, language, {TrackList(returns, language)});
}

std::string SwipeWords(const reader::CardSwipe& swipe, UiLanguage language) {
  switch (swipe.kind) {
    case reader::CardSwipe::Kind::None:
      return WindowText(Text::SwipeNone, language);
    case reader::CardSwipe::Kind::Failed:
      return WindowText(Text::SwipeUnread, language);
    case reader::CardSwipe::Kind::Good:
      break;
  }
  std::vector<int> withData;
  std::vector<int> blank;
  for (int track = 1; track <= 3; ++track) (swipe.tracks[track - 1].empty() ? blank : withData).push_back(track);
  std::string words = withData.empty()
                          ? WindowText(Text::SwipeRead, language)
                          : WindowText(Text::SwipeReadTracks, language, {TracksNamed(withData, language)});
  if (!blank.empty()) words += WindowText(Text::SwipeBlankTracks, language, {TracksNamed(blank, language)});
  return words;
}

ReaderStateWords DescribeReader(const ReaderModel& reader, UiLanguage language) {
  return {ModeWords(reader.Mode(), language), FormatWords(reader.Format(), language),
          SwipeWords(reader.LastSwipe(), language)};
}

}  // namespace magcfg::sim
