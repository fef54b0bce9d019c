// UTF-8 handling of any bytes: forward and backward decoding agree.
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace magcfg;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::u32string decoded = DecodeUtf8(text);
  FUZZ_CHECK(decoded.size() == CharacterCount(text));
  FUZZ_CHECK(decoded.size() <= size);
  if (!decoded.empty()) {
    FUZZ_CHECK(FirstCodePoint(text) == decoded.front());
    FUZZ_CHECK(LastCodePoint(text) == decoded.back());
  }
  // Encoding what was decoded gives well-formed text that decodes the same.
  const std::string encoded = EncodeUtf8(decoded);
  FUZZ_CHECK(DecodeUtf8(encoded) == decoded);
  return 0;
}
