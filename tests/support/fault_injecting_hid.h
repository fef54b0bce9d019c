// A HID system that wraps another one, as a storage engine's tests wrap its
// file system: every call goes through to the wrapped system and its
// devices unless a test has armed a fault for it. It also keeps the books a
// test needs to show that nothing is left behind: every call counted, which
// interfaces are open, and what the program did that it must not.
//
// Faults are chosen by call number. Each kind of call is numbered from 0 in
// the order the program makes it, counted over all walks and devices, and
// the numbering starts afresh with ResetCounts().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "reader/hid_port.h"

namespace magcfg::test {

// Which calls of one kind a fault hits: the numbers from `first` up to, not
// including, `end`.
struct CallSelection {
  int first = -1;  // -1: none
  int end = -1;    // -1: no end

  static CallSelection None() { return {}; }
  static CallSelection All() { return {0, -1}; }
  static CallSelection Only(int call) { return {call, call + 1}; }
  static CallSelection From(int call) { return {call, -1}; }

  bool Contains(int call) const { return first >= 0 && call >= first && (end < 0 || call < end); }
};

// How an unplugged reader's transfers end.
enum class UnplugMode {
  TimesOut,    // each wait runs its whole time-out (an overlapped transfer that never completes)
  EndsAtOnce,  // each transfer fails at once as ReaderGone, delivering nothing (hidraw's ENODEV, a hang-up)
};

// Rewrites the bytes of a read that completed; readIndex is the read's call number.
using ReplyRewrite = std::function<void(std::span<std::uint8_t> report, int readIndex)>;

struct HidFaults {
  // --- The walk. Interfaces are numbered as the walks meet them, over all
  // walks; a walk broken off at one does not visit it.
  CallSelection failList;         // walks whose list cannot be had: ListFailed, nothing visited
  CallSelection failDetail;       // interfaces whose details cannot be read: the walk stops there, DetailFailed
  CallSelection failEnumeration;  // interfaces the platform fails to enumerate: the walk ends there, as at its end

  // --- Opening an interface and reading its identity
  CallSelection refuseOpen;  // Open calls that yield no device, with openFailure
  reader::OpenFailure openFailure = reader::OpenFailure::Other;
  CallSelection failAttributes;  // GetAttributes calls that yield nothing

  // --- The lock: Lock calls that find the reader held by another program
  // for their whole wait (Busy, not passed on).
  CallSelection busyLocks;

  // --- The report description, on every open interface
  std::optional<reader::ReportLengths> reportLengths;  // replaces what the interface reports
  bool noReportLengths = false;                        // the description cannot be had
  bool refuseUsageCheck = false;

  // --- Transfers. A write or read made to time out is not passed on: the
  // request never reaches the reader, the reply is not taken from it.
  CallSelection writeTimeouts;
  CallSelection readTimeouts;
  // Transfers made to fail at once with transferFailure (Failed or
  // ReaderGone), likewise not passed on.
  CallSelection writeFailures;
  CallSelection readFailures;
  reader::TransferStatus transferFailure = reader::TransferStatus::Failed;
  // At this transfer (writes and reads numbered together) the interfaces
  // open then are unplugged: from it on, each of their transfers ends as
  // unplugMode says, their attributes cannot be read, and their paths no
  // longer open.
  int unplugAtTransfer = -1;
  UnplugMode unplugMode = UnplugMode::TimesOut;
  // A completed read delivers only this many bytes; the rest of the buffer
  // is left zero.
  std::optional<std::size_t> shortReadBytes;
  // Applied to each completed read, before a short read cuts it.
  ReplyRewrite rewriteReply;
  // Called with each transfer's number before anything else is done with
  // it, so that a test can act at an exact point of an exchange (hang up a
  // real device's other end, say).
  std::function<void(int transfer)> beforeTransfer;
};

// Every call the program made, by kind, since the last ResetCounts().
struct HidCallCounts {
  int walks = 0;
  int enumerations = 0;  // interfaces the walks met, those a fault broke a walk off at included
  int opens = 0;         // Open calls, successful or not
  int opened = 0;        // Open calls that yielded a device
  int closes = 0;        // devices destroyed
  int attributeReads = 0;
  int lengthQueries = 0;
  int usageChecks = 0;
  int locks = 0;  // Lock calls, whatever they found
  int unlocks = 0;
  int writes = 0;
  int reads = 0;
  int discards = 0;  // DiscardPendingReports calls
  int pauses = 0;
  int timeouts = 0;  // transfers that ended by running out, injected or not
  int failures = 0;  // transfers that failed, injected or not
};

class FaultInjectingHid final : public reader::HidSystem {
 public:
  // inner must outlive every device handed out.
  explicit FaultInjectingHid(reader::HidSystem& inner);
  ~FaultInjectingHid() override;
  FaultInjectingHid(const FaultInjectingHid&) = delete;
  FaultInjectingHid& operator=(const FaultInjectingHid&) = delete;

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;
  // An unplugged interface's path opens no more: NotFound.
  reader::OpenResult Open(const std::string& path) override;
  void Pause(int milliseconds) override;
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override;

  // The faults in force; a test may change them between calls.
  HidFaults& Faults();
  // Unplugs the interfaces open now: their next transfer is the first to fail.
  void Unplug(UnplugMode mode);

  const HidCallCounts& Counts() const;
  // Starts every count, and so every call numbering, from 0 again. What is
  // open is kept.
  void ResetCounts();

  // Paths of the interfaces open now, in the order they were opened.
  std::vector<std::string> OpenPaths() const;
  // What the program did that it must not: a write, read or discard on an
  // interface it had not locked, a write or read of another length than
  // the interface's report length. Empty when clean.
  const std::vector<std::string>& Violations() const;
  // Milliseconds that injected time-outs stood for. They are not slept or
  // passed to the wrapped system's clock: add them to its elapsed time.
  std::int64_t InjectedWaitMs() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// --- Ready-made rewrites.

// The report's bytes become `bytes` (byte 0 the report ID), cut to the
// buffer, and every byte after them 0.
ReplyRewrite ReplaceReply(std::vector<std::uint8_t> bytes);
// Every byte of the report from byte 1 on becomes pseudo-random, the same
// for the same seed and read; byte 0 stays the report ID.
ReplyRewrite GarbageReply(std::uint32_t seed);
// Every byte of the report becomes `value`.
ReplyRewrite FillReply(std::uint8_t value);

}  // namespace magcfg::test
