#include "platform/linux/hidraw_device.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/linux/poll_wait.h"
#include "reader/report_descriptor.h"

namespace magcfg::platform::hidraw {
namespace {

using reader::TransferStatus;
using reader::WriteResult;

std::optional<HidId> HidIdFromKernel(int fd) {
  hidraw_devinfo info{};
  if (::ioctl(fd, HIDIOCGRAWINFO, &info) != 0) return std::nullopt;
  // The kernel keeps the IDs as signed 16-bit fields: take the bits as they are.
  return HidId{static_cast<std::uint16_t>(info.bustype), static_cast<std::uint16_t>(info.vendor),
               static_cast<std::uint16_t>(info.product)};
}

std::optional<std::vector<std::uint8_t>> DescriptorFromKernel(int fd) {
  int size = 0;
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) return std::nullopt;
  auto descriptor = std::make_unique<hidraw_report_descriptor>();
  descriptor->size = static_cast<__u32>(size);
  if (::ioctl(fd, HIDIOCGRDESC, descriptor.get()) != 0) return std::nullopt;
  return std::vector<std::uint8_t>(descriptor->value, descriptor->value + size);
}

bool IsTransient(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

HidrawDevice::HidrawDevice(UniqueFd fd, SysfsNode node) : HidrawDevice(std::move(fd), std::move(node), nullptr) {
  // The kernel's copy is the one in use; sysfs serves when the ioctl fails.
  descriptorSource_ = [fd = fd_.get(), node = node_]() -> std::optional<std::vector<std::uint8_t>> {
    if (auto descriptor = DescriptorFromKernel(fd)) return descriptor;
    return node.ReadReportDescriptor();
  };
}

HidrawDevice::HidrawDevice(UniqueFd fd, SysfsNode node, DescriptorSource source)
    : fd_(std::move(fd)), node_(std::move(node)), descriptorSource_(std::move(source)) {
  // Non-blocking, so that a read after a poll that was wrong about data
  // waiting comes back at once instead of blocking past the time-out.
  const int flags = ::fcntl(fd_.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd_.get(), F_SETFL, flags | O_NONBLOCK);
}

std::optional<reader::HidAttributes> HidrawDevice::GetAttributes() {
  std::optional<HidId> id = HidIdFromKernel(fd_.get());
  if (!id) id = node_.ReadHidId();
  if (!id) return std::nullopt;
  // The release number exists only in sysfs, on the USB device.
  return reader::HidAttributes{id->vendor, id->product, node_.ReadVersionNumber()};
}

std::optional<reader::ReportLengths> HidrawDevice::GetReportLengths() {
  const auto descriptor = descriptorSource_ ? descriptorSource_() : std::nullopt;
  if (!descriptor) return std::nullopt;
  return reader::ParseReportDescriptor(*descriptor).lengths;
}

WriteResult HidrawDevice::Write(std::span<const std::uint8_t> report, int timeoutMs) {
  const Deadline deadline(timeoutMs);
  for (;;) {
    const std::optional<short> ready = PollUntil(fd_.get(), POLLOUT, deadline);
    if (!ready) return {TransferStatus::TimedOut, 0};
    // Hung up or invalid without room to write: the transfer failed at once.
    if (!(*ready & POLLOUT)) return {TransferStatus::Completed, 0};
    // hidraw's write is synchronous inside the kernel: it returns when the
    // report has gone to the device or the transfer failed, so nothing is
    // left outstanding. hidraw always polls writable, so a device that stalls
    // holds the call for the kernel's own USB time-out, not for timeoutMs.
    const ssize_t written = ::write(fd_.get(), report.data(), report.size());
    if (written >= 0) return {TransferStatus::Completed, static_cast<std::uint32_t>(written)};
    if (IsTransient(errno)) {
      if (deadline.Passed()) return {TransferStatus::TimedOut, 0};
      continue;
    }
    // ENODEV after an unplug, EIO, EPIPE: a completion that failed. The reply
    // read that follows will time out.
    return {TransferStatus::Completed, 0};
  }
}

TransferStatus HidrawDevice::Read(std::span<std::uint8_t> buffer, int timeoutMs) {
  // No report fits an empty buffer; reading 0 bytes would consume one unseen.
  if (buffer.empty()) return TransferStatus::TimedOut;
  const Deadline deadline(timeoutMs);
  for (;;) {
    const std::optional<short> ready = PollUntil(fd_.get(), POLLIN, deadline);
    if (!ready) return TransferStatus::TimedOut;
    // POLLHUP, POLLERR or POLLNVAL without data: the reader is gone and no
    // report will come. End at once rather than poll a hung-up fd again.
    if (!(*ready & POLLIN)) return TransferStatus::TimedOut;
    // One read is one report. hidraw copies at most buffer.size() bytes and
    // drops the rest of a longer report, so callers ask for the full length.
    const ssize_t got = ::read(fd_.get(), buffer.data(), buffer.size());
    if (got > 0) return TransferStatus::Completed;
    if (got < 0 && IsTransient(errno) && !deadline.Passed()) continue;
    // End of file (the other end closed) or a read error such as EIO after
    // an unplug: nothing arrived.
    return TransferStatus::TimedOut;
  }
}

}  // namespace magcfg::platform::hidraw
