#include "ui/swipe_capture.h"

#include "res/control_ids.h"
#include "text/text_codec.h"

namespace magcfg {
namespace {

// A sentinel matches by its first character; an empty one matches nothing.
bool Matches(char32_t c, const std::string& sentinel) {
  return !sentinel.empty() && FirstCodePoint(sentinel) == c;
}

}  // namespace

void SwipeCapture::OnSwipeBoxChange(WindowPort& window, const SentinelSet& sentinels) {
  swipeText = window.GetText(ctl::kSwipeBox);
  if (swipeText.empty()) return;
  const char32_t c = LastCodePoint(swipeText);

  // The boxes show the tracks as they stand before c.
  for (int i = 0; i < 3; ++i) window.SetText(ctl::kTrackDataBoxes[i], EncodeUtf8(tracks[i]));

  const SwipeStep step = TakeCharacter(c, sentinels);
  if (step.emptySwipeBox) window.SetText(ctl::kSwipeBox, "");
  if (step.finishedSwipe) {
    window.SelectText(ctl::kSwipeBox, 0, static_cast<int>(CharacterCount(swipeText)));
    window.ScrollCaretIntoView(ctl::kSwipeBox);
    window.SetFocus(ctl::kSwipeBox);
  }
}

SwipeStep SwipeCapture::TakeCharacter(char32_t c, const SentinelSet& sentinels) {
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

}  // namespace magcfg
