#include "reader/report_exchange.h"

#include <algorithm>

#include "reader/frames.h"

namespace magcfg::reader {
namespace {

void ShowWriteTimeout(const ExchangeParameters& params, NoticeSink& sink) {
  if (params.writeTimeoutNotice == NoticeForm::StatusLine) {
    sink.Status(MessageKey::SendTimeout);
  } else {
    sink.ErrorBox(MessageKey::SendTimeout, kTitleError);
  }
}

void ShowReadTimeout(const ExchangeParameters& params, NoticeSink& sink) {
  sink.Status(params.readTimeoutNotice);
  if (params.readTimeoutForm == NoticeForm::StatusAndErrorBox) {
    sink.ErrorBox(params.readTimeoutNotice, kTitleSetDeviceError);
  }
}

ExchangeOutcome FailureOutcome(TransferStatus status) {
  return status == TransferStatus::ReaderGone ? ExchangeOutcome::ReaderGone : ExchangeOutcome::TransferFailed;
}

}  // namespace

bool FurtherReports::Next() {
  std::fill(buffer_.begin(), buffer_.end(), 0);
  const auto status = device_.Read(std::span(buffer_.data(), inputLength_), timeoutMs_);
  if (status != TransferStatus::Completed) return false;
  sink_.ReportRead(std::span<const std::uint8_t>(buffer_.data(), inputLength_));
  return true;
}

ExchangeOutcome RunReportExchange(HidDevice* reader, bool anyTrackOutput, const ExchangeRequest& request,
                                  NoticeSink& sink, const ReplyHandler& onReply) {
  const ExchangeParameters& params = ParametersFor(request.code);

  if (reader == nullptr) {
    sink.Status(MessageKey::NotConnected);
    return ExchangeOutcome::NotConnected;
  }
  if (!anyTrackOutput) {
    sink.MessageAsTitleBox(MessageKey::SelectTrack);
    return ExchangeOutcome::NoTrackOutput;
  }

  // The report lengths are asked for anew in every exchange: nothing is cached.
  const std::optional<ReportLengths> lengths = reader->GetReportLengths();
  if (!lengths) {
    // Without the description there are no lengths to build a report with.
    sink.Status(MessageKey::NoPreparsed);
    return ExchangeOutcome::NoPreparsed;
  }

  const std::vector<std::uint8_t> output = BuildOutputReport(request.code, request.payload, lengths->output);
  if (output.empty()) {
    sink.Status(MessageKey::ReportLengthUnsupported);
    return ExchangeOutcome::ReportTooShort;
  }

  if (params.usageCheck && !reader->PassesUsageCheck(output)) return ExchangeOutcome::UsageRefused;

  // Whatever came in before this request (a reply that missed its read's
  // time-out, a report the reader sent unasked) is not its reply.
  reader->DiscardPendingReports();

  const WriteResult write = reader->Write(output, params.writeTimeoutMs);
  if (IsFailure(write.status)) {
    // The request never went out, so no reply can come for it: reading
    // would only sit out the read time-out.
    if (!sink.TransferFailed(Transfer::Write, write.status)) {
      ShowWriteTimeout(params, sink);
      if (!params.stopAfterWriteTimeout) ShowReadTimeout(params, sink);
    }
    return FailureOutcome(write.status);
  }
  sink.ReportWritten(output);
  if (write.status == TransferStatus::TimedOut) {
    ShowWriteTimeout(params, sink);
    if (params.stopAfterWriteTimeout) return ExchangeOutcome::WriteTimedOut;
  } else if (!params.writeNoticeOnlyIfCompletedLater || write.bytesReportedByCall != output.size()) {
    sink.Status(params.writeSuccessNotice);
  }

  // An input report longer than the usual 1024 bytes gets a buffer of its
  // own length rather than overrunning it.
  const std::size_t inputLength = lengths->input;
  std::vector<std::uint8_t> input(std::max(kInputBufferSize, inputLength), 0);
  const TransferStatus read = reader->Read(std::span(input.data(), inputLength), params.readTimeoutMs);
  if (read == TransferStatus::TimedOut) {
    ShowReadTimeout(params, sink);
    return ExchangeOutcome::ReplyTimedOut;
  }
  if (IsFailure(read)) {
    if (!sink.TransferFailed(Transfer::Read, read)) ShowReadTimeout(params, sink);
    return FailureOutcome(read);
  }
  sink.ReportRead(std::span<const std::uint8_t>(input.data(), inputLength));
  FurtherReports further(*reader, input, inputLength, params.readTimeoutMs, sink);
  if (onReply) onReply(input, inputLength, further);
  return ExchangeOutcome::ReplyReceived;
}

}  // namespace magcfg::reader
