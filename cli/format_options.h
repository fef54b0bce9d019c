// The output format an operator asks for, from options or a profile: each
// setting checked on its own, then laid over the factory format. What comes
// out is what the window's format panel would hold, so it is sent with the
// same encoding as Set Device.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/checked.h"
#include "reader/frames.h"

namespace magcfg::cli {

// The sentinel settings by name, in the panel's order (track 1 start, track 1
// end, track 2 start, ...), as options (with "--") and profile keys.
inline constexpr std::array<std::string_view, 6> kSentinelNames = {"t1-start", "t1-end", "t2-start",
                                                                    "t2-end",   "t3-start", "t3-end"};

struct CarriageReturns {
  bool afterPacket = true;
  std::array<bool, 3> afterTrack{};
};

// Settings that were given; nullopt for one left to the layer below.
struct FormatChoice {
  std::array<std::optional<std::string>, 6> sentinels;  // one character (UTF-8) or "" for none
  std::optional<std::array<bool, 3>> tracks;
  std::optional<CarriageReturns> carriageReturns;
};

// One character U+0000 to U+00FE, returned as UTF-8, or "" for an empty
// value (no sentinel). U+00FF is refused: it is sent as the byte for none.
Checked<std::string> ParseSentinel(std::string_view value);

// "1,2,3": the tracks output. At least one.
Checked<std::array<bool, 3>> ParseTrackList(std::string_view value);

// read --tracks: a list of tracks ("2,3", in any order) or the window's
// code for it, a digit 0 to 6, as the track selection code the card read sends.
Checked<std::uint8_t> ParseTrackSelection(std::string_view value);

// "1,3", "packet", "none" or "".
Checked<CarriageReturns> ParseCarriageReturns(std::string_view value);

// The factory format: % ? ; ? + ?, all tracks, a carriage return after the packet.
reader::OutputFormat FactoryFormat();

// The factory format overlaid by the profile, then by the command line.
reader::OutputFormat ResolveFormat(const FormatChoice& profile, const FormatChoice& commandLine);

}  // namespace magcfg::cli
