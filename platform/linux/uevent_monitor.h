// The kernel's device events (NETLINK_KOBJECT_UEVENT) as the hidraw nodes
// that appear and go: no polling, and no dependency beyond the kernel. A
// signal asking the program to stop (SIGINT, SIGTERM) ends the events.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/unique_fd.h"
#include "reader/device_events.h"

namespace magcfg::platform::hidraw {

// A device's action, subsystem and node name, as the kernel and udev both
// tell them: an add or remove of a hidraw node yields its /dev path below
// devRoot; anything else (other subsystems, other actions, names that are
// not "hidrawN") yields nullopt.
std::optional<reader::DeviceEvent> HidrawNodeEvent(std::string_view action, std::string_view subsystem,
                                                   std::string_view devName, const std::filesystem::path& devRoot);

// One uevent message: "ACTION@DEVPATH", then "KEY=VALUE" fields, each ended
// by a zero byte, read by HidrawNodeEvent; udevd's own messages yield nullopt.
std::optional<reader::DeviceEvent> ParseHidrawUevent(std::string_view message, const std::filesystem::path& devRoot);

// An added node's vendor and product IDs, from its sysfs entry below
// sysfsRoot, which exists before any event tells of the node; left unknown
// when it cannot be read (the node may be gone again).
void AddHidIds(reader::DeviceEvent& event, const std::filesystem::path& sysfsRoot);

// SIGINT and SIGTERM blocked in the calling thread (call it before starting
// other threads) and readable through the signalfd returned; an invalid fd
// and error set when that cannot be had.
UniqueFd OpenStopSignals(std::string& error);

class UeventMonitor final : public reader::DeviceEvents {
 public:
  // events: a datagram socket carrying uevent messages; stop: readable once
  // the watch is to end. A node that is added is looked up below sysfsRoot
  // for its vendor and product IDs.
  UeventMonitor(UniqueFd events, UniqueFd stop, std::filesystem::path sysfsRoot, std::filesystem::path devRoot);

  // Lost messages (the socket's buffer ran over) give a Rescan.
  std::optional<reader::DeviceEvent> Next() override;
  std::optional<std::string> Failure() const override { return failure_; }

 private:
  std::optional<reader::DeviceEvent> Fail(const char* what);

  std::optional<std::string> failure_;
  UniqueFd events_;
  UniqueFd stop_;
  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
};

// The kernel's events below /sys and /dev, ending at SIGINT or SIGTERM. The
// two signals are blocked in the calling thread (call it before starting
// other threads) and read through a signalfd. nullptr and error set when the
// socket or the signalfd cannot be had.
std::unique_ptr<UeventMonitor> OpenKernelUeventMonitor(std::string& error);

}  // namespace magcfg::platform::hidraw
