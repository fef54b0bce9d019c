#include "platform/simulated/reply_reports.h"

#include <algorithm>

namespace magcfg::sim {

std::vector<std::vector<std::uint8_t>> SplitIntoReports(std::span<const std::uint8_t> stream, std::size_t inputLength) {
  std::vector<std::vector<std::uint8_t>> reports;
  std::size_t offset = 0;
  do {
    const std::size_t chunk = std::min(kStreamBytesPerReport, stream.size() - offset);
    std::vector<std::uint8_t> whole(1 + kStreamBytesPerReport, 0);  // report ID 0
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), chunk, whole.begin() + 1);
    reports.push_back(FitToLength(whole, inputLength));
    offset += chunk;
  } while (offset < stream.size());
  return reports;
}

std::vector<std::uint8_t> FitToLength(std::span<const std::uint8_t> report, std::size_t inputLength) {
  std::vector<std::uint8_t> fitted(inputLength, 0);
  std::copy_n(report.begin(), std::min(report.size(), inputLength), fitted.begin());
  return fitted;
}

}  // namespace magcfg::sim
