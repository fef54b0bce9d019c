#include "cli/options.h"

#include <algorithm>
#include <vector>

#include "cli/access_rule.h"
#include "cli/format_options.h"
#include "cli/option_table.h"
#include "cli/visible_text.h"

namespace magcfg::cli {
namespace {

struct Given {
  const OptionInfo* rule;
  std::vector<std::string> values;
};

using Result = Checked<Invocation>;

std::optional<int> SmallNumber(std::string_view text, int lowest, int highest) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < lowest || value > highest) return std::nullopt;
  return value;
}

// Seconds, with at most three decimals, as milliseconds.
std::optional<int> Milliseconds(std::string_view text, int highestMs) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (fraction.size() > 3 || (point != std::string_view::npos && fraction.empty())) return std::nullopt;
  const std::optional<int> seconds = SmallNumber(whole, 0, highestMs / 1000);
  if (!seconds) return std::nullopt;
  int ms = *seconds * 1000;
  int scale = 100;
  for (const char c : fraction) {
    if (c < '0' || c > '9') return std::nullopt;
    ms += (c - '0') * scale;
    scale /= 10;
  }
  if (ms > highestMs) return std::nullopt;
  return ms;
}

// The arguments before "--", where options can stand.
std::span<const std::string> OptionPart(std::span<const std::string> args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  return args.first(static_cast<std::size_t>(end - args.begin()));
}

// One of names standing as an option of its own before "--", not as the
// value of another option ("preview --swipe --help b c" gives --help as a value).
bool Has(std::span<const std::string> args, std::initializer_list<std::string_view> names) {
  const std::span<const std::string> options = OptionPart(args);
  for (std::size_t i = 0; i < options.size(); ++i) {
    const std::string& arg = options[i];
    if (std::find(names.begin(), names.end(), arg) != names.end()) return true;
    const OptionInfo* rule = arg.starts_with("--") && arg.find('=') == std::string::npos ? FindOption(arg) : nullptr;
    if (rule != nullptr) i += static_cast<std::size_t>(rule->values);
  }
  return false;
}

}  // namespace

std::string_view CommandName(Command command) { return InfoOf(command).word; }

Result ParseArguments(std::span<const std::string> args, unsigned system) {
  Invocation invocation;
  if (args.empty()) {
    invocation.action = Invocation::Action::ShowUsage;
    return Result::Ok(invocation);
  }
  if (Has(args, {"--help", "-h"})) {
    // The first command word on the line names the help asked for.
    invocation.action = Invocation::Action::ShowHelp;
    for (const std::string& arg : OptionPart(args)) {
      if (const CommandInfo* command = FindCommandWord(arg)) {
        invocation.action = Invocation::Action::ShowCommandHelp;
        invocation.command = command->command;
        break;
      }
    }
    return Result::Ok(invocation);
  }
  if (Has(args, {"--version", "-V"})) {
    invocation.action = Invocation::Action::ShowProgramVersion;
    return Result::Ok(invocation);
  }

  // Split the line into options with their values and plain words.
  std::vector<Given> given;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
      continue;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const OptionInfo* rule = FindOption(name);
    if (rule == nullptr) return Result::Fail("unknown option " + Quoted(name) + " (try --help)");
    const bool repeated = std::any_of(given.begin(), given.end(), [&](const Given& g) { return g.rule == rule; });
    if (repeated) return Result::Fail(name + " given twice");
    Given option{rule, {}};
    if (equals != std::string::npos) {
      if (rule->values != 1 && !rule->optionalValue) return Result::Fail(name + " takes no '=' value");
      option.values.push_back(arg.substr(equals + 1));
    } else if (rule->values > 0) {
      if (args.size() - 1 - i < static_cast<std::size_t>(rule->values)) {
        return Result::Fail(rule->values == 1 ? name + " needs a value"
                                              : name + " needs three values: track 1, track 2 and track 3");
      }
      for (int v = 0; v < rule->values; ++v) option.values.push_back(args[++i]);
    }
    given.push_back(std::move(option));
  }

  if (!words.empty()) {
    if (std::optional<std::string> refused = NotAvailableOn(system, words[0])) return Result::Fail(*refused);
  }
  for (const Given& option : given) {
    if (std::optional<std::string> refused = NotAvailableOn(system, option.rule->name)) return Result::Fail(*refused);
  }

  const bool udevRules = std::any_of(given.begin(), given.end(), [](const Given& g) {
    return g.rule->name == "--print-udev-rules";
  });
  const auto group = std::find_if(given.begin(), given.end(), [](const Given& g) { return g.rule->name == "--group"; });
  if (udevRules) {
    if (!words.empty()) return Result::Fail("--print-udev-rules takes no command");
    if (group != given.end()) {
      const std::string& name = group->values[0];
      if (!IsRuleGroupName(name)) {
        return Result::Fail("--group: " + Quoted(name) +
                            " cannot stand in the udev rule as a group name: 1 to 32 letters, digits, '_', '.' "
                            "or '-', the first a letter or '_'");
      }
      invocation.ruleGroup = name;
    }
    invocation.action = Invocation::Action::PrintUdevRules;
    return Result::Ok(invocation);
  }
  if (group != given.end()) return Result::Fail("--group goes with --print-udev-rules only");

  if (words.empty()) return Result::Fail("no command given (try --help)");
  const CommandInfo* command = FindCommandWord(words[0]);
  if (command == nullptr) return Result::Fail("unknown command " + Quoted(words[0]) + " (try --help)");
  invocation.command = command->command;
  std::size_t wordsTaken = 1;
  if (invocation.command == Command::Mode) {
    if (words.size() < 2 || (words[1] != "active" && words[1] != "passive")) {
      return Result::Fail("mode needs 'active' or 'passive'");
    }
    invocation.mode = words[1] == "active" ? UploadMode::Active : UploadMode::Passive;
    wordsTaken = 2;
  }
  if (words.size() > wordsTaken) return Result::Fail("unexpected argument " + Quoted(words[wordsTaken]));

  const std::string commandName(CommandName(invocation.command));
  int formatOptions = 0;
  for (const Given& option : given) {
    const std::string_view name = option.rule->name;
    if (FindOption(name, invocation.command) == nullptr) {
      return Result::Fail(std::string(name) + " is not an option of " + commandName);
    }
    const std::string value = option.values.empty() ? std::string() : option.values[0];
    if (name == "--json") {
      invocation.json = true;
    } else if (name == "--verbose") {
      invocation.verbose = true;
    } else if (name == "--show-card-data") {
      invocation.showCardData = true;
    } else if (name == "--grab") {
      invocation.grab = true;
    } else if (name == "--count") {
      const std::optional<int> count = SmallNumber(value, 1, kMostSwipes);
      if (!count) return Result::Fail("--count needs a number of swipes from 1 to 9999");
      invocation.count = *count;
    } else if (name == "--wait") {
      const std::optional<int> ms = Milliseconds(value, kLongestWaitMs);
      if (!ms) return Result::Fail("--wait needs a number of seconds from 0 to 600 (at most three decimals)");
      invocation.waitMs = *ms;
    } else if (name == "--simulate") {
      const std::optional<int> readers =
          option.values.empty() ? std::optional<int>(1) : SmallNumber(value, 1, kMostSimulatedReaders);
      if (!readers) return Result::Fail("--simulate=N needs a number of readers from 1 to 256");
      invocation.simulatedReaders = *readers;
    } else if (name == "--path") {
      if (value.empty()) {
        return Result::Fail(invocation.command == Command::Swipes
                                ? "--path needs the path of a reader's keyboard, as list shows it"
                                : "--path needs the path of a reader, as list shows it");
      }
      invocation.choice = ReaderChoice::Path;
      invocation.path = value;
    } else if (name == "--all") {
      invocation.choice = ReaderChoice::All;
    } else if (name == "--tracks" && invocation.command == Command::Read) {
      const Checked<std::uint8_t> selection = ParseTrackSelection(value);
      if (!selection) return Result::Fail("--tracks: " + selection.error);
      invocation.trackSelection = *selection.value;
    } else if (name == "--tracks") {
      invocation.format.tracks = value;
      ++formatOptions;
    } else if (name == "--cr-after") {
      invocation.format.crAfter = value;
      ++formatOptions;
    } else if (name == "--default") {
      invocation.format.factory = true;
    } else if (name == "--profile") {
      invocation.format.profile = value;
      ++formatOptions;
    } else if (name == "--mode") {
      if (value != "active" && value != "passive") return Result::Fail("--mode needs 'active' or 'passive'");
      invocation.mode = value == "active" ? UploadMode::Active : UploadMode::Passive;
      invocation.modeGiven = true;
    } else if (name == "--swipe") {
      invocation.swipe = std::array<std::string, 3>{option.values[0], option.values[1], option.values[2]};
    } else {
      for (std::size_t s = 0; s < kSentinelNames.size(); ++s) {
        if (name.substr(2) == kSentinelNames[s]) invocation.format.sentinels[s] = value;
      }
      ++formatOptions;
    }
  }
  const bool path = std::any_of(given.begin(), given.end(), [](const Given& g) { return g.rule->name == "--path"; });
  const bool all = std::any_of(given.begin(), given.end(), [](const Given& g) { return g.rule->name == "--all"; });
  if (path && all) return Result::Fail("--path and --all exclude each other");
  if (invocation.format.factory && formatOptions > 0) {
    return Result::Fail("--default is the whole factory format and takes no other format option");
  }
  if (invocation.command == Command::Watch && !invocation.modeGiven && !invocation.format.factory &&
      formatOptions == 0) {
    return Result::Fail("watch needs something to set up: format options, --profile, --default or --mode");
  }
  return Result::Ok(invocation);
}

}  // namespace magcfg::cli
