// The kernel's device events as the watch sees them: the messages parsed
// (what the kernel sends for a hidraw node, and what else may arrive on the
// socket), and the monitor over a socket pair standing in for the netlink
// socket, with a sysfs tree for the IDs of the node added.
#include "platform/linux/uevent_monitor.h"

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include "tests/platform/linux/fake_hidraw_tree.h"

namespace magcfg::test {
namespace {

using platform::hidraw::ParseHidrawUevent;
using platform::hidraw::UeventMonitor;
using platform::hidraw::UniqueFd;
using Kind = reader::DeviceEvent::Kind;

std::string Message(std::initializer_list<std::string_view> fields) {
  std::string message;
  for (const std::string_view field : fields) {
    message += field;
    message += '\0';
  }
  return message;
}

// What the kernel sends when a hidraw node is created (seen on Linux 6.1).
std::string HidrawMessage(std::string_view action, std::string_view devName) {
  const std::string path =
      "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/0003:5131:2007.0004/hidraw/" + std::string(devName);
  return Message({std::string(action) + "@" + path, "ACTION=" + std::string(action), "DEVPATH=" + path,
                  "SUBSYSTEM=hidraw", "MAJOR=243", "MINOR=3", "DEVNAME=" + std::string(devName), "SEQNUM=4711"});
}

struct ParseRow {
  const char* what;
  std::string message;
  std::optional<Kind> kind;  // nullopt: no event
  std::string path;
};

TEST(Uevent, OnlyHidrawNodesAddedOrRemovedAreEvents) {
  const std::string cut = HidrawMessage("add", "hidraw3");
  const ParseRow rows[] = {
      {"a node added", HidrawMessage("add", "hidraw3"), Kind::Added, "/dev/hidraw3"},
      {"a node removed", HidrawMessage("remove", "hidraw12"), Kind::Removed, "/dev/hidraw12"},
      {"the last field without its zero byte", cut.substr(0, cut.size() - 1), Kind::Added, "/dev/hidraw3"},
      {"a change", HidrawMessage("change", "hidraw3"), std::nullopt, ""},
      {"a USB interface bound",
       Message({"bind@/devices/x/1-1:1.0", "ACTION=bind", "SUBSYSTEM=usb", "DEVTYPE=usb_interface"}), std::nullopt, ""},
      {"an input node",
       Message({"add@/devices/x/input5/event7", "ACTION=add", "SUBSYSTEM=input", "DEVNAME=input/event7"}), std::nullopt,
       ""},
      {"a name leading out of /dev", Message({"add@/x", "ACTION=add", "SUBSYSTEM=hidraw", "DEVNAME=../sda"}),
       std::nullopt, ""},
      {"a name with a directory", Message({"add@/x", "ACTION=add", "SUBSYSTEM=hidraw", "DEVNAME=hidraw/hidraw3"}),
       std::nullopt, ""},
      {"no name", Message({"add@/x", "ACTION=add", "SUBSYSTEM=hidraw"}), std::nullopt, ""},
      {"udevd's own message", Message({"libudev", "ACTION=add", "SUBSYSTEM=hidraw", "DEVNAME=hidraw3"}), std::nullopt,
       ""},
      {"fields without a header", Message({"ACTION=add", "SUBSYSTEM=hidraw", "DEVNAME=hidraw3"}), std::nullopt, ""},
      {"nothing at all", "", std::nullopt, ""},
      {"zero bytes only", std::string(64, '\0'), std::nullopt, ""},
  };
  for (const ParseRow& row : rows) {
    const auto event = ParseHidrawUevent(row.message, "/dev");
    ASSERT_EQ(event.has_value(), row.kind.has_value()) << row.what;
    if (!event) continue;
    EXPECT_EQ(event->kind, *row.kind) << row.what;
    EXPECT_EQ(event->path, row.path) << row.what;
    EXPECT_FALSE(event->vendorId) << row.what;  // the message does not tell
  }
}

class UeventMonitorTest : public ::testing::Test {
 protected:
  UeventMonitorTest() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    kernel = UniqueFd(fds[1]);
    UniqueFd stopFd(::eventfd(0, EFD_CLOEXEC));
    stop = ::dup(stopFd.get());
    monitor = std::make_unique<UeventMonitor>(UniqueFd(fds[0]), std::move(stopFd), tree.SysRoot(), tree.DevRoot());
  }
  ~UeventMonitorTest() override { ::close(stop); }

  void Send(const std::string& message) {
    ASSERT_EQ(::send(kernel.get(), message.data(), message.size(), MSG_NOSIGNAL), static_cast<ssize_t>(message.size()));
  }

  FakeHidrawTree tree;
  UniqueFd kernel;
  int stop = -1;
  std::unique_ptr<UeventMonitor> monitor;
};

TEST_F(UeventMonitorTest, PassesOverOtherMessagesAndTellsTheIdsOfANodeAdded) {
  tree.AddUsbHidNode(3, 0x5131, 0x2007, "0102\n");
  Send(Message({"add@/devices/x/1-1", "ACTION=add", "SUBSYSTEM=usb", "DEVNAME=bus/usb/001/005"}));
  Send(HidrawMessage("add", "hidraw3"));
  Send(HidrawMessage("add", "hidraw4"));  // gone from sysfs already: IDs unknown
  Send(HidrawMessage("remove", "hidraw3"));

  const auto added = monitor->Next();
  ASSERT_TRUE(added);
  EXPECT_EQ(added->kind, Kind::Added);
  EXPECT_EQ(added->path, (tree.DevRoot() / "hidraw3").string());
  EXPECT_EQ(added->vendorId, 0x5131);
  EXPECT_EQ(added->productId, 0x2007);
  const auto unknown = monitor->Next();
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->path, (tree.DevRoot() / "hidraw4").string());
  EXPECT_FALSE(unknown->vendorId);
  const auto removed = monitor->Next();
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->kind, Kind::Removed);
  EXPECT_FALSE(monitor->Failure());
}

TEST_F(UeventMonitorTest, AStopEndsTheEventsWithoutAFailure) {
  Send(HidrawMessage("add", "hidraw3"));  // pending, but the stop comes first
  const std::uint64_t one = 1;
  ASSERT_EQ(::write(stop, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  EXPECT_FALSE(monitor->Next());
  EXPECT_FALSE(monitor->Failure());
}

TEST_F(UeventMonitorTest, ASourceThatEndsIsAFailure) {
  kernel.Reset(-1);
  EXPECT_FALSE(monitor->Next());
  EXPECT_TRUE(monitor->Failure());
}

}  // namespace
}  // namespace magcfg::test
