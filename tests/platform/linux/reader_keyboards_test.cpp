// The reader's keyboard nodes found in a fake sysfs tree shaped as the
// kernel's (event node, input device, HID device, USB interface, USB
// device), and read from FIFOs that stand in for /dev/input/eventN.
#include "platform/linux/reader_keyboards.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/linux/fake_hidraw_tree.h"

namespace magcfg::test {
namespace {

namespace fs = std::filesystem;
using platform::hidraw::EvdevKeyboards;
using reader::KeyboardInput;
using reader::KeyboardOpen;

class ReaderKeyboardsTest : public ::testing::Test {
 protected:
  ReaderKeyboardsTest() {
    fs::create_directories(tree.SysRoot() / "class" / "input");
    fs::create_directories(tree.DevRoot() / "input");
    reader = AddUsb("usb1/1-1", "5131", "2007");
    other = AddUsb("usb1/1-2", "046d", "c31c");
    const fs::path readerHid = AddHid(reader, "0003:5131:2007.0001", 0);
    const fs::path otherHid = AddHid(other, "0003:046D:C31C.0002", 1);
    AddEvent(readerHid, 7, 12, "/dev/zero");
    AddEvent(readerHid, 6, 5);
    AddEvent(otherHid, 3, 3, "/dev/full");
  }

  fs::path AddUsb(const std::string& name, const std::string& vendor, const std::string& product) {
    const fs::path usb = tree.AddUsbDevice(name, "0102\n");
    FakeHidrawTree::WriteFile(usb / "idVendor", vendor + "\n");
    FakeHidrawTree::WriteFile(usb / "idProduct", product + "\n");
    return usb;
  }
  fs::path AddHid(const fs::path& usb, const std::string& name, std::uint32_t hidraw) {
    const fs::path hid = tree.AddHidDevice(usb / (usb.filename().string() + ":1.0"), name, "HID_ID=0003:0:0\n");
    tree.AddNode(hidraw, hid);
    return hid;
  }
  // .../input/inputN/eventM with its device link up to inputN, the class
  // entry linked to it, and a FIFO (or a link to standIn) as /dev/input/eventM.
  void AddEvent(const fs::path& hid, int input, int event, const char* standIn = nullptr) {
    const fs::path inputDir = hid / "input" / ("input" + std::to_string(input));
    const fs::path eventDir = inputDir / ("event" + std::to_string(event));
    fs::create_directories(eventDir);
    fs::create_directory_symlink(inputDir, eventDir / "device");
    fs::create_directory_symlink(eventDir, tree.SysRoot() / "class" / "input" / ("event" + std::to_string(event)));
    if (standIn != nullptr) {
      tree.NumberEntry(eventDir, standIn);
      fs::create_symlink(standIn, Node(event));
      return;
    }
    FakeHidrawTree::WriteFile(eventDir / "dev", "13:" + std::to_string(64 + event) + "\n");
    ASSERT_EQ(::mkfifo(Node(event).c_str(), 0600), 0);
  }
  std::string Node(int event) const { return (tree.DevRoot() / "input" / ("event" + std::to_string(event))).string(); }

  FakeHidrawTree tree;
  fs::path reader;
  fs::path other;
  // A FIFO says nothing of the device behind it: taken as the reader's here.
  EvdevKeyboards keyboards{tree.SysRoot(), tree.DevRoot(), [](int, platform::hidraw::DeviceNumber) { return true; }};
};

TEST_F(ReaderKeyboardsTest, FindsTheReadersNodesByTheirUsbDeviceInNumberOrder) {
  EXPECT_EQ(keyboards.ReaderKeyboards(), (std::vector<std::string>{Node(5), Node(12)}));
  EXPECT_EQ(keyboards.KeyboardsOf(tree.NodePath(0)), (std::vector<std::string>{Node(5), Node(12)}));
  EXPECT_TRUE(keyboards.KeyboardsOf(tree.NodePath(1)).empty());  // not the reader's hidraw node
  EXPECT_TRUE(keyboards.KeyboardsOf(tree.NodePath(9)).empty());
}

TEST_F(ReaderKeyboardsTest, APathIsAReaderKeyboardOnlyWhenItLeadsToOne) {
  const fs::path link = tree.DevRoot() / "input" / "by-id-reader-event-kbd";
  fs::create_symlink(Node(12), link);
  EXPECT_EQ(keyboards.ReaderKeyboardAt(link.string()), Node(12));
  EXPECT_EQ(keyboards.ReaderKeyboardAt(Node(5)), std::nullopt);   // named as the node, but no device
  EXPECT_EQ(keyboards.ReaderKeyboardAt(Node(3)), std::nullopt);   // the operator's keyboard
  EXPECT_EQ(keyboards.ReaderKeyboardAt(tree.NodePath(0)), std::nullopt);  // a device of another class
  EXPECT_EQ(keyboards.ReaderKeyboardAt(Node(40)), std::nullopt);
}

TEST_F(ReaderKeyboardsTest, NoUsbDeviceAboveMeansNoReader) {
  // A virtual input device: no USB device in reach.
  const fs::path virtualInput = tree.SysRoot() / "devices" / "virtual" / "input" / "input40";
  fs::create_directories(virtualInput / "event40");
  fs::create_directory_symlink(virtualInput, virtualInput / "event40" / "device");
  fs::create_directory_symlink(virtualInput / "event40", tree.SysRoot() / "class" / "input" / "event40");
  EXPECT_EQ(platform::hidraw::UsbDeviceOf(virtualInput / "event40" / "device"), std::nullopt);
  EXPECT_EQ(keyboards.ReaderKeyboards(), (std::vector<std::string>{Node(5), Node(12)}));
}

TEST_F(ReaderKeyboardsTest, ReadsKeyEventsUntilTheNodeGoesAway) {
  ASSERT_EQ(keyboards.Open(Node(5), false), KeyboardOpen::Opened);
  EXPECT_EQ(keyboards.Wait(0).kind, KeyboardInput::Kind::Quiet);

  const int writer = ::open(Node(5).c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  const input_event events[] = {
      {{}, EV_MSC, MSC_SCAN, 0x70004}, {{}, EV_KEY, KEY_A, 1}, {{}, EV_SYN, SYN_REPORT, 0},
      {{}, EV_KEY, KEY_A, 0},          {{}, EV_SYN, SYN_REPORT, 0},
  };
  ASSERT_EQ(::write(writer, events, sizeof events), static_cast<ssize_t>(sizeof events));
  const KeyboardInput keys = keyboards.Wait(1000);
  EXPECT_EQ(keys.kind, KeyboardInput::Kind::Keys);
  EXPECT_EQ(keys.path, Node(5));
  ASSERT_EQ(keys.keys.size(), 2u);  // the key events only
  EXPECT_EQ(keys.keys[0].code, KEY_A);
  EXPECT_EQ(keys.keys[0].value, 1);
  EXPECT_EQ(keys.keys[1].value, 0);

  ::close(writer);  // as an unplugged node, it ends
  const KeyboardInput gone = keyboards.Wait(1000);
  EXPECT_EQ(gone.kind, KeyboardInput::Kind::Gone);
  EXPECT_EQ(gone.path, Node(5));
  EXPECT_EQ(keyboards.Wait(0).kind, KeyboardInput::Kind::Quiet);  // closed: reported once
}

TEST_F(ReaderKeyboardsTest, AfterTheQueueRanOverTheTornPacketIsSkippedAndShiftTakenAsUp) {
  ASSERT_EQ(keyboards.Open(Node(5), false), KeyboardOpen::Opened);
  const int writer = ::open(Node(5).c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  // What the kernel leaves in an overrun queue: SYN_DROPPED, then the newest
  // event, whose packet's start is gone.
  const input_event first[] = {
      {{}, EV_KEY, KEY_LEFTSHIFT, 1}, {{}, EV_SYN, SYN_REPORT, 0}, {{}, EV_SYN, SYN_DROPPED, 0},
      {{}, EV_KEY, KEY_A, 1},
  };
  const input_event second[] = {{{}, EV_SYN, SYN_REPORT, 0}, {{}, EV_KEY, KEY_B, 1}, {{}, EV_SYN, SYN_REPORT, 0}};
  ASSERT_EQ(::write(writer, first, sizeof first), static_cast<ssize_t>(sizeof first));
  const KeyboardInput torn = keyboards.Wait(1000);
  EXPECT_EQ(torn.lostBefore, 1u);
  ASSERT_EQ(torn.keys.size(), 1u);  // the press before the loss; KEY_A is torn
  EXPECT_EQ(torn.keys[0].code, KEY_LEFTSHIFT);

  // The torn packet ends in the next read; the Shift keys' state follows. A
  // FIFO has none to tell, so both are up.
  ASSERT_EQ(::write(writer, second, sizeof second), static_cast<ssize_t>(sizeof second));
  const KeyboardInput resumed = keyboards.Wait(1000);
  EXPECT_EQ(resumed.lostBefore, std::nullopt);
  std::vector<std::pair<int, int>> keys;
  for (const reader::KeyEvent& key : resumed.keys) keys.emplace_back(key.code, key.value);
  EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{KEY_LEFTSHIFT, 0}, {KEY_RIGHTSHIFT, 0}, {KEY_B, 1}}));
  ::close(writer);
}

TEST_F(ReaderKeyboardsTest, OpenSaysWhyANodeCannotBeHad) {
  EXPECT_EQ(keyboards.Open(Node(40), false), KeyboardOpen::Missing);
  // A FIFO is no input device: the grab is refused, and the node not kept.
  EXPECT_EQ(keyboards.Open(Node(5), true), KeyboardOpen::Failed);
  EXPECT_EQ(keyboards.Wait(0).kind, KeyboardInput::Kind::Quiet);
}

}  // namespace
}  // namespace magcfg::test
