// The card read: a reader that answers with any sequence of reports, of any
// report length, through the whole handler and exchange; and the same
// reports masked for the hex log, decoded as a card read or not.
#include <cstdint>
#include <deque>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "reader/card_data.h"
#include "reader/replies.h"
#include "res/control_ids.h"
#include "tests/support/fake_window.h"
#include "text/text_codec.h"
#include "ui/main_dialog.h"

namespace {

using namespace magcfg;

// A reader that replies with the reports the input holds, then falls silent.
class ScriptedReader : public reader::HidDevice {
 public:
  ScriptedReader(std::uint16_t inputLength, std::deque<std::vector<std::uint8_t>> reports)
      : inputLength_(inputLength), reports_(std::move(reports)) {}
  std::optional<reader::HidAttributes> GetAttributes() override { return reader::HidAttributes{0x5131, 0x2007, 1}; }
  std::optional<reader::ReportLengths> GetReportLengths() override { return reader::ReportLengths{inputLength_, 65}; }
  bool PassesUsageCheck(std::span<const std::uint8_t>) override { return true; }
  reader::LockStatus Lock(int) override { return reader::LockStatus::Owned; }
  void Unlock() override {}
  reader::WriteResult Write(std::span<const std::uint8_t> report, int) override {
    return {reader::TransferStatus::Completed, static_cast<std::uint32_t>(report.size())};
  }
  reader::TransferStatus Read(std::span<std::uint8_t> buffer, int) override {
    FUZZ_CHECK(buffer.size() == inputLength_);
    ++reads;
    if (reports_.empty()) return reader::TransferStatus::TimedOut;
    const std::vector<std::uint8_t> report = std::move(reports_.front());
    reports_.pop_front();
    std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
    return reader::TransferStatus::Completed;
  }
  // Its reports are the reply to the request: none is waiting before it.
  void DiscardPendingReports() override {}
  int reads = 0;

 private:
  std::uint16_t inputLength_;
  std::deque<std::vector<std::uint8_t>> reports_;
};

class OneReader : public reader::HidSystem {
 public:
  explicit OneReader(std::unique_ptr<ScriptedReader> device) : device_(std::move(device)) {}
  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override {
    visit("reader");
    return reader::WalkEnd::Completed;
  }
  reader::OpenResult Open(const std::string&) override {
    device = device_.get();
    return {std::move(device_), reader::OpenFailure::NotFound};
  }
  void Pause(int) override {}
  ScriptedReader* device = nullptr;

 private:
  std::unique_ptr<ScriptedReader> device_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Byte 0 picks the report length (1 to 256 bytes), byte 1 the track selection;
  // the rest is cut into reports of that length.
  const std::uint16_t inputLength = static_cast<std::uint16_t>(data[0] + 1);
  std::deque<std::vector<std::uint8_t>> reports;
  for (std::size_t at = 2; at < size; at += inputLength) {
    reports.emplace_back(data + at, data + std::min(size, at + inputLength));
  }
  const std::size_t sent = reports.size();
  std::vector<std::vector<std::uint8_t>> logged(reports.begin(), reports.begin() + std::min<std::size_t>(sent, 16));
  for (auto& report : logged) report.resize(inputLength, 0);

  magcfg::test::FakeWindow window;
  OneReader hid(std::make_unique<ScriptedReader>(inputLength, std::move(reports)));
  ModuleState state;
  MainDialog dialog(window, hid, state);
  dialog.OnInitDialog();
  dialog.OnFindDevice();
  FUZZ_CHECK(dialog.ReaderOpen());
  window.SelectListEntry(ctl::kTrackSelection, data[1] % 7);
  dialog.OnReadCard();

  // The collection stops at 16 reports even when the reader keeps sending.
  FUZZ_CHECK(hid.device->reads <= static_cast<int>(std::min<std::size_t>(sent + 1, 17)));
  // A track box never shows more characters than a length byte can announce.
  for (int box : ctl::kTrackDataBoxes) FUZZ_CHECK(CharacterCount(window.GetText(box)) <= 127);

  // Masking for the log changes digits into '*' and nothing else, whether
  // the reports are taken for a card read's reply or not.
  reader::CardReplyCollector collector;
  for (const auto& report : logged) collector.Add(report);
  const reader::CardReadResult decoded = reader::DecodeCardReply(collector.Buffer(), logged.size() * 64);
  for (const bool asCardRead : {true, false}) {
    std::vector<std::vector<std::uint8_t>> masked = logged;
    reader::MaskCardData(masked, asCardRead ? &decoded : nullptr);
    for (std::size_t k = 0; k < logged.size(); ++k) {
      FUZZ_CHECK(masked[k].size() == logged[k].size() && masked[k][0] == logged[k][0]);
      for (std::size_t i = 0; i < logged[k].size(); ++i) {
        const bool digit = logged[k][i] >= '0' && logged[k][i] <= '9';
        FUZZ_CHECK(masked[k][i] == logged[k][i] || (digit && masked[k][i] == '*'));
      }
    }
  }
  return 0;
}
