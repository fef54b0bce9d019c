// UTF-8 to UTF-16 and back at the edge of the Qt calls.
#include "platform/qt/text_convert.h"

#include <gtest/gtest.h>

namespace magcfg::qt {
namespace {

TEST(QtTextConvert, RoundTripsAndCountsCharactersOutsideTheBasicPlaneAsTwoUnits) {
  const std::string texts[] = {"",     "Detect device OK,ver102", "设备已连接!",
                               "T\n1", std::string("a\0b", 3),    "\xF0\x9F\x98\x80"};
  for (const std::string& text : texts) EXPECT_EQ(ToUtf8(ToQString(text)), text);
  EXPECT_EQ(ToQString("a\xFF"), QStringLiteral("a\uFFFD")) << "malformed UTF-8";

  const QString text = ToQString("a\U0001F600bc");
  const std::pair<int, int> offsets[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 3}, {4, 5}, {99, 5}};
  for (const auto& [characters, units] : offsets) EXPECT_EQ(Utf16Offset(text, characters), units) << characters;
}

}  // namespace
}  // namespace magcfg::qt
