// Waiting on one descriptor with a time-out that survives signals: each
// retry after EINTR waits only for the time left, measured on the monotonic
// clock so that a change of the wall clock cannot stretch or cut the wait.
#pragma once

#include <chrono>
#include <optional>

namespace magcfg::platform::hidraw {

class Deadline {
 public:
  // A negative time-out counts as 0: one look, no wait.
  explicit Deadline(int timeoutMs);

  // Milliseconds left, rounded up so that a wait never ends early; 0 once passed.
  int RemainingMs() const;
  bool Passed() const { return RemainingMs() == 0; }

 private:
  std::chrono::steady_clock::time_point end_;
};

// Polls fd for events until it is ready or the deadline passes. Returns the
// events reported (which may be POLLHUP, POLLERR or POLLNVAL rather than
// those asked for); nullopt when the time ran out or poll itself failed.
std::optional<short> PollUntil(int fd, short events, const Deadline& deadline);

}  // namespace magcfg::platform::hidraw
