// Text as a terminal can show it and an operator can read it back: control
// characters become names in angle brackets, so a carriage return or a
// sentinel set to a control character stays visible.
#pragma once

#include <string>
#include <string_view>

namespace magcfg::cli {

// What a line feed stands for: in what a reader types it is the Enter key
// pressed for a carriage return; anywhere else it is a line feed.
enum class LineFeed { AsLf, AsEnter };

// UTF-8 out. CR, LF (or Enter), Tab as <CR>, <LF> (<Enter>), <Tab>; other
// characters below U+0020, U+007F and U+0080 to U+009F as <0xNN>; '<' as <<,
// so that every lone '<' opens a name. Everything else as it is.
std::string VisibleText(std::u32string_view text, LineFeed lineFeed);

// Bytes, each the character with that value (U+0000 to U+00FF).
std::string VisibleBytes(std::string_view bytes, LineFeed lineFeed);

// What a message echoes of a value given to the program (an option, a
// command, a profile's key or value, a path) is cut to this many characters:
// a message stays one short line whatever was given.
inline constexpr std::size_t kEchoedCharacters = 40;
inline constexpr std::size_t kEchoedPathCharacters = 160;

// A UTF-8 text made visible and cut to limit characters, "..." marking a cut.
// A card number in it is masked, with or without --show-card-data: an
// operator's value echoed in a message is never the place to read one.
std::string Echoed(std::string_view utf8, std::size_t limit = kEchoedCharacters);

// Echoed, in quotes.
std::string Quoted(std::string_view utf8);

}  // namespace magcfg::cli
