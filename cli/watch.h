// magcfg-cli watch: sets up every reader present, then each reader as it is
// plugged in, with the same report exchanges set-format and mode run, until
// the events end (the program is interrupted). One line per reader set up
// and per reader pulled out; a reader that fails half-way is reported and
// the watch goes on.
#pragma once

#include <optional>
#include <ostream>

#include "cli/options.h"
#include "cli/runner.h"
#include "reader/device_events.h"
#include "reader/frames.h"
#include "reader/hid_port.h"

namespace magcfg::cli {

struct WatchRequest {
  std::optional<reader::OutputFormat> format;  // sent first, when given
  std::optional<UploadMode> mode;                  // then the upload mode, when given
  int waitMs = kDefaultWaitMs;                     // for a reader another program is using
};

// Returns the exit status once events.Next() ends the watch: 0 when it was
// stopped, 5 when the events failed.
int RunWatch(reader::HidSystem& system, reader::DeviceEvents& events, const WatchRequest& request, bool json,
             std::ostream& out, std::ostream& err, VerboseLog* log);

}  // namespace magcfg::cli
