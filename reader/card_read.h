// Gathering and decoding the reply to a card read, which may span several
// input reports.
#pragma once

#include <cstdint>
#include <span>

#include "reader/replies.h"
#include "reader/report_exchange.h"

namespace magcfg::reader {

// Collects the reply that starts with the first report when its accumulate
// value calls for it: each further report read within the read time-out, up
// to 16 in all. A reader that keeps sending is cut off there, so it cannot
// hold the caller. Then decodes the gathered stream.
CardReadResult ReadCardReply(std::span<const std::uint8_t> first, FurtherReports& further);

}  // namespace magcfg::reader
