// The format settings panel: sentinel boxes, track output boxes and the
// carriage-return boxes, with the rules that keep the carriage-return choices
// consistent (a return after the packet excludes returns after tracks).
#pragma once

#include "reader/frames.h"
#include "reader/sentinel_set.h"
#include "ui/window_port.h"

namespace magcfg {

// Limits the sentinel boxes to one character, fills them from the sentinel
// set. The window puts the swipe hint in between, then calls ApplyDefaultChecks.
void LoadSentinelBoxes(WindowPort& window, const reader::SentinelSet& sentinels);

// Output of all three tracks, a return after the packet only.
void ApplyDefaultChecks(WindowPort& window);

// The packet carriage-return box has just been toggled.
void OnPacketCrClicked(WindowPort& window);

// One of the track carriage-return boxes has just been toggled.
void OnTrackCrClicked(WindowPort& window, int clickedBox);

// The factory sentinels and the default checks; the sentinel set is untouched.
void ApplyFactoryFormat(WindowPort& window);

// What Set Device sends.
reader::OutputFormat ReadFormatPanel(const WindowPort& window);

// Copies the six sentinel boxes into the sentinel set.
void WriteBackSentinels(const WindowPort& window, reader::SentinelSet& sentinels);

bool AnyTrackOutputTicked(const WindowPort& window);

}  // namespace magcfg
