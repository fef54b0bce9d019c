#include "cli/runner.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if __has_include(<pthread.h>)
#include <pthread.h>
#endif

#include "cli/visible_text.h"
#include "reader/card_read.h"
#include "reader/discovery.h"
#include "reader/reader_identity.h"
#include "reader/replies.h"
#include "reader/report_exchange.h"
#include "text/text_codec.h"

namespace magcfg::cli {
namespace {

using reader::CommandCode;
using reader::ExchangeOutcome;

std::string English(MessageKey key) { return std::string(MessageText(key, UiLanguage::English)); }

std::string ByteNote(std::string_view what, int index, std::uint8_t value) {
  char text[96];
  std::snprintf(text, sizeof text, "%.*s (byte %d is 0x%02X)", static_cast<int>(what.size()), what.data(), index,
                value);
  return text;
}

// Collects the exchange's notices for the report, and hands them and every
// report moved to the verbose log as they happen.
class ReaderNotices final : public reader::NoticeSink {
 public:
  ReaderNotices(const std::string& path, VerboseLog* log)
      : prefix_(path.empty() ? "" : Echoed(path, kEchoedPathCharacters) + ": "), log_(log) {}
  ~ReaderNotices() override { LogReads(); }

  void Status(MessageKey key) override { Note(key); }
  void ErrorBox(MessageKey key, std::string_view) override { Note(key); }
  void MessageAsTitleBox(MessageKey key) override { Note(key); }
  // A failed transfer is said as what it is, not as the time-out the window
  // shows for it.
  bool TransferFailed(reader::Transfer transfer, reader::TransferStatus status) override {
    failure = FailureText(transfer, status);
    Log(failure);
    notices.push_back(failure);
    return true;
  }

  void ReportWritten(std::span<const std::uint8_t> report) override { Log("wrote " + Hex(report)); }
  void ReportRead(std::span<const std::uint8_t> report) override {
    if (log_ == nullptr) return;
    // Held back until the reply is decoded: its card numbers are masked
    // where the decoding found them.
    reads_.emplace_back(report.begin(), report.end());
  }

  // Logs the reports still held back; decoded: what a card read made of them.
  void LogReads(const reader::CardReadResult* decoded = nullptr) {
    if (reads_.empty()) return;
    if (log_->MaskCardData()) reader::MaskCardData(reads_, decoded);
    for (const auto& read : reads_) log_->Line(prefix_ + "read " + Hex(read));
    reads_.clear();
  }

  std::vector<std::string> notices;
  std::string failure;  // what the failed transfer was, if one failed

 private:
  static std::string FailureText(reader::Transfer transfer, reader::TransferStatus status) {
    std::string text = transfer == reader::Transfer::Write ? "The request could not be sent: "
                                                           : "The reply could not be read: ";
    return text + (status == reader::TransferStatus::ReaderGone ? "the reader is gone" : "the transfer failed");
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

  std::string prefix_;
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

// How an exchange that got no reply ended; failure tells what a failed
// transfer was.
void ConcludeWithoutReply(ReaderReport& report, ExchangeOutcome outcome, CommandCode code,
                          const std::string& failure) {
  switch (outcome) {
    case ExchangeOutcome::NotConnected: return Conclude(report, ExitCode::NoReader, MessageKey::NotConnected);
    case ExchangeOutcome::NoTrackOutput: return Conclude(report, ExitCode::Usage, MessageKey::SelectTrack);
    case ExchangeOutcome::NoPreparsed: return Conclude(report, ExitCode::Failed, MessageKey::NoPreparsed);
    case ExchangeOutcome::ReportTooShort:
      return Conclude(report, ExitCode::Failed, MessageKey::ReportLengthUnsupported);
    case ExchangeOutcome::UsageRefused:
      // The window ends silently here; a script needs to hear of it.
      return Conclude(report, ExitCode::Failed, "The platform refused the output report (HID usage check)");
    case ExchangeOutcome::WriteTimedOut: return Conclude(report, ExitCode::TimedOut, MessageKey::SendTimeout);
    case ExchangeOutcome::ReplyTimedOut:
      return Conclude(report, ExitCode::TimedOut, reader::ParametersFor(code).readTimeoutNotice);
    case ExchangeOutcome::ReaderGone: return Conclude(report, ExitCode::NoReader, failure);
    case ExchangeOutcome::TransferFailed: return Conclude(report, ExitCode::Failed, failure);
    case ExchangeOutcome::ReplyReceived: break;
  }
}

CommandCode CodeOf(const CommandRequest& request) {
  switch (request.command) {
    case Command::SetFormat: return CommandCode::SetFormat;
    case Command::Mode: return request.mode == UploadMode::Active ? CommandCode::ActiveMode : CommandCode::PassiveMode;
    case Command::Status: return CommandCode::CardStatus;
    case Command::Read: return CommandCode::ReadCard;
    case Command::Version:
    case Command::List:
    case Command::Preview:
    case Command::Watch: break;
    case Command::Swipes: break;
  }
  return CommandCode::Version;
}

std::string CutNote(const reader::CardReadResult::Cut& cut) {
  if (cut.announced < 0) {
    char text[64];
    std::snprintf(text, sizeof text, "length byte 0x%02X is no length", static_cast<unsigned>(cut.announced & 0xFF));
    return text;
  }
  return std::to_string(cut.announced) + " bytes announced, " + std::to_string(cut.received) + " arrived";
}

// Every reply starts with STX and the code of the command it answers.
std::optional<std::string> UnexpectedFrame(std::span<const std::uint8_t> reply, CommandCode code) {
  const std::uint8_t stx = reply.size() > 1 ? reply[1] : 0;
  const std::uint8_t command = reply.size() > 2 ? reply[2] : 0;
  if (stx == 0x02 && command == static_cast<std::uint8_t>(code)) return std::nullopt;
  char text[96];
  std::snprintf(text, sizeof text, "it starts %02X %02X, not 02 %02X", stx, command,
                static_cast<unsigned>(code));
  return text;
}

// The reply's reading, as each of the window's handlers reads it.
void ReadReply(ReaderReport& report, const CommandRequest& request, std::span<const std::uint8_t> reply,
               std::size_t inputLength, reader::FurtherReports& further,
               std::optional<reader::CardReadResult>& decoded) {
  switch (request.command) {
    case Command::SetFormat:
      switch (reader::ReadFormatVerdict(reply)) {
        case reader::FormatVerdict::Accepted: return Conclude(report, ExitCode::Success, MessageKey::FormatOk);
        case reader::FormatVerdict::Refused: return Conclude(report, ExitCode::Refused, MessageKey::FormatFailed);
        case reader::FormatVerdict::None:
          return Conclude(report, ExitCode::Refused, ByteNote("No verdict in the reply", 3, reply[3]));
      }
      return;
    case Command::Mode:
      // Any reply in time is the success; its content is not examined.
      return Conclude(report, ExitCode::Success,
                      request.mode == UploadMode::Active ? MessageKey::ActiveModeSet : MessageKey::PassiveModeSet);
    case Command::Status: {
      const std::optional<MessageKey> status = reader::CardStatusMessage(reply);
      if (!status) return Conclude(report, ExitCode::Refused, ByteNote("Unknown card status in the reply", 4, reply[4]));
      report.cardStatus = *status == MessageKey::NoSwipe       ? CardStatus::NoSwipe
                          : *status == MessageKey::SwipeFailed ? CardStatus::SwipeFailed
                                                               : CardStatus::SwipeOk;
      return Conclude(report, ExitCode::Success, *status);
    }
    case Command::Version: {
      const std::string text = BytesToText(reader::ExtractVersionText(reply, inputLength));
      report.versionText = text;
      return Conclude(report, ExitCode::Success, text);
    }
    case Command::Read: {
      const reader::CardReadResult& result = decoded.emplace(reader::ReadCardReply(reply, further));
      switch (result.kind) {
        case reader::CardReadResult::Kind::Tracks: {
          std::array<std::optional<std::string>, 3> tracks;
          for (std::size_t i = 0; i < 3; ++i) {
            if (result.tracks[i]) tracks[i] = BytesToText(*result.tracks[i]);
            if (const auto& cut = result.cut[i]) report.truncated[i] = CutNote(*cut);
          }
          report.tracks = tracks;
          return Conclude(report, ExitCode::Success, MessageKey::CommandSent);
        }
        case reader::CardReadResult::Kind::Refused: return Conclude(report, ExitCode::Refused, result.reason);
        case reader::CardReadResult::Kind::Nothing:
          return Conclude(report, ExitCode::Refused, "No track data in the reply");
      }
      return;
    }
    case Command::List:
    case Command::Preview:
    case Command::Watch: return;
    case Command::Swipes: return;
  }
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

ReaderReport NoReaderAt(const std::string& path, const CommandRequest& request, VerboseLog* log) {
  ReaderReport report = RunCommand(nullptr, path, request, log);
  report.path = path;
  report.message += " (no reader at " + CutForMessage(path, kEchoedPathCharacters) + ")";
  return report;
}

// A reader's thread mostly waits for its reader and needs little stack.
// With the default stack (8 MiB on Linux) 64 threads were mapped, touched and
// unmapped whole on every run: on the loaded 2-core machine, perf showed
// thread creation, page-table set-up and TLB flushes taking longer than the
// readers' own 20 ms. Small stacks stay in the C library's cache of stacks.
constexpr std::size_t kReaderThreadStackBytes = 512 * 1024;

// Runs every job on a thread of its own and waits for all of them; a job
// whose thread cannot be had runs here, and the others go on.
void RunEachOnItsOwnThread(std::vector<std::function<void()>>& jobs) {
#if __has_include(<pthread.h>)
  pthread_attr_t attributes;
  const bool sized = pthread_attr_init(&attributes) == 0;
  if (sized) pthread_attr_setstacksize(&attributes, kReaderThreadStackBytes);
  std::vector<pthread_t> started;
  started.reserve(jobs.size());
  for (std::function<void()>& job : jobs) {
    pthread_t thread;
    const auto run = [](void* job) -> void* {
      (*static_cast<std::function<void()>*>(job))();
      return nullptr;
    };
    if (pthread_create(&thread, sized ? &attributes : nullptr, run, &job) == 0) {
      started.push_back(thread);
    } else {
      job();
    }
  }
  for (const pthread_t thread : started) pthread_join(thread, nullptr);
  if (sized) pthread_attr_destroy(&attributes);
#else
  std::vector<std::jthread> threads;
  threads.reserve(jobs.size());
  for (std::function<void()>& job : jobs) {
    try {
      threads.emplace_back(job);
    } catch (const std::system_error&) {
      job();
    }
  }
#endif
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

ReaderReport RunCommand(reader::HidDevice* device, const std::string& path, const CommandRequest& request,
                        VerboseLog* log) {
  ReaderReport report;
  if (device != nullptr) report.path = path;
  ReaderNotices notices(device != nullptr ? path : std::string(), log);

  const CommandCode code = CodeOf(request);
  std::vector<std::uint8_t> payload;
  // Commands other than set-format carry no track choice, and the command
  // line has no panel to leave empty: for them the track pre-check passes.
  bool anyTrackOutput = true;
  if (request.command == Command::SetFormat) {
    const std::array<std::uint8_t, 8> format = reader::FormatPayload(request.format);
    payload.assign(format.begin(), format.end());
    const auto& tracks = request.format.outputTrack;
    anyTrackOutput = tracks[0] || tracks[1] || tracks[2];
  } else if (request.command == Command::Read) {
    payload.push_back(request.trackSelection);
  }

  std::optional<reader::CardReadResult> decoded;
  const ExchangeOutcome outcome = reader::RunReportExchange(
      device, anyTrackOutput, {code, payload}, notices,
      [&](std::span<const std::uint8_t> reply, std::size_t inputLength, reader::FurtherReports& further) {
        report.unexpectedFrame = UnexpectedFrame(reply.first(std::min(reply.size(), inputLength)), code);
        ReadReply(report, request, reply, inputLength, further, decoded);
      });
  notices.LogReads(decoded ? &*decoded : nullptr);
  if (outcome != ExchangeOutcome::ReplyReceived) ConcludeWithoutReply(report, outcome, code, notices.failure);
  report.notices = std::move(notices.notices);
  return report;
}

std::vector<ReaderReport> RunOnReaders(reader::HidSystem& system, ReaderChoice choice, const std::string& path,
                                       const CommandRequest& request, VerboseLog* log) {
  if (choice == ReaderChoice::First) {
    reader::FindResult found = reader::FindFirstReader(system);
    if (found.outcome == reader::FindOutcome::ListFailed) return {SystemFailure(MessageKey::EnumFailed)};
    if (found.outcome == reader::FindOutcome::DetailFailed) return {SystemFailure(MessageKey::DetailFailed)};
    if (found.outcome == reader::FindOutcome::AccessDenied) return {AccessRefusedAt(found.path)};
    return {RunCommand(found.device.get(), found.path, request, log)};
  }

  if (choice == ReaderChoice::Path) {
    reader::OpenResult opened = system.Open(path);
    std::unique_ptr<reader::HidDevice> device = std::move(opened.device);
    if (!device && opened.failure == reader::OpenFailure::PermissionDenied) {
      const std::optional<reader::HidAttributes> identity = system.IdentityWithoutOpening(path);
      if (identity && identity->vendorId == reader::kReaderVendorId && identity->productId == reader::kReaderProductId) {
        return {AccessRefusedAt(path)};
      }
    }
    const std::optional<reader::HidAttributes> attributes = device ? device->GetAttributes() : std::nullopt;
    if (!attributes || attributes->vendorId != reader::kReaderVendorId ||
        attributes->productId != reader::kReaderProductId) {
      device.reset();
      return {NoReaderAt(path, request, log)};
    }
    return {RunCommand(device.get(), path, request, log)};
  }

  reader::FindOutcome walked = reader::FindOutcome::NotFound;
  std::string refused;
  const std::vector<reader::ReaderInfo> readers = reader::ListReaders(system, &walked, &refused);
  if (walked == reader::FindOutcome::ListFailed) return {SystemFailure(MessageKey::EnumFailed)};
  if (readers.empty()) {
    if (walked == reader::FindOutcome::DetailFailed) return {SystemFailure(MessageKey::DetailFailed)};
    if (walked == reader::FindOutcome::AccessDenied) return {AccessRefusedAt(refused)};
    return {RunCommand(nullptr, std::string(), request, log)};
  }

  // Opened one after the other: the platform's services need not be safe to
  // call from several threads. Each device then belongs to one thread.
  std::vector<std::unique_ptr<reader::HidDevice>> devices;
  devices.reserve(readers.size());
  for (const reader::ReaderInfo& info : readers) devices.push_back(system.Open(info.path).device);

  std::vector<ReaderReport> reports(readers.size());
  std::vector<std::function<void()>> jobs;
  jobs.reserve(readers.size());
  for (std::size_t i = 0; i < readers.size(); ++i) {
    jobs.emplace_back([&reports, &readers, &devices, &request, log, i] {
      const std::string& readerPath = readers[i].path;
      reports[i] = devices[i] ? RunCommand(devices[i].get(), readerPath, request, log)
                              : NoReaderAt(readerPath, request, log);
      devices[i].reset();  // closed by the thread that used it
    });
  }
  RunEachOnItsOwnThread(jobs);
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
