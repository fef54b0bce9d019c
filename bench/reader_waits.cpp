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
  bool PassesUsageCheck(std::span<const std::uint8_t> report) override {
    return recorder_.Timed([&] { return inner_->PassesUsageCheck(report); });
  }
  reader::LockStatus Lock(int waitMs) override {
    return recorder_.Timed([&] { return inner_->Lock(waitMs); });
  }
  void Unlock() override {
    recorder_.Timed([&] { inner_->Unlock(); });
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

 private:
  std::unique_ptr<reader::HidDevice> inner_;
  WaitRecorder& recorder_;
};

}  // namespace

WaitRecorder::WaitRecorder(reader::HidSystem& inner, std::function<std::int64_t()> clockMs)
    : inner_(inner), clockMs_(std::move(clockMs)) {}

reader::WalkEnd WaitRecorder::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  return Timed([&] { return inner_.WalkInterfaces(visit); });
}

reader::OpenResult WaitRecorder::Open(const std::string& path) {
  reader::OpenResult opened = Timed([&] { return inner_.Open(path); });
  if (opened.device) opened.device = std::make_unique<RecordedDevice>(std::move(opened.device), *this);
  return opened;
}

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
