// The reader's keyboard on Linux: its evdev nodes (/dev/input/eventN) are
// found through sysfs as those whose USB device is the reader's, read with
// poll, and taken for this program alone with EVIOCGRAB when asked. The
// sysfs and /dev roots are parameters so that tests can use a fake tree.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/unique_fd.h"
#include "reader/keyboard_port.h"

namespace magcfg::platform::hidraw {

// The N of an "eventN" entry name; nullopt for any other name.
std::optional<std::uint32_t> ParseEventName(std::string_view name);

// The USB device (the first ancestor with idVendor and idProduct) of the
// sysfs device that `deviceLink` leads to; nullopt when there is none a few
// levels up.
std::optional<std::filesystem::path> UsbDeviceOf(const std::filesystem::path& deviceLink);

class EvdevKeyboards final : public reader::KeyboardPort {
 public:
  EvdevKeyboards(std::filesystem::path sysfsRoot, std::filesystem::path devRoot);

  std::vector<std::string> ReaderKeyboards() override;
  std::vector<std::string> KeyboardsOf(const std::string& hidPath) override;
  std::optional<std::string> ReaderKeyboardAt(const std::string& path) override;
  reader::KeyboardOpen Open(const std::string& path, bool grab) override;
  reader::KeyboardInput Wait(int timeoutMs) override;

 private:
  // Every event node with the USB device it belongs to.
  std::vector<std::pair<std::string, std::filesystem::path>> EventNodes() const;

  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
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
