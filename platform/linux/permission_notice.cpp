#include "platform/linux/permission_notice.h"

#include <iostream>

#include "platform/linux/udev_rule_location.h"
#include "text/visible_text.h"

namespace magcfg::platform::hidraw {

std::string PermissionHint(const std::string& nodePath) {
  // Worded as the README's troubleshooting section quotes it; the rule and
  // its place are those this build installs.
  return "magcfg: found the card reader at " + Echo(nodePath, kEchoedPathCharacters) +
         " but cannot open it: permission denied. Install the udev rule that comes with magcfg as " +
         std::string(kUdevRulePath) + " (see Troubleshooting in the README): " + std::string(kUdevRuleLine) +
         " - then unplug the reader and plug it in again.";
}

void PermissionNotice::ReaderNotAccessible(const std::string& nodePath) {
  std::call_once(shown_, [&] { out_ << PermissionHint(nodePath) << std::endl; });
}

PermissionNotice& PermissionNotice::ForProcess() {
  static PermissionNotice notice(std::cerr);
  return notice;
}

}  // namespace magcfg::platform::hidraw
