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
  // The reader takes 4096 bytes a call and ends at the first short one: files
  // around that size are read whole, neither cut nor read twice.
  struct SizeRow {
    std::size_t size;
    std::size_t maxBytes;
    bool read;
  };
  const SizeRow sizes[] = {
      {0, 16, true},          {4095, 4096, true},     {4096, 4096, true},  {4097, 5000, true},
      {5000, 5000, true},     {8192, 8192, true},     {5000, 4999, false}, {4096, 4095, false},
      {8193, 8192, false},
  };
  for (const SizeRow& row : sizes) {
    std::string content(row.size, 'x');
    if (!content.empty()) content.back() = 'z';  // the last byte is read too
    FakeHidrawTree::WriteFile(dir / "sized", content);
    const auto read = platform::hidraw::ReadAttribute(dir / "sized", row.maxBytes);
    EXPECT_EQ(read, row.read ? std::optional<std::string>(content) : std::nullopt)
        << row.size << " bytes, at most " << row.maxBytes;
  }
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "fifo"), std::nullopt);
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir), std::nullopt);
  EXPECT_EQ(platform::hidraw::ReadAttribute(dir / "missing"), std::nullopt);
}

TEST(SysfsTest, VersionNumberIsTheUsbDevicesBcdDevice) {
  FakeHidrawTree tree;
  tree.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n");
  tree.AddUsbHidNode(1, 0x5131, 0x2007, std::nullopt);
  tree.AddUsbHidNode(2, 0x5131, 0x2007, "garbage\n");
  // A virtual HID device with no USB device above it.
  tree.AddNode(3, tree.AddHidDevice(tree.SysRoot() / "devices" / "virtual", "0006:5131:2007.0009",
                                    "HID_ID=0006:00005131:00002007\n"));
  // The USB device's bcdDevice, but on another bus: not a USB device's release.
  const fs::path usb4 = tree.AddUsbDevice("usb2/2-4", "0444\n");
  tree.AddNode(4, tree.AddHidDevice(usb4 / "2-4:1.0", "0005:5131:2007.000A", "HID_ID=0005:00005131:00002007\n"));
  // A bcdDevice on the HID device or its interface is not the USB device's.
  tree.AddUsbHidNode(5, 0x5131, 0x2007, std::nullopt);
  const fs::path hid5 = fs::canonical(tree.ClassDir() / "hidraw5" / "device");
  FakeHidrawTree::WriteFile(hid5 / "bcdDevice", "0300\n");
  FakeHidrawTree::WriteFile(hid5.parent_path() / "bcdDevice", "0201\n");
  // The USB device's bcdDevice that is not a file.
  tree.AddUsbHidNode(6, 0x5131, 0x2007, std::nullopt);
  fs::create_directory(fs::canonical(tree.ClassDir() / "hidraw6" / "device") / ".." / ".." / "bcdDevice");
  // A reader under a virtual device that claims the USB bus: nothing above it.
  tree.AddNode(7, tree.AddHidDevice(tree.SysRoot() / "devices" / "virtual" / "misc" / "uhid", "0003:5131:2007.000B",
                                    FakeHidrawTree::UsbHidUevent(0x5131, 0x2007)));

  const std::pair<const char*, std::uint16_t> rows[] = {
      {"hidraw0", 0x0102}, {"hidraw1", 0}, {"hidraw2", 0}, {"hidraw3", 0},
      {"hidraw4", 0},      {"hidraw5", 0}, {"hidraw6", 0}, {"hidraw7", 0},
  };
  for (const auto& [name, version] : rows) EXPECT_EQ(SysfsNode(tree.SysRoot(), name).ReadVersionNumber(), version) << name;
}

TEST(SysfsTest, ABrokenEntryYieldsNothingRatherThanFailing) {
  FakeHidrawTree tree;
  tree.AddNode(0, tree.SysRoot() / "devices" / "gone");  // dangling device link
  fs::create_directory(tree.ClassDir() / "hidraw1");     // no device link at all
  // A device link to a file: the device directory cannot be opened.
  FakeHidrawTree::WriteFile(tree.SysRoot() / "devices" / "a-file", "HID_ID=0003:00005131:00002007\n");
  tree.AddNode(2, tree.SysRoot() / "devices" / "a-file");
  // A device directory whose attributes are not files: a FIFO (which would
  // block a plain open), a directory, a link that leads nowhere.
  const fs::path odd = tree.SysRoot() / "devices" / "usb9" / "9-1" / "9-1:1.0" / "0003:5131:2007.0001";
  fs::create_directories(odd);
  ASSERT_EQ(::mkfifo((odd / "uevent").c_str(), 0600), 0);
  fs::create_directory(odd / "report_descriptor");
  fs::create_directory_symlink(tree.SysRoot() / "devices" / "gone", odd.parent_path().parent_path() / "bcdDevice");
  tree.AddNode(3, odd);

  for (const char* name : {"hidraw0", "hidraw1", "hidraw2", "hidraw3", "hidraw7"}) {
    const SysfsNode node(tree.SysRoot(), name);
    EXPECT_EQ(node.ReadHidId().has_value(), false) << name;
    EXPECT_EQ(node.ReadVersionNumber(), 0) << name;
    EXPECT_EQ(node.ReadReportDescriptor(), std::nullopt) << name;
  }
}

}  // namespace
}  // namespace magcfg::test
