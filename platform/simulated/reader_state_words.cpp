#include "platform/simulated/reader_state_words.h"

#include <cstdio>
#include <vector>

#include "text/text_codec.h"

namespace magcfg::sim {
namespace {

// A sentinel byte stands for the character U+0000 to U+00FE; the ones that
// do not print are shown by their value.
std::string SentinelWords(std::uint8_t sentinel) {
  if (sentinel == reader::kEmptySentinel) return "none";
  if (sentinel == ' ') return "space";
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
std::string TrackList(const std::vector<int>& tracks) {
  std::string list;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (i > 0) list += i + 1 == tracks.size() ? " and " : ", ";
    list += std::to_string(tracks[i]);
  }
  return list;
}

// "track 3" or "tracks 1 and 2".
std::string TracksNamed(const std::vector<int>& tracks) {
  return (tracks.size() > 1 ? "tracks " : "track ") + TrackList(tracks);
}

}  // namespace

std::string ModeWords(UploadMode mode) {
  if (mode == UploadMode::Active) {
    return "active: each swipe is typed into the box that has the keyboard focus; click into the swipe box first.";
  }
  return "passive: a swipe waits in the reader for \u201CReader (passive mode upload)\u201D or "
         "\u201CCheck credit card status\u201D.";
}

std::string FormatWords(const reader::ReaderFormat& format) {
  std::string words;
  std::vector<int> returns;
  for (int track = 1; track <= 3; ++track) {
    words += "Track " + std::to_string(track) + ": ";
    if (!format.OutputsTrack(track)) {
      words += "not sent\n";
      continue;
    }
    words += SentinelWords(format.Start(track)) + " \u2026 " + SentinelWords(format.End(track)) + "\n";
    if (format.CarriageReturnAfterTrack(track)) returns.push_back(track);
  }
  if (format.CarriageReturnAfterPacket()) return words + "Enter: once, after the whole swipe";
  if (returns.empty()) return words + "Enter: none";
  return words + "Enter: after track " + TrackList(returns);
}

std::string SwipeWords(const reader::CardSwipe& swipe) {
  switch (swipe.kind) {
    case reader::CardSwipe::Kind::None:
      return "none";
    case reader::CardSwipe::Kind::Failed:
      return "failed: the card could not be read";
    case reader::CardSwipe::Kind::Good:
      break;
  }
  std::vector<int> withData;
  std::vector<int> blank;
  for (int track = 1; track <= 3; ++track) (swipe.tracks[track - 1].empty() ? blank : withData).push_back(track);
  std::string words = "read";
  if (!withData.empty()) words += ": " + TracksNamed(withData);
  if (!blank.empty()) words += ", " + TracksNamed(blank) + " blank";
  return words;
}

ReaderStateWords DescribeReader(const ReaderModel& reader) {
  return {ModeWords(reader.Mode()), FormatWords(reader.Format()), SwipeWords(reader.LastSwipe())};
}

}  // namespace magcfg::sim
