#include "cli/option_table.h"

#include <algorithm>
#include <iterator>

namespace magcfg::cli {
namespace {

constexpr unsigned kReaderCommands = CommandBit(Command::SetFormat) | CommandBit(Command::Mode) |
                                     CommandBit(Command::Status) | CommandBit(Command::Read) |
                                     CommandBit(Command::Version);
constexpr unsigned kFormatCommands =
    CommandBit(Command::SetFormat) | CommandBit(Command::Preview) | CommandBit(Command::Watch);
// swipes splits by the sentinels only: the other format settings do not apply.
constexpr unsigned kSentinelCommands = kFormatCommands | CommandBit(Command::Swipes);
constexpr unsigned kEveryCommand = kReaderCommands | CommandBit(Command::List) | CommandBit(Command::Preview) |
                                   CommandBit(Command::Watch) | CommandBit(Command::Swipes);
// Commands that send reports: preview needs no reader, swipes reads a keyboard.
constexpr unsigned kReportCommands = kReaderCommands | CommandBit(Command::List) | CommandBit(Command::Watch);

constexpr CommandInfo kCommands[] = {
    {"list", Command::List, "", "", "the readers attached: path and version number",
     "Lists the readers attached: the path of each, its version number as the window's Find Device shows it, and "
     "on Linux the keyboard nodes it types through.",
     kEverySystem},
    {"set-format", Command::SetFormat, "", "", "send an output format to the reader",
     "Sends an output format to the reader and reports its verdict: the factory format, overlaid by a profile "
     "(--profile), overlaid by the format options given.",
     kEverySystem},
    {"mode", Command::Mode, "active|passive", "active passive", "active or passive upload",
     "Puts the reader in active upload (it types each swipe like a keyboard) or passive upload (it keeps the "
     "swipe until read fetches it).",
     kEverySystem},
    {"status", Command::Status, "", "", "how the last swipe went",
     "Asks the reader how the last swipe went: 刷卡成功 (swipe OK), 刷卡失败 (swipe failed) or 没有刷卡 (no "
     "swipe).",
     kEverySystem},
    {"read", Command::Read, "", "", "fetch the last swipe's tracks (passive upload)",
     "Fetches the tracks of the last swipe from a reader in passive upload. A track without data shows as "
     "空白轨道 (blank track).",
     kEverySystem},
    {"version", Command::Version, "", "", "the reader's version text", "Asks the reader for its version text.",
     kEverySystem},
    {"preview", Command::Preview, "", "", "what a reader with the format would type, without a reader",
     "Shows what a reader with the format would type for a swipe (a sample card, or the three track texts given "
     "with --swipe), without any reader.",
     kEverySystem},
    {"watch", Command::Watch, "", "", "set up every reader as it is plugged in",
     "Sets up every reader attached, then each reader as it is plugged in, until interrupted (Ctrl+C, SIGINT or "
     "SIGTERM end it with status 0): the format first (when given), then the upload mode (when given). It says "
     "once on standard error that it is waiting, then prints one line per reader set up and one per reader "
     "pulled out; a reader that fails half-way is reported and the watch goes on.",
     kEverySystem},
    {"swipes", Command::Swipes, "", "", "read swipes from the reader's own keyboard",
     "Reads the reader's own keyboard (active upload) and prints each swipe split into its three tracks, one "
     "line per swipe, the tracks separated by tabs; a swipe ends at the reader's line break. The sentinels and "
     "--profile say how the reader's format splits the tracks. A reader unplugged and plugged in again is read "
     "again.",
     kLinux},
};

constexpr std::string_view kSentinelHelp =
    "a track's start or end sentinel: one character from U+0000 to U+00FE, or an empty value ('') for none";
constexpr std::string_view kTrackLists = "1 2 3 1,2 1,3 2,3 1,2,3";

// The order is the help's. Rows of one name differ in the commands that take
// them and in what they mean there.
constexpr OptionInfo kOptions[] = {
    {"--t1-start", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text,
     "", "start sentinel of track 1", kSentinelHelp},
    {"--t1-end", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text, "",
     "end sentinel of track 1", kSentinelHelp},
    {"--t2-start", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text,
     "", "start sentinel of track 2", kSentinelHelp},
    {"--t2-end", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text, "",
     "end sentinel of track 2", kSentinelHelp},
    {"--t3-start", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text,
     "", "start sentinel of track 3", kSentinelHelp},
    {"--t3-end", "", "C", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Text, "",
     "end sentinel of track 3", kSentinelHelp},
    {"--tracks", "", "LIST", 1, false, kFormatCommands, false, kEverySystem, OptionGroup::Format, ValueKind::Words,
     kTrackLists, "the tracks output", "the tracks the reader outputs, at least one: 1,2,3 or fewer, as in 1,3"},
    {"--cr-after", "", "WHERE", 1, false, kFormatCommands, false, kEverySystem, OptionGroup::Format,
     ValueKind::Words, "packet none 1 2 3 1,2 1,3 2,3 1,2,3", "where carriage returns go",
     "a carriage return after the tracks listed (1,3), after the whole packet (packet), or none (none)"},
    {"--default", "", "", 0, false, kFormatCommands, false, kEverySystem, OptionGroup::Format, ValueKind::None, "",
     "the factory format",
     "the factory format: % ? ; ? + ?, tracks 1,2,3, a carriage return after the packet; no other format option "
     "goes with it"},
    {"--profile", "", "FILE", 1, false, kSentinelCommands, false, kEverySystem, OptionGroup::Format,
     ValueKind::File, "", "settings from a JSON file",
     "the settings from a JSON file with the option names as keys, e.g. {\"t1-start\": \"%\", \"t3-end\": null, "
     "\"tracks\": [1, 2], \"cr-after\": [1, 2]}; options given as well override it"},

    {"--path", "", "PATH", 1, false, kReaderCommands, false, kEverySystem, OptionGroup::WhichReader,
     ValueKind::ReaderNode, "", "the reader at PATH", "the reader at PATH, as list shows it"},
    {"--path", "", "NODE", 1, false, CommandBit(Command::Swipes), false, kLinux, OptionGroup::WhichReader,
     ValueKind::KeyboardNode, "", "the reader's keyboard at NODE",
     "the reader's keyboard node, as list shows it, or a link to it such as /dev/input/by-id/...-event-kbd"},
    {"--all", "", "", 0, false, kReaderCommands, false, kEverySystem, OptionGroup::WhichReader, ValueKind::None, "",
     "every reader attached", "every reader attached, served in parallel"},
    {"--wait", "", "SECONDS", 1, false, kReaderCommands | CommandBit(Command::Watch), false, kEverySystem,
     OptionGroup::WhichReader, ValueKind::Text, "", "how long to wait for a busy reader",
     "how long to wait for a reader another program is using (0 to 600, decimals allowed; 5 by default)"},

    {"--tracks", "", "LIST", 1, false, CommandBit(Command::Read), false, kEverySystem, OptionGroup::OfOneCommand,
     ValueKind::Words, "2,3 1 2 3 1,2 1,3 1,2,3", "the tracks to fetch",
     "the tracks to fetch: 2,3 (the default), 1, 2, 3, 1,2, 1,3 or 1,2,3, or the window's code for them, 0 to 6 "
     "in that order"},
    {"--swipe", "", "T1 T2 T3", 3, false, CommandBit(Command::Preview), false, kEverySystem,
     OptionGroup::OfOneCommand, ValueKind::Text, "", "three track texts",
     "the three track texts of the swipe to show instead of the sample card"},
    {"--mode", "", "active|passive", 1, false, CommandBit(Command::Watch), false, kEverySystem, OptionGroup::OfOneCommand,
     ValueKind::Words, "active passive", "the upload mode", "the upload mode to put each reader in"},
    {"--grab", "", "", 0, false, CommandBit(Command::Swipes), false, kLinux, OptionGroup::OfOneCommand,
     ValueKind::None, "", "take the keyboard for this program",
     "take the reader's keyboard for this program alone, so that the swipes are not typed into the focused "
     "window too"},
    {"--count", "", "N", 1, false, CommandBit(Command::Swipes), false, kLinux, OptionGroup::OfOneCommand,
     ValueKind::Text, "", "stop after N swipes", "stop after N swipes (1 to 9999)"},

    {"--json", "", "", 0, false, kEveryCommand, false, kLinux, OptionGroup::Output, ValueKind::None, "",
     "print JSON", "print JSON instead of text (watch and swipes: one JSON object per line)"},
    {"--json", "", "", 0, false, kEveryCommand, false, kWindows, OptionGroup::Output, ValueKind::None, "",
     "print JSON", "print JSON instead of text (watch: one JSON object per line)"},
    {"--verbose", "", "", 0, false, kReportCommands, false, kEverySystem, OptionGroup::Output, ValueKind::None, "",
     "write every report to standard error",
     "write every report written and read, in hex, and every notice to standard error"},
    {"--show-card-data", "", "", 0, false, kEveryCommand, false, kEverySystem, OptionGroup::Output, ValueKind::None,
     "", "show card numbers whole",
     "show card numbers whole; by default a track's account number and any run of 12 to 19 digits that passes "
     "the Luhn check show only their first six and last four digits"},

    {"--simulate", "", "N", 0, true, kReaderCommands | CommandBit(Command::List), false, kEverySystem,
     OptionGroup::Program, ValueKind::None, "", "work with simulated readers",
     "work with N simulated readers (1 if N is not given) instead of the readers attached"},
    {"--print-udev-rules", "", "", 0, false, 0, true, kLinux, OptionGroup::Program, ValueKind::None, "",
     "print the udev rule", "print the udev rule that gives the reader to the user at the seat alone, and exit"},
    {"--group", "", "NAME", 1, false, 0, true, kLinux, OptionGroup::Program, ValueKind::Group, "",
     "with --print-udev-rules: give group NAME the reader too",
     "with --print-udev-rules: the rule gives the reader to group NAME as well; every member of it can then read "
     "the card numbers swiped at the seat"},
    {"--help", "-h", "", 0, false, kEveryCommand, true, kEverySystem, OptionGroup::Program, ValueKind::None, "",
     "show the help and exit", "show the help (after a command: that command's) and exit"},
    {"--version", "-V", "", 0, false, 0, true, kEverySystem, OptionGroup::Program, ValueKind::None, "",
     "show the version and exit", "show the program's version and exit"},
};

constexpr GroupInfo kGroups[] = {
    {OptionGroup::Format, "Format", "what is not given keeps the factory value"},
    {OptionGroup::WhichReader, "Which reader", "without either, the first reader found"},
    {OptionGroup::OfOneCommand, "Options of one command", ""},
    {OptionGroup::Output, "Output options", ""},
    {OptionGroup::Program, "Other options", ""},
};

constexpr ExitStatusInfo kExitStatuses[] = {
    {ExitCode::Success, "success (watch: interrupted)"},
    {ExitCode::Refused, "the reader refused the request or gave no verdict"},
    {ExitCode::Usage, "usage error: bad option, value or profile; nothing was sent"},
    {ExitCode::NoReader, "no reader attached (or none at --path), or it went away (unplugged) during the command"},
    {ExitCode::TimedOut, "time-out: the request could not be written, or no reply came in time"},
    {ExitCode::Failed,
     "other failure: report length not supported, no HID report description, a write or read that failed, HID "
     "services failing, output that could not be written"},
    {ExitCode::PermissionDenied,
     "permission denied: a reader is attached but may not be opened (install the udev rule: see "
     "--print-udev-rules)",
     kLinux},
    {ExitCode::PermissionDenied, "permission denied: a reader is attached but may not be opened", kWindows},
    {ExitCode::Busy, "busy: another program kept the reader for the whole --wait; nothing was sent"},
};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }
std::span<const OptionInfo> OptionTable() { return kOptions; }
std::span<const GroupInfo> GroupTable() { return kGroups; }
std::span<const ExitStatusInfo> ExitStatusTable() { return kExitStatuses; }

const CommandInfo* FindCommandWord(std::string_view word) {
  const auto* found =
      std::find_if(std::begin(kCommands), std::end(kCommands), [&](const CommandInfo& c) { return c.word == word; });
  return found == std::end(kCommands) ? nullptr : found;
}

const CommandInfo& InfoOf(Command command) {
  const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [&](const CommandInfo& c) { return c.command == command; });
  return *found;  // every command has its row
}

const OptionInfo* FindOption(std::string_view name) {
  for (const OptionInfo& option : kOptions) {
    if (option.name == name || (!option.shortName.empty() && option.shortName == name)) return &option;
  }
  return nullptr;
}

const OptionInfo* FindOption(std::string_view name, Command command) {
  for (const OptionInfo& option : kOptions) {
    if (option.name == name && (option.commands & CommandBit(command)) != 0) return &option;
  }
  return nullptr;
}

std::optional<std::string> NotAvailableOn(unsigned system, std::string_view word) {
  bool known = false;
  bool here = false;
  if (const CommandInfo* command = FindCommandWord(word)) {
    known = true;
    here = (command->systems & system) != 0;
  }
  for (const OptionInfo& option : OptionTable()) {
    if (option.name != word) continue;
    known = true;
    here = here || (option.systems & system) != 0;
  }
  if (!known || here) return std::nullopt;
  return std::string(word) + " is not available on " + std::string(SystemName(system));
}

}  // namespace magcfg::cli
