#include "tests/reader/reader_bench.h"

namespace magcfg::test {

ReaderBench::ReaderBench(sim::SimulatedReaderConfig config) : hid(std::move(config)), dialog(window, hid, state) {
  dialog.OnInitDialog();
  ForgetLogs();
}

void ReaderBench::Press(int button) { dialog.OnNotify(button, Notification::Clicked); }

void ReaderBench::Click(int control) {
  window.OperatorToggles(control);
  dialog.OnNotify(control, Notification::Clicked);
}

bool ReaderBench::Connect() {
  Press(1001);
  ForgetLogs();
  return dialog.ReaderOpen();
}

void ReaderBench::ForgetLogs() {
  window.events.clear();
  window.boxes.clear();
  window.statusHistory.clear();
  window.operations.clear();
  hid.ForgetObservations();
  startMs_ = hid.ElapsedMs();
}

void ReaderBench::UntickTrackOutputs() {
  for (int box : {1011, 1012, 1013}) window.SetChecked(box, false);
}

std::vector<std::uint8_t> ReportOf(const std::vector<std::uint8_t>& afterReportId) {
  std::vector<std::uint8_t> report(1 + afterReportId.size(), 0);
  std::copy(afterReportId.begin(), afterReportId.end(), report.begin() + 1);
  if (report.size() < 65) report.resize(65, 0);
  return report;
}

std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> afterReportId) {
  return ReportOf(std::vector<std::uint8_t>(afterReportId));
}

}  // namespace magcfg::test
