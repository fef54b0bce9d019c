#include "cli/program.h"

#include "app/version.h"
#include "cli/card_mask.h"
#include "cli/format_options.h"
#include "cli/options.h"
#include "cli/preview.h"
#include "cli/profile.h"
#include "cli/report.h"
#include "cli/runner.h"
#include "cli/swipes.h"
#include "cli/udev_rules.h"
#include "reader/discovery.h"

namespace magcfg::cli {
namespace {

constexpr std::string_view kProgram = "magcfg-cli";

int UsageError(std::ostream& err, const std::string& why) {
  err << kProgram << ": " << why << '\n';
  return AsInt(ExitCode::Usage);
}

// The format asked for: factory values, overlaid by the profile, overlaid by
// the options.
Checked<reader::FormatPanelState> FormatAskedFor(const FormatArguments& given) {
  using Result = Checked<reader::FormatPanelState>;
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
    err << AccessRefusedNote(refused) << '\n';
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
  Checked<reader::FormatPanelState> format = FormatAskedFor(invocation.format);
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
    case Invocation::Action::ShowProgramVersion: out << kProgram << ' ' << kMagcfgVersion << '\n'; return 0;
    case Invocation::Action::PrintUdevRules: out << kUdevRules; return 0;
    case Invocation::Action::RunCommand: break;
  }

  if (invocation.command == Command::Swipes) return RunSwipeCommand(invocation, systems, out, err);

  CommandRequest request;
  request.command = invocation.command;
  request.mode = invocation.mode;
  request.trackSelection = invocation.trackSelection;
  if (invocation.command == Command::SetFormat || invocation.command == Command::Preview) {
    Checked<reader::FormatPanelState> format = FormatAskedFor(invocation.format);
    if (!format) return UsageError(err, format.error);
    request.format = *format.value;
  }

  if (invocation.command == Command::Preview) {
    sim::CardSwipe swipe = SampleSwipe();
    if (invocation.swipe) {
      Checked<sim::CardSwipe> given = SwipeFromTexts(*invocation.swipe);
      if (!given) return UsageError(err, "--swipe: " + given.error);
      swipe = *given.value;
    }
    const std::optional<std::string> typed = TypedForFormat(request.format, swipe);
    PrintPreview(request.format, swipe, typed, invocation.json, out, err);
    return AsInt(typed ? ExitCode::Success : ExitCode::Refused);
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

  std::optional<VerboseLog> log;
  if (invocation.verbose) log.emplace(err, !invocation.showCardData);
  const std::vector<ReaderReport> reports =
      RunOnReaders(*system, invocation.choice, invocation.path, request, log ? &*log : nullptr);
  PrintReports(reports, request, invocation.choice == ReaderChoice::All, invocation.json, out, err);
  return AsInt(WorstExit(reports));
}

}  // namespace

int RunProgram(std::span<const std::string> args, const HidSystems& systems, std::ostream& out, std::ostream& err) {
  const Checked<Invocation> parsed = ParseArguments(args);
  if (parsed && parsed.value->showCardData) return RunInvocation(*parsed.value, systems, out, err);
  CardMaskingStream maskedOut(out);
  CardMaskingStream maskedErr(err);
  if (!parsed) return UsageError(maskedErr, parsed.error);
  return RunInvocation(*parsed.value, systems, maskedOut, maskedErr);
}

std::string HelpText() {
  return R"(Usage: magcfg-cli [options] COMMAND [command options]
Sets up USB magnetic-stripe card readers (vendor 5131, product 2007) from
scripts, one reader or a whole bench of them.

Commands:
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
  swipes [--path NODE] [--grab] [--count N] [SENTINELS]
                        read the reader's own keyboard (active upload)
                        and print each swipe split into its three tracks,
                        one line per swipe, tracks separated by tabs; a
                        swipe ends at the reader's line break. --grab keeps
                        the swipes from being typed into the focused window
                        too; --count N stops after N swipes. A reader
                        unplugged and plugged in again is read again

FORMAT (set-format, preview; SENTINELS and --profile for swipes); what is
not given keeps the factory value:
  --t1-start C, --t1-end C, --t2-start C, --t2-end C, --t3-start C, --t3-end C
                        a track's start or end sentinel: one character from
                        U+0000 to U+00FF, or an empty value ('') for none
  --tracks 1,2,3        the tracks the reader outputs (at least one)
  --cr-after WHERE      a carriage return after the tracks listed (1,3),
                        after the whole packet (packet), or none (none)
  --default             the factory format: % ? ; ? + ?, tracks 1,2,3, a
                        carriage return after the packet
  --profile FILE        the settings from a JSON file with the option names
                        as keys, e.g. {"t1-start": "%", "t3-end": null,
                        "tracks": [1, 2], "cr-after": [1, 2]}; options given
                        as well override it

Track selection codes (read --tracks CODE):
  0 tracks 2 and 3 (default)   1 track 1     2 track 2     3 track 3
  4 tracks 1 and 2             5 tracks 1 and 3            6 tracks 1, 2, 3

Which reader (set-format, mode, status, read, version):
  (neither)             the first reader found
  --path PATH           the reader at PATH, as list shows it
  --all                 every reader attached, served in parallel

Other options:
  --json                print JSON instead of text
  --simulate[=N]        work with N simulated readers (1 if N is not given)
  --verbose             write every report written and read, in hex, and
                        every notice to standard error
  --show-card-data      show card numbers whole; by default a run of 13 to
                        19 digits that passes the Luhn check shows only its
                        first six and last four digits
  --print-udev-rules    print the udev rule that lets the user at the seat
                        open the reader, and exit
  --help                show this help and exit
  --version             show the program's version and exit

Output: text puts results on standard output and failures on standard
error, one line per result; with --all each line starts with the reader's
path. Control characters show as <CR>, <LF>, <Tab> or <0xNN>, the Enter key
a reader types for a carriage return as <Enter>, and '<' itself as <<. A
blank track shows as 空白轨道 (blank track). --json prints one object, or
with --all an array of one object per reader; a blank track there is null.

Exit status (with --all, the highest of all readers):
  0  success
  1  the reader refused the request or gave no verdict
  2  usage error: bad option, value or profile; nothing was sent
  3  no reader attached (or none at --path), or it went away (unplugged)
     during the command
  4  time-out: the request could not be written, or no reply came in time
  5  other failure: report length not supported, no HID report
     description, a write or read that failed, HID services failing
  6  permission denied: a reader is attached but may not be opened
     (install the udev rule: see --print-udev-rules)
)";
}

}  // namespace magcfg::cli
