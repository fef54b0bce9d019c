#include "reader/card_read.h"

#include <memory>
#include <string>

#include "reader/card_data.h"

namespace magcfg::reader {

CardReadResult ReadCardReply(std::span<const std::uint8_t> first, FurtherReports& further) {
  auto collector = std::make_unique<CardReplyCollector>();  // 1 KiB: off the stack
  if (AccumulateValue(first) > kAccumulateThreshold) {
    collector->Add(first);
    // The reply ends at the first report that does not come within the read
    // time-out, or when the buffer is full.
    while (!collector->Full() && further.Next()) collector->Add(further.Report());
  }
  return DecodeCardReply(collector->Buffer(), collector->Reports() * kReplyBytesPerReport);
}

namespace {

// A character that ends any run: a byte of a decoded track, which its own
// track masks.
constexpr char32_t kTrackByte = U'\uFFFD';

}  // namespace

void MaskCardData(std::span<std::vector<std::uint8_t>> reports, const CardReadResult* decoded) {
  const std::size_t streamSize = reports.size() * kReplyBytesPerReport;
  // Offset n of the reply stream is byte n % 64 + 1 of report n / 64, when
  // that report is long enough to have it.
  const auto byteAt = [&](std::size_t offset) -> std::uint8_t* {
    std::vector<std::uint8_t>& report = reports[offset / kReplyBytesPerReport];
    const std::size_t index = offset % kReplyBytesPerReport + 1;
    return index < report.size() ? &report[index] : nullptr;
  };

  std::vector<bool> inTrack(streamSize, false);
  std::vector<std::uint8_t*> hidden;
  if (decoded != nullptr && decoded->kind == CardReadResult::Kind::Tracks) {
    for (std::size_t t = 0; t < 3; ++t) {
      if (!decoded->tracks[t]) continue;
      const CardTrack track = CardTrack::FromBytes(static_cast<int>(t) + 1, *decoded->tracks[t]);
      for (std::size_t i = 0; i < track.Whole().size(); ++i) {
        const std::size_t offset = decoded->trackOffsets[t] + i;
        if (offset >= streamSize) break;
        inTrack[offset] = true;
        std::uint8_t* byte = byteAt(offset);
        if (byte != nullptr && track.Hidden(i)) hidden.push_back(byte);
      }
    }
  }

  // The stream as the decoding reads it: a byte a short report does not
  // have reads as 0, which is not shown.
  std::u32string stream(streamSize, U'\0');
  for (std::size_t offset = 0; offset < streamSize; ++offset) {
    const std::uint8_t* byte = byteAt(offset);
    stream[offset] = inTrack[offset] ? kTrackByte : byte != nullptr ? *byte : U'\0';
  }
  const std::vector<bool> inStream = HiddenInRuns(stream);
  for (std::size_t offset = 0; offset < streamSize; ++offset) {
    std::uint8_t* byte = byteAt(offset);
    if (inStream[offset] && byte != nullptr) hidden.push_back(byte);
  }

  // Each report as it is shown, all its bytes after the report ID.
  for (std::size_t k = 0; k < reports.size(); ++k) {
    std::vector<std::uint8_t>& report = reports[k];
    std::u32string shown(report.size(), U'\0');
    for (std::size_t index = 1; index < report.size(); ++index) {
      const std::size_t offset = k * kReplyBytesPerReport + index - 1;
      const bool trackByte = index <= kReplyBytesPerReport && inTrack[offset];
      shown[index] = trackByte ? kTrackByte : report[index];
    }
    const std::vector<bool> inReport = HiddenInRuns(shown);
    for (std::size_t index = 1; index < report.size(); ++index) {
      if (inReport[index]) hidden.push_back(&report[index]);
    }
  }

  for (std::uint8_t* byte : hidden) *byte = '*';
}

}  // namespace magcfg::reader
