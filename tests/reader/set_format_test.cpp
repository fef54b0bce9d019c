// Set Device and Set default format: the frame packed from the panel, the
// reader's verdict, and the sentinel set that follows the panel.
#include <gtest/gtest.h>

#include <functional>

#include "tests/reader/reader_bench.h"

namespace magcfg::test {
namespace {

using Strings = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr int kSentinelBoxes[6] = {1005, 1006, 1010, 1007, 1009, 1008};

Bytes SentRequest(const ReaderBench& bench) {
  const auto& writes = bench.hid.Seen().writes;
  return writes.empty() ? Bytes() : writes.back();
}

TEST(SetDefaultFormat, SendsTheFactoryFrameAndTheReaderTakesIt) {
  ReaderBench bench;
  ASSERT_TRUE(bench.Connect());
  // A panel far from the factory one.
  for (int box : kSentinelBoxes) bench.window.SetText(box, "#");
  bench.window.SetChecked(1011, false);
  bench.window.SetChecked(1017, false);
  bench.window.SetChecked(1014, true);

  bench.Press(1021);

  Bytes expected = {0x00, 0x02, 0x30, 0x25, 0x3F, 0x3B, 0x3F, 0x2B, 0x3F, 0x37, 0x38, 0x03};
  expected.resize(65, 0);
  EXPECT_EQ(SentRequest(bench), expected);
  EXPECT_EQ(bench.window.events,
            (Strings{"status:Send data success", "status:Set format OK!", "box:Information|Set format OK!"}));
  EXPECT_EQ(bench.window.boxes.back().icon, BoxIcon::Information);
  EXPECT_EQ(bench.hid.Reader().Format(), sim::ReaderFormat{});
  EXPECT_EQ(bench.state.sentinels.texts, (std::array<std::string, 6>{"%", "?", ";", "?", "+", "?"}));
}

TEST(SetDefaultFormat, WithoutReaderResetsThePanelButNotTheSentinelSet) {
  ReaderBench bench;
  bench.window.SetText(1005, "#");
  bench.window.SetChecked(1012, false);
  bench.window.SetChecked(1017, false);
  bench.window.SetChecked(1015, true);
  bench.window.SetEnabled(1015, true);
  bench.state.sentinels.texts[0] = "#";

  bench.Press(1021);

  EXPECT_EQ(bench.window.events, Strings{"status:No device connected!"});
  const char* factory[6] = {"%", "?", ";", "?", "+", "?"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bench.window.GetText(kSentinelBoxes[i]), factory[i]);
  for (int box : {1011, 1012, 1013, 1017}) EXPECT_TRUE(bench.window.IsChecked(box)) << box;
  for (int box : {1014, 1015, 1016}) {
    EXPECT_FALSE(bench.window.IsChecked(box)) << box;
    EXPECT_FALSE(bench.window.IsEnabled(box)) << box;
  }
  EXPECT_EQ(bench.state.sentinels.texts[0], "#");
}

// Byte 9 weighs track 1 lowest, byte 10 track 1 highest; a return after the
// packet overrides the track returns.
struct DigitRow {
  std::array<bool, 3> output;
  std::array<bool, 3> crAfterTrack;
  bool crAfterPacket;
  std::uint8_t byte9;
  std::uint8_t byte10;
};
void PrintTo(const DigitRow& row, std::ostream* os) { *os << "digits " << row.byte9 << row.byte10; }

// clang-format off
const DigitRow kDigitRows[] = {
    // Every track output combination, with the default return after the packet.
    {{1, 0, 0}, {0, 0, 0}, 1, '1', '8'},
    {{0, 1, 0}, {0, 0, 0}, 1, '2', '8'},
    {{1, 1, 0}, {0, 0, 0}, 1, '3', '8'},
    {{0, 0, 1}, {0, 0, 0}, 1, '4', '8'},
    {{1, 0, 1}, {0, 0, 0}, 1, '5', '8'},
    {{0, 1, 1}, {0, 0, 0}, 1, '6', '8'},
    {{1, 1, 1}, {0, 0, 0}, 1, '7', '8'},
    // Every carriage-return combination after tracks.
    {{1, 1, 1}, {0, 0, 0}, 0, '7', '0'},
    {{1, 1, 1}, {0, 0, 1}, 0, '7', '1'},
    {{1, 1, 1}, {0, 1, 0}, 0, '7', '2'},
    {{1, 1, 1}, {0, 1, 1}, 0, '7', '3'},
    {{1, 1, 1}, {1, 0, 0}, 0, '7', '4'},
    {{0, 1, 0}, {1, 0, 1}, 0, '2', '5'},
    {{1, 1, 1}, {1, 1, 0}, 0, '7', '6'},
    {{1, 1, 1}, {1, 1, 1}, 0, '7', '7'},
    // The packet box wins whatever the track boxes say.
    {{1, 1, 1}, {1, 1, 1}, 1, '7', '8'},
    {{0, 0, 1}, {0, 1, 0}, 1, '4', '8'},
};
// clang-format on

class FormatDigits : public ::testing::TestWithParam<DigitRow> {};

TEST_P(FormatDigits, CarryTheTicksOfThePanel) {
  const DigitRow& row = GetParam();
  ReaderBench bench;
  ASSERT_TRUE(bench.Connect());
  for (int i = 0; i < 3; ++i) {
    bench.window.SetChecked(1011 + i, row.output[i]);
    bench.window.SetChecked(1014 + i, row.crAfterTrack[i]);
  }
  bench.window.SetChecked(1017, row.crAfterPacket);

  bench.Press(1020);

  const Bytes sent = SentRequest(bench);
  ASSERT_EQ(sent.size(), 65u);
  EXPECT_EQ(sent[9], row.byte9);
  EXPECT_EQ(sent[10], row.byte10);
  EXPECT_EQ(sent[11], 0x03);
  // The reader takes every such frame.
  EXPECT_EQ(bench.Status(), "Set format OK!");
}

INSTANTIATE_TEST_SUITE_P(Combinations, FormatDigits, ::testing::ValuesIn(kDigitRows));

TEST(SetDevice, EmptySentinelBoxGoesOutAs0xFFAndEmptiesItsSentinel) {
  for (int i = 0; i < 6; ++i) {
    ReaderBench bench;
    ASSERT_TRUE(bench.Connect());
    bench.window.SetText(kSentinelBoxes[i], "");
    bench.Press(1020);
    const Bytes sent = SentRequest(bench);
    ASSERT_EQ(sent.size(), 65u);
    const Bytes factory = {0x25, 0x3F, 0x3B, 0x3F, 0x2B, 0x3F};
    for (int j = 0; j < 6; ++j) EXPECT_EQ(sent[3 + j], j == i ? 0xFF : factory[j]) << "box " << kSentinelBoxes[i];
    EXPECT_EQ(bench.state.sentinels.texts[i], "") << "box " << kSentinelBoxes[i];
  }
}

TEST(SetDevice, SentinelCharactersGoOutAsTheirByte) {
  ReaderBench bench;
  ASSERT_TRUE(bench.Connect());
  const char* texts[6] = {"A", "é", "~", "1", "\x7f", " "};
  for (int i = 0; i < 6; ++i) bench.window.SetText(kSentinelBoxes[i], texts[i]);
  bench.Press(1020);
  const Bytes sent = SentRequest(bench);
  EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 9), (Bytes{'A', 0xE9, '~', '1', 0x7F, ' '}));
  EXPECT_EQ(bench.state.sentinels.texts[1], "é");
}

struct VerdictRow {
  const char* name;
  std::uint8_t byte3;
  bool chinese;
  Strings events;
  std::vector<ShownBox> boxes;
};
void PrintTo(const VerdictRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
const VerdictRow kVerdictRows[] = {
    {"Accepted", 'Y', false,
     {"status:Send data success", "status:Set format OK!", "box:Information|Set format OK!"},
     {{"Set format OK!", "Information", BoxIcon::Information}}},
    {"Refused", 'N', false,
     {"status:Send data success", "status:Set format failed!", "box:ERROR|Set format failed!"},
     {{"Set format failed!", "ERROR", BoxIcon::Error}}},
    {"NoVerdict", 0x00, false, {"status:Send data success"}, {}},
    {"LowerCaseIsNoVerdict", 'y', false, {"status:Send data success"}, {}},
    {"AcceptedInChinese", 'Y', true, {"status:发送数据成功", "status:设置命令成功", "box:Information|设置命令成功"},
     {{"设置命令成功", "Information", BoxIcon::Information}}},
    {"RefusedInChinese", 'N', true, {"status:发送数据成功", "status:设置命令失败", "box:ERROR|设置命令失败"},
     {{"设置命令失败", "ERROR", BoxIcon::Error}}},
};
// clang-format on

class FormatVerdicts : public ::testing::TestWithParam<VerdictRow> {};

TEST_P(FormatVerdicts, AreShownFromByte3) {
  const VerdictRow& row = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = {Report({0x02, 0x30, row.byte3, 0x03})};
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  if (row.chinese) bench.SwitchToChinese();
  bench.Press(1020);
  EXPECT_EQ(bench.window.events, row.events);
  EXPECT_EQ(bench.window.boxes, row.boxes);
}

INSTANTIATE_TEST_SUITE_P(Replies, FormatVerdicts, ::testing::ValuesIn(kVerdictRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetDevice, TimeOutsInChineseKeepTheEnglishTitle) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = sim::WriteCompletion::Never;
  config.reader.replies = false;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.SwitchToChinese();
  bench.Press(1020);
  EXPECT_EQ(bench.window.events, (Strings{"status:发送数据超时", "status:接收数据超时", "box:ERROR|接收数据超时"}));
}

// The sentinel set takes the panel's sentinels after every exchange that got
// past the usage check, whatever came of it, and after no other.
struct WriteBackRow {
  const char* name;
  std::function<void(sim::SimulatedReaderConfig&)> configure;
  bool connect;
  bool tickNoTrack;
  bool updated;
};
void PrintTo(const WriteBackRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
const WriteBackRow kWriteBackRows[] = {
    {"Accepted", [](auto&) {}, true, false, true},
    {"Refused", [](auto& c) { c.reader.scriptedReply = {Report({0x02, 0x30, 'N', 0x03})}; }, true, false, true},
    {"NoVerdict", [](auto& c) { c.reader.scriptedReply = {Report({})}; }, true, false, true},
    {"WriteTimedOut", [](auto& c) { c.reader.writeCompletion = sim::WriteCompletion::Never; }, true, false, true},
    {"ReadTimedOut", [](auto& c) { c.reader.replies = false; }, true, false, true},
    {"NotConnected", [](auto&) {}, false, false, false},
    {"NoTrackTicked", [](auto&) {}, true, true, false},
    {"UsageRefused", [](auto& c) { c.interfaces[sim::kSaneReaderIndex].usageCheckPasses = false; }, true, false,
     false},
    {"NoReportDescription", [](auto& c) { c.interfaces[sim::kSaneReaderIndex].reportLengths.reset(); }, true, false,
     false},
    {"OutputReportTooShort",
     [](auto& c) { c.interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{65, 8}; }, true, false,
     false},
};
// clang-format on

class SentinelWriteBack : public ::testing::TestWithParam<WriteBackRow> {};

TEST_P(SentinelWriteBack, FollowsTheExchangesThatSent) {
  const WriteBackRow& row = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  row.configure(config);
  ReaderBench bench(config);
  if (row.connect) ASSERT_TRUE(bench.Connect());
  if (row.tickNoTrack) bench.UntickTrackOutputs();
  bench.window.SetText(1005, "#");
  bench.window.SetText(1008, "");

  bench.Press(1020);

  const std::array<std::string, 6> updated = {"#", "?", ";", "?", "+", ""};
  const std::array<std::string, 6> unchanged = {"%", "?", ";", "?", "+", "?"};
  EXPECT_EQ(bench.state.sentinels.texts, row.updated ? updated : unchanged);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, SentinelWriteBack, ::testing::ValuesIn(kWriteBackRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace magcfg::test
