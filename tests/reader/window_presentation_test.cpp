// How the window shows what a command's exchange came to: the steps while
// it is under way and then its end, in the status line, in message boxes
// and in the track boxes, in order, in the language in force. What the
// exchange itself does is the reader session's (reader_session_test.cpp);
// each row here makes the reader end an exchange one way and looks only at
// the window.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using Setup = std::function<void(DialogRig&)>;

Setup Replying(Bytes report, bool chinese = false) {
  return [=](DialogRig& rig) {
    rig.sim.Config().reader.scriptedReply = {report};
    if (chinese) rig.SwitchToChinese();
  };
}
Setup Writes(sim::WriteCompletion completion, bool replies = true) {
  return [=](DialogRig& rig) {
    rig.sim.Config().reader.writeCompletion = completion;
    rig.sim.Config().reader.replies = replies;
  };
}
Setup Faults(std::function<void(HidFaults&)> arm, bool chinese = false) {
  return [=](DialogRig& rig) {
    arm(rig.hid.Faults());
    if (chinese) rig.SwitchToChinese();
  };
}
const Setup kChinese = [](DialogRig& rig) { rig.SwitchToChinese(); };
const Setup kNoTrackTicked = [](DialogRig& rig) { rig.UntickTrackOutputs(); };

struct Row {
  const char* name;
  Command command;
  Setup setup;
  Strings events;  // status lines and boxes ("box:<title>|<text>"), in order
  Strings boxes = {};  // the track boxes afterwards, for the card read
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const std::string kTimeoutBox = "box:Error|Send data timeout!";
const std::string kReplyTimeout = "status:Receive data timeout!";
const Strings kFormatNoReply = {"status:Receive data timeout", "box:ERROR|Receive data timeout"};
const Strings kEmpty = {"", "", ""};
const std::string kNoSwipe = "没有刷卡";

Strings Then(Strings first, const Strings& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}

// clang-format off
const Row kRows[] = {
    // Before anything is sent.
    {"NotConnectedEvenWithNoTrackTicked", kReadCard, [](DialogRig& rig) { rig.Press(ctl::kDisconnect); rig.UntickTrackOutputs(); rig.ForgetLogs(); },
     {"status:No device connected!"}, kEmpty},
    {"NoTrackTickedTitlesTheBox", kVersion, kNoTrackTicked, {"box:You must select any one track to output!|Error"}},
    {"NoTrackTickedInChinese", kCardStatus, [](DialogRig& rig) { rig.SwitchToChinese(); rig.UntickTrackOutputs(); },
     {"box:至少要选择任意一个轨道输出|Error"}},
    {"NoReportDescription", kActiveMode, Faults([](HidFaults& f) { f.noReportLengths = true; }), {"status:Could not get HID preparsed data!"}},
    {"FrameDoesNotFit", kSetFormat, Faults([](HidFaults& f) { f.reportLengths = reader::ReportLengths{65, 11}; }),
     {"status:Device report length not supported!"}},
    {"UsageRefusedShowsNothing", kPassiveMode, Faults([](HidFaults& f) { f.refuseUsageCheck = true; }), {}},

    // The format command: its notices in the status line, its verdict in a box.
    {"FormatAccepted", kSetFormat, {}, {kFormatSent, "status:Set format OK!", "box:Information|Set format OK!"}},
    {"FormatRefused", kSetFormat, Replying(Report({0x02, 0x30, 'N', 0x03})),
     {kFormatSent, "status:Set format failed!", "box:ERROR|Set format failed!"}},
    {"FormatNoVerdict", kSetFormat, Replying(Report({0x02, 0x30, 'y', 0x03})), {kFormatSent}},
    {"FormatAcceptedInChinese", kSetFormat, kChinese, {"status:发送数据成功", "status:设置命令成功", "box:Information|设置命令成功"}},
    {"FormatRefusedInChinese", kSetFormat, Replying(Report({0x02, 0x30, 'N', 0x03}), true),
     {"status:发送数据成功", "status:设置命令失败", "box:ERROR|设置命令失败"}},
    {"FormatNoReply", kSetFormat, Writes(sim::WriteCompletion::AfterDelay, false), Then({kFormatSent}, kFormatNoReply)},
    {"FormatWriteRunsOutThenReply", kSetFormat, Writes(sim::WriteCompletion::Never),
     {"status:Send data timeout!", "status:Set format OK!", "box:Information|Set format OK!"}},
    {"FormatNothingCompletes", kSetFormat, Writes(sim::WriteCompletion::Never, false), Then({"status:Send data timeout!"}, kFormatNoReply)},
    {"FormatTimeOutsInChinese", kSetFormat, [](DialogRig& rig) { Writes(sim::WriteCompletion::Never, false)(rig); rig.SwitchToChinese(); },
     {"status:发送数据超时", "status:接收数据超时", "box:ERROR|接收数据超时"}},
    // A transfer that fails at once shows what its time-out shows.
    {"FormatWriteFails", kSetFormat, Faults([](HidFaults& f) { f.writeFailures = CallSelection::All(); }),
     Then({"status:Send data timeout!"}, kFormatNoReply)},
    // A reader another program keeps for the whole wait: what a write that
    // ran out shows, and what a read that got nothing shows.
    {"FormatReaderBusy", kSetFormat, Faults([](HidFaults& f) { f.busyLocks = CallSelection::All(); }),
     Then({"status:Send data timeout!"}, kFormatNoReply)},
    {"FormatReadFails", kSetFormat, Faults([](HidFaults& f) { f.readFailures = CallSelection::All(); }), Then({kFormatSent}, kFormatNoReply)},

    // Version: its notice of the write only when the write call had not
    // reported the whole report; the reader's text in the status line and a box.
    {"Version", kVersion, {}, {kSent, "status:V1.02", "box:Information|V1.02"}},
    {"VersionWrittenInTheCall", kVersion, Writes(sim::WriteCompletion::InsideCall), {"status:V1.02", "box:Information|V1.02"}},
    {"VersionWrittenInTheCallNoReply", kVersion, Writes(sim::WriteCompletion::InsideCall, false), {kReplyTimeout}},
    {"VersionWriteRunsOutThenReply", kVersion, Writes(sim::WriteCompletion::Never), {kTimeoutBox, "status:V1.02", "box:Information|V1.02"}},
    {"VersionWithoutText", kVersion, Replying(Report({0x02, 0x06, 0x41, 0x03})), {kSent, "status:", "box:Information|"}},
    {"VersionBytesAbove0x7F", kVersion, Replying(Report({0x05, 0xE9, 0x03})), {kSent, "status:\xC3\xA9", "box:Information|\xC3\xA9"}},

    // The upload modes and the card status: the write's notice, then the result and its box.
    {"PassiveMode", kPassiveMode, {}, {kSent, "status:被动上传模式设置成功", "box:Information|被动上传模式设置成功"}},
    {"ActiveModeInChinese", kActiveMode, kChinese, {"status:发送命令数据成功", "status:主动上传模式设置成功", "box:Information|主动上传模式设置成功"}},
    {"ModeNothingCompletes", kActiveMode, Writes(sim::WriteCompletion::Never, false), {kTimeoutBox, kReplyTimeout}},
    {"ModeWriteFails", kPassiveMode, Faults([](HidFaults& f) { f.writeFailures = CallSelection::All(); }), {kTimeoutBox, kReplyTimeout}},
    {"CardStatusNoSwipe", kCardStatus, {}, {kSent, "status:没有刷卡", "box:Information|没有刷卡"}},
    // Only the version command keeps quiet about a write done inside the call.
    {"CardStatusWrittenInTheCall", kCardStatus, Writes(sim::WriteCompletion::InsideCall), {kSent, "status:没有刷卡", "box:Information|没有刷卡"}},
    {"CardStatusSwipeFailed", kCardStatus, Replying(Report({0x02, 0x09, 'Y', 1, 0x03})), {kSent, "status:刷卡失败", "box:Information|刷卡失败"}},
    {"CardStatusSwipeOk", kCardStatus, Replying(Report({0x02, 0x09, 'Y', 2, 0x03})), {kSent, "status:刷卡成功", "box:Information|刷卡成功"}},
    {"CardStatusCode3", kCardStatus, Replying(Report({0x02, 0x09, 'Y', 3, 0x03})), {kSent}},
    {"CardStatusNoReply", kCardStatus, Writes(sim::WriteCompletion::AfterDelay, false), {kSent, kReplyTimeout}},
    {"CardStatusReadFails", kCardStatus, Faults([](HidFaults& f) { f.readFailures = CallSelection::All(); }), {kSent, kReplyTimeout}},

    // The card read: the tracks in their boxes, no box; a refusal in the
    // status line and the boxes; a write that ran out ends it.
    {"CardTracks", kReadCard, Replying(Report({0x02, 0x08, 'Y', 3, '1', '2', '3', 0, 2, '4', '5'})), {kSent}, {"123", kBlank, "45"}},
    {"CardTrackZeroByteAndNegativeLength", kReadCard, Replying(Report({0x02, 0x08, 'Y', 4, 'A', 0, 'B', 'C', 0x90, 0})),
     {kSent}, {"ABC", "", kBlank}},
    {"CardNoSwipe", kReadCard, {}, {kSent, "status:" + kNoSwipe}, {kNoSwipe, kNoSwipe, kNoSwipe}},
    {"CardSwipeFailed", kReadCard, Replying(Report({0x02, 0x08, 'N', 1})), {kSent, "status:刷卡失败"}, {"刷卡失败", "刷卡失败", "刷卡失败"}},
    {"CardUnknownReason", kReadCard, Replying(Report({0x02, 0x08, 'N', 2})), {kSent}, kEmpty},
    {"CardNothingGathered", kReadCard, Replying(Report({0x00, 0x20, 'Y', 0, 0, 0})), {kSent}, kEmpty},
    {"CardNoReply", kReadCard, Writes(sim::WriteCompletion::AfterDelay, false), {kSent, kReplyTimeout}, kEmpty},
    {"CardWriteRunsOut", kReadCard, Writes(sim::WriteCompletion::Never), {kTimeoutBox}, kEmpty},
    {"CardReaderBusy", kReadCard, Faults([](HidFaults& f) { f.busyLocks = CallSelection::All(); }), {kTimeoutBox}, kEmpty},
    {"CardWriteFails", kReadCard, Faults([](HidFaults& f) { f.writeFailures = CallSelection::All(); }), {kTimeoutBox}, kEmpty},
};
// clang-format on

class WindowShows : public ::testing::TestWithParam<Row> {};

TEST_P(WindowShows, WhatTheExchangeCameTo) {
  const Row& row = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.window.SetText(ctl::kStatusLine, "before");
  for (int box : ctl::kTrackDataBoxes) rig.window.SetText(box, "old");
  if (row.setup) row.setup(rig);
  rig.ForgetLogs();

  rig.Press(row.command);

  EXPECT_EQ(rig.window.events, row.events);
  if (row.events.empty()) {
    EXPECT_EQ(rig.Status(), "before");
  }
  if (row.command.code == kReadCard.code) {
    EXPECT_EQ(rig.TrackBoxes(), row.boxes);
  }
  // Boxes titled "Information" carry the information icon, every other the error icon.
  for (const ShownBox& box : rig.window.boxes) {
    EXPECT_EQ(box.icon, box.title == "Information" ? BoxIcon::Information : BoxIcon::Error) << box.title;
  }
}

INSTANTIATE_TEST_SUITE_P(Exchanges, WindowShows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The card read empties the track boxes before any check, so that a refused
// or failed read leaves them empty.
TEST(ReadCard, EmptiesTheTrackBoxesBeforeAnyCheck) {
  DialogRig rig;
  for (int box : ctl::kTrackDataBoxes) rig.window.SetText(box, "old");
  rig.ForgetLogs();
  rig.Press(ctl::kReadCard);
  const Strings& ops = rig.window.operations;
  ASSERT_GE(ops.size(), 4u);
  EXPECT_EQ(Strings(ops.begin(), ops.begin() + 4),
            (Strings{Operation("SetText", ctl::kTrack1Data), Operation("SetText", ctl::kTrack2Data),
                     Operation("SetText", ctl::kTrack3Data), Operation("SetText", ctl::kStatusLine)}));
  EXPECT_EQ(rig.Status(), "No device connected!");
}

TEST(ReadCard, AsksForTheEntryChosenInTheList) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  for (int selection = 0; selection < 7; ++selection) {
    rig.window.SelectListEntry(ctl::kTrackSelection, selection);
    rig.Press(ctl::kReadCard);
    EXPECT_EQ(rig.sim.Seen().writes.back(), ReportOf({0x02, 0x08, static_cast<std::uint8_t>(selection), 0x03}));
  }
}

// A reader pulled out stays connected until Disconnect: every command still
// ends within its bound, and Find Device answers that it is open. After
// Disconnect, Find Device no longer finds it.
TEST(UnpluggedReader, StaysConnectedUntilDisconnect) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.hid.Faults().unplugAtTransfer = 0;
  rig.hid.Faults().unplugMode = UnplugMode::EndsAtOnce;
  for (const Command& command : kCommands) {
    rig.ForgetLogs();
    rig.Press(command);
    EXPECT_LE(rig.ElapsedMs(), command.boundMs) << command.name;
    EXPECT_FALSE(rig.window.events.empty()) << command.name;
    EXPECT_TRUE(rig.NothingLeftBehind()) << command.name;
  }
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.Status(), "Detect Device OK!");
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.Status(), "Device disconnected!");
  EXPECT_TRUE(rig.NothingLeftBehind());
}

}  // namespace
}  // namespace magcfg::test
