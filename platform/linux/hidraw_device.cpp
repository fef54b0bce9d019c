#include "platform/linux/hidraw_device.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

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

// Errors of a device that is no longer there. EPIPE and EIO are not among
// them: hidraw gives them for a stalled or failing transfer on a device
// still present.
bool MeansGone(int error) { return error == ENODEV || error == ENXIO || error == ESHUTDOWN; }

// hidraw reports both once its device is gone (POLLOUT too, as ever).
bool HungUp(short revents) { return (revents & (POLLHUP | POLLERR)) != 0; }

// hidraw queues at most 64 input reports per open file; twice that bounds
// the discarding even against a reader that sends as fast as we read.
constexpr int kMaxDiscardedReports = 128;
// A report longer than this is still taken whole: hidraw drops the part of
// a report that does not fit the read.
constexpr std::size_t kDiscardBufferBytes = 256;

// How often Lock tries again while another program holds the node.
constexpr int kLockRetryMs = 5;

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
  // The platform's opener has already made it so.
  const int flags = ::fcntl(fd_.get(), F_GETFL);
  if (flags >= 0 && (flags & O_NONBLOCK) == 0) ::fcntl(fd_.get(), F_SETFL, flags | O_NONBLOCK);
}

std::optional<reader::HidAttributes> HidrawDevice::GetAttributes() {
  std::optional<HidId> id = HidIdFromKernel(fd_.get());
  if (!id) id = node_.ReadHidId();
  if (!id) return std::nullopt;
  // The release number exists only in sysfs, on the USB device.
  return reader::HidAttributes{id->vendor, id->product, node_.ReadVersionNumber(id->bus)};
}

std::optional<reader::ReportLengths> HidrawDevice::GetReportLengths() {
  const auto descriptor = descriptorSource_ ? descriptorSource_() : std::nullopt;
  if (!descriptor) return std::nullopt;
  const reader::DescriptorParse parse = reader::ParseReportDescriptor(*descriptor);
  if (parse.lengths) usesReportIds_ = parse.usesReportIds;
  return parse.lengths;
}

bool HidrawDevice::UsesReportIds() {
  if (!usesReportIds_) GetReportLengths();
  // Without a usable descriptor, the reader's own layout: no report IDs.
  return usesReportIds_.value_or(false);
}

// hidraw hands every input report to every open file of the node; an
// exclusive flock keeps the programs that use the node to one exchange at a
// time (libfido2 does the same with its hidraw devices).
reader::LockStatus HidrawDevice::Lock(int waitMs) {
  const Deadline deadline(waitMs);
  for (;;) {
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
      locked_ = true;
      return reader::LockStatus::Owned;
    }
    if (errno == EINTR) continue;
    // A node on a file system without locks: every program goes on
    // unlocked, as before there were locks.
    if (errno != EWOULDBLOCK) return reader::LockStatus::Owned;
    if (deadline.Passed()) return reader::LockStatus::Busy;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kLockRetryMs, deadline.RemainingMs())));
  }
}

void HidrawDevice::Unlock() {
  if (!locked_) return;
  while (::flock(fd_.get(), LOCK_UN) != 0 && errno == EINTR) {
  }
  locked_ = false;
}

WriteResult HidrawDevice::Write(std::span<const std::uint8_t> report, int timeoutMs) {
  const Deadline deadline(timeoutMs);
  for (;;) {
    const std::optional<short> ready = PollUntil(fd_.get(), POLLOUT, deadline);
    if (!ready) return {TransferStatus::TimedOut, 0};
    if (HungUp(*ready)) return {TransferStatus::ReaderGone, 0};
    // Not writable and not hung up: an fd that is not open (POLLNVAL).
    if (!(*ready & POLLOUT)) return {TransferStatus::Failed, 0};
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
    // ENODEV after an unplug; EPIPE for a stalled endpoint, EIO.
    return {MeansGone(errno) ? TransferStatus::ReaderGone : TransferStatus::Failed, 0};
  }
}

TransferStatus HidrawDevice::Read(std::span<std::uint8_t> buffer, int timeoutMs) {
  // No report fits an empty buffer; reading 0 bytes would consume one unseen.
  if (buffer.empty()) return TransferStatus::TimedOut;
  // For a device without report IDs, hidraw's read hands over the report's
  // data alone, with no ID byte in front (seen on Linux 6.1 with a USB HID
  // gadget: the reply 02 30 'Y' 03 arrived as those four bytes at offset 0),
  // while its write takes a leading 0 and strips it. The data goes in from
  // byte 1, behind a report ID of 0, as the core reads it. A numbered
  // report starts with its ID already.
  const bool numbered = UsesReportIds();
  std::array<std::uint8_t, 1> noRoom{};
  std::span<std::uint8_t> target = numbered ? buffer : buffer.subspan(1);
  // A one-byte buffer has no room for data: the report is taken all the same.
  if (target.empty()) target = noRoom;

  const Deadline deadline(timeoutMs);
  for (;;) {
    const std::optional<short> ready = PollUntil(fd_.get(), POLLIN, deadline);
    if (!ready) return TransferStatus::TimedOut;
    // Nothing to read: hung up (the reader is gone, and no report will come)
    // or an fd that is not open (POLLNVAL). End at once rather than poll again.
    if (!(*ready & POLLIN)) return HungUp(*ready) ? TransferStatus::ReaderGone : TransferStatus::Failed;
    // One read is one report. hidraw copies at most target.size() bytes and
    // drops the rest of a longer report, so callers ask for the full length.
    const ssize_t got = ::read(fd_.get(), target.data(), target.size());
    if (got > 0) {
      if (!numbered) buffer[0] = 0;
      return TransferStatus::Completed;
    }
    if (got < 0 && IsTransient(errno)) {
      if (deadline.Passed()) return TransferStatus::TimedOut;
      continue;
    }
    // End of file (the other end closed), or an error: hidraw gives EIO
    // once its device is gone, and says so through poll as well.
    if (got == 0 || HungUp(*ready) || MeansGone(errno)) return TransferStatus::ReaderGone;
    return TransferStatus::Failed;
  }
}

void HidrawDevice::DiscardPendingReports() {
  std::array<std::uint8_t, kDiscardBufferBytes> scratch;
  for (int i = 0; i < kMaxDiscardedReports; ++i) {
    // A look without waiting, then one report taken; the transfers that
    // follow tell of a hang-up or an error.
    const std::optional<short> ready = PollUntil(fd_.get(), POLLIN, Deadline(0));
    if (!ready || !(*ready & POLLIN)) return;
    const ssize_t got = ::read(fd_.get(), scratch.data(), scratch.size());
    if (got <= 0 && !(got < 0 && errno == EINTR)) return;
  }
}

}  // namespace magcfg::platform::hidraw
