#include "platform/linux/hidraw_system.h"
#include "platform/platform_hid.h"

namespace magcfg::platform {

std::unique_ptr<reader::HidSystem> MakePlatformHidSystem() {
  return std::make_unique<hidraw::HidrawSystem>("/sys", "/dev");
}

}  // namespace magcfg::platform
