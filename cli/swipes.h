// The swipes command: reads the reader's own keyboard and splits every swipe
// it types into its tracks with the swipe parse the window uses, one line (or
// one JSON object) per swipe. A swipe ends at the reader's line break.
#pragma once

#include <ostream>
#include <string>

#include "cli/exit_code.h"
#include "reader/keyboard_port.h"
#include "reader/sentinel_set.h"

namespace magcfg::cli {

struct SwipesRequest {
  std::string path;  // a keyboard node; empty: every reader's
  bool grab = false;
  int count = 0;  // stop after this many swipes; 0: never
  bool json = false;
  bool wholeCardData = false;  // card numbers shown whole
  reader::SentinelSet sentinels;
};

// How long a wait for key strokes lasts before the nodes are looked for
// again: a reader plugged in (again) is picked up within this time.
inline constexpr int kKeyboardRescanMs = 500;

// Runs until `count` swipes were read. Without a reader keyboard at the
// start it ends with NoReader; a reader unplugged later is waited for.
ExitCode RunSwipes(reader::KeyboardPort& port, const SwipesRequest& request, std::ostream& out, std::ostream& err);

}  // namespace magcfg::cli
