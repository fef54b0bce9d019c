// Splitting a swipe that the reader types into the swipe box into its three
// tracks. After every change of the box, the last character of its text
// decides: a start sentinel starts its track, '?' ends it, a line feed ends
// the swipe.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "ui/sentinel_set.h"
#include "ui/window_port.h"

namespace magcfg {

// What one character did, besides the capture state.
struct SwipeStep {
  bool emptySwipeBox = false;  // it was the track-3 end sentinel
  // It was a line feed: the swipe is over, with these tracks (what the track
  // boxes show).
  std::optional<std::array<std::u32string, 3>> finishedSwipe;
};

// The capture's state; one for the whole run.
struct SwipeCapture {
  std::string swipeText;                 // the box's text as read by the latest parse
  std::array<std::u32string, 3> tracks;  // characters captured per track
  std::array<bool, 3> capturing{};       // at most one is set

  // The parse for one change of the swipe box (its whole text).
  void OnSwipeBoxChange(WindowPort& window, const SentinelSet& sentinels);

  // The parse without a window: c is the last character of the text. The
  // track texts to show for c are `tracks` as they stand before the call.
  // The command line feeds every typed character through this too.
  SwipeStep TakeCharacter(char32_t c, const SentinelSet& sentinels);
};

}  // namespace magcfg
