#include "text/text_codec.h"

#include <gtest/gtest.h>

namespace magcfg {
namespace {

TEST(TextCodec, DecodesAndEncodesRoundTrip) {
  const std::string text = "A é 日 😀";
  EXPECT_EQ(EncodeUtf8(DecodeUtf8(text)), text);
  EXPECT_EQ(DecodeUtf8(text).size(), 7u);
  EXPECT_EQ(CharacterCount(text), 7u);
}

TEST(TextCodec, FirstAndLastCodePoint) {
  EXPECT_EQ(FirstCodePoint(""), 0u);
  EXPECT_EQ(LastCodePoint(""), 0u);
  EXPECT_EQ(FirstCodePoint("é?"), 0xE9u);
  EXPECT_EQ(LastCodePoint("?日"), 0x65E5u);
  EXPECT_EQ(LastCodePoint("ab\r\n"), U'\n');
}

TEST(TextCodec, MalformedBytesStandForThemselvesAndNeverReadPastTheEnd) {
  // Truncated sequences, stray continuation bytes, an invalid lead byte.
  EXPECT_EQ(DecodeUtf8(std::string("\xE6\x97", 2)), (std::u32string{0xE6, 0x97}));
  EXPECT_EQ(DecodeUtf8(std::string("\x80" "A", 2)), (std::u32string{0x80, U'A'}));
  EXPECT_EQ(DecodeUtf8(std::string("\xFF", 1)), (std::u32string{0xFF}));
  EXPECT_EQ(LastCodePoint(std::string("A\x97", 2)), 0x97u);
  EXPECT_EQ(LastCodePoint(std::string("\x97\x97\x97\x97", 4)), 0x97u);
  EXPECT_EQ(FirstCodePoint(std::string("\xF0\x9F", 2)), 0xF0u);
}

TEST(TextCodec, BytesBecomeCharactersAndZerosAreDropped) {
  EXPECT_EQ(BytesToText(std::string("1\0" "2\xE9", 4)), "12é");
  EXPECT_EQ(BytesToText(""), "");
}

}  // namespace
}  // namespace magcfg

namespace magcfg {
namespace {

TEST(TextCodec, OverlongFormsAndValuesPastTheLastCharacterAreMalformed) {
  // An overlong '?' must not pass for a question mark.
  EXPECT_EQ(DecodeUtf8(std::string("\xC0\xBF", 2)), (std::u32string{0xC0, 0xBF}));
  EXPECT_EQ(DecodeUtf8(std::string("\xF5\x80\x80\x80", 4)).size(), 4u);
  EXPECT_EQ(DecodeUtf8(std::string("\xF4\x8F\xBF\xBF", 4)), (std::u32string{0x10FFFF}));
  const std::string bytes("\x00\x00\x20\xF0\xF5\xF5\xF5\xF5\xF5\x9F\x98\x80\x7F\x97\x80\xFF", 16);
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(DecodeUtf8(bytes))), DecodeUtf8(bytes));
}

}  // namespace
}  // namespace magcfg
