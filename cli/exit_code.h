// The program's exit status. With several readers the worst one wins, in
// the order of Severity: from success to the least expected failure.
#pragma once

#include <string_view>

namespace magcfg::cli {

enum class ExitCode : int {
  Success = 0,
  Refused = 1,   // the reader answered 'N' or gave no verdict
  Usage = 2,     // the command line or the profile was wrong: nothing was sent
  NoReader = 3,  // no reader attached (or none at the given path), or it went away during the command
  TimedOut = 4,  // the write or the reply ran out of time
  Failed = 5,            // anything else: report length, report description, a failed transfer, platform
  PermissionDenied = 6,  // the reader is attached, but the user may not open it
  Busy = 7,              // another program kept the reader for the whole wait: nothing was sent
};

inline int AsInt(ExitCode code) { return static_cast<int>(code); }

// How bad an outcome is. A busy reader is a time-out of a kind (waiting
// longer may help), and less unexpected than a failure.
inline int Severity(ExitCode code) {
  switch (code) {
    case ExitCode::Success: return 0;
    case ExitCode::Refused: return 1;
    case ExitCode::Usage: return 2;
    case ExitCode::NoReader: return 3;
    case ExitCode::TimedOut: return 4;
    case ExitCode::Busy: return 5;
    case ExitCode::Failed: return 6;
    case ExitCode::PermissionDenied: return 7;
  }
  return 6;
}

inline ExitCode Worse(ExitCode a, ExitCode b) { return Severity(a) >= Severity(b) ? a : b; }

// The word JSON reports carry for an outcome.
inline std::string_view OutcomeName(ExitCode code) {
  switch (code) {
    case ExitCode::Success: return "ok";
    case ExitCode::Refused: return "refused";
    case ExitCode::Usage: return "usage";
    case ExitCode::NoReader: return "no-reader";
    case ExitCode::TimedOut: return "timeout";
    case ExitCode::Failed: return "failed";
    case ExitCode::PermissionDenied: return "permission-denied";
    case ExitCode::Busy: return "busy";
  }
  return "failed";
}

}  // namespace magcfg::cli
