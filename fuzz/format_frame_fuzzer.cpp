// The format frame from any panel texts and check states, for any output
// report length.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "reader/frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  using namespace magcfg::reader;
  const std::size_t outputLength = ((static_cast<std::size_t>(data[0]) << 8) | data[1]) % 4097;
  const std::uint8_t checks = data[2];
  OutputFormat format;
  // The rest is six texts separated by 0x00 bytes.
  std::size_t box = 0;
  for (std::size_t i = 3; i < size && box < 6; ++i) {
    if (data[i] == 0) {
      ++box;
    } else {
      format.sentinels[box].push_back(static_cast<char>(data[i]));
    }
  }
  for (int t = 0; t < 3; ++t) {
    format.outputTrack[t] = (checks >> t) & 1;
    format.crAfterTrack[t] = (checks >> (3 + t)) & 1;
  }
  format.crAfterPacket = (checks >> 6) & 1;

  const auto payload = FormatPayload(format);
  for (int i = 0; i < 6; ++i) FUZZ_CHECK(!format.sentinels[i].empty() || payload[i] == kEmptySentinel);
  FUZZ_CHECK(payload[6] >= '0' && payload[6] <= '7');
  FUZZ_CHECK(payload[7] >= '0' && payload[7] <= '8');

  const auto report = BuildOutputReport(CommandCode::SetFormat, payload, outputLength);
  if (outputLength < 12) {
    FUZZ_CHECK(report.empty());
  } else {
    FUZZ_CHECK(report.size() == outputLength);
    FUZZ_CHECK(report[0] == 0 && report[1] == kStx && report[2] == 0x30 && report[11] == kEtx);
    for (std::size_t i = 12; i < report.size(); ++i) FUZZ_CHECK(report[i] == 0);
  }
  return 0;
}
