// The program's command line: the conventions of a desktop program. The
// window itself reads nothing else and keeps no state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace magcfg {

struct CommandLine {
  enum class Action { RunWindow, ShowHelp, ShowVersion, Error };
  Action action = Action::RunWindow;
  bool simulate = false;  // use the simulated reader instead of the platform's HID services
  std::string error;      // for Action::Error: one line saying what was wrong
};

// args excludes the program name. Toolkit options the window toolkit has
// already taken out are not seen here.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

std::string HelpText(std::string_view programName);
std::string VersionText();

}  // namespace magcfg
