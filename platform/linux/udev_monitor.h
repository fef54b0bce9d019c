// udev's device events, through libudev: udevd announces a hidraw node once
// it has applied the rules to it (owner, mode, the seat user's access), so a
// node announced here can be opened at once, where the kernel's own event
// comes before the rules and an open may still be refused. A signal asking
// the program to stop (SIGINT, SIGTERM) ends the events.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/unique_fd.h"
#include "reader/device_events.h"

struct udev;
struct udev_monitor;

namespace magcfg::platform::hidraw {

class UdevMonitor final : public reader::DeviceEvents {
 public:
  // Takes over both; monitor has been enabled. stop: readable once the watch
  // is to end. An added node's IDs are read below sysfsRoot.
  UdevMonitor(udev* context, udev_monitor* monitor, UniqueFd stop, std::filesystem::path sysfsRoot,
              std::filesystem::path devRoot);
  ~UdevMonitor() override;
  UdevMonitor(const UdevMonitor&) = delete;
  UdevMonitor& operator=(const UdevMonitor&) = delete;

  // Messages lost (the socket's buffer ran over) give a Rescan.
  std::optional<reader::DeviceEvent> Next() override;
  std::optional<std::string> Failure() const override { return failure_; }

 private:
  std::optional<std::string> failure_;
  udev* context_;
  udev_monitor* monitor_;
  UniqueFd stop_;
  std::filesystem::path sysfsRoot_;
  std::filesystem::path devRoot_;
};

// udev's events for the hidraw nodes below /sys and /dev, ending at SIGINT or
// SIGTERM (blocked in the calling thread, as OpenStopSignals does). nullptr
// and error set when no udev daemon runs (it makes /run/udev/control; without
// it libudev's monitor hears nothing) or the monitor cannot be had.
std::unique_ptr<UdevMonitor> OpenUdevMonitor(std::string& error);

}  // namespace magcfg::platform::hidraw
