#include "platform/linux/sysfs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/platform/linux/fake_hidraw_tree.h"

namespace magcfg::test {
namespace {

namespace fs = std::filesystem;
using platform::hidraw::HidId;
using platform::hidraw::SysfsNode;

struct HidIdCase {
  std::string name;
  std::string uevent;
  std::optional<HidId> expected;
};

TEST(SysfsTest, ParsesTheHidIdLineOfAUevent) {
  const std::vector<HidIdCase> cases = {
      {"kernel format", "HID_ID=0003:00005131:00002007\n", HidId{0x0003, 0x5131, 0x2007}},
      {"among other lines", FakeHidrawTree::UsbHidUevent(0x046D, 0xC31C), HidId{0x0003, 0x046D, 0xC31C}},
      {"last line without line end", "DRIVER=hid-generic\nHID_ID=0005:0000045E:000002E0",
       HidId{0x0005, 0x045E, 0x02E0}},
      {"lower-case hex", "HID_ID=0003:0000abcd:0000ef01\n", HidId{0x0003, 0xABCD, 0xEF01}},
      {"no HID_ID line", "DRIVER=hid-generic\nHID_NAME=x\n", std::nullopt},
      {"empty uevent", "", std::nullopt},
      {"key not at line start", "XHID_ID=0003:00005131:00002007\n", std::nullopt},
      {"empty value", "HID_ID=\n", std::nullopt},
      {"product missing", "HID_ID=0003:00005131\n", std::nullopt},
      {"empty product", "HID_ID=0003:00005131:\n", std::nullopt},
      {"a fourth field", "HID_ID=0003:00005131:00002007:0001\n", std::nullopt},
      {"not hex", "HID_ID=0003:0000513G:00002007\n", std::nullopt},
      {"vendor beyond 16 bits", "HID_ID=0003:00015131:00002007\n", std::nullopt},
      {"too many digits", "HID_ID=0003:000000005131:00002007\n", std::nullopt},
      {"bus of eight digits", "HID_ID=00000003:00005131:00002007\n", std::nullopt},
      {"leading space", "HID_ID= 0003:00005131:00002007\n", std::nullopt},
      {"sign", "HID_ID=0003:+0005131:00002007\n", std::nullopt},
      {"0x prefix", "HID_ID=0003:0x005131:00002007\n", std::nullopt},
  };
  for (const HidIdCase& c : cases) {
    const std::optional<HidId> id = platform::hidraw::ParseHidId(c.uevent);
    ASSERT_EQ(id.has_value(), c.expected.has_value()) << c.name;
    if (!id) continue;
    EXPECT_EQ(id->bus, c.expected->bus) << c.name;
    EXPECT_EQ(id->vendor, c.expected->vendor) << c.name;
    EXPECT_EQ(id->product, c.expected->product) << c.name;
  }
}

TEST(SysfsTest, ParsesBcdDeviceDeviceNumbersAndHidrawNames) {
  const std::vector<std::pair<std::string, std::optional<std::uint16_t>>> bcdCases = {
      {"0102\n", 0x0102},        {"0000\n", 0},          {"ffff", 0xFFFF},
      {"", std::nullopt},        {"\n", std::nullopt},   {"01 02\n", std::nullopt},
      {"10000\n", std::nullopt}, {"zz\n", std::nullopt},
  };
  for (const auto& [text, expected] : bcdCases) {
    EXPECT_EQ(platform::hidraw::ParseBcdDevice(text), expected) << "'" << text << "'";
  }

  using platform::hidraw::DeviceNumber;
  const std::vector<std::pair<std::string, std::optional<DeviceNumber>>> devCases = {
      {"243:0\n", DeviceNumber{243, 0}}, {"1:3", DeviceNumber{1, 3}}, {"243:\n", std::nullopt},
      {":0\n", std::nullopt},            {"243\n", std::nullopt},   {"243:0:1\n", std::nullopt},
      {"-1:0\n", std::nullopt},          {"99999999999:0\n", std::nullopt},
  };
  for (const auto& [text, expected] : devCases) {
    EXPECT_EQ(platform::hidraw::ParseDeviceNumber(text), expected) << "'" << text << "'";
  }

  const std::vector<std::pair<std::string, std::optional<std::uint32_t>>> nameCases = {
      {"hidraw0", 0u},           {"hidraw12", 12u},
      {"hidraw", std::nullopt},  {"hidraw01", std::nullopt},
      {"hidrawX", std::nullopt}, {"hidraw1a", std::nullopt},
      {"rawhid1", std::nullopt}, {"hidraw99999999999", std::nullopt},
  };
  for (const auto& [name, expected] : nameCases) {
    EXPECT_EQ(platform::hidraw::ParseHidrawName(name), expected) << name;
  }
}

TEST(SysfsTest, ReadsOnlyRegularFilesOfBoundedSize) {
  FakeHidrawTree tree;
  const fs::path dir = tree.Root();
  FakeHidrawTree::WriteFile(dir / "plain", "HID_ID=1\n");
  FakeHidrawTree::WriteFile(dir / "long", std::string(5000, 'x'));
  // Opening a FIFO for reading would block until a writer comes.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);

  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "plain"), "HID_ID=1\n");
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "long", 5000), std::string(5000, 'x'));
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "long", 4999), std::nullopt);
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "fifo"), std::nullopt);
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir), std::nullopt);
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "missing"), std::nullopt);
}

TEST(SysfsTest, VersionNumberComesFromTheNearestAncestorWithBcdDevice) {
  FakeHidrawTree tree;
  tree.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n");
  tree.AddUsbHidNode(1, 0x5131, 0x2007, std::nullopt);
  tree.AddUsbHidNode(2, 0x5131, 0x2007, "garbage\n");
  // A virtual HID device with no USB device above it.
  tree.AddNode(3, tree.AddHidDevice(tree.SysRoot() / "devices" / "virtual", "0006:5131:2007.0009",
                                    "HID_ID=0006:00005131:00002007\n"));

  EXPECT_EQ(SysfsNode(tree.SysRoot(), "hidraw0").ReadVersionNumber(), 0x0102);
  EXPECT_EQ(SysfsNode(tree.SysRoot(), "hidraw1").ReadVersionNumber(), 0);
  EXPECT_EQ(SysfsNode(tree.SysRoot(), "hidraw2").ReadVersionNumber(), 0);
  EXPECT_EQ(SysfsNode(tree.SysRoot(), "hidraw3").ReadVersionNumber(), 0);

  // A bcdDevice above the sysfs root is not the device's.
  FakeHidrawTree::WriteFile(tree.Root() / "bcdDevice", "0999\n");
  EXPECT_EQ(SysfsNode(tree.SysRoot(), "hidraw1").ReadVersionNumber(), 0);
}

TEST(SysfsTest, ABrokenEntryYieldsNothingRatherThanFailing) {
  FakeHidrawTree tree;
  tree.AddNode(0, tree.SysRoot() / "devices" / "gone");  // dangling device link
  fs::create_directory(tree.ClassDir() / "hidraw1");     // no device link at all

  for (const char* name : {"hidraw0", "hidraw1", "hidraw7"}) {
    const SysfsNode node(tree.SysRoot(), name);
    EXPECT_EQ(node.ReadHidId().has_value(), false) << name;
    EXPECT_EQ(node.ReadVersionNumber(), 0) << name;
    EXPECT_EQ(node.ReadReportDescriptor(), std::nullopt) << name;
  }
}

}  // namespace
}  // namespace magcfg::test
