#include "cli/help.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace magcfg::cli {
namespace {

constexpr std::size_t kWidth = 79;
constexpr std::size_t kHelpColumn = 24;

constexpr std::string_view kAbout =
    "Sets up USB magnetic-stripe card readers (USB 5131:2007) from scripts, one reader or a whole bench of them.";

constexpr std::string_view kOutput =
    "Text puts results on standard output and failures on standard error, one line per result; with --all each "
    "line starts with the reader's path. Control characters show as <CR>, <LF>, <Tab> or <0xNN>, the Enter key a "
    "reader types for a carriage return as <Enter>, and '<' itself as <<. A blank track shows as 空白轨道 (blank "
    "track). --json prints one object, or with --all an array of one object per reader; a blank track there is "
    "null.";

// The commands of the systems given, as CommandBit.
unsigned CommandsOn(unsigned systems) {
  unsigned every = 0;
  for (const CommandInfo& command : CommandTable()) {
    if ((command.systems & systems) != 0) every |= CommandBit(command.command);
  }
  return every;
}

bool Applies(const OptionInfo& option, unsigned systems) { return (option.systems & systems) != 0; }

// Words laid out in lines of at most kWidth characters, each line after the
// first indented by `indent`; `used` characters of the first line are taken.
std::string Wrapped(std::string_view text, std::size_t used, std::size_t indent) {
  std::string out;
  std::size_t column = used;
  bool lineEmpty = true;
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    if (word.empty()) continue;
    // Columns, not bytes: a Chinese character is three bytes and two columns.
    std::size_t columns = 0;
    for (const char c : word) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    for (const char c : word) columns += static_cast<unsigned char>(c) >= 0xE0 ? 1 : 0;
    if (!lineEmpty && column + 1 + columns > kWidth) {
      out += '\n' + std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += columns;
    lineEmpty = false;
  }
  return out + '\n';
}

// "  NAME" with its text from column kHelpColumn, or below it when the name
// is too long.
std::string Item(const std::string& name, std::string_view text) {
  std::string out = "  " + name;
  if (out.size() + 2 > kHelpColumn) {
    out += '\n' + std::string(kHelpColumn, ' ');
  } else {
    out += std::string(kHelpColumn - out.size(), ' ');
  }
  return out + Wrapped(text, kHelpColumn, kHelpColumn);
}

std::string EntryText(const OptionEntry& entry) {
  std::string names;
  for (const OptionInfo* row : entry.rows) names += (names.empty() ? "" : ", ") + OptionSynopsis(*row);
  return Item(names, entry.help);
}

std::string Heading(const OptionSection& section) { return Wrapped(section.heading + ":", 0, 0); }

// Consecutive rows of the systems given with the same help and commands, one entry each.
std::vector<OptionEntry> Entries(unsigned systems, OptionGroup group, unsigned command) {
  std::vector<OptionEntry> entries;
  const OptionInfo* last = nullptr;
  for (const OptionInfo& option : OptionTable()) {
    if (!Applies(option, systems) || option.group != group) continue;
    if (command != 0 && (option.commands & command) == 0) continue;
    if (last != nullptr && last->help == option.help && last->commands == option.commands) {
      entries.back().rows.push_back(&option);
    } else {
      entries.push_back({{&option}, std::string(option.help)});
    }
    last = &option;
  }
  return entries;
}

}  // namespace

std::string OptionSynopsis(const OptionInfo& option) {
  std::string text = option.shortName.empty() ? std::string() : std::string(option.shortName) + ", ";
  text += option.name;
  if (option.valueName.empty()) return text;
  if (option.optionalValue) return text + "[=" + std::string(option.valueName) + "]";
  return text + " " + std::string(option.valueName);
}

std::string CommandsNamed(unsigned commands, unsigned systems) {
  const auto named = [](const std::vector<std::string_view>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
      text += words[i];
    }
    return text;
  };
  std::vector<std::string_view> in;
  std::vector<std::string_view> out;
  for (const CommandInfo& command : CommandTable()) {
    if ((command.systems & systems) == 0) continue;
    ((commands & CommandBit(command.command)) != 0 ? in : out).push_back(command.word);
  }
  if (out.empty()) return "every command";
  if (out.size() <= 2 && out.size() < in.size()) return "every command but " + named(out);
  return named(in);
}

std::vector<OptionSection> OptionSections(unsigned systems) {
  const unsigned every = CommandsOn(systems);
  std::vector<OptionSection> sections;
  for (const GroupInfo& group : GroupTable()) {
    OptionSection section{std::string(group.title), Entries(systems, group.group, 0)};
    if (section.entries.empty()) continue;
    // The heading names the commands that at least half the entries go with;
    // the others say their own.
    std::map<unsigned, std::size_t> counts;
    for (const OptionEntry& entry : section.entries) {
      const unsigned commands = entry.rows.front()->commands & every;
      if (commands != 0 && commands != every) ++counts[commands];
    }
    unsigned common = 0;
    for (const auto& [commands, count] : counts) {
      if (2 * count >= section.entries.size()) common = commands;
    }
    if (common != 0) section.heading += " (" + CommandsNamed(common, systems) + ")";
    if (!group.note.empty()) section.heading += "; " + std::string(group.note);
    for (OptionEntry& entry : section.entries) {
      const unsigned commands = entry.rows.front()->commands & every;
      if (commands != 0 && commands != every && commands != common) {
        entry.help += " (" + CommandsNamed(commands, systems) + ")";
      }
    }
    sections.push_back(std::move(section));
  }
  return sections;
}

std::vector<OptionEntry> CommandOptions(Command command, unsigned systems) {
  std::vector<OptionEntry> entries;
  for (const GroupInfo& group : GroupTable()) {
    for (OptionEntry& entry : Entries(systems, group.group, CommandBit(command))) entries.push_back(std::move(entry));
  }
  return entries;
}

std::string_view OutputParagraph() { return kOutput; }

std::string HelpText(unsigned systems) {
  std::string text = "Usage: magcfg-cli [OPTIONS] COMMAND [OPTIONS]\n" + Wrapped(kAbout, 0, 0) + "\nCommands:\n";
  for (const CommandInfo& command : CommandTable()) {
    if ((command.systems & systems) == 0) continue;
    const std::string name =
        std::string(command.word) + (command.arguments.empty() ? "" : " " + std::string(command.arguments));
    text += Item(name, command.summary);
  }
  text += "'magcfg-cli COMMAND --help' lists the options of one command.\n";
  for (const OptionSection& section : OptionSections(systems)) {
    text += "\n" + Heading(section);
    for (const OptionEntry& entry : section.entries) text += EntryText(entry);
  }
  text += Item("--", "end of the options: what follows is not an option");
  // The paragraph starts a sentence in the manual page, and goes on one here.
  std::string output(kOutput);
  output[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(output[0])));
  text += "\nOutput: " + Wrapped(output, 8, 0);
  text += "\nExit status (with --all, the worst reader's, best to worst 0 1 2 3 4 7 5 6):\n";
  for (const ExitStatusInfo& status : ExitStatusTable()) {
    if ((status.systems & systems) == 0) continue;
    text += "  " + std::to_string(AsInt(status.code)) + "  " + Wrapped(status.meaning, 5, 5);
  }
  return text;
}

std::string CommandHelpText(Command command, unsigned systems) {
  const CommandInfo& info = InfoOf(command);
  std::string text = "Usage: magcfg-cli " + std::string(info.word) +
                     (info.arguments.empty() ? "" : " " + std::string(info.arguments)) + " [OPTIONS]\n" +
                     Wrapped(info.description, 0, 0) + "\nOptions:\n";
  for (const OptionEntry& entry : CommandOptions(command, systems)) text += EntryText(entry);
  return text + "\nExit status: 0 on success; 'magcfg-cli --help' lists the others.\n";
}

std::string ShortUsage() {
  std::string commands;
  for (const CommandInfo& command : CommandTable()) commands += (commands.empty() ? "" : ", ") + std::string(command.word);
  return "Usage: magcfg-cli [OPTIONS] COMMAND [OPTIONS]\nCommands: " + commands +
         "\nTry 'magcfg-cli --help', or 'magcfg-cli COMMAND --help' for one command.\n";
}

}  // namespace magcfg::cli
