#include "app/command_line.h"

#include "app/version.h"

namespace magcfg {

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
  CommandLine line;
  for (std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") {
      line.action = CommandLine::Action::ShowHelp;
    } else if (arg == "--version" || arg == "-V") {
      if (line.action != CommandLine::Action::ShowHelp) line.action = CommandLine::Action::ShowVersion;
    } else if (arg == "--simulate") {
      line.simulate = true;
    } else {
      line.action = CommandLine::Action::Error;
      line.error = "unknown option '" + std::string(arg) + "' (try --help)";
      return line;
    }
  }
  return line;
}

std::string HelpText(std::string_view programName) {
  std::string text = "Usage: ";
  text += programName;
  text +=
      " [--simulate]\n"
      "Sets up a USB magnetic-stripe card reader (vendor 5131, product 2007):\n"
      "its output format, its upload mode, and reading the last swipe.\n"
      "\n"
      "  --simulate     work with a simulated reader instead of the USB reader\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n";
  return text;
}

std::string VersionText() { return std::string("magcfg ") + kMagcfgVersion + "\n"; }

}  // namespace magcfg
