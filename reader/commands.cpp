#include "reader/commands.h"

namespace magcfg::reader {
namespace {

constexpr ExchangeParameters kParameters[] = {
    // code, payload, write ms, read ms, usage check, stop after a write time-out
    {CommandCode::SetFormat, 8, 1000, 1000, true, false},
    {CommandCode::Version, 0, 1000, 1000, false, false},
    {CommandCode::PassiveMode, 0, 1000, 1000, true, false},
    {CommandCode::ActiveMode, 0, 1000, 1000, true, false},
    {CommandCode::CardStatus, 0, 1000, 1000, true, false},
    // The card read waits briefly: its reply may span several reports, and the
    // end of the reply is recognised only by a read that runs out.
    {CommandCode::ReadCard, 1, 100, 50, true, true},
};

}  // namespace

const ExchangeParameters& ParametersFor(CommandCode code) {
  for (const ExchangeParameters& p : kParameters) {
    if (p.code == code) return p;
  }
  return kParameters[0];  // unreachable for a valid CommandCode
}

}  // namespace magcfg::reader
