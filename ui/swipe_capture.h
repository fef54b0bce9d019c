// Splitting a swipe that the reader types into the swipe box into its three
// tracks. After every change of the box, the last character of its text
// decides: a start sentinel starts its track, '?' ends it, a line feed ends
// the swipe.
#pragma once

#include <array>
#include <string>

#include "ui/sentinel_set.h"
#include "ui/window_port.h"

namespace magcfg {

// The capture's state; one for the whole run.
struct SwipeCapture {
  std::string swipeText;                 // the box's text as read by the latest parse
  std::array<std::u32string, 3> tracks;  // characters captured per track
  std::array<bool, 3> capturing{};       // at most one is set

  // The parse for one change of the swipe box (its whole text).
  void OnSwipeBoxChange(WindowPort& window, const SentinelSet& sentinels);
};

}  // namespace magcfg
