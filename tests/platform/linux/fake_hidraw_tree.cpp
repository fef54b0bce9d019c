#include "tests/platform/linux/fake_hidraw_tree.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace magcfg::test {

namespace fs = std::filesystem;

FakeHidrawTree::FakeHidrawTree() {
  std::string pattern = (fs::temp_directory_path() / "magcfg-hidraw-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directories(ClassDir());
  fs::create_directories(SysRoot() / "devices");
  fs::create_directories(DevRoot());
}

FakeHidrawTree::~FakeHidrawTree() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string FakeHidrawTree::NodePath(std::uint32_t number) const {
  return (DevRoot() / ("hidraw" + std::to_string(number))).string();
}

fs::path FakeHidrawTree::AddUsbDevice(const std::string& name, const std::optional<std::string>& bcdDevice) {
  const fs::path device = SysRoot() / "devices" / name;
  fs::create_directories(device);
  if (bcdDevice) WriteFile(device / "bcdDevice", *bcdDevice);
  return device;
}

fs::path FakeHidrawTree::AddHidDevice(const fs::path& parent, const std::string& name, const std::string& uevent,
                                      const std::vector<std::uint8_t>& descriptor) {
  const fs::path device = parent / name;
  fs::create_directories(device);
  WriteFile(device / "uevent", uevent);
  WriteFile(device / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
  return device;
}

void FakeHidrawTree::AddNode(std::uint32_t number, const fs::path& hidDevice, bool withDevNode) {
  const fs::path entry = ClassDir() / ("hidraw" + std::to_string(number));
  fs::create_directories(entry);
  fs::create_directory_symlink(hidDevice, entry / "device");
  if (withDevNode) AddDevNode(number, kStandInDevice);
}

void FakeHidrawTree::AddDevNode(std::uint32_t number, const fs::path& device) {
  // The node is a link to a real character device, and the sysfs entry
  // names that device's number, as the kernel's "dev" file does.
  NumberEntry(ClassDir() / ("hidraw" + std::to_string(number)), device);
  fs::remove(NodePath(number));
  fs::create_symlink(device, NodePath(number));
}

void FakeHidrawTree::NumberEntry(const fs::path& entry, const fs::path& device) {
  struct stat status {};
  if (::stat(device.c_str(), &status) != 0) throw std::runtime_error("no " + device.string());
  const std::string dev = std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
  WriteFile(entry / "dev", dev + "\n");
  const fs::path index = SysRoot() / "dev" / "char" / dev;
  fs::create_directories(index.parent_path());
  fs::remove(index);
  fs::create_directory_symlink(entry, index);
}

void FakeHidrawTree::AddUsbHidNode(std::uint32_t number, std::uint16_t vendor, std::uint16_t product,
                                   const std::optional<std::string>& bcdDevice,
                                   const std::vector<std::uint8_t>& descriptor) {
  const std::string usbName = "usb1/1-" + std::to_string(number);
  const fs::path usb = AddUsbDevice(usbName, bcdDevice);
  char hidName[32];
  std::snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", vendor, product, number + 1);
  const fs::path hid =
      AddHidDevice(usb / (usb.filename().string() + ":1.0"), hidName, UsbHidUevent(vendor, product), descriptor);
  AddNode(number, hid);
}

std::string FakeHidrawTree::UsbHidUevent(std::uint16_t vendor, std::uint16_t product) {
  char id[64];
  std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X\n", vendor, product);
  return "DRIVER=hid-generic\n" + std::string(id) + "HID_NAME=Test Device\nHID_PHYS=usb-0000:00:14.0-1/input0\n";
}

void FakeHidrawTree::WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> VendorPage64Descriptor() {
  return {
      0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
      0x09, 0x01,        // Usage 1
      0xA1, 0x01,        // Collection (Application)
      0x09, 0x02,        //   Usage 2
      0x15, 0x00,        //   Logical Minimum 0
      0x26, 0xFF, 0x00,  //   Logical Maximum 255
      0x75, 0x08,        //   Report Size 8
      0x95, 0x40,        //   Report Count 64
      0x81, 0x02,        //   Input (Data, Var, Abs)
      0x09, 0x03,        //   Usage 3
      0x95, 0x40,        //   Report Count 64
      0x91, 0x02,        //   Output (Data, Var, Abs)
      0xC0,              // End Collection
  };
}

}  // namespace magcfg::test
