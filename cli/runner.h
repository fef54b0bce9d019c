// Runs one command on the readers chosen: the first one found, the one at a
// path, or every one attached, each in a thread of its own. Every reader's
// run is one exchange of a reader session, as a press of the window's button
// runs it, and ends in a report saying what happened.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/options.h"
#include "reader/frames.h"
#include "reader/hid_port.h"
#include "reader/reader_session.h"
#include "res/texts.h"

namespace magcfg::cli {

struct CommandRequest {
  Command command = Command::Status;
  reader::OutputFormat format;  // set-format
  UploadMode mode = UploadMode::Active;
  std::uint8_t trackSelection = 0;  // read
  int waitMs = kDefaultWaitMs;      // for a reader another program is using
};

using CardStatus = reader::CardStatus;

struct ReaderReport {
  std::optional<std::string> path;  // nullopt when no reader was found
  ExitCode exit = ExitCode::Failed;
  // The last word, in English: a catalogue text when key is set.
  std::optional<MessageKey> key;
  std::string message;
  // Every notice the exchange gave, in order, as the window's status line
  // and message boxes would have shown them (a box repeating the status
  // line counts once).
  std::vector<std::string> notices;
  std::optional<std::string> versionText;  // version, as UTF-8
  std::optional<CardStatus> cardStatus;    // status
  // read, when the reply carried tracks: each track's text (UTF-8), or
  // nullopt for a blank track.
  std::optional<std::array<std::optional<std::string>, 3>> tracks;
  // read: how each track fell short of what its length announced, as a
  // note ("127 bytes announced, 60 arrived"); nullopt for a whole track.
  std::array<std::optional<std::string>, 3> truncated;
  // The reply did not start with STX and the command's code: what came
  // instead. Its reading stands, marked as not to be trusted.
  std::optional<std::string> unexpectedFrame;
};

// The one line for a reader at `path` that the user may not open, with the fix.
std::string AccessRefusedNote(const std::string& path);

// Writes the diagnostics of --verbose, one whole line at a time, from any
// thread.
class VerboseLog {
 public:
  // maskCardData: card numbers in the reports logged are masked (as their
  // bytes, before they become hexadecimal).
  explicit VerboseLog(std::ostream& out, bool maskCardData = true) : maskCardData_(maskCardData), out_(out) {}
  void Line(const std::string& line);
  bool MaskCardData() const { return maskCardData_; }

 private:
  const bool maskCardData_;
  std::mutex mutex_;
  std::ostream& out_;
};

// Runs the command on the session's reader (when none is open, the exchange
// says so).
ReaderReport RunCommand(reader::ReaderSession& session, const std::string& path, const CommandRequest& request,
                        VerboseLog* log);

// Chooses the readers and runs the command on each. One report per reader,
// in the platform's order; one report with no path when none is there.
std::vector<ReaderReport> RunOnReaders(reader::HidSystem& system, ReaderChoice choice, const std::string& path,
                                       const CommandRequest& request, VerboseLog* log);

// The worst exit status of the reports.
ExitCode WorstExit(std::span<const ReaderReport> reports);

// Bytes as upper-case hexadecimal pairs, separated by spaces.
std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace magcfg::cli
