// What the reader types in active upload for one swipe.
#pragma once

#include <string>

#include "reader/card_swipe.h"
#include "reader/reader_format.h"

namespace magcfg::reader {

// The Enter key the reader presses for a carriage return, given as the line
// feed that a line break leaves last in a text box.
inline constexpr char kTypedEnter = '\n';

// The characters typed for a swipe under a format: for each track the format
// outputs, its start sentinel, its data and its end sentinel (a sentinel set
// to none is left out, a blank track keeps its sentinels), with Enter after
// each track the carriage-return digit names, or one Enter after the whole
// packet. Nothing for a failed swipe or none.
std::string TypedSwipe(const ReaderFormat& format, const CardSwipe& swipe);

}  // namespace magcfg::reader
