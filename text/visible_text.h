// Text from outside the program (what the operator gave, a path, what a
// device or the system sent) as printed text shows it: a character that
// could move a terminal's cursor, clear or retitle it, reorder a line or
// break it shows as a name in angle brackets instead. Each value is made
// visible once, where it is put into printed text; JSON carries the value
// itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace magcfg {

// What a line feed stands for: in what a reader types it is the Enter key
// pressed for a carriage return; anywhere else it is a line feed.
enum class LineFeed { AsLf, AsEnter };

// UTF-8 out. CR, LF (or Enter), Tab as <CR>, <LF> (<Enter>), <Tab>; the other
// characters below U+0020, U+007F and U+0080 to U+009F as <0xNN>; the
// bidirectional controls (U+202A to U+202E, U+2066 to U+2069) and the line
// and paragraph separators (U+2028, U+2029) as <U+NNNN>; '<' as <<, so that
// every lone '<' opens a name. Everything else as it is.
std::string VisibleText(std::u32string_view text, LineFeed lineFeed = LineFeed::AsLf);

// Bytes, each the character with that value (U+0000 to U+00FF).
std::string VisibleBytes(std::string_view bytes, LineFeed lineFeed = LineFeed::AsLf);

// What a message echoes of a value is cut to this many characters (a path
// to the longer limit): a message stays one short line whatever was given.
inline constexpr std::size_t kEchoedCharacters = 40;
inline constexpr std::size_t kEchoedPathCharacters = 160;

// Hides part of a text before it is cut (the card-number mask, which lives
// above this layer).
using TextFilter = std::u32string (*)(std::u32string_view);

// A UTF-8 value cut to limit characters, "..." marking a cut; only what can
// be shown is decoded. `filter`, when given, sees the characters before the
// cut and enough after it to take a card number across the cut whole.
std::u32string CutCharacters(std::string_view utf8, std::size_t limit, TextFilter filter = nullptr);

// The value cut and made visible: what a message echoes of it.
std::string Echo(std::string_view utf8, std::size_t limit = kEchoedCharacters, TextFilter filter = nullptr);

}  // namespace magcfg
