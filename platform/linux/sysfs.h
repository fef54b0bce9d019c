// What sysfs tells about a hidraw node: the list of nodes, the identity of
// the HID device behind each, the USB release number and the report
// descriptor. Every path is taken below a sysfs root so that tests can use a
// fake tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace magcfg::platform::hidraw {

// The bus, vendor and product of a HID device, as its uevent names them.
struct HidId {
  std::uint16_t bus = 0;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

// uevent and bcdDevice are a page at most; a report descriptor is at most
// 4096 bytes. Anything longer is not what sysfs would hold.
inline constexpr std::size_t kMaxAttributeBytes = 64 * 1024;

// The whole content of a regular file of at most maxBytes; nullopt when it is
// missing, not a regular file (a FIFO would block the read) or too long.
std::optional<std::string> ReadAttribute(const std::filesystem::path& path, std::size_t maxBytes = kMaxAttributeBytes);

// The N of a device entry named prefix + N ("hidraw3", "event7"); nullopt
// for any other name (leading zeros included, which the kernel never writes).
std::optional<std::uint32_t> ParseNodeNumber(std::string_view name, std::string_view prefix);

// The N of a "hidrawN" entry name.
inline std::optional<std::uint32_t> ParseHidrawName(std::string_view name) { return ParseNodeNumber(name, "hidraw"); }

// The numbers of the hidraw nodes in classDir, in ascending order; nullopt
// when the directory cannot be read.
std::optional<std::vector<std::uint32_t>> ListHidrawNumbers(const std::filesystem::path& classDir);

// The "HID_ID=bus:vendor:product" line of a HID device's uevent (hex fields,
// eight digits as the kernel writes them). nullopt when the line is missing
// or malformed, or a field does not fit 16 bits.
std::optional<HidId> ParseHidId(std::string_view uevent);

// The content of a bcdDevice file: four hex digits and a line end.
std::optional<std::uint16_t> ParseBcdDevice(std::string_view text);

// A character device's number as a node's "dev" file holds it.
struct DeviceNumber {
  unsigned major = 0;
  unsigned minor = 0;
  bool operator==(const DeviceNumber&) const = default;
};

// "major:minor" in decimal and a line end; nullopt for anything else.
std::optional<DeviceNumber> ParseDeviceNumber(std::string_view text);

// The name of the entry of class `className` (its directory in
// <sysfsRoot>/class/<className>) for the character device with that
// number, found through the kernel's index of character devices,
// <sysfsRoot>/dev/char/MAJOR:MINOR; nullopt when the number is no device of
// that class.
std::optional<std::string> ClassEntryOfDevice(const std::filesystem::path& sysfsRoot, std::string_view className,
                                              DeviceNumber number);

// One hidraw node as sysfs shows it: <sysfsRoot>/class/hidraw/<name>.
class SysfsNode {
 public:
  // The entry's path is put together once, as a plain string: Find Device
  // makes a node for every interface, and composing paths piece by piece
  // cost more than the system calls that follow.
  SysfsNode(const std::filesystem::path& sysfsRoot, std::string_view name)
      : entry_(sysfsRoot.native() + "/class/hidraw/" + std::string(name)) {}

  const std::string& Entry() const { return entry_; }

  // From the HID device's uevent; nullopt when it cannot be read or parsed.
  std::optional<HidId> ReadHidId() const;

  // The bcdDevice of the USB device above a HID device on the USB bus (the
  // HID device's grandparent, past its USB interface); 0 on any other bus,
  // which has no USB device (Bluetooth, virtual devices), and when there is
  // none or it cannot be parsed. Without a bus, the one in the uevent.
  std::uint16_t ReadVersionNumber() const;
  std::uint16_t ReadVersionNumber(std::uint16_t bus) const;

  // The HID device's report_descriptor; nullopt when it cannot be read.
  std::optional<std::vector<std::uint8_t>> ReadReportDescriptor() const;

  // The number of the node's character device, from its "dev" file.
  std::optional<DeviceNumber> ReadDeviceNumber() const;

 private:
  std::string entry_;
};

}  // namespace magcfg::platform::hidraw
