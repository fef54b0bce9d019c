// The HID services of the platform the program is built for. Each platform
// folder (linux, win32) defines MakePlatformHidSystem in its hid_system.cpp.
#pragma once

#include <memory>

#include "reader/hid_port.h"

namespace magcfg::platform {

std::unique_ptr<reader::HidSystem> MakePlatformHidSystem();

}  // namespace magcfg::platform
