#include "platform/linux/sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>

#include "platform/linux/unique_fd.h"

namespace magcfg::platform::hidraw {
namespace {

namespace fs = std::filesystem;

// The bus number of USB in a HID_ID line (BUS_USB in <linux/input.h>).
constexpr std::uint16_t kBusUsb = 0x0003;

// Parses a hex field of 1 to maxDigits digits that must fit 16 bits.
std::optional<std::uint16_t> ParseHex16(std::string_view field, std::size_t maxDigits) {
  if (field.empty() || field.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
  if (error != std::errc() || end != field.data() + field.size() || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::string_view WithoutLineEnd(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return text;
}

}  // namespace

namespace {

// Reads an attribute file already opened; nullopt unless it is a regular file
// of at most maxBytes.
std::optional<std::string> ReadOpenedAttribute(const UniqueFd& fd, std::size_t maxBytes) {
  if (!fd.valid()) return std::nullopt;
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;

  // sysfs files report a size of a page whatever they hold: read to the end.
  // A regular file's read comes back short only at its end, and sysfs hands
  // an attribute over in one read, so a short read ends it without the extra
  // call that would return 0: Find Device reads two attributes per interface.
  std::string content;
  std::array<char, 4096> chunk;
  for (;;) {
    const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return content;
    if (content.size() + static_cast<std::size_t>(got) > maxBytes) return std::nullopt;
    content.append(chunk.data(), static_cast<std::size_t>(got));
    if (static_cast<std::size_t>(got) < chunk.size()) return content;
  }
}

// O_NONBLOCK so that a FIFO in place of an attribute cannot block the open.
constexpr int kAttributeOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

}  // namespace

std::optional<std::string> ReadAttribute(const fs::path& path, std::size_t maxBytes) {
  return ReadOpenedAttribute(UniqueFd(::open(path.c_str(), kAttributeOpenFlags)), maxBytes);
}

std::optional<std::uint32_t> ParseNodeNumber(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return std::nullopt;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || (digits.size() > 1 && digits.front() == '0')) return std::nullopt;
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

std::optional<std::vector<std::uint32_t>> ListHidrawNumbers(const fs::path& classDir) {
  // readdir rather than a directory_iterator, which builds a path object for
  // every entry: the list is made anew on every Find Device.
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(classDir.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  std::vector<std::uint32_t> numbers;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) return std::nullopt;
      break;
    }
    if (auto number = ParseHidrawName(entry->d_name)) numbers.push_back(*number);
  }
  // The directory's own order is arbitrary; number order is stable across runs.
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::optional<HidId> ParseHidId(std::string_view uevent) {
  constexpr std::string_view kKey = "HID_ID=";
  while (!uevent.empty()) {
    const std::size_t lineEnd = std::min(uevent.find('\n'), uevent.size());
    std::string_view line = uevent.substr(0, lineEnd);
    uevent.remove_prefix(std::min(lineEnd + 1, uevent.size()));
    if (!line.starts_with(kKey)) continue;

    line.remove_prefix(kKey.size());
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    // The kernel writes the bus with four digits and the IDs with eight.
    const auto bus = ParseHex16(line.substr(0, first), 4);
    const auto vendor = ParseHex16(line.substr(first + 1, second - first - 1), 8);
    const auto product = ParseHex16(line.substr(second + 1), 8);
    if (!bus || !vendor || !product) return std::nullopt;
    return HidId{*bus, *vendor, *product};
  }
  return std::nullopt;
}

std::optional<std::uint16_t> ParseBcdDevice(std::string_view text) { return ParseHex16(WithoutLineEnd(text), 4); }

std::optional<DeviceNumber> ParseDeviceNumber(std::string_view text) {
  text = WithoutLineEnd(text);
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto decimal = [](std::string_view field) -> std::optional<unsigned> {
    unsigned value = 0;
    if (field.empty() || field.size() > 10) return std::nullopt;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 10);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
  };
  const auto major = decimal(text.substr(0, colon));
  const auto minor = decimal(text.substr(colon + 1));
  if (!major || !minor) return std::nullopt;
  return DeviceNumber{*major, *minor};
}

std::optional<std::string> ClassEntryOfDevice(const fs::path& sysfsRoot, std::string_view className,
                                              DeviceNumber number) {
  std::error_code error;
  const fs::path device = fs::canonical(
      sysfsRoot / "dev" / "char" / (std::to_string(number.major) + ":" + std::to_string(number.minor)), error);
  if (error) return std::nullopt;
  // The class lists the same device directory under the same name.
  const fs::path entry = sysfsRoot / "class" / className / device.filename();
  if (fs::canonical(entry, error) != device || error) return std::nullopt;
  const std::optional<std::string> dev = ReadAttribute(entry / "dev");
  if (!dev || ParseDeviceNumber(*dev) != number) return std::nullopt;
  return device.filename().string();
}

// Each attribute is opened by its whole path through the device link: one
// system call, where opening the device directory first and looking up from
// it took three (open, lookup, close) for the same walk. System calls are
// what Find Device spends its time on, two or three per interface.
std::optional<HidId> SysfsNode::ReadHidId() const {
  const auto uevent = ReadAttribute(entry_ + "/device/uevent");
  if (!uevent) return std::nullopt;
  return ParseHidId(*uevent);
}

std::uint16_t SysfsNode::ReadVersionNumber(std::uint16_t bus) const {
  // A USB HID device sits in its USB interface, which sits in the USB device
  // that has the bcdDevice; the kernel resolves ".." from where the device
  // link led. Other buses have no USB device above them: nothing to read.
  if (bus != kBusUsb) return 0;
  const auto text = ReadAttribute(entry_ + "/device/../../bcdDevice");
  return text ? ParseBcdDevice(*text).value_or(0) : 0;
}

std::uint16_t SysfsNode::ReadVersionNumber() const {
  const std::optional<HidId> id = ReadHidId();
  return id ? ReadVersionNumber(id->bus) : 0;
}

std::optional<std::vector<std::uint8_t>> SysfsNode::ReadReportDescriptor() const {
  const auto bytes = ReadAttribute(entry_ + "/device/report_descriptor");
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

std::optional<DeviceNumber> SysfsNode::ReadDeviceNumber() const {
  const auto text = ReadAttribute(entry_ + "/dev");
  if (!text) return std::nullopt;
  return ParseDeviceNumber(*text);
}

}  // namespace magcfg::platform::hidraw
