#include "platform/qt/text_convert.h"

#include <QByteArray>

namespace magcfg::qt {

QString ToQString(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int Utf16Offset(const QString& text, int characters) {
  if (characters <= 0) return 0;
  int position = 0;
  for (int seen = 0; seen < characters && position < text.size(); ++seen) {
    position += (text.at(position).isHighSurrogate() && position + 1 < text.size()) ? 2 : 1;
  }
  return position;
}

}  // namespace magcfg::qt
