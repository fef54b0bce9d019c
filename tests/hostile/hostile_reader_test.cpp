// A reader that misbehaves, one way at a time, under each of the six
// commands: it floods reports, never answers, answers garbage or another
// command's reply, fails its transfers, is unplugged between the write and
// the read or in the middle of a reply, refuses the usage check, delivers
// short reads. Each
// case must end within its command's time bound with the notice the command
// defines, leave no transfer outstanding and no interface open but the
// reader, and leave nothing open after Disconnect.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/hostile/hostile_bench.h"
#include "text/text_codec.h"

namespace magcfg::test {
namespace {

std::string CommandName(const ::testing::TestParamInfo<Command>& info) { return info.param.name; }

// The end of every case: within the bound, nothing left behind, and after
// Disconnect nothing open.
void ExpectEndedCleanly(HostileBench& bench, const Command& command) {
  // For the table of how long each hostile case holds the window.
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(bench.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(command.boundMs));
  EXPECT_LE(bench.ElapsedMs(), command.boundMs);
  EXPECT_TRUE(bench.NothingLeftBehind());
  EXPECT_TRUE(bench.DisconnectLeavesNothingOpen());
}

// A table row: one command against one misbehaving reader.
struct Row {
  std::string name;
  Command command;
  Strings events;        // status lines and boxes, in order
  Strings boxes;         // the track boxes afterwards; checked for the card read only
  int reads;             // read calls made
  int cancels;           // CancelIo calls made
  std::int64_t elapsedMs;
};

void ExpectRow(HostileBench& bench, const Row& row) {
  EXPECT_EQ(bench.window.events, row.events);
  if (row.command.code == kReadCard.code) {
    EXPECT_EQ(bench.TrackBoxes(), row.boxes);
  }
  EXPECT_EQ(bench.hid.Counts().reads, row.reads);
  EXPECT_EQ(bench.hid.Counts().cancels, row.cancels);
  EXPECT_EQ(bench.ElapsedMs(), row.elapsedMs);
  ExpectEndedCleanly(bench, row.command);
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
  HostileBench bench(config);
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);

  bench.Press(c.command);

  EXPECT_EQ(bench.window.events, SaneEvents(c.command));
  if (c.command.code == kReadCard.code) {
    // The real reply came first and is decoded; the filler after it is cut off.
    EXPECT_EQ(bench.TrackBoxes(), kSaneTracks);
    EXPECT_EQ(bench.hid.Counts().reads, 16);
    EXPECT_EQ(bench.hid.Counts().cancels, 1);
    EXPECT_EQ(bench.ElapsedMs(), 4 + 15 * c.everyMs);
  } else {
    EXPECT_EQ(bench.hid.Counts().reads, 1);
    EXPECT_EQ(bench.hid.Counts().cancels, 0);
    EXPECT_EQ(bench.ElapsedMs(), 4);
  }
  ExpectEndedCleanly(bench, c.command);
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
  HostileBench bench(config);
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);

  bench.Press(command);

  EXPECT_EQ(bench.window.events, SaneEvents(command));
  if (cardRead) {
    EXPECT_EQ(bench.TrackBoxes(), kSaneTracks);
    EXPECT_EQ(bench.hid.Counts().reads, 16);
    EXPECT_EQ(bench.ElapsedMs(), 99 + 49 + 15 * 49);
  } else {
    EXPECT_EQ(bench.ElapsedMs(), 999 + 999);
  }
  ExpectEndedCleanly(bench, command);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, SlowestReader, ::testing::ValuesIn(kCommands), CommandName);

// A card read cut off by the flood leaves nothing that the next command
// would take for its reply.
TEST(FloodingReader, CommandsAfterACutOffCardReadReadTheirOwnReply) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.floodEveryMs = 1;
  HostileBench bench(config);
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  for (const Command& next : kCommands) {
    bench.Press(kReadCard);
    EXPECT_EQ(bench.hid.Counts().reads, 16);
    bench.ForgetLogs();
    bench.Press(next);
    EXPECT_EQ(bench.window.events, SaneEvents(next)) << next.name;
    EXPECT_LE(bench.ElapsedMs(), next.boundMs);
    EXPECT_TRUE(bench.NothingLeftBehind());
    bench.ForgetLogs();
  }
  EXPECT_TRUE(bench.DisconnectLeavesNothingOpen());
}

// A reply that comes after its read ran out waits in the platform's queue;
// the next command drops it before its own request instead of taking it for
// its reply (the late version text would read as no verdict, no card status
// and no track data).
TEST(LateReply, IsNotTakenForTheNextCommandsReply) {
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  for (const Command& next : kCommands) {
    bench.sim.Config().reader.replyDelayMs = 1500;
    bench.Press(kVersion);
    EXPECT_EQ(bench.window.events, kReplyTimeout);
    bench.sim.Pause(1000);  // the operator reads the notice; the reply comes meanwhile
    bench.sim.Config().reader.replyDelayMs = 4;
    bench.ForgetLogs();
    bench.Press(next);
    EXPECT_EQ(bench.window.events, SaneEvents(next)) << next.name;
    if (next.code == kReadCard.code) {
      EXPECT_EQ(bench.TrackBoxes(), kSaneTracks);
    }
    EXPECT_EQ(bench.hid.Counts().discards, 1) << next.name;
    EXPECT_EQ(bench.sim.Seen().discardedReports, 1) << next.name;
    EXPECT_TRUE(bench.NothingLeftBehind());
    bench.ForgetLogs();
  }
  EXPECT_TRUE(bench.DisconnectLeavesNothingOpen());
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
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  HidFaults& faults = bench.hid.Faults();
  switch (s.silence) {
    case Silence::NothingCompletes: faults.writeTimeouts = CallSelection::All(); [[fallthrough]];
    case Silence::ReadsRunOut: faults.readTimeouts = CallSelection::All(); break;
    case Silence::ReadsFail: faults.readFailures = CallSelection::All(); break;
    case Silence::WritesFail: faults.writeFailures = CallSelection::All(); break;
  }
  bench.Press(s.row.command);
  const bool fails = s.silence == Silence::ReadsFail || s.silence == Silence::WritesFail;
  EXPECT_EQ(bench.hid.Counts().failures, fails ? 1 : 0);
  ExpectRow(bench, s.row);
}

const Strings kSendTimeoutBox = {"box:Error|Send data timeout!"};
const Strings kFormatNothingSent = {"status:Send data timeout!", "status:Receive data timeout",
                                    "box:ERROR|Receive data timeout"};
Strings Then(Strings first, const Strings& second) {
  first.insert(first.end(), second.begin() + 1, second.end());
  return first;
}

// clang-format off
const SilentRow kSilentRows[] = {
    // The write completes after 1 ms; the read runs its whole time-out.
    {{"SetFormatNeverAnswers", kSetFormat, kFormatReplyTimeout, {}, 1, 1, 1001}, Silence::ReadsRunOut},
    {{"VersionNeverAnswers", kVersion, kReplyTimeout, {}, 1, 1, 1001}, Silence::ReadsRunOut},
    {{"PassiveModeNeverAnswers", kPassiveMode, kReplyTimeout, {}, 1, 1, 1001}, Silence::ReadsRunOut},
    {{"ActiveModeNeverAnswers", kActiveMode, kReplyTimeout, {}, 1, 1, 1001}, Silence::ReadsRunOut},
    {{"CardStatusNeverAnswers", kCardStatus, kReplyTimeout, {}, 1, 1, 1001}, Silence::ReadsRunOut},
    {{"ReadCardNeverAnswers", kReadCard, kReplyTimeout, kNoTracks, 1, 1, 51}, Silence::ReadsRunOut},
    // The write runs out too; all but the card read still wait for a reply.
    {{"SetFormatNothingCompletes", kSetFormat, kFormatNothingSent, {}, 1, 2, 2000}, Silence::NothingCompletes},
    {{"VersionNothingCompletes", kVersion, Then(kSendTimeoutBox, kReplyTimeout), {}, 1, 2, 2000}, Silence::NothingCompletes},
    {{"PassiveModeNothingCompletes", kPassiveMode, Then(kSendTimeoutBox, kReplyTimeout), {}, 1, 2, 2000}, Silence::NothingCompletes},
    {{"ActiveModeNothingCompletes", kActiveMode, Then(kSendTimeoutBox, kReplyTimeout), {}, 1, 2, 2000}, Silence::NothingCompletes},
    {{"CardStatusNothingCompletes", kCardStatus, Then(kSendTimeoutBox, kReplyTimeout), {}, 1, 2, 2000}, Silence::NothingCompletes},
    {{"ReadCardNothingCompletes", kReadCard, kSendTimeoutBox, kNoTracks, 0, 1, 100}, Silence::NothingCompletes},
    // The read fails at once: the read time-out's notice after the write's
    // 1 ms, nothing to cancel.
    {{"SetFormatReadFails", kSetFormat, kFormatReplyTimeout, {}, 1, 0, 1}, Silence::ReadsFail},
    {{"VersionReadFails", kVersion, kReplyTimeout, {}, 1, 0, 1}, Silence::ReadsFail},
    {{"PassiveModeReadFails", kPassiveMode, kReplyTimeout, {}, 1, 0, 1}, Silence::ReadsFail},
    {{"ActiveModeReadFails", kActiveMode, kReplyTimeout, {}, 1, 0, 1}, Silence::ReadsFail},
    {{"CardStatusReadFails", kCardStatus, kReplyTimeout, {}, 1, 0, 1}, Silence::ReadsFail},
    {{"ReadCardReadFails", kReadCard, kReplyTimeout, kNoTracks, 1, 0, 1}, Silence::ReadsFail},
    // The write fails at once: nothing went out, so nothing is read; the
    // notices are those of a write that ran out and of a read that got nothing.
    {{"SetFormatWriteFails", kSetFormat, kFormatNothingSent, {}, 0, 0, 0}, Silence::WritesFail},
    {{"VersionWriteFails", kVersion, Then(kSendTimeoutBox, kReplyTimeout), {}, 0, 0, 0}, Silence::WritesFail},
    {{"CardStatusWriteFails", kCardStatus, Then(kSendTimeoutBox, kReplyTimeout), {}, 0, 0, 0}, Silence::WritesFail},
    {{"ReadCardWriteFails", kReadCard, kSendTimeoutBox, kNoTracks, 0, 0, 0}, Silence::WritesFail},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryCommand, SilentReader, ::testing::ValuesIn(kSilentRows),
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
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  bench.hid.Faults().unplugAtTransfer = u.atTransfer;
  bench.hid.Faults().unplugMode = u.mode;

  bench.Press(u.row.command);
  EXPECT_EQ(bench.window.events, u.row.events);
  if (u.row.command.code == kReadCard.code) {
    EXPECT_EQ(bench.TrackBoxes(), u.row.boxes);
  }
  EXPECT_EQ(bench.hid.Counts().reads, u.row.reads);
  EXPECT_EQ(bench.hid.Counts().cancels, u.row.cancels);
  EXPECT_EQ(bench.ElapsedMs(), u.row.elapsedMs);
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(bench.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(u.row.command.boundMs));
  EXPECT_TRUE(bench.NothingLeftBehind());

  // The connection stays until Disconnect: every command still ends in time.
  for (const Command& later : kCommands) {
    bench.ForgetLogs();
    bench.Press(later);
    EXPECT_LE(bench.ElapsedMs(), later.boundMs) << later.name;
    EXPECT_FALSE(bench.window.events.empty()) << later.name;
    EXPECT_TRUE(bench.NothingLeftBehind()) << later.name;
  }
  bench.ForgetLogs();
  bench.Press(1001);
  EXPECT_EQ(bench.Status(), "Detect Device OK!");
  EXPECT_EQ(bench.hid.Counts().listRequests, 0);
  EXPECT_TRUE(bench.DisconnectLeavesNothingOpen());

  // Gone from the bus: Find Device no longer finds it, and opens nothing for good.
  bench.ForgetLogs();
  bench.Press(1001);
  EXPECT_EQ(bench.Status(), "Device disconnected!");
  EXPECT_LE(bench.ElapsedMs(), kFindDeviceBoundMs);
  EXPECT_TRUE(bench.NothingLeftBehind());
}

std::vector<UnplugRow> UnplugRows() {
  const auto T = UnplugMode::TimesOut;
  const auto E = UnplugMode::EndsAtOnce;
  return {
      // Between the write and the read, waits running out.
      {{"SetFormatBetweenWriteAndReadTimesOut", kSetFormat, kFormatReplyTimeout, {}, 1, 1, 1001}, 1, T},
      {{"VersionBetweenWriteAndReadTimesOut", kVersion, kReplyTimeout, {}, 1, 1, 1001}, 1, T},
      {{"PassiveModeBetweenWriteAndReadTimesOut", kPassiveMode, kReplyTimeout, {}, 1, 1, 1001}, 1, T},
      {{"ActiveModeBetweenWriteAndReadTimesOut", kActiveMode, kReplyTimeout, {}, 1, 1, 1001}, 1, T},
      {{"CardStatusBetweenWriteAndReadTimesOut", kCardStatus, kReplyTimeout, {}, 1, 1, 1001}, 1, T},
      {{"ReadCardBetweenWriteAndReadTimesOut", kReadCard, kReplyTimeout, kNoTracks, 1, 1, 51}, 1, T},
      // Between the write and the read, the read failing at once (hidraw's
      // hang-up): the read time-out's notice, without the wait.
      {{"SetFormatBetweenWriteAndReadEndsAtOnce", kSetFormat, kFormatReplyTimeout, {}, 1, 0, 1}, 1, E},
      {{"VersionBetweenWriteAndReadEndsAtOnce", kVersion, kReplyTimeout, {}, 1, 0, 1}, 1, E},
      {{"PassiveModeBetweenWriteAndReadEndsAtOnce", kPassiveMode, kReplyTimeout, {}, 1, 0, 1}, 1, E},
      {{"ActiveModeBetweenWriteAndReadEndsAtOnce", kActiveMode, kReplyTimeout, {}, 1, 0, 1}, 1, E},
      {{"CardStatusBetweenWriteAndReadEndsAtOnce", kCardStatus, kReplyTimeout, {}, 1, 0, 1}, 1, E},
      {{"ReadCardBetweenWriteAndReadEndsAtOnce", kReadCard, kReplyTimeout, kNoTracks, 1, 0, 1}, 1, E},
      // Before the write.
      {{"SetFormatBeforeTheWriteTimesOut", kSetFormat, kFormatNothingSent, {}, 1, 2, 2000}, 0, T},
      {{"CardStatusBeforeTheWriteTimesOut", kCardStatus, Then(kSendTimeoutBox, kReplyTimeout), {}, 1, 2, 2000}, 0, T},
      {{"ReadCardBeforeTheWriteTimesOut", kReadCard, kSendTimeoutBox, kNoTracks, 0, 1, 100}, 0, T},
      // A write that fails at once is never "sent", not even for the version
      // command, and no read follows it.
      {{"SetFormatBeforeTheWriteEndsAtOnce", kSetFormat, kFormatNothingSent, {}, 0, 0, 0}, 0, E},
      {{"VersionBeforeTheWriteEndsAtOnce", kVersion, Then(kSendTimeoutBox, kReplyTimeout), {}, 0, 0, 0}, 0, E},
      {{"ReadCardBeforeTheWriteEndsAtOnce", kReadCard, kSendTimeoutBox, kNoTracks, 0, 0, 0}, 0, E},
  };
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
  int cancels;  // the read that ran out is cancelled; one that failed leaves nothing to cancel
  std::int64_t elapsedMs;
};
void PrintTo(const MidReplyRow& row, std::ostream* os) { *os << row.name; }

class UnpluggedMidReply : public ::testing::TestWithParam<MidReplyRow> {};

TEST_P(UnpluggedMidReply, DecodesWhatArrivedAndStops) {
  const MidReplyRow& row = GetParam();
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench, kLongTrack1, kLongTrack2, kLongTrack3);
  bench.window.SelectListEntry(1038, 6);  // tracks 1, 2 and 3
  bench.hid.Faults().unplugAtTransfer = row.atTransfer;
  bench.hid.Faults().unplugMode = row.mode;

  bench.Press(kReadCard);

  EXPECT_EQ(bench.window.events, Strings{kSent});
  EXPECT_EQ(bench.TrackBoxes(), row.boxes);
  EXPECT_EQ(bench.hid.Counts().reads, row.reads);
  EXPECT_EQ(bench.hid.Counts().cancels, row.cancels);
  EXPECT_EQ(bench.ElapsedMs(), row.elapsedMs);
  ExpectEndedCleanly(bench, kReadCard);
}

// Reports arrive 4, 6, 8 and 10 ms after the write began. Unplugged after
// the first report, track 1 keeps its first 60 characters (offsets 4 to 63),
// after the second its first 124; the missing length bytes read as 0, so
// tracks 2 and 3 show as blank.
// clang-format off
const MidReplyRow kMidReplyRows[] = {
    {"WholeReply", -1, UnplugMode::TimesOut, {kLongTrack1, kLongTrack2, kLongTrack3}, 5, 1, 10 + 50},
    {"AfterTheFirstReportTimesOut", 2, UnplugMode::TimesOut, {kLongTrack1.substr(0, 60), kBlank, kBlank}, 2, 1, 4 + 50},
    {"AfterTheSecondReportTimesOut", 3, UnplugMode::TimesOut, {kLongTrack1.substr(0, 124), kBlank, kBlank}, 3, 1, 6 + 50},
    // A read that fails ends the reply at once.
    {"AfterTheFirstReportEndsAtOnce", 2, UnplugMode::EndsAtOnce, {kLongTrack1.substr(0, 60), kBlank, kBlank}, 2, 0, 4},
    {"AfterTheSecondReportEndsAtOnce", 3, UnplugMode::EndsAtOnce, {kLongTrack1.substr(0, 124), kBlank, kBlank}, 3, 0, 6},
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
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  bench.hid.Faults().rewriteReply = FillReply(f.fill);
  bench.Press(f.row.command);
  ExpectRow(bench, f.row);
}

const std::string k29Enquiries(29, '\x05');
const std::string k60Ys(60, 'Y');

// The one-report card reply ends at the next read, which runs out 50 ms on;
// a reply whose value is 56 or less is not gathered at all.
// clang-format off
const FillRow kFillRows[] = {
    {{"SetFormatZeros", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, 0x00},
    {{"VersionZeros", kVersion, kEmptyVersion, {}, 1, 0, 4}, 0x00},
    {{"PassiveModeZeros", kPassiveMode, SaneEvents(kPassiveMode), {}, 1, 0, 4}, 0x00},
    {{"CardStatusZeros", kCardStatus, kNoSwipe, {}, 1, 0, 4}, 0x00},
    {{"ReadCardZeros", kReadCard, {kSent}, kNoTracks, 1, 0, 4}, 0x00},
    // 0xFF: minus one wherever a byte is read as signed.
    {{"SetFormatAllFF", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, 0xFF},
    {{"VersionAllFF", kVersion, kEmptyVersion, {}, 1, 0, 4}, 0xFF},
    {{"ActiveModeAllFF", kActiveMode, SaneEvents(kActiveMode), {}, 1, 0, 4}, 0xFF},
    {{"CardStatusAllFF", kCardStatus, {kSent}, {}, 1, 0, 4}, 0xFF},
    {{"ReadCardAllFF", kReadCard, {kSent}, kNoTracks, 1, 0, 4}, 0xFF},
    // 'Y' everywhere: the format reads as accepted; a track length of 89
    // runs past the data that came.
    {{"SetFormatAllY", kSetFormat, kFormatOk, {}, 1, 0, 4}, 'Y'},
    {{"VersionAllY", kVersion, kEmptyVersion, {}, 1, 0, 4}, 'Y'},
    {{"CardStatusAllY", kCardStatus, {kSent}, {}, 1, 0, 4}, 'Y'},
    {{"ReadCardAllY", kReadCard, {kSent}, {k60Ys, kBlank, kBlank}, 2, 1, 54}, 'Y'},
    // 'N' everywhere: a refusal, and a card-read reason that names nothing.
    {{"SetFormatAllN", kSetFormat, kFormatFailed, {}, 1, 0, 4}, 'N'},
    {{"ReadCardAllN", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, 'N'},
    // The version command's own code everywhere: one run that never closes,
    // cut at 29 bytes.
    {{"VersionAllEnquiry", kVersion, {kSent, "status:" + k29Enquiries, "box:Information|" + k29Enquiries}, {}, 1, 0, 4}, 0x05},
    {{"SetFormatAllEnquiry", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, 0x05},
    {{"CardStatusAllEnquiry", kCardStatus, {kSent}, {}, 1, 0, 4}, 0x05},
    {{"ReadCardAllEnquiry", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, 0x05},
    // 0x7F: the largest positive length and value.
    {{"ReadCardAll7F", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, 0x7F},
    {{"CardStatusAll7F", kCardStatus, {kSent}, {}, 1, 0, 4}, 0x7F},
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
  HostileBench bench(config);
  ASSERT_TRUE(bench.Connect());
  bench.hid.Faults().rewriteReply = GarbageReply(c.seed);

  bench.Press(c.command);

  EXPECT_TRUE(OnlyTextsTheCommandCanShow(c.command, bench.window.events));
  EXPECT_LE(bench.hid.Counts().reads, c.command.code == kReadCard.code ? 16 : 1);
  for (const std::string& track : bench.TrackBoxes()) EXPECT_LE(CharacterCount(track), 127u);
  ExpectEndedCleanly(bench, c.command);
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
    {{"SetFormatGetsAVersionReply", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, kVersionReply},
    {{"SetFormatGetsAModeReply", kSetFormat, kFormatOk, {}, 1, 0, 4}, kModeReply},
    {{"VersionGetsAFormatReply", kVersion, kEmptyVersion, {}, 1, 0, 4}, kFormatAccepted},
    {{"VersionGetsACardReply", kVersion, {kSent, "status:12345", "box:Information|12345"}, {}, 1, 0, 4}, kCardReplyWithLength5},
    {{"ActiveModeGetsAFormatRefusal", kActiveMode, SaneEvents(kActiveMode), {}, 1, 0, 4}, kFormatRefused},
    {{"CardStatusGetsAVersionReply", kCardStatus, {kSent}, {}, 1, 0, 4}, kVersionReply},
    {{"CardStatusGetsAFormatReply", kCardStatus, {kSent}, {}, 1, 0, 4}, kFormatAccepted},
    {{"ReadCardGetsAVersionReply", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, kVersionReply},
    {{"ReadCardGetsAFormatRefusal", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, kFormatRefused},
    {{"ReadCardGetsACardStatusReply", kReadCard, {kSent}, {"\x03", kBlank, kBlank}, 2, 1, 54}, kCardStatusFailed},
};
// clang-format on

class WrongCommand : public ::testing::TestWithParam<WrongCommandRow> {};

TEST_P(WrongCommand, IsReadAtTheCommandsOwnPositions) {
  const WrongCommandRow& w = GetParam();
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  bench.hid.Faults().rewriteReply = ReplaceReply(w.reply);
  bench.Press(w.row.command);
  ExpectRow(bench, w.row);
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
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  bench.hid.Faults().shortReadBytes = s.bytes;
  bench.Press(s.row.command);
  ExpectRow(bench, s.row);
}

// The sane replies: format 00 02 30 'Y' 03; version 00 02 05 "V1.02" 03;
// card status 00 02 09 'Y' 02 03; card read 00 02 08 'Y' 00 24 <track 2> 11 <track 3>.
// clang-format off
const ShortRow kShortRows[] = {
    {{"SetFormat0Bytes", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, 0},
    {{"SetFormat3Bytes", kSetFormat, {kFormatSent}, {}, 1, 0, 4}, 3},
    {{"SetFormat4Bytes", kSetFormat, kFormatOk, {}, 1, 0, 4}, 4},
    {{"Version3Bytes", kVersion, kEmptyVersion, {}, 1, 0, 4}, 3},
    {{"Version5Bytes", kVersion, {kSent, "status:V1", "box:Information|V1"}, {}, 1, 0, 4}, 5},
    {{"Version8Bytes", kVersion, SaneEvents(kVersion), {}, 1, 0, 4}, 8},
    {{"PassiveMode0Bytes", kPassiveMode, SaneEvents(kPassiveMode), {}, 1, 0, 4}, 0},
    // A swipe that succeeded reads as no swipe when byte 4 is missing.
    {{"CardStatus4Bytes", kCardStatus, kNoSwipe, {}, 1, 0, 4}, 4},
    {{"CardStatus5Bytes", kCardStatus, SaneEvents(kCardStatus), {}, 1, 0, 4}, 5},
    {{"ReadCard1Byte", kReadCard, {kSent}, kNoTracks, 1, 0, 4}, 1},
    {{"ReadCard2Bytes", kReadCard, {kSent}, kNoTracks, 2, 1, 54}, 2},
    {{"ReadCard4Bytes", kReadCard, {kSent}, {kBlank, kBlank, kBlank}, 2, 1, 54}, 4},
    {{"ReadCard6Bytes", kReadCard, {kSent}, {kBlank, "", kBlank}, 2, 1, 54}, 6},
    {{"ReadCard64Bytes", kReadCard, {kSent}, kSaneTracks, 2, 1, 54}, 64},
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
  HostileBench bench;
  ASSERT_TRUE(bench.Connect());
  SwipeGoodCard(bench);
  bench.window.SetText(1023, "before");
  bench.ForgetLogs();
  bench.hid.Faults().refuseUsageCheck = true;

  bench.Press(command);

  if (command.code == kVersion.code) {
    EXPECT_EQ(bench.hid.Counts().usageChecks, 0);
    EXPECT_EQ(bench.window.events, SaneEvents(kVersion));
  } else {
    EXPECT_EQ(bench.hid.Counts().usageChecks, 1);
    EXPECT_TRUE(bench.window.events.empty());
    EXPECT_EQ(bench.Status(), "before");
    EXPECT_EQ(bench.hid.Counts().writes, 0);
    EXPECT_EQ(bench.hid.Counts().reads, 0);
    EXPECT_EQ(bench.ElapsedMs(), 0);
  }
  ExpectEndedCleanly(bench, command);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, UsageRefused, ::testing::ValuesIn(kCommands), CommandName);

}  // namespace
}  // namespace magcfg::test
