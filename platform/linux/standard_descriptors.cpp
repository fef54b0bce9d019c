#include "platform/linux/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace magcfg::platform::hidraw {

void FillClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor: the ones below are open, so
    // this one is it.
    int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
    if (opened < 0) opened = ::open("/", O_PATH | O_DIRECTORY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace magcfg::platform::hidraw
