// The command line of magcfg-cli: a command, its options, and the options
// every command shares. Parsing checks the shape of the line only; format
// values and the profile are checked by format_options.h and profile.h.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/checked.h"
#include "cli/systems.h"

namespace magcfg::cli {

enum class Command { List, SetFormat, Mode, Status, Read, Version, Preview, Watch, Swipes };
std::string_view CommandName(Command command);

enum class ReaderChoice {
  First,  // the first reader found, as the window's Find Device takes it
  Path,   // the reader at a path
  All,    // every reader attached, in parallel
};

enum class UploadMode { Active, Passive };

// Format options as given, each still to be checked.
struct FormatArguments {
  std::array<std::optional<std::string>, 6> sentinels;  // in the order of kSentinelNames
  std::optional<std::string> tracks;
  std::optional<std::string> crAfter;
  bool factory = false;  // --default
  std::optional<std::string> profile;
};

inline constexpr int kMostSimulatedReaders = 256;

// --wait: how long a command waits for a reader that another program is using.
inline constexpr int kDefaultWaitMs = 5000;
inline constexpr int kLongestWaitMs = 600 * 1000;

struct Invocation {
  enum class Action { RunCommand, ShowHelp, ShowCommandHelp, ShowUsage, ShowProgramVersion, PrintUdevRules };
  Action action = Action::RunCommand;
  Command command = Command::List;  // also the command whose help is asked for
  bool json = false;
  bool verbose = false;
  bool showCardData = false;  // card numbers unmasked
  int simulatedReaders = 0;  // 0: the platform's HID services
  ReaderChoice choice = ReaderChoice::First;
  std::string path;  // for ReaderChoice::Path
  FormatArguments format;
  UploadMode mode = UploadMode::Active;
  bool modeGiven = false;  // watch --mode
  std::uint8_t trackSelection = 0;  // read: the window's default entry
  std::optional<std::array<std::string, 3>> swipe;
  bool grab = false;  // swipes
  int count = 0;      // swipes: stop after this many; 0 never
  std::string ruleGroup;  // --print-udev-rules --group NAME: the group given the reader too
  int waitMs = kDefaultWaitMs;
};

inline constexpr int kMostSwipes = 9999;

// args excludes the program name. --help, --version and --print-udev-rules
// win over everything else on the line, in that order; --help after a
// command asks for that command's help. No arguments at all ask for the
// short usage. "--" ends the options: what follows is taken as words. A
// command or option that system lacks is refused.
Checked<Invocation> ParseArguments(std::span<const std::string> args, unsigned system = kThisSystem);

}  // namespace magcfg::cli
