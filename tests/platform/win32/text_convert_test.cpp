// UTF-8 to UTF-16 and back at the edge of the Windows calls.
#include <gtest/gtest.h>

#include "platform/win32/text_convert.h"

namespace magcfg::win32 {
namespace {

TEST(TextConvert, RoundTripsAsciiChineseAndOutsideTheBasicPlane) {
  const std::string texts[] = {"", "Detect device OK,ver102", "设备已连接!", "T\n1", "\xF0\x9F\x98\x80"};
  for (const std::string& text : texts) EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(Utf8ToWide("设备"), L"\x8BBE\x5907");
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\xD83D\xDE00");
}

TEST(TextConvert, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
  EXPECT_EQ(Utf8ToWide("\xE8\xAE"), L"\xFFFD");  // cut sequence
  EXPECT_EQ(WideToUtf8(std::wstring(L"x\xD800y")), "x\xEF\xBF\xBDy");  // lone surrogate
  EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3)) << "zeros are kept, not a terminator";
}

TEST(TextConvert, Utf16OffsetsOfCharacters) {
  const std::wstring text = L"a\xD83D\xDE00" L"bc";  // a, U+1F600, b, c
  EXPECT_EQ(Utf16Offset(text, 0), 0);
  EXPECT_EQ(Utf16Offset(text, 1), 1);
  EXPECT_EQ(Utf16Offset(text, 2), 3);
  EXPECT_EQ(Utf16Offset(text, 4), 5);
  EXPECT_EQ(Utf16Offset(text, 99), 5) << "clamped to the end";
  EXPECT_EQ(Utf16Offset(L"\xD83D", 1), 1) << "a lone high surrogate counts as one";
}

}  // namespace
}  // namespace magcfg::win32
