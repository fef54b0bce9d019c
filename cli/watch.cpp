#include "cli/watch.h"

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "cli/report.h"
#include "reader/discovery.h"
#include "reader/reader_identity.h"
#include "reader/reader_session.h"

namespace magcfg::cli {
namespace {

using Json = nlohmann::ordered_json;
using reader::DeviceEvent;

struct Step {
  CommandRequest request;
  ReaderReport report;
};

std::vector<CommandRequest> StepsOf(const WatchRequest& watch) {
  std::vector<CommandRequest> steps;
  if (watch.format) {
    CommandRequest format;
    format.command = Command::SetFormat;
    format.format = *watch.format;
    format.waitMs = watch.waitMs;
    steps.push_back(format);
  }
  if (watch.mode) {
    CommandRequest mode;
    mode.command = Command::Mode;
    mode.mode = *watch.mode;
    mode.waitMs = watch.waitMs;
    steps.push_back(mode);
  }
  return steps;
}

class Watcher {
 public:
  Watcher(reader::HidSystem& system, const WatchRequest& request, bool json, std::ostream& out, std::ostream& err,
          VerboseLog* log)
      : system_(system), steps_(StepsOf(request)), json_(json), out_(out), err_(err), log_(log) {}

  // Every reader present that is not known yet; readers no longer present are forgotten.
  void SetUpPresent() {
    const std::vector<reader::ReaderInfo> readers = reader::ListReaders(system_);
    std::set<std::string> present;
    for (const reader::ReaderInfo& info : readers) present.insert(info.path);
    for (auto it = known_.begin(); it != known_.end();) {
      it = present.contains(*it) ? std::next(it) : known_.erase(it);
    }
    for (const reader::ReaderInfo& info : readers) {
      if (!known_.contains(info.path)) SetUp(info.path, true);
    }
  }

  void Handle(const DeviceEvent& event) {
    switch (event.kind) {
      case DeviceEvent::Kind::Rescan:
        return SetUpPresent();
      case DeviceEvent::Kind::Removed:
        if (known_.erase(event.path) > 0) Unplugged(event.path);
        return;
      case DeviceEvent::Kind::Added: {
        const bool otherDevice = (event.vendorId && *event.vendorId != reader::kReaderVendorId) ||
                                 (event.productId && *event.productId != reader::kReaderProductId);
        if (otherDevice) return;
        // Known to be the reader: a failure to open it is worth a line.
        SetUp(event.path, event.vendorId.has_value() && event.productId.has_value());
        return;
      }
    }
  }

 private:
  void SetUp(const std::string& path, bool surelyReader) {
    reader::ReaderSession session(system_);
    const reader::Opening opened = session.OpenAt(path);
    if (opened.outcome == reader::OpenOutcome::NotAReader) return;  // some other HID device
    if (opened.outcome != reader::OpenOutcome::Opened) {
      if (surelyReader) CannotOpen(path);
      return;
    }
    known_.insert(path);
    std::vector<Step> done;
    for (const CommandRequest& request : steps_) {
      done.push_back({request, RunCommand(session, path, request, log_)});
      // A failed step leaves the reader half set up: the next one is not sent.
      if (done.back().report.exit != ExitCode::Success) break;
    }
    session.Close();
    Print(path, opened.versionNumber, done);
  }

  void Print(const std::string& path, std::uint16_t version, const std::vector<Step>& done) {
    ExitCode worst = ExitCode::Success;
    for (const Step& step : done) worst = Worse(worst, step.report.exit);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(version));
    if (json_) {
      Json steps = Json::array();
      for (const Step& step : done) {
        steps.push_back(Json{{"command", CommandName(step.request.command)},
                             {"outcome", OutcomeName(step.report.exit)},
                             {"exit", AsInt(step.report.exit)},
                             {"message", step.report.message}});
      }
      Line(out_, Json{{"event", "set-up"},
                      {"path", path},
                      {"versionHex", hex},
                      {"outcome", OutcomeName(worst)},
                      {"exit", AsInt(worst)},
                      {"steps", steps}});
      return;
    }
    std::string text = path + ": ver" + hex + ": ";
    text += worst == ExitCode::Success ? "set up:" : "not set up:";
    for (std::size_t i = 0; i < done.size(); ++i) {
      text += (i == 0 ? " " : "; ") + TextMessage(done[i].report);
    }
    (worst == ExitCode::Success ? out_ : err_) << text << std::endl;
  }

  void Unplugged(const std::string& path) {
    if (json_) return Line(out_, Json{{"event", "unplugged"}, {"path", path}});
    out_ << path << ": unplugged" << std::endl;
  }

  void CannotOpen(const std::string& path) {
    if (json_) return Line(out_, Json{{"event", "cannot-open"}, {"path", path}});
    err_ << path << ": a reader, but it cannot be opened" << std::endl;
  }

  static void Line(std::ostream& stream, const Json& json) {
    stream << json.dump(-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace) << std::endl;
  }

  reader::HidSystem& system_;
  std::vector<CommandRequest> steps_;
  bool json_;
  std::ostream& out_;
  std::ostream& err_;
  VerboseLog* log_;
  std::set<std::string> known_;  // readers set up (or tried) and not pulled out since
};

}  // namespace

int RunWatch(reader::HidSystem& system, reader::DeviceEvents& events, const WatchRequest& request, bool json,
             std::ostream& out, std::ostream& err, VerboseLog* log) {
  Watcher watcher(system, request, json, out, err, log);
  watcher.SetUpPresent();
  if (!json) err << "magcfg-cli: waiting for readers (USB 5131:2007) to be plugged in" << std::endl;
  // Standard output that takes no more (a closed pipe) ends the watch, as
  // any other command ends with it.
  while (out) {
    const std::optional<DeviceEvent> event = events.Next();
    if (!event) break;
    watcher.Handle(*event);
  }
  if (const std::optional<std::string> failure = events.Failure()) {
    err << "magcfg-cli: watch ended: " << *failure << std::endl;
    return AsInt(ExitCode::Failed);
  }
  return AsInt(ExitCode::Success);
}

}  // namespace magcfg::cli
