// magcfg-cli's commands, options and exit statuses as data. The parser takes
// from it which options each command takes and how many values each has; the
// help, the manual page and the bash, zsh and fish completions are written
// from it, so that none of them offers an option the parser refuses.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/exit_code.h"
#include "cli/options.h"
#include "cli/systems.h"

namespace magcfg::cli {

constexpr unsigned CommandBit(Command command) { return 1u << static_cast<unsigned>(command); }

struct CommandInfo {
  std::string_view word;
  Command command;
  std::string_view arguments;      // what follows the command word, as usage shows it ("active|passive")
  std::string_view argumentWords;  // the words completion offers for them
  std::string_view summary;        // a few words, for the list of commands and the completions
  std::string_view description;    // the command's help, one paragraph
  unsigned systems;
};

// What a shell's completion offers for an option's value.
enum class ValueKind { None, Text, File, ReaderNode, KeyboardNode, Group, Words };

// Where the whole help and the manual page list an option.
enum class OptionGroup { Format, WhichReader, OfOneCommand, Output, Program };

struct OptionInfo {
  std::string_view name;       // "--tracks"
  std::string_view shortName;  // "-h", or empty
  std::string_view valueName;  // as help shows the value ("LIST"); empty when it takes none
  int values;                  // how many values follow it: 0, 1 or 3
  bool optionalValue;          // its value comes only joined by '=' (--simulate[=N])
  unsigned commands;           // the commands that take it (CommandBit)
  bool withoutCommand;         // it stands on a line without a command too
  unsigned systems;
  OptionGroup group;
  ValueKind kind;
  std::string_view words;    // ValueKind::Words: what completion offers, separated by spaces
  std::string_view summary;  // a few words, for the completions
  std::string_view help;     // one paragraph; rows next to each other with the same help are shown together
};

struct GroupInfo {
  OptionGroup group;
  std::string_view title;
  std::string_view note;  // said after the title, or empty
};

struct ExitStatusInfo {
  ExitCode code;
  std::string_view meaning;
  unsigned systems = kEverySystem;  // a status may be said one way per system
};

std::span<const CommandInfo> CommandTable();
std::span<const OptionInfo> OptionTable();
std::span<const GroupInfo> GroupTable();
std::span<const ExitStatusInfo> ExitStatusTable();

const CommandInfo* FindCommandWord(std::string_view word);
const CommandInfo& InfoOf(Command command);
// The first option of that name or short name, nullptr for none. Rows of one
// name take the same number of values.
const OptionInfo* FindOption(std::string_view name);
// That option's row for the command; nullptr when the command does not take it.
const OptionInfo* FindOption(std::string_view name, Command command);

// The refusal of a command word or an option name that has no row on the
// system ("swipes is not available on Windows"); nullopt where it has one.
std::optional<std::string> NotAvailableOn(unsigned system, std::string_view word);

}  // namespace magcfg::cli
