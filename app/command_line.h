// The program's command line: the conventions of a desktop program. The
// window itself reads nothing else and keeps no state.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "res/texts.h"

namespace magcfg {

struct CommandLine {
  enum class Action { RunWindow, ShowHelp, ShowVersion, Error };
  Action action = Action::RunWindow;
  bool simulate = false;                // use the simulated reader instead of the platform's HID services
  std::optional<UiLanguage> language;  // --language en|zh: the window's language from the start
  std::string error;                    // for Action::Error: one line saying what was wrong
};

// args excludes the program name. Toolkit options the window toolkit has
// already taken out are not seen here.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

// The language of the user's locale, from the values of LC_ALL, LC_MESSAGES
// and LANG (empty when unset), the first one set winning: Chinese for zh*,
// English for anything else.
UiLanguage LanguageOfLocale(std::string_view lcAll, std::string_view lcMessages, std::string_view lang);

std::string HelpText(std::string_view programName);
std::string VersionText();

}  // namespace magcfg
