// The fault injector itself: with nothing armed it is invisible, each armed
// fault hits exactly the calls it names, and its books catch a program that
// leaves a transfer outstanding, an interface open or a length wrong. The
// hostile-reader cases rely on all three.
#include "tests/support/fault_injecting_hid.h"

#include <gtest/gtest.h>

#include "platform/simulated/simulated_hid.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using reader::EnumerationStatus;
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
  std::unique_ptr<reader::HidDevice> OpenReader() { return hid.Open(kReaderPath); }
};

TEST(FaultInjector, WithNothingArmedPassesEveryCallThrough) {
  Rig rig;
  {
    auto list = rig.hid.ListInterfaces();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(rig.hid.LiveLists(), 1);
    for (std::uint32_t index = 0; index < 4; ++index) {
      const auto entry = list->At(index);
      const auto& interfaces = rig.sim.Config().interfaces;
      if (index < interfaces.size()) {
        EXPECT_EQ(entry.status, EnumerationStatus::Interface);
        EXPECT_EQ(entry.path, interfaces[index].path);
      } else {
        EXPECT_EQ(entry.status, EnumerationStatus::NoMoreItems);
      }
    }
  }
  EXPECT_EQ(rig.hid.LiveLists(), 0);

  auto device = rig.OpenReader();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(rig.hid.OpenPaths(), std::vector<std::string>{kReaderPath});
  EXPECT_EQ(device->GetAttributes()->versionNumber, sim::kSaneReaderVersion);
  EXPECT_EQ(device->GetReportLengths()->input, sim::kSaneReportLength);
  EXPECT_TRUE(device->CheckOutputReport(kVersionRequest));
  EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::Completed);
  Bytes reply(65, 0);
  ASSERT_EQ(device->Read(reply, 1000), TransferStatus::Completed);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 9), (Bytes{0, 0x02, 0x05, 'V', '1', '.', '0', '2', 0x03}));
  rig.hid.Pause(100);

  // The wrapped system saw the same calls.
  EXPECT_EQ(rig.sim.Seen().writes, std::vector<Bytes>{kVersionRequest});
  EXPECT_EQ(rig.sim.Seen().pausesMs, std::vector<int>{100});
  const HidCallCounts& counts = rig.hid.Counts();
  EXPECT_EQ(counts.listRequests, 1);
  EXPECT_EQ(counts.enumerations, 4);
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
TEST(FaultInjector, BooksCatchWhatAProgramLeavesBehind) {
  struct Row {
    const char* name;
    bool firstWriteTimesOut;
    void (*act)(reader::HidDevice&);
    int outstanding;
    std::size_t violations;
  };
  const Row rows[] = {
      // The request never went out, so the read runs out too.
      {"ReadAfterATimedOutWriteNotCancelled", true,
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Write(kVersionRequest, 1000);
         Bytes buffer(65);
         d.Read(buffer, 1000);
       },
       1, 1},
      {"TimedOutReadLeftOutstanding", false,
       [](reader::HidDevice& d) {
         Bytes buffer(65);
         d.Read(buffer, 50);  // nothing was asked: nothing comes
       },
       1, 0},
      {"TimedOutReadCancelled", false,
       [](reader::HidDevice& d) {
         Bytes buffer(65);
         d.Read(buffer, 50);
         d.CancelIo();
         d.Read(buffer, 50);
         d.CancelIo();
       },
       0, 0},
      {"WriteShorterThanTheReport", false,
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Write(Bytes(kVersionRequest.begin(), kVersionRequest.begin() + 4), 1000);
       },
       0, 1},
      {"ReadLongerThanTheReport", false,
       [](reader::HidDevice& d) {
         d.GetReportLengths();
         d.Write(kVersionRequest, 1000);
         Bytes buffer(1024);
         d.Read(buffer, 1000);
       },
       0, 1},
  };
  for (const Row& row : rows) {
    Rig rig;
    if (row.firstWriteTimesOut) rig.hid.Faults().writeTimeouts = CallSelection::Only(0);
    auto device = rig.OpenReader();
    ASSERT_NE(device, nullptr);
    row.act(*device);
    EXPECT_EQ(rig.hid.Outstanding(), row.outstanding) << row.name;
    EXPECT_EQ(rig.hid.Violations().size(), row.violations) << row.name;
    // Closing the interface ends whatever was outstanding on it.
    device.reset();
    EXPECT_EQ(rig.hid.Outstanding(), 0) << row.name;
    EXPECT_TRUE(rig.hid.OpenPaths().empty()) << row.name;
  }
}

TEST(FaultInjector, EnumerationAndOpenFaultsHitOnlyTheCallsTheyName) {
  Rig rig;
  rig.hid.Faults().failEnumeration = CallSelection::Only(1);
  rig.hid.Faults().enumerationFailure = EnumerationStatus::DetailFailed;
  rig.hid.Faults().refuseOpen = CallSelection::From(1);
  rig.hid.Faults().failAttributes = CallSelection::Only(0);
  rig.hid.Faults().failList = CallSelection::Only(1);

  auto list = rig.hid.ListInterfaces();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(rig.hid.ListInterfaces(), nullptr);
  EXPECT_NE(rig.hid.ListInterfaces(), nullptr);
  EXPECT_EQ(list->At(0).status, EnumerationStatus::Interface);
  EXPECT_EQ(list->At(1).status, EnumerationStatus::DetailFailed);
  EXPECT_EQ(list->At(1).status, EnumerationStatus::Interface);  // the same index asked again

  auto first = rig.OpenReader();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetAttributes(), std::nullopt);
  EXPECT_TRUE(first->GetAttributes().has_value());
  EXPECT_EQ(rig.OpenReader(), nullptr);
  EXPECT_EQ(rig.hid.Counts().opens, 2);
  EXPECT_EQ(rig.hid.Counts().opened, 1);
  // A refused open never reached the wrapped system.
  EXPECT_EQ(rig.sim.Seen().opened.size(), 1u);
}

TEST(FaultInjector, InjectedTimeOutsStandForTheirWholeWaitAndReachNothing) {
  Rig rig;
  rig.hid.Faults().writeTimeouts = CallSelection::Only(0);
  rig.hid.Faults().readTimeouts = CallSelection::Only(0);
  auto device = rig.OpenReader();
  EXPECT_EQ(device->Write(kVersionRequest, 1000).status, TransferStatus::TimedOut);
  device->CancelIo();
  Bytes buffer(65, 0xEE);
  EXPECT_EQ(device->Read(buffer, 50), TransferStatus::TimedOut);
  device->CancelIo();
  EXPECT_EQ(buffer, Bytes(65, 0xEE));
  EXPECT_EQ(rig.hid.InjectedWaitMs(), 1050);
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
    EXPECT_EQ(rig.hid.Outstanding(), 0);
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
      EXPECT_EQ(rig.hid.Violations().size(), 1u);  // the write came with the read still outstanding
    } else {
      EXPECT_EQ(read, TransferStatus::ReaderGone);
      EXPECT_EQ(write.status, TransferStatus::ReaderGone);
      EXPECT_EQ(write.bytesWrittenInCall, 0u);
      EXPECT_EQ(rig.hid.InjectedWaitMs(), 0);
      EXPECT_EQ(rig.hid.Counts().failures, 2);
      EXPECT_EQ(rig.hid.Outstanding(), 0);  // a failed transfer leaves nothing to cancel
    }
    // Nothing arrived: the reply that was on its way is not delivered.
    EXPECT_EQ(buffer, Bytes(65, 0xEE));
    EXPECT_EQ(rig.sim.Seen().Reads(), 0u);
    EXPECT_EQ(device->GetAttributes(), std::nullopt);
    EXPECT_EQ(hookCalls, 3);
    device.reset();
    EXPECT_EQ(rig.OpenReader(), nullptr);  // gone from the bus
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
