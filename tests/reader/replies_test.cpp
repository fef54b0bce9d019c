// Reading replies at their fixed byte positions: the version text, the card
// status, the card read's accumulate test, its collection and its decoding.
#include "reader/replies.h"

#include <gtest/gtest.h>

namespace magcfg::reader {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Buffer(Bytes head, std::size_t size = 1024) {
  head.resize(size, 0);
  return head;
}

TEST(ExtractVersionText, JoinsTheRunsBetween0x05And0x03) {
  struct Row {
    const char* name;
    Bytes reply;
    std::size_t inputLength;
    std::string text;
  };
  // 0x05, thirty 'v', 0x03. (Built in place: GCC 12 warns wrongly of a bound
  // broken when a one-byte vector is extended by insert.)
  Bytes longRun(32, 'v');
  longRun.front() = 0x05;
  longRun.back() = 0x03;
  Bytes twoRuns = {0x05};
  twoRuns.insert(twoRuns.end(), 20, 'a');
  twoRuns.insert(twoRuns.end(), {0x03, 0x05});
  twoRuns.insert(twoRuns.end(), 20, 'b');
  twoRuns.push_back(0x03);
  const Row rows[] = {
      {"one run", {0x00, 0x02, 0x05, 0x56, 0x31, 0x2E, 0x30, 0x03}, 65, "V1.0"},
      {"no 0x05", {0x00, 0x02, 0x41, 0x03}, 65, ""},
      {"two runs joined", {0x05, 'A', 0x03, 0x05, 'B', 0x03}, 65, "AB"},
      {"0x05 inside a run is copied",
       {0x05, 'A', 0x05, 'B', 0x03},
       65,
       "A\x05"
       "B"},
      {"zero ends the text", {0x05, 'A', 0x00, 'B', 0x03}, 65, "A"},
      {"unclosed run ends with the report", {0x05, 'A', 'B'}, 3, "AB"},
      {"bytes past the report length are not scanned", {0x05, 'A', 'B', 'C', 0x03}, 3, "AB"},
      {"one run cut at 29 bytes", longRun, 65, std::string(29, 'v')},
      {"runs adding up past 29 cut there", twoRuns, 65, std::string(20, 'a') + std::string(9, 'b')},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ExtractVersionText(Buffer(row.reply), row.inputLength), row.text) << row.name;
  }
  // A report length beyond the buffer reads no further than the buffer.
  EXPECT_EQ(ExtractVersionText(Bytes{0x05, 'A'}, 5000), "A");
}

TEST(ReadCardStatus, NamesOnlyCodes0To2) {
  struct Row {
    std::uint8_t byte4;
    std::optional<CardStatus> status;
  };
  const Row rows[] = {{0, CardStatus::NoSwipe}, {1, CardStatus::SwipeFailed}, {2, CardStatus::SwipeOk},
                      {3, std::nullopt},        {0xFF, std::nullopt},         {0x80, std::nullopt},
                      {0x42, std::nullopt}};
  for (const Row& row : rows) {
    const CardStatusReply reply = ReadCardStatus(Buffer({0x00, 0x02, 0x09, 'Y', row.byte4}));
    EXPECT_EQ(reply.status, row.status) << int(row.byte4);
    EXPECT_EQ(reply.byte4, row.byte4);
  }
  EXPECT_EQ(ReadCardStatus(Bytes{0x00, 0x02, 0x09}).status, CardStatus::NoSwipe);  // short: byte 4 counts as 0
}

TEST(AccumulateValue, ReadsBytes1And2AsSignedNumbers) {
  struct Row {
    std::uint8_t b1, b2;
    int value;
  };
  const Row rows[] = {{0x02, 0x08, 520},  {0x00, 0x20, 32},     {0x00, 0x38, 56},
                      {0x00, 0x39, 57},   {0x00, 0x80, -128},   {0x01, 0xFF, 255},
                      {0xFF, 0xFF, -257}, {0x80, 0x00, -32768}, {0x7F, 0x7F, 32639}};
  for (const Row& row : rows) {
    EXPECT_EQ(AccumulateValue(Bytes{0x00, row.b1, row.b2}), row.value) << int(row.b1) << " " << int(row.b2);
  }
  EXPECT_EQ(AccumulateValue(Bytes{0x00, 0x01}), 256);
}

TEST(CardReplyCollector, PlacesBytes1To64OfEachReportAndStopsAt16) {
  auto collector = std::make_unique<CardReplyCollector>();
  for (int k = 0; k < 16; ++k) {
    Bytes report(65, static_cast<std::uint8_t>(k + 1));
    report[0] = 0xEE;  // the report ID never enters the stream
    ASSERT_TRUE(collector->Add(report)) << k;
  }
  EXPECT_TRUE(collector->Full());
  EXPECT_FALSE(collector->Add(Bytes(65, 0x99)));
  EXPECT_EQ(collector->Reports(), 16u);
  const auto& buffer = collector->Buffer();
  for (std::size_t offset = 0; offset < buffer.size(); ++offset) {
    ASSERT_EQ(buffer[offset], offset / 64 + 1) << offset;
  }

  // A report shorter than 65 bytes leaves the rest of its 64 as zeros.
  auto shortReports = std::make_unique<CardReplyCollector>();
  shortReports->Add(Bytes{0x00, 0x02, 0x08, 'N'});
  EXPECT_EQ(shortReports->Buffer()[2], 'N');
  EXPECT_EQ(shortReports->Buffer()[3], 0);
}

TEST(DecodeCardReply, ReadsThreeLengthPrefixedTracks) {
  struct Row {
    const char* name;
    Bytes stream;
    CardReadResult::Kind kind;
    std::array<std::optional<std::string>, 3> tracks;
    std::size_t received = kReplyBufferSize;
    // Per track: "announced/received" for a track that did not arrive whole.
    std::array<const char*, 3> cut = {};
  };
  using K = CardReadResult::Kind;
  Bytes longest = {0x02, 0x08, 'Y', 127};
  longest.insert(longest.end(), 127, 'z');
  longest.insert(longest.end(), {0, 0});
  const Row rows[] = {
      {"blank tracks", {0x02, 0x08, 'Y', 0, 0, 0}, K::Tracks, {std::nullopt, std::nullopt, std::nullopt}},
      {"data and a blank", {0x02, 0x08, 'Y', 3, '1', '2', '3', 0, 2, '4', '5'}, K::Tracks, {"123", std::nullopt, "45"}},
      {"negative length", {0x02, 0x08, 'Y', 0x80, 2, 'A', 'B', 0xFF}, K::Tracks, {"", "AB", ""}, kReplyBufferSize,
       {"-128/0", nullptr, "-1/0"}},
      {"zero byte kept raw", {0x02, 0x08, 'Y', 3, 'A', 0, 'B', 0, 0}, K::Tracks, {std::string("A\0B", 3), {}, {}}},
      {"longest track", longest, K::Tracks, {std::string(127, 'z'), std::nullopt, std::nullopt}},
      {"longest track, in two reports", longest, K::Tracks, {std::string(127, 'z'), std::nullopt, std::nullopt}, 192},
      // 127 bytes announced, one report of 64 arrived: 60 of them are data.
      {"longest track, one report", longest, K::Tracks,
       {std::string(60, 'z') + std::string(67, '\0'), std::nullopt, std::nullopt}, 64, {"127/60", nullptr, nullptr}},
      {"a track ending on the last byte", {0x02, 0x08, 'Y', 2, 'A', 'B', 0, 0}, K::Tracks, {"AB", {}, {}}, 6},
      {"a track one byte short", {0x02, 0x08, 'Y', 3, 'A', 'B'}, K::Tracks, {std::string("AB\0", 3), {}, {}}, 6,
       {"3/2", nullptr, nullptr}},
      {"no swipe", {0x02, 0x08, 'N', 0}, K::Refused, {}},
      {"swipe failed", {0x02, 0x08, 'N', 1}, K::Refused, {}},
      {"unknown reason", {0x02, 0x08, 'N', 2}, K::Nothing, {}},
      {"negative reason", {0x02, 0x08, 'N', 0xFF}, K::Nothing, {}},
      {"no verdict", {0x02, 0x08, 'y', 0}, K::Nothing, {}},
  };
  for (const Row& row : rows) {
    std::array<std::uint8_t, kReplyBufferSize> buffer{};
    std::copy(row.stream.begin(), row.stream.begin() + static_cast<std::ptrdiff_t>(std::min(row.stream.size(), row.received)),
              buffer.begin());
    const CardReadResult result = DecodeCardReply(buffer, row.received);
    EXPECT_EQ(result.kind, row.kind) << row.name;
    if (row.kind != K::Tracks) continue;
    EXPECT_EQ(result.tracks, row.tracks) << row.name;
    for (std::size_t i = 0; i < 3; ++i) {
      const auto& cut = result.cut[i];
      const std::string seen = cut ? std::to_string(cut->announced) + "/" + std::to_string(cut->received) : "";
      EXPECT_EQ(seen, row.cut[i] ? row.cut[i] : "") << row.name << ", track " << i + 1;
    }
  }
}

}  // namespace
}  // namespace magcfg::reader
