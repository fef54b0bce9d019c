// A throw-away sysfs and /dev tree for the hidraw backend: USB devices with
// a bcdDevice, HID devices below them with uevent and report_descriptor,
// class/hidraw/hidrawN entries whose device link points at a HID device, and
// /dev/hidrawN stand-ins: links to a harmless character device (/dev/null)
// whose number the entry's "dev" file holds, as for a real node.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace magcfg::test {

class FakeHidrawTree {
 public:
  FakeHidrawTree();
  ~FakeHidrawTree();
  FakeHidrawTree(const FakeHidrawTree&) = delete;
  FakeHidrawTree& operator=(const FakeHidrawTree&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path SysRoot() const { return root_ / "sys"; }
  std::filesystem::path DevRoot() const { return root_ / "dev"; }
  std::filesystem::path ClassDir() const { return SysRoot() / "class" / "hidraw"; }
  std::string NodePath(std::uint32_t number) const;

  // sys/devices/<name>, with a bcdDevice file holding bcdDevice when given.
  std::filesystem::path AddUsbDevice(const std::string& name, const std::optional<std::string>& bcdDevice);
  // <parent>/<name> with the given uevent and report_descriptor.
  std::filesystem::path AddHidDevice(const std::filesystem::path& parent, const std::string& name,
                                     const std::string& uevent, const std::vector<std::uint8_t>& descriptor = {});
  // class/hidraw/hidrawN linked to hidDevice, and dev/hidrawN.
  void AddNode(std::uint32_t number, const std::filesystem::path& hidDevice, bool withDevNode = true);
  // dev/hidrawN as a link to device, its entry numbered as that device.
  void AddDevNode(std::uint32_t number, const std::filesystem::path& device);
  // The entry's "dev" as device's number; sys/dev/char/MAJOR:MINOR leads to it.
  void NumberEntry(const std::filesystem::path& entry, const std::filesystem::path& device);
  static inline const std::filesystem::path kStandInDevice = "/dev/null";

  // A USB device with one HID interface and its hidraw node, in one call.
  void AddUsbHidNode(std::uint32_t number, std::uint16_t vendor, std::uint16_t product,
                     const std::optional<std::string>& bcdDevice, const std::vector<std::uint8_t>& descriptor = {});

  // A uevent as the kernel writes it for a USB HID device.
  static std::string UsbHidUevent(std::uint16_t vendor, std::uint16_t product);

  static void WriteFile(const std::filesystem::path& path, const std::string& content);

 private:
  std::filesystem::path root_;
};

// A report descriptor with one 64-byte input and one 64-byte output report
// on a vendor page, without report IDs: lengths 65 and 65.
std::vector<std::uint8_t> VendorPage64Descriptor();

}  // namespace magcfg::test
