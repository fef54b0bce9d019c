// The simulated reader's state in words, as its window shows them: from the
// reader's own model, after the requests that change it.
#include "platform/simulated/reader_state_words.h"

#include <gtest/gtest.h>

#include "platform/simulated/demo_reader.h"

namespace magcfg::sim {
namespace {

TEST(ReaderStateWords, FormatOneLineATrackThenWhereEnterIsPressed) {
  struct Row {
    const char* name;
    reader::ReaderFormat format;
    std::string words;
  };
  const Row rows[] = {
      {"factory", reader::ReaderFormat{},
       "Track 1: % \u2026 ?\nTrack 2: ; \u2026 ?\nTrack 3: + \u2026 ?\nEnter: once, after the whole swipe"},
      {"track 1 off, a start emptied, returns after tracks 2 and 3",
       {{'%', '?', 0xFF, '?', '+', 0xE9}, '6', '3'},
       "Track 1: not sent\nTrack 2: none \u2026 ?\nTrack 3: + \u2026 \u00E9\nEnter: after track 2 and 3"},
      {"unprintable and space sentinels, no return",
       {{0x0A, 0x7F, ' ', 0x9F, 0xA0, 0xFE}, '7', '0'},
       "Track 1: 0x0A \u2026 0x7F\nTrack 2: space \u2026 0x9F\nTrack 3: \u00A0 \u2026 \u00FE\nEnter: none"},
      {"a return after every track",
       {{'%', '?', ';', '?', '+', '?'}, '7', '7'},
       "Track 1: % \u2026 ?\nTrack 2: ; \u2026 ?\nTrack 3: + \u2026 ?\nEnter: after track 1, 2 and 3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatWords(row.format), row.words);
  }
}

TEST(ReaderStateWords, ModeAndLastSwipeFollowTheReader) {
  ReaderModel reader;
  ReaderStateWords words = DescribeReader(reader);
  EXPECT_EQ(words.mode.rfind("active: ", 0), 0u) << words.mode;
  EXPECT_EQ(words.format, FormatWords(reader::ReaderFormat{}));
  EXPECT_EQ(words.lastSwipe, "none");
  EXPECT_EQ(ModeWords(UploadMode::Passive).rfind("passive: ", 0), 0u);

  const reader::CardSwipe good = reader::SampleSwipe();
  const std::pair<reader::CardSwipe, const char*> swipes[] = {
      {good, "read: tracks 1, 2 and 3"},
      {reader::CardSwipe::Good(good.tracks[0], good.tracks[1], ""), "read: tracks 1 and 2, track 3 blank"},
      {reader::CardSwipe::Good("", good.tracks[1], ""), "read: track 2, tracks 1 and 3 blank"},
      {reader::CardSwipe::Good("", "", ""), "read, tracks 1, 2 and 3 blank"},
      {reader::CardSwipe::Failed(), "failed: the card could not be read"},
  };
  for (const auto& [swipe, expected] : swipes) {
    reader.Swipe(swipe);
    EXPECT_EQ(DescribeReader(reader).lastSwipe, expected);
  }
}

}  // namespace
}  // namespace magcfg::sim
