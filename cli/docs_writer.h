// What the build writes from magcfg-cli's option table besides its help: the
// manual page and the bash, zsh and fish completions, for the systems given.
#pragma once

#include <string>
#include <string_view>

namespace magcfg::cli {

// The page template with its lines "@COMMANDS@", "@OPTIONS@", "@OUTPUT@" and
// "@EXIT_STATUS@" replaced by those sections' roff, and "@VERSION@" by the
// program's version.
std::string ManualPage(std::string_view pageTemplate, unsigned systems);

std::string BashCompletion(unsigned systems);
std::string ZshCompletion(unsigned systems);
std::string FishCompletion(unsigned systems);

// Text as roff: backslashes and minus signs escaped, and a leading '.' or
// '\'' kept from being read as a request.
std::string Roff(std::string_view text);

}  // namespace magcfg::cli
