#include "text/visible_text.h"

#include <cstdio>

#include "text/text_codec.h"

namespace magcfg {
namespace {

bool IsBidiControl(char32_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069); }

// The longest run of digits a card number spans, separators included: what
// a filter must see past a cut to take a number across it whole.
constexpr std::size_t kCharactersPastCut = 32;

}  // namespace

std::string VisibleText(std::u32string_view text, LineFeed lineFeed) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) {
    char code[16];  // "<U+" and up to eight hex digits of a char32_t
    std::string_view name;
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
    } else if (IsBidiControl(c) || c == 0x2028 || c == 0x2029) {
      std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(c));
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

std::u32string CutCharacters(std::string_view utf8, std::size_t limit, TextFilter filter) {
  // A UTF-8 character is at most four bytes.
  const std::size_t decoded = limit + kCharactersPastCut;
  std::u32string text = DecodeUtf8(utf8.size() > 4 * decoded ? utf8.substr(0, 4 * decoded) : utf8);
  if (filter != nullptr) text = filter(text);
  if (text.size() <= limit) return text;
  text.resize(limit);
  return text + U"...";
}

std::string Echo(std::string_view utf8, std::size_t limit, TextFilter filter) {
  return VisibleText(CutCharacters(utf8, limit, filter));
}

}  // namespace magcfg
