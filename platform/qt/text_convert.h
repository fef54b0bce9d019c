// The core's texts are UTF-8; Qt's are UTF-16. Texts are converted here, at
// the edge, and nowhere else.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace magcfg::qt {

// Malformed UTF-8 becomes U+FFFD rather than failing the whole text.
QString ToQString(std::string_view utf8);

std::string ToUtf8(const QString& text);

// A position counted in characters (code points) as a position in UTF-16
// units, which is how a text cursor counts; clamped to the text. Characters
// outside the basic plane take two UTF-16 units.
int Utf16Offset(const QString& text, int characters);

}  // namespace magcfg::qt
