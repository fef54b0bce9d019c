// One open hidraw node as the program's HID device: identity from the
// kernel or sysfs, report lengths from the report descriptor, and reports
// moved with poll(2) and a time-out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/linux/sysfs.h"
#include "platform/linux/unique_fd.h"
#include "reader/hid_port.h"

namespace magcfg::platform::hidraw {

// Hands over the interface's report descriptor; nullopt when it cannot be had.
using DescriptorSource = std::function<std::optional<std::vector<std::uint8_t>>()>;

class HidrawDevice final : public reader::HidDevice {
 public:
  // The descriptor comes from the kernel through fd, else from sysfs.
  HidrawDevice(UniqueFd fd, SysfsNode node);
  // The descriptor comes from source: for any descriptor-less fd, as in tests.
  HidrawDevice(UniqueFd fd, SysfsNode node, DescriptorSource source);

  std::optional<reader::HidAttributes> GetAttributes() override;
  std::optional<reader::ReportLengths> GetReportLengths() override;
  // hidraw has no usage check of its own: every report is accepted.
  bool PassesUsageCheck(std::span<const std::uint8_t>) override { return true; }
  // An exclusive flock(2) on the node, tried again every few milliseconds
  // until waitMs have passed. Closing the node lets go of it too.
  reader::LockStatus Lock(int waitMs) override;
  void Unlock() override;
  void DiscardPendingReports() override;
  // Nothing is ever left outstanding: each transfer is one read(2) or
  // write(2) made only once poll says it can go through.
  reader::WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) override;
  reader::TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) override;

 private:
  // Whether the interface's reports carry report IDs, as its descriptor
  // said when last parsed; asked for when no parse has been made yet.
  bool UsesReportIds();

  UniqueFd fd_;
  SysfsNode node_;
  DescriptorSource descriptorSource_;
  std::optional<bool> usesReportIds_;
  bool locked_ = false;
};

}  // namespace magcfg::platform::hidraw
