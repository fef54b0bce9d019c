// How a reply stream travels as input reports: each report carries report
// ID 0 and the next 64 bytes of the stream, cut or zero-padded to the
// interface's input report length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace magcfg::sim {

inline constexpr std::size_t kStreamBytesPerReport = 64;

// At least one report, also for an empty stream.
std::vector<std::vector<std::uint8_t>> SplitIntoReports(std::span<const std::uint8_t> stream, std::size_t inputLength);

// A report given whole (byte 0 the report ID), cut or zero-padded to the
// input report length.
std::vector<std::uint8_t> FitToLength(std::span<const std::uint8_t> report, std::size_t inputLength);

}  // namespace magcfg::sim
