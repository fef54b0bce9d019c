// The sentinels last sent with Set Device, which the swipe capture splits a
// typed swipe by. Lives for the whole run.
#pragma once

#include <array>
#include <string>

namespace magcfg {

struct SentinelSet {
  // In the panel's order: track 1 start, track 1 end, track 2 start, track 2
  // end, track 3 start, track 3 end. UTF-8; one character or empty.
  std::array<std::string, 6> texts = {"%", "?", ";", "?", "+", "?"};

  const std::string& Start(int track) const { return texts[2 * (track - 1)]; }
  const std::string& End(int track) const { return texts[2 * (track - 1) + 1]; }
};

inline const SentinelSet kFactorySentinels{};

}  // namespace magcfg
