// The passive card read: a reply gathered over several reports, decoded into
// the three track boxes, with the reader's refusals and a reader that never
// stops sending.
#include <gtest/gtest.h>

#include "tests/reader/reader_bench.h"

namespace magcfg::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

const std::string kBlank = "空白轨道";

Strings TrackBoxes(const ReaderBench& bench) {
  return {bench.window.GetText(1035), bench.window.GetText(1036), bench.window.GetText(1037)};
}

struct ReplyRow {
  const char* name;
  std::vector<Bytes> reports;
  Strings boxes;
  std::string status;
  std::size_t reads;
};
void PrintTo(const ReplyRow& row, std::ostream* os) { *os << row.name; }

// A stream that runs 70 bytes of track 1 into the second report, whose
// report ID is not 0 and must not enter the stream.
std::vector<Bytes> TrackAcrossTwoReports() {
  Bytes stream = {0x02, 0x08, 'Y', 70};
  for (int i = 0; i < 70; ++i) stream.push_back(static_cast<std::uint8_t>('A' + i % 26));
  stream.insert(stream.end(), {0, 0});
  Bytes first(65, 0), second(65, 0);
  std::copy(stream.begin(), stream.begin() + 64, first.begin() + 1);
  second[0] = 0x77;
  std::copy(stream.begin() + 64, stream.end(), second.begin() + 1);
  return {first, second};
}

std::string Alphabet(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char>('A' + i % 26));
  return text;
}

const ReplyRow kReplyRows[] = {
    {"BlankTracks", {Report({0x02, 0x08, 'Y', 0x00, 0x00, 0x00})}, {kBlank, kBlank, kBlank}, "Set Command OK!", 2},
    {"SmallValueCopiesNothing", {Report({0x00, 0x20, 'Y', 0x00, 0x00, 0x00})}, {"", "", ""}, "Set Command OK!", 1},
    {"NegativeValueCopiesNothing", {Report({0x00, 0x80, 'Y', 0x00, 0x00, 0x00})}, {"", "", ""}, "Set Command OK!", 1},
    {"TrackDataAndABlankTrack",
     {Report({0x02, 0x08, 'Y', 3, 0x31, 0x32, 0x33, 0, 2, 0x34, 0x35})},
     {"123", kBlank, "45"},
     "Set Command OK!",
     2},
    {"NegativeLengthShowsEmpty",
     {Report({0x02, 0x08, 'Y', 0x90, 2, 'A', 'B', 0})},
     {"", "AB", kBlank},
     "Set Command OK!",
     2},
    {"ZeroByteInsideATrackDropped",
     {Report({0x02, 0x08, 'Y', 4, 'A', 0x00, 'B', 'C', 0, 0})},
     {"ABC", kBlank, kBlank},
     "Set Command OK!",
     2},
    {"TrackRunsIntoTheSecondReport", TrackAcrossTwoReports(), {Alphabet(70), kBlank, kBlank}, "Set Command OK!", 3},
    {"NoSwipe", {Report({0x02, 0x08, 'N', 0})}, {"没有刷卡", "没有刷卡", "没有刷卡"}, "没有刷卡", 2},
    {"SwipeFailed", {Report({0x02, 0x08, 'N', 1})}, {"刷卡失败", "刷卡失败", "刷卡失败"}, "刷卡失败", 2},
    {"UnknownReason", {Report({0x02, 0x08, 'N', 2})}, {"", "", ""}, "Set Command OK!", 2},
    {"NoVerdict", {Report({0x02, 0x08, 'y', 0})}, {"", "", ""}, "Set Command OK!", 2},
};

class CardReplies : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(CardReplies, FillTheTrackBoxesWithoutABox) {
  const ReplyRow& row = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = row.reports;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  for (int box : {1035, 1036, 1037}) bench.window.SetText(box, "old");

  bench.Press(1032);

  EXPECT_EQ(TrackBoxes(bench), row.boxes);
  EXPECT_EQ(bench.Status(), row.status);
  EXPECT_TRUE(bench.window.boxes.empty());
  EXPECT_EQ(bench.hid.Seen().Reads(), row.reads);
  // The reply ends at the read that runs out; that read is cancelled.
  EXPECT_EQ(bench.hid.Seen().cancelIoCalls, row.reads > 1 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, CardReplies, ::testing::ValuesIn(kReplyRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCard, WaitsBrieflyForEachReport) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = TrackAcrossTwoReports();
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.Press(1032);
  EXPECT_EQ(bench.hid.Seen().readTimeoutsMs, (std::vector<int>{50, 50, 50}));
  // Write 1 ms, reply at 4 ms, the second report 2 ms later, then 50 ms for the read that runs out.
  EXPECT_EQ(bench.ElapsedMs(), 56);
}

TEST(ReadCard, FirstReportMissingShowsTheTimeOutAndDecodesNothing) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.replies = false;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.Press(1032);
  EXPECT_EQ(bench.window.statusHistory, (Strings{"Set Command OK!", "Receive data timeout!"}));
  EXPECT_EQ(TrackBoxes(bench), (Strings{"", "", ""}));
  EXPECT_EQ(bench.hid.Seen().cancelIoCalls, 1);
  EXPECT_EQ(bench.ElapsedMs(), 51);
}

TEST(ReadCard, WriteTimeOutShowsTheBoxAndReadsNothing) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = sim::WriteCompletion::Never;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.window.SetText(1023, "before");
  bench.Press(1032);
  EXPECT_EQ(bench.window.boxes, (std::vector<ShownBox>{{"Send data timeout!", "Error", BoxIcon::Error}}));
  EXPECT_EQ(bench.Status(), "before");
  EXPECT_EQ(bench.hid.Seen().Reads(), 0u);
  EXPECT_EQ(bench.ElapsedMs(), 100);
}

TEST(ReadCard, EmptiesTheTrackBoxesBeforeAnyCheck) {
  ReaderBench bench;
  for (int box : {1035, 1036, 1037}) bench.window.SetText(box, "old");
  bench.ForgetLogs();
  bench.Press(1032);
  EXPECT_EQ(TrackBoxes(bench), (Strings{"", "", ""}));
  const Strings& ops = bench.window.operations;
  ASSERT_GE(ops.size(), 4u);
  EXPECT_EQ(Strings(ops.begin(), ops.begin() + 4),
            (Strings{"SetText 1035", "SetText 1036", "SetText 1037", "SetText 1023"}));
  EXPECT_EQ(bench.Status(), "No device connected!");
}

TEST(ReadCard, TrackSelectionChangesOnlyRequestByte3) {
  ReaderBench bench;
  ASSERT_TRUE(bench.Connect());
  for (int selection = 0; selection < 7; ++selection) {
    bench.window.SelectListEntry(1038, selection);
    bench.Press(1032);
  }
  const auto& writes = bench.hid.Seen().writes;
  ASSERT_EQ(writes.size(), 7u);
  for (int selection = 0; selection < 7; ++selection) {
    EXPECT_EQ(writes[selection], ReportOf({0x02, 0x08, static_cast<std::uint8_t>(selection), 0x03})) << selection;
  }
}

TEST(ReadCard, ShowsTheTracksTheReaderWasAskedFor) {
  struct Row {
    int selection;
    Strings boxes;
  };
  const Row rows[] = {
      {0, {kBlank, "4111111111111111=2512101", "0112345678="}},
      {1, {"B4111111111111111^DOE/JOHN^2512101", kBlank, kBlank}},
      {5, {"B4111111111111111^DOE/JOHN^2512101", kBlank, "0112345678="}},
      {6, {"B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101", "0112345678="}},
  };
  for (const Row& row : rows) {
    ReaderBench bench;
    ASSERT_TRUE(bench.Connect());
    bench.Press(1031);
    bench.hid.Reader().Swipe(
        sim::CardSwipe::Good("B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101", "0112345678="));
    bench.window.SelectListEntry(1038, row.selection);
    bench.Press(1032);
    EXPECT_EQ(TrackBoxes(bench), row.boxes) << row.selection;
  }
}

TEST(ReadCard, ReaderThatNeverStopsSendingIsCutOffAfter16Reports) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = 3;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.hid.Reader().Swipe(sim::CardSwipe::Good("B1234", "", "789"));

  bench.Press(1032);

  // What was gathered is decoded: the real reply came first.
  EXPECT_EQ(TrackBoxes(bench), (Strings{kBlank, kBlank, "789"}));
  EXPECT_EQ(bench.hid.Seen().Reads(), 16u);
  EXPECT_EQ(bench.hid.Seen().cancelIoCalls, 1);
  // Write, reply, then 15 filler reports 3 ms apart.
  EXPECT_EQ(bench.ElapsedMs(), 4 + 15 * 3);
}

TEST(ReadCard, ReplyLongerThan16ReportsIsNotReadFurther) {
  std::vector<Bytes> reports(20, Report({0x02, 0x08, 'Y', 1, 'x', 1, 'y', 1, 'z'}));
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = reports;
  ReaderBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.Press(1032);
  EXPECT_EQ(TrackBoxes(bench), (Strings{"x", "y", "z"}));
  EXPECT_EQ(bench.hid.Seen().Reads(), 16u);
  EXPECT_EQ(bench.hid.Seen().cancelIoCalls, 1);
}

}  // namespace
}  // namespace magcfg::test
