#include "text/text_codec.h"
#include "text/visible_text.h"

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

// Text from outside the program as printed text shows it.
struct VisibleRow {
  std::u32string text;
  LineFeed lineFeed;
  const char* shown;
};

const VisibleRow kVisible[] = {
    {U"%B12?", LineFeed::AsLf, "%B12?"},
    {U"?\n", LineFeed::AsEnter, "?<Enter>"},
    {U"?\n", LineFeed::AsLf, "?<LF>"},
    {U"a\rb\tc", LineFeed::AsLf, "a<CR>b<Tab>c"},
    {std::u32string(U"\0\x01\x1F\x7F", 4), LineFeed::AsLf, "<0x00><0x01><0x1F><0x7F>"},
    {U"\x80\x9F\xA0\xE9\xFF", LineFeed::AsLf, "<0x80><0x9F>\xC2\xA0\xC3\xA9\xC3\xBF"},
    {U"<Enter>", LineFeed::AsEnter, "<<Enter>"},
    {U"<<", LineFeed::AsLf, "<<<<"},
    {U"\u202A\u202E\u2066\u2069\u2028\u2029", LineFeed::AsLf, "<U+202A><U+202E><U+2066><U+2069><U+2028><U+2029>"},
    {U"\u2029\u202F\u2065\u206A", LineFeed::AsLf, "<U+2029>\u202F\u2065\u206A"},
};

TEST(Visible, ControlCharactersAreNamedAndLessThanDoubled) {
  for (const VisibleRow& row : kVisible) EXPECT_EQ(VisibleText(row.text, row.lineFeed), row.shown);
}

}  // namespace
}  // namespace magcfg
