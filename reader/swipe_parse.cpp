#include "reader/swipe_parse.h"

#include "text/text_codec.h"

namespace magcfg::reader {
namespace {

// A sentinel matches by its first character; an empty one matches nothing.
bool Matches(char32_t c, const std::string& sentinel) {
  return !sentinel.empty() && FirstCodePoint(sentinel) == c;
}

}  // namespace

SwipeStep SwipeParse::TakeCharacter(char32_t c, const SentinelSet& sentinels) {
  SwipeStep step;
  // A line feed ends the swipe with the tracks the boxes show for it: those
  // from before c.
  if (c == U'\n') step.finishedSwipe = tracks;

  // '?' ends every track, whatever the sentinels say.
  if (c == U'?') capturing = {false, false, false};

  for (int i = 0; i < 3; ++i) {
    if (capturing[i]) tracks[i].push_back(c);
  }

  // A start sentinel starts (or restarts) its track only while no other track
  // is captured; track 1 wins over 2 and 3, track 2 over 3.
  if (!capturing[2] && !capturing[1] && Matches(c, sentinels.Start(1))) {
    capturing[0] = true;
    tracks[0].clear();
  }
  if (!capturing[2] && !capturing[0] && Matches(c, sentinels.Start(2))) {
    capturing[1] = true;
    tracks[1].clear();
  }
  if (!capturing[1] && !capturing[0] && Matches(c, sentinels.Start(3))) {
    capturing[2] = true;
    tracks[2].clear();
  }

  step.emptySwipeBox = Matches(c, sentinels.End(3));

  if (c == U'\n') {
    capturing = {false, false, false};
    for (auto& track : tracks) track.clear();
  }
  return step;
}

}  // namespace magcfg::reader
