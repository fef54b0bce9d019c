#include "platform/linux/hidraw_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>

#include "reader/discovery.h"
#include "res/texts.h"
#include "tests/platform/linux/fake_hidraw_tree.h"

namespace magcfg::test {
namespace {

namespace fs = std::filesystem;
using platform::hidraw::HidrawSystem;
using platform::hidraw::OpenedNode;
using platform::hidraw::PermissionNotice;
using reader::FindOutcome;
using reader::OpenFailure;

// Opens nodes as the system does, except those named, which are refused
// for lack of permission: a chmod would refuse nothing to root, as which
// tests may run.
class RefusingOpener {
 public:
  explicit RefusingOpener(std::set<std::string> refused) : refused_(std::move(refused)) {}
  OpenedNode operator()(const std::string& path) const {
    if (refused_.contains(path)) return {-1, EACCES};
    return platform::hidraw::OpenHidrawNode(path);
  }

 private:
  std::set<std::string> refused_;
};

// The rule line of the udev rule file that magcfg installs.
std::string ShippedUdevRule() {
  std::ifstream rules(fs::path(MAGCFG_SOURCE_DIR) / "packaging" / "linux" / "70-magcfg.rules");
  for (std::string line; std::getline(rules, line);) {
    if (!line.empty() && line.front() != '#') return line;
  }
  return {};
}

class HidrawSystemTest : public ::testing::Test {
 protected:
  // The paths a walk visits, and how it ended.
  static std::pair<reader::WalkEnd, std::vector<std::string>> Walk(HidrawSystem& system) {
    std::vector<std::string> visited;
    const reader::WalkEnd end = system.WalkInterfaces([&](const std::string& path) {
      visited.push_back(path);
      return true;
    });
    return {end, visited};
  }

  HidrawSystem System() {
    return HidrawSystem(tree.SysRoot(), tree.DevRoot(), platform::hidraw::OpenHidrawNode, notice);
  }
  HidrawSystem SystemRefusing(std::set<std::string> refused) {
    return HidrawSystem(tree.SysRoot(), tree.DevRoot(), RefusingOpener(std::move(refused)), notice);
  }

  FakeHidrawTree tree;
  PermissionNotice notice{std::cerr};
};

TEST_F(HidrawSystemTest, ListsNodesByNumberAsDevPaths) {
  for (std::uint32_t number : {10u, 2u, 0u}) tree.AddUsbHidNode(number, 0x046D, 0xC31C, "0100\n");
  for (const char* stray : {"hidraw", "hidraw01", "hidrawX", "event3"}) fs::create_directory(tree.ClassDir() / stray);
  fs::create_directory(tree.ClassDir() / "hidraw5");  // broken: no device link

  HidrawSystem system = System();
  const std::vector<std::string> expected = {tree.NodePath(0), tree.NodePath(2), tree.NodePath(5), tree.NodePath(10)};
  EXPECT_EQ(Walk(system), std::pair(reader::WalkEnd::Completed, expected));
}

TEST_F(HidrawSystemTest, ListIsNotObtainedWithoutAReadableClassDirectory) {
  fs::remove_all(tree.ClassDir());
  HidrawSystem system = System();
  EXPECT_EQ(Walk(system).first, reader::WalkEnd::ListFailed);
  EXPECT_EQ(reader::FindFirstReader(system).outcome, FindOutcome::ListFailed);

  FakeHidrawTree::WriteFile(tree.ClassDir(), "not a directory");
  EXPECT_EQ(Walk(system).first, reader::WalkEnd::ListFailed);
}

TEST_F(HidrawSystemTest, AnEmptyClassDirectoryIsAnEmptyList) {
  HidrawSystem system = System();
  EXPECT_EQ(Walk(system), std::pair(reader::WalkEnd::Completed, std::vector<std::string>{}));
  EXPECT_EQ(reader::FindFirstReader(system).outcome, FindOutcome::NotFound);
}

TEST_F(HidrawSystemTest, ANodeThatCannotBeOpenedOrIsNotTheNodeIsNoDevice) {
  tree.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n");
  tree.AddNode(1, tree.SysRoot() / "devices" / "x", /*withDevNode=*/false);
  fs::create_directory(tree.DevRoot() / "hidraw2");  // a directory cannot be opened for writing
  // Readers in sysfs whose path does not lead to their device: an ordinary
  // file, another character device, a node whose sysfs entry has no "dev".
  tree.AddUsbHidNode(3, 0x5131, 0x2007, "0102\n");
  fs::remove(tree.NodePath(3));
  FakeHidrawTree::WriteFile(tree.NodePath(3), "precious data");
  tree.AddUsbHidNode(4, 0x5131, 0x2007, "0102\n");
  tree.AddDevNode(4, "/dev/zero");
  FakeHidrawTree::WriteFile(tree.ClassDir() / "hidraw4" / "dev", "1:3\n");  // /dev/null's number
  tree.AddUsbHidNode(5, 0x5131, 0x2007, "0102\n");
  fs::remove(tree.ClassDir() / "hidraw5" / "dev");
  // A link named as udev may name the reader, to a node found by its number.
  tree.AddUsbHidNode(6, 0x5131, 0x2007, "0102\n");
  tree.AddDevNode(6, "/dev/random");
  const std::string link = (tree.DevRoot() / "magreader").string();
  fs::create_symlink(tree.NodePath(6), link);
  // An ordinary file named like the reader's node, outside /dev.
  const fs::path elsewhere = tree.Root() / "home" / "hidraw0";
  fs::create_directories(elsewhere.parent_path());
  FakeHidrawTree::WriteFile(elsewhere, "precious data");

  struct Row {
    std::string path;
    bool opens;
    OpenFailure failure;  // when it does not
  };
  const Row rows[] = {
      {tree.NodePath(0), true, OpenFailure::Other},
      {link, true, OpenFailure::Other},
      {tree.NodePath(1), false, OpenFailure::NotFound},
      {tree.NodePath(2), false, OpenFailure::NotAHidInterface},
      {tree.NodePath(3), false, OpenFailure::NotAHidInterface},
      {tree.NodePath(4), false, OpenFailure::NotAHidInterface},
      {tree.NodePath(5), false, OpenFailure::NotAHidInterface},
      {elsewhere.string(), false, OpenFailure::NotAHidInterface},
      {"hidraw0", false, OpenFailure::NotFound},  // a bare name is no node
  };
  std::vector<std::string> tried;
  HidrawSystem system(tree.SysRoot(), tree.DevRoot(), [&](const std::string& path) {
    tried.push_back(path);
    return platform::hidraw::OpenHidrawNode(path);
  }, notice);
  for (const Row& row : rows) {
    const reader::OpenResult opened = system.Open(row.path);
    EXPECT_EQ(opened.device != nullptr, row.opens) << row.path;
    if (!row.opens) {
      EXPECT_EQ(opened.failure, row.failure) << row.path;
    }
  }
  // Nothing but the nodes was ever opened.
  EXPECT_EQ(tried, (std::vector<std::string>{tree.NodePath(0), link}));
  EXPECT_EQ(system.IdentityWithoutOpening(link)->productId, 0x2007);
  // A path changed to lead elsewhere between the look and the open.
  HidrawSystem swapped(tree.SysRoot(), tree.DevRoot(),
                       [](const std::string&) { return platform::hidraw::OpenHidrawNode("/dev/zero"); }, notice);
  EXPECT_EQ(swapped.Open(tree.NodePath(0)).failure, OpenFailure::NotAHidInterface);
  // What the other errors of open(2) mean.
  for (const auto& [error, failure] : {std::pair(ENODEV, OpenFailure::NotFound), std::pair(ENXIO, OpenFailure::NotFound),
                                       std::pair(EPERM, OpenFailure::PermissionDenied),
                                       std::pair(EBUSY, OpenFailure::Busy), std::pair(EIO, OpenFailure::Other)}) {
    HidrawSystem failing(tree.SysRoot(), tree.DevRoot(), [error](const std::string&) { return OpenedNode{-1, error}; },
                         notice);
    EXPECT_EQ(failing.Open(tree.NodePath(0)).failure, failure) << error;
  }
  // Nothing was written over the files that stood in the reader's place.
  std::ifstream kept(tree.NodePath(3));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "precious data");
  std::ifstream keptElsewhere(elsewhere);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(keptElsewhere), {}), "precious data");
}

TEST_F(HidrawSystemTest, ARefusedReaderShowsTheUdevHintOnceAndOnlyForTheReader) {
  tree.AddUsbHidNode(0, 0x046D, 0xC31C, "0100\n");  // a keyboard, refused too
  tree.AddUsbHidNode(1, 0x5131, 0x2007, "0102\n");
  tree.AddUsbHidNode(2, 0x5131, 0x2007, "0102\n");  // a second reader
  const std::set<std::string> refused = {tree.NodePath(0), tree.NodePath(1), tree.NodePath(2)};

  ::testing::internal::CaptureStderr();
  for (int press = 0; press < 2; ++press) {
    HidrawSystem system = SystemRefusing(refused);
    const reader::FindResult found = reader::FindFirstReader(system);
    // Found, but not opened: not the same as no reader at all.
    EXPECT_EQ(found.outcome, FindOutcome::AccessDenied);
    EXPECT_EQ(found.path, tree.NodePath(1));
    EXPECT_EQ(found.device, nullptr);
    EXPECT_EQ(system.Open(tree.NodePath(1)).failure, OpenFailure::PermissionDenied);
  }
  const std::string printed = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  EXPECT_TRUE(printed.starts_with("magcfg: found the card reader at " + tree.NodePath(1) +
                                  " but cannot open it: permission denied."))
      << printed;
  EXPECT_NE(printed.find(" as " MAGCFG_UDEV_RULE_INSTALLED " "), std::string::npos) << printed;
  const std::string rule = ShippedUdevRule();
  ASSERT_FALSE(rule.empty());
  EXPECT_NE(printed.find(rule), std::string::npos) << printed;
  // The window's box gives the same rule.
  EXPECT_EQ(rule, kReaderUdevRule);
}

TEST_F(HidrawSystemTest, AReaderThatOpensWinsOverARefusedOneBeforeIt) {
  tree.AddUsbHidNode(0, 0x5131, 0x2007, "0102\n");
  tree.AddUsbHidNode(1, 0x5131, 0x2007, "0103\n");
  ::testing::internal::CaptureStderr();
  HidrawSystem system = SystemRefusing({tree.NodePath(0)});
  const reader::FindResult found = reader::FindFirstReader(system);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(found.outcome, FindOutcome::Found);
  EXPECT_EQ(found.path, tree.NodePath(1));
  EXPECT_NE(found.device, nullptr);
  FindOutcome listed = FindOutcome::NotFound;
  std::string refused;
  EXPECT_EQ(reader::ListReaders(system, &listed, &refused).size(), 1u);
  EXPECT_EQ(listed, FindOutcome::Found);
  EXPECT_EQ(refused, tree.NodePath(0));
  EXPECT_EQ(system.IdentityWithoutOpening(tree.NodePath(0))->productId, 0x2007);
  EXPECT_EQ(system.IdentityWithoutOpening(tree.DevRoot().string() + "/hidraw7"), std::nullopt);
}

// udevd gives the node to the user a moment after the kernel announced it.
TEST_F(HidrawSystemTest, AReaderRefusedForAMomentIsOpenedWhenRetried) {
  tree.AddUsbHidNode(0, 0x046D, 0xC31C, "0100\n");
  tree.AddUsbHidNode(1, 0x5131, 0x2007, "0102\n");
  int refusals = 2;
  std::vector<std::string> tried;
  const auto opener = [&](const std::string& path) -> OpenedNode {
    tried.push_back(path);
    if (path == tree.NodePath(0) || refusals-- > 0) return {-1, EACCES};
    return platform::hidraw::OpenHidrawNode(path);
  };
  ::testing::internal::CaptureStderr();
  HidrawSystem system(tree.SysRoot(), tree.DevRoot(), opener, notice);
  system.RetryRefusedOpens(1000);
  EXPECT_NE(system.Open(tree.NodePath(1)).device, nullptr);
  EXPECT_EQ(tried.size(), 3u);
  // Another device's node is not waited for.
  tried.clear();
  EXPECT_EQ(system.Open(tree.NodePath(0)).device, nullptr);
  EXPECT_EQ(tried.size(), 1u);
  // A reader that stays refused is given up after the time allowed, with the hint.
  HidrawSystem refusing = SystemRefusing({tree.NodePath(1)});
  refusing.RetryRefusedOpens(200);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(refusing.Open(tree.NodePath(1)).device, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("permission denied"), std::string::npos);
}

TEST_F(HidrawSystemTest, ARefusedNodeThatIsNotTheReaderShowsNoHint) {
  tree.AddUsbHidNode(0, 0x046D, 0xC31C, "0100\n");
  tree.AddUsbHidNode(1, 0x5131, 0x2008, "0100\n");  // the reader's vendor, another product
  tree.AddNode(2, tree.SysRoot() / "devices" / "gone");

  ::testing::internal::CaptureStderr();
  HidrawSystem system = SystemRefusing({tree.NodePath(0), tree.NodePath(1), tree.NodePath(2)});
  EXPECT_EQ(reader::FindFirstReader(system).outcome, FindOutcome::NotFound);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace magcfg::test
