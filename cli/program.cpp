#include "cli/program.h"

#include <algorithm>

#include "app/version.h"
#include "cli/access_rule.h"
#include "cli/format_options.h"
#include "cli/options.h"
#include "cli/preview.h"
#include "cli/profile.h"
#include "cli/report.h"
#include "cli/runner.h"
#include "cli/swipes.h"
#include "cli/udev_rules.h"
#include "cli/watch.h"
#include "reader/card_data.h"
#include "reader/discovery.h"
#include "text/text_codec.h"
#include "text/visible_text.h"

namespace magcfg::cli {
namespace {

constexpr std::string_view kProgram = "magcfg-cli";

int UsageError(std::ostream& err, const std::string& why) {
  err << kProgram << ": " << why << '\n';
  return AsInt(ExitCode::Usage);
}

// The format asked for: factory values, overlaid by the profile, overlaid by
// the options.
Checked<reader::OutputFormat> FormatAskedFor(const FormatArguments& given) {
  using Result = Checked<reader::OutputFormat>;
  if (given.factory) return Result::Ok(FactoryFormat());
  FormatChoice profile;
  if (given.profile) {
    Checked<FormatChoice> loaded = LoadProfile(*given.profile);
    if (!loaded) return Result::Fail("--profile " + loaded.error);
    profile = *loaded.value;
  }
  FormatChoice options;
  for (std::size_t i = 0; i < kSentinelNames.size(); ++i) {
    if (!given.sentinels[i]) continue;
    Checked<std::string> sentinel = ParseSentinel(*given.sentinels[i]);
    if (!sentinel) return Result::Fail("--" + std::string(kSentinelNames[i]) + ": " + sentinel.error);
    options.sentinels[i] = sentinel.value;
  }
  if (given.tracks) {
    Checked<std::array<bool, 3>> tracks = ParseTrackList(*given.tracks);
    if (!tracks) return Result::Fail("--tracks: " + tracks.error);
    options.tracks = tracks.value;
  }
  if (given.crAfter) {
    Checked<CarriageReturns> returns = ParseCarriageReturns(*given.crAfter);
    if (!returns) return Result::Fail("--cr-after: " + returns.error);
    options.carriageReturns = returns.value;
  }
  return Result::Ok(ResolveFormat(profile, options));
}

int RunList(reader::HidSystem& system, reader::KeyboardPort* keyboards, bool json, std::ostream& out,
            std::ostream& err) {
  reader::FindOutcome walked = reader::FindOutcome::NotFound;
  std::string refused;
  const std::vector<reader::ReaderInfo> readers = reader::ListReaders(system, &walked, &refused);
  std::vector<std::vector<std::string>> readerKeyboards(readers.size());
  for (std::size_t i = 0; keyboards != nullptr && i < readers.size(); ++i) {
    readerKeyboards[i] = keyboards->KeyboardsOf(readers[i].path);
  }
  PrintReaderList(readers, readerKeyboards, json, out);
  const auto failure = [&](MessageKey key, ExitCode code) {
    err << MessageText(key, UiLanguage::English) << '\n';
    return AsInt(code);
  };
  if (walked == reader::FindOutcome::ListFailed) return failure(MessageKey::EnumFailed, ExitCode::Failed);
  if (walked == reader::FindOutcome::DetailFailed) return failure(MessageKey::DetailFailed, ExitCode::Failed);
  if (walked == reader::FindOutcome::AccessDenied) {
    err << VisibleText(DecodeUtf8(AccessRefusedNote(refused))) << '\n';
    return AsInt(ExitCode::PermissionDenied);
  }
  if (readers.empty()) return failure(MessageKey::NotConnected, ExitCode::NoReader);
  return AsInt(ExitCode::Success);
}

int RunSwipeCommand(const Invocation& invocation, const HidSystems& systems, std::ostream& out, std::ostream& err) {
  SwipesRequest request;
  request.path = invocation.path;
  request.grab = invocation.grab;
  request.count = invocation.count;
  request.json = invocation.json;
  request.wholeCardData = invocation.showCardData;
  Checked<reader::OutputFormat> format = FormatAskedFor(invocation.format);
  if (!format) return UsageError(err, format.error);
  request.sentinels.texts = format.value->sentinels;

  const std::shared_ptr<reader::KeyboardPort> port = systems.keyboards ? systems.keyboards() : nullptr;
  if (!port) {
    err << kProgram << ": this build cannot read a reader's keyboard\n";
    return AsInt(ExitCode::Failed);
  }
  return AsInt(RunSwipes(*port, request, out, err));
}

int RunInvocation(const Invocation& invocation, const HidSystems& systems, std::ostream& out, std::ostream& err) {
  switch (invocation.action) {
    case Invocation::Action::ShowHelp: out << HelpText(); return 0;
    case Invocation::Action::ShowCommandHelp: out << CommandHelpText(invocation.command); return 0;
    case Invocation::Action::ShowUsage: err << ShortUsage(); return AsInt(ExitCode::Usage);
    case Invocation::Action::ShowProgramVersion: out << kProgram << ' ' << kMagcfgVersion << '\n'; return 0;
    case Invocation::Action::PrintUdevRules:
      out << (invocation.ruleGroup.empty() ? std::string(kUdevRules)
                                           : UdevRulesWithGroup(kUdevRules, invocation.ruleGroup));
      return 0;
    case Invocation::Action::RunCommand: break;
  }

  if (invocation.command == Command::Swipes) return RunSwipeCommand(invocation, systems, out, err);

  CommandRequest request;
  request.command = invocation.command;
  request.mode = invocation.mode;
  request.trackSelection = invocation.trackSelection;
  request.waitMs = invocation.waitMs;
  const bool watch = invocation.command == Command::Watch;
  const bool formatGiven = invocation.format.factory || invocation.format.profile || invocation.format.tracks ||
                           invocation.format.crAfter ||
                           std::any_of(invocation.format.sentinels.begin(), invocation.format.sentinels.end(),
                                       [](const auto& s) { return s.has_value(); });
  if (invocation.command == Command::SetFormat || invocation.command == Command::Preview || (watch && formatGiven)) {
    Checked<reader::OutputFormat> format = FormatAskedFor(invocation.format);
    if (!format) return UsageError(err, format.error);
    request.format = *format.value;
  }

  if (invocation.command == Command::Preview) {
    reader::CardSwipe swipe = reader::SampleSwipe();
    if (invocation.swipe) {
      Checked<reader::CardSwipe> given = SwipeFromTexts(*invocation.swipe);
      if (!given) return UsageError(err, "--swipe: " + given.error);
      swipe = *given.value;
    }
    // Masked before the reader's layout puts sentinels and other tracks
    // beside the numbers.
    if (!invocation.showCardData) swipe = reader::MaskedSwipe(swipe);
    const std::optional<std::string> typed = TypedForFormat(request.format, swipe);
    PrintPreview(request.format, swipe, typed, invocation.json, out, err);
    return AsInt(typed ? ExitCode::Success : ExitCode::Refused);
  }

  std::optional<VerboseLog> log;
  if (invocation.verbose) log.emplace(err, !invocation.showCardData);

  if (watch) {
    WatchServices services = systems.watch ? systems.watch() : WatchServices{};
    if (!services.notice.empty()) err << services.notice << '\n';
    if (!services.system || !services.events) {
      err << kProgram << ": cannot watch for readers: "
          << (services.error.empty() ? "this build has no device events" : services.error) << '\n';
      return AsInt(ExitCode::Failed);
    }
    WatchRequest watchRequest;
    if (formatGiven) watchRequest.format = request.format;
    if (invocation.modeGiven) watchRequest.mode = invocation.mode;
    watchRequest.waitMs = invocation.waitMs;
    return RunWatch(*services.system, *services.events, watchRequest, invocation.json, out, err,
                    log ? &*log : nullptr);
  }

  std::shared_ptr<reader::HidSystem> system;
  if (invocation.simulatedReaders > 0) {
    if (systems.simulated) system = systems.simulated(invocation.simulatedReaders);
  } else if (systems.platform) {
    system = systems.platform();
  }
  if (!system) {
    err << kProgram << ": no HID services in this build; --simulate works with simulated readers\n";
    return AsInt(ExitCode::Failed);
  }

  if (invocation.command == Command::List) {
    // Simulated readers have no keyboard node.
    const std::shared_ptr<reader::KeyboardPort> keyboards =
        invocation.simulatedReaders == 0 && systems.keyboards ? systems.keyboards() : nullptr;
    return RunList(*system, keyboards.get(), invocation.json, out, err);
  }

  const std::vector<ReaderReport> reports =
      RunOnReaders(*system, invocation.choice, invocation.path, request, log ? &*log : nullptr);
  PrintReports(reports, request, invocation.choice == ReaderChoice::All, invocation.json, invocation.showCardData, out,
               err);
  return AsInt(WorstExit(reports));
}

}  // namespace

int RunProgram(std::span<const std::string> args, const HidSystems& systems, std::ostream& out, std::ostream& err) {
  const Checked<Invocation> parsed = ParseArguments(args, systems.system);
  const int exit = parsed ? RunInvocation(*parsed.value, systems, out, err) : UsageError(err, parsed.error);
  // Output that did not arrive (a full disk, a closed pipe) is a failure,
  // whatever the command's own outcome.
  out.flush();
  if (!out) {
    err << kProgram << ": could not write the output to standard output\n";
    return AsInt(ExitCode::Failed);
  }
  return exit;
}

namespace {

constexpr std::string_view kUsageLine = "Usage: magcfg-cli [options] COMMAND [command options]\n";

constexpr std::string_view kAbout = R"(Sets up USB magnetic-stripe card readers (vendor 5131, product 2007) from
scripts, one reader or a whole bench of them.
)";

constexpr std::string_view kCommandList = R"(Commands:
  list                  the readers attached: path and version number
  set-format [FORMAT]   send an output format to the reader
  mode active|passive   active upload (the reader types each swipe) or
                        passive upload (the host fetches the swipe)
  status                how the last swipe went
  read [--tracks CODE]  fetch the last swipe's tracks (passive upload)
  version               the reader's version text
  preview [FORMAT] [--swipe T1 T2 T3]
                        what a reader with the format would type for a
                        swipe (a sample card, or the three track texts
                        given), without any reader
  watch [FORMAT] [--mode active|passive]
                        set up every reader attached, then each reader as
                        it is plugged in, until interrupted
  swipes [--path NODE] [--grab] [--count N] [SENTINELS]
                        read the reader's own keyboard (active upload)
                        and print each swipe split into its three tracks,
                        one line per swipe, tracks separated by tabs; a
                        swipe ends at the reader's line break. --grab keeps
                        the swipes from being typed into the focused window
                        too; --count N stops after N swipes. A reader
                        unplugged and plugged in again is read again
)";

constexpr std::string_view kFormat = R"(FORMAT (set-format, preview, watch; SENTINELS and --profile for swipes);
what is not given keeps the factory value:
  --t1-start C, --t1-end C, --t2-start C, --t2-end C, --t3-start C, --t3-end C
                        a track's start or end sentinel: one character from
                        U+0000 to U+00FE, or an empty value ('') for none
  --tracks 1,2,3        the tracks the reader outputs (at least one)
  --cr-after WHERE      a carriage return after the tracks listed (1,3),
                        after the whole packet (packet), or none (none)
  --default             the factory format: % ? ; ? + ?, tracks 1,2,3, a
                        carriage return after the packet
  --profile FILE        the settings from a JSON file with the option names
                        as keys, e.g. {"t1-start": "%", "t3-end": null,
                        "tracks": [1, 2], "cr-after": [1, 2]}; options given
                        as well override it
)";

constexpr std::string_view kTrackCodes = R"(Track selection codes (read --tracks CODE):
  0 tracks 2 and 3 (default)   1 track 1     2 track 2     3 track 3
  4 tracks 1 and 2             5 tracks 1 and 3            6 tracks 1, 2, 3
)";

constexpr std::string_view kWhichReader = R"(Which reader (set-format, mode, status, read, version):
  (neither)             the first reader found
  --path PATH           the reader at PATH, as list shows it
  --all                 every reader attached, served in parallel
)";

constexpr std::string_view kWatch = R"(Watch (watch): the readers attached when it starts are set up first, then
each reader as the system reports it plugged in: the FORMAT first (when
given), then the upload mode (when given). One line per reader set up,
and one per reader pulled out; a reader that fails half-way is reported
and the watch goes on. Interrupt it (Ctrl+C, SIGINT or SIGTERM) to end it.
  --mode active|passive the upload mode to put each reader in
)";

constexpr std::string_view kOther = R"(Other options:
  --json                print JSON instead of text (watch: one JSON object
                        per line)
  --simulate[=N]        work with N simulated readers (1 if N is not given;
                        not with watch)
  --verbose             write every report written and read, in hex, and
                        every notice to standard error
  --wait SECONDS        how long to wait for a reader another program is
                        using (0 to 600, decimals allowed; 5 by default)
  --show-card-data      show card numbers whole; by default a track's
                        account number and any run of 12 to 19 digits that
                        passes the Luhn check show only their first six and
                        last four digits
  --print-udev-rules    print the udev rule that gives the reader to the
                        user at the seat alone, and exit
  --group NAME          with --print-udev-rules: the rule gives the reader
                        to group NAME as well; every member of it can then
                        read the card numbers swiped at the seat
  -h, --help            show this help (after a command: that command's
                        help) and exit
  -V, --version         show the program's version and exit
  --                    end of the options: what follows is not an option
)";

constexpr std::string_view kOutput = R"(Output: text puts results on standard output and failures on standard
error, one line per result; with --all each line starts with the reader's
path. Control characters show as <CR>, <LF>, <Tab> or <0xNN>, the Enter key
a reader types for a carriage return as <Enter>, and '<' itself as <<. A
blank track shows as 空白轨道 (blank track). --json prints one object, or
with --all an array of one object per reader; a blank track there is null.
)";

constexpr std::string_view kExitStatus = R"(Exit status (with --all, the worst reader's, best to worst 0 1 2 3 4 7 5 6):
  0  success (watch: interrupted)
  1  the reader refused the request or gave no verdict
  2  usage error: bad option, value or profile; nothing was sent
  3  no reader attached (or none at --path), or it went away (unplugged)
     during the command
  4  time-out: the request could not be written, or no reply came in time
  5  other failure: report length not supported, no HID report
     description, a write or read that failed, HID services failing,
     output that could not be written
  6  permission denied: a reader is attached but may not be opened
     (install the udev rule: see --print-udev-rules)
  7  busy: another program kept the reader for the whole --wait
)";

enum Section : unsigned {
  kFormatSection = 1,
  kTrackCodeSection = 2,
  kWhichReaderSection = 4,
  kWatchSection = 8,
};

struct CommandHelp {
  Command command;
  std::string_view usage;  // after the program's name
  std::string_view what;
  unsigned sections;
};

constexpr CommandHelp kCommandHelp[] = {
    {Command::List, "list [--json] [--simulate[=N]]", "Lists the readers attached: path and version number.\n", 0},
    {Command::SetFormat, "set-format [FORMAT] [--path PATH | --all] [--json] [--verbose] [--simulate[=N]]",
     "Sends an output format to the reader and reports its verdict.\n", kFormatSection | kWhichReaderSection},
    {Command::Mode, "mode active|passive [--path PATH | --all] [--json] [--verbose] [--simulate[=N]]",
     "Puts the reader in active upload (it types each swipe) or passive upload\n(the host fetches the swipe).\n",
     kWhichReaderSection},
    {Command::Status, "status [--path PATH | --all] [--json] [--verbose] [--simulate[=N]]",
     "Asks the reader how the last swipe went.\n", kWhichReaderSection},
    {Command::Read, "read [--tracks CODE] [--path PATH | --all] [--json] [--verbose] [--simulate[=N]]",
     "Fetches the last swipe's tracks (passive upload).\n", kTrackCodeSection | kWhichReaderSection},
    {Command::Version, "version [--path PATH | --all] [--json] [--verbose] [--simulate[=N]]",
     "Asks the reader for its version text.\n", kWhichReaderSection},
    {Command::Preview, "preview [FORMAT] [--swipe T1 T2 T3] [--json]",
     "Shows what a reader with the format would type for a swipe (a sample\ncard, or the three track texts given), "
     "without any reader.\n",
     kFormatSection},
    {Command::Watch, "watch [FORMAT] [--mode active|passive] [--json] [--verbose]",
     "Sets up every reader attached, then each reader as it is plugged in,\nuntil interrupted.\n",
     kFormatSection | kWatchSection},
    {Command::Swipes, "swipes [--path NODE] [--grab] [--count N] [--json] [SENTINELS | --profile FILE]",
     "Reads the reader's own keyboard (active upload) and prints each swipe\nsplit into its three tracks, one line "
     "per swipe. --grab keeps the swipes\nfrom being typed into the focused window too; --count N stops after N\n"
     "swipes.\n",
     kFormatSection},
};

}  // namespace

std::string HelpText() {
  std::string text;
  for (const std::string_view part : {kUsageLine, kAbout, kCommandList, kFormat, kTrackCodes, kWhichReader, kWatch,
                                      kOther, kOutput, kExitStatus}) {
    if (!text.empty() && part != kAbout) text += '\n';
    text += part;
  }
  return text;
}

std::string CommandHelpText(Command command) {
  for (const CommandHelp& help : kCommandHelp) {
    if (help.command != command) continue;
    std::string text = "Usage: magcfg-cli " + std::string(help.usage) + "\n" + std::string(help.what);
    const std::pair<unsigned, std::string_view> sections[] = {{kFormatSection, kFormat},
                                                              {kTrackCodeSection, kTrackCodes},
                                                              {kWhichReaderSection, kWhichReader},
                                                              {kWatchSection, kWatch}};
    for (const auto& [bit, section] : sections) {
      if (help.sections & bit) text += "\n" + std::string(section);
    }
    text += "\n" + std::string(kOther) + "\n" + std::string(kExitStatus);
    return text;
  }
  return HelpText();
}

std::string ShortUsage() {
  return std::string(kUsageLine) +
         "Commands: list, set-format, mode, status, read, version, preview, watch, swipes\n"
         "Try 'magcfg-cli --help', or 'magcfg-cli COMMAND --help' for one command.\n";
}

}  // namespace magcfg::cli
