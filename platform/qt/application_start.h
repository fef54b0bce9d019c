// What the program settles before its window exists: the names the desktop
// knows it by, the language it starts in, and a clear end when the window
// system cannot be reached.
#pragma once

#include <functional>
#include <string>

#include "app/command_line.h"
#include "res/texts.h"

namespace magcfg::qt {

// The desktop entry's ID (io.magcfg.Magcfg.desktop, the icon's name too),
// by which docks and Wayland compositors tie the window to the entry, and
// the application name, which Qt gives X11 as the window class that the
// entry's StartupWMClass names.
inline constexpr char kDesktopId[] = "io.magcfg.Magcfg";
inline constexpr char kApplicationName[] = "magcfg";

// Sets both on the application; may be called before it is constructed.
void SetApplicationIdentity();

// --language when given, else the language of the user's locale.
UiLanguage StartLanguage(const CommandLine& line);

// While it lives, a failure of the window system to start (no display
// server where DISPLAY or WAYLAND_DISPLAY points) ends the process with
// exit status 1 and one line on standard error, instead of the toolkit's
// abort. Other messages the toolkit gives meanwhile are passed on when the
// guard ends. One guard at a time, around the application's construction.
class DisplayStartGuard {
 public:
  explicit DisplayStartGuard(std::string programName);
  ~DisplayStartGuard();
  DisplayStartGuard(const DisplayStartGuard&) = delete;
  DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;
};

// The one line said when the display cannot be reached.
std::string NoDisplayServerText(const std::string& programName);

}  // namespace magcfg::qt
