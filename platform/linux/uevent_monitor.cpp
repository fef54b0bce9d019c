#include "platform/linux/uevent_monitor.h"

#include <linux/netlink.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/linux/sysfs.h"

namespace magcfg::platform::hidraw {
namespace {

// The kernel's multicast group for uevents; udevd re-sends them on group 2
// in its own format, which is not listened to.
constexpr unsigned kKernelGroup = 1;
// Room for a burst of events (a hub with several readers) before the kernel
// has to drop any; a drop is seen as ENOBUFS and answered with a rescan.
constexpr int kReceiveBuffer = 1024 * 1024;
// A uevent is at most 2048 bytes of environment plus the header.
constexpr std::size_t kMessageBytes = 8192;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::optional<reader::DeviceEvent> ParseHidrawUevent(std::string_view message, const std::filesystem::path& devRoot) {
  std::string_view action;
  std::string_view subsystem;
  std::string_view devName;
  bool header = true;
  while (!message.empty()) {
    const std::size_t end = message.find('\0');
    const std::string_view field = message.substr(0, end);
    message.remove_prefix(end == std::string_view::npos ? message.size() : end + 1);
    if (header) {
      // udevd's messages start with "libudev" and no '@'.
      if (field.find('@') == std::string_view::npos) return std::nullopt;
      header = false;
      continue;
    }
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, equals);
    const std::string_view value = field.substr(equals + 1);
    if (key == "ACTION") action = value;
    if (key == "SUBSYSTEM") subsystem = value;
    if (key == "DEVNAME") devName = value;
  }
  return HidrawNodeEvent(action, subsystem, devName, devRoot);
}

std::optional<reader::DeviceEvent> HidrawNodeEvent(std::string_view action, std::string_view subsystem,
                                                   std::string_view devName, const std::filesystem::path& devRoot) {
  if (subsystem != "hidraw" || !ParseHidrawName(devName)) return std::nullopt;
  reader::DeviceEvent event;
  if (action == "add") {
    event.kind = reader::DeviceEvent::Kind::Added;
  } else if (action == "remove") {
    event.kind = reader::DeviceEvent::Kind::Removed;
  } else {
    return std::nullopt;
  }
  event.path = (devRoot / devName).string();
  return event;
}

UeventMonitor::UeventMonitor(UniqueFd events, UniqueFd stop, std::filesystem::path sysfsRoot,
                             std::filesystem::path devRoot)
    : events_(std::move(events)),
      stop_(std::move(stop)),
      sysfsRoot_(std::move(sysfsRoot)),
      devRoot_(std::move(devRoot)) {}

std::optional<reader::DeviceEvent> UeventMonitor::Next() {
  std::array<char, kMessageBytes> buffer;
  for (;;) {
    pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {events_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Fail("poll");
    }
    if (fds[0].revents != 0) return std::nullopt;
    if (fds[1].revents == 0) continue;

    sockaddr_nl sender{};
    iovec io{buffer.data(), buffer.size()};
    msghdr header{};
    header.msg_name = &sender;
    header.msg_namelen = sizeof sender;
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    const ssize_t got = ::recvmsg(events_.get(), &header, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == ENOBUFS) return reader::DeviceEvent{reader::DeviceEvent::Kind::Rescan, {}, {}, {}};
      if (errno == EINTR || errno == EAGAIN) continue;
      return Fail("reading device events");
    }
    if (got == 0 && (fds[1].revents & POLLHUP) != 0) {
      failure_ = "the device events ended";
      return std::nullopt;
    }
    // Only the kernel speaks on the uevent socket: any other sender is ignored.
    if (header.msg_namelen >= sizeof sender && sender.nl_family == AF_NETLINK && sender.nl_pid != 0) continue;
    if ((header.msg_flags & MSG_TRUNC) != 0) continue;

    std::optional<reader::DeviceEvent> event =
        ParseHidrawUevent(std::string_view(buffer.data(), static_cast<std::size_t>(got)), devRoot_);
    if (!event) continue;
    AddHidIds(*event, sysfsRoot_);
    return event;
  }
}

void AddHidIds(reader::DeviceEvent& event, const std::filesystem::path& sysfsRoot) {
  if (event.kind != reader::DeviceEvent::Kind::Added) return;
  const std::string name = std::filesystem::path(event.path).filename().string();
  if (const std::optional<HidId> id = SysfsNode(sysfsRoot, name).ReadHidId()) {
    event.vendorId = id->vendor;
    event.productId = id->product;
  }
}

std::optional<reader::DeviceEvent> UeventMonitor::Fail(const char* what) {
  failure_ = Errno(what);
  return std::nullopt;
}

std::unique_ptr<UeventMonitor> OpenKernelUeventMonitor(std::string& error) {
  UniqueFd socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT));
  if (!socket.valid()) {
    error = Errno("netlink socket");
    return nullptr;
  }
  // More room where allowed; the default still works, with more rescans.
  ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = kKernelGroup;
  if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = Errno("netlink bind");
    return nullptr;
  }

  UniqueFd stop = OpenStopSignals(error);
  if (!stop.valid()) return nullptr;
  return std::make_unique<UeventMonitor>(std::move(socket), std::move(stop), "/sys", "/dev");
}

UniqueFd OpenStopSignals(std::string& error) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  if (::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
    error = "cannot block SIGINT and SIGTERM";
    return UniqueFd();
  }
  UniqueFd stop(::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK));
  if (!stop.valid()) error = Errno("signalfd");
  return stop;
}

}  // namespace magcfg::platform::hidraw
