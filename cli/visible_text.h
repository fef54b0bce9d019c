// What magcfg-cli's messages echo of a value given to it (an option, a
// command, a profile's key or value, a path): made visible and cut short by
// text/visible_text.h, with any card number in it masked.
#pragma once

#include <string>
#include <string_view>

#include "text/visible_text.h"

namespace magcfg::cli {

// The value made visible and cut to limit characters, "..." marking a cut.
// A card number in it is masked, with or without --show-card-data: an
// operator's value echoed in a message is never the place to read one.
std::string Echoed(std::string_view utf8, std::size_t limit = kEchoedCharacters);

// Echoed, in quotes.
std::string Quoted(std::string_view utf8);

// The value cut and masked as Echoed does, but not yet made visible: for a
// message that is made visible as a whole when it is printed and goes into
// JSON as it is (a reader's report).
std::string CutForMessage(std::string_view utf8, std::size_t limit);

}  // namespace magcfg::cli
