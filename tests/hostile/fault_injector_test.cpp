// The fault injector itself: with nothing armed it is invisible, each armed
// fault hits exactly the calls it names, and its books catch a program that
// leaves an interface open or gets a length wrong. The hostile-reader cases
// rely on all three.
#include "tests/support/fault_injecting_hid.h"

#include <gtest/gtest.h>

#include "platform/simulated/simulated_hid.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using reader::TransferStatus;

const std::string kReaderPath = "sim:hid/2-magstripe";
const Bytes kVersionRequest = [] {
  Bytes request(65, 0);
  request[1] = 0x02;
  request[2] = 0x05;
  request[3] = 0x03;
  return request;
}();

// The system and the injector over it, without a window.
struct Rig : SystemRig {
  Rig() : SystemRig(sim::SaneReaderConfig()) {}
  std::unique_ptr<reader::HidDevice> OpenReader() { return hid.Open(kReaderPath).device; }
  // Walks the interfaces, noting the paths visited in `visited`.
  reader::WalkEnd Walk() {
    return hid.WalkInterfaces([this](const std::string& path) {
      visited.push_back(path);
      return true;
    });
  }
  Strings visited;
};

TEST(FaultInjector, WithNothingArmedPassesEveryCallThrough) {
  Rig rig;
  EXPECT_EQ(rig.Walk(), reader::WalkEnd::Completed);
  EXPECT_EQ(rig.visited, (Strings{"sim:hid/0-keyboard", "sim:hid/1-mouse", kReaderPath}));

  auto device = rig.OpenReader();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(rig.hid.OpenPaths(), std::vector<std::string>{kReaderPath});
  EXPECT_EQ(device->GetAttributes()->versionNumber, sim::kSaneReaderVersion);
  EXPECT_EQ(device->GetReportLengths()->input, sim::kSaneReportLength);
  EXPECT_TRUE(device->PassesUsageCheck(kVersionRequest));
  EXPECT_EQ(device->Lock(0), reader::LockStatus::Owned);
  EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::Completed);
  Bytes reply(65, 0);
  ASSERT_EQ(device->Read(reply, 1000), TransferStatus::Completed);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 9), (Bytes{0, 0x02, 0x05, 'V', '1', '.', '0', '2', 0x03}));
  rig.hid.Pause(100);

  // The wrapped system saw the same calls.
  EXPECT_EQ(rig.sim.Seen().writes, std::vector<Bytes>{kVersionRequest});
  EXPECT_EQ(rig.sim.Seen().pausesMs, std::vector<int>{100});
  const HidCallCounts& counts = rig.hid.Counts();
  EXPECT_EQ(counts.walks, 1);
  EXPECT_EQ(counts.enumerations, 3);
  EXPECT_EQ(counts.opened, 1);
  EXPECT_EQ(counts.writes, 1);
  EXPECT_EQ(counts.reads, 1);
  EXPECT_EQ(counts.timeouts, 0);
  EXPECT_EQ(rig.hid.InjectedWaitMs(), 0);

  device.reset();
  EXPECT_TRUE(rig.hid.OpenPaths().empty());
  EXPECT_EQ(rig.hid.Counts().closes, 1);
  EXPECT_TRUE(rig.sim.Seen().StillOpen().empty());
  EXPECT_TRUE(rig.hid.Violations().empty());
}

// The books must be able to fail, or the hostile cases that rely on them
// prove nothing.
TEST(FaultInjector, BooksCatchWhatAProgramMustNotDo) {
  struct Row {
    const char* name;
    void (*act)(reader::HidDevice&);
    std::size_t violations;
  };
  const Row rows[] = {
      {"ReportsOfTheirLengthsUnderTheLock",
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Lock(0);
         d.DiscardPendingReports();
         d.Write(kVersionRequest, 1000);
         Bytes buffer(65);
         d.Read(buffer, 1000);
       },
       0},
      {"TransfersWithoutTheLock",
       [](reader::HidDevice& d) {
         d.DiscardPendingReports();
         d.Write(kVersionRequest, 1000);
         d.Lock(0);
         d.Unlock();
         Bytes buffer(65);
         d.Read(buffer, 1000);
       },
       3},
      {"WriteShorterThanTheReport",
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Lock(0);
         d.Write(Bytes(kVersionRequest.begin(), kVersionRequest.begin() + 4), 1000);
       },
       1},
      {"ReadLongerThanTheReport",
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Lock(0);
         d.Write(kVersionRequest, 1000);
         Bytes buffer(1024);
         d.Read(buffer, 1000);
       },
       1},
  };
  for (const Row& row : rows) {
    Rig rig;
    auto device = rig.OpenReader();
    ASSERT_NE(device, nullptr);
    row.act(*device);
    EXPECT_EQ(rig.hid.Violations().size(), row.violations) << row.name;
    device.reset();
    EXPECT_TRUE(rig.hid.OpenPaths().empty()) << row.name;
  }
}

TEST(FaultInjector, WalkAndOpenFaultsHitOnlyTheCallsTheyName) {
  Rig rig;
  HidFaults& faults = rig.hid.Faults();
  faults.failDetail = CallSelection::Only(1);
  faults.failList = CallSelection::Only(1);
  faults.failEnumeration = CallSelection::Only(4);
  faults.refuseOpen = CallSelection::From(1);
  faults.openFailure = reader::OpenFailure::PermissionDenied;
  faults.failAttributes = CallSelection::Only(0);

  // The first walk stops at the second interface met, the second has no
  // list, the third ends at the fifth interface met as at the list's end.
  EXPECT_EQ(rig.Walk(), reader::WalkEnd::DetailFailed);
  EXPECT_EQ(rig.Walk(), reader::WalkEnd::ListFailed);
  EXPECT_EQ(rig.Walk(), reader::WalkEnd::Completed);
  EXPECT_EQ(rig.visited, (Strings{"sim:hid/0-keyboard", "sim:hid/0-keyboard", "sim:hid/1-mouse"}));
  EXPECT_EQ(rig.hid.Counts().enumerations, 5);

  auto first = rig.OpenReader();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetAttributes(), std::nullopt);
  EXPECT_TRUE(first->GetAttributes().has_value());
  const reader::OpenResult refused = rig.hid.Open(kReaderPath);
  EXPECT_EQ(refused.device, nullptr);
  EXPECT_EQ(refused.failure, reader::OpenFailure::PermissionDenied);
  EXPECT_EQ(rig.hid.Counts().opens, 2);
  EXPECT_EQ(rig.hid.Counts().opened, 1);
  // A refused open never reached the wrapped system.
  EXPECT_EQ(rig.sim.Seen().opened.size(), 1u);
}

TEST(FaultInjector, InjectedTimeOutsStandForTheirWholeWaitAndReachNothing) {
  Rig rig;
  rig.hid.Faults().writeTimeouts = CallSelection::Only(0);
  rig.hid.Faults().readTimeouts = CallSelection::Only(0);
  rig.hid.Faults().busyLocks = CallSelection::Only(0);
  auto device = rig.OpenReader();
  EXPECT_EQ(device->Lock(200), reader::LockStatus::Busy);
  EXPECT_EQ(device->Lock(0), reader::LockStatus::Owned);
  EXPECT_EQ(rig.hid.Counts().locks, 2);
  EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::TimedOut);
  Bytes buffer(65, 0xEE);
  EXPECT_EQ(device->Read(buffer, 50), TransferStatus::TimedOut);
  EXPECT_EQ(buffer, Bytes(65, 0xEE));
  EXPECT_EQ(rig.hid.InjectedWaitMs(), 200 + 1000 + 50);
  EXPECT_EQ(rig.sim.ElapsedMs(), 0);
  EXPECT_TRUE(rig.sim.Seen().writes.empty());
  EXPECT_EQ(rig.hid.Counts().timeouts, 2);
  // The next write goes through.
  EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::Completed);
  EXPECT_EQ(rig.sim.Seen().writes.size(), 1u);
}

TEST(FaultInjector, InjectedFailuresEndAtOnceAndReachNothing) {
  for (const TransferStatus failure : {TransferStatus::Failed, TransferStatus::ReaderGone}) {
    Rig rig;
    rig.hid.Faults().writeFailures = CallSelection::Only(0);
    rig.hid.Faults().readFailures = CallSelection::Only(0);
    rig.hid.Faults().transferFailure = failure;
    auto device = rig.OpenReader();
    EXPECT_EQ(device->Write(kVersionRequest, 1000).status, failure);
    Bytes buffer(65, 0xEE);
    EXPECT_EQ(device->Read(buffer, 1000), failure);
    EXPECT_EQ(buffer, Bytes(65, 0xEE));
    EXPECT_EQ(rig.hid.InjectedWaitMs(), 0);
    EXPECT_TRUE(rig.sim.Seen().writes.empty());
    EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
    EXPECT_EQ(rig.hid.Counts().failures, 2);
    EXPECT_EQ(rig.hid.Counts().timeouts, 0);
    // Only the chosen calls fail; the reader is still there.
    EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::Completed);
    EXPECT_EQ(device->Read(buffer, 1000), TransferStatus::Completed);
    EXPECT_EQ(buffer[2], 0x05);
  }
}

TEST(FaultInjector, AnUnpluggedReaderFailsEverythingFromItsTransferOn) {
  for (const UnplugMode mode : {UnplugMode::TimesOut, UnplugMode::EndsAtOnce}) {
    Rig rig;
    rig.hid.Faults().unplugAtTransfer = 1;
    rig.hid.Faults().unplugMode = mode;
    int hookCalls = 0;
    rig.hid.Faults().beforeTransfer = [&](int transfer) { EXPECT_EQ(transfer, hookCalls++); };
    auto device = rig.OpenReader();
    EXPECT_TRUE(device->GetAttributes().has_value());
    EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::Completed);
    Bytes buffer(65, 0xEE);
    const TransferStatus read = device->Read(buffer, 1000);
    const auto write = device->Write(kVersionRequest, 1000);
    if (mode == UnplugMode::TimesOut) {
      EXPECT_EQ(read, TransferStatus::TimedOut);
      EXPECT_EQ(write.status, TransferStatus::TimedOut);
      EXPECT_EQ(rig.hid.InjectedWaitMs(), 2000);
    } else {
      EXPECT_EQ(read, TransferStatus::ReaderGone);
      EXPECT_EQ(write.status, TransferStatus::ReaderGone);
      EXPECT_EQ(write.bytesReportedByCall, 0u);
      EXPECT_EQ(rig.hid.InjectedWaitMs(), 0);
      EXPECT_EQ(rig.hid.Counts().failures, 2);
    }
    // Nothing arrived: the reply that was on its way is not delivered.
    EXPECT_EQ(buffer, Bytes(65, 0xEE));
    EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
    EXPECT_EQ(device->GetAttributes(), std::nullopt);
    EXPECT_EQ(hookCalls, 3);
    device.reset();
    EXPECT_EQ(rig.hid.Open(kReaderPath).failure, reader::OpenFailure::NotFound);  // gone from the bus
  }
}

TEST(FaultInjector, ShortReadsAndRewritesChangeOnlyCompletedReads) {
  Rig rig;
  auto device = rig.OpenReader();
  Bytes buffer(65, 0);

  rig.hid.Faults().shortReadBytes = 5;
  device->Write(kVersionRequest, 1000);
  ASSERT_EQ(device->Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 7), (Bytes{0, 0x02, 0x05, 'V', '1', 0, 0}));

  rig.hid.Faults().shortReadBytes.reset();
  rig.hid.Faults().rewriteReply = ReplaceReply({0, 0x02, 0x30, 'N'});
  device->Write(kVersionRequest, 1000);
  ASSERT_EQ(device->Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(buffer, Report({0x02, 0x30, 'N'}));

  // Garbage is the same for the same seed and read, and differs between reads.
  Bytes a(65), b(65), c(65);
  GarbageReply(7)(a, 3);
  GarbageReply(7)(b, 3);
  GarbageReply(7)(c, 4);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(a[0], 0);  // the report ID is kept
}

}  // namespace
}  // namespace magcfg::test
