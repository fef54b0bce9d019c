#include "reader/card_read.h"

#include <memory>

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

}  // namespace magcfg::reader
