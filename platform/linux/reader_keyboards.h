// The reader's keyboard on Linux: its evdev nodes (/dev/input/eventN) are
// found through sysfs as those whose USB device is the reader's, read with
// poll, and taken for this program alone with EVIOCGRAB when asked. The
// sysfs and /dev roots are parameters so that tests can use a fake tree.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/sysfs.h"
#include "platform/linux/unique_fd.h"
#include "reader/keyboard_port.h"

namespace magcfg::platform::hidraw {

// The N of an "eventN" entry name; nullopt for any other name.
std::optional<std::uint32_t> ParseEventName(std::string_view name);

// The USB device (the first ancestor with idVendor and idProduct) of the
// sysfs device that `deviceLink` leads to; nullopt when there is none a few
// levels up.
std::optional<std::filesystem::path> UsbDeviceOf(const std::filesystem::path& deviceLink);

// Whether an opened event node is the reader's keyboard that the walk saw
// with that number.
using KeyboardCheck = std::function<bool(int fd, DeviceNumber walked)>;

// The fd is the character device with the number the walk saw, and the
// input device behind it says it is the reader (vendor 5131, product 2007):
// a node the reader left, taken by another keyboard in the meantime, is
// not read (what is typed on that keyboard would be printed as swipes).
bool IsReaderKeyboard(int fd, DeviceNumber walked);

class EvdevKeyboards final : public reader::KeyboardPort {
 public:
  EvdevKeyboards(std::filesystem::path sysfsRoot, std::filesystem::path devRoot,
                 KeyboardCheck check = IsReaderKeyboard);

  std::vector<std::string> ReaderKeyboards() override;
  std::vector<std::string> KeyboardsOf(const std::string& hidPath) override;
  // The path must lead to a character device that sysfs lists, by its
  // number, as one of the reader's event nodes; it is not opened here.
  std::optional<std::string> ReaderKeyboardAt(const std::string& path) override;
  // Only a node the last walk saw as the reader's, and only when the check
  // passes after the open, before any grab.
  reader::KeyboardOpen Open(const std::string& path, bool grab) override;
  reader::KeyboardInput Wait(int timeoutMs) override;
  void CloseAll() override { open_.clear(); }

 private:
  struct EventNode {
    std::string path;           // <devRoot>/input/eventN
    std::filesystem::path usb;  // the USB device it belongs to
    DeviceNumber number;
  };
  // Every event node with a USB device and a device number.
  std::vector<EventNode> EventNodes() const;

  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
  KeyboardCheck check_;
  std::map<std::string, DeviceNumber> walked_;  // the reader's nodes at the last walk
  struct OpenNode {
    UniqueFd fd;
    // The queue ran over: the events up to the next SYN_REPORT are a torn
    // packet and are skipped.
    bool skippingTornPacket = false;
  };

  std::map<std::string, OpenNode> open_;
  std::size_t nextToRead_ = 0;  // the node whose input is looked at first, in turn
};

}  // namespace magcfg::platform::hidraw
