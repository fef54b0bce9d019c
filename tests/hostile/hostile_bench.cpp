#include "tests/hostile/hostile_bench.h"

#include <algorithm>

namespace magcfg::test {

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

HostileBench::HostileBench(sim::SimulatedReaderConfig config) : sim(std::move(config)), hid(sim), dialog(window, hid, state) {
  for (const sim::SimulatedInterface& candidate : sim.Config().interfaces) {
    if (candidate.isReader) readerPaths_.push_back(candidate.path);
  }
  dialog.OnInitDialog();
  ForgetLogs();
}

void HostileBench::Press(int button) { dialog.OnNotify(button, Notification::Clicked); }

bool HostileBench::Connect() {
  Press(1001);
  ForgetLogs();
  return dialog.ReaderOpen();
}

void HostileBench::ForgetLogs() {
  window.events.clear();
  window.boxes.clear();
  window.statusHistory.clear();
  window.operations.clear();
  sim.ForgetObservations();
  hid.ResetCounts();
  startMs_ = sim.ElapsedMs() + hid.InjectedWaitMs();
}

Strings HostileBench::TrackBoxes() const {
  return {window.GetText(1035), window.GetText(1036), window.GetText(1037)};
}

std::int64_t HostileBench::ElapsedMs() const { return sim.ElapsedMs() + hid.InjectedWaitMs() - startMs_; }

::testing::AssertionResult HostileBench::NothingLeftBehind() const {
  if (hid.LiveLists() != 0) return ::testing::AssertionFailure() << hid.LiveLists() << " interface list(s) not released";
  if (hid.Outstanding() != 0) {
    return ::testing::AssertionFailure() << hid.Outstanding() << " interface(s) with a transfer not cancelled";
  }
  if (!hid.Violations().empty()) return ::testing::AssertionFailure() << hid.Violations().front();
  const Strings open = hid.OpenPaths();
  if (!dialog.ReaderOpen()) {
    if (!open.empty()) return ::testing::AssertionFailure() << open.front() << " open with no reader connected";
    return ::testing::AssertionSuccess();
  }
  if (open.size() != 1) return ::testing::AssertionFailure() << open.size() << " interfaces open, not just the reader";
  if (std::find(readerPaths_.begin(), readerPaths_.end(), open.front()) == readerPaths_.end()) return ::testing::AssertionFailure() << open.front() << " kept open, which is not the reader";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult HostileBench::DisconnectLeavesNothingOpen() {
  Press(1024);
  if (dialog.ReaderOpen()) return ::testing::AssertionFailure() << "still connected after Disconnect";
  if (!hid.OpenPaths().empty()) return ::testing::AssertionFailure() << hid.OpenPaths().front() << " still open";
  if (hid.Outstanding() != 0) return ::testing::AssertionFailure() << "a transfer outstanding after Disconnect";
  if (hid.LiveLists() != 0) return ::testing::AssertionFailure() << "an interface list alive after Disconnect";
  return ::testing::AssertionSuccess();
}

void SwipeGoodCard(HostileBench& bench, const std::string& track1, const std::string& track2,
                   const std::string& track3) {
  bench.sim.Reader().Swipe(sim::CardSwipe::Good(track1, track2, track3));
}

Bytes Report(std::initializer_list<std::uint8_t> afterReportId) {
  Bytes report(1 + afterReportId.size(), 0);
  std::copy(afterReportId.begin(), afterReportId.end(), report.begin() + 1);
  if (report.size() < 65) report.resize(65, 0);
  return report;
}

}  // namespace magcfg::test
