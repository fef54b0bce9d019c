// The sentinels a reader frames its tracks with, by which a typed swipe is
// split into its tracks. The window keeps the ones last sent with Set Device
// for the whole run; the command line takes them from its options.
#pragma once

#include <array>
#include <string>

namespace magcfg::reader {

struct SentinelSet {
  // In the panel's order: track 1 start, track 1 end, track 2 start, track 2
  // end, track 3 start, track 3 end. UTF-8; one character or empty.
  std::array<std::string, 6> texts = {"%", "?", ";", "?", "+", "?"};

  const std::string& Start(int track) const { return texts[2 * (track - 1)]; }
  const std::string& End(int track) const { return texts[2 * (track - 1) + 1]; }
};

inline const SentinelSet kFactorySentinels{};

}  // namespace magcfg::reader
