#include "cli/docs_writer.h"

#include <map>
#include <vector>

#include "app/version.h"
#include "cli/help.h"
#include "cli/option_table.h"

namespace magcfg::cli {
namespace {

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

bool Applies(unsigned systems, unsigned of) { return (systems & of) != 0; }

// The option's name and value as roff: the name bold, the value italic.
std::string RoffSynopsis(const OptionInfo& option) {
  std::string text;
  if (!option.shortName.empty()) text += "\\fB" + Roff(option.shortName) + "\\fR, ";
  text += "\\fB" + Roff(option.name) + "\\fR";
  if (option.valueName.empty()) return text;
  const std::string value = "\\fI" + Roff(option.valueName) + "\\fR";
  return text + (option.optionalValue ? "[=" + value + "]" : " " + value);
}

std::string RoffCommands(unsigned systems) {
  std::string roff;
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems)) continue;
    roff += ".TP\n\\fB" + Roff(command.word) + "\\fR";
    if (!command.arguments.empty()) roff += " \\fI" + Roff(command.arguments) + "\\fR";
    roff += "\n" + Roff(command.description) + "\n";
  }
  return roff;
}

std::string RoffOptions(unsigned systems) {
  std::string roff;
  for (const OptionSection& section : OptionSections(systems)) {
    roff += ".SS " + Roff(section.heading) + "\n";
    for (const OptionEntry& entry : section.entries) {
      std::string names;
      for (const OptionInfo* row : entry.rows) names += (names.empty() ? "" : ", ") + RoffSynopsis(*row);
      roff += ".TP\n" + names + "\n" + Roff(entry.help) + "\n";
    }
  }
  return roff + ".TP\n\\fB\\-\\-\\fR\nend of the options: what follows is not an option\n";
}

std::string RoffExitStatus(unsigned systems) {
  std::string roff;
  for (const ExitStatusInfo& status : ExitStatusTable()) {
    if (!Applies(systems, status.systems)) continue;
    roff += ".TP\n.B " + std::to_string(AsInt(status.code)) + "\n" + Roff(status.meaning) + "\n";
  }
  return roff;
}

std::vector<const OptionInfo*> OptionsOf(unsigned systems, unsigned command, bool withoutCommand) {
  std::vector<const OptionInfo*> options;
  for (const OptionInfo& option : OptionTable()) {
    if (!Applies(systems, option.systems)) continue;
    if (withoutCommand ? option.withoutCommand : (option.commands & command) != 0) options.push_back(&option);
  }
  return options;
}

std::string CommandWords(unsigned systems) {
  std::string words;
  for (const CommandInfo& command : CommandTable()) {
    if (Applies(systems, command.systems)) words += (words.empty() ? "" : " ") + std::string(command.word);
  }
  return words;
}

// The option ends the line's meaning: nothing else is offered with it.
bool EndsTheLine(const OptionInfo& option) { return option.name == "--help" || option.name == "--version"; }

// Inside '...' in bash, zsh and fish alike.
std::string SingleQuoted(std::string_view text, std::string_view quote) {
  return "'" + Replaced(std::string(text), "'", quote) + "'";
}

std::string BashValueAction(const OptionInfo& option) {
  switch (option.kind) {
    case ValueKind::File: return "COMPREPLY=($(compgen -f -- \"$cur\"))";
    case ValueKind::ReaderNode: return "COMPREPLY=($(compgen -W \"$(ls -d /dev/hidraw* 2>/dev/null)\" -- \"$cur\"))";
    case ValueKind::KeyboardNode:
      return "COMPREPLY=($(compgen -W \"$(ls -d /dev/input/event* 2>/dev/null)\" -- \"$cur\"))";
    case ValueKind::Group: return "COMPREPLY=($(compgen -g -- \"$cur\"))";
    case ValueKind::Words: return "COMPREPLY=($(compgen -W \"" + std::string(option.words) + "\" -- \"$cur\"))";
    case ValueKind::None:
    case ValueKind::Text: break;
  }
  return ":";  // a value nothing can guess
}

std::string ZshSpec(const OptionInfo& option) {
  const std::string summary =
      Replaced(Replaced(Replaced(std::string(option.summary), "[", "\\["), "]", "\\]"), "'", "'\\''");
  std::string zshArgument;
  if (EndsTheLine(option)) zshArgument += "'(- *)'";
  if (!option.shortName.empty()) {
    zshArgument += "{" + std::string(option.shortName) + "," + std::string(option.name) + "}'[" + summary + "]";
  } else {
    zshArgument += "'" + std::string(option.name) + (option.optionalValue ? "=-" : "") + "[" + summary + "]";
  }
  if (option.optionalValue) return zshArgument + "::" + std::string(option.valueName) + ": '";
  if (option.values == 3) {
    std::string names(option.valueName);
    for (std::size_t at = 0; at != std::string::npos;) {
      const std::size_t space = names.find(' ', at);
      zshArgument += ":" + names.substr(at, space == std::string::npos ? std::string::npos : space - at) + ": ";
      at = space == std::string::npos ? space : space + 1;
    }
    return zshArgument + "'";
  }
  if (option.values == 0) return zshArgument + "'";
  zshArgument += ":" + std::string(option.valueName) + ":";
  switch (option.kind) {
    case ValueKind::File: zshArgument += "_files"; break;
    case ValueKind::ReaderNode: zshArgument += "{compadd - /dev/hidraw*(N)}"; break;
    case ValueKind::KeyboardNode: zshArgument += "{compadd - /dev/input/event*(N)}"; break;
    case ValueKind::Group: zshArgument += "_groups"; break;
    case ValueKind::Words: zshArgument += "(" + std::string(option.words) + ")"; break;
    case ValueKind::None:
    case ValueKind::Text: zshArgument += " "; break;
  }
  return zshArgument + "'";
}

std::string FishValue(const OptionInfo& option) {
  if (option.values == 0) return "";
  switch (option.kind) {
    case ValueKind::File: return " -r -F";
    case ValueKind::ReaderNode: return " -x -a '(__fish_complete_path /dev/hidraw)'";
    case ValueKind::KeyboardNode: return " -x -a '(__fish_complete_path /dev/input/event)'";
    case ValueKind::Group: return " -x -a '(__fish_complete_groups)'";
    case ValueKind::Words: return " -x -a '" + std::string(option.words) + "'";
    case ValueKind::None:
    case ValueKind::Text: break;
  }
  return " -x";
}

}  // namespace

std::string Roff(std::string_view text) {
  std::string roff;
  for (const char c : text) {
    if (c == '\\') {
      roff += "\\e";
    } else if (c == '-') {
      roff += "\\-";
    } else {
      roff += c;
    }
  }
  if (!roff.empty() && (roff[0] == '.' || roff[0] == '\'')) roff.insert(0, "\\&");
  return roff;
}

std::string ManualPage(std::string_view pageTemplate, unsigned systems) {
  const std::map<std::string_view, std::string> sections = {
      {"@COMMANDS@", RoffCommands(systems)},
      {"@OPTIONS@", RoffOptions(systems)},
      {"@OUTPUT@", Roff(OutputParagraph()) + "\n"},
      {"@EXIT_STATUS@", RoffExitStatus(systems)},
  };
  std::string page;
  while (!pageTemplate.empty()) {
    const std::size_t end = pageTemplate.find('\n');
    const std::string_view line = pageTemplate.substr(0, end);
    pageTemplate = end == std::string_view::npos ? std::string_view() : pageTemplate.substr(end + 1);
    const auto section = sections.find(line);
    page += section != sections.end() ? section->second : std::string(line) + "\n";
  }
  return Replaced(page, "@VERSION@", kMagcfgVersion);
}

std::string BashCompletion(unsigned systems) {
  std::string script =
      "# bash completion for magcfg-cli: its commands, each command's options, and\n"
      "# reader paths and other values where they can be listed. Written by the\n"
      "# build from magcfg-cli's option table.\n"
      "_magcfg_cli() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      "  local commands=\"" +
      CommandWords(systems) +
      "\"\n"
      "  local command=\"\" word\n"
      "  for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
      "    [[ $word == -- ]] && break\n"
      "    case \" $commands \" in *\" $word \"*) command=$word; break ;; esac\n"
      "  done\n\n"
      "  # The value of the option before the cursor.\n"
      "  case \"$command $prev\" in\n";
  // One case for the options whose values complete alike.
  std::map<std::string, std::vector<std::string>> patterns;
  std::vector<std::string> order;
  for (const OptionInfo& option : OptionTable()) {
    if (!Applies(systems, option.systems) || (option.values == 0)) continue;
    const std::string action = BashValueAction(option);
    if (patterns.find(action) == patterns.end()) order.push_back(action);
    std::vector<std::string>& list = patterns[action];
    if (option.withoutCommand) list.push_back("\" " + std::string(option.name) + "\"");
    for (const CommandInfo& command : CommandTable()) {
      if ((option.commands & CommandBit(command.command)) != 0 && Applies(systems, command.systems)) {
        list.push_back("\"" + std::string(command.word) + " " + std::string(option.name) + "\"");
      }
    }
  }
  for (const std::string& action : order) {
    std::string joined;
    for (const std::string& pattern : patterns[action]) joined += (joined.empty() ? "" : " | ") + pattern;
    script += "    " + joined + ")\n      " + action + "; return ;;\n";
  }
  script += "  esac\n\n  local options\n  case $command in\n";
  const auto names = [&](unsigned command, bool withoutCommand) {
    std::string list;
    for (const OptionInfo* option : OptionsOf(systems, command, withoutCommand)) {
      list += (list.empty() ? "" : " ") + std::string(option->name);
    }
    return list;
  };
  script += "    \"\") options=\"$commands " + names(0, true) + "\" ;;\n";
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems)) continue;
    script += "    " + std::string(command.word) + ")\n";
    if (!command.argumentWords.empty()) {
      script += "      if [[ $prev == " + std::string(command.word) + " && $cur != -* ]]; then COMPREPLY=($(compgen -W \"" +
                std::string(command.argumentWords) + "\" -- \"$cur\")); return; fi\n";
    }
    script += "      options=\"" + names(CommandBit(command.command), false) + "\" ;;\n";
  }
  return script +
         "  esac\n"
         "  COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "}\n"
         "complete -F _magcfg_cli magcfg-cli\n";
}

std::string ZshCompletion(unsigned systems) {
  std::string script =
      "#compdef magcfg-cli\n"
      "# zsh completion for magcfg-cli: its commands, each command's options, and\n"
      "# reader paths and other values where they can be listed. Written by the\n"
      "# build from magcfg-cli's option table.\n\n"
      "local -a commands\n"
      "commands=(\n";
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems)) continue;
    script += "  " + SingleQuoted(std::string(command.word) + ":" + std::string(command.summary), "'\\''") + "\n";
  }
  script +=
      ")\n\n"
      "local command word\n"
      "for word in ${words[2,CURRENT-1]}; do\n"
      "  [[ $word == -- ]] && break\n"
      "  if (( ${commands[(I)$word:*]} )); then command=$word; break; fi\n"
      "done\n"
      "case $command in\n"
      "  '')\n"
      "    if [[ $PREFIX == -* ]]; then\n"
      "      _arguments";
  for (const OptionInfo* option : OptionsOf(systems, 0, true)) script += " \\\n        " + ZshSpec(*option);
  script +=
      "\n    else\n"
      "      _describe -t commands 'magcfg-cli command' commands\n"
      "    fi ;;\n";
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems)) continue;
    script += "  " + std::string(command.word) + ")\n    _arguments";
    for (const OptionInfo* option : OptionsOf(systems, CommandBit(command.command), false)) {
      script += " \\\n      " + ZshSpec(*option);
    }
    if (!command.argumentWords.empty()) {
      script += " \\\n      ':" + std::string(command.word) + ":(" + std::string(command.argumentWords) + ")'";
    }
    script += " ;;\n";
  }
  return script + "esac\n";
}

std::string FishCompletion(unsigned systems) {
  const std::string commands = CommandWords(systems);
  std::string script =
      "# fish completion for magcfg-cli: its commands, each command's options, and\n"
      "# reader paths and other values where they can be listed. Written by the\n"
      "# build from magcfg-cli's option table.\n"
      "set -l commands " +
      commands +
      "\n"
      "complete -c magcfg-cli -f\n";
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems)) continue;
    script += "complete -c magcfg-cli -n \"not __fish_seen_subcommand_from $commands\" -a " +
              std::string(command.word) + " -d " + SingleQuoted(command.summary, "\\'") + "\n";
  }
  for (const CommandInfo& command : CommandTable()) {
    if (!Applies(systems, command.systems) || command.argumentWords.empty()) continue;
    script += "complete -c magcfg-cli -n \"__fish_seen_subcommand_from " + std::string(command.word) + "\" -a " +
              SingleQuoted(command.argumentWords, "\\'") + "\n";
  }
  for (const OptionInfo& option : OptionTable()) {
    if (!Applies(systems, option.systems)) continue;
    std::string taking;
    for (const CommandInfo& command : CommandTable()) {
      if ((option.commands & CommandBit(command.command)) != 0 && Applies(systems, command.systems)) {
        taking += " " + std::string(command.word);
      }
    }
    std::string condition;
    if (option.withoutCommand && taking.empty()) {
      condition = " -n \"not __fish_seen_subcommand_from $commands\"";
    } else if (!option.withoutCommand) {
      condition = " -n \"__fish_seen_subcommand_from" + taking + "\"";
    }
    script += "complete -c magcfg-cli" + condition;
    if (!option.shortName.empty()) script += " -s " + std::string(option.shortName.substr(1));
    script += " -l " + std::string(option.name.substr(2)) + FishValue(option) + " -d " +
              SingleQuoted(option.summary, "\\'") + "\n";
  }
  return script;
}

}  // namespace magcfg::cli
