#include "platform/linux/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/uevent_monitor.h"

namespace magcfg::platform::hidraw {
namespace {

// Room for a burst of events (a hub with several readers), as for the
// kernel's events; a drop is seen as ENOBUFS and answered with a rescan.
constexpr int kReceiveBuffer = 1024 * 1024;

std::string_view OrEmpty(const char* text) { return text == nullptr ? std::string_view() : std::string_view(text); }

}  // namespace

UdevMonitor::UdevMonitor(udev* context, udev_monitor* monitor, UniqueFd stop, std::filesystem::path sysfsRoot,
                         std::filesystem::path devRoot)
    : context_(context),
      monitor_(monitor),
      stop_(std::move(stop)),
      sysfsRoot_(std::move(sysfsRoot)),
      devRoot_(std::move(devRoot)) {}

UdevMonitor::~UdevMonitor() {
  udev_monitor_unref(monitor_);
  udev_unref(context_);
}

std::optional<reader::DeviceEvent> UdevMonitor::Next() {
  for (;;) {
    pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      failure_ = std::string("poll: ") + std::strerror(errno);
      return std::nullopt;
    }
    if (fds[0].revents != 0) return std::nullopt;
    if (fds[1].revents == 0) continue;

    // NULL for a message passed over (another subsystem, a sender that is
    // not udevd, a malformed message, each taken off the socket) as for a
    // failure of the socket itself, which poll reports as well.
    errno = 0;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) {
      if (errno == ENOBUFS) return reader::DeviceEvent{reader::DeviceEvent::Kind::Rescan, {}, {}, {}};
      if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0) continue;
      failure_ = std::string("reading udev's device events: ") + std::strerror(errno);
      return std::nullopt;
    }
    std::optional<reader::DeviceEvent> event =
        HidrawNodeEvent(OrEmpty(udev_device_get_action(device)), OrEmpty(udev_device_get_subsystem(device)),
                        OrEmpty(udev_device_get_sysname(device)), devRoot_);
    udev_device_unref(device);
    if (!event) continue;
    AddHidIds(*event, sysfsRoot_);
    return event;
  }
}

std::unique_ptr<UdevMonitor> OpenUdevMonitor(std::string& error) {
  if (::access("/run/udev/control", F_OK) != 0) {
    error = "no udev daemon runs here (no /run/udev/control)";
    return nullptr;
  }
  udev* context = udev_new();
  udev_monitor* monitor = context != nullptr ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
  const auto failed = [&](const char* what) {
    error = std::string("cannot listen to udev's device events: ") + what + ": " + std::strerror(errno);
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  };
  if (monitor == nullptr) return failed("no monitor");
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0) return failed("filter");
  // More room where allowed; the default still works, with more rescans.
  udev_monitor_set_receive_buffer_size(monitor, kReceiveBuffer);
  if (udev_monitor_enable_receiving(monitor) < 0) return failed("bind");
  UniqueFd stop = OpenStopSignals(error);
  if (!stop.valid()) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevMonitor>(context, monitor, std::move(stop), "/sys", "/dev");
}

}  // namespace magcfg::platform::hidraw
