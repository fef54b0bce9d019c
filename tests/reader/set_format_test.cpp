// Set Device and Set default format: the frame packed from the panel and
// the sentinel set that follows the panel.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {



Bytes SentRequest(const DialogRig& rig) {
  const auto& writes = rig.sim.Seen().writes;
  return writes.empty() ? Bytes() : writes.back();
}

TEST(SetDefaultFormat, SendsTheFactoryFrameAndTheReaderTakesIt) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  // A panel far from the factory one.
  for (int box : ctl::kSentinelBoxes) rig.window.SetText(box, "#");
  rig.window.SetChecked(ctl::kOutputTrack1, false);
  rig.window.SetChecked(ctl::kCrPacket, false);
  rig.window.SetChecked(ctl::kCrTrack1, true);

  rig.Press(ctl::kSetDefaultFormat);

  Bytes expected = {0x00, 0x02, 0x30, 0x25, 0x3F, 0x3B, 0x3F, 0x2B, 0x3F, 0x37, 0x38, 0x03};
  expected.resize(65, 0);
  EXPECT_EQ(SentRequest(rig), expected);
  EXPECT_EQ(rig.window.events,
            (Strings{"status:Send data success", "status:Set format OK!", "box:Information|Set format OK!"}));
  EXPECT_EQ(rig.window.boxes.back().icon, BoxIcon::Information);
  EXPECT_EQ(rig.sim.Reader().Format(), reader::ReaderFormat{});
  EXPECT_EQ(rig.state.sentinels.texts, (std::array<std::string, 6>{"%", "?", ";", "?", "+", "?"}));
}

TEST(SetDefaultFormat, WithoutReaderResetsThePanelButNotTheSentinelSet) {
  DialogRig rig;
  rig.window.SetText(ctl::kTrack1Start, "#");
  rig.window.SetChecked(ctl::kOutputTrack2, false);
  rig.window.SetChecked(ctl::kCrPacket, false);
  rig.window.SetChecked(ctl::kCrTrack2, true);
  rig.window.SetEnabled(ctl::kCrTrack2, true);
  rig.state.sentinels.texts[0] = "#";

  rig.Press(ctl::kSetDefaultFormat);

  EXPECT_EQ(rig.window.events, Strings{"status:No device connected!"});
  const char* factory[6] = {"%", "?", ";", "?", "+", "?"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rig.window.GetText(ctl::kSentinelBoxes[i]), factory[i]);
  for (int box : {ctl::kOutputTrack1, ctl::kOutputTrack2, ctl::kOutputTrack3, ctl::kCrPacket}) EXPECT_TRUE(rig.window.IsChecked(box)) << box;
  for (int box : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_FALSE(rig.window.IsChecked(box)) << box;
    EXPECT_FALSE(rig.window.IsEnabled(box)) << box;
  }
  EXPECT_EQ(rig.state.sentinels.texts[0], "#");
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
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  for (int i = 0; i < 3; ++i) {
    rig.window.SetChecked(ctl::kOutputTrack1 + i, row.output[i]);
    rig.window.SetChecked(ctl::kCrTrack1 + i, row.crAfterTrack[i]);
  }
  rig.window.SetChecked(ctl::kCrPacket, row.crAfterPacket);

  rig.Press(ctl::kSetDevice);

  const Bytes sent = SentRequest(rig);
  ASSERT_EQ(sent.size(), 65u);
  EXPECT_EQ(sent[9], row.byte9);
  EXPECT_EQ(sent[10], row.byte10);
  EXPECT_EQ(sent[11], 0x03);
  // The reader takes every such frame.
  EXPECT_EQ(rig.Status(), "Set format OK!");
}

INSTANTIATE_TEST_SUITE_P(Combinations, FormatDigits, ::testing::ValuesIn(kDigitRows));

TEST(SetDevice, EmptySentinelBoxGoesOutAs0xFFAndEmptiesItsSentinel) {
  for (int i = 0; i < 6; ++i) {
    DialogRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.window.SetText(ctl::kSentinelBoxes[i], "");
    rig.Press(ctl::kSetDevice);
    const Bytes sent = SentRequest(rig);
    ASSERT_EQ(sent.size(), 65u);
    const Bytes factory = {0x25, 0x3F, 0x3B, 0x3F, 0x2B, 0x3F};
    for (int j = 0; j < 6; ++j) EXPECT_EQ(sent[3 + j], j == i ? 0xFF : factory[j]) << "box " << ctl::kSentinelBoxes[i];
    EXPECT_EQ(rig.state.sentinels.texts[i], "") << "box " << ctl::kSentinelBoxes[i];
  }
}

TEST(SetDevice, SentinelCharactersGoOutAsTheirByte) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  const char* texts[6] = {"A", "é", "~", "1", "\x7f", " "};
  for (int i = 0; i < 6; ++i) rig.window.SetText(ctl::kSentinelBoxes[i], texts[i]);
  rig.Press(ctl::kSetDevice);
  const Bytes sent = SentRequest(rig);
  EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 9), (Bytes{'A', 0xE9, '~', '1', 0x7F, ' '}));
  EXPECT_EQ(rig.state.sentinels.texts[1], "é");
}

// The sentinel set takes the panel's sentinels after every exchange that got
// past the usage check, whatever came of it, and after no other.
struct WriteBackRow {
  const char* name;
  std::function<void(sim::SimulatedReaderConfig&)> configure;
  bool connect;
  bool tickNoTrack;
  bool updated;
  bool heldByAnotherProgram = false;
};
void PrintTo(const WriteBackRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
const WriteBackRow kWriteBackRows[] = {
    {"Accepted", [](auto&) {}, true, false, true},
    {"Refused", [](auto& c) { c.reader.scriptedReply = {Report({0x02, 0x30, 'N', 0x03})}; }, true, false, true},
    {"NoVerdict", [](auto& c) { c.reader.scriptedReply = {Report({})}; }, true, false, true},
    {"WriteTimedOut", [](auto& c) { c.reader.writeCompletion = sim::WriteCompletion::Never; }, true, false, true},
    {"ReadTimedOut", [](auto& c) { c.reader.replies = false; }, true, false, true},
    {"ReaderBusy", [](auto&) {}, true, false, true, true},
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
  DialogRig rig(config);
  if (row.connect) {
    ASSERT_TRUE(rig.Connect());
  }
  if (row.tickNoTrack) rig.UntickTrackOutputs();
  if (row.heldByAnotherProgram) rig.hid.Faults().busyLocks = CallSelection::All();
  rig.window.SetText(ctl::kTrack1Start, "#");
  rig.window.SetText(ctl::kTrack3End, "");

  rig.Press(ctl::kSetDevice);

  const std::array<std::string, 6> updated = {"#", "?", ";", "?", "+", ""};
  const std::array<std::string, 6> unchanged = {"%", "?", ";", "?", "+", "?"};
  EXPECT_EQ(rig.state.sentinels.texts, row.updated ? updated : unchanged);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, SentinelWriteBack, ::testing::ValuesIn(kWriteBackRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace magcfg::test
