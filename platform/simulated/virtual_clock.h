// The simulated reader's time. Every wait of a transfer or pause moves it;
// with real-time pacing the wait is also slept through.
#pragma once

#include <cstdint>

#include "platform/simulated/simulated_config.h"

namespace magcfg::sim {

class VirtualClock {
 public:
  explicit VirtualClock(Pacing pacing) : pacing_(pacing) {}

  std::int64_t NowMs() const { return nowMs_; }
  // Negative spans count as none.
  void Advance(std::int64_t milliseconds);

 private:
  Pacing pacing_;
  std::int64_t nowMs_ = 0;
};

}  // namespace magcfg::sim
