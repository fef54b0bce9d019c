#include "reader/reader_session.h"

#include <algorithm>
#include <vector>

#include "reader/discovery.h"
#include "reader/reader_identity.h"

namespace magcfg::reader {
namespace {

OpenOutcome OutcomeOf(FindOutcome found) {
  switch (found) {
    case FindOutcome::Found: return OpenOutcome::Opened;
    case FindOutcome::NotFound: return OpenOutcome::NotFound;
    case FindOutcome::ListFailed: return OpenOutcome::ListFailed;
    case FindOutcome::DetailFailed: return OpenOutcome::DetailFailed;
    case FindOutcome::AccessDenied: return OpenOutcome::AccessDenied;
  }
  return OpenOutcome::NotFound;
}

// Holds the reader's lock for one exchange and lets go of it on every path.
class HeldReader {
 public:
  explicit HeldReader(HidDevice& device) : device_(device) {}
  ~HeldReader() { device_.Unlock(); }
  HeldReader(const HeldReader&) = delete;
  HeldReader& operator=(const HeldReader&) = delete;

 private:
  HidDevice& device_;
};

ExchangeObserver& Quiet() {
  static ExchangeObserver none;
  return none;
}

// A reply that may span several reports, gathered and decoded (the card
// read). Gathering starts only when the first report's accumulate value
// calls for it; it ends at the first further report that does not come
// within the read time-out, or when 16 reports fill the buffer. A reader
// that keeps sending is cut off there, so it cannot hold the caller; what it
// sends after that waits in the platform's queue, and the next exchange
// drops it before its request.
CardReadResult GatherCardReply(HidDevice& device, std::vector<std::uint8_t>& input, std::size_t inputLength,
                               int timeoutMs, ExchangeObserver& observer) {
  auto collector = std::make_unique<CardReplyCollector>();  // 1 KiB: off the stack
  if (AccumulateValue(input) > kAccumulateThreshold) {
    collector->Add(input);
    while (!collector->Full()) {
      std::fill(input.begin(), input.end(), 0);
      if (device.Read(std::span(input.data(), inputLength), timeoutMs) != TransferStatus::Completed) break;
      observer.ReportRead(std::span<const std::uint8_t>(input.data(), inputLength));
      collector->Add(input);
    }
  }
  return DecodeCardReply(collector->Buffer(), collector->Reports() * kReplyBytesPerReport);
}

ExchangeResult Ended(CommandCode code, ExchangeStatus status) {
  ExchangeResult result;
  result.code = code;
  result.status = status;
  return result;
}

ExchangeResult Failed(CommandCode code, TransferStatus status, Transfer transfer) {
  ExchangeResult result =
      Ended(code, status == TransferStatus::ReaderGone ? ExchangeStatus::ReaderGone : ExchangeStatus::TransferFailed);
  result.failedTransfer = transfer;
  return result;
}

}  // namespace

ExchangeRequest ExchangeRequest::SetFormat(const OutputFormat& format) {
  ExchangeRequest request;
  request.code = CommandCode::SetFormat;
  request.payload = FormatPayload(format);
  request.anyTrackOutput = std::any_of(format.outputTrack.begin(), format.outputTrack.end(), [](bool on) { return on; });
  return request;
}

ExchangeRequest ExchangeRequest::ReadCard(std::uint8_t trackSelection) {
  ExchangeRequest request;
  request.code = CommandCode::ReadCard;
  request.payload[0] = trackSelection;
  return request;
}

ExchangeRequest ExchangeRequest::Plain(CommandCode code) {
  ExchangeRequest request;
  request.code = code;
  return request;
}

bool GotPastUsageCheck(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::NotConnected:
    case ExchangeStatus::NoTrackOutput:
    case ExchangeStatus::NoReportDescription:
    case ExchangeStatus::ReportTooShort:
    case ExchangeStatus::UsageRefused:
      return false;
    case ExchangeStatus::Answered:
    case ExchangeStatus::ReaderBusy:
    case ExchangeStatus::WriteTimedOut:
    case ExchangeStatus::NoReply:
    case ExchangeStatus::TransferFailed:
    case ExchangeStatus::ReaderGone:
      return true;
  }
  return false;
}

ReaderSession::ReaderSession(HidSystem& system) : system_(system) {}

ReaderSession::~ReaderSession() = default;

Opening ReaderSession::OpenFirst() {
  Close();
  FindResult found = FindFirstReader(system_);
  device_ = std::move(found.device);
  return {OutcomeOf(found.outcome), found.path, found.versionNumber};
}

Opening ReaderSession::OpenAt(const std::string& path) {
  Close();
  OpenResult opened = system_.Open(path);
  if (!opened.device) {
    if (IsRefusedReader(system_, path, opened.failure)) return {OpenOutcome::AccessDenied, path, 0};
    return {OpenOutcome::NotFound, {}, 0};
  }
  const std::optional<HidAttributes> attributes = opened.device->GetAttributes();
  if (!attributes) return {OpenOutcome::NotFound, {}, 0};
  if (!IsReader(*attributes)) return {OpenOutcome::NotAReader, {}, 0};
  device_ = std::move(opened.device);
  return {OpenOutcome::Opened, path, attributes->versionNumber};
}

void ReaderSession::Close() { device_.reset(); }

ExchangeResult ReaderSession::Run(const ExchangeRequest& request, ExchangeObserver* observer) {
  ExchangeObserver& watch = observer != nullptr ? *observer : Quiet();
  const CommandCode code = request.code;
  const ExchangeParameters& params = ParametersFor(code);

  if (!device_) return Ended(code, ExchangeStatus::NotConnected);
  if (!request.anyTrackOutput) return Ended(code, ExchangeStatus::NoTrackOutput);

  // The report lengths are asked for anew in every exchange: nothing is cached.
  const std::optional<ReportLengths> lengths = device_->GetReportLengths();
  if (!lengths) return Ended(code, ExchangeStatus::NoReportDescription);
  const std::vector<std::uint8_t> output =
      BuildOutputReport(code, std::span(request.payload.data(), params.payloadLength), lengths->output);
  if (output.empty()) return Ended(code, ExchangeStatus::ReportTooShort);
  if (params.usageCheck && !device_->PassesUsageCheck(output)) return Ended(code, ExchangeStatus::UsageRefused);

  // From here to the last report of the reply no other program may write a
  // request or take a reply: every open file of the reader is handed every
  // input report.
  if (device_->Lock(request.lockWaitMs.value_or(params.writeTimeoutMs)) == LockStatus::Busy) {
    return Ended(code, ExchangeStatus::ReaderBusy);
  }
  const HeldReader held(*device_);

  // Whatever came in before this request (a reply that missed its read's
  // time-out, a report the reader sent unasked, the rest of a reply cut
  // off) is not its reply.
  device_->DiscardPendingReports();

  const WriteResult write = device_->Write(output, params.writeTimeoutMs);
  // A request that never went out gets no reply: reading would only sit out
  // the read time-out.
  if (IsFailure(write.status)) return Failed(code, write.status, Transfer::Write);
  watch.ReportWritten(output);
  if (write.status == TransferStatus::TimedOut) {
    watch.WriteTimedOut();
    if (params.stopAfterWriteTimeout) return Ended(code, ExchangeStatus::WriteTimedOut);
  } else {
    watch.WriteCompleted(write.bytesReportedByCall == output.size());
  }

  // An input report longer than the usual 1024 bytes gets a buffer of its
  // own length rather than overrunning it. Bytes that did not arrive read as 0.
  const std::size_t inputLength = lengths->input;
  std::vector<std::uint8_t> input(std::max(kInputBufferSize, inputLength), 0);
  const TransferStatus read = device_->Read(std::span(input.data(), inputLength), params.readTimeoutMs);
  if (read == TransferStatus::TimedOut) return Ended(code, ExchangeStatus::NoReply);
  if (IsFailure(read)) return Failed(code, read, Transfer::Read);
  const std::span<const std::uint8_t> reply(input.data(), inputLength);
  watch.ReportRead(reply);

  ExchangeResult result = Ended(code, ExchangeStatus::Answered);
  result.unexpectedHeader = UnexpectedHeader(reply, code);
  // Each command reads the reply at its own byte positions, from the whole
  // buffer as it was read.
  switch (code) {
    case CommandCode::SetFormat: result.format = ReadFormatReply(input); break;
    case CommandCode::Version: result.versionText = ExtractVersionText(input, inputLength); break;
    case CommandCode::CardStatus: result.cardStatus = ReadCardStatus(input); break;
    case CommandCode::ReadCard:
      result.card = GatherCardReply(*device_, input, inputLength, params.readTimeoutMs, watch);
      break;
    case CommandCode::PassiveMode:
    case CommandCode::ActiveMode: break;  // any reply in time is the success
  }
  return result;
}

}  // namespace magcfg::reader
