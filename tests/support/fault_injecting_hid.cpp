#include "tests/support/fault_injecting_hid.h"

#include <algorithm>

namespace magcfg::test {

using reader::HidAttributes;
using reader::HidDevice;
using reader::ReportLengths;
using reader::TransferStatus;
using reader::WriteResult;

struct FaultInjectingHid::State {
  explicit State(reader::HidSystem& wrapped) : inner(wrapped) {}

  struct OpenInterface {
    int id = 0;
    std::string path;
    std::optional<ReportLengths> lengths;
    bool locked = false;  // the latest lengths handed out for it
  };

  OpenInterface& Interface(int id) {
    return *std::find_if(open.begin(), open.end(), [id](const OpenInterface& entry) { return entry.id == id; });
  }

  // Whether the interface at path is gone by this transfer.
  bool GoneAt(int transfer, const std::string& path) {
    if (!unplugged && faults.unplugAtTransfer >= 0 && transfer >= faults.unplugAtTransfer) PullThePlug();
    return Gone(path);
  }

  void PullThePlug() {
    unplugged = true;
    for (const OpenInterface& entry : open) gonePaths.push_back(entry.path);
  }

  bool Gone(const std::string& path) const {
    return std::find(gonePaths.begin(), gonePaths.end(), path) != gonePaths.end();
  }

  // The checks made before any transfer starts.
  void BeforeTransfer(OpenInterface& entry, const char* kind, std::size_t size, std::optional<std::uint16_t> length) {
    Unlocked(entry, kind);
    if (length && size != *length) {
      violations.push_back(std::string(kind) + " of " + std::to_string(size) + " bytes on " + entry.path +
                           ", report length " + std::to_string(*length));
    }
  }

  void Unlocked(const OpenInterface& entry, const char* kind) {
    if (!entry.locked) violations.push_back(std::string(kind) + " on " + entry.path + " without holding its lock");
  }

  void RanOut() { ++counts.timeouts; }

  void Failed(reader::TransferStatus status) {
    if (reader::IsFailure(status)) ++counts.failures;
  }

  void Wait(int timeoutMs) { injectedWaitMs += std::max(timeoutMs, 0); }

  reader::HidSystem& inner;
  HidFaults faults;
  HidCallCounts counts;
  std::vector<OpenInterface> open;
  int nextId = 0;
  bool unplugged = false;
  std::vector<std::string> gonePaths;
  std::vector<std::string> violations;
  std::int64_t injectedWaitMs = 0;
};

namespace {

using State = FaultInjectingHid::State;

class InjectedDevice final : public HidDevice {
 public:
  InjectedDevice(std::shared_ptr<State> state, std::unique_ptr<HidDevice> inner, int id)
      : state_(std::move(state)), inner_(std::move(inner)), id_(id) {}

  ~InjectedDevice() override {
    inner_.reset();
    ++state_->counts.closes;
    auto& open = state_->open;
    open.erase(std::remove_if(open.begin(), open.end(), [this](const auto& entry) { return entry.id == id_; }),
               open.end());
  }

  std::optional<HidAttributes> GetAttributes() override {
    const int call = state_->counts.attributeReads++;
    if (state_->faults.failAttributes.Contains(call) || state_->Gone(state_->Interface(id_).path)) return std::nullopt;
    return inner_->GetAttributes();
  }

  std::optional<ReportLengths> GetReportLengths() override {
    ++state_->counts.lengthQueries;
    const HidFaults& faults = state_->faults;
    std::optional<ReportLengths> lengths;
    if (!faults.noReportLengths) {
      lengths = inner_->GetReportLengths();
      if (faults.reportLengths) lengths = faults.reportLengths;
    }
    state_->Interface(id_).lengths = lengths;
    return lengths;
  }

  bool PassesUsageCheck(std::span<const std::uint8_t> report) override {
    ++state_->counts.usageChecks;
    const bool passes = inner_->PassesUsageCheck(report);
    return passes && !state_->faults.refuseUsageCheck;
  }

  reader::LockStatus Lock(int waitMs) override {
    const int call = state_->counts.locks++;
    if (state_->faults.busyLocks.Contains(call)) {
      state_->Wait(waitMs);
      return reader::LockStatus::Busy;
    }
    const reader::LockStatus status = inner_->Lock(waitMs);
    state_->Interface(id_).locked = status == reader::LockStatus::Owned;
    return status;
  }

  void Unlock() override {
    ++state_->counts.unlocks;
    inner_->Unlock();
    state_->Interface(id_).locked = false;
  }

  WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) override {
    const int call = state_->counts.writes++;
    const int transfer = call + state_->counts.reads;
    if (state_->faults.beforeTransfer) state_->faults.beforeTransfer(transfer);
    State::OpenInterface& entry = state_->Interface(id_);
    state_->BeforeTransfer(entry, "write", report.size(),
                           entry.lengths ? std::optional(entry.lengths->output) : std::nullopt);
    if (state_->GoneAt(transfer, entry.path)) {
      if (state_->faults.unplugMode == UnplugMode::EndsAtOnce) return {InjectedFailure(TransferStatus::ReaderGone), 0};
      return InjectedTimeout(timeoutMs);
    }
    if (state_->faults.writeTimeouts.Contains(call)) return InjectedTimeout(timeoutMs);
    if (state_->faults.writeFailures.Contains(call)) return {InjectedFailure(state_->faults.transferFailure), 0};
    const WriteResult result = inner_->Write(report, timeoutMs);
    if (result.status == TransferStatus::TimedOut) state_->RanOut();
    state_->Failed(result.status);
    return result;
  }

  TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    const int call = state_->counts.reads++;
    const int transfer = call + state_->counts.writes;
    if (state_->faults.beforeTransfer) state_->faults.beforeTransfer(transfer);
    State::OpenInterface& entry = state_->Interface(id_);
    state_->BeforeTransfer(entry, "read", buffer.size(),
                           entry.lengths ? std::optional(entry.lengths->input) : std::nullopt);
    if (state_->GoneAt(transfer, entry.path)) {
      // Nothing arrives: the buffer is left as the caller handed it over.
      if (state_->faults.unplugMode == UnplugMode::EndsAtOnce) return InjectedFailure(TransferStatus::ReaderGone);
      return InjectedTimeout(timeoutMs).status;
    }
    if (state_->faults.readTimeouts.Contains(call)) return InjectedTimeout(timeoutMs).status;
    if (state_->faults.readFailures.Contains(call)) return InjectedFailure(state_->faults.transferFailure);
    const TransferStatus status = inner_->Read(buffer, timeoutMs);
    if (status == TransferStatus::TimedOut) {
      state_->RanOut();
      return status;
    }
    if (reader::IsFailure(status)) {
      state_->Failed(status);
      return status;
    }
    const HidFaults& faults = state_->faults;
    if (faults.rewriteReply) faults.rewriteReply(buffer, call);
    if (faults.shortReadBytes && *faults.shortReadBytes < buffer.size()) {
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(*faults.shortReadBytes), buffer.end(), 0);
    }
    return status;
  }

  void DiscardPendingReports() override {
    ++state_->counts.discards;
    state_->Unlocked(state_->Interface(id_), "discard");
    if (!state_->Gone(state_->Interface(id_).path)) inner_->DiscardPendingReports();
  }

 private:
  TransferStatus InjectedFailure(TransferStatus status) {
    state_->Failed(status);
    return status;
  }

  WriteResult InjectedTimeout(int timeoutMs) {
    state_->Wait(timeoutMs);
    state_->RanOut();
    return {TransferStatus::TimedOut, 0};
  }

  std::shared_ptr<State> state_;
  std::unique_ptr<HidDevice> inner_;
  int id_;
};

// A small generator, so that garbage is the same on every run and platform.
std::uint32_t NextRandom(std::uint32_t& x) {
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}

}  // namespace

FaultInjectingHid::FaultInjectingHid(reader::HidSystem& inner) : state_(std::make_shared<State>(inner)) {}

FaultInjectingHid::~FaultInjectingHid() = default;

reader::WalkEnd FaultInjectingHid::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  const int call = state_->counts.walks++;
  if (state_->faults.failList.Contains(call)) return reader::WalkEnd::ListFailed;
  std::optional<reader::WalkEnd> brokenOff;
  const reader::WalkEnd end = state_->inner.WalkInterfaces([&](const std::string& path) {
    const int met = state_->counts.enumerations++;
    if (state_->faults.failEnumeration.Contains(met)) {
      brokenOff = reader::WalkEnd::Completed;
    } else if (state_->faults.failDetail.Contains(met)) {
      brokenOff = reader::WalkEnd::DetailFailed;
    } else {
      return visit(path);
    }
    return false;
  });
  return brokenOff.value_or(end);
}

reader::OpenResult FaultInjectingHid::Open(const std::string& path) {
  const int call = state_->counts.opens++;
  if (state_->faults.refuseOpen.Contains(call)) return {nullptr, state_->faults.openFailure};
  if (state_->Gone(path)) return {nullptr, reader::OpenFailure::NotFound};
  reader::OpenResult opened = state_->inner.Open(path);
  if (!opened.device) return opened;
  ++state_->counts.opened;
  const int id = state_->nextId++;
  state_->open.push_back({id, path, std::nullopt});
  return {std::make_unique<InjectedDevice>(state_, std::move(opened.device), id), reader::OpenFailure::Other};
}

void FaultInjectingHid::Pause(int milliseconds) {
  ++state_->counts.pauses;
  state_->inner.Pause(milliseconds);
}

std::optional<HidAttributes> FaultInjectingHid::IdentityWithoutOpening(const std::string& path) {
  if (state_->Gone(path)) return std::nullopt;
  return state_->inner.IdentityWithoutOpening(path);
}

HidFaults& FaultInjectingHid::Faults() { return state_->faults; }

void FaultInjectingHid::Unplug(UnplugMode mode) {
  state_->faults.unplugMode = mode;
  state_->PullThePlug();
}

const HidCallCounts& FaultInjectingHid::Counts() const { return state_->counts; }

void FaultInjectingHid::ResetCounts() { state_->counts = HidCallCounts(); }

std::vector<std::string> FaultInjectingHid::OpenPaths() const {
  std::vector<std::string> paths;
  for (const auto& entry : state_->open) paths.push_back(entry.path);
  return paths;
}

const std::vector<std::string>& FaultInjectingHid::Violations() const { return state_->violations; }

std::int64_t FaultInjectingHid::InjectedWaitMs() const { return state_->injectedWaitMs; }

ReplyRewrite ReplaceReply(std::vector<std::uint8_t> bytes) {
  return [bytes = std::move(bytes)](std::span<std::uint8_t> report, int) {
    std::fill(report.begin(), report.end(), 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
  };
}

ReplyRewrite GarbageReply(std::uint32_t seed) {
  return [seed](std::span<std::uint8_t> report, int readIndex) {
    std::uint32_t x = seed * 2654435761u + static_cast<std::uint32_t>(readIndex) * 40503u + 1u;
    if (x == 0) x = 1;  // the generator would stay at 0
    for (std::size_t i = 1; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(NextRandom(x) >> 24);
  };
}

ReplyRewrite FillReply(std::uint8_t value) {
  return [value](std::span<std::uint8_t> report, int) { std::fill(report.begin(), report.end(), value); };
}

}  // namespace magcfg::test
