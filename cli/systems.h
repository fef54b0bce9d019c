// The systems magcfg-cli is built for, as bits: the option table marks each
// command and option with the systems it applies on, and the parser and the
// help are told the system they run for, so that a test on one system can
// parse and show the line as the other would.
#pragma once

#include <string_view>

namespace magcfg::cli {

enum SystemBit : unsigned { kLinux = 1u, kWindows = 2u };
inline constexpr unsigned kEverySystem = kLinux | kWindows;
#ifdef _WIN32
inline constexpr unsigned kThisSystem = kWindows;
#else
inline constexpr unsigned kThisSystem = kLinux;
#endif

constexpr std::string_view SystemName(unsigned system) { return system == kWindows ? "Windows" : "Linux"; }

}  // namespace magcfg::cli
