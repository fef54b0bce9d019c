// The application object of the Windows program: reads the command line,
// prepares the common controls and runs the main window modally. When the
// window ends, the program ends.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace magcfg::win32 {

class WindowsApp {
 public:
  explicit WindowsApp(HINSTANCE instance) : instance_(instance) {}

  // args excludes the program name. Returns the process exit code.
  int Run(const std::vector<std::string_view>& args);

 private:
  HINSTANCE instance_;
};

}  // namespace magcfg::win32
