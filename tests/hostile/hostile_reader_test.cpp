// A reader that misbehaves, one way at a time, under each of the six
// commands: it floods reports, never answers, answers garbage or another
// command's reply, fails its transfers, is unplugged between the write and
// the read or in the middle of a reply, refuses the usage check, delivers
// short reads. Each case must end within its command's time bound with the
// notice the command defines, leave no interface open but the reader, and
// leave nothing open after Disconnect.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/support/dialog_rig.h"
#include "text/text_codec.h"

namespace magcfg::test {
namespace {

std::string CommandName(const ::testing::TestParamInfo<Command>& info) { return info.param.name; }

// The end of every case: within the bound, nothing left behind, and after
// Disconnect nothing open.
void ExpectEndedCleanly(DialogRig& rig, const Command& command) {
  // For the table of how long each hostile case holds the window.
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(rig.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(command.boundMs));
  EXPECT_LE(rig.ElapsedMs(), command.boundMs);
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// A table row: one command against one misbehaving reader.
struct Row {
  std::string name;
  Command command;
  Strings events;        // status lines and boxes, in order
  Strings boxes;         // the track boxes afterwards; checked for the card read only
  int reads;             // read calls made
  int timeouts;          // transfers that ran out
  std::int64_t timeOutsMs;  // the time-outs it runs out; the reader's own milliseconds aside
};

// The time-outs an exchange can run out.
constexpr std::int64_t kNoWait = 0;
constexpr std::int64_t kReadRunsOut = 1000;
constexpr std::int64_t kBothRunOut = 1000 + 1000;
constexpr std::int64_t kCardReadRunsOut = 50;
constexpr std::int64_t kCardWriteRunsOut = 100;

void ExpectRow(DialogRig& rig, const Row& row) {
  EXPECT_EQ(rig.window.events, row.events);
  if (row.command.code == kReadCard.code) {
    EXPECT_EQ(rig.TrackBoxes(), row.boxes);
  }
  EXPECT_EQ(rig.hid.Counts().reads, row.reads);
  EXPECT_EQ(rig.hid.Counts().timeouts, row.timeouts);
  EXPECT_TRUE(rig.WaitedOut(row.timeOutsMs));
  ExpectEndedCleanly(rig, row.command);
}

const Strings kNoTracks = {"", "", ""};
// The default swipe with the default selection (tracks 2 and 3).
const Strings kSaneTracks = {kBlank, "4111111111111111=2512101", "0112345678="};

const Strings kFormatReplyTimeout = {kFormatSent, "status:Receive data timeout", "box:ERROR|Receive data timeout"};
const Strings kReplyTimeout = {kSent, "status:Receive data timeout!"};
const Strings kEmptyVersion = {kSent, "status:", "box:Information|"};
const Strings kNoSwipe = {kSent, "status:没有刷卡", "box:Information|没有刷卡"};
const Strings kFormatOk = {kFormatSent, "status:Set format OK!", "box:Information|Set format OK!"};
const Strings kFormatFailed = {kFormatSent, "status:Set format failed!", "box:ERROR|Set format failed!"};

// ---------------------------------------------------------------------------
// A reader that never stops sending. The single-reply commands read one
// report and are done; the card read stops after 16.

struct FloodCase {
  Command command;
  int everyMs;
};
void PrintTo(const FloodCase& c, std::ostream* os) { *os << c.command.name << "Every" << c.everyMs << "ms"; }

class FloodingReader : public ::testing::TestWithParam<FloodCase> {};

TEST_P(FloodingReader, ReadsOnlyWhatItsCommandTakes) {
  const FloodCase& c = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = c.everyMs;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();

  rig.Press(c.command);

  EXPECT_EQ(rig.window.events, SaneEvents(c.command));
  if (c.command.code == kReadCard.code) {
    // The real reply came first and is decoded; the filler after it is cut off.
    EXPECT_EQ(rig.TrackBoxes(), kSaneTracks);
    EXPECT_EQ(rig.hid.Counts().reads, 16);
  } else {
    EXPECT_EQ(rig.hid.Counts().reads, 1);
    EXPECT_TRUE(rig.WaitedOut(kNoWait));
  }
  EXPECT_EQ(rig.hid.Counts().timeouts, 0);
  ExpectEndedCleanly(rig, c.command);
}

std::vector<FloodCase> FloodCases() {
  std::vector<FloodCase> cases;
  for (const Command& command : kCommands) {
    // Every millisecond; every 3; and just inside the card read's 50 ms wait.
    for (int everyMs : {1, 3, 49}) cases.push_back({command, everyMs});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, FloodingReader, ::testing::ValuesIn(FloodCases()), [](const auto& info) {
  return std::string(info.param.command.name) + "Every" + std::to_string(info.param.everyMs) + "ms";
});

// The slowest reader that still counts as answering: each write completes
// 1 ms inside its time-out, each report comes 1 ms inside its read's, and
// the card reply never ends. Each command ends just inside its bound.
class SlowestReader : public ::testing::TestWithParam<Command> {};

TEST_P(SlowestReader, EndsJustInsideItsBound) {
  const Command& command = GetParam();
  const bool cardRead = command.code == kReadCard.code;
  const int writeMs = cardRead ? 100 : 1000;
  const int readMs = cardRead ? 50 : 1000;
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeDelayMs = writeMs - 1;
  config.reader.replyDelayMs = (writeMs - 1) + (readMs - 1);
  if (cardRead) config.reader.floodEveryMs = readMs - 1;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();

  rig.Press(command);

  EXPECT_EQ(rig.window.events, SaneEvents(command));
  if (cardRead) {
    EXPECT_EQ(rig.TrackBoxes(), kSaneTracks);
    EXPECT_EQ(rig.hid.Counts().reads, 16);
  }
  EXPECT_EQ(rig.ElapsedMs(), (writeMs - 1) + (readMs - 1) * (cardRead ? 16 : 1));
  ExpectEndedCleanly(rig, command);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, SlowestReader, ::testing::ValuesIn(kCommands), CommandName);

// A card read cut off by the flood leaves nothing that the next command
// would take for its reply.
TEST(FloodingReader, CommandsAfterACutOffCardReadReadTheirOwnReply) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = 1;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  for (const Command& next : kCommands) {
    rig.Press(kReadCard);
    EXPECT_EQ(rig.hid.Counts().reads, 16);
    rig.ForgetLogs();
    rig.Press(next);
    EXPECT_EQ(rig.window.events, SaneEvents(next)) << next.name;
    EXPECT_LE(rig.ElapsedMs(), next.boundMs);
    EXPECT_TRUE(rig.NothingLeftBehind());
    rig.ForgetLogs();
  }
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// A reply that comes after its read ran out waits in the platform's queue;
// the next command drops it before its own request instead of taking it for
// its reply (the late version text would read as no verdict, no card status
// and no track data).
TEST(LateReply, IsNotTakenForTheNextCommandsReply) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  for (const Command& next : kCommands) {
    rig.sim.Config().reader.replyDelayMs = 1500;
    rig.Press(kVersion);
    EXPECT_EQ(rig.window.events, kReplyTimeout);
    rig.sim.Pause(1000);  // the operator reads the notice; the reply comes meanwhile
    rig.sim.Config().reader.replyDelayMs = 4;
    rig.ForgetLogs();
    rig.Press(next);
    EXPECT_EQ(rig.window.events, SaneEvents(next)) << next.name;
    if (next.code == kReadCard.code) {
      EXPECT_EQ(rig.TrackBoxes(), kSaneTracks);
    }
    EXPECT_EQ(rig.hid.Counts().discards, 1) << next.name;
    EXPECT_EQ(rig.sim.Seen().discardedReports, 1) << next.name;
    EXPECT_TRUE(rig.NothingLeftBehind());
    rig.ForgetLogs();
  }
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// ---------------------------------------------------------------------------
// A reader that takes the request and never answers; one whose writes never
// complete either; and one whose writes or reads fail at once (a stalled
// endpoint: EPIPE, EIO), which shows what a time-out shows, without the wait
// and never as "Send data success".

enum class Silence { ReadsRunOut, NothingCompletes, ReadsFail, WritesFail };

struct SilentRow {
  Row row;
  Silence silence;
};

class SilentReader : public ::testing::TestWithParam<SilentRow> {};

TEST_P(SilentReader, EndsAtItsTimeOutsWithTheTimeOutNotice) {
  const SilentRow& s = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  HidFaults& faults = rig.hid.Faults();
  switch (s.silence) {
    case Silence::NothingCompletes: faults.writeTimeouts = CallSelection::All(); [[fallthrough]];
    case Silence::ReadsRunOut: faults.readTimeouts = CallSelection::All(); break;
    case Silence::ReadsFail: faults.readFailures = CallSelection::All(); break;
    case Silence::WritesFail: faults.writeFailures = CallSelection::All(); break;
  }
  rig.Press(s.row.command);
  const bool fails = s.silence == Silence::ReadsFail || s.silence == Silence::WritesFail;
  EXPECT_EQ(rig.hid.Counts().failures, fails ? 1 : 0);
  ExpectRow(rig, s.row);
}

const Strings kSendTimeoutBox = {"box:Error|Send data timeout!"};
const Strings kFormatNothingSent = {"status:Send data timeout!", "status:Receive data timeout",
                                    "box:ERROR|Receive data timeout"};
const Strings kSendTimeoutThenReplyTimeout = {kSendTimeoutBox[0], "status:Receive data timeout!"};

// What one case shows under the format command, under each of the four
// commands that read one short reply (alike), and under the card read.
struct Outcome {
  Strings events;
  int reads;
  int timeouts;
  std::int64_t timeOutsMs;
};
struct Outcomes {
  Outcome format, oneReply, card;
};

// The write completes; the read runs its whole time-out.
const Outcomes kReadRunsOutCase = {{kFormatReplyTimeout, 1, 1, kReadRunsOut},
                                   {kReplyTimeout, 1, 1, kReadRunsOut},
                                   {kReplyTimeout, 1, 1, kCardReadRunsOut}};
// The write runs out too; all but the card read still wait for a reply.
const Outcomes kNothingCompletesCase = {{kFormatNothingSent, 1, 2, kBothRunOut},
                                        {kSendTimeoutThenReplyTimeout, 1, 2, kBothRunOut},
                                        {kSendTimeoutBox, 0, 1, kCardWriteRunsOut}};
// The read fails at once: the read time-out's notice without the wait.
const Outcomes kReadFailsCase = {{kFormatReplyTimeout, 1, 0, kNoWait},
                                 {kReplyTimeout, 1, 0, kNoWait},
                                 {kReplyTimeout, 1, 0, kNoWait}};
// The write fails at once: nothing went out, so nothing is read; the
// notices are those of a write that ran out and of a read that got nothing.
// Such a write is never "sent", not even for the version command.
const Outcomes kWriteFailsCase = {{kFormatNothingSent, 0, 0, kNoWait},
                                  {kSendTimeoutThenReplyTimeout, 0, 0, kNoWait},
                                  {kSendTimeoutBox, 0, 0, kNoWait}};

// One row for each command, named after the command and the case.
std::vector<Row> UnderEveryCommand(const std::string& what, const Outcomes& outcomes) {
  std::vector<Row> rows;
  for (const Command& command : kCommands) {
    const bool card = command.code == kReadCard.code;
    const Outcome& o = command.code == kSetFormat.code ? outcomes.format : card ? outcomes.card : outcomes.oneReply;
    rows.push_back({command.name + what, command, o.events, card ? kNoTracks : Strings{}, o.reads, o.timeouts,
                    o.timeOutsMs});
  }
  return rows;
}

std::vector<SilentRow> SilentRows() {
  std::vector<SilentRow> rows;
  const auto add = [&rows](Silence silence, const std::string& what, const Outcomes& outcomes) {
    for (const Row& row : UnderEveryCommand(what, outcomes)) rows.push_back({row, silence});
  };
  add(Silence::ReadsRunOut, "NeverAnswers", kReadRunsOutCase);
  add(Silence::NothingCompletes, "NothingCompletes", kNothingCompletesCase);
  add(Silence::ReadsFail, "ReadFails", kReadFailsCase);
  add(Silence::WritesFail, "WriteFails", kWriteFailsCase);
  return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, SilentReader, ::testing::ValuesIn(SilentRows()),
                         [](const auto& info) { return info.param.row.name; });

// ---------------------------------------------------------------------------
// A reader unplugged between the write and the read, or before the write.
// Either the waits run out (an overlapped transfer that never completes), or
// each transfer fails at once as the reader gone (hidraw's ENODEV and
// hang-up, Windows' ERROR_DEVICE_NOT_CONNECTED).

struct UnplugRow {
  Row row;
  int atTransfer;
  UnplugMode mode;
};
void PrintTo(const UnplugRow& r, std::ostream* os) { *os << r.row.name; }

class UnpluggedReader : public ::testing::TestWithParam<UnplugRow> {};

TEST_P(UnpluggedReader, EndsWithinTheBoundAndEveryLaterCommandToo) {
  const UnplugRow& u = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  rig.hid.Faults().unplugAtTransfer = u.atTransfer;
  rig.hid.Faults().unplugMode = u.mode;

  rig.Press(u.row.command);
  EXPECT_EQ(rig.window.events, u.row.events);
  if (u.row.command.code == kReadCard.code) {
    EXPECT_EQ(rig.TrackBoxes(), u.row.boxes);
  }
  EXPECT_EQ(rig.hid.Counts().reads, u.row.reads);
  EXPECT_EQ(rig.hid.Counts().timeouts, u.row.timeouts);
  EXPECT_TRUE(rig.WaitedOut(u.row.timeOutsMs));
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(rig.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(u.row.command.boundMs));
  EXPECT_TRUE(rig.NothingLeftBehind());

  // The connection stays until Disconnect: every command still ends in time.
  for (const Command& later : kCommands) {
    rig.ForgetLogs();
    rig.Press(later);
    EXPECT_LE(rig.ElapsedMs(), later.boundMs) << later.name;
    EXPECT_FALSE(rig.window.events.empty()) << later.name;
    EXPECT_TRUE(rig.NothingLeftBehind()) << later.name;
  }
  rig.ForgetLogs();
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.Status(), "Detect Device OK!");
  EXPECT_EQ(rig.hid.Counts().walks, 0);
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());

  // Gone from the bus: Find Device no longer finds it, and opens nothing for good.
  rig.ForgetLogs();
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.Status(), "Device disconnected!");
  EXPECT_LE(rig.ElapsedMs(), kFindDeviceBoundMs);
  EXPECT_TRUE(rig.NothingLeftBehind());
}

// Unplugged between the write and the read, a transfer ends as a silent
// reader's does; before the write, as one whose writes do not complete.
std::vector<UnplugRow> UnplugRows() {
  std::vector<UnplugRow> rows;
  const auto add = [&rows](int atTransfer, UnplugMode mode, const std::string& what, const Outcomes& outcomes) {
    for (const Row& row : UnderEveryCommand(what, outcomes)) rows.push_back({row, atTransfer, mode});
  };
  add(1, UnplugMode::TimesOut, "BetweenWriteAndReadTimesOut", kReadRunsOutCase);
  add(1, UnplugMode::EndsAtOnce, "BetweenWriteAndReadEndsAtOnce", kReadFailsCase);
  add(0, UnplugMode::TimesOut, "BeforeTheWriteTimesOut", kNothingCompletesCase);
  add(0, UnplugMode::EndsAtOnce, "BeforeTheWriteEndsAtOnce", kWriteFailsCase);
  return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, UnpluggedReader, ::testing::ValuesIn(UnplugRows()),
                         [](const auto& info) { return info.param.row.name; });

// ---------------------------------------------------------------------------
// Unplugged in the middle of a card reply that spans four reports.

std::string Letters(int count, char first) {
  std::string text;
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char>(first + i % 26));
  return text;
}

// Track 1 of 127 characters runs from offset 4 to 130 of the reply stream,
// track 2 (40) from 132 to 171, track 3 (60) from 173 to 232: four reports.
const std::string kLongTrack1 = Letters(127, 'A');
const std::string kLongTrack2 = Letters(40, 'a');
const std::string kLongTrack3 = Letters(60, 'A');

struct MidReplyRow {
  const char* name;
  int atTransfer;  // -1: not unplugged
  UnplugMode mode;
  Strings boxes;
  int reads;
  int timeouts;  // the read that ran out; one that failed does not count
  std::int64_t timeOutsMs;
};
void PrintTo(const MidReplyRow& row, std::ostream* os) { *os << row.name; }

class UnpluggedMidReply : public ::testing::TestWithParam<MidReplyRow> {};

TEST_P(UnpluggedMidReply, DecodesWhatArrivedAndStops) {
  const MidReplyRow& row = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard(kLongTrack1, kLongTrack2, kLongTrack3);
  rig.window.SelectListEntry(ctl::kTrackSelection, 6);  // tracks 1, 2 and 3
  rig.hid.Faults().unplugAtTransfer = row.atTransfer;
  rig.hid.Faults().unplugMode = row.mode;

  rig.Press(kReadCard);

  EXPECT_EQ(rig.window.events, Strings{kSent});
  EXPECT_EQ(rig.TrackBoxes(), row.boxes);
  EXPECT_EQ(rig.hid.Counts().reads, row.reads);
  EXPECT_EQ(rig.hid.Counts().timeouts, row.timeouts);
  EXPECT_TRUE(rig.WaitedOut(row.timeOutsMs));
  ExpectEndedCleanly(rig, kReadCard);
}

// Reports arrive 4, 6, 8 and 10 ms after the write began. Unplugged after
// the first report, track 1 keeps its first 60 characters (offsets 4 to 63),
// after the second its first 124; the missing length bytes read as 0, so
// tracks 2 and 3 show as blank.
// clang-format off
const MidReplyRow kMidReplyRows[] = {
    {"WholeReply", -1, UnplugMode::TimesOut, {kLongTrack1, kLongTrack2, kLongTrack3}, 5, 1, kCardReadRunsOut},
    {"AfterTheFirstReportTimesOut", 2, UnplugMode::TimesOut, {kLongTrack1.substr(0, 60), kBlank, kBlank}, 2, 1, kCardReadRunsOut},
    {"AfterTheSecondReportTimesOut", 3, UnplugMode::TimesOut, {kLongTrack1.substr(0, 124), kBlank, kBlank}, 3, 1, kCardReadRunsOut},
    // A read that fails ends the reply at once.
    {"AfterTheFirstReportEndsAtOnce", 2, UnplugMode::EndsAtOnce, {kLongTrack1.substr(0, 60), kBlank, kBlank}, 2, 0, kNoWait},
    {"AfterTheSecondReportEndsAtOnce", 3, UnplugMode::EndsAtOnce, {kLongTrack1.substr(0, 124), kBlank, kBlank}, 3, 0, kNoWait},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(CardRead, UnpluggedMidReply, ::testing::ValuesIn(kMidReplyRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Replies of fixed bad content: every byte the same. What each command makes
// of them is defined byte by byte.

struct FillRow {
  Row row;
  std::uint8_t fill;
};
void PrintTo(const FillRow& r, std::ostream* os) { *os << r.row.name; }

class FilledReply : public ::testing::TestWithParam<FillRow> {};

TEST_P(FilledReply, ShowsWhatTheBytesDefine) {
  const FillRow& f = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  rig.hid.Faults().rewriteReply = FillReply(f.fill);
  rig.Press(f.row.command);
  ExpectRow(rig, f.row);
}

const std::string k29Enquiries(29, '\x05');
const std::string k60Ys(60, 'Y');

// The one-report card reply ends at the next read, which runs out;
// a reply whose value is 56 or less is not gathered at all.
// clang-format off
const FillRow kFillRows[] = {
    {{"SetFormatZeros", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, 0x00},
    {{"VersionZeros", kVersion, kEmptyVersion, {}, 1, 0, kNoWait}, 0x00},
    {{"PassiveModeZeros", kPassiveMode, SaneEvents(kPassiveMode), {}, 1, 0, kNoWait}, 0x00},
    {{"CardStatusZeros", kCardStatus, kNoSwipe, {}, 1, 0, kNoWait}, 0x00},
    {{"ReadCardZeros", kReadCard, {kSent}, kNoTracks, 1, 0, kNoWait}, 0x00},
    // 0xFF: minus one wherever a byte is read as signed.
    {{"SetFormatAllFF", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, 0xFF},
    {{"VersionAllFF", kVersion, kEmptyVersion, {}, 1, 0, kNoWait}, 0xFF},
    {{"ActiveModeAllFF", kActiveMode, SaneEvents(kActiveMode), {}, 1, 0, kNoWait}, 0xFF},
    {{"CardStatusAllFF", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, 0xFF},
    {{"ReadCardAllFF", kReadCard, {kSent}, kNoTracks, 1, 0, kNoWait}, 0xFF},
    // 'Y' everywhere: the format reads as accepted; a track length of 89
    // runs past the data that came.
    {{"SetFormatAllY", kSetFormat, kFormatOk, {}, 1, 0, kNoWait}, 'Y'},
    {{"VersionAllY", kVersion, kEmptyVersion, {}, 1, 0, kNoWait}, 'Y'},
    {{"CardStatusAllY", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, 'Y'},
    {{"ReadCardAllY", kReadCard, {kSent}, {k60Ys, kBlank, kBlank}, 2, 1, kCardReadRunsOut}, 'Y'},
    // 'N' everywhere: a refusal, and a card-read reason that names nothing.
    {{"SetFormatAllN", kSetFormat, kFormatFailed, {}, 1, 0, kNoWait}, 'N'},
    {{"ReadCardAllN", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, 'N'},
    // The version command's own code everywhere: one run that never closes,
    // cut at 29 bytes.
    {{"VersionAllEnquiry", kVersion, {kSent, "status:" + k29Enquiries, "box:Information|" + k29Enquiries}, {}, 1, 0, kNoWait}, 0x05},
    {{"SetFormatAllEnquiry", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, 0x05},
    {{"CardStatusAllEnquiry", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, 0x05},
    {{"ReadCardAllEnquiry", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, 0x05},
    // 0x7F: the largest positive length and value.
    {{"ReadCardAll7F", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, 0x7F},
    {{"CardStatusAll7F", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, 0x7F},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Fills, FilledReply, ::testing::ValuesIn(kFillRows),
                         [](const auto& info) { return info.param.row.name; });

// ---------------------------------------------------------------------------
// Random garbage, from a reader that also floods, so that the card read
// gathers 16 reports of it. The outcome is not known in advance; what is
// known is that the command ends in time, shows only texts it can show, and
// keeps the version text and the tracks within their sizes.

::testing::AssertionResult OnlyTextsTheCommandCanShow(const Command& command, const Strings& events) {
  std::set<Strings> allowed;
  switch (command.code) {
    case 0x30:
      allowed = {{kFormatSent}, kFormatOk, kFormatFailed};
      break;
    case 0x06:
    case 0x07:
      allowed = {SaneEvents(command)};
      break;
    case 0x09:
      allowed = {{kSent}, kNoSwipe, SaneEvents(kCardStatus), {kSent, "status:刷卡失败", "box:Information|刷卡失败"}};
      break;
    case 0x08:
      allowed = {{kSent}, {kSent, "status:没有刷卡"}, {kSent, "status:刷卡失败"}};
      break;
    case 0x05: {
      if (events.size() != 3 || events[0] != kSent) return ::testing::AssertionFailure() << events.size() << " events";
      const std::string text = events[1].substr(std::string("status:").size());
      if (events[2] != "box:Information|" + text) return ::testing::AssertionFailure() << "box differs from status";
      if (CharacterCount(text) > 29) return ::testing::AssertionFailure() << "version text of " << CharacterCount(text);
      return ::testing::AssertionSuccess();
    }
  }
  if (allowed.count(events) == 0) {
    auto failure = ::testing::AssertionFailure() << "unexpected:";
    for (const auto& e : events) failure << " [" << e << "]";
    return failure;
  }
  return ::testing::AssertionSuccess();
}

struct GarbageCase {
  Command command;
  std::uint32_t seed;
};
void PrintTo(const GarbageCase& c, std::ostream* os) { *os << c.command.name << c.seed; }

class GarbageReplies : public ::testing::TestWithParam<GarbageCase> {};

TEST_P(GarbageReplies, EndsInTimeWithATextItCanShow) {
  const GarbageCase& c = GetParam();
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = 2;
  DialogRig rig(config);
  ASSERT_TRUE(rig.Connect());
  rig.hid.Faults().rewriteReply = GarbageReply(c.seed);

  rig.Press(c.command);

  EXPECT_TRUE(OnlyTextsTheCommandCanShow(c.command, rig.window.events));
  EXPECT_LE(rig.hid.Counts().reads, c.command.code == kReadCard.code ? 16 : 1);
  for (const std::string& track : rig.TrackBoxes()) EXPECT_LE(CharacterCount(track), 127u);
  ExpectEndedCleanly(rig, c.command);
}

std::vector<GarbageCase> GarbageCases() {
  std::vector<GarbageCase> cases;
  for (const Command& command : kCommands) {
    for (std::uint32_t seed = 1; seed <= 16; ++seed) cases.push_back({command, seed});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Seeds, GarbageReplies, ::testing::ValuesIn(GarbageCases()), [](const auto& info) {
  return std::string(info.param.command.name) + "Seed" + std::to_string(info.param.seed);
});

// ---------------------------------------------------------------------------
// A reader that answers another command's request. Only the bytes each
// command reads count; the command code in the reply is not looked at.

struct WrongCommandRow {
  Row row;
  Bytes reply;
};

const Bytes kVersionReply = Report({0x02, 0x05, 'V', '1', '.', '0', '2', 0x03});
const Bytes kModeReply = Report({0x02, 0x07, 'Y', 0x03});
const Bytes kFormatAccepted = Report({0x02, 0x30, 'Y', 0x03});
const Bytes kFormatRefused = Report({0x02, 0x30, 'N', 0x03});
// A card reply whose first track length is 5, the version command's code.
const Bytes kCardReplyWithLength5 = Report({0x02, 0x08, 'Y', 0x05, '1', '2', '3', '4', '5', 0x00, 0x00});
const Bytes kCardStatusFailed = Report({0x02, 0x09, 'Y', 0x01, 0x03});

// clang-format off
const WrongCommandRow kWrongCommandRows[] = {
    {{"SetFormatGetsAVersionReply", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, kVersionReply},
    {{"SetFormatGetsAModeReply", kSetFormat, kFormatOk, {}, 1, 0, kNoWait}, kModeReply},
    {{"VersionGetsAFormatReply", kVersion, kEmptyVersion, {}, 1, 0, kNoWait}, kFormatAccepted},
    {{"VersionGetsACardReply", kVersion, {kSent, "status:12345", "box:Information|12345"}, {}, 1, 0, kNoWait}, kCardReplyWithLength5},
    {{"ActiveModeGetsAFormatRefusal", kActiveMode, SaneEvents(kActiveMode), {}, 1, 0, kNoWait}, kFormatRefused},
    {{"CardStatusGetsAVersionReply", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, kVersionReply},
    {{"CardStatusGetsAFormatReply", kCardStatus, {kSent}, {}, 1, 0, kNoWait}, kFormatAccepted},
    {{"ReadCardGetsAVersionReply", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, kVersionReply},
    {{"ReadCardGetsAFormatRefusal", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, kFormatRefused},
    {{"ReadCardGetsACardStatusReply", kReadCard, {kSent}, {"\x03", kBlank, kBlank}, 2, 1, kCardReadRunsOut}, kCardStatusFailed},
};
// clang-format on

class WrongCommand : public ::testing::TestWithParam<WrongCommandRow> {};

TEST_P(WrongCommand, IsReadAtTheCommandsOwnPositions) {
  const WrongCommandRow& w = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  rig.hid.Faults().rewriteReply = ReplaceReply(w.reply);
  rig.Press(w.row.command);
  ExpectRow(rig, w.row);
}

INSTANTIATE_TEST_SUITE_P(Replies, WrongCommand, ::testing::ValuesIn(kWrongCommandRows),
                         [](const auto& info) { return info.param.row.name; });

// ---------------------------------------------------------------------------
// Short reads: fewer bytes than asked, the rest zero.

struct ShortRow {
  Row row;
  std::size_t bytes;
};

class ShortRead : public ::testing::TestWithParam<ShortRow> {};

TEST_P(ShortRead, ReadsTheMissingBytesAsZero) {
  const ShortRow& s = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  rig.hid.Faults().shortReadBytes = s.bytes;
  rig.Press(s.row.command);
  ExpectRow(rig, s.row);
}

// The sane replies: format 00 02 30 'Y' 03; version 00 02 05 "V1.02" 03;
// card status 00 02 09 'Y' 02 03; card read 00 02 08 'Y' 00 24 <track 2> 11 <track 3>.
// clang-format off
const ShortRow kShortRows[] = {
    {{"SetFormat0Bytes", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, 0},
    {{"SetFormat3Bytes", kSetFormat, {kFormatSent}, {}, 1, 0, kNoWait}, 3},
    {{"SetFormat4Bytes", kSetFormat, kFormatOk, {}, 1, 0, kNoWait}, 4},
    {{"Version3Bytes", kVersion, kEmptyVersion, {}, 1, 0, kNoWait}, 3},
    {{"Version5Bytes", kVersion, {kSent, "status:V1", "box:Information|V1"}, {}, 1, 0, kNoWait}, 5},
    {{"Version8Bytes", kVersion, SaneEvents(kVersion), {}, 1, 0, kNoWait}, 8},
    {{"PassiveMode0Bytes", kPassiveMode, SaneEvents(kPassiveMode), {}, 1, 0, kNoWait}, 0},
    // A swipe that succeeded reads as no swipe when byte 4 is missing.
    {{"CardStatus4Bytes", kCardStatus, kNoSwipe, {}, 1, 0, kNoWait}, 4},
    {{"CardStatus5Bytes", kCardStatus, SaneEvents(kCardStatus), {}, 1, 0, kNoWait}, 5},
    {{"ReadCard1Byte", kReadCard, {kSent}, kNoTracks, 1, 0, kNoWait}, 1},
    {{"ReadCard2Bytes", kReadCard, {kSent}, kNoTracks, 2, 1, kCardReadRunsOut}, 2},
    {{"ReadCard4Bytes", kReadCard, {kSent}, {kBlank, kBlank, kBlank}, 2, 1, kCardReadRunsOut}, 4},
    {{"ReadCard6Bytes", kReadCard, {kSent}, {kBlank, "", kBlank}, 2, 1, kCardReadRunsOut}, 6},
    {{"ReadCard64Bytes", kReadCard, {kSent}, kSaneTracks, 2, 1, kCardReadRunsOut}, 64},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Lengths, ShortRead, ::testing::ValuesIn(kShortRows),
                         [](const auto& info) { return info.param.row.name; });

// ---------------------------------------------------------------------------
// The usage check refused: nothing sent, nothing shown, and the version
// command, which makes no usage check, unaffected.

class UsageRefused : public ::testing::TestWithParam<Command> {};

TEST_P(UsageRefused, SendsNothingAndShowsNothing) {
  const Command& command = GetParam();
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.SwipeGoodCard();
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.ForgetLogs();
  rig.hid.Faults().refuseUsageCheck = true;

  rig.Press(command);

  if (command.code == kVersion.code) {
    EXPECT_EQ(rig.hid.Counts().usageChecks, 0);
    EXPECT_EQ(rig.window.events, SaneEvents(kVersion));
  } else {
    EXPECT_EQ(rig.hid.Counts().usageChecks, 1);
    EXPECT_TRUE(rig.window.events.empty());
    EXPECT_EQ(rig.Status(), "before");
    EXPECT_EQ(rig.hid.Counts().writes, 0);
    EXPECT_EQ(rig.hid.Counts().reads, 0);
    EXPECT_EQ(rig.ElapsedMs(), 0);
  }
  ExpectEndedCleanly(rig, command);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, UsageRefused, ::testing::ValuesIn(kCommands), CommandName);

}  // namespace
}  // namespace magcfg::test
