// The window logic over the real hidraw backend, with the reader's node
// replaced by one end of a SOCK_SEQPACKET socket pair (one report per
// message, as hidraw) and the identity and report description taken from a
// fake sysfs tree. The test plays the reader on the other end, sending each
// report as the kernel hands a report without report ID to read(): its data
// alone, no leading 0 (seen on Linux 6.1 with a USB HID gadget). It hangs
// up: while a read is pending, between the write and the read, and in the
// middle of a card reply; a hung-up reader ends each transfer at once and no
// command waits out a time-out for it. And it answers late: the late reply
// is not taken for the next command's. These run in real time, and briefly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

#include "platform/linux/hidraw_system.h"
#include "tests/support/dialog_rig.h"
#include "tests/platform/linux/fake_hidraw_tree.h"
#include "tests/platform/linux/socket_pair.h"

namespace magcfg::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::hidraw::HidrawSystem;
using platform::hidraw::OpenedNode;
using platform::hidraw::PermissionNotice;

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A write to a socket whose other end is closed raises SIGPIPE, which
// hidraw never does: the rig keeps it from ending the test.
class IgnoreSigpipe {
 public:
  IgnoreSigpipe() { previous_ = ::signal(SIGPIPE, SIG_IGN); }
  ~IgnoreSigpipe() { ::signal(SIGPIPE, previous_); }
  IgnoreSigpipe(const IgnoreSigpipe&) = delete;
  IgnoreSigpipe& operator=(const IgnoreSigpipe&) = delete;

 private:
  sighandler_t previous_;
};

// The reader as hidraw0 of the fake tree; opening it hands over a copy of
// the host's end of the socket pair.
class SocketReaderRig {
 public:
  SocketReaderRig()
      : system_(tree_.SysRoot(), tree_.DevRoot(),
                [this](const std::string&) {
                  const int fd = ::fcntl(pair.host.get(), F_DUPFD_CLOEXEC, 0);
                  return OpenedNode{fd, fd < 0 ? errno : 0};
                },
                notice_,
                // A socket stands in for the character device.
                [](int, platform::hidraw::DeviceNumber) { return true; }),
        hid(system_),
        dialog(window, hid, state) {
    tree_.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n", VendorPage64Descriptor());
    dialog.OnInitDialog();
  }

  bool Connect() {
    Press(ctl::kFindDevice);
    window.ForgetLogs();
    hid.ResetCounts();
    return dialog.ReaderOpen();
  }

  void Press(int button) { dialog.OnNotify(button, Notification::Clicked); }
  void Press(const Command& command) { Press(command.button); }

  // The reader hangs up: its end of the pair is closed.
  void HangUp() { pair.reader.Reset(-1); }

  // The next request the host wrote, waiting for it at most timeoutMs; empty
  // when none came.
  Bytes AwaitRequest(int timeoutMs) {
    pollfd entry{pair.reader.get(), POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) != 1) return {};
    return pair.Receive();
  }

  ::testing::AssertionResult NothingLeftBehind() const {
    return test::NothingLeftBehind(hid, dialog.ReaderOpen(), {tree_.NodePath(0)});
  }

  ::testing::AssertionResult DisconnectLeavesNothingOpen() {
    Press(ctl::kDisconnect);
    return NothingOpen(hid, dialog.ReaderOpen());
  }

  Strings TrackBoxes() const {
    return {window.GetText(ctl::kTrack1Data), window.GetText(ctl::kTrack2Data), window.GetText(ctl::kTrack3Data)};
  }

 private:
  IgnoreSigpipe ignoreSigpipe_;
  FakeHidrawTree tree_;
  PermissionNotice notice_{std::cerr};

 public:
  SocketPair pair;

 private:
  HidrawSystem system_;

 public:
  FaultInjectingHid hid;
  FakeWindow window;
  ModuleState state;
  MainDialog dialog;
};

// The reader takes the format request and hangs up 20 ms later, while the
// host waits up to 1000 ms for the reply. The wait ends then, not at its
// time-out.
TEST(HidrawHangUp, WhileAReadIsPendingEndsTheReadAtOnce) {
  SocketReaderRig rig;
  ASSERT_TRUE(rig.Connect());
  Bytes request;
  std::thread readerSide([&] {
    request = rig.AwaitRequest(2000);
    std::this_thread::sleep_for(20ms);
    rig.HangUp();
  });
  const auto start = Clock::now();
  rig.Press(kSetFormat);
  const auto elapsed = Since(start);
  readerSide.join();
  ::testing::Test::RecordProperty("elapsed_ms", static_cast<int>(elapsed.count()));

  ASSERT_EQ(request.size(), 65u);
  EXPECT_EQ(request[2], 0x30);
  EXPECT_EQ(rig.window.events,
            (Strings{kFormatSent, "status:Receive data timeout", "box:ERROR|Receive data timeout"}));
  EXPECT_GE(elapsed, 20ms);  // the read was pending when the reader hung up
  EXPECT_LT(elapsed, 900ms);
  EXPECT_EQ(rig.hid.Counts().failures, 1);
  EXPECT_EQ(rig.hid.Counts().timeouts, 0);  // the read failed; it did not run out
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// Hung up after the request went out: the read ends at once, and so does
// every transfer of every command after it, until Disconnect.
TEST(HidrawHangUp, BetweenTheWriteAndTheReadAndForEveryCommandAfter) {
  SocketReaderRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.hid.Faults().beforeTransfer = [&](int transfer) {
    if (transfer == 1) rig.HangUp();
  };
  auto start = Clock::now();
  rig.Press(kCardStatus);
  ::testing::Test::RecordProperty("elapsed_ms", static_cast<int>(Since(start).count()));
  EXPECT_LT(Since(start), 500ms);  // its read time-out is 1000 ms
  EXPECT_EQ(rig.window.events, (Strings{kSent, "status:Receive data timeout!"}));
  EXPECT_TRUE(rig.NothingLeftBehind());

  // Each write now fails at once, and nothing is read after it: six
  // commands in less than one read time-out.
  start = Clock::now();
  for (const Command& command : kCommands) {
    rig.window.events.clear();
    rig.Press(command);
    EXPECT_FALSE(rig.window.events.empty()) << command.name;
    EXPECT_TRUE(rig.NothingLeftBehind()) << command.name;
  }
  ::testing::Test::RecordProperty("six_commands_after_ms", static_cast<int>(Since(start).count()));
  EXPECT_LT(Since(start), 900ms);
  // The first command's read and the six writes after it: each failed, none ran out.
  EXPECT_EQ(rig.hid.Counts().failures, 7);
  EXPECT_EQ(rig.hid.Counts().timeouts, 0);
  EXPECT_EQ(rig.hid.Counts().reads, 1);
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// The card reply spans two reports; the reader hangs up after the first.
// The read of the second ends at once, and what arrived is decoded.
TEST(HidrawHangUp, InTheMiddleOfACardReplyDecodesWhatArrived) {
  SocketReaderRig rig;
  ASSERT_TRUE(rig.Connect());
  std::string track1;
  for (int i = 0; i < 70; ++i) track1.push_back(static_cast<char>('A' + i % 26));
  Bytes first(64, 0);
  first[0] = 0x02;
  first[1] = 0x08;
  first[2] = 'Y';
  first[3] = 70;
  std::copy(track1.begin(), track1.begin() + 60, first.begin() + 4);
  rig.hid.Faults().beforeTransfer = [&](int transfer) {
    if (transfer == 1) rig.pair.Send(first);  // the reply to the write
    if (transfer == 2) rig.HangUp();          // after the write and the first report's read
  };

  const auto start = Clock::now();
  rig.Press(kReadCard);
  const auto elapsed = Since(start);
  ::testing::Test::RecordProperty("elapsed_ms", static_cast<int>(elapsed.count()));

  EXPECT_EQ(rig.window.events, Strings{kSent});
  EXPECT_EQ(rig.TrackBoxes(), (Strings{track1.substr(0, 60), kBlank, kBlank}));
  EXPECT_EQ(rig.hid.Counts().reads, 2);
  EXPECT_EQ(rig.hid.Counts().timeouts, 0);  // the read failed; it did not run out
  // A hang-up not noticed would have held the read for its 50 ms.
  EXPECT_LT(elapsed, 50ms);
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// The card read gives up on its reply after 50 ms; the reader answers 100 ms
// late. That reply waits in the node's queue and is dropped before the card
// status request, whose own reply is read: swipe succeeded.
TEST(HidrawLateReply, IsDroppedBeforeTheNextRequest) {
  SocketReaderRig rig;
  ASSERT_TRUE(rig.Connect());
  Bytes late(64, 0);
  late[0] = 0x02;
  late[1] = 0x08;
  late[2] = 'N';
  late[3] = 0x00;
  std::thread readerSide([&] {
    if (rig.AwaitRequest(2000).empty()) return;
    std::this_thread::sleep_for(100ms);
    rig.pair.Send(late);
  });
  rig.Press(kReadCard);
  readerSide.join();
  EXPECT_EQ(rig.window.events, (Strings{kSent, "status:Receive data timeout!"}));

  rig.window.events.clear();
  Bytes status(64, 0);
  status[0] = 0x02;
  status[1] = 0x09;
  status[3] = 2;  // byte 4 of the input report: swipe succeeded
  rig.hid.Faults().beforeTransfer = [&](int transfer) {
    if (transfer == 3) rig.pair.Send(status);  // the card status read
  };
  rig.Press(kCardStatus);
  EXPECT_EQ(rig.window.events, (Strings{kSent, "status:刷卡成功", "box:Information|刷卡成功"}));
  EXPECT_EQ(rig.hid.Counts().discards, 2);
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

}  // namespace
}  // namespace magcfg::test
