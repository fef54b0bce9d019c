#include "platform/simulated/simulated_hid.h"

#include <algorithm>
#include <chrono>

#include "platform/simulated/simulation_state.h"

namespace magcfg::sim {
namespace {

using reader::TransferStatus;
using reader::WriteResult;
using State = SimulatedHidSystem::State;

class SimulatedDevice final : public reader::HidDevice {
 public:
  SimulatedDevice(std::shared_ptr<State> state, std::size_t index) : state_(std::move(state)), index_(index) {}

  ~SimulatedDevice() override {
    Unlock();
    state_->seen.closed.push_back(Interface().path);
  }

  std::optional<reader::HidAttributes> GetAttributes() override {
    if (!Interface().attributesReadable) return std::nullopt;
    return Interface().attributes;
  }

  std::optional<reader::ReportLengths> GetReportLengths() override {
    ++state_->seen.reportLengthQueries;
    return Interface().reportLengths;
  }

  bool PassesUsageCheck(std::span<const std::uint8_t>) override {
    ++state_->seen.usageChecks;
    return Interface().usageCheckPasses;
  }

  // Held by another device on the same interface: with virtual pacing the
  // clock moves by the whole wait; in real time the wait is waited.
  reader::LockStatus Lock(int waitMs) override {
    std::unique_lock<std::mutex> guard(state_->lockMutex);
    const auto free = [this] {
      const auto holder = state_->lockHolders.find(index_);
      return holder == state_->lockHolders.end() || holder->second == this;
    };
    if (!free()) {
      if (state_->config.pacing == Pacing::Virtual) {
        state_->clock.Advance(std::max(waitMs, 0));
        return reader::LockStatus::Busy;
      }
      if (!state_->lockReleased.wait_for(guard, std::chrono::milliseconds(std::max(waitMs, 0)), free)) {
        return reader::LockStatus::Busy;
      }
    }
    state_->lockHolders[index_] = this;
    return reader::LockStatus::Owned;
  }

  void Unlock() override {
    {
      const std::lock_guard<std::mutex> guard(state_->lockMutex);
      const auto holder = state_->lockHolders.find(index_);
      if (holder == state_->lockHolders.end() || holder->second != this) return;
      state_->lockHolders.erase(holder);
    }
    state_->lockReleased.notify_all();
  }

  WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) override {
    state_->seen.writes.emplace_back(report.begin(), report.end());
    if (const auto failure = Failure(state_->config.reader.failWrites)) return {*failure, 0};
    const std::int64_t startMs = state_->clock.NowMs();
    // The request reaches the reader whether or not the host sees the write
    // complete in time.
    if (Interface().isReader) state_->Deliver(report, startMs, InputLength());

    const ReaderBehaviour& behaviour = state_->config.reader;
    const auto size = static_cast<std::uint32_t>(report.size());
    switch (Interface().isReader ? behaviour.writeCompletion : WriteCompletion::InsideCall) {
      case WriteCompletion::InsideCall:
        return {TransferStatus::Completed, size};
      case WriteCompletion::AfterDelay:
        if (behaviour.writeDelayMs <= timeoutMs) {
          state_->clock.Advance(behaviour.writeDelayMs);
          return {TransferStatus::Completed, 0};
        }
        break;
      case WriteCompletion::Never:
        break;
    }
    state_->clock.Advance(timeoutMs);
    ++state_->seen.cancelledTransfers;
    return {TransferStatus::TimedOut, 0};
  }

  TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    state_->seen.readTimeoutsMs.push_back(timeoutMs);
    if (!Interface().isReader) {
      state_->clock.Advance(timeoutMs);
      ++state_->seen.cancelledTransfers;
      return TransferStatus::TimedOut;
    }
    if (const auto failure = Failure(state_->config.reader.failReads)) return *failure;
    const std::optional<std::vector<std::uint8_t>> report = state_->Receive(timeoutMs, InputLength());
    if (!report) {
      ++state_->seen.cancelledTransfers;
      return TransferStatus::TimedOut;
    }
    // The platform delivers no more than the caller asked for.
    std::copy_n(report->begin(), std::min(report->size(), buffer.size()), buffer.begin());
    return TransferStatus::Completed;
  }

  void DiscardPendingReports() override { state_->seen.discardedReports += state_->DiscardArrived(); }

 private:
  const SimulatedInterface& Interface() const { return state_->config.interfaces.at(index_); }

  // How the reader's transfers of one kind fail, when they are set to.
  std::optional<TransferStatus> Failure(const std::optional<TransferStatus>& failure) const {
    if (!Interface().isReader || !failure || !reader::IsFailure(*failure)) return std::nullopt;
    return failure;
  }

  std::size_t InputLength() const {
    const auto& lengths = Interface().reportLengths;
    return lengths ? lengths->input : kSaneReportLength;
  }

  std::shared_ptr<State> state_;
  std::size_t index_;
};

}  // namespace

std::vector<std::string> Observations::StillOpen() const {
  std::vector<std::string> open = opened;
  for (const std::string& path : closed) {
    const auto it = std::find(open.begin(), open.end(), path);
    if (it != open.end()) open.erase(it);
  }
  return open;
}

SimulatedHidSystem::SimulatedHidSystem(SimulatedReaderConfig config)
    : state_(std::make_shared<State>(std::move(config))) {}

SimulatedHidSystem::~SimulatedHidSystem() = default;

reader::WalkEnd SimulatedHidSystem::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  ++state_->seen.walks;
  if (!state_->config.listObtainable) return reader::WalkEnd::ListFailed;
  for (std::uint32_t index = 0;; ++index) {
    state_->seen.enumeratedIndices.push_back(index);
    if (index >= state_->config.interfaces.size()) break;
    // A copy: the visitor may change the configuration.
    const SimulatedInterface found = state_->config.interfaces[index];
    if (found.listing == Listing::DetailFails) return reader::WalkEnd::DetailFailed;
    if (found.listing == Listing::EnumerationFails || !visit(found.path)) break;
  }
  return reader::WalkEnd::Completed;
}

reader::OpenResult SimulatedHidSystem::Open(const std::string& path) {
  const auto& interfaces = state_->config.interfaces;
  for (std::size_t i = 0; i < interfaces.size(); ++i) {
    if (interfaces[i].path != path) continue;
    if (!interfaces[i].opens) {
      return {nullptr, interfaces[i].permissionDenied ? reader::OpenFailure::PermissionDenied : reader::OpenFailure::Other};
    }
    state_->seen.opened.push_back(path);
    return {std::make_unique<SimulatedDevice>(state_, i), reader::OpenFailure::Other};
  }
  return {nullptr, reader::OpenFailure::NotFound};
}

std::optional<reader::HidAttributes> SimulatedHidSystem::IdentityWithoutOpening(const std::string& path) {
  for (const SimulatedInterface& interface : state_->config.interfaces) {
    if (interface.path == path && interface.attributesReadable) return interface.attributes;
  }
  return std::nullopt;
}

void SimulatedHidSystem::Pause(int milliseconds) {
  state_->seen.pausesMs.push_back(milliseconds);
  state_->clock.Advance(milliseconds);
}

ReaderModel& SimulatedHidSystem::Reader() { return state_->model; }
SimulatedReaderConfig& SimulatedHidSystem::Config() { return state_->config; }
const Observations& SimulatedHidSystem::Seen() const { return state_->seen; }
void SimulatedHidSystem::ForgetObservations() { state_->seen = Observations(); }
std::int64_t SimulatedHidSystem::ElapsedMs() const { return state_->clock.NowMs(); }

}  // namespace magcfg::sim
