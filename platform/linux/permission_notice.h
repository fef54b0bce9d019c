// The one hint a user needs when the reader is plugged in but its hidraw
// node belongs to root: which udev rule grants access. Shown once per
// process, however often Find Device runs into the same wall.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

namespace magcfg::platform::hidraw {

class PermissionNotice {
 public:
  explicit PermissionNotice(std::ostream& out) : out_(out) {}

  // Writes the hint on the first call only.
  void ReaderNotAccessible(const std::string& nodePath);

  // The instance for the process, writing to stderr.
  static PermissionNotice& ForProcess();

 private:
  std::ostream& out_;
  std::once_flag shown_;
};

// The text of the hint, one line.
std::string PermissionHint(const std::string& nodePath);

}  // namespace magcfg::platform::hidraw
