// UTF-8 helpers. The window's texts are UTF-8; the reader deals in single
// bytes, which stand for the characters U+0000 to U+00FF.
#pragma once

#include <string>
#include <string_view>

namespace magcfg {

// The code points of a UTF-8 text; a malformed byte stands for itself
// (U+0080 to U+00FF), so no input is lost or read past its end.
std::u32string DecodeUtf8(std::string_view text);

// The first code point, or 0 for an empty text.
char32_t FirstCodePoint(std::string_view text);

// The last code point, or 0 for an empty text.
char32_t LastCodePoint(std::string_view text);

void AppendUtf8(std::string& out, char32_t codePoint);
std::string EncodeUtf8(std::u32string_view codePoints);

// Each byte becomes the character with that value; zero bytes are dropped.
std::string BytesToText(std::string_view bytes);

// The number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace magcfg
