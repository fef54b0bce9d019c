#include "ui/swipe_capture.h"

#include "res/control_ids.h"
#include "text/text_codec.h"

namespace magcfg {

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

}  // namespace magcfg
