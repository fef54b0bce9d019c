#include "platform/linux/reader_keyboards.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "platform/linux/sysfs.h"
#include "reader/reader_identity.h"

namespace magcfg::platform::hidraw {
namespace {

namespace fs = std::filesystem;

// From an event node's input device up to the USB device: input device,
// "input" directory, HID device, USB interface, USB device. A little more is
// allowed; the search never leaves sysfs.
constexpr int kUsbSearchLevels = 6;

// Key events read at once from one node.
constexpr std::size_t kEventsPerRead = 64;

std::optional<std::uint16_t> ReadIdFile(const fs::path& path) {
  const auto text = ReadAttribute(path);
  if (!text) return std::nullopt;
  return ParseBcdDevice(*text);  // four hex digits and a line end, as bcdDevice
}

bool IsReaderUsbDevice(const fs::path& usb) {
  return ReadIdFile(usb / "idVendor") == reader::kReaderVendorId &&
         ReadIdFile(usb / "idProduct") == reader::kReaderProductId;
}

bool IsGoneError(int error) { return error == ENODEV || error == ENOENT || error == ENXIO; }

// After lost events, the Shift keys as the device holds them now, as a press
// or a release each. Where the state cannot be had, both are taken as up: a
// reader holds Shift for one character only.
void AppendShiftKeysHeld(int fd, std::vector<reader::KeyEvent>& keys) {
  std::array<unsigned char, KEY_MAX / 8 + 1> held{};
  if (::ioctl(fd, EVIOCGKEY(sizeof held), held.data()) < 0) held.fill(0);
  for (const std::uint16_t code : {std::uint16_t{KEY_LEFTSHIFT}, std::uint16_t{KEY_RIGHTSHIFT}}) {
    const bool down = (held[code / 8] >> (code % 8)) & 1;
    keys.push_back({code, down ? 1 : 0});
  }
}

}  // namespace

bool IsReaderKeyboard(int fd, DeviceNumber walked) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) ||
      DeviceNumber{major(status.st_rdev), minor(status.st_rdev)} != walked) {
    return false;
  }
  input_id id{};
  return ::ioctl(fd, EVIOCGID, &id) == 0 && id.vendor == reader::kReaderVendorId &&
         id.product == reader::kReaderProductId;
}

std::optional<std::uint32_t> ParseEventName(std::string_view name) { return ParseNodeNumber(name, "event"); }

std::optional<fs::path> UsbDeviceOf(const fs::path& deviceLink) {
  std::error_code error;
  fs::path device = fs::canonical(deviceLink, error);
  if (error) return std::nullopt;
  for (int level = 0; level < kUsbSearchLevels && device.has_relative_path(); ++level) {
    if (fs::exists(device / "idVendor", error) && fs::exists(device / "idProduct", error)) return device;
    device = device.parent_path();
  }
  return std::nullopt;
}

EvdevKeyboards::EvdevKeyboards(fs::path sysfsRoot, fs::path devRoot, KeyboardCheck check)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)), check_(std::move(check)) {}

std::vector<EvdevKeyboards::EventNode> EvdevKeyboards::EventNodes() const {
  std::vector<std::pair<std::uint32_t, EventNode>> numbered;
  std::error_code error;
  const fs::path classDir = sysfsRoot_ / "class" / "input";
  for (fs::directory_iterator entries(classDir, error); !error && entries != fs::directory_iterator();
       entries.increment(error)) {
    const auto number = ParseEventName(entries->path().filename().string());
    if (!number) continue;
    const auto usb = UsbDeviceOf(entries->path() / "device");
    const auto dev = ReadAttribute(entries->path() / "dev");
    const auto device = dev ? ParseDeviceNumber(*dev) : std::nullopt;
    if (!usb || !device) continue;
    const std::string path = (devRoot_ / "input" / ("event" + std::to_string(*number))).string();
    numbered.emplace_back(*number, EventNode{path, *usb, *device});
  }
  std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<EventNode> nodes;
  for (auto& [number, node] : numbered) nodes.push_back(std::move(node));
  return nodes;
}

std::vector<std::string> EvdevKeyboards::ReaderKeyboards() {
  std::vector<std::string> keyboards;
  walked_.clear();
  for (const EventNode& node : EventNodes()) {
    if (!IsReaderUsbDevice(node.usb)) continue;
    keyboards.push_back(node.path);
    walked_[node.path] = node.number;
  }
  return keyboards;
}

std::vector<std::string> EvdevKeyboards::KeyboardsOf(const std::string& hidPath) {
  const fs::path entry = sysfsRoot_ / "class" / "hidraw" / fs::path(hidPath).filename();
  const auto readerUsb = UsbDeviceOf(entry / "device");
  if (!readerUsb || !IsReaderUsbDevice(*readerUsb)) return {};
  std::vector<std::string> keyboards;
  for (const EventNode& node : EventNodes()) {
    if (node.usb == *readerUsb) keyboards.push_back(node.path);
  }
  return keyboards;
}

std::optional<std::string> EvdevKeyboards::ReaderKeyboardAt(const std::string& path) {
  // stat follows links: /dev/input/by-id/...-event-kbd names the node it
  // leads to.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
  const auto entry = ClassEntryOfDevice(sysfsRoot_, "input", {major(status.st_rdev), minor(status.st_rdev)});
  if (!entry || !ParseEventName(*entry)) return std::nullopt;
  for (const std::string& keyboard : ReaderKeyboards()) {
    if (fs::path(keyboard).filename() == *entry) return keyboard;
  }
  return std::nullopt;
}

reader::KeyboardOpen EvdevKeyboards::Open(const std::string& path, bool grab) {
  if (!walked_.contains(path)) ReaderKeyboards();
  const auto walked = walked_.find(path);
  if (walked == walked_.end()) return reader::KeyboardOpen::Missing;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) {
    if (errno == EACCES || errno == EPERM) return reader::KeyboardOpen::PermissionDenied;
    if (IsGoneError(errno)) return reader::KeyboardOpen::Missing;
    return reader::KeyboardOpen::Failed;
  }
  if (!check_(fd.get(), walked->second)) return reader::KeyboardOpen::NotTheReader;
  if (grab && ::ioctl(fd.get(), EVIOCGRAB, 1) != 0) {
    return errno == EBUSY ? reader::KeyboardOpen::Busy : reader::KeyboardOpen::Failed;
  }
  open_[path] = OpenNode{std::move(fd)};
  return reader::KeyboardOpen::Opened;
}

reader::KeyboardInput EvdevKeyboards::Wait(int timeoutMs) {
  std::vector<pollfd> watched;
  std::vector<std::string> paths;
  for (const auto& [path, node] : open_) {
    watched.push_back({node.fd.get(), POLLIN, 0});
    paths.push_back(path);
  }
  // With nothing open this is a plain pause before the next look.
  const int ready = ::poll(watched.data(), watched.size(), timeoutMs);
  if (ready <= 0) return {};  // time-out, or a signal: the caller looks again

  // Each node in turn goes first, so that one busy node cannot starve another.
  for (std::size_t n = 0; n < watched.size(); ++n) {
    const std::size_t i = (nextToRead_ + n) % watched.size();
    if (watched[i].revents == 0) continue;
    nextToRead_ = i + 1;
    reader::KeyboardInput input;
    input.path = paths[i];
    std::array<input_event, kEventsPerRead> events;
    const ssize_t got = ::read(watched[i].fd, events.data(), sizeof events);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return {};
    // An unplugged node reads ENODEV; an end of input or any other error
    // ends it too.
    if (got <= 0) {
      open_.erase(input.path);
      input.kind = reader::KeyboardInput::Kind::Gone;
      return input;
    }
    input.kind = reader::KeyboardInput::Kind::Keys;
    OpenNode& node = open_.at(input.path);
    const std::size_t count = static_cast<std::size_t>(got) / sizeof(input_event);
    for (std::size_t e = 0; e < count; ++e) {
      const input_event& event = events[e];
      // The kernel's queue for this reader of the node ran over (seen when a
      // stopped program's node is typed on): what was queued is gone, and
      // the events up to the next SYN_REPORT are the rest of a torn packet.
      if (event.type == EV_SYN && event.code == SYN_DROPPED) {
        if (!input.lostBefore) input.lostBefore = input.keys.size();
        node.skippingTornPacket = true;
        continue;
      }
      if (node.skippingTornPacket) {
        if (event.type == EV_SYN && event.code == SYN_REPORT) {
          node.skippingTornPacket = false;
          AppendShiftKeysHeld(node.fd.get(), input.keys);
        }
        continue;
      }
      if (event.type == EV_KEY) input.keys.push_back({event.code, event.value});
    }
    return input;
  }
  return {};
}

}  // namespace magcfg::platform::hidraw
