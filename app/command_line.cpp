#include "app/command_line.h"

#include "app/version.h"
#include "reader/card_data.h"
#include "text/visible_text.h"

namespace magcfg {
namespace {

std::optional<UiLanguage> LanguageNamed(std::string_view name) {
  if (name == "en") return UiLanguage::English;
  if (name == "zh") return UiLanguage::Chinese;
  return std::nullopt;
}

// What the operator gave, as a message shows it.
std::string Quoted(std::string_view value) {
  std::string quoted(1, '\'');
  quoted += Echo(value, kEchoedCharacters, reader::MaskRuns);
  return quoted + '\'';
}

CommandLine Failure(std::string error) {
  CommandLine line;
  line.action = CommandLine::Action::Error;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.action = CommandLine::Action::ShowHelp;
    } else if (arg == "--version" || arg == "-V") {
      if (line.action != CommandLine::Action::ShowHelp) line.action = CommandLine::Action::ShowVersion;
    } else if (arg == "--simulate") {
      line.simulate = true;
    } else if (arg == "--language" || arg.starts_with("--language=")) {
      std::string_view value;
      if (arg == "--language") {
        if (i + 1 == args.size()) return Failure("--language needs a value: en or zh");
        value = args[++i];
      } else {
        value = arg.substr(std::string_view("--language=").size());
      }
      line.language = LanguageNamed(value);
      if (!line.language) return Failure("--language must be en or zh, not " + Quoted(value));
    } else {
      return Failure("unknown option " + Quoted(arg) + " (try --help)");
    }
  }
  return line;
}

UiLanguage LanguageOfLocale(std::string_view lcAll, std::string_view lcMessages, std::string_view lang) {
  for (std::string_view value : {lcAll, lcMessages, lang}) {
    if (value.empty()) continue;
    return value.starts_with("zh") ? UiLanguage::Chinese : UiLanguage::English;
  }
  return UiLanguage::English;
}

std::string HelpText(std::string_view programName) {
  std::string text = "Usage: ";
  text += programName;
  text +=
      " [--simulate] [--language en|zh]\n"
      "Sets up a USB magnetic-stripe card reader (vendor 5131, product 2007):\n"
      "its output format, its upload mode, and reading the last swipe.\n"
      "\n"
      "  --simulate       work with a simulated reader instead of the USB reader\n"
      "  --language LANG  show the window in English (en) or Chinese (zh)\n"
      "  -h, --help       show this help and exit\n"
      "  -V, --version    show the version and exit\n";
  return text;
}

std::string VersionText() { return std::string("magcfg ") + kMagcfgVersion + "\n"; }

}  // namespace magcfg
