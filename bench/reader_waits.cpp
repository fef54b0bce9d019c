#include "bench/reader_waits.h"

#include <chrono>
#include <numeric>
#include <thread>

namespace magcfg::bench {
namespace {

class RecordedDevice final : public reader::HidDevice {
 public:
  RecordedDevice(std::unique_ptr<reader::HidDevice> inner, WaitRecorder& recorder)
      : inner_(std::move(inner)), recorder_(recorder) {}

  std::optional<reader::HidAttributes> GetAttributes() override {
    return recorder_.Timed([&] { return inner_->GetAttributes(); });
  }
  std::optional<reader::ReportLengths> GetReportLengths() override {
    return recorder_.Timed([&] { return inner_->GetReportLengths(); });
  }
  bool CheckOutputReport(std::span<const std::uint8_t> report) override {
    return recorder_.Timed([&] { return inner_->CheckOutputReport(report); });
  }
  reader::WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) override {
    return recorder_.Timed([&] { return inner_->Write(report, timeoutMs); });
  }
  reader::TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    return recorder_.Timed([&] { return inner_->Read(buffer, timeoutMs); });
  }
  void DiscardPendingReports() override {
    recorder_.Timed([&] { inner_->DiscardPendingReports(); });
  }
  void CancelIo() override {
    recorder_.Timed([&] { inner_->CancelIo(); });
  }

 private:
  std::unique_ptr<reader::HidDevice> inner_;
  WaitRecorder& recorder_;
};

}  // namespace

WaitRecorder::WaitRecorder(reader::HidSystem& inner, std::function<std::int64_t()> clockMs)
    : inner_(inner), clockMs_(std::move(clockMs)) {}

std::unique_ptr<reader::HidInterfaceList> WaitRecorder::ListInterfaces() {
  return Timed([&] { return inner_.ListInterfaces(); });
}

std::unique_ptr<reader::HidDevice> WaitRecorder::Open(const std::string& path) {
  std::unique_ptr<reader::HidDevice> device = Timed([&] { return inner_.Open(path); });
  if (!device) return nullptr;
  return std::make_unique<RecordedDevice>(std::move(device), *this);
}

reader::OpenFailure WaitRecorder::LastOpenFailure() const { return inner_.LastOpenFailure(); }

std::optional<reader::HidAttributes> WaitRecorder::IdentityWithoutOpening(const std::string& path) {
  return Timed([&] { return inner_.IdentityWithoutOpening(path); });
}

void WaitRecorder::Pause(int milliseconds) {
  Timed([&] { inner_.Pause(milliseconds); });
}

std::int64_t WaitRecorder::TotalMs() const { return std::accumulate(waits_.begin(), waits_.end(), std::int64_t{0}); }

void SleepThrough(const std::vector<std::int64_t>& waits) {
  for (const std::int64_t ms : waits) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace magcfg::bench
