// Text from outside the program as printed text shows it, and echoes cut short.
#include "text/visible_text.h"

#include <gtest/gtest.h>

namespace magcfg {
namespace {

struct VisibleRow {
  std::string bytes;  // UTF-8, or each byte a character with VisibleBytes
  LineFeed lineFeed;
  const char* shown;
};

const VisibleRow kBytes[] = {
    {"%B12?", LineFeed::AsLf, "%B12?"},
    {"?\n", LineFeed::AsEnter, "?<Enter>"},
    {"?\n", LineFeed::AsLf, "?<LF>"},
    {"a\rb\tc", LineFeed::AsLf, "a<CR>b<Tab>c"},
    {std::string("\0\x01\x1F\x7F", 4), LineFeed::AsLf, "<0x00><0x01><0x1F><0x7F>"},
    {"\x80\x9F\xA0\xE9\xFF", LineFeed::AsLf, "<0x80><0x9F>\xC2\xA0\xC3\xA9\xC3\xBF"},
    {"<Enter>", LineFeed::AsEnter, "<<Enter>"},
    {"<<", LineFeed::AsLf, "<<<<"},
};

TEST(Visible, ControlCharactersAreNamedAndLessThanDoubled) {
  for (const VisibleRow& row : kBytes) EXPECT_EQ(VisibleBytes(row.bytes, row.lineFeed), row.shown);
}

// UTF-8 values: the bidirectional controls and the line separators, which
// exist only beyond one byte, the characters around them kept.
const VisibleRow kEchoes[] = {
    {"\xE2\x80\xAA" "a\xE2\x80\xAE" "b", LineFeed::AsLf, "<U+202A>a<U+202E>b"},
    {"\xE2\x81\xA6\xE2\x81\xA9\xE2\x80\xA9\xE2\x80\xA8", LineFeed::AsLf, "<U+2066><U+2069><U+2029><U+2028>"},
    {"\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA \xC2\x85", LineFeed::AsLf,
     "<U+2029>\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA <0x85>"},
    {"\x1B]0;owned\x07\x1B[2J\nfake", LineFeed::AsLf, "<0x1B>]0;owned<0x07><0x1B>[2J<LF>fake"},
};

TEST(Visible, BidirectionalControlsAndLineSeparatorsAreNamed) {
  for (const VisibleRow& row : kEchoes) EXPECT_EQ(Echo(row.bytes, 100), row.shown) << row.shown;
}

TEST(Visible, AnEchoIsCutByCharactersBeforeItIsMadeVisible) {
  EXPECT_EQ(Echo(std::string(5000, '/'), kEchoedPathCharacters), std::string(160, '/') + "...");
  // Forty characters shown whole, each escape counting as the one character it stands for.
  EXPECT_EQ(Echo(std::string(40, '\x1B')), [] {
    std::string shown;
    for (int i = 0; i < 40; ++i) shown += "<0x1B>";
    return shown;
  }());
  EXPECT_EQ(Echo(std::string(41, '<')), std::string(80, '<') + "...");
  // A filter sees the characters past the cut, before the cut is made.
  const auto upper = [](std::u32string_view text) {
    std::u32string out(text);
    for (char32_t& c : out) c = c == U'a' ? U'A' : c;
    return out;
  };
  EXPECT_EQ(CutCharacters("aaaa", 2, upper), U"AA...");
}

}  // namespace
}  // namespace magcfg
