// One request and its reply: the two pre-checks, the output report written
// with its time-out, the input report read back with its time-out, and the
// notices of each step. Every reader command runs exactly one.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "reader/commands.h"
#include "reader/hid_port.h"
#include "res/texts.h"

namespace magcfg::reader {

enum class Transfer { Write, Read };

// Where the exchange's notices go. The window shows them in its status line
// and message boxes; a command line prints them.
class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  virtual void Status(MessageKey key) = 0;
  // A box with the message as its text and the given title.
  virtual void ErrorBox(MessageKey key, std::string_view title) = 0;
  // The two boxes that carry the message in the title and "Error" as text.
  virtual void MessageAsTitleBox(MessageKey key) = 0;
  // A transfer failed at once (the reader is gone, or the platform reported
  // an error). Returns true when the sink has told of it itself; otherwise
  // the exchange shows what that transfer's time-out shows, which is what a
  // window has always shown for it: a transfer that fails at once never
  // signals completion there, so its wait runs out.
  virtual bool TransferFailed(Transfer, TransferStatus) { return false; }
  // Every report written and read, for diagnostics.
  virtual void ReportWritten(std::span<const std::uint8_t>) {}
  virtual void ReportRead(std::span<const std::uint8_t>) {}
};

enum class ExchangeOutcome {
  NotConnected,     // no reader open: nothing sent
  NoTrackOutput,    // no track output box ticked: nothing sent
  NoPreparsed,      // the report description could not be had: nothing sent
  ReportTooShort,   // the output report cannot hold the frame: nothing sent
  UsageRefused,     // the usage check refused the report: nothing sent, no notice
  WriteTimedOut,    // the write ran out and the command reads no reply
  ReplyTimedOut,    // written; no reply in time
  ReplyReceived,    // written and a reply read
  TransferFailed,   // the write or the reply's read failed at once; no reply read
  ReaderGone,       // a transfer found the reader gone (unplugged); no reply read
};

// Whether the request went out, so the exchange got past the usage check.
inline bool GotPastUsageCheck(ExchangeOutcome outcome) {
  return outcome == ExchangeOutcome::WriteTimedOut || outcome == ExchangeOutcome::ReplyTimedOut ||
         outcome == ExchangeOutcome::ReplyReceived || outcome == ExchangeOutcome::TransferFailed ||
         outcome == ExchangeOutcome::ReaderGone;
}

// Reads the reports that follow the first one, each with the command's read
// time-out, into the same buffer.
class FurtherReports {
 public:
  FurtherReports(HidDevice& device, std::vector<std::uint8_t>& buffer, std::size_t inputLength,
                 int timeoutMs, NoticeSink& sink)
      : device_(device), buffer_(buffer), inputLength_(inputLength), timeoutMs_(timeoutMs), sink_(sink) {}

  // Zero-fills the buffer and reads the next report. A read that runs out
  // or fails ends the series: false, without a notice.
  bool Next();
  std::span<const std::uint8_t> Report() const { return buffer_; }

 private:
  HidDevice& device_;
  std::vector<std::uint8_t>& buffer_;
  std::size_t inputLength_;
  int timeoutMs_;
  NoticeSink& sink_;
};

// Interprets the first report of a reply (the whole input buffer, at least
// 1024 bytes, byte 0 the report ID); may read further reports.
using ReplyHandler = std::function<void(std::span<const std::uint8_t> reply, std::size_t inputLength,
                                        FurtherReports& further)>;

struct ExchangeRequest {
  CommandCode code;
  std::span<const std::uint8_t> payload;
};

// reader is null while no reader is open. anyTrackOutput tells whether at
// least one track output box is ticked.
ExchangeOutcome RunReportExchange(HidDevice* reader, bool anyTrackOutput, const ExchangeRequest& request,
                                  NoticeSink& sink, const ReplyHandler& onReply);

}  // namespace magcfg::reader
