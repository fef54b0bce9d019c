// What a reader would type, in active upload, for a swipe under a format:
// the format goes through the same frame Set Device sends, and the reader's
// own reading of that frame decides what is typed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/checked.h"
#include "reader/card_swipe.h"
#include "reader/frames.h"

namespace magcfg::cli {

// A good swipe of three track texts (UTF-8), each character one byte on the
// card, so U+0000 to U+00FF only. An empty text is a blank track.
Checked<reader::CardSwipe> SwipeFromTexts(const std::array<std::string, 3>& tracks);

// The characters typed, one byte each, the Enter key as a line feed; nullopt
// when the reader would refuse the frame.
std::optional<std::string> TypedForFormat(const reader::OutputFormat& format, const reader::CardSwipe& swipe);

}  // namespace magcfg::cli
