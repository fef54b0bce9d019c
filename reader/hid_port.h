// The HID services the program needs from the platform, and nothing more:
// walk the HID interfaces present, open one (saying why it could not be),
// read its identity and report lengths, make it this program's own for one
// exchange, and move one report at a time within a time-out. Linux hidraw,
// Windows HID and the simulated reader each implement it; how a platform
// does each step (overlapped I/O and its cancelling, the HID parser's usage
// call, flock) stays inside that platform's backend.
#pragma once

#include <cstdint>
#include <functional>
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
  Completed,   // the transfer is done
  TimedOut,    // the time-out ran out; the backend has cancelled the transfer
  Failed,      // the transfer failed (an I/O error, a stalled endpoint)
  ReaderGone,  // the transfer failed because the interface is gone (unplugged)
};
// Whatever the status, nothing is left outstanding when a transfer returns.

inline bool IsFailure(TransferStatus status) {
  return status == TransferStatus::Failed || status == TransferStatus::ReaderGone;
}

struct WriteResult {
  TransferStatus status = TransferStatus::TimedOut;
  // The count of bytes the platform's write call reported when it returned:
  // the whole report when the transfer completed inside the call, 0 when it
  // was still under way (on Linux every write completes inside the call).
  std::uint32_t bytesReportedByCall = 0;
};

enum class LockStatus {
  Owned,  // this open interface is the reader's only user until Unlock
  Busy,   // another program (or another open of the same interface) kept it for the whole wait
};

// One open HID interface. Destroying it lets go of the lock and closes it.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  // The interface's vendor, product and version; nullopt when they cannot be read.
  virtual std::optional<HidAttributes> GetAttributes() = 0;

  // Report lengths from the interface's report description, asked anew on
  // every call; nullopt when the description cannot be had.
  virtual std::optional<ReportLengths> GetReportLengths() = 0;

  // The platform's check of an output report before it is written (setting
  // no usage, it changes no byte); false when the platform refuses the
  // report. A platform without such a check accepts every report.
  virtual bool PassesUsageCheck(std::span<const std::uint8_t> report) = 0;

  // Makes this open interface the reader's only user, so that no other
  // program writes a request or takes a reply in between: tried until waitMs
  // have passed. A platform that cannot lock at all says Owned.
  virtual LockStatus Lock(int waitMs) = 0;
  // Lets go of the lock; nothing when it is not held.
  virtual void Unlock() = 0;

  // Drops the input reports already waiting, without waiting for more, so
  // that a reply meant for someone else, or one that came after its read ran
  // out, is not taken for the reply to the next request.
  virtual void DiscardPendingReports() = 0;

  // Writes the whole report, waiting at most timeoutMs.
  virtual WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) = 0;

  // Reads one input report into buffer (at most buffer.size() bytes),
  // waiting at most timeoutMs. Byte 0 of the buffer is the report ID, 0 for
  // an interface without report IDs, whatever the platform hands over; the
  // report's data follows from byte 1.
  virtual TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
};

// How a walk of the HID interfaces ended.
enum class WalkEnd {
  Completed,     // every interface present was visited, or the visitor stopped the walk
  ListFailed,    // the list of interfaces could not be obtained; nothing was visited
  DetailFailed,  // an interface is there but its details (its path) could not be read; the walk stopped there
};
// An enumeration failure other than these ends the walk as its end does.

// Why an interface could not be opened.
enum class OpenFailure {
  NotFound,          // nothing at that path (any more)
  PermissionDenied,  // the interface is there, but the user may not open it
  Busy,              // the platform says another program holds it exclusively
  NotAHidInterface,  // what the path names is not a HID interface (checked before anything is written)
  Other,             // any other reason, or the platform does not tell
};

struct OpenResult {
  std::unique_ptr<HidDevice> device;  // null when the open failed
  OpenFailure failure = OpenFailure::Other;  // why, when device is null
};

class HidSystem {
 public:
  virtual ~HidSystem() = default;

  // Visits the path of each HID interface present, in the platform's order,
  // until visit returns false.
  virtual WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) = 0;

  // Opens an interface for reading and writing; other programs may open it too.
  virtual OpenResult Open(const std::string& path) = 0;

  // An interface's identity read without opening it, where the platform
  // keeps it elsewhere (sysfs on Linux); nullopt where it cannot be had.
  virtual std::optional<HidAttributes> IdentityWithoutOpening(const std::string&) { return std::nullopt; }

  // Blocks the calling thread.
  virtual void Pause(int milliseconds) = 0;
};

}  // namespace magcfg::reader
