// Splitting a swipe that a reader types into its three tracks, one character
// at a time: a start sentinel starts its track, '?' ends it, a line feed ends
// the swipe. The window runs it on the last character of its swipe box after
// every change; the command line on every character a reader's keyboard types.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "reader/sentinel_set.h"

namespace magcfg::reader {

// What one character did, besides the parse's state.
struct SwipeStep {
  bool emptySwipeBox = false;  // it was the track-3 end sentinel
  // It was a line feed: the swipe is over, with these tracks (what the track
  // boxes show).
  std::optional<std::array<std::u32string, 3>> finishedSwipe;
};

struct SwipeParse {
  std::array<std::u32string, 3> tracks;  // characters captured per track
  std::array<bool, 3> capturing{};       // at most one is set

  // Takes c, the last character typed. The track texts to show for c are
  // `tracks` as they stand before the call.
  SwipeStep TakeCharacter(char32_t c, const SentinelSet& sentinels);
};

}  // namespace magcfg::reader
