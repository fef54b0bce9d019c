#include "cli/program.h"

#include <algorithm>

#include "app/version.h"
#include "cli/access_rule.h"
#include "cli/format_options.h"
#include "cli/help.h"
#include "cli/option_table.h"
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

int RunList(reader::HidSystem& system, reader::KeyboardPort* keyboards, bool json, bool simulated,
            std::ostream& out, std::ostream& err) {
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
  if (readers.empty()) {
    const int exit = failure(MessageKey::NotConnected, ExitCode::NoReader);
    if (!simulated) err << NoReaderHint(kThisSystem);
    return exit;
  }
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
    case Invocation::Action::ShowHelp: out << HelpText(systems.system); return 0;
    case Invocation::Action::ShowCommandHelp: out << CommandHelpText(invocation.command, systems.system); return 0;
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
    return RunList(*system, keyboards.get(), invocation.json, invocation.simulatedReaders > 0, out, err);
  }

  const std::vector<ReaderReport> reports =
      RunOnReaders(*system, invocation.choice, invocation.path, request, log ? &*log : nullptr);
  PrintReports(reports, request, invocation.choice == ReaderChoice::All, invocation.json, invocation.showCardData, out,
               err);
  if (invocation.simulatedReaders == 0 &&
      std::any_of(reports.begin(), reports.end(),
                  [](const ReaderReport& report) { return report.key == MessageKey::NotConnected; })) {
    err << NoReaderHint(kThisSystem);
  }
  return AsInt(WorstExit(reports));
}

}  // namespace

std::string_view NoReaderHint(unsigned system) {
  if (system == kWindows) {
    return "magcfg-cli: no card reader (USB 5131:2007) was found. Check that it is plugged in:\n"
           "  Device Manager lists it under Human Interface Devices (hardware ID\n"
           "  HID\\VID_5131&PID_2007).\n"
           "'magcfg-cli --simulate COMMAND' runs without a reader.\n";
  }
  return "magcfg-cli: no card reader (USB 5131:2007) was found. Check that\n"
         "  - it is plugged in: 'lsusb -d 5131:2007' lists it;\n"
         "  - the access rule is installed ('magcfg-cli --print-udev-rules' prints it),\n"
         "    then plug the reader in again.\n"
         "'magcfg-cli --simulate COMMAND' runs without a reader.\n";
}

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

}  // namespace magcfg::cli
