// The application object of the Windows program: reads the command line,
// prepares the common controls and runs the main window modally. When the
// window ends, the program ends.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>
#include <vector>

#include "reader/hid_port.h"

namespace magcfg::win32 {

class WindowsApp {
 public:
  explicit WindowsApp(HINSTANCE instance) : instance_(instance) {}

  // args excludes the program name. Returns the process exit code.
  int Run(const std::vector<std::string_view>& args);

 private:
  HINSTANCE instance_;
};

// The Windows HID services, or with simulate the demo reader, which needs no
// device (--simulate).
std::unique_ptr<reader::HidSystem> HidSystemFor(bool simulate);

}  // namespace magcfg::win32
