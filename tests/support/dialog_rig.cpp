#include "tests/support/dialog_rig.h"

#include <algorithm>

#include "text/text_codec.h"

namespace magcfg::test {
namespace {

// The most a sane exchange takes besides the time-outs it runs out: the
// simulated reader answers within a few milliseconds.
constexpr std::int64_t kReaderSlackMs = 20;

}  // namespace

Strings SaneEvents(const Command& command) {
  switch (command.code) {
    case 0x30: return {kFormatSent, "status:Set format OK!", "box:Information|Set format OK!"};
    case 0x05: return {kSent, "status:V1.02", "box:Information|V1.02"};
    case 0x06: return {kSent, "status:被动上传模式设置成功", "box:Information|被动上传模式设置成功"};
    case 0x07: return {kSent, "status:主动上传模式设置成功", "box:Information|主动上传模式设置成功"};
    case 0x09: return {kSent, "status:刷卡成功", "box:Information|刷卡成功"};
    default: return {kSent};
  }
}

sim::SimulatedReaderConfig NoInterfaces() {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.interfaces.clear();
  return config;
}

Bytes ReportOf(const Bytes& afterReportId) {
  Bytes report(1 + afterReportId.size(), 0);
  std::copy(afterReportId.begin(), afterReportId.end(), report.begin() + 1);
  if (report.size() < 65) report.resize(65, 0);
  return report;
}

Bytes Report(std::initializer_list<std::uint8_t> afterReportId) { return ReportOf(Bytes(afterReportId)); }

SystemRig::SystemRig(sim::SimulatedReaderConfig config) : sim(std::move(config)), hid(sim) {
  for (const sim::SimulatedInterface& candidate : sim.Config().interfaces) {
    if (candidate.isReader) readerPaths_.push_back(candidate.path);
  }
}

std::int64_t SystemRig::ElapsedMs() const { return sim.ElapsedMs() + hid.InjectedWaitMs() - startMs_; }

::testing::AssertionResult SystemRig::WaitedOut(std::int64_t timeOutsMs) const {
  const std::int64_t elapsed = ElapsedMs();
  if (elapsed < timeOutsMs || elapsed > timeOutsMs + kReaderSlackMs) {
    return ::testing::AssertionFailure() << "held " << elapsed << " ms, time-outs of " << timeOutsMs << " ms";
  }
  return ::testing::AssertionSuccess();
}

void SystemRig::SwipeGoodCard(const std::string& track1, const std::string& track2, const std::string& track3) {
  sim.Reader().Swipe(reader::CardSwipe::Good(track1, track2, track3));
}

void SystemRig::ForgetSystemLogs() {
  sim.ForgetObservations();
  hid.ResetCounts();
  startMs_ = sim.ElapsedMs() + hid.InjectedWaitMs();
}

::testing::AssertionResult NothingLeftBehind(const FaultInjectingHid& hid, bool readerOpen, const Strings& readerPaths) {
  if (!hid.Violations().empty()) return ::testing::AssertionFailure() << hid.Violations().front();
  const Strings open = hid.OpenPaths();
  if (!readerOpen) {
    if (!open.empty()) return ::testing::AssertionFailure() << open.front() << " open with no reader connected";
    return ::testing::AssertionSuccess();
  }
  if (open.size() != 1) return ::testing::AssertionFailure() << open.size() << " interfaces open, not just the reader";
  if (std::find(readerPaths.begin(), readerPaths.end(), open.front()) == readerPaths.end()) {
    return ::testing::AssertionFailure() << open.front() << " kept open, which is not the reader";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult NothingOpen(const FaultInjectingHid& hid, bool readerOpen) {
  if (readerOpen) return ::testing::AssertionFailure() << "still connected after Disconnect";
  if (!hid.OpenPaths().empty()) return ::testing::AssertionFailure() << hid.OpenPaths().front() << " still open";
  return ::testing::AssertionSuccess();
}

DialogRig::DialogRig(sim::SimulatedReaderConfig config, InitLogs logs) : DialogRigOn(std::move(config)) {
  dialog.OnInitDialog();
  if (logs == InitLogs::Forget) ForgetLogs();
}

void DialogRig::Click(int control) {
  window.OperatorToggles(control);
  dialog.OnNotify(control, Notification::Clicked);
}

void DialogRig::UntickTrackOutputs() {
  for (int box : ctl::kOutputTrackBoxes) window.SetChecked(box, false);
}

void DialogRig::SwipeBoxBecomes(std::string_view text) {
  window.OperatorTypes(ctl::kSwipeBox, text);
  dialog.OnNotify(ctl::kSwipeBox, Notification::Changed);
}

void DialogRig::Type(std::string_view text) {
  for (char32_t c : DecodeUtf8(text)) {
    std::string next = window.GetText(ctl::kSwipeBox);
    AppendUtf8(next, c);
    SwipeBoxBecomes(next);
  }
}

Strings DialogRig::TrackBoxes() const {
  return {window.GetText(ctl::kTrack1Data), window.GetText(ctl::kTrack2Data), window.GetText(ctl::kTrack3Data)};
}

}  // namespace magcfg::test
