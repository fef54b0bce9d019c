// The version reply: any bytes, any input report length.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_check.h"
#include "reader/replies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the input report length, the rest is the report.
  const std::size_t inputLength = (static_cast<std::size_t>(data[0]) << 8) | data[1];
  const std::span<const std::uint8_t> reply(data + 2, size - 2);
  const std::string text = magcfg::reader::ExtractVersionText(reply, inputLength);
  FUZZ_CHECK(text.size() <= magcfg::reader::kVersionTextCapacity);
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(text.find('\x03') == std::string::npos);
  // Text is taken only from bytes that follow a 0x05.
  bool sawOpening = false;
  for (std::size_t i = 0; i < std::min(inputLength, reply.size()); ++i) sawOpening = sawOpening || reply[i] == 0x05;
  FUZZ_CHECK(sawOpening || text.empty());

  const auto status = magcfg::reader::ReadCardStatus(reply);
  const int code = reply.size() > 4 ? static_cast<std::int8_t>(reply[4]) : 0;
  FUZZ_CHECK(status.status.has_value() == (code >= 0 && code <= 2));
  FUZZ_CHECK(status.byte4 == static_cast<std::uint8_t>(code));
  return 0;
}
