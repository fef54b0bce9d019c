#pragma once

namespace magcfg {
inline constexpr const char* kMagcfgVersion = "0.1.0";
}
