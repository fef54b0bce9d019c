// A swipe as a reader holds it: how it went and, for a good one, the
// characters of each track, one byte each.
#pragma once

#include <array>
#include <string>

namespace magcfg::reader {

struct CardSwipe {
  enum class Kind { None, Failed, Good };
  Kind kind = Kind::None;
  // For a good swipe: each track's characters without sentinels; empty for a
  // blank track.
  std::array<std::string, 3> tracks;

  static CardSwipe Good(std::string track1, std::string track2, std::string track3) {
    return {Kind::Good, {std::move(track1), std::move(track2), std::move(track3)}};
  }
  static CardSwipe Failed() { return {Kind::Failed, {}}; }
};

// The sample card: a test card's three tracks.
CardSwipe SampleSwipe();

}  // namespace magcfg::reader
