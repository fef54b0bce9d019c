// The passive card read: a reply gathered over several reports, decoded into
// the three track boxes, with the reader's refusals and a reader that never
// stops sending.
#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

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
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  for (int box : {ctl::kTrack1Data, ctl::kTrack2Data, ctl::kTrack3Data}) rig.window.SetText(box, "old");

  rig.Press(ctl::kReadCard);

  EXPECT_EQ(rig.TrackBoxes(), row.boxes);
  EXPECT_EQ(rig.Status(), row.status);
  EXPECT_TRUE(rig.window.boxes.empty());
  EXPECT_EQ(rig.sim.Seen().Reads(), row.reads);
  // The reply ends at the read that runs out; that read is cancelled.
  EXPECT_EQ(rig.sim.Seen().cancelledTransfers, row.reads > 1 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, CardReplies, ::testing::ValuesIn(kReplyRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadCard, WaitsBrieflyForEachReport) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = TrackAcrossTwoReports();
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kReadCard);
  EXPECT_EQ(rig.sim.Seen().readTimeoutsMs, (std::vector<int>{50, 50, 50}));
  // Write 1 ms, reply at 4 ms, the second report 2 ms later, then 50 ms for the read that runs out.
  EXPECT_EQ(rig.ElapsedMs(), 56);
}

TEST(ReadCard, FirstReportMissingShowsTheTimeOutAndDecodesNothing) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.replies = false;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kReadCard);
  EXPECT_EQ(rig.window.statusHistory, (Strings{"Set Command OK!", "Receive data timeout!"}));
  EXPECT_EQ(rig.TrackBoxes(), (Strings{"", "", ""}));
  EXPECT_EQ(rig.sim.Seen().cancelledTransfers, 1);
  EXPECT_EQ(rig.ElapsedMs(), 51);
}

TEST(ReadCard, WriteTimeOutShowsTheBoxAndReadsNothing) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = sim::WriteCompletion::Never;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.Press(ctl::kReadCard);
  EXPECT_EQ(rig.window.boxes, (std::vector<ShownBox>{{"Send data timeout!", "Error", BoxIcon::Error}}));
  EXPECT_EQ(rig.Status(), "before");
  EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
  EXPECT_EQ(rig.ElapsedMs(), 100);
}

TEST(ReadCard, EmptiesTheTrackBoxesBeforeAnyCheck) {
  DialogRig rig;
  for (int box : {ctl::kTrack1Data, ctl::kTrack2Data, ctl::kTrack3Data}) rig.window.SetText(box, "old");
  rig.ForgetLogs();
  rig.Press(ctl::kReadCard);
  EXPECT_EQ(rig.TrackBoxes(), (Strings{"", "", ""}));
  const Strings& ops = rig.window.operations;
  ASSERT_GE(ops.size(), 4u);
  EXPECT_EQ(Strings(ops.begin(), ops.begin() + 4),
            (Strings{Operation("SetText", ctl::kTrack1Data), Operation("SetText", ctl::kTrack2Data),
                     Operation("SetText", ctl::kTrack3Data), Operation("SetText", ctl::kStatusLine)}));
  EXPECT_EQ(rig.Status(), "No device connected!");
}

TEST(ReadCard, TrackSelectionChangesOnlyRequestByte3) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  for (int selection = 0; selection < 7; ++selection) {
    rig.window.SelectListEntry(ctl::kTrackSelection, selection);
    rig.Press(ctl::kReadCard);
  }
  const auto& writes = rig.sim.Seen().writes;
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
    DialogRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Press(ctl::kPassiveUpload);
    rig.sim.Reader().Swipe(
        reader::CardSwipe::Good("B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101", "0112345678="));
    rig.window.SelectListEntry(ctl::kTrackSelection, row.selection);
    rig.Press(ctl::kReadCard);
    EXPECT_EQ(rig.TrackBoxes(), row.boxes) << row.selection;
  }
}

TEST(ReadCard, ReaderThatNeverStopsSendingIsCutOffAfter16Reports) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = 3;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.sim.Reader().Swipe(reader::CardSwipe::Good("B1234", "", "789"));

  rig.Press(ctl::kReadCard);

  // What was gathered is decoded: the real reply came first.
  EXPECT_EQ(rig.TrackBoxes(), (Strings{kBlank, kBlank, "789"}));
  EXPECT_EQ(rig.sim.Seen().Reads(), 16u);
  EXPECT_EQ(rig.sim.Seen().cancelledTransfers, 0);  // no read ran out
  // Write, reply, then 15 filler reports 3 ms apart.
  EXPECT_EQ(rig.ElapsedMs(), 4 + 15 * 3);
}

TEST(ReadCard, ReplyLongerThan16ReportsIsNotReadFurther) {
  std::vector<Bytes> reports(20, Report({0x02, 0x08, 'Y', 1, 'x', 1, 'y', 1, 'z'}));
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = reports;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kReadCard);
  EXPECT_EQ(rig.TrackBoxes(), (Strings{"x", "y", "z"}));
  EXPECT_EQ(rig.sim.Seen().Reads(), 16u);
  EXPECT_EQ(rig.sim.Seen().cancelledTransfers, 0);  // no read ran out
}

}  // namespace
}  // namespace magcfg::test
