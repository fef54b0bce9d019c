// The HID services on Linux: the hidraw nodes listed in sysfs, opened
// through their /dev nodes. The sysfs and /dev roots are parameters so that
// tests can point the system at a fake tree.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/linux/permission_notice.h"
#include "platform/linux/sysfs.h"
#include "reader/hid_port.h"

namespace magcfg::platform::hidraw {

// The outcome of opening a node: an fd, or -1 and the errno of the failure.
struct OpenedNode {
  int fd = -1;
  int error = 0;
};
using NodeOpener = std::function<OpenedNode(const std::string& path)>;

// open(2) for reading and writing, non-blocking (transfers wait in poll),
// never as a controlling terminal.
OpenedNode OpenHidrawNode(const std::string& path);

// Whether an opened fd is the node found before it was opened.
using NodeCheck = std::function<bool(int fd, DeviceNumber number)>;

// The fd is the character device with that number. Anything else (what the
// path was changed to lead to between the look and the open) is not the
// node: nothing may be written to it.
bool IsNodeNumbered(int fd, DeviceNumber number);

class HidrawSystem final : public reader::HidSystem {
 public:
  HidrawSystem(std::filesystem::path sysfsRoot, std::filesystem::path devRoot);
  HidrawSystem(std::filesystem::path sysfsRoot, std::filesystem::path devRoot, NodeOpener opener,
               PermissionNotice& permissionNotice, NodeCheck check = IsNodeNumbered);

  // The nodes of <sysfsRoot>/class/hidraw by number, as <devRoot>/hidrawN,
  // from a snapshot taken when the walk starts; ListFailed when that
  // directory cannot be read. Never DetailFailed: a node's path follows
  // from its name alone.
  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;

  // The path (a link to the node too) must lead to a character device that
  // sysfs lists as a hidraw node, which is checked before it is opened:
  // opening alone sets some devices going (a watchdog, a serial port's
  // lines). Anything else is NotAHidInterface, opened never. No device
  // either when the node cannot be opened, or what was opened is not that
  // node any more (NotAHidInterface, checked before anything is written).
  // When it is the reader and the open was refused for lack of permission,
  // the udev hint is shown once.
  reader::OpenResult Open(const std::string& path) override;

  // From the node's sysfs entry (its HID_ID), which anyone may read; found
  // as Open finds it.
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override;

  void Pause(int milliseconds) override;

  // A reader just plugged in belongs to root until udevd has applied the
  // rule, a moment after the kernel announced it: an open of the reader
  // refused for lack of permission is tried again for up to this long.
  void RetryRefusedOpens(int milliseconds) { permissionRetryMs_ = milliseconds; }

 private:
  // What path leads to, looked at without opening it: a character device
  // and the name of its hidraw entry, or why it is no hidraw node.
  struct Found {
    DeviceNumber number;
    std::string entry;  // empty when there is none
    reader::OpenFailure failure = reader::OpenFailure::NotAHidInterface;
  };
  Found Look(const std::string& path) const;

  int permissionRetryMs_ = 0;
  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
  NodeOpener opener_;
  PermissionNotice& permissionNotice_;
  NodeCheck check_;
};

}  // namespace magcfg::platform::hidraw
