#include "reader/commands.h"

namespace magcfg::reader {
namespace {

using M = MessageKey;
using F = NoticeForm;

constexpr ExchangeParameters kParameters[] = {
    // code, payload, write ms, read ms, usage check, write time-out notice, stop after it,
    // write success notice, only if completed later, read time-out notice, its form
    {CommandCode::SetFormat, 8, 1000, 1000, true, F::StatusLine, false, M::SendOk, false, M::FormatReplyTimeout, F::StatusAndErrorBox},
    {CommandCode::Version, 0, 1000, 1000, false, F::ErrorBox, false, M::CommandSent, true, M::ReplyTimeout, F::StatusLine},
    {CommandCode::PassiveMode, 0, 1000, 1000, true, F::ErrorBox, false, M::CommandSent, false, M::ReplyTimeout, F::StatusLine},
    {CommandCode::ActiveMode, 0, 1000, 1000, true, F::ErrorBox, false, M::CommandSent, false, M::ReplyTimeout, F::StatusLine},
    {CommandCode::CardStatus, 0, 1000, 1000, true, F::ErrorBox, false, M::CommandSent, false, M::ReplyTimeout, F::StatusLine},
    // The card read waits briefly: its reply may span several reports, and the
    // end of the reply is recognised only by a read that runs out.
    {CommandCode::ReadCard, 1, 100, 50, true, F::ErrorBox, true, M::CommandSent, false, M::ReplyTimeout, F::StatusLine},
};

}  // namespace

const ExchangeParameters& ParametersFor(CommandCode code) {
  for (const ExchangeParameters& p : kParameters) {
    if (p.code == code) return p;
  }
  return kParameters[0];  // unreachable for a valid CommandCode
}

}  // namespace magcfg::reader
