#include "reader/frames.h"

#include "text/text_codec.h"

namespace magcfg::reader {

std::uint8_t SentinelByte(std::string_view boxText) {
  if (boxText.empty()) return kEmptySentinel;
  const char32_t first = FirstCodePoint(boxText);
  return first <= 0xFF ? static_cast<std::uint8_t>(first) : kUnrepresentableSentinel;
}

std::uint8_t TrackOutputDigit(const std::array<bool, 3>& outputTrack) {
  return static_cast<std::uint8_t>('0' + (outputTrack[0] ? 1 : 0) + (outputTrack[1] ? 2 : 0) +
                                   (outputTrack[2] ? 4 : 0));
}

std::uint8_t CarriageReturnDigit(const std::array<bool, 3>& crAfterTrack, bool crAfterPacket) {
  if (crAfterPacket) return '8';
  return static_cast<std::uint8_t>('0' + (crAfterTrack[0] ? 4 : 0) + (crAfterTrack[1] ? 2 : 0) +
                                   (crAfterTrack[2] ? 1 : 0));
}

std::array<std::uint8_t, 8> FormatPayload(const OutputFormat& format) {
  std::array<std::uint8_t, 8> payload{};
  for (std::size_t i = 0; i < 6; ++i) payload[i] = SentinelByte(format.sentinels[i]);
  payload[6] = TrackOutputDigit(format.outputTrack);
  payload[7] = CarriageReturnDigit(format.crAfterTrack, format.crAfterPacket);
  return payload;
}

std::vector<std::uint8_t> BuildOutputReport(CommandCode code, std::span<const std::uint8_t> payload,
                                            std::size_t outputLength) {
  const std::size_t frameLength = 4 + payload.size();
  if (outputLength < frameLength) return {};
  std::vector<std::uint8_t> report(outputLength, 0);
  report[0] = 0x00;  // report ID
  report[1] = kStx;
  report[2] = static_cast<std::uint8_t>(code);
  std::copy(payload.begin(), payload.end(), report.begin() + 3);
  report[3 + payload.size()] = kEtx;
  return report;
}

}  // namespace magcfg::reader
