// The swipe box: after every change of its text, the last character goes
// through the swipe parse, and the track boxes show the tracks.
#pragma once

#include <string>

#include "reader/sentinel_set.h"
#include "reader/swipe_parse.h"
#include "ui/window_port.h"

namespace magcfg {

// The window's module state keeps these names.
using reader::SentinelSet;
using reader::SwipeStep;

// The capture's state; one for the whole run.
struct SwipeCapture : reader::SwipeParse {
  std::string swipeText;  // the box's text as read by the latest parse

  // The parse for one change of the swipe box (its whole text).
  void OnSwipeBoxChange(WindowPort& window, const SentinelSet& sentinels);
};

}  // namespace magcfg
