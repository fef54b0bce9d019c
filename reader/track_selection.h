// The track selection codes of the read-card request: the combinations of
// tracks the reader can return together, and the code that asks for each.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace magcfg::reader {

// The tracks a track selection code 0 to 6 asks for, track 1 first; nullopt
// for any other code. Every combination of tracks 1 to 3 has its code.
inline std::optional<std::array<bool, 3>> TracksSelected(std::uint8_t trackSelection) {
  static constexpr std::array<std::array<bool, 3>, 7> kSelections = {{
      {false, true, true},
      {true, false, false},
      {false, true, false},
      {false, false, true},
      {true, true, false},
      {true, false, true},
      {true, true, true},
  }};
  if (trackSelection >= kSelections.size()) return std::nullopt;
  return kSelections[trackSelection];
}

}  // namespace magcfg::reader
