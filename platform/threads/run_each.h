// Runs jobs side by side, each on a thread of its own, and waits for all of
// them. The threads get a small stack: each job mostly waits for a device.
#pragma once

#include <functional>
#include <vector>

namespace magcfg::platform {

// A job whose thread cannot be had runs on the calling thread, and the
// others go on.
void RunEachOnItsOwnThread(std::vector<std::function<void()>>& jobs);

}  // namespace magcfg::platform
