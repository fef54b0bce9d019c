#include "platform/linux/hidraw_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/linux/hidraw_device.h"
#include "platform/linux/sysfs.h"
#include "platform/linux/unique_fd.h"
#include "reader/reader_identity.h"

namespace magcfg::platform::hidraw {
namespace {

constexpr int kPermissionRetryStepMs = 50;

bool IsPermissionError(int error) { return error == EACCES || error == EPERM; }

reader::OpenFailure FailureFor(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return reader::OpenFailure::NotFound;
    case EACCES:
    case EPERM:
      return reader::OpenFailure::PermissionDenied;
    case EBUSY:
      return reader::OpenFailure::Busy;
    default:
      return reader::OpenFailure::Other;
  }
}

}  // namespace

OpenedNode OpenHidrawNode(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  return {fd, fd < 0 ? errno : 0};
}

bool IsNodeNumbered(int fd, DeviceNumber number) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) &&
         DeviceNumber{major(status.st_rdev), minor(status.st_rdev)} == number;
}

HidrawSystem::HidrawSystem(std::filesystem::path sysfsRoot, std::filesystem::path devRoot)
    : HidrawSystem(std::move(sysfsRoot), std::move(devRoot), OpenHidrawNode, PermissionNotice::ForProcess()) {}

HidrawSystem::HidrawSystem(std::filesystem::path sysfsRoot, std::filesystem::path devRoot, NodeOpener opener,
                           PermissionNotice& permissionNotice, NodeCheck check)
    : sysfsRoot_(std::move(sysfsRoot)),
      devRoot_(std::move(devRoot)),
      opener_(std::move(opener)),
      permissionNotice_(permissionNotice),
      check_(std::move(check)) {}

reader::WalkEnd HidrawSystem::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  // A node whose sysfs entry is broken (dangling device link, unreadable
  // uevent) is still visited, and passed over when its attributes cannot be
  // read, instead of stopping the whole walk and hiding a working reader
  // further down the list.
  const auto numbers = ListHidrawNumbers(sysfsRoot_ / "class" / "hidraw");
  if (!numbers) return reader::WalkEnd::ListFailed;
  for (std::uint32_t number : *numbers) {
    if (!visit(devRoot_.native() + "/hidraw" + std::to_string(number))) break;
  }
  return reader::WalkEnd::Completed;
}

HidrawSystem::Found HidrawSystem::Look(const std::string& path) const {
  Found found;
  // stat follows links: a udev link such as /dev/magreader names the node.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    found.failure = FailureFor(errno);
    return found;
  }
  if (!S_ISCHR(status.st_mode)) return found;
  found.number = {major(status.st_rdev), minor(status.st_rdev)};
  // The walk's own paths are named as their entries: one file read. Any
  // other name is looked up by the number.
  const std::string given = path.substr(path.rfind('/') + 1);
  if (ParseHidrawName(given) && SysfsNode(sysfsRoot_, given).ReadDeviceNumber() == found.number) {
    found.entry = given;
  } else if (const auto entry = ClassEntryOfDevice(sysfsRoot_, "hidraw", found.number);
             entry && ParseHidrawName(*entry)) {
    found.entry = *entry;
  }
  return found;
}

reader::OpenResult HidrawSystem::Open(const std::string& path) {
  const Found found = Look(path);
  if (found.entry.empty()) return {nullptr, found.failure};
  SysfsNode node(sysfsRoot_, found.entry);
  OpenedNode opened = opener_(path);
  if (opened.fd < 0 && IsPermissionError(opened.error)) {
    const auto id = node.ReadHidId();
    if (id && id->vendor == reader::kReaderVendorId && id->product == reader::kReaderProductId) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(permissionRetryMs_);
      while (opened.fd < 0 && IsPermissionError(opened.error) && std::chrono::steady_clock::now() < end) {
        Pause(kPermissionRetryStepMs);
        opened = opener_(path);
      }
      if (opened.fd < 0) permissionNotice_.ReaderNotAccessible(path);
    }
  }
  if (opened.fd < 0) return {nullptr, FailureFor(opened.error)};
  UniqueFd fd(opened.fd);
  // The path may lead elsewhere since it was looked at.
  if (!check_(fd.get(), found.number)) return {nullptr, reader::OpenFailure::NotAHidInterface};
  return {std::make_unique<HidrawDevice>(std::move(fd), std::move(node)), reader::OpenFailure::Other};
}

std::optional<reader::HidAttributes> HidrawSystem::IdentityWithoutOpening(const std::string& path) {
  const Found found = Look(path);
  if (found.entry.empty()) return std::nullopt;
  const auto id = SysfsNode(sysfsRoot_, found.entry).ReadHidId();
  if (!id) return std::nullopt;
  return reader::HidAttributes{id->vendor, id->product, 0};
}

void HidrawSystem::Pause(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace magcfg::platform::hidraw
