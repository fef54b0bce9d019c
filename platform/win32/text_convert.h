// The core's texts are UTF-8; the Windows calls take UTF-16. Texts are
// converted here, at the edge, and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace magcfg::win32 {

// Malformed UTF-8 becomes U+FFFD rather than failing the whole text.
std::wstring Utf8ToWide(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

// The UTF-16 offset of the character (code point) at index characters of
// text; clamped to the text's length. Characters outside the basic plane
// take two UTF-16 units.
int Utf16Offset(std::wstring_view text, int characters);

}  // namespace magcfg::win32
