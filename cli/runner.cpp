#include "cli/runner.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "cli/visible_text.h"
#include "platform/threads/run_each.h"
#include "reader/card_data.h"
#include "reader/discovery.h"
#include "res/exchange_notices.h"
#include "text/text_codec.h"

namespace magcfg::cli {
namespace {

using reader::CommandCode;
using reader::ExchangeResult;
using reader::ExchangeStatus;

std::string English(MessageKey key) { return std::string(MessageText(key, UiLanguage::English)); }

std::string ByteNote(std::string_view what, int index, std::uint8_t value) {
  char text[96];
  std::snprintf(text, sizeof text, "%.*s (byte %d is 0x%02X)", static_cast<int>(what.size()), what.data(), index,
                value);
  return text;
}

// Collects the notices of the exchange for the report, as the window's
// status line and message boxes would have shown them, and hands them and
// every report moved to the verbose log as they happen.
class ReaderNotices final : public reader::ExchangeObserver {
 public:
  ReaderNotices(const std::string& path, CommandCode code, VerboseLog* log)
      : path_(path), prefix_(path.empty() ? "" : Echoed(path, kEchoedPathCharacters) + ": "), code_(code), log_(log) {}
  ~ReaderNotices() override { LogReads(); }

  void WriteTimedOut() override { Note(WriteTimeoutNotice(code_).key); }
  void WriteCompleted(bool wholeReportInCall) override {
    if (const std::optional<Notice> notice = WriteDoneNotice(code_, wholeReportInCall)) Note(notice->key);
  }
  void ReportWritten(std::span<const std::uint8_t> report) override { Log("wrote " + Hex(report)); }
  void ReportRead(std::span<const std::uint8_t> report) override {
    if (log_ == nullptr) return;
    // Held back until the reply is decoded: its card numbers are masked
    // where the decoding found them.
    reads_.emplace_back(report.begin(), report.end());
  }

  // How the exchange ended. A failed transfer, or a reader another program
  // held, is said as what it is, not as the time-outs the window shows for it.
  void Ended(const ExchangeResult& result) {
    LogReads(result.card ? &*result.card : nullptr);
    failure = FailureText(result);
    if (!failure.empty()) {
      // The message is made visible where it is printed; the log line here.
      Log(Echo(failure, failure.size()));
      notices.push_back(failure);
      return;
    }
    for (const Notice& notice : EndNotices(result)) Note(notice.key);
  }

  std::vector<std::string> notices;
  std::string failure;  // what the failed transfer or the busy reader was

 private:
  std::string FailureText(const ExchangeResult& result) const {
    if (result.status == ExchangeStatus::ReaderBusy) {
      return "The reader is busy: another program is using " + CutForMessage(path_, kEchoedPathCharacters);
    }
    if (result.status != ExchangeStatus::TransferFailed && result.status != ExchangeStatus::ReaderGone) return {};
    std::string text = result.failedTransfer == reader::Transfer::Write ? "The request could not be sent: "
                                                                        : "The reply could not be read: ";
    return text + (result.status == ExchangeStatus::ReaderGone ? "the reader is gone" : "the transfer failed");
  }

  // Logs the reports still held back; decoded: what a card read made of them.
  void LogReads(const reader::CardReadResult* decoded = nullptr) {
    if (reads_.empty()) return;
    if (log_->MaskCardData()) reader::MaskCardData(reads_, decoded);
    for (const auto& read : reads_) log_->Line(prefix_ + "read " + Hex(read));
    reads_.clear();
  }
  void Note(MessageKey key) {
    const std::string text = English(key);
    Log(text);
    if (notices.empty() || notices.back() != text) notices.push_back(text);
  }
  void Log(const std::string& line) {
    if (log_ == nullptr) return;
    LogReads();
    log_->Line(prefix_ + line);
  }

  std::string path_;
  std::string prefix_;
  CommandCode code_;
  VerboseLog* log_;
  std::vector<std::vector<std::uint8_t>> reads_;
};

void Conclude(ReaderReport& report, ExitCode exit, MessageKey key) {
  report.exit = exit;
  report.key = key;
  report.message = English(key);
}

void Conclude(ReaderReport& report, ExitCode exit, std::string message) {
  report.exit = exit;
  report.key.reset();
  report.message = std::move(message);
}

std::string CutNote(const reader::CardReadResult::Cut& cut) {
  if (cut.announced < 0) {
    char text[64];
    std::snprintf(text, sizeof text, "length byte 0x%02X is no length", static_cast<unsigned>(cut.announced & 0xFF));
    return text;
  }
  return std::to_string(cut.announced) + " bytes announced, " + std::to_string(cut.received) + " arrived";
}

std::string HeaderNote(const std::array<std::uint8_t, 2>& header, CommandCode code) {
  char text[96];
  std::snprintf(text, sizeof text, "it starts %02X %02X, not 02 %02X", header[0], header[1],
                static_cast<unsigned>(code));
  return text;
}

// The answer's reading, with the texts the window shows for it.
void ConcludeAnswer(ReaderReport& report, const CommandRequest& request, const ExchangeResult& result) {
  if (result.unexpectedHeader) report.unexpectedFrame = HeaderNote(*result.unexpectedHeader, result.code);
  const std::optional<Notice> named = AnswerNotice(result);
  switch (request.command) {
    case Command::SetFormat:
      if (!named) return Conclude(report, ExitCode::Refused, ByteNote("No verdict in the reply", 3, result.format->byte3));
      return Conclude(report, result.format->verdict == reader::FormatVerdict::Accepted ? ExitCode::Success
                                                                                        : ExitCode::Refused,
                      named->key);
    case Command::Mode: return Conclude(report, ExitCode::Success, named->key);
    case Command::Status:
      if (!named) {
        return Conclude(report, ExitCode::Refused,
                        ByteNote("Unknown card status in the reply", 4, result.cardStatus->byte4));
      }
      report.cardStatus = result.cardStatus->status;
      return Conclude(report, ExitCode::Success, named->key);
    case Command::Version: {
      const std::string text = BytesToText(*result.versionText);
      report.versionText = text;
      return Conclude(report, ExitCode::Success, text);
    }
    case Command::Read: {
      const reader::CardReadResult& card = *result.card;
      switch (card.kind) {
        case reader::CardReadResult::Kind::Tracks: {
          std::array<std::optional<std::string>, 3> tracks;
          for (std::size_t i = 0; i < 3; ++i) {
            if (card.tracks[i]) tracks[i] = BytesToText(*card.tracks[i]);
            if (const auto& cut = card.cut[i]) report.truncated[i] = CutNote(*cut);
          }
          report.tracks = tracks;
          return Conclude(report, ExitCode::Success, MessageKey::CommandSent);
        }
        case reader::CardReadResult::Kind::Refused: return Conclude(report, ExitCode::Refused, named->key);
        case reader::CardReadResult::Kind::Nothing:
          return Conclude(report, ExitCode::Refused, "No track data in the reply");
      }
      return;
    }
    case Command::List:
    case Command::Preview:
    case Command::Watch:
    case Command::Swipes: return;
  }
}

// How the exchange ended; failure tells what a failed transfer was, or that
// the reader was busy.
void Conclude(ReaderReport& report, const CommandRequest& request, const ExchangeResult& result,
              const std::string& failure) {
  switch (result.status) {
    case ExchangeStatus::Answered: return ConcludeAnswer(report, request, result);
    case ExchangeStatus::NotConnected: return Conclude(report, ExitCode::NoReader, MessageKey::NotConnected);
    case ExchangeStatus::NoTrackOutput: return Conclude(report, ExitCode::Usage, MessageKey::SelectTrack);
    case ExchangeStatus::NoReportDescription: return Conclude(report, ExitCode::Failed, MessageKey::NoPreparsed);
    case ExchangeStatus::ReportTooShort:
      return Conclude(report, ExitCode::Failed, MessageKey::ReportLengthUnsupported);
    case ExchangeStatus::UsageRefused:
      // The window ends silently here; a script needs to hear of it.
      return Conclude(report, ExitCode::Failed, "The platform refused the output report (HID usage check)");
    case ExchangeStatus::ReaderBusy: return Conclude(report, ExitCode::Busy, failure);
    case ExchangeStatus::WriteTimedOut:
      return Conclude(report, ExitCode::TimedOut, WriteTimeoutNotice(result.code).key);
    case ExchangeStatus::NoReply: return Conclude(report, ExitCode::TimedOut, ReadTimeoutNotice(result.code).key);
    case ExchangeStatus::ReaderGone: return Conclude(report, ExitCode::NoReader, failure);
    case ExchangeStatus::TransferFailed: return Conclude(report, ExitCode::Failed, failure);
  }
}

reader::ExchangeRequest CommandOf(const CommandRequest& request) {
  using reader::ExchangeRequest;
  switch (request.command) {
    case Command::SetFormat: return ExchangeRequest::SetFormat(request.format);
    case Command::Mode:
      return ExchangeRequest::Plain(request.mode == UploadMode::Active ? CommandCode::ActiveMode
                                                                       : CommandCode::PassiveMode);
    case Command::Status: return ExchangeRequest::Plain(CommandCode::CardStatus);
    case Command::Read: return ExchangeRequest::ReadCard(request.trackSelection);
    case Command::Version:
    case Command::List:
    case Command::Preview:
    case Command::Watch:
    case Command::Swipes: break;
  }
  // Commands other than set-format carry no track choice, and the command
  // line has no panel to leave empty: for them the track pre-check passes.
  return ExchangeRequest::Plain(CommandCode::Version);
}

reader::ExchangeRequest ExchangeRequestOf(const CommandRequest& request) {
  reader::ExchangeRequest exchange = CommandOf(request);
  exchange.lockWaitMs = request.waitMs;
  return exchange;
}

ReaderReport SystemFailure(MessageKey key) {
  ReaderReport report;
  Conclude(report, ExitCode::Failed, key);
  report.notices.push_back(report.message);
  return report;
}

ReaderReport AccessRefusedAt(const std::string& path) {
  ReaderReport report;
  report.path = path;
  Conclude(report, ExitCode::PermissionDenied, AccessRefusedNote(path));
  report.notices.push_back(report.message);
  return report;
}

ReaderReport NoReaderAt(reader::ReaderSession& closed, const std::string& path, const CommandRequest& request,
                        VerboseLog* log) {
  ReaderReport report = RunCommand(closed, path, request, log);
  report.path = path;
  report.message += " (no reader at " + CutForMessage(path, kEchoedPathCharacters) + ")";
  return report;
}

}  // namespace

std::string AccessRefusedNote(const std::string& path) {
  return "Found the card reader at " + CutForMessage(path, kEchoedPathCharacters) +
         ", but access to it was refused; install the udev rule (magcfg-cli --print-udev-rules | sudo tee "
         "/etc/udev/rules.d/70-magcfg.rules, then sudo udevadm control --reload && sudo udevadm trigger) and "
         "plug the reader in again";
}

void VerboseLog::Line(const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  out_ << line << '\n';
  out_.flush();
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) text.push_back(' ');
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

ReaderReport RunCommand(reader::ReaderSession& session, const std::string& path, const CommandRequest& request,
                        VerboseLog* log) {
  ReaderReport report;
  if (session.IsOpen()) report.path = path;
  const reader::ExchangeRequest exchange = ExchangeRequestOf(request);
  ReaderNotices notices(session.IsOpen() ? path : std::string(), exchange.code, log);
  const ExchangeResult result = session.Run(exchange, &notices);
  notices.Ended(result);
  Conclude(report, request, result, notices.failure);
  report.notices = std::move(notices.notices);
  return report;
}

std::vector<ReaderReport> RunOnReaders(reader::HidSystem& system, ReaderChoice choice, const std::string& path,
                                       const CommandRequest& request, VerboseLog* log) {
  if (choice == ReaderChoice::First) {
    reader::ReaderSession session(system);
    const reader::Opening opened = session.OpenFirst();
    if (opened.outcome == reader::OpenOutcome::ListFailed) return {SystemFailure(MessageKey::EnumFailed)};
    if (opened.outcome == reader::OpenOutcome::DetailFailed) return {SystemFailure(MessageKey::DetailFailed)};
    if (opened.outcome == reader::OpenOutcome::AccessDenied) return {AccessRefusedAt(opened.path)};
    return {RunCommand(session, opened.path, request, log)};
  }

  if (choice == ReaderChoice::Path) {
    reader::ReaderSession session(system);
    const reader::Opening opened = session.OpenAt(path);
    if (opened.outcome == reader::OpenOutcome::AccessDenied) return {AccessRefusedAt(path)};
    if (opened.outcome != reader::OpenOutcome::Opened) return {NoReaderAt(session, path, request, log)};
    return {RunCommand(session, path, request, log)};
  }

  reader::FindOutcome walked = reader::FindOutcome::NotFound;
  std::string refused;
  const std::vector<reader::ReaderInfo> readers = reader::ListReaders(system, &walked, &refused);
  if (walked == reader::FindOutcome::ListFailed) return {SystemFailure(MessageKey::EnumFailed)};
  if (readers.empty()) {
    if (walked == reader::FindOutcome::DetailFailed) return {SystemFailure(MessageKey::DetailFailed)};
    if (walked == reader::FindOutcome::AccessDenied) return {AccessRefusedAt(refused)};
    reader::ReaderSession none(system);
    return {RunCommand(none, std::string(), request, log)};
  }

  // Opened one after the other: the platform's services need not be safe to
  // call from several threads. Each session then belongs to one thread.
  std::vector<std::unique_ptr<reader::ReaderSession>> sessions;
  sessions.reserve(readers.size());
  for (const reader::ReaderInfo& info : readers) {
    sessions.push_back(std::make_unique<reader::ReaderSession>(system));
    sessions.back()->OpenAt(info.path);
  }

  std::vector<ReaderReport> reports(readers.size());
  std::vector<std::function<void()>> jobs;
  jobs.reserve(readers.size());
  for (std::size_t i = 0; i < readers.size(); ++i) {
    jobs.emplace_back([&reports, &readers, &sessions, &request, log, i] {
      const std::string& readerPath = readers[i].path;
      reader::ReaderSession& session = *sessions[i];
      reports[i] = session.IsOpen() ? RunCommand(session, readerPath, request, log)
                                    : NoReaderAt(session, readerPath, request, log);
      session.Close();  // closed by the thread that used it
    });
  }
  platform::RunEachOnItsOwnThread(jobs);
  // The walk stopped early: readers after that point were not seen.
  if (walked == reader::FindOutcome::DetailFailed) reports.push_back(SystemFailure(MessageKey::DetailFailed));
  return reports;
}

ExitCode WorstExit(std::span<const ReaderReport> reports) {
  ExitCode worst = ExitCode::Success;
  for (const ReaderReport& report : reports) worst = Worse(worst, report.exit);
  return worst;
}

}  // namespace magcfg::cli
