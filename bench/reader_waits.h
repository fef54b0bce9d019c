// The simulated reader's own time, as a floor for the benchmarks that talk
// to it: the waits its clock makes during an exchange, recorded call by call,
// then slept through again with nothing of the program around them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reader/hid_port.h"

namespace magcfg::bench {

// Passes everything on to a simulated system and notes, for every call that
// moved its clock, how far: with virtual pacing these are the reader's waits
// without their sleeps. Not for use from several threads.
class WaitRecorder final : public reader::HidSystem {
 public:
  WaitRecorder(reader::HidSystem& inner, std::function<std::int64_t()> clockMs);

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;
  reader::OpenResult Open(const std::string& path) override;
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override;
  void Pause(int milliseconds) override;

  const std::vector<std::int64_t>& Waits() const { return waits_; }
  std::int64_t TotalMs() const;
  void Forget() { waits_.clear(); }

  // Runs call and notes the time it moved the clock, if any.
  template <typename Call>
  auto Timed(Call&& call) {
    const std::int64_t before = clockMs_();
    struct Note {
      WaitRecorder& recorder;
      std::int64_t before;
      ~Note() {
        if (const std::int64_t moved = recorder.clockMs_() - before; moved > 0) recorder.waits_.push_back(moved);
      }
    } note{*this, before};
    return call();
  }

 private:
  reader::HidSystem& inner_;
  std::function<std::int64_t()> clockMs_;
  std::vector<std::int64_t> waits_;
};

// Sleeps through each wait in turn, as the reader in real time would.
void SleepThrough(const std::vector<std::int64_t>& waits);

}  // namespace magcfg::bench
