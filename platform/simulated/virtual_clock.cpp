#include "platform/simulated/virtual_clock.h"

#include <chrono>
#include <thread>

namespace magcfg::sim {

void VirtualClock::Advance(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  nowMs_ += milliseconds;
  if (pacing_ == Pacing::RealTime) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace magcfg::sim
