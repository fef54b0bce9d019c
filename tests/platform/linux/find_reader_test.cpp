// Find Device over a fake sysfs tree, through the portable discovery walk.
#include <gtest/gtest.h>

#include <iostream>

#include "platform/linux/hidraw_system.h"
#include "reader/discovery.h"
#include "tests/platform/linux/fake_hidraw_tree.h"

namespace magcfg::test {
namespace {

namespace fs = std::filesystem;
using platform::hidraw::HidrawSystem;
using platform::hidraw::PermissionNotice;
using reader::FindOutcome;

class FindReaderTest : public ::testing::Test {
 protected:
  reader::FindResult Find() {
    HidrawSystem system(tree.SysRoot(), tree.DevRoot(), platform::hidraw::OpenHidrawNode, notice);
    return reader::FindFirstReader(system);
  }

  FakeHidrawTree tree;
  PermissionNotice notice{std::cerr};
};

TEST_F(FindReaderTest, FindsTheReaderAfterOtherInterfacesWithItsVersion) {
  tree.AddUsbHidNode(0, 0x046D, 0xC31C, "6400\n");  // keyboard
  tree.AddUsbHidNode(1, 0x046D, 0xC077, "7200\n");  // mouse
  tree.AddUsbHidNode(2, 0x5131, 0x2008, "0100\n");  // the reader's vendor, another product
  tree.AddUsbHidNode(3, 0x2007, 0x5131, "0100\n");  // the IDs swapped
  tree.AddUsbHidNode(11, 0x5131, 0x2007, "0102\n", VendorPage64Descriptor());

  const reader::FindResult result = Find();
  ASSERT_EQ(result.outcome, FindOutcome::Found);
  EXPECT_EQ(result.path, tree.NodePath(11));
  EXPECT_EQ(result.versionNumber, 0x0102);
  ASSERT_NE(result.device, nullptr);
  const auto lengths = result.device->GetReportLengths();
  ASSERT_TRUE(lengths.has_value());
  EXPECT_EQ(lengths->input, 65);
  EXPECT_EQ(lengths->output, 65);
}

TEST_F(FindReaderTest, AnotherProductOfTheVendorIsNotTheReader) {
  tree.AddUsbHidNode(0, 0x5131, 0x2008, "0102\n");
  tree.AddUsbHidNode(1, 0x5130, 0x2007, "0102\n");
  const reader::FindResult result = Find();
  EXPECT_EQ(result.outcome, FindOutcome::NotFound);
  EXPECT_EQ(result.device, nullptr);
}

TEST_F(FindReaderTest, TheFirstReaderInNumberOrderWins) {
  tree.AddUsbHidNode(10, 0x5131, 0x2007, "0200\n");
  tree.AddUsbHidNode(9, 0x5131, 0x2007, "0109\n");
  const reader::FindResult result = Find();
  ASSERT_EQ(result.outcome, FindOutcome::Found);
  EXPECT_EQ(result.path, tree.NodePath(9));
  EXPECT_EQ(result.versionNumber, 0x0109);
}

TEST_F(FindReaderTest, AReaderWithoutAUsbParentHasVersionZero) {
  tree.AddNode(0, tree.AddHidDevice(tree.SysRoot() / "devices" / "virtual" / "misc" / "uhid", "0003:5131:2007.0001",
                                    FakeHidrawTree::UsbHidUevent(0x5131, 0x2007)));
  const reader::FindResult result = Find();
  ASSERT_EQ(result.outcome, FindOutcome::Found);
  EXPECT_EQ(result.versionNumber, 0);
}

// Broken entries are passed over one by one; none of them ends the search.
TEST_F(FindReaderTest, BrokenEntriesBeforeTheReaderArePassedOver) {
  tree.AddNode(0, tree.SysRoot() / "devices" / "unplugged");  // dangling device link
  fs::create_directory(tree.ClassDir() / "hidraw1");          // no device link, no dev node
  tree.AddNode(2, tree.AddHidDevice(tree.SysRoot() / "devices", "bad", "HID_ID=0003:5131\n"));
  const fs::path noUevent = tree.SysRoot() / "devices" / "no-uevent";
  fs::create_directories(noUevent);
  tree.AddNode(3, noUevent);
  tree.AddUsbHidNode(4, 0x5131, 0x2007, "0102\n");
  fs::remove(tree.NodePath(4));  // a reader whose node has gone: cannot be opened
  tree.AddUsbHidNode(5, 0x5131, 0x2007, "0305\n");

  const reader::FindResult result = Find();
  ASSERT_EQ(result.outcome, FindOutcome::Found);
  EXPECT_EQ(result.path, tree.NodePath(5));
  EXPECT_EQ(result.versionNumber, 0x0305);
}

TEST_F(FindReaderTest, ListReadersNamesEveryReaderWithItsVersion) {
  tree.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n");
  tree.AddUsbHidNode(1, 0x046D, 0xC31C, "0100\n");
  tree.AddUsbHidNode(2, 0x5131, 0x2007, std::nullopt);
  HidrawSystem system(tree.SysRoot(), tree.DevRoot(), platform::hidraw::OpenHidrawNode, notice);
  FindOutcome outcome = FindOutcome::ListFailed;
  const std::vector<reader::ReaderInfo> readers = reader::ListReaders(system, &outcome);
  EXPECT_EQ(outcome, FindOutcome::Found);
  ASSERT_EQ(readers.size(), 2u);
  EXPECT_EQ(readers[0].path, tree.NodePath(0));
  EXPECT_EQ(readers[0].versionNumber, 0x0102);
  EXPECT_EQ(readers[1].path, tree.NodePath(2));
  EXPECT_EQ(readers[1].versionNumber, 0);
}

}  // namespace
}  // namespace magcfg::test
