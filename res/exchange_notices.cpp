#include "res/exchange_notices.h"

namespace magcfg {
namespace {

using reader::CommandCode;
using reader::ExchangeStatus;
using K = MessageKey;
using F = NoticeForm;

struct CommandNotices {
  CommandCode code;
  NoticeForm writeTimeoutForm;  // of "Send data timeout!"
  MessageKey writeDone;         // in the status line
  bool writeDoneOnlyIfCompletedAfterCall;
  Notice readTimeout;
  // The text of any reply in time, for the commands whose reply is not read.
  std::optional<MessageKey> anyReply;
};

constexpr CommandNotices kNotices[] = {
    {CommandCode::SetFormat, F::StatusLine, K::SendOk, false, {K::FormatReplyTimeout, F::StatusThenErrorBox}, {}},
    {CommandCode::Version, F::ErrorBox, K::CommandSent, true, {K::ReplyTimeout, F::StatusLine}, {}},
    {CommandCode::PassiveMode, F::ErrorBox, K::CommandSent, false, {K::ReplyTimeout, F::StatusLine}, K::PassiveModeSet},
    {CommandCode::ActiveMode, F::ErrorBox, K::CommandSent, false, {K::ReplyTimeout, F::StatusLine}, K::ActiveModeSet},
    {CommandCode::CardStatus, F::ErrorBox, K::CommandSent, false, {K::ReplyTimeout, F::StatusLine}, {}},
    {CommandCode::ReadCard, F::ErrorBox, K::CommandSent, false, {K::ReplyTimeout, F::StatusLine}, {}},
};

const CommandNotices& NoticesOf(CommandCode code) {
  for (const CommandNotices& row : kNotices) {
    if (row.code == code) return row;
  }
  return kNotices[0];  // unreachable for a valid CommandCode
}

MessageKey CardStatusText(reader::CardStatus status) {
  switch (status) {
    case reader::CardStatus::NoSwipe: return K::NoSwipe;
    case reader::CardStatus::SwipeFailed: return K::SwipeFailed;
    case reader::CardStatus::SwipeOk: return K::SwipeOk;
  }
  return K::NoSwipe;
}

MessageKey RefusalText(reader::RefusalReason reason) {
  return reason == reader::RefusalReason::NoSwipe ? K::NoSwipe : K::SwipeFailed;
}

}  // namespace

Notice WriteTimeoutNotice(CommandCode code) { return {K::SendTimeout, NoticesOf(code).writeTimeoutForm}; }

std::optional<Notice> WriteDoneNotice(CommandCode code, bool wholeReportInCall) {
  const CommandNotices& row = NoticesOf(code);
  if (row.writeDoneOnlyIfCompletedAfterCall && wholeReportInCall) return std::nullopt;
  return Notice{row.writeDone, F::StatusLine};
}

Notice ReadTimeoutNotice(CommandCode code) { return NoticesOf(code).readTimeout; }

std::vector<Notice> EndNotices(const reader::ExchangeResult& result) {
  const CommandCode code = result.code;
  switch (result.status) {
    case ExchangeStatus::NotConnected: return {{K::NotConnected, F::StatusLine}};
    case ExchangeStatus::NoTrackOutput: return {{K::SelectTrack, F::TitleOfErrorBox}};
    case ExchangeStatus::NoReportDescription: return {{K::NoPreparsed, F::StatusLine}};
    case ExchangeStatus::ReportTooShort: return {{K::ReportLengthUnsupported, F::StatusLine}};
    case ExchangeStatus::NoReply: return {ReadTimeoutNotice(code)};
    case ExchangeStatus::TransferFailed:
    case ExchangeStatus::ReaderGone:
      // A transfer that fails at once shows what its wait running out shows:
      // on the window's platform such a transfer never signals completion.
      if (result.failedTransfer == reader::Transfer::Read) return {ReadTimeoutNotice(code)};
      [[fallthrough]];
    case ExchangeStatus::ReaderBusy:
      // Nothing went out: the write's time-out, and the read's for a command
      // that reads after a write that ran out, without reading.
      if (reader::ParametersFor(code).stopAfterWriteTimeout) return {WriteTimeoutNotice(code)};
      return {WriteTimeoutNotice(code), ReadTimeoutNotice(code)};
    case ExchangeStatus::Answered:
    case ExchangeStatus::UsageRefused:
    case ExchangeStatus::WriteTimedOut: return {};
  }
  return {};
}

std::optional<Notice> AnswerNotice(const reader::ExchangeResult& result) {
  if (result.status != ExchangeStatus::Answered) return std::nullopt;
  if (const std::optional<MessageKey> any = NoticesOf(result.code).anyReply) return Notice{*any, F::StatusThenInformationBox};
  if (result.format) {
    switch (result.format->verdict) {
      case reader::FormatVerdict::Accepted: return Notice{K::FormatOk, F::StatusThenInformationBox};
      case reader::FormatVerdict::Refused: return Notice{K::FormatFailed, F::StatusThenErrorBox};
      case reader::FormatVerdict::None: return std::nullopt;
    }
  }
  if (result.cardStatus && result.cardStatus->status) {
    return Notice{CardStatusText(*result.cardStatus->status), F::StatusThenInformationBox};
  }
  // The reason also goes to the three track boxes.
  if (result.card && result.card->kind == reader::CardReadResult::Kind::Refused) {
    return Notice{RefusalText(result.card->reason), F::StatusLine};
  }
  return std::nullopt;
}

}  // namespace magcfg
