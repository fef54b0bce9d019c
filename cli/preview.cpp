#include "cli/preview.h"

#include "cli/visible_text.h"
#include "reader/reader_format.h"
#include "reader/typed_swipe.h"
#include "text/text_codec.h"

namespace magcfg::cli {

Checked<reader::CardSwipe> SwipeFromTexts(const std::array<std::string, 3>& tracks) {
  std::array<std::string, 3> bytes;
  for (std::size_t i = 0; i < 3; ++i) {
    for (const char32_t c : DecodeUtf8(tracks[i])) {
      if (c > 0xFF) {
        std::string character;
        AppendUtf8(character, c);
        return Checked<reader::CardSwipe>::Fail("track " + std::to_string(i + 1) + " holds " + Quoted(character) +
                                                ", which does not fit in one byte (U+0000 to U+00FF)");
      }
      bytes[i].push_back(static_cast<char>(c));
    }
  }
  return Checked<reader::CardSwipe>::Ok(reader::CardSwipe::Good(bytes[0], bytes[1], bytes[2]));
}

std::optional<std::string> TypedForFormat(const reader::OutputFormat& format, const reader::CardSwipe& swipe) {
  const std::array<std::uint8_t, 8> payload = reader::FormatPayload(format);
  const std::vector<std::uint8_t> frame =
      reader::BuildOutputReport(reader::CommandCode::SetFormat, payload, 4 + payload.size());
  const std::optional<reader::ReaderFormat> taken = reader::FormatFromRequest(frame);
  if (!taken) return std::nullopt;
  return reader::TypedSwipe(*taken, swipe);
}

}  // namespace magcfg::cli
