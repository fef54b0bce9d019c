// One request and its reply for each of the six commands: the pre-checks,
// the notices of the write and the read, what is sent, and how long the
// window is held, in virtual time.
#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using sim::WriteCompletion;

std::string CommandName(const ::testing::TestParamInfo<Command>& info) { return info.param.name; }

// --- What the write and the read show, per command and reader behaviour.

struct TimingRow {
  const char* name;
  Command command;
  WriteCompletion write;
  bool replies;
  Strings events;  // status lines and boxes ("box:<title>|<text>"), in order
  std::size_t reads;
  int cancels;  // transfers that ran out, each cancelled by the backend
  std::int64_t elapsedMs;
};
void PrintTo(const TimingRow& row, std::ostream* os) { *os << row.name; }

// The sane reader completes a write 1 ms after the call and has its reply
// there 4 ms after the write began.
// clang-format off
const TimingRow kTimingRows[] = {
    // A write that never completes, and no reply.
    {"SetFormatWriteAndReadRunOut", kSetFormat, WriteCompletion::Never, false,
     {"status:Send data timeout!", "status:Receive data timeout", "box:ERROR|Receive data timeout"}, 1, 2, 2000},
    {"VersionWriteAndReadRunOut", kVersion, WriteCompletion::Never, false,
     {"box:Error|Send data timeout!", "status:Receive data timeout!"}, 1, 2, 2000},
    {"PassiveWriteAndReadRunOut", kPassiveMode, WriteCompletion::Never, false,
     {"box:Error|Send data timeout!", "status:Receive data timeout!"}, 1, 2, 2000},
    {"ActiveWriteAndReadRunOut", kActiveMode, WriteCompletion::Never, false,
     {"box:Error|Send data timeout!", "status:Receive data timeout!"}, 1, 2, 2000},
    {"CardStatusWriteAndReadRunOut", kCardStatus, WriteCompletion::Never, false,
     {"box:Error|Send data timeout!", "status:Receive data timeout!"}, 1, 2, 2000},
    {"ReadCardWriteRunsOutNoRead", kReadCard, WriteCompletion::Never, false, {"box:Error|Send data timeout!"}, 0, 1,
     100},
    // The write completes after the call; no reply.
    {"SetFormatNoReply", kSetFormat, WriteCompletion::AfterDelay, false,
     {"status:Send data success", "status:Receive data timeout", "box:ERROR|Receive data timeout"}, 1, 1, 1001},
    {"VersionNoReply", kVersion, WriteCompletion::AfterDelay, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 1001},
    {"PassiveNoReply", kPassiveMode, WriteCompletion::AfterDelay, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 1001},
    {"ActiveNoReply", kActiveMode, WriteCompletion::AfterDelay, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 1001},
    {"CardStatusNoReply", kCardStatus, WriteCompletion::AfterDelay, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 1001},
    {"ReadCardNoReply", kReadCard, WriteCompletion::AfterDelay, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 51},
    // The write completes inside the call: the version command alone keeps quiet about it.
    {"VersionInsideCallNoReply", kVersion, WriteCompletion::InsideCall, false, {"status:Receive data timeout!"}, 1, 1,
     1000},
    {"CardStatusInsideCallNoReply", kCardStatus, WriteCompletion::InsideCall, false,
     {"status:Set Command OK!", "status:Receive data timeout!"}, 1, 1, 1000},
    {"SetFormatInsideCallNoReply", kSetFormat, WriteCompletion::InsideCall, false,
     {"status:Send data success", "status:Receive data timeout", "box:ERROR|Receive data timeout"}, 1, 1, 1000},
    {"VersionInsideCallReply", kVersion, WriteCompletion::InsideCall, true, {"status:V1.02", "box:Information|V1.02"}, 1,
     0, 4},
    // A write that runs out, then a reply: it is interpreted as usual.
    {"SetFormatWriteRunsOutThenReply", kSetFormat, WriteCompletion::Never, true,
     {"status:Send data timeout!", "status:Set format OK!", "box:Information|Set format OK!"}, 1, 1, 1000},
    {"VersionWriteRunsOutThenReply", kVersion, WriteCompletion::Never, true,
     {"box:Error|Send data timeout!", "status:V1.02", "box:Information|V1.02"}, 1, 1, 1000},
    {"PassiveWriteRunsOutThenReply", kPassiveMode, WriteCompletion::Never, true,
     {"box:Error|Send data timeout!", "status:被动上传模式设置成功", "box:Information|被动上传模式设置成功"}, 1, 1, 1000},
    {"ActiveWriteRunsOutThenReply", kActiveMode, WriteCompletion::Never, true,
     {"box:Error|Send data timeout!", "status:主动上传模式设置成功", "box:Information|主动上传模式设置成功"}, 1, 1, 1000},
    {"CardStatusWriteRunsOutThenReply", kCardStatus, WriteCompletion::Never, true,
     {"box:Error|Send data timeout!", "status:没有刷卡", "box:Information|没有刷卡"}, 1, 1, 1000},
    {"ReadCardWriteRunsOutReplyNotRead", kReadCard, WriteCompletion::Never, true, {"box:Error|Send data timeout!"}, 0,
     1, 100},
    // Everything on time.
    {"SetFormatAnswered", kSetFormat, WriteCompletion::AfterDelay, true,
     {"status:Send data success", "status:Set format OK!", "box:Information|Set format OK!"}, 1, 0, 4},
    {"VersionAnswered", kVersion, WriteCompletion::AfterDelay, true,
     {"status:Set Command OK!", "status:V1.02", "box:Information|V1.02"}, 1, 0, 4},
    // A one-report card reply ends at the further read that runs out, 50 ms on.
    {"ReadCardAnswered", kReadCard, WriteCompletion::AfterDelay, true, {"status:Set Command OK!", "status:没有刷卡"}, 2,
     1, 54},
};
// clang-format on

class ExchangeTiming : public ::testing::TestWithParam<TimingRow> {};

TEST_P(ExchangeTiming, ShowsItsNoticesWithinItsTimeOuts) {
  const TimingRow& row = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = row.write;
  config.reader.replies = row.replies;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());

  rig.Press(row.command.button);

  EXPECT_EQ(rig.window.events, row.events);
  EXPECT_EQ(rig.sim.Seen().writes.size(), 1u);
  EXPECT_EQ(rig.sim.Seen().Reads(), row.reads);
  EXPECT_EQ(rig.sim.Seen().cancelledTransfers, row.cancels);
  EXPECT_EQ(rig.ElapsedMs(), row.elapsedMs);
}

INSTANTIATE_TEST_SUITE_P(CommandsAndReaders, ExchangeTiming, ::testing::ValuesIn(kTimingRows),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Checks before anything is sent, the same for every command.

class EveryCommand : public ::testing::TestWithParam<Command> {};

TEST_P(EveryCommand, WithoutReaderShowsOnlyNotConnectedEvenWithNoTrackTicked) {
  DialogRig rig;
  rig.UntickTrackOutputs();
  rig.Press(GetParam().button);
  EXPECT_EQ(rig.window.events, Strings{"status:No device connected!"});
  EXPECT_EQ(rig.sim.Seen().walks, 0);
}

TEST_P(EveryCommand, WithNoTrackTickedShowsTheSelectTrackBoxAndSendsNothing) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.UntickTrackOutputs();
  rig.ForgetLogs();
  rig.Press(GetParam().button);
  EXPECT_EQ(rig.window.boxes,
            (std::vector<ShownBox>{{"Error", "You must select any one track to output!", BoxIcon::Error}}));
  EXPECT_EQ(rig.Status(), "before");
  EXPECT_EQ(rig.sim.Seen().reportLengthQueries, 0);
  EXPECT_TRUE(rig.sim.Seen().writes.empty());
}

TEST_P(EveryCommand, SelectTrackBoxInChineseKeepsTheEnglishBody) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwitchToChinese();
  rig.UntickTrackOutputs();
  rig.Press(GetParam().button);
  EXPECT_EQ(rig.window.boxes, (std::vector<ShownBox>{{"Error", "至少要选择任意一个轨道输出", BoxIcon::Error}}));
}

TEST_P(EveryCommand, WithoutReportDescriptionSendsNothing) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces[sim::kSaneReaderIndex].reportLengths.reset();
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.Press(GetParam().button);
  EXPECT_EQ(rig.window.events, Strings{"status:Could not get HID preparsed data!"});
  EXPECT_EQ(rig.sim.Seen().usageChecks, 0);
  EXPECT_TRUE(rig.sim.Seen().writes.empty());
  EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
}

TEST_P(EveryCommand, UsageCheckRefusedEndsSilentlyExceptForTheVersionWhichHasNone) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces[sim::kSaneReaderIndex].usageCheckPasses = false;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.ForgetLogs();
  rig.Press(GetParam().button);
  if (GetParam().code == 0x05) {
    EXPECT_EQ(rig.sim.Seen().usageChecks, 0);
    EXPECT_EQ(rig.sim.Seen().writes.size(), 1u);
    return;
  }
  EXPECT_EQ(rig.sim.Seen().usageChecks, 1);
  EXPECT_TRUE(rig.window.events.empty());
  EXPECT_EQ(rig.Status(), "before");
  EXPECT_TRUE(rig.sim.Seen().writes.empty());
  EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
}

TEST_P(EveryCommand, AsksForTheReportLengthsAnewEachTime) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.Press(GetParam().button);
  // The reader now describes longer reports; the next request follows them.
  rig.sim.Config().interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{65, 80};
  rig.Press(GetParam().button);
  const auto& writes = rig.sim.Seen().writes;
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].size(), 65u);
  EXPECT_EQ(writes[1].size(), 80u);
  EXPECT_EQ(rig.sim.Seen().reportLengthQueries, 2);
}

INSTANTIATE_TEST_SUITE_P(Six, EveryCommand, ::testing::ValuesIn(kCommands), CommandName);

// --- Report lengths the frames do not fit, or longer than the usual buffer.

TEST(ReportLengths, OutputReportShorterThanTheFrameSendsNothing) {
  struct Row {
    std::uint16_t outputLength;
    Command command;
    bool sent;
  };
  const Row rows[] = {
      {12, kSetFormat, true},   {11, kSetFormat, false}, {5, kReadCard, true}, {4, kReadCard, false},
      {4, kCardStatus, true},   {4, kVersion, true},     {3, kVersion, false}, {3, kActiveMode, false},
      {0, kPassiveMode, false}, {3, kCardStatus, false},
  };
  for (const Row& row : rows) {
    sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
    config.interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{65, row.outputLength};
    DialogRig rig(config);
    ASSERT_TRUE(rig.Connect());
    rig.Press(row.command.button);
    SCOPED_TRACE(std::string(row.command.name) + " in " + std::to_string(row.outputLength) + " bytes");
    EXPECT_EQ(rig.sim.Seen().writes.size(), row.sent ? 1u : 0u);
    if (row.sent) {
      EXPECT_EQ(rig.sim.Seen().writes[0].size(), row.outputLength);
    } else {
      EXPECT_EQ(rig.window.events, Strings{"status:Device report length not supported!"});
    }
  }
}

TEST(ReportLengths, InputReportLongerThan1024BytesIsReadWhole) {
  // A version text placed beyond byte 1024 is found only if the whole
  // report was read into room of its own length.
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{2000, 65};
  std::vector<std::uint8_t> report(2000, 0x20);
  report[0] = 0;
  report[1500] = 0x05;
  report[1501] = 'L';
  report[1502] = 'N';
  report[1503] = 0x03;
  config.reader.scriptedReply = {report};
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());

  rig.Press(kVersion.button);

  EXPECT_EQ(rig.Status(), "LN");
  EXPECT_EQ(rig.sim.Seen().Reads(), 1u);
}

TEST(ReportLengths, LongInputReportsOfACardReadAreCutTo64BytesEach) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{1500, 65};
  std::vector<std::uint8_t> report(1500, 'x');
  report[0] = 0;
  const std::uint8_t head[] = {0x02, 0x08, 'Y', 2, 'A', 'B', 0, 0};
  std::copy(std::begin(head), std::end(head), report.begin() + 1);
  config.reader.scriptedReply = {report};
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());

  rig.Press(kReadCard.button);

  EXPECT_EQ(rig.window.GetText(ctl::kTrack1Data), "AB");
  EXPECT_EQ(rig.window.GetText(ctl::kTrack2Data), "空白轨道");
  EXPECT_EQ(rig.window.GetText(ctl::kTrack3Data), "空白轨道");
}

}  // namespace
}  // namespace magcfg::test
