// The format settings one by one, and their layering over the factory format
// into the eight bytes that go to the reader.
#include <gtest/gtest.h>

#include "cli/format_options.h"
#include "cli/runner.h"
#include "res/texts.h"

namespace magcfg::cli {
namespace {

struct SentinelRow {
  std::string value;
  int byte;            // the byte sent, or -1 when refused
  const char* error;   // the start of the refusal
};

const SentinelRow kSentinels[] = {
    {"", 0xFF, nullptr},
    {"%", 0x25, nullptr},
    {"\xC3\xA9", 0xE9, nullptr},          // é in UTF-8
    {"\xE9", 0xE9, nullptr},              // a lone Latin-1 byte stands for itself
    {"\xC3\xBE", 0xFE, nullptr},          // þ: the highest
    {"\xC3\xBF", -1, "'\xC3\xBF' (U+00FF) would be sent as 0xFF, the byte for no sentinel"},  // ÿ
    {"\xFF", -1, "'\xC3\xBF' (U+00FF) would be sent as 0xFF"},  // a lone byte 0xFF stands for ÿ
    {"\x01", 0x01, nullptr},
    {std::string(1, '\0'), 0x00, nullptr},
    {"%%", -1, "'%%' is 2 characters"},
    {"\xC3\xA9%", -1, "'\xC3\xA9%' is 2 characters"},
    {"\xE2\x82\xAC", -1, "'\xE2\x82\xAC' does not fit in one byte"},  // €
    {"\n\n", -1, "'<LF><LF>' is 2 characters"},
};

TEST(Sentinel, OneCharacterUpToU00FEOrNone) {
  for (const SentinelRow& row : kSentinels) {
    const Checked<std::string> parsed = ParseSentinel(row.value);
    if (row.byte < 0) {
      EXPECT_FALSE(parsed) << row.value;
      EXPECT_TRUE(parsed.error.starts_with(row.error)) << parsed.error;
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    } else {
      ASSERT_TRUE(parsed) << row.value << ": " << parsed.error;
      EXPECT_EQ(reader::SentinelByte(*parsed.value), row.byte) << row.value;
    }
  }
}

struct ListRow {
  const char* value;
  std::array<bool, 3> tracks;
  const char* error;
};

const ListRow kTrackLists[] = {
    {"1,2,3", {1, 1, 1}, nullptr},
    {"2", {0, 1, 0}, nullptr},
    {" 3 , 1 ", {1, 0, 1}, nullptr},
    {"1,1", {1, 0, 0}, nullptr},
    {"", {}, "You must select any one track to output!"},
    {"0", {}, "'0' is not a track"},
    {"1,4", {}, "'4' is not a track"},
    {"1,,2", {}, "'' is not a track"},
    {"12", {}, "'12' is not a track"},
};

TEST(TrackList, TracksOneToThreeAtLeastOne) {
  for (const ListRow& row : kTrackLists) {
    const auto parsed = ParseTrackList(row.value);
    if (row.error != nullptr) {
      EXPECT_FALSE(parsed) << row.value;
      EXPECT_TRUE(parsed.error.starts_with(row.error)) << parsed.error;
    } else {
      ASSERT_TRUE(parsed) << row.value << ": " << parsed.error;
      EXPECT_EQ(*parsed.value, row.tracks) << row.value;
    }
  }
}

struct ReturnsRow {
  const char* value;
  bool packet;
  std::array<bool, 3> tracks;
  const char* error;
};

const ReturnsRow kReturns[] = {
    {"packet", true, {}, nullptr},
    {"none", false, {}, nullptr},
    {"", false, {}, nullptr},
    {"1,3", false, {1, 0, 1}, nullptr},
    {"2", false, {0, 1, 0}, nullptr},
    {"packet,1", false, {}, "a carriage return after the packet cannot be combined"},
    {"2, packet", false, {}, "a carriage return after the packet cannot be combined"},
    {"end", false, {}, "'end' is not a place for a carriage return"},
};

TEST(CarriageReturnChoice, TracksPacketOrNoneButNotBoth) {
  for (const ReturnsRow& row : kReturns) {
    const auto parsed = ParseCarriageReturns(row.value);
    if (row.error != nullptr) {
      EXPECT_FALSE(parsed) << row.value;
      EXPECT_TRUE(parsed.error.starts_with(row.error)) << parsed.error;
    } else {
      ASSERT_TRUE(parsed) << row.value << ": " << parsed.error;
      EXPECT_EQ(parsed.value->afterPacket, row.packet) << row.value;
      EXPECT_EQ(parsed.value->afterTrack, row.tracks) << row.value;
    }
  }
}

// The eight payload bytes: sentinels in the panel's order, the track digit
// weighing track 1 lowest, the return digit weighing track 1 highest.
struct LayerRow {
  const char* name;
  FormatChoice profile;
  FormatChoice options;
  const char* payload;
};

FormatChoice Tracks(std::array<bool, 3> tracks) {
  FormatChoice choice;
  choice.tracks = tracks;
  return choice;
}
FormatChoice Returns(bool packet, std::array<bool, 3> tracks) {
  FormatChoice choice;
  choice.carriageReturns = CarriageReturns{packet, tracks};
  return choice;
}
FormatChoice Sentinel(std::size_t index, std::string text) {
  FormatChoice choice;
  choice.sentinels[index] = std::move(text);
  return choice;
}
FormatChoice Both(FormatChoice a, const FormatChoice& b) {
  for (std::size_t i = 0; i < 6; ++i) {
    if (b.sentinels[i]) a.sentinels[i] = b.sentinels[i];
  }
  if (b.tracks) a.tracks = b.tracks;
  if (b.carriageReturns) a.carriageReturns = b.carriageReturns;
  return a;
}

const LayerRow kLayers[] = {
    {"factory", {}, {}, "25 3F 3B 3F 2B 3F 37 38"},
    {"only track 2, returns after 1 and 3", {}, Both(Tracks({0, 1, 0}), Returns(false, {1, 0, 1})), "25 3F 3B 3F 2B 3F 32 35"},
    {"return after track 3 only", {}, Returns(false, {0, 0, 1}), "25 3F 3B 3F 2B 3F 37 31"},
    {"return after track 1 only", {}, Returns(false, {1, 0, 0}), "25 3F 3B 3F 2B 3F 37 34"},
    {"no return", {}, Returns(false, {}), "25 3F 3B 3F 2B 3F 37 30"},
    {"track 2 start empty", {}, Sentinel(2, ""), "25 3F FF 3F 2B 3F 37 38"},
    {"profile sentinel, option clears it", Sentinel(0, "#"), Sentinel(0, ""), "FF 3F 3B 3F 2B 3F 37 38"},
    {"profile kept where options say nothing", Both(Sentinel(5, "!"), Tracks({1, 0, 0})), Sentinel(0, "#"),
     "23 3F 3B 3F 2B 21 31 38"},
    {"option returns replace profile returns", Returns(false, {1, 1, 0}), Returns(true, {}), "25 3F 3B 3F 2B 3F 37 38"},
};

TEST(FormatLayers, FactoryThenProfileThenOptions) {
  for (const LayerRow& row : kLayers) {
    const reader::OutputFormat format = ResolveFormat(row.profile, row.options);
    EXPECT_EQ(Hex(reader::FormatPayload(format)), row.payload) << row.name;
  }
}

}  // namespace
}  // namespace magcfg::cli
