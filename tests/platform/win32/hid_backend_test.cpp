// The Windows HID backend against faked Windows calls: what it passes to
// each call, how it reads their results, and what it leaves open.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/hid_system.h"
#include "platform/win32/windows_app.h"
#include "reader/discovery.h"
#include "reader/reader_session.h"
#include "res/exchange_notices.h"
#include "res/control_ids.h"
#include "tests/platform/win32/fake_hid_api.h"
#include "tests/support/fake_window.h"
#include "ui/main_dialog.h"

namespace magcfg::win32::test {
namespace {

using reader::TransferStatus;
using Calls = std::vector<std::string>;

FakeInterface Interface(std::wstring path, USHORT vendor, USHORT product, USHORT version = 0x0102) {
  FakeInterface i;
  i.path = std::move(path);
  i.vendorId = vendor;
  i.productId = product;
  i.versionNumber = version;
  return i;
}

FakeInterface Reader() { return Interface(L"\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}", 0x5131, 0x2007); }
FakeInterface Keyboard() { return Interface(L"\\\\?\\hid#vid_046d&pid_c31c#kbd", 0x046D, 0xC31C); }

class HidBackend : public ::testing::Test {
 protected:
  HidBackend() : api(FakeHidApi()) { Install(world); }
  std::unique_ptr<reader::HidSystem> System() { return MakeHidSystem(api); }
  // The transfer calls since the last mark.
  Calls TransferCalls() const { return Calls(world.calls.begin() + static_cast<std::ptrdiff_t>(mark), world.calls.end()); }
  void Mark() { mark = world.calls.size(); }

  FakeHidWorld world;
  HidApi api;
  std::size_t mark = 0;
};

// --- The walk

class HidWalk : public HidBackend {
 protected:
  // The paths a walk visits, and how it ended.
  std::pair<reader::WalkEnd, std::vector<std::string>> Walk() {
    std::vector<std::string> visited;
    const reader::WalkEnd end = System()->WalkInterfaces([&](const std::string& path) {
      visited.push_back(path);
      return true;
    });
    return {end, visited};
  }
};

TEST_F(HidWalk, PassesTheRecordSizesThe64BitPlatformAccepts) {
  ASSERT_EQ(sizeof(void*), 8u) << "these sizes are those of the 64-bit platform";
  world.interfaces = {Keyboard(), Reader()};
  EXPECT_EQ(Walk().second.size(), 2u);
  // Not the 32-bit build's 28 and 5, which the platform refuses; the third
  // enumeration is the one past the end.
  EXPECT_EQ(world.interfaceDataSizes, (std::vector<DWORD>{32, 32, 32}));
  EXPECT_EQ(world.detailSizes, (std::vector<DWORD>{8, 8}));
}

TEST_F(HidWalk, AsksForPresentHidInterfacesAndReleasesTheListOnce) {
  world.interfaces = {Keyboard()};
  int destroyedWhileVisiting = -1;
  EXPECT_EQ(System()->WalkInterfaces([&](const std::string&) {
    destroyedWhileVisiting = world.listsDestroyed;
    return true;
  }),
            reader::WalkEnd::Completed);
  EXPECT_EQ(world.classFlags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  EXPECT_EQ(world.classGuidAsked.Data1, 0x4D1E55B2u);
  EXPECT_EQ(destroyedWhileVisiting, 0);
  EXPECT_EQ(world.listsMade, 1);
  EXPECT_EQ(world.listsDestroyed, 1);

  world.listObtainable = false;
  EXPECT_EQ(Walk(), std::pair(reader::WalkEnd::ListFailed, std::vector<std::string>{}));
  EXPECT_EQ(world.listsDestroyed, 1);
}

TEST_F(HidWalk, AnEnumerationFailureEndsTheWalkAsTheEndOfTheListDoes) {
  world.interfaces = {Keyboard()};
  const auto walked = std::pair(reader::WalkEnd::Completed, std::vector<std::string>{"\\\\?\\hid#vid_046d&pid_c31c#kbd"});
  EXPECT_EQ(Walk(), walked);
  world.enumerationError = ERROR_INVALID_PARAMETER;
  EXPECT_EQ(Walk(), walked);
  // Each walk asked for index 0 and 1 once: a failure is not asked again.
  EXPECT_EQ(world.interfaceDataSizes.size(), 4u);
  EXPECT_EQ(world.listsDestroyed, 2);
}

TEST_F(HidWalk, DetailFailuresOfEveryKindStopTheWalkThere) {
  FakeInterface noSize = Keyboard();
  noSize.sizeQueryFails = true;
  FakeInterface unreadable = Keyboard();
  unreadable.detailFails = true;
  FakeInterface huge = Keyboard();
  huge.reportedSize = 0xFFFFFFF0u;  // must not be allocated
  struct Row {
    const char* name;
    FakeInterface broken;
    std::size_t detailReads;  // only a readable size gets as far as the read
  };
  const Row rows[] = {{"no size", noSize, 1}, {"unreadable", unreadable, 2}, {"huge", huge, 1}};
  for (const Row& row : rows) {
    world = FakeHidWorld{};
    world.interfaces = {Keyboard(), row.broken, Reader()};
    EXPECT_EQ(Walk(), std::pair(reader::WalkEnd::DetailFailed, std::vector<std::string>{"\\\\?\\hid#vid_046d&pid_c31c#kbd"}))
        << row.name;
    EXPECT_EQ(world.detailSizes.size(), row.detailReads) << row.name;
    EXPECT_EQ(world.listsDestroyed, 1) << row.name;
  }
}

TEST_F(HidWalk, PathsAreUtf8AndNeverReadPastTheRecord) {
  FakeInterface wide = Keyboard();
  wide.path = L"\\\\?\\hid#vid_5131&pid_2007#\x00E9\x4E2D";
  FakeInterface unterminated = Keyboard();
  unterminated.path = L"abc";
  unterminated.unterminatedPath = true;
  world.interfaces = {wide, unterminated};
  // The record's room for the path, and no further.
  EXPECT_EQ(Walk().second,
            (std::vector<std::string>{"\\\\?\\hid#vid_5131&pid_2007#\xC3\xA9\xE4\xB8\xAD", std::string(4, 'x')}));
}

// --- Opening

using HidOpening = HidBackend;

TEST_F(HidOpening, OpensForOverlappedReadAndWriteSharedWithOthers) {
  world.interfaces = {Interface(L"\\\\?\\hid#\x00E9", 1, 2)};
  auto device = System()->Open("\\\\?\\hid#\xC3\xA9").device;
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(world.opens.size(), 1u);
  const CreateFileCall& call = world.opens[0];
  EXPECT_EQ(call.path, L"\\\\?\\hid#\x00E9");
  EXPECT_EQ(call.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(call.share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(call.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(call.flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
  EXPECT_FALSE(call.securityAttributes);
  EXPECT_FALSE(call.templateFile);
  device.reset();
  EXPECT_TRUE(world.openHandles.empty()) << "closed with the device";
}

TEST_F(HidOpening, PathsThatCannotBeOpenedGiveNoDeviceAndWhy) {
  FakeInterface locked = Keyboard();
  locked.opens = false;
  world.interfaces = {locked};
  auto system = System();
  const std::pair<DWORD, reader::OpenFailure> rows[] = {
      {ERROR_FILE_NOT_FOUND, reader::OpenFailure::NotFound},
      {ERROR_PATH_NOT_FOUND, reader::OpenFailure::NotFound},
      {ERROR_DEVICE_NOT_CONNECTED, reader::OpenFailure::NotFound},
      {ERROR_ACCESS_DENIED, reader::OpenFailure::PermissionDenied},
      {ERROR_SHARING_VIOLATION, reader::OpenFailure::Busy},
      {ERROR_GEN_FAILURE, reader::OpenFailure::Other},
  };
  for (const auto& [error, failure] : rows) {
    world.openError = error;
    const reader::OpenResult opened = system->Open(std::string("\\\\?\\hid#vid_046d&pid_c31c#kbd"));
    EXPECT_EQ(opened.device, nullptr) << error;
    EXPECT_EQ(opened.failure, failure) << error;
  }
  EXPECT_EQ(system->Open("").failure, reader::OpenFailure::NotFound);
  EXPECT_EQ(system->Open(std::string("a\0b", 3)).failure, reader::OpenFailure::NotFound);
  EXPECT_EQ(world.opens.size(), std::size(rows)) << "empty paths and paths with a zero are not passed on";
}

TEST_F(HidOpening, AttributesAsTheInterfaceGivesThem) {
  FakeInterface mute = Keyboard();
  mute.attributesReadable = false;
  world.interfaces = {Reader(), mute};
  auto system = System();
  const auto attributes =
      system->Open(std::string("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}")).device->GetAttributes();
  ASSERT_TRUE(attributes.has_value());
  EXPECT_EQ(attributes->vendorId, 0x5131);
  EXPECT_EQ(attributes->productId, 0x2007);
  EXPECT_EQ(attributes->versionNumber, 0x0102);
  EXPECT_FALSE(system->Open(std::string("\\\\?\\hid#vid_046d&pid_c31c#kbd")).device->GetAttributes().has_value());
}

TEST_F(HidOpening, FindDeviceKeepsTheFirstReaderAndClosesEverythingElse) {
  FakeInterface wrongProduct = Interface(L"p1", 0x5131, 0x2008);
  FakeInterface locked = Interface(L"p2", 0x5131, 0x2007);
  locked.opens = false;
  FakeInterface secondReader = Reader();
  secondReader.path = L"p4";
  world.interfaces = {Keyboard(), wrongProduct, locked, Reader(), secondReader};
  auto system = System();
  reader::FindResult found = reader::FindFirstReader(*system);
  ASSERT_EQ(found.outcome, reader::FindOutcome::Found);
  EXPECT_EQ(found.versionNumber, 0x0102);
  EXPECT_EQ(world.opens.size(), 4u) << "the second reader is not looked at";
  EXPECT_EQ(world.openHandles, (std::set<HANDLE>{FakeFileHandle(3)}));
  EXPECT_EQ(world.listsDestroyed, 1);
  found.device.reset();
  EXPECT_TRUE(world.openHandles.empty());
}

// --- Report lengths and the usage check

using HidReports = HidBackend;

TEST_F(HidReports, LengthsAreAskedAnewEachTimeAndThePreparsedDataFreed) {
  world.interfaces = {Reader()};
  world.interfaces[0].inputLength = 9;
  world.interfaces[0].outputLength = 65;
  auto device = System()->Open(std::string("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}")).device;
  for (int i = 0; i < 2; ++i) {
    const auto lengths = device->GetReportLengths();
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 9);
    EXPECT_EQ(lengths->output, 65);
  }
  EXPECT_EQ(world.preparsedTaken, 2);
  EXPECT_EQ(world.preparsedFreed, 2);
  world.interfaces[0].preparsed = false;
  EXPECT_FALSE(device->GetReportLengths().has_value());
  EXPECT_FALSE(device->PassesUsageCheck(std::vector<std::uint8_t>(12)));
  EXPECT_TRUE(world.setUsages.empty()) << "no check without the preparsed data";
}

TEST_F(HidReports, UsageCheckSetsNoUsageOnAnOutputReportOfPage1) {
  world.interfaces = {Reader()};
  auto device = System()->Open(std::string("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}")).device;
  const std::vector<std::uint8_t> report = {0x00, 0x02, 0x05, 0x03, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(device->PassesUsageCheck(report));
  ASSERT_EQ(world.setUsages.size(), 1u);
  const SetUsagesCall& call = world.setUsages[0];
  EXPECT_EQ(call.reportType, HidP_Output);
  EXPECT_EQ(call.usagePage, 1);
  EXPECT_EQ(call.linkCollection, 0);
  EXPECT_EQ(call.usages, (std::vector<USAGE>{0, 0, 0}));
  EXPECT_EQ(call.usageCount, 0u);
  EXPECT_EQ(call.report, report);
  EXPECT_EQ(call.reportLength, 12u);
  EXPECT_EQ(world.preparsedFreed, world.preparsedTaken);

  world.interfaces[0].usageStatus = HIDP_STATUS_INVALID_REPORT_LENGTH;
  EXPECT_FALSE(device->PassesUsageCheck(report));
  EXPECT_EQ(world.preparsedFreed, world.preparsedTaken);
}

// --- Transfers

class HidTransfers : public HidBackend {
 protected:
  std::unique_ptr<reader::HidDevice> OpenReader(std::vector<Outcome> writes, std::vector<FakeRead> reads = {}) {
    FakeInterface r = Reader();
    r.writes = std::move(writes);
    r.reads = std::move(reads);
    world.interfaces = {r};
    system = System();
    return system->Open(std::string("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}")).device;
  }
  const std::vector<std::uint8_t> report = std::vector<std::uint8_t>(12, 0x11);
  std::unique_ptr<reader::HidSystem> system;
};

TEST_F(HidTransfers, WriteAndReadOutcomesAndTheCountOfTheWriteCall) {
  struct Row {
    Outcome outcome;
    TransferStatus status;
    std::uint32_t bytesInCall;
    bool waits;
  };
  const Row rows[] = {
      {Outcome::InCall, TransferStatus::Completed, 12, true},  // done inside the call
      {Outcome::Pending, TransferStatus::Completed, 0, true},  // done later: the call counted nothing
      {Outcome::TimesOut, TransferStatus::TimedOut, 0, true},
      {Outcome::Abandoned, TransferStatus::TimedOut, 0, true},  // WAIT_ABANDONED counts as a time-out
      // ERROR_DEVICE_NOT_CONNECTED at once: the event would never be set, so
      // there is no waiting for it.
      {Outcome::FailsAtOnce, TransferStatus::ReaderGone, 0, false},
      {Outcome::WaitFails, TransferStatus::Failed, 0, true},
      {Outcome::EndsFailed, TransferStatus::Failed, 0, true},  // the overlapped result tells
  };
  for (const Row& row : rows) {
    const int at = static_cast<int>(row.outcome);
    auto device = OpenReader({row.outcome}, {{row.outcome, {}}});
    Mark();
    const reader::WriteResult result = device->Write(report, 700);
    EXPECT_EQ(result.status, row.status) << at;
    EXPECT_EQ(result.bytesReportedByCall, row.bytesInCall) << at;
    EXPECT_EQ(world.written.back(), report);
    const Calls writeCalls = TransferCalls();
    EXPECT_EQ(std::count(writeCalls.begin(), writeCalls.end(), "wait 700"), row.waits ? 1 : 0) << at;
    // A transfer that ran out, or whose wait failed, may still be under way:
    // it is cancelled before the call returns.
    const bool cancels = row.status == TransferStatus::TimedOut || row.outcome == Outcome::WaitFails;
    EXPECT_EQ(std::count(writeCalls.begin(), writeCalls.end(), "cancel"), cancels ? 1 : 0) << at;
    std::vector<std::uint8_t> buffer(9);
    EXPECT_EQ(device->Read(buffer, 50), row.status) << at;
    device.reset();
    EXPECT_EQ(world.closedWithTransferOutstanding, 0) << at;
    EXPECT_TRUE(world.openHandles.empty()) << at;
  }
}

TEST_F(HidTransfers, OneManualResetEventPerRequestSharedByItsReads) {
  auto device = OpenReader({Outcome::InCall, Outcome::InCall},
                           {{Outcome::Pending, {0x00, 0x02, 'Y'}}, {Outcome::InCall, {0x00, 0x07}}});
  Mark();
  std::vector<std::uint8_t> buffer(1024, 0xEE);
  device->Write(report, 1000);
  EXPECT_EQ(device->Read(std::span(buffer.data(), 9), 1000), TransferStatus::Completed);
  EXPECT_EQ(buffer[2], 'Y');
  EXPECT_EQ(buffer[9], 0xEE) << "nothing beyond the report length is touched";
  EXPECT_EQ(device->Read(std::span(buffer.data(), 9), 50), TransferStatus::Completed);
  EXPECT_EQ(world.eventsCreated, 1);
  EXPECT_TRUE(world.eventArgumentsRight) << "CreateEventW(nullptr, TRUE, TRUE, nullptr)";
  EXPECT_TRUE(world.overlappedRight);
  EXPECT_EQ(TransferCalls(), (Calls{"reset", "write", "wait 1000", "result", "reset", "read", "wait 1000", "result",
                                    "reset", "read", "wait 50", "result"}));

  // The next request gets a fresh event; the old one is closed first.
  Mark();
  device->Write(report, 100);
  EXPECT_EQ(world.eventsCreated, 2);
  EXPECT_EQ(TransferCalls(), (Calls{"close event", "reset", "write", "wait 100", "result"}));
  device.reset();
  EXPECT_TRUE(world.openHandles.empty()) << "event and file closed with the device";
}

// The cancelled transfer still owns its buffer and the overlapped record
// until it comes back: it is waited for before the call returns, so that
// nothing is under way when the device is used again or closed.
TEST_F(HidTransfers, ATransferThatRunsOutIsCancelledAndWaitedForBeforeTheCallReturns) {
  auto device = OpenReader({Outcome::TimesOut}, {{Outcome::TimesOut, {}}});
  Mark();
  EXPECT_EQ(device->Write(report, 700).status, TransferStatus::TimedOut);
  EXPECT_EQ(TransferCalls(), (Calls{"reset", "write", "wait 700", "cancel", "wait 1000"}));
  std::vector<std::uint8_t> buffer(9);
  Mark();
  EXPECT_EQ(device->Read(buffer, 50), TransferStatus::TimedOut);
  EXPECT_EQ(TransferCalls(), (Calls{"reset", "read", "wait 50", "cancel", "wait 1000"}));
  Mark();
  device.reset();
  EXPECT_EQ(TransferCalls(), (Calls{"close event", "close file"}));
  EXPECT_EQ(world.closedWithTransferOutstanding, 0);
}

// The reader is taken for an exchange through a named mutex, each way the
// calls can go; a mutex held is let go of when the device closes.
TEST_F(HidTransfers, LockTakesTheReadersMutexWithinItsWait) {
  using reader::LockStatus;
  const DWORD denied = ERROR_ACCESS_DENIED;
  struct Row {
    std::vector<DWORD> createErrors, waits;
    LockStatus status;
    std::size_t creates;  // and a wait on the mutex when one was made
    bool held;
  };
  const Row rows[] = {
      {{}, {WAIT_OBJECT_0}, LockStatus::Owned, 1, true},
      {{}, {WAIT_ABANDONED}, LockStatus::Owned, 1, true},  // its holder died
      {{}, {WAIT_TIMEOUT}, LockStatus::Busy, 1, false},
      {{}, {WAIT_FAILED}, LockStatus::Owned, 1, false},  // on, unlocked
      // Another account's mutex, which this one may not open: asked for
      // again every 10 ms until it is gone or the wait has passed.
      {{denied, denied}, {WAIT_OBJECT_0}, LockStatus::Owned, 3, true},
      {std::vector<DWORD>(100, denied), {}, LockStatus::Busy, 71, false},
      {{ERROR_INVALID_HANDLE}, {}, LockStatus::Owned, 1, false},  // no mutex to be had: on, unlocked
  };
  for (const Row& row : rows) {
    world = FakeHidWorld{};
    auto device = OpenReader({});
    world.mutexCreateErrors = row.createErrors;
    world.mutexWaits = row.waits;
    Mark();
    EXPECT_EQ(device->Lock(700), row.status) << row.creates;
    const Calls calls = TransferCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "create mutex"), static_cast<long>(row.creates));
    const bool made = row.createErrors.size() < row.creates;
    if (made) {
      const std::string wait = "wait mutex " + std::to_string(700 - 10 * (row.creates - 1));
      EXPECT_EQ(calls.back(), row.held ? wait : "close mutex");
    }
    EXPECT_EQ(world.sleeps.size(), std::min<std::size_t>(row.creates - 1, 70));
    Mark();
    device.reset();
    EXPECT_EQ(TransferCalls(), row.held ? (Calls{"release mutex", "close mutex", "close file"}) : Calls{"close file"});
    EXPECT_TRUE(world.mutexArgumentsRight);
  }
  // One name per device path: its backslashes replaced, its case ignored.
  EXPECT_EQ(world.mutexNames.front(), L"Global\\magcfg-reader-//?/hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}");
  EXPECT_EQ(LockName(L"\\\\?\\HID#VID_5131"), LockName(L"\\\\?\\hid#vid_5131"));
  EXPECT_LT(LockName(std::wstring(400, L'x')).size(), static_cast<std::size_t>(MAX_PATH));
  EXPECT_NE(LockName(std::wstring(400, L'x')), LockName(std::wstring(401, L'x')));
}

TEST_F(HidTransfers, NegativeTimeOutsDoNotWaitForEver) {
  auto device = OpenReader({Outcome::TimesOut});
  Mark();
  device->Write(report, -1);
  EXPECT_EQ(TransferCalls()[2], "wait 0");
  system->Pause(-5);
  system->Pause(100);
  EXPECT_EQ(world.sleeps, (std::vector<DWORD>{0, 100}));
}

// --- Through a reader session

// What the window shows for an exchange, by catalogue key, in order.
class RecordingNotices : public reader::ExchangeObserver {
 public:
  explicit RecordingNotices(reader::CommandCode code) : code_(code) {}
  void WriteTimedOut() override { Note(WriteTimeoutNotice(code_)); }
  void WriteCompleted(bool wholeReportInCall) override {
    if (const std::optional<Notice> notice = WriteDoneNotice(code_, wholeReportInCall)) Note(*notice);
  }
  void Ended(const reader::ExchangeResult& result) {
    for (const Notice& notice : EndNotices(result)) Note(notice);
  }
  std::vector<std::string> seen;

 private:
  void Note(const Notice& notice) {
    const std::string name(MessageKeyName(notice.key));
    if (notice.form != NoticeForm::ErrorBox) seen.push_back(name);
    if (notice.form == NoticeForm::ErrorBox) seen.push_back("box Error: " + name);
    if (notice.form == NoticeForm::StatusThenErrorBox) seen.push_back("box ERROR: " + name);
  }
  reader::CommandCode code_;
};

const reader::ExchangeRequest kFormatRequest = {reader::CommandCode::SetFormat,
                                                {'%', '?', ';', '?', '+', '?', 0x07, 0x08}, true};

TEST_F(HidTransfers, SetFormatExchangeWaitsItsTimeOutsAndReadsTheReply) {
  const FakeRead reply{Outcome::Pending, {0x00, 0x02, 0x30, 'Y'}};
  const FakeRead lateReply{Outcome::InCall, {0x00, 0x02, 0x30, 'N'}};  // of an earlier request, still queued
  const Calls exchange{"reset", "write", "wait 1000", "result", "reset", "read", "wait 1000", "result"};
  struct Row {
    const char* what;
    bool flushRefused;
    std::vector<FakeRead> reads;
    Calls beforeWrite;
  };
  const Row rows[] = {
      // Reports waiting from before the request are flushed before it is written.
      {"flushed", false, {reply}, {"flush"}},
      // Wine refuses the flush: the queued report is read and dropped, until
      // a read finds nothing queued (that read cancelled); the request then
      // gets an event of its own.
      {"drained", true, {lateReply, {Outcome::TimesOut, {}}, reply},
       {"flush", "reset", "read", "wait 50", "result", "reset", "read", "wait 50", "cancel", "wait 1000",
        "close event"}},
  };
  for (const Row& row : rows) {
    FakeInterface r = Reader();
    r.flushRefused = row.flushRefused;
    r.writes = {Outcome::Pending};
    r.reads = row.reads;
    world.interfaces = {r};
    system = System();
    reader::ReaderSession session(*system);
    ASSERT_EQ(session.OpenAt("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}").outcome, reader::OpenOutcome::Opened);
    RecordingNotices notices(reader::CommandCode::SetFormat);
    Mark();
    const reader::ExchangeResult result = session.Run(kFormatRequest, &notices);
    notices.Ended(result);
    EXPECT_EQ(result.status, reader::ExchangeStatus::Answered) << row.what;
    EXPECT_EQ(result.format->verdict, reader::FormatVerdict::Accepted) << row.what << ": the reply to this request, not the queued one";
    EXPECT_EQ(notices.seen, (std::vector<std::string>{"MSG_SEND_OK"})) << row.what;
    EXPECT_EQ(world.written.back(),
              (std::vector<std::uint8_t>{0x00, 0x02, 0x30, '%', '?', ';', '?', '+', '?', 0x07, 0x08, 0x03}));
    // The reader is the exchange's from before the flush until its reply is read.
    Calls expected = {"create mutex", "wait mutex 1000"};
    expected.insert(expected.end(), row.beforeWrite.begin(), row.beforeWrite.end());
    expected.insert(expected.end(), exchange.begin(), exchange.end());
    expected.insert(expected.end(), {"release mutex", "close mutex"});
    EXPECT_EQ(TransferCalls(), expected) << row.what;
    EXPECT_EQ(world.preparsedTaken, world.preparsedFreed) << row.what;
    session.Close();
    EXPECT_EQ(world.closedWithTransferOutstanding, 0) << row.what;
  }
}

// Unplugged: the write fails at once, the exchange ends without reading and
// without sitting out a time-out, and the window's notices are those of a
// write and a read that ran out.
TEST_F(HidTransfers, SetFormatToAReaderGoneEndsAtTheWrite) {
  OpenReader({Outcome::FailsAtOnce});
  reader::ReaderSession session(*system);
  ASSERT_EQ(session.OpenAt("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}").outcome, reader::OpenOutcome::Opened);
  RecordingNotices notices(reader::CommandCode::SetFormat);
  Mark();
  const reader::ExchangeResult result = session.Run(kFormatRequest, &notices);
  notices.Ended(result);
  EXPECT_EQ(result.status, reader::ExchangeStatus::ReaderGone);
  EXPECT_EQ(notices.seen, (std::vector<std::string>{"MSG_SEND_TIMEOUT", "MSG_FORMAT_REPLY_TIMEOUT",
                                                    "box ERROR: MSG_FORMAT_REPLY_TIMEOUT"}));
  EXPECT_EQ(TransferCalls(),
            (Calls{"create mutex", "wait mutex 1000", "flush", "reset", "write", "release mutex", "close mutex"}));
}

TEST_F(HidTransfers, ReadCardWhoseWriteRunsOutReadsNothing) {
  OpenReader({Outcome::TimesOut});
  reader::ReaderSession session(*system);
  ASSERT_EQ(session.OpenAt("\\\\?\\hid#vid_5131&pid_2007#7&1&0000#{4d1e55b2}").outcome, reader::OpenOutcome::Opened);
  RecordingNotices notices(reader::CommandCode::ReadCard);
  Mark();
  const reader::ExchangeResult result = session.Run(reader::ExchangeRequest::ReadCard(0), &notices);
  notices.Ended(result);
  EXPECT_EQ(result.status, reader::ExchangeStatus::WriteTimedOut);
  EXPECT_EQ(notices.seen, (std::vector<std::string>{"box Error: MSG_SEND_TIMEOUT"}));
  EXPECT_EQ(TransferCalls(), (Calls{"create mutex", "wait mutex 100", "flush", "reset", "write", "wait 100", "cancel",
                                    "wait 1000", "release mutex", "close mutex"}));
}

class HidWindowLogic : public HidBackend {
 protected:
  void Build() {
    system = System();
    dialog = std::make_unique<MainDialog>(window, *system, state);
    dialog->OnInitDialog();
  }
  magcfg::test::FakeWindow window;
  ModuleState state;
  std::unique_ptr<reader::HidSystem> system;
  std::unique_ptr<MainDialog> dialog;
};

TEST_F(HidWindowLogic, FindDeviceAmongOtherInterfacesThenDisconnect) {
  world.interfaces = {Keyboard(), Interface(L"mouse", 0x045E, 0x0040), Reader()};
  Build();
  dialog->OnNotify(ctl::kFindDevice, Notification::Clicked);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Detect device OK,ver102");
  EXPECT_EQ(world.sleeps, (std::vector<DWORD>{100}));
  EXPECT_EQ(world.openHandles.size(), 1u);
  dialog->OnNotify(ctl::kDisconnect, Notification::Clicked);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Device disconnected!");
  EXPECT_TRUE(world.openHandles.empty());
}

TEST_F(HidWindowLogic, NoReaderAmongTheInterfaces) {
  world.interfaces = {Keyboard(), Interface(L"mouse", 0x045E, 0x0040)};
  Build();
  dialog->OnNotify(ctl::kFindDevice, Notification::Clicked);
  EXPECT_EQ(window.GetText(ctl::kStatusLine), "Device disconnected!");
  EXPECT_EQ(world.sleeps, (std::vector<DWORD>{100}));
  EXPECT_TRUE(world.openHandles.empty());
  EXPECT_EQ(world.listsMade, world.listsDestroyed);
}

TEST_F(HidWindowLogic, DetailRecordNotReadShowsTheBoxAndNoPause) {
  FakeInterface broken = Keyboard();
  broken.detailFails = true;
  world.interfaces = {Keyboard(), broken, Reader()};
  Build();
  dialog->OnNotify(ctl::kFindDevice, Notification::Clicked);
  ASSERT_EQ(window.boxes.size(), 1u);
  EXPECT_EQ(window.boxes[0].title, "Get HID device information failed!");
  EXPECT_EQ(window.boxes[0].text, "Error");
  EXPECT_TRUE(world.sleeps.empty());
  EXPECT_TRUE(world.openHandles.empty());
  EXPECT_EQ(world.listsDestroyed, 1);
}

TEST(SimulateOption, GivesTheDemoReaderInsteadOfTheSystemServices) {
  const auto simulated = HidSystemFor(true);
  ASSERT_NE(simulated, nullptr);
  const reader::FindResult found = reader::FindFirstReader(*simulated);
  EXPECT_EQ(found.outcome, reader::FindOutcome::Found);
  EXPECT_NE(found.path.rfind("\\\\?\\", 0), 0u) << "not a Windows device path: " << found.path;
}

}  // namespace
}  // namespace magcfg::win32::test
