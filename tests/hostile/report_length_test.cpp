// A reader that describes report lengths it should not: 0, 1, 3, 4, 11, 12,
// 64, 65, 1024, 1025 and 4096 bytes, for its output report, its input report
// or both, under each of the six commands. A request goes out only when the
// output report holds its frame (12 bytes for the format, 5 for the card
// read, 4 for the others), and then exactly that long; otherwise the
// command says so and sends nothing. Every read asks for exactly the input
// report length and bytes that did not come read as 0. Built with the
// sanitizers, this also shows that no length reads or writes past a buffer.
#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

constexpr std::uint16_t kLengths[] = {0, 1, 3, 4, 11, 12, 64, 65, 1024, 1025, 4096};

enum class Side { Output, Input, Both };
const char* SideName(Side side) {
  switch (side) {
    case Side::Output: return "Output";
    case Side::Input: return "Input";
    default: return "Both";
  }
}

struct LengthCase {
  Side side;
  Command command;
  std::uint16_t length;
};
void PrintTo(const LengthCase& c, std::ostream* os) { *os << SideName(c.side) << c.command.name << c.length; }

const std::string kTrack2 = "4111111111111111=2512101";
const std::string kTrack3 = "0112345678=";

// What a command shows when only the first `delivered` bytes of the sane
// reader's reply arrive (at most the 65 it sends). The replies: format
// 00 02 30 'Y' 03; version 00 02 05 "V1.02" 03; card status 00 02 09 'Y' 02
// 03; card read 00 02 08 'Y' 00 24 <track 2> 11 <track 3>.
struct Shown {
  Strings events;
  Strings boxes;
  int reads;
};

Shown WhenDelivered(const Command& command, std::size_t delivered) {
  const Strings none = {"", "", ""};
  switch (command.code) {
    case 0x30:
      if (delivered >= 4) return {SaneEvents(command), {}, 1};
      return {{kFormatSent}, {}, 1};
    case 0x05: {
      const std::string text = delivered <= 3 ? "" : delivered == 4 ? "V" : "V1.02";
      return {{kSent, "status:" + text, "box:Information|" + text}, {}, 1};
    }
    case 0x06:
    case 0x07:
      return {SaneEvents(command), {}, 1};
    case 0x09:
      if (delivered >= 5) return {SaneEvents(command), {}, 1};
      return {{kSent, "status:没有刷卡", "box:Information|没有刷卡"}, {}, 1};
    default:
      // Bytes 1 and 2 make the value that decides whether the reply is
      // gathered; once it is, the next read runs out.
      if (delivered <= 1) return {{kSent}, none, 1};
      if (delivered == 3) return {{kSent}, none, 2};
      if (delivered == 4) return {{kSent}, {kBlank, kBlank, kBlank}, 2};
      // Track 2's 24 bytes start at byte 6.
      if (delivered < 30) return {{kSent}, {kBlank, kTrack2.substr(0, delivered - 6), kBlank}, 2};
      return {{kSent}, {kBlank, kTrack2, kTrack3}, 2};
  }
}

class ReportLengths : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ReportLengths, SendOnlyWhatFitsAndReadOnlyWhatIsThere) {
  const LengthCase& c = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  reader::ReportLengths lengths{sim::kSaneReportLength, sim::kSaneReportLength};
  if (c.side != Side::Input) lengths.output = c.length;
  if (c.side != Side::Output) lengths.input = c.length;
  rig.hid.Faults().reportLengths = lengths;

  rig.Press(c.command);

  if (lengths.output < c.command.frameLength) {
    EXPECT_EQ(rig.window.events, Strings{"status:Device report length not supported!"});
    EXPECT_EQ(rig.hid.Counts().usageChecks, 0);
    EXPECT_EQ(rig.hid.Counts().writes, 0);
    EXPECT_EQ(rig.hid.Counts().reads, 0);
    EXPECT_EQ(rig.ElapsedMs(), 0);
  } else {
    // The request fills the whole output report: the frame, then zeros.
    ASSERT_EQ(rig.sim.Seen().writes.size(), 1u);
    const Bytes& written = rig.sim.Seen().writes[0];
    ASSERT_EQ(written.size(), lengths.output);
    EXPECT_EQ(written[1], 0x02);
    EXPECT_EQ(written[2], c.command.code);
    EXPECT_EQ(written[c.command.frameLength - 1], 0x03);
    EXPECT_TRUE(std::all_of(written.begin() + static_cast<std::ptrdiff_t>(c.command.frameLength), written.end(),
                            [](std::uint8_t b) { return b == 0; }));

    const Shown shown = WhenDelivered(c.command, std::min<std::size_t>(lengths.input, sim::kSaneReportLength));
    EXPECT_EQ(rig.window.events, shown.events);
    if (c.command.code == kReadCard.code) {
      EXPECT_EQ(rig.TrackBoxes(), shown.boxes);
    }
    EXPECT_EQ(rig.hid.Counts().reads, shown.reads);
    // A gathered card reply ends when the read after it runs out.
    EXPECT_TRUE(rig.WaitedOut(shown.reads == 2 ? 50 : 0));
  }
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(rig.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(c.command.boundMs));
  EXPECT_LE(rig.ElapsedMs(), c.command.boundMs);
  // Among the books: every write and read was exactly its report's length.
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

std::vector<LengthCase> LengthCases() {
  std::vector<LengthCase> cases;
  for (Side side : {Side::Output, Side::Input, Side::Both}) {
    for (const Command& command : kCommands) {
      for (std::uint16_t length : kLengths) cases.push_back({side, command, length});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EachSideCommandAndLength, ReportLengths, ::testing::ValuesIn(LengthCases()),
                         [](const auto& info) {
                           return std::string(SideName(info.param.side)) + info.param.command.name +
                                  std::to_string(info.param.length);
                         });

// The lengths are asked for anew in every exchange: a reader whose
// description changes between two presses is measured again each time.
TEST(ReportLengths, AreAskedForAnewInEveryExchange) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  for (const std::uint16_t length : kLengths) {
    rig.hid.Faults().reportLengths = reader::ReportLengths{sim::kSaneReportLength, length};
    rig.Press(kVersion);
  }
  EXPECT_EQ(rig.hid.Counts().lengthQueries, static_cast<int>(std::size(kLengths)));
  // Sent under the eight lengths of 4 bytes or more, each as long as its report.
  const auto& writes = rig.sim.Seen().writes;
  ASSERT_EQ(writes.size(), 8u);
  for (std::size_t i = 0; i < writes.size(); ++i) EXPECT_EQ(writes[i].size(), kLengths[i + 3]);
  EXPECT_TRUE(rig.NothingLeftBehind());
}

}  // namespace
}  // namespace magcfg::test
