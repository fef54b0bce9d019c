#include "cli/visible_text.h"

#include <cstdio>

#include "reader/card_data.h"
#include "text/text_codec.h"

namespace magcfg::cli {

std::string VisibleText(std::u32string_view text, LineFeed lineFeed) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) {
    std::string_view name;
    char code[8];
    if (c == U'\r') {
      name = "<CR>";
    } else if (c == U'\n') {
      name = lineFeed == LineFeed::AsEnter ? "<Enter>" : "<LF>";
    } else if (c == U'\t') {
      name = "<Tab>";
    } else if (c == U'<') {
      name = "<<";
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      std::snprintf(code, sizeof code, "<0x%02X>", static_cast<unsigned>(c));
      name = code;
    } else {
      AppendUtf8(out, c);
      continue;
    }
    out.append(name.data(), name.size());
  }
  return out;
}

std::string VisibleBytes(std::string_view bytes, LineFeed lineFeed) {
  std::u32string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) text.push_back(static_cast<unsigned char>(byte));
  return VisibleText(text, lineFeed);
}

std::string Echoed(std::string_view utf8, std::size_t limit) {
  // Only the characters shown are decoded: a UTF-8 character is at most four bytes.
  const bool cut = utf8.size() > limit;
  std::u32string text = reader::MaskRuns(DecodeUtf8(cut ? utf8.substr(0, 4 * limit + 4) : utf8));
  if (text.size() <= limit) return VisibleText(text, LineFeed::AsLf);
  text.resize(limit);
  return VisibleText(text, LineFeed::AsLf) + "...";
}

std::string Quoted(std::string_view utf8) { return "'" + Echoed(utf8) + "'"; }

}  // namespace magcfg::cli
