// One reader and the commands run on it. A session opens a reader (the
// first one found, or the one at a path), holds it open until it is closed,
// and runs each command as one exchange during which the reader is this
// program's alone: take the lock, drop the reports already waiting, write
// the request, read every report of the reply, let go. What happened comes
// back as a value: one status, and the reply's reading for the command that
// asked. The window and the command line only present it; the steps they
// show while the exchange is still under way reach them through an
// observer, at the moment they happen.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "reader/commands.h"
#include "reader/frames.h"
#include "reader/hid_port.h"
#include "reader/replies.h"

namespace magcfg::reader {

struct ExchangeRequest {
  CommandCode code = CommandCode::CardStatus;
  // The command's payload; only its first ParametersFor(code).payloadLength
  // bytes are sent.
  std::array<std::uint8_t, 8> payload{};
  // The track pre-check: at least one track output is chosen. It stands for
  // every command, also for those whose request carries no track choice.
  bool anyTrackOutput = true;
  // How long to wait for a reader that another program is using; the
  // command's own write time-out when not given.
  std::optional<int> lockWaitMs = std::nullopt;

  // The set-format request; the track pre-check follows the format's tracks.
  static ExchangeRequest SetFormat(const OutputFormat& format);
  static ExchangeRequest ReadCard(std::uint8_t trackSelection);
  // Version, the two upload modes and the card status, which carry no payload.
  static ExchangeRequest Plain(CommandCode code);
};

enum class ExchangeStatus {
  Answered,             // a reply was read: the command's value holds its reading
  NotConnected,         // no reader open: nothing sent
  NoTrackOutput,        // no track output chosen: nothing sent
  NoReportDescription,  // the reader's report description could not be had: nothing sent
  ReportTooShort,       // the reader's output report cannot hold the frame: nothing sent
  UsageRefused,         // the platform's usage check refused the request: nothing sent
  ReaderBusy,           // another program kept the reader for the whole wait: nothing sent
  WriteTimedOut,        // the write ran out, and the command reads no reply after that (the card read)
  NoReply,              // no reply came in time
  TransferFailed,       // a transfer failed at once (failedTransfer says which): no reply read
  ReaderGone,           // a transfer found the reader gone (unplugged): no reply read
};

enum class Transfer { Write, Read };

// The request got past the usage check: it went out, or was about to.
bool GotPastUsageCheck(ExchangeStatus status);

struct ExchangeResult {
  CommandCode code = CommandCode::CardStatus;
  ExchangeStatus status = ExchangeStatus::NotConnected;
  Transfer failedTransfer = Transfer::Write;  // for TransferFailed and ReaderGone

  // When Answered, the reading of the reply, in the field of the command
  // that was run (the upload modes have none: any reply in time is theirs).
  std::optional<FormatReply> format;
  std::optional<std::string> versionText;  // bytes, as the reader sent them
  std::optional<CardStatusReply> cardStatus;
  std::optional<CardReadResult> card;
  // When Answered: the reply's first two bytes when they are not STX and
  // the command's code. The reading above stands all the same.
  std::optional<std::array<std::uint8_t, 2>> unexpectedHeader;
};

// The steps of an exchange that the front ends show while it is under way,
// told as they happen on the thread that runs the exchange, the reader still
// held: whatever the observer does before it returns (a modal box) holds the
// exchange there.
class ExchangeObserver {
 public:
  virtual ~ExchangeObserver() = default;
  // The write ran out. The read still follows, unless the command stops
  // after a write time-out.
  virtual void WriteTimedOut() {}
  // The write completed. wholeReportInCall: the platform's write call itself
  // reported the whole report written (the transfer completed inside it).
  virtual void WriteCompleted(bool /*wholeReportInCall*/) {}
  // Every report written, and every report read (each of a card reply's).
  virtual void ReportWritten(std::span<const std::uint8_t>) {}
  virtual void ReportRead(std::span<const std::uint8_t>) {}
};

enum class OpenOutcome {
  Opened,        // the session holds the reader
  NotFound,      // no reader: none among the interfaces, or nothing at the path that opens and tells its identity
  NotAReader,    // the interface at the path is another device
  AccessDenied,  // a reader is there (path), but the user may not open it
  ListFailed,    // the list of HID interfaces could not be had
  DetailFailed,  // an interface's details could not be read: the search stopped there
};

struct Opening {
  OpenOutcome outcome = OpenOutcome::NotFound;
  std::string path;  // the reader's, when Opened or AccessDenied
  std::uint16_t versionNumber = 0;
};

// A session and its reader belong to one thread at a time.
class ReaderSession {
 public:
  explicit ReaderSession(HidSystem& system);
  ~ReaderSession();
  ReaderSession(const ReaderSession&) = delete;
  ReaderSession& operator=(const ReaderSession&) = delete;

  // The first reader in the platform's order, as Find Device finds it. Any
  // reader open before is closed first. Does not pause.
  Opening OpenFirst();
  // The interface at path, if it is the reader. Any reader open before is
  // closed first.
  Opening OpenAt(const std::string& path);
  void Close();
  bool IsOpen() const { return device_ != nullptr; }

  // Runs the request as one exchange. Nothing is left outstanding and the
  // reader is let go when it returns.
  ExchangeResult Run(const ExchangeRequest& request, ExchangeObserver* observer = nullptr);

 private:
  HidSystem& system_;
  std::unique_ptr<HidDevice> device_;  // null: no reader open
};

}  // namespace magcfg::reader
