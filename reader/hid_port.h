// The HID services the program needs from the platform, and nothing more:
// walk the HID interfaces present, open one, read its identity and report
// lengths, and move one report at a time with a time-out. Linux hidraw,
// Windows HID and the simulated reader each implement it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace magcfg::reader {

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

// The report lengths the platform gives for an interface, report ID byte
// included, as in the HID capabilities.
struct ReportLengths {
  std::uint16_t input = 0;
  std::uint16_t output = 0;
};

enum class TransferStatus {
  Completed,   // the wait ended with the transfer done
  TimedOut,    // the wait ran out; the backend has not cancelled the transfer
  Failed,      // the transfer failed (an I/O error, a stalled endpoint); nothing is left outstanding
  ReaderGone,  // the transfer failed because the interface is gone (unplugged); nothing is left outstanding
};

inline bool IsFailure(TransferStatus status) {
  return status == TransferStatus::Failed || status == TransferStatus::ReaderGone;
}

struct WriteResult {
  TransferStatus status = TransferStatus::TimedOut;
  // Bytes the write call itself reported as written: the whole report when
  // the transfer completed inside the call, 0 when it was still under way.
  std::uint32_t bytesWrittenInCall = 0;
};

// One open HID interface. Destroying it closes it and cancels whatever is
// still outstanding.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  // The interface's vendor, product and version; nullopt when they cannot be read.
  virtual std::optional<HidAttributes> GetAttributes() = 0;

  // Report lengths from the interface's report description, asked anew on
  // every call; nullopt when the description cannot be had.
  virtual std::optional<ReportLengths> GetReportLengths() = 0;

  // The usage check on an output report (setting no usage, it changes no
  // byte); false when the platform refuses the report.
  virtual bool CheckOutputReport(std::span<const std::uint8_t> report) = 0;

  // Starts writing the whole report and waits at most timeoutMs for it.
  virtual WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) = 0;

  // Starts reading one input report into buffer (at most buffer.size()
  // bytes) and waits at most timeoutMs for it. Byte 0 of the buffer is the
  // report ID, 0 for an interface without report IDs, whatever the platform
  // hands over; the report's data follows from byte 1.
  virtual TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;

  // Drops the input reports already waiting, without waiting for more, so
  // that a reply that came after its read ran out is not taken for the
  // reply to the next request.
  virtual void DiscardPendingReports() = 0;

  // Cancels the transfers still outstanding on this interface.
  virtual void CancelIo() = 0;
};

enum class EnumerationStatus {
  Interface,     // an interface at this index; its path follows
  DetailFailed,  // an interface is there but its details could not be read
  NoMoreItems,   // the index is past the end of the list
  Failed,        // the platform failed otherwise
};

struct EnumerationEntry {
  EnumerationStatus status = EnumerationStatus::NoMoreItems;
  std::string path;
};

// A snapshot of the HID interfaces present, released when destroyed.
class HidInterfaceList {
 public:
  virtual ~HidInterfaceList() = default;
  virtual EnumerationEntry At(std::uint32_t index) = 0;
};

// Why an interface could not be opened.
enum class OpenFailure {
  Other,             // any other reason, or the platform does not tell
  PermissionDenied,  // the interface is there, but the user may not open it
};

class HidSystem {
 public:
  virtual ~HidSystem() = default;

  // The list of HID interfaces present; nullptr when it cannot be obtained.
  virtual std::unique_ptr<HidInterfaceList> ListInterfaces() = 0;

  // Opens an interface for reading and writing; nullptr when it cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;

  // Why the latest Open that returned nullptr failed, like the platform's
  // last-error value.
  virtual OpenFailure LastOpenFailure() const { return OpenFailure::Other; }

  // An interface's identity read without opening it, where the platform
  // keeps it elsewhere (sysfs on Linux); nullopt where it cannot be had.
  virtual std::optional<HidAttributes> IdentityWithoutOpening(const std::string&) { return std::nullopt; }

  // Blocks the calling thread.
  virtual void Pause(int milliseconds) = 0;
};

}  // namespace magcfg::reader
