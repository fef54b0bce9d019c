// The output format a reader keeps, as it reads the set-format frame: the
// sentinels it frames each track with, which tracks it outputs and where it
// types a carriage return.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "reader/frames.h"

namespace magcfg::reader {

struct ReaderFormat {
  // Start and end of track 1, of track 2, of track 3; kEmptySentinel for none.
  std::array<std::uint8_t, 6> sentinels = {'%', '?', ';', '?', '+', '?'};
  std::uint8_t trackOutputDigit = '7';     // '1' to '7': 1 track 1, 2 track 2, 4 track 3
  std::uint8_t carriageReturnDigit = '8';  // '0' to '7': 4 track 1, 2 track 2, 1 track 3; '8' the packet

  std::uint8_t Start(int track) const { return sentinels[2 * (track - 1)]; }
  std::uint8_t End(int track) const { return sentinels[2 * (track - 1) + 1]; }
  bool OutputsTrack(int track) const;
  bool CarriageReturnAfterTrack(int track) const;
  bool CarriageReturnAfterPacket() const { return carriageReturnDigit == '8'; }

  bool operator==(const ReaderFormat&) const = default;
};

// The format a set-format request carries (byte 0 the report ID), or nullopt
// when the frame is not well formed: STX at byte 1, ETX at byte 11, byte 9
// from '1' to '7' and byte 10 from '0' to '8'.
std::optional<ReaderFormat> FormatFromRequest(std::span<const std::uint8_t> report);

}  // namespace magcfg::reader
