// The simulated reader's state in words, as its window shows them: from the
// reader's own model, after the requests that change it, in both languages.
#include "platform/simulated/reader_state_words.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/simulated/demo_reader.h"

namespace magcfg::sim {
namespace {

constexpr UiLanguage kEnglish = UiLanguage::English;
constexpr UiLanguage kChinese = UiLanguage::Chinese;

TEST(ReaderStateWords, FormatOneLineATrackThenWhereEnterIsPressed) {
  struct Row {
    const char* name;
    reader::ReaderFormat format;
    UiLanguage language;
    std::string words;
  };
  const Row rows[] = {
      {"factory", reader::ReaderFormat{}, kEnglish,
       "Track 1: % \u2026 ?\nTrack 2: ; \u2026 ?\nTrack 3: + \u2026 ?\nEnter: once, after the whole swipe"},
      {"track 1 off, a start emptied, returns after tracks 2 and 3",
       {{'%', '?', 0xFF, '?', '+', 0xE9}, '6', '3'},
       kEnglish,
       "Track 1: not sent\nTrack 2: none \u2026 ?\nTrack 3: + \u2026 \u00E9\nEnter: after track 2 and 3"},
      {"the same in Chinese",
       {{'%', '?', 0xFF, '?', '+', 0xE9}, '6', '3'},
       kChinese,
       "第1轨：不输出\n第2轨：无 \u2026 ?\n第3轨：+ \u2026 \u00E9\n回车：第2、3轨之后"},
      {"unprintable and space sentinels, no return",
       {{0x0A, 0x7F, ' ', 0x9F, 0xA0, 0xFE}, '7', '0'},
       kEnglish,
       "Track 1: 0x0A \u2026 0x7F\nTrack 2: space \u2026 0x9F\nTrack 3: \u00A0 \u2026 \u00FE\nEnter: none"},
      {"a return after every track",
       {{'%', '?', ';', '?', '+', '?'}, '7', '7'},
       kEnglish,
       "Track 1: % \u2026 ?\nTrack 2: ; \u2026 ?\nTrack 3: + \u2026 ?\nEnter: after track 1, 2 and 3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatWords(row.format, row.language), row.words);
  }
}

TEST(ReaderStateWords, ModeAndLastSwipeFollowTheReader) {
  ReaderModel reader;
  ReaderStateWords words = DescribeReader(reader, kEnglish);
  EXPECT_EQ(words.mode.rfind("active: ", 0), 0u) << words.mode;
  EXPECT_EQ(words.format, FormatWords(reader::ReaderFormat{}, kEnglish));
  EXPECT_EQ(words.lastSwipe, "none");
  // The passive words name the window's buttons by their captions.
  EXPECT_EQ(ModeWords(UploadMode::Passive, kEnglish),
            "passive: a swipe waits in the reader for \u201CReader (passive mode upload)\u201D or \u201CCheck credit "
            "card status\u201D.");
  EXPECT_EQ(ModeWords(UploadMode::Passive, kChinese),
            "被动：刷卡数据留在读卡器中，等待\u201C读卡（被动上传模式）\u201D或\u201C查询刷卡状态\u201D。");

  const reader::CardSwipe good = reader::SampleSwipe();
  const std::tuple<reader::CardSwipe, UiLanguage, const char*> swipes[] = {
      {good, kEnglish, "read: tracks 1, 2 and 3"},
      {reader::CardSwipe::Good(good.tracks[0], good.tracks[1], ""), kEnglish, "read: tracks 1 and 2, track 3 blank"},
      {reader::CardSwipe::Good(good.tracks[0], good.tracks[1], ""), kChinese, "已读：第1、2轨，第3轨空白"},
      {reader::CardSwipe::Good("", good.tracks[1], ""), kEnglish, "read: track 2, tracks 1 and 3 blank"},
      {reader::CardSwipe::Good("", "", ""), kEnglish, "read, tracks 1, 2 and 3 blank"},
      {reader::CardSwipe::Good("", "", ""), kChinese, "已读，第1、2、3轨空白"},
      {reader::CardSwipe::Failed(), kEnglish, "failed: the card could not be read"},
  };
  for (const auto& [swipe, language, expected] : swipes) {
    reader.Swipe(swipe);
    EXPECT_EQ(DescribeReader(reader, language).lastSwipe, expected);
  }
}

}  // namespace
}  // namespace magcfg::sim
