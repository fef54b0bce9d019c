// Gathering and decoding the reply to a card read, which may span several
// input reports.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "reader/replies.h"
#include "reader/report_exchange.h"

namespace magcfg::reader {

// Collects the reply that starts with the first report when its accumulate
// value calls for it: each further report read within the read time-out, up
// to 16 in all. A reader that keeps sending is cut off there, so it cannot
// hold the caller. Then decodes the gathered stream.
CardReadResult ReadCardReply(std::span<const std::uint8_t> first, FurtherReports& further);

// Masks the card numbers in the reports of one reply, each as it was read
// (byte 0 the report ID), before they are shown in hexadecimal: a hidden
// digit becomes '*'. decoded: what a card read made of these reports, the
// first of them its first report; null for a reply that was not decoded as
// one. A decoded track is masked where it holds a card number. Every other
// byte gets the run rule, with runs going on from one report's byte 64 into
// the next report's byte 1, as the decoding reads them, and within each
// report whatever its length.
void MaskCardData(std::span<std::vector<std::uint8_t>> reports, const CardReadResult* decoded);

}  // namespace magcfg::reader
