#include "platform/linux/permission_notice.h"

#include <iostream>

namespace magcfg::platform::hidraw {

std::string PermissionHint(const std::string& nodePath) {
  // Worded as the README's troubleshooting section quotes it, and with the
  // rule exactly as packaging/linux/70-magcfg.rules installs it.
  return "magcfg: found the card reader at " + nodePath +
         " but cannot open it: permission denied. Install the udev rule 70-magcfg.rules that comes with magcfg"
         " (the package and cmake --install put it in /usr/lib/udev/rules.d; see Troubleshooting in the README):"
         " KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"5131\", ATTRS{idProduct}==\"2007\","
         " TAG+=\"uaccess\" - then unplug the reader and plug it in again.";
}

void PermissionNotice::ReaderNotAccessible(const std::string& nodePath) {
  std::call_once(shown_, [&] { out_ << PermissionHint(nodePath) << std::endl; });
}

PermissionNotice& PermissionNotice::ForProcess() {
  static PermissionNotice notice(std::cerr);
  return notice;
}

}  // namespace magcfg::platform::hidraw
