#include "reader/reader_format.h"

namespace magcfg::reader {
namespace {

bool DigitHasBit(std::uint8_t digit, int bit) { return ((digit - '0') & bit) != 0; }

}  // namespace

bool ReaderFormat::OutputsTrack(int track) const { return DigitHasBit(trackOutputDigit, 1 << (track - 1)); }

bool ReaderFormat::CarriageReturnAfterTrack(int track) const {
  // The carriage-return digit weighs the tracks the other way round.
  return !CarriageReturnAfterPacket() && DigitHasBit(carriageReturnDigit, 4 >> (track - 1));
}

std::optional<ReaderFormat> FormatFromRequest(std::span<const std::uint8_t> report) {
  if (report.size() < 12 || report[1] != 0x02 || report[2] != 0x30 || report[11] != 0x03) return std::nullopt;
  if (report[9] < '1' || report[9] > '7' || report[10] < '0' || report[10] > '8') return std::nullopt;
  ReaderFormat format;
  for (std::size_t i = 0; i < 6; ++i) format.sentinels[i] = report[3 + i];
  format.trackOutputDigit = report[9];
  format.carriageReturnDigit = report[10];
  return format;
}

}  // namespace magcfg::reader
