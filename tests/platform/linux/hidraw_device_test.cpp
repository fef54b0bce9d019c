#include "platform/linux/hidraw_device.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/platform/linux/fake_hidraw_tree.h"
#include "tests/platform/linux/socket_pair.h"

namespace magcfg::test {
namespace {

using namespace std::chrono_literals;
using platform::hidraw::DescriptorSource;
using platform::hidraw::HidrawDevice;
using platform::hidraw::SysfsNode;
using platform::hidraw::UniqueFd;
using reader::TransferStatus;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

SysfsNode NoSysfs() { return SysfsNode("/nonexistent-sysfs", "hidraw0"); }

DescriptorSource Fixed(const Bytes& descriptor) {
  return [descriptor] { return std::optional<Bytes>(descriptor); };
}

HidrawDevice DeviceOn(SocketPair& pair) {
  return HidrawDevice(std::move(pair.host), NoSysfs(), Fixed(VendorPage64Descriptor()));
}

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// Delivers SIGUSR1 to one thread every few milliseconds while it lives,
// through a handler installed without SA_RESTART so that poll sees EINTR.
class SignalStorm {
 public:
  explicit SignalStorm(pthread_t target, std::chrono::milliseconds interval, int count)
      : target_(target), interval_(interval), count_(count) {
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGUSR1, &action, &previous_);
    thread_ = std::thread([this] {
      for (int i = 0; i < count_ && !stop_; ++i) {
        std::this_thread::sleep_for(interval_);
        pthread_kill(target_, SIGUSR1);
        ++delivered_;
      }
    });
  }
  ~SignalStorm() {
    stop_ = true;
    thread_.join();
    sigaction(SIGUSR1, &previous_, nullptr);
  }
  int Delivered() const { return delivered_; }

 private:
  pthread_t target_;
  std::chrono::milliseconds interval_;
  int count_;
  std::atomic<bool> stop_{false};
  std::atomic<int> delivered_{0};
  struct sigaction previous_ {};
  std::thread thread_;
};

// Writing to a socket whose other end is closed raises SIGPIPE; hidraw never
// does, so the tests that close the reader's end keep it from ending them.
class IgnoreSigpipe {
 public:
  IgnoreSigpipe() { previous_ = ::signal(SIGPIPE, SIG_IGN); }
  ~IgnoreSigpipe() { ::signal(SIGPIPE, previous_); }

 private:
  sighandler_t previous_;
};

// Two opens of one node take turns through its lock: the second is told
// Busy once its wait has passed, and has the node once the first lets go of
// it, during its wait too, or closes it.
TEST(HidrawDeviceTest, TwoOpensOfTheNodeTakeTurnsThroughItsLock) {
  FakeHidrawTree tree;
  const std::filesystem::path node = tree.Root() / "hidraw0";
  FakeHidrawTree::WriteFile(node, "");
  const auto open = [&] {
    return std::make_unique<HidrawDevice>(UniqueFd(::open(node.c_str(), O_RDWR | O_CLOEXEC)), NoSysfs(),
                                          Fixed(VendorPage64Descriptor()));
  };
  auto first = open();
  auto second = open();
  EXPECT_EQ(first->Lock(0), reader::LockStatus::Owned);
  EXPECT_EQ(second->Lock(30), reader::LockStatus::Busy);
  std::thread letGo([&] {
    std::this_thread::sleep_for(20ms);
    first->Unlock();
  });
  EXPECT_EQ(second->Lock(5000), reader::LockStatus::Owned);
  letGo.join();
  EXPECT_EQ(first->Lock(0), reader::LockStatus::Busy);
  second.reset();
  EXPECT_EQ(first->Lock(0), reader::LockStatus::Owned);
}

TEST(HidrawDeviceTest, WriteDeliversTheWholeReportAsOneMessage) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  Bytes report(65, 0);
  report[1] = 0x02;
  report[2] = 0x05;
  report[3] = 0x03;
  report[64] = 0xA5;

  const reader::WriteResult result = device.Write(report, 1000);
  EXPECT_EQ(result.status, TransferStatus::Completed);
  EXPECT_EQ(result.bytesReportedByCall, 65u);
  EXPECT_EQ(pair.Receive(), report);
  EXPECT_EQ(pair.Receive(), Bytes{});
}

// The reader's side sends what the kernel delivers to read(): for a device
// without report IDs the report's data alone, no ID byte in front (seen on
// Linux 6.1 with a USB HID gadget answering 02 30 'Y' 03: four bytes at
// offset 0); for a numbered report its ID first. The device puts either in
// the layout the core reads: byte 0 the report ID, the data from byte 1.
TEST(HidrawDeviceTest, EachReadTakesOneReportBehindItsReportId) {
  const Bytes numbered = {0x85, 0x02, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02};  // report ID 2, 8 bytes in
  struct Row {
    const char* name;
    Bytes descriptor;
    Bytes sent;
    std::size_t bufferSize;
    Bytes expected;
  };
  const Row rows[] = {
      {"unnumbered", VendorPage64Descriptor(), {0x02, 0x30, 'Y', 0x03}, 6, {0x00, 0x02, 0x30, 'Y', 0x03, 0xEE}},
      // The tail that does not fit behind the ID byte is dropped, as hidraw drops it.
      {"unnumbered, longer than the buffer", VendorPage64Descriptor(), {1, 2, 3, 4, 5, 6}, 4, {0x00, 1, 2, 3}},
      {"unnumbered, a buffer of the ID byte alone", VendorPage64Descriptor(), {0x42}, 1, {0x00}},
      {"numbered", numbered, {0x02, 0x11, 0x12}, 4, {0x02, 0x11, 0x12, 0xEE}},
      // No descriptor to say: the reader's own layout, without report IDs.
      {"no descriptor", {}, {0x07, 0x08}, 3, {0x00, 0x07, 0x08}},
  };
  for (const Row& row : rows) {
    SocketPair pair;
    const Bytes descriptor = row.descriptor;
    HidrawDevice device(std::move(pair.host), NoSysfs(), [descriptor] {
      return descriptor.empty() ? std::optional<Bytes>() : std::optional<Bytes>(descriptor);
    });
    pair.Send(row.sent);
    pair.Send({0x55});
    Bytes buffer(row.bufferSize, 0xEE);
    ASSERT_EQ(device.Read(buffer, 1000), TransferStatus::Completed) << row.name;
    EXPECT_EQ(buffer, row.expected) << row.name;
    // One read took one report: the next is the next report.
    Bytes next(2, 0xEE);
    ASSERT_EQ(device.Read(next, 1000), TransferStatus::Completed) << row.name;
    EXPECT_EQ(next[row.descriptor == numbered ? 0 : 1], 0x55) << row.name;
  }
}

// Reports already waiting are dropped, without waiting for more; a reader
// that has queued more than the bound cannot hold the discarding for ever.
TEST(HidrawDeviceTest, DiscardingDropsWhatWaitsWithinABound) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  const auto start = Clock::now();
  device.DiscardPendingReports();  // nothing waiting: returns at once
  pair.Send({0x02, 0x09, 0x00, 0x02});
  pair.Send({0x02, 0x05, 'V', 0x03});
  device.DiscardPendingReports();
  Bytes buffer(65, 0);
  EXPECT_EQ(device.Read(buffer, 20), TransferStatus::TimedOut);
  EXPECT_LT(Since(start), 500ms);

  int queued = 0;
  for (; queued < 200; ++queued) {
    const std::uint8_t tag = static_cast<std::uint8_t>(queued);
    if (::send(pair.reader.get(), &tag, 1, MSG_DONTWAIT) != 1) break;
  }
  ASSERT_GT(queued, 128) << "the socket holds too few reports to show the bound";
  device.DiscardPendingReports();
  ASSERT_EQ(device.Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(buffer[1], 128) << "128 reports dropped, the rest left";
}

// An empty buffer can hold no report: the read ends at once, without waiting
// and without taking a report (a 0-byte read would consume one on hidraw).
TEST(HidrawDeviceTest, AnEmptyBufferEndsTheReadAtOnce) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  const auto start = Clock::now();
  EXPECT_EQ(device.Read(std::span<std::uint8_t>(), 3000), TransferStatus::TimedOut);
  EXPECT_LT(Since(start), 1500ms);

  pair.Send({0x42});
  EXPECT_EQ(device.Read(std::span<std::uint8_t>(), 3000), TransferStatus::TimedOut);
  Bytes buffer(2, 0);
  ASSERT_EQ(device.Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x42}));
}

// The one real wait of a read: with nothing to read it ends at its time-out,
// and signals during the wait neither end it early nor restart it in full.
TEST(HidrawDeviceTest, ReadTimesOutOnTimeThroughSignals) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  Bytes buffer(65, 0);
  const auto start = Clock::now();
  TransferStatus status;
  {
    SignalStorm storm(pthread_self(), 5ms, 80);  // about 400 ms of signals
    status = device.Read(buffer, 50);
  }
  const auto elapsed = Since(start);
  EXPECT_EQ(status, TransferStatus::TimedOut);
  EXPECT_GE(elapsed, 50ms);
  // A wait restarted in full at each signal would last as long as the storm.
  EXPECT_LT(elapsed, 300ms);
}

TEST(HidrawDeviceTest, ReadAfterASignalStillGetsTheReport) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  std::thread readerSide;
  Bytes buffer(8, 0);
  TransferStatus status;
  {
    SignalStorm storm(pthread_self(), 5ms, 3);
    readerSide = std::thread([&] {
      std::this_thread::sleep_for(40ms);
      pair.Send({0x02, 0x09, 'Y'});
    });
    status = device.Read(buffer, 2000);
    EXPECT_GT(storm.Delivered(), 0);
  }
  readerSide.join();
  EXPECT_EQ(status, TransferStatus::Completed);
  EXPECT_EQ(buffer[3], 'Y');
}

TEST(HidrawDeviceTest, AHungUpReaderEndsAReadAtOnce) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  pair.reader.Reset(-1);
  Bytes buffer(65, 0);
  const auto start = Clock::now();
  EXPECT_EQ(device.Read(buffer, 3000), TransferStatus::ReaderGone);
  EXPECT_LT(Since(start), 1500ms);
  // Asked again, it does not wait either.
  EXPECT_EQ(device.Read(buffer, 3000), TransferStatus::ReaderGone);
  EXPECT_LT(Since(start), 1500ms);
}

TEST(HidrawDeviceTest, AReportSentBeforeTheHangUpIsStillRead) {
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  pair.Send({0x7A});
  pair.reader.Reset(-1);
  Bytes buffer(2, 0);
  EXPECT_EQ(device.Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x7A}));
  EXPECT_EQ(device.Read(buffer, 1000), TransferStatus::ReaderGone);
}

TEST(HidrawDeviceTest, AWriteToAHungUpReaderFailsAtOnceAsGone) {
  IgnoreSigpipe ignore;
  SocketPair pair;
  HidrawDevice device = DeviceOn(pair);
  pair.reader.Reset(-1);
  const auto start = Clock::now();
  const reader::WriteResult result = device.Write(Bytes(65, 0), 3000);
  EXPECT_EQ(result.status, TransferStatus::ReaderGone);
  EXPECT_EQ(result.bytesReportedByCall, 0u);
  EXPECT_LT(Since(start), 1500ms);
}

// The one real wait of a write: a reader that takes nothing more.
TEST(HidrawDeviceTest, WriteTimesOutWhenTheReaderTakesNothing) {
  SocketPair pair;
  const int sendBuffer = 4096;
  ASSERT_EQ(::setsockopt(pair.host.get(), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer), 0);
  const Bytes report(65, 0x55);
  int queued = 0;
  while (::send(pair.host.get(), report.data(), report.size(), MSG_DONTWAIT) > 0) ++queued;
  ASSERT_GT(queued, 0);
  HidrawDevice device = DeviceOn(pair);

  const auto start = Clock::now();
  const reader::WriteResult result = device.Write(report, 50);
  EXPECT_EQ(result.status, TransferStatus::TimedOut);
  EXPECT_EQ(result.bytesReportedByCall, 0u);
  EXPECT_GE(Since(start), 50ms);
}

// A descriptor that is not open at all reports POLLNVAL: both transfers fail
// at once instead of spinning; the reader is not said to be gone.
TEST(HidrawDeviceTest, AnInvalidDescriptorEndsBothTransfersAtOnce) {
  HidrawDevice device(UniqueFd(1 << 20), NoSysfs(), Fixed(VendorPage64Descriptor()));
  Bytes buffer(65, 0);
  const auto start = Clock::now();
  EXPECT_EQ(device.Read(buffer, 3000), TransferStatus::Failed);
  const reader::WriteResult result = device.Write(buffer, 3000);
  EXPECT_EQ(result.status, TransferStatus::Failed);
  EXPECT_EQ(result.bytesReportedByCall, 0u);
  EXPECT_LT(Since(start), 1500ms);
}

TEST(HidrawDeviceTest, ReportLengthsAreParsedAnewOnEveryCall) {
  SocketPair pair;
  int calls = 0;
  Bytes descriptor = VendorPage64Descriptor();
  HidrawDevice device(std::move(pair.host), NoSysfs(), [&] {
    ++calls;
    return std::optional<Bytes>(descriptor);
  });
  auto lengths = device.GetReportLengths();
  ASSERT_TRUE(lengths.has_value());
  EXPECT_EQ(lengths->input, 65);
  EXPECT_EQ(lengths->output, 65);

  descriptor = {0x75, 0x08, 0x95, 0x08, 0x81, 0x02};  // 8 bytes in, no output
  lengths = device.GetReportLengths();
  ASSERT_TRUE(lengths.has_value());
  EXPECT_EQ(lengths->input, 9);
  EXPECT_EQ(lengths->output, 0);
  EXPECT_EQ(calls, 2);
}

TEST(HidrawDeviceTest, NoLengthsWithoutAUsableDescriptor) {
  SocketPair unavailable;
  HidrawDevice noDescriptor(std::move(unavailable.host), NoSysfs(), [] { return std::optional<Bytes>(); });
  EXPECT_EQ(noDescriptor.GetReportLengths(), std::nullopt);

  SocketPair truncated;
  HidrawDevice badDescriptor(std::move(truncated.host), NoSysfs(), Fixed({0xA1, 0x01, 0x75}));
  EXPECT_EQ(badDescriptor.GetReportLengths(), std::nullopt);
}

// A descriptor without the hidraw ioctls (here a socket) is identified and
// measured through sysfs.
TEST(HidrawDeviceTest, FallsBackToSysfsForIdentityAndDescriptor) {
  FakeHidrawTree tree;
  tree.AddUsbHidNode(3, 0x5131, 0x2007, "0217\n", VendorPage64Descriptor());
  SocketPair pair;
  HidrawDevice device(std::move(pair.host), SysfsNode(tree.SysRoot(), "hidraw3"));

  const auto attributes = device.GetAttributes();
  ASSERT_TRUE(attributes.has_value());
  EXPECT_EQ(attributes->vendorId, 0x5131);
  EXPECT_EQ(attributes->productId, 0x2007);
  EXPECT_EQ(attributes->versionNumber, 0x0217);
  const auto lengths = device.GetReportLengths();
  ASSERT_TRUE(lengths.has_value());
  EXPECT_EQ(lengths->input, 65);
  EXPECT_EQ(lengths->output, 65);

  SocketPair orphan;
  HidrawDevice unknown(std::move(orphan.host), NoSysfs());
  EXPECT_EQ(unknown.GetAttributes().has_value(), false);
  EXPECT_EQ(unknown.GetReportLengths(), std::nullopt);
}

}  // namespace
}  // namespace magcfg::test
