// The program's exit status. With several readers the highest one wins, so
// the order runs from success to the least expected failure.
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
};

inline int AsInt(ExitCode code) { return static_cast<int>(code); }

inline ExitCode Worse(ExitCode a, ExitCode b) { return AsInt(a) >= AsInt(b) ? a : b; }

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
  }
  return "failed";
}

}  // namespace magcfg::cli
