// The simulated reader's state in words, as the window that stands in for
// the reader shows it: its upload mode, its format and its last swipe, in
// English or Chinese.
#pragma once

#include <string>

#include "platform/simulated/reader_model.h"
#include "reader/card_swipe.h"
#include "reader/reader_format.h"
#include "res/texts.h"

namespace magcfg::sim {

// "active: …" or "passive: …", with what a swipe does in that mode.
std::string ModeWords(UploadMode mode, UiLanguage language);

// One line a track ("Track 2: ; … ?" or "Track 1: not sent"), then where
// Enter is pressed.
std::string FormatWords(const reader::ReaderFormat& format, UiLanguage language);

// "none", "failed: …", or "read: …" with the tracks that hold data and
// those that are blank.
std::string SwipeWords(const reader::CardSwipe& swipe, UiLanguage language);

struct ReaderStateWords {
  std::string mode;
  std::string format;
  std::string lastSwipe;
};
ReaderStateWords DescribeReader(const ReaderModel& reader, UiLanguage language);

}  // namespace magcfg::sim
