#include "ui/text_codec.h"

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
