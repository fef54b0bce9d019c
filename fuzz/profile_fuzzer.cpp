// The profile of magcfg-cli --profile: any bytes, any nesting, through the
// JSON parser and every setting's check.
#include <cstdint>
#include <string_view>

#include "cli/profile.h"
#include "fuzz/fuzz_check.h"
#include "reader/frames.h"
#include "text/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace magcfg;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const cli::Checked<cli::FormatChoice> parsed = cli::ParseProfile(text);
  if (!parsed) {
    // One short line, whatever the profile held.
    FUZZ_CHECK(!parsed.error.empty());
    FUZZ_CHECK(parsed.error.find('\n') == std::string::npos);
    FUZZ_CHECK(parsed.error.find('\x1B') == std::string::npos);
    FUZZ_CHECK(parsed.error.size() <= 600);
    return 0;
  }
  FUZZ_CHECK(text.find('\0') == std::string_view::npos);
  const cli::FormatChoice& choice = *parsed.value;
  for (const auto& sentinel : choice.sentinels) {
    if (!sentinel) continue;
    const std::u32string characters = DecodeUtf8(*sentinel);
    FUZZ_CHECK(characters.size() <= 1);
    // Never the byte of an empty box unless empty.
    if (!characters.empty()) FUZZ_CHECK(characters[0] <= reader::kHighestSentinel);
  }
  if (choice.tracks) FUZZ_CHECK((*choice.tracks)[0] || (*choice.tracks)[1] || (*choice.tracks)[2]);
  if (choice.carriageReturns) {
    const auto& returns = *choice.carriageReturns;
    FUZZ_CHECK(!(returns.afterPacket && (returns.afterTrack[0] || returns.afterTrack[1] || returns.afterTrack[2])));
  }
  const reader::OutputFormat format = cli::ResolveFormat(choice, {});
  const auto payload = reader::FormatPayload(format);
  for (std::size_t i = 0; i < 6; ++i) FUZZ_CHECK((payload[i] == reader::kEmptySentinel) == format.sentinels[i].empty());
  return 0;
}
