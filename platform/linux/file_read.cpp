#include "platform/file_read.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/linux/unique_fd.h"

namespace magcfg::platform {

// Opened without blocking, so that a FIFO with no writer cannot hang the
// open, and checked before anything is read, so that a device is never read.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit, int pipeWaitMs) {
  using Outcome = SmallFile::Outcome;
  SmallFile file;
  const auto failed = [&](Outcome outcome) {
    file.outcome = outcome;
    if (outcome == Outcome::SystemError) file.error = std::strerror(errno);
    file.text.clear();
    return file;
  };
  const hidraw::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) return failed(Outcome::SystemError);
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) return failed(Outcome::SystemError);
  const bool pipe = S_ISFIFO(status.st_mode);
  if (!S_ISREG(status.st_mode) && !pipe) return failed(Outcome::NotAFile);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(pipeWaitMs);
  char chunk[4096];
  while (true) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got > 0) {
      file.text.append(chunk, static_cast<std::size_t>(got));
      if (file.text.size() > limit) return failed(Outcome::TooLarge);
      continue;
    }
    if (got == 0) break;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return failed(Outcome::SystemError);
    // A pipe whose writer has not written yet: wait for it, within bounds.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{fd.get(), POLLIN, 0};
    if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) == 0) {
      return failed(Outcome::PipeSilent);
    }
  }
  if (pipe && file.text.empty()) return failed(Outcome::PipeNoWriter);
  file.outcome = Outcome::Read;
  return file;
}

}  // namespace magcfg::platform
