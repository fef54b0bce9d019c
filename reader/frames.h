// Request frames, built byte-exact from what the operator chose.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/commands.h"

namespace magcfg::reader {

// The output format the set-format command carries: what Set Device reads
// from the format panel, or what the command line asks for. Sentinels are
// texts (UTF-8) in the order: track 1 start, track 1 end, track 2 start,
// track 2 end, track 3 start, track 3 end.
struct OutputFormat {
  std::array<std::string, 6> sentinels;
  std::array<bool, 3> outputTrack{};
  std::array<bool, 3> crAfterTrack{};
  bool crAfterPacket = false;
};

inline constexpr std::uint8_t kEmptySentinel = 0xFF;
// The highest character a sentinel may be: U+00FF would go out as 0xFF, the
// byte of an empty box, and the reader would take it as no sentinel.
inline constexpr char32_t kHighestSentinel = 0xFE;
// A character the reader's one byte cannot carry goes out as '?', as the
// platform's 8-bit text conversion does.
inline constexpr std::uint8_t kUnrepresentableSentinel = '?';

// The byte sent for a sentinel box: its first character (code points up to
// U+00FF are sent as that byte), or 0xFF for an empty box.
std::uint8_t SentinelByte(std::string_view boxText);

// '0' plus 1, 2, 4 for tracks 1, 2, 3.
std::uint8_t TrackOutputDigit(const std::array<bool, 3>& outputTrack);
// '8' for a carriage return after the packet; otherwise '0' plus 4, 2, 1 for
// tracks 1, 2, 3 (the opposite weighting to the track output digit).
std::uint8_t CarriageReturnDigit(const std::array<bool, 3>& crAfterTrack, bool crAfterPacket);

// The eight payload bytes of the set-format command.
std::array<std::uint8_t, 8> FormatPayload(const OutputFormat& format);

// A zero-filled output report of outputLength bytes holding report ID 0,
// STX, the command, the payload and ETX. Empty when the report is too short
// for the frame.
std::vector<std::uint8_t> BuildOutputReport(CommandCode code, std::span<const std::uint8_t> payload,
                                            std::size_t outputLength);

}  // namespace magcfg::reader
