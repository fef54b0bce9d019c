// The reader session: each command run as one exchange against the
// simulated reader, through the fault injector. Each row says what the
// reader does and what comes of it: the status, the steps told while the
// exchange was under way, how many reports were read, how long the caller
// was held in virtual time, and the reply's reading.
#include "reader/reader_session.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/dialog_rig.h"
#include "text/text_codec.h"

namespace magcfg::test {
namespace {

using reader::CommandCode;
using reader::ExchangeRequest;
using reader::ExchangeResult;
using Status = reader::ExchangeStatus;

// The steps an exchange tells, as it tells them.
class StepLog final : public reader::ExchangeObserver {
 public:
  void WriteTimedOut() override { steps.push_back("write ran out"); }
  void WriteCompleted(bool wholeReportInCall) override {
    steps.push_back(wholeReportInCall ? "written in the call" : "written");
  }
  void ReportRead(std::span<const std::uint8_t>) override { ++reportsRead; }
  Strings steps;
  int reportsRead = 0;
};

class SessionRig : public SystemRig {
 public:
  explicit SessionRig(sim::SimulatedReaderConfig config = sim::SaneReaderConfig())
      : SystemRig(std::move(config)), session(hid) {
    session.OpenFirst();
    ForgetSystemLogs();
  }
  ExchangeResult Run(const ExchangeRequest& request) {
    log = StepLog();
    return session.Run(request, &log);
  }
  reader::ReaderSession session;
  StepLog log;
};

std::string Hex(std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

// The reply's reading, in a few words: "format 59", "version V1.02",
// "card status 2", "tracks 123|blank|45", "refused 1", "nothing"; an
// unexpected header follows in brackets.
std::string Reading(const ExchangeResult& result) {
  std::string text;
  if (result.format) text = "format " + Hex(result.format->byte3);
  if (result.versionText) text = "version " + *result.versionText;
  if (result.cardStatus) text = "card status " + Hex(result.cardStatus->byte4) + (result.cardStatus->status ? "" : " names none");
  if (result.card) {
    const reader::CardReadResult& card = *result.card;
    switch (card.kind) {
      case reader::CardReadResult::Kind::Tracks:
        text = "tracks";
        for (std::size_t i = 0; i < 3; ++i) {
          text += (i == 0 ? " " : "|") + (card.tracks[i] ? *card.tracks[i] : std::string("blank"));
        }
        break;
      case reader::CardReadResult::Kind::Refused:
        text = card.reason == reader::RefusalReason::NoSwipe ? "refused no swipe" : "refused swipe failed";
        break;
      case reader::CardReadResult::Kind::Nothing: text = "nothing"; break;
    }
  }
  if (result.unexpectedHeader) {
    text += " [" + Hex((*result.unexpectedHeader)[0]) + " " + Hex((*result.unexpectedHeader)[1]) + "]";
  }
  return text;
}

const ExchangeRequest kSetFormat = ExchangeRequest::SetFormat({{"%", "?", ";", "?", "+", "?"}, {true, true, true}, {}, true});
const ExchangeRequest kVersion = ExchangeRequest::Plain(CommandCode::Version);
const ExchangeRequest kPassive = ExchangeRequest::Plain(CommandCode::PassiveMode);
const ExchangeRequest kActive = ExchangeRequest::Plain(CommandCode::ActiveMode);
const ExchangeRequest kCardStatus = ExchangeRequest::Plain(CommandCode::CardStatus);
const ExchangeRequest kReadCard = ExchangeRequest::ReadCard(0);
const ExchangeRequest kReadAll = ExchangeRequest::ReadCard(6);

using Setup = std::function<void(SessionRig&)>;

Setup Replying(std::vector<Bytes> reports) {
  return [reports](SessionRig& rig) { rig.sim.Config().reader.scriptedReply = reports; };
}
Setup Writes(sim::WriteCompletion completion, bool replies = true) {
  return [=](SessionRig& rig) {
    rig.sim.Config().reader.writeCompletion = completion;
    rig.sim.Config().reader.replies = replies;
  };
}
Setup Lengths(std::uint16_t input, std::uint16_t output) {
  return [=](SessionRig& rig) { rig.hid.Faults().reportLengths = reader::ReportLengths{input, output}; };
}
Setup Faults(std::function<void(HidFaults&)> arm) {
  return [arm](SessionRig& rig) { arm(rig.hid.Faults()); };
}
Setup Unplugged(int atTransfer, UnplugMode mode) {
  return Faults([=](HidFaults& f) {
    f.unplugAtTransfer = atTransfer;
    f.unplugMode = mode;
  });
}
Setup Swiped(std::string t1, std::string t2, std::string t3, Setup more = {}) {
  return [=](SessionRig& rig) {
    rig.SwipeGoodCard(t1, t2, t3);
    if (more) more(rig);
  };
}

std::string Letters(int count, char first = 'A') {
  std::string text;
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char>(first + i % 26));
  return text;
}

// A stream that runs 70 bytes of track 1 into the second report, whose
// report ID is not 0 and must not enter the stream.
std::vector<Bytes> TrackAcrossTwoReports() {
  Bytes stream = {0x02, 0x08, 'Y', 70};
  for (char c : Letters(70)) stream.push_back(static_cast<std::uint8_t>(c));
  stream.insert(stream.end(), {0, 0});
  Bytes first(65, 0), second(65, 0);
  std::copy(stream.begin(), stream.begin() + 64, first.begin() + 1);
  second[0] = 0x77;
  std::copy(stream.begin() + 64, stream.end(), second.begin() + 1);
  return {first, second};
}

// A version text placed past byte 1024 of a 2000-byte input report.
Bytes FarVersionText() {
  Bytes report(2000, 0x20);
  report[0] = 0;
  report[1500] = 0x05;
  report[1501] = 'L';
  report[1502] = 'N';
  report[1503] = 0x03;
  return report;
}

// Track 1 of 127 characters, track 2 of 40 and track 3 of 60: a reply of
// four reports, arriving 4, 6, 8 and 10 ms after the write began.
const std::string kLong1 = Letters(127), kLong2 = Letters(40, 'a'), kLong3 = Letters(60);
const std::string kSaneTracks = "tracks blank|4111111111111111=2512101|0112345678=";

struct Row {
  const char* name;
  ExchangeRequest request;
  Setup setup;
  Status status;
  Strings steps;
  int reads;            // read calls made
  std::int64_t heldMs;  // virtual time
  std::string reading;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Strings kWritten = {"written"};
const Strings kRanOut = {"write ran out"};

// The sane reader completes a write 1 ms after the call and has its reply
// there 4 ms after the write began, each further report 2 ms later.
// clang-format off
const Row kRows[] = {
    // How the write and the read end, and what is read after each.
    {"Answered", kSetFormat, {}, Status::Answered, kWritten, 1, 4, "format 59"},
    {"WrittenInsideTheCall", kVersion, Writes(sim::WriteCompletion::InsideCall), Status::Answered, {"written in the call"}, 1, 4, "version V1.02"},
    {"NoReply", kCardStatus, Writes(sim::WriteCompletion::AfterDelay, false), Status::NoReply, kWritten, 1, 1001, ""},
    {"NothingCompletes", kSetFormat, Writes(sim::WriteCompletion::Never, false), Status::NoReply, kRanOut, 1, 2000, ""},
    {"WriteRunsOutThenReply", kVersion, Writes(sim::WriteCompletion::Never), Status::Answered, kRanOut, 1, 1000, "version V1.02"},
    {"CardReadStopsAfterWriteRunsOut", kReadCard, Writes(sim::WriteCompletion::Never), Status::WriteTimedOut, kRanOut, 0, 100, ""},
    {"CardReadNoReply", kReadCard, Writes(sim::WriteCompletion::AfterDelay, false), Status::NoReply, kWritten, 1, 51, ""},
    // A one-report card reply ends at the further read that runs out, 50 ms on.
    {"CardReadAnswered", kReadCard, {}, Status::Answered, kWritten, 2, 54, "refused no swipe"},
    {"CardReadTracks", kReadCard, Swiped("B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101", "0112345678="), Status::Answered, kWritten, 2, 54, kSaneTracks},
    // Any reply in time sets an upload mode; its content is not read.
    {"ModeAnswered", kActive, Replying({Report({0x02, 0x07, 'N', 0x03})}), Status::Answered, kWritten, 1, 4, ""},
    {"ModeAnsweredWithNothing", kPassive, Replying({Report({})}), Status::Answered, kWritten, 1, 4, " [00 00]"},

    // Checks before anything is sent.
    {"NotConnected", kSetFormat, [](SessionRig& rig) { rig.session.Close(); }, Status::NotConnected, {}, 0, 0, ""},
    {"NoTrackOutput", ExchangeRequest::SetFormat({{"%", "?", ";", "?", "+", "?"}, {}, {}, true}), {}, Status::NoTrackOutput, {}, 0, 0, ""},
    {"NoReportDescription", kVersion, Faults([](HidFaults& f) { f.noReportLengths = true; }), Status::NoReportDescription, {}, 0, 0, ""},
    {"UsageRefused", kReadCard, Faults([](HidFaults& f) { f.refuseUsageCheck = true; }), Status::UsageRefused, {}, 0, 0, ""},
    {"VersionHasNoUsageCheck", kVersion, Faults([](HidFaults& f) { f.refuseUsageCheck = true; }), Status::Answered, kWritten, 1, 4, "version V1.02"},
    {"FrameDoesNotFit", kSetFormat, Lengths(65, 11), Status::ReportTooShort, {}, 0, 0, ""},
    {"InputReportOver1024BytesReadWhole", kVersion, [](SessionRig& rig) {
       rig.sim.Config().interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{2000, 65};
       rig.sim.Config().reader.scriptedReply = {FarVersionText()};
     }, Status::Answered, kWritten, 1, 4, "version LN [20 20]"},

    // Each command reads the reply at its own positions, whatever command it answers.
    {"FormatRefused", kSetFormat, Replying({Report({0x02, 0x30, 'N', 0x03})}), Status::Answered, kWritten, 1, 4, "format 4E"},
    {"FormatNoVerdict", kSetFormat, Replying({Report({0x02, 0x30, 'y', 0x03})}), Status::Answered, kWritten, 1, 4, "format 79"},
    {"FormatGetsAVersionReply", kSetFormat, Replying({Report({0x02, 0x05, 'V', '1', 0x03})}), Status::Answered, kWritten, 1, 4, "format 56 [02 05]"},
    {"VersionGetsACardReply", kVersion, Replying({Report({0x02, 0x08, 'Y', 0x05, '1', '2', 0x03})}), Status::Answered, kWritten, 1, 4, "version 12 [02 08]"},
    {"CardStatusCode3", kCardStatus, Replying({Report({0x02, 0x09, 'Y', 0x03, 0x03})}), Status::Answered, kWritten, 1, 4, "card status 03 names none"},
    {"CardStatusShortRead", kCardStatus, Swiped("B1", "2", "3", Faults([](HidFaults& f) { f.shortReadBytes = 4; })), Status::Answered, kWritten, 1, 4, "card status 00"},
    {"CardStatusAllFF", kCardStatus, Faults([](HidFaults& f) { f.rewriteReply = FillReply(0xFF); }), Status::Answered, kWritten, 1, 4, "card status FF names none [FF FF]"},
    // A length of 89 runs past the 64 bytes that came.
    {"CardReadAllY", kReadCard, Faults([](HidFaults& f) { f.rewriteReply = FillReply('Y'); }), Status::Answered, kWritten, 2, 54, "tracks " + std::string(60, 'Y') + std::string(29, '\0') + "|blank|blank [59 59]"},
    {"CardReadGetsACardStatusReply", kReadCard, Replying({Report({0x02, 0x09, 'Y', 0x01, 0x03})}), Status::Answered, kWritten, 2, 54, "tracks \x03|blank|blank [02 09]"},

    // The card read gathers a reply only when the value of bytes 1 and 2,
    // each read as signed, is above 56.
    {"CardValue56NotGathered", kReadCard, Replying({Report({0x00, 0x38, 'Y', 0, 0, 0})}), Status::Answered, kWritten, 1, 4, "nothing [00 38]"},
    {"CardValue57Gathered", kReadCard, Replying({Report({0x00, 0x39, 'Y', 0, 0, 0})}), Status::Answered, kWritten, 2, 54, "tracks blank|blank|blank [00 39]"},
    {"CardValueNegativeNotGathered", kReadCard, Replying({Report({0x00, 0x80, 'Y', 0, 0, 0})}), Status::Answered, kWritten, 1, 4, "nothing [00 80]"},
    // Bytes 1 to 64 of each report make the stream, whatever the report length.
    {"CardReportsOf1500Bytes", kReadCard, [](SessionRig& rig) {
       rig.sim.Config().interfaces[sim::kSaneReaderIndex].reportLengths = reader::ReportLengths{1500, 65};
       Bytes report(1500, 'x');
       const Bytes head = {0x00, 0x02, 0x08, 'Y', 2, 'A', 'B', 0, 0};
       std::copy(head.begin(), head.end(), report.begin());
       rig.sim.Config().reader.scriptedReply = {report};
     }, Status::Answered, kWritten, 2, 54, "tracks AB|blank|blank"},
    {"CardReplyAcrossTwoReports", kReadCard, Replying(TrackAcrossTwoReports()), Status::Answered, kWritten, 3, 56, "tracks " + Letters(70) + "|blank|blank"},
    {"CardReplyOfFourReports", kReadAll, Swiped(kLong1, kLong2, kLong3), Status::Answered, kWritten, 5, 60, "tracks " + kLong1 + "|" + kLong2 + "|" + kLong3},
    // A reader that keeps sending is cut off after 16 reports; the reply
    // that came first is decoded.
    {"CutOffAfter16Reports", kReadCard, Swiped("B1234", "", "789", [](SessionRig& rig) { rig.sim.Config().reader.floodEveryMs = 3; }), Status::Answered, kWritten, 16, 4 + 15 * 3, "tracks blank|blank|789"},
    // Commands of one reply read one report of a flood, and are done.
    {"FloodedCardStatus", kCardStatus, Swiped("B1", "2", "3", [](SessionRig& rig) { rig.sim.Config().reader.floodEveryMs = 1; }), Status::Answered, kWritten, 1, 4, "card status 02"},
    // The slowest reader that still counts as answering: each transfer 1 ms inside its time-out.
    {"SlowestReader", kSetFormat, [](SessionRig& rig) {
       rig.sim.Config().reader.writeDelayMs = 999;
       rig.sim.Config().reader.replyDelayMs = 999 + 999;
     }, Status::Answered, kWritten, 1, 1998, "format 59"},
    {"SlowestCardReader", kReadCard, Swiped("B1", "2", "3", [](SessionRig& rig) {
       rig.sim.Config().reader.writeDelayMs = 99;
       rig.sim.Config().reader.replyDelayMs = 99 + 49;
       rig.sim.Config().reader.floodEveryMs = 49;
     }), Status::Answered, kWritten, 16, 99 + 49 * 16, "tracks blank|2|3"},

    // Another program keeps the reader for the whole wait (the command's own
    // write time-out unless the request says otherwise): nothing is sent.
    {"ReaderBusy", kSetFormat, Faults([](HidFaults& f) { f.busyLocks = CallSelection::All(); }), Status::ReaderBusy, {}, 0, 1000, ""},
    {"ReaderBusyForTheCardRead", kReadCard, Faults([](HidFaults& f) { f.busyLocks = CallSelection::All(); }), Status::ReaderBusy, {}, 0, 100, ""},
    {"ReaderBusyForTheWaitAskedFor", [] { ExchangeRequest r = kVersion; r.lockWaitMs = 250; return r; }(),
     Faults([](HidFaults& f) { f.busyLocks = CallSelection::All(); }), Status::ReaderBusy, {}, 0, 250, ""},
    // Transfers that fail at once end the exchange without waiting; a
    // request that never went out gets no read.
    {"WriteFails", kSetFormat, Faults([](HidFaults& f) { f.writeFailures = CallSelection::All(); }), Status::TransferFailed, {}, 0, 0, ""},
    {"ReadFails", kVersion, Faults([](HidFaults& f) { f.readFailures = CallSelection::All(); }), Status::TransferFailed, kWritten, 1, 1, ""},
    {"WriteFindsTheReaderGone", kReadCard, Unplugged(0, UnplugMode::EndsAtOnce), Status::ReaderGone, {}, 0, 0, ""},
    {"ReadFindsTheReaderGone", kCardStatus, Unplugged(1, UnplugMode::EndsAtOnce), Status::ReaderGone, kWritten, 1, 1, ""},
    {"UnpluggedBetweenWriteAndRead", kSetFormat, Unplugged(1, UnplugMode::TimesOut), Status::NoReply, kWritten, 1, 1001, ""},
    // Unplugged in the middle of a card reply: what arrived is decoded (the
    // missing length bytes read as 0).
    {"UnpluggedAfterTheFirstReport", kReadAll, Swiped(kLong1, kLong2, kLong3, Unplugged(2, UnplugMode::TimesOut)), Status::Answered, kWritten, 2, 54, "tracks " + kLong1.substr(0, 60) + std::string(67, '\0') + "|blank|blank"},
    {"GoneAfterTheSecondReport", kReadAll, Swiped(kLong1, kLong2, kLong3, Unplugged(3, UnplugMode::EndsAtOnce)), Status::Answered, kWritten, 3, 6, "tracks " + kLong1.substr(0, 124) + std::string(3, '\0') + "|blank|blank"},
};
// clang-format on

class Exchanges : public ::testing::TestWithParam<Row> {};

TEST_P(Exchanges, EndAsTheReaderMakesThem) {
  const Row& row = GetParam();
  SessionRig rig;
  if (row.setup) row.setup(rig);

  const ExchangeResult result = rig.Run(row.request);

  EXPECT_EQ(result.code, row.request.code);
  EXPECT_EQ(result.status, row.status);
  EXPECT_EQ(rig.log.steps, row.steps);
  EXPECT_EQ(rig.hid.Counts().reads, row.reads);
  EXPECT_EQ(rig.ElapsedMs(), row.heldMs);
  EXPECT_EQ(Reading(result), row.reading);
  // Nothing goes out before the checks have passed; every report moved is
  // its report's whole length, under the reader's lock.
  const bool sent = reader::GotPastUsageCheck(row.status) && row.status != Status::ReaderBusy;
  EXPECT_EQ(rig.hid.Counts().writes, sent ? 1 : 0);
  EXPECT_TRUE(rig.hid.Violations().empty()) << rig.hid.Violations().front();
  // The reader, and nothing else, stays open.
  EXPECT_EQ(rig.hid.OpenPaths(), rig.session.IsOpen() ? Strings{"sim:hid/2-magstripe"} : Strings{});
}

INSTANTIATE_TEST_SUITE_P(Readers, Exchanges, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The requests of the six commands, each frame filling the whole output report.
TEST(Requests, GoOutAsTheirFrames) {
  const std::pair<ExchangeRequest, Bytes> rows[] = {
      {kSetFormat, {0x02, 0x30, 0x25, 0x3F, 0x3B, 0x3F, 0x2B, 0x3F, 0x37, 0x38, 0x03}},
      {ExchangeRequest::ReadCard(5), {0x02, 0x08, 0x05, 0x03}},
      {kVersion, {0x02, 0x05, 0x03}},
      {kPassive, {0x02, 0x06, 0x03}},
      {kActive, {0x02, 0x07, 0x03}},
      {kCardStatus, {0x02, 0x09, 0x03}},
  };
  for (const auto& [request, frame] : rows) {
    SessionRig rig;
    rig.Run(request);
    EXPECT_EQ(rig.sim.Seen().writes, std::vector<Bytes>{ReportOf(frame)}) << int(request.code);
  }
}

// What waits in the platform's queue before a request is not its reply: a
// reply that came after its read ran out, or the rest of a flood that a
// card read cut off.
TEST(NextExchange, ReadsItsOwnReply) {
  SessionRig late;
  late.sim.Config().reader.replyDelayMs = 1500;
  EXPECT_EQ(late.Run(kVersion).status, Status::NoReply);
  late.sim.Pause(1000);  // the late reply comes meanwhile
  late.sim.Config().reader.replyDelayMs = 4;
  EXPECT_EQ(Reading(late.Run(kSetFormat)), "format 59");
  EXPECT_EQ(late.sim.Seen().discardedReports, 1);

  SessionRig flooded;
  flooded.SwipeGoodCard();
  flooded.sim.Config().reader.floodEveryMs = 1;
  EXPECT_EQ(flooded.Run(kReadCard).card->kind, reader::CardReadResult::Kind::Tracks);
  EXPECT_EQ(Reading(flooded.Run(kCardStatus)), "card status 02");
}

// Random garbage from a reader that also floods: whatever it reads as, the
// exchange ends in its bound, with a version text and tracks within their sizes.
TEST(GarbageReplies, StayWithinTheirBounds) {
  const std::pair<ExchangeRequest, std::int64_t> commands[] = {{kSetFormat, 2000}, {kVersion, 2000}, {kActive, 2000},
                                                               {kCardStatus, 2000}, {kReadCard, 100 + 16 * 50}};
  for (const auto& [request, boundMs] : commands) {
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
      SessionRig rig;
      rig.sim.Config().reader.floodEveryMs = 2;
      rig.hid.Faults().rewriteReply = GarbageReply(seed);
      const ExchangeResult result = rig.Run(request);
      SCOPED_TRACE(Reading(result));
      EXPECT_EQ(result.status, Status::Answered);
      EXPECT_LE(rig.ElapsedMs(), boundMs);
      EXPECT_LE(rig.hid.Counts().reads, request.code == CommandCode::ReadCard ? 16 : 1);
      EXPECT_LE(result.versionText.value_or("").size(), reader::kVersionTextCapacity);
      for (const auto& track : result.card ? result.card->tracks : decltype(result.card->tracks){}) {
        EXPECT_LE(track.value_or("").size(), 127u);
      }
    }
  }
}

}  // namespace
}  // namespace magcfg::test
