#include "platform/linux/poll_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace magcfg::platform::hidraw {

Deadline::Deadline(int timeoutMs)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) {}

int Deadline::RemainingMs() const {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, std::numeric_limits<int>::max()));
}

std::optional<short> PollUntil(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, deadline.RemainingMs());
    if (ready > 0) return entry.revents;
    if (ready == 0) return std::nullopt;
    // Interrupted by a signal: wait again for the time left, if any.
    if (errno != EINTR || deadline.Passed()) return std::nullopt;
  }
}

}  // namespace magcfg::platform::hidraw
