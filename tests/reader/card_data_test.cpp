// Where a card number lies in a track, and its mask: the account number
// field of each track, and Luhn-valid runs anywhere, grouped or not.
#include "reader/card_data.h"

#include <gtest/gtest.h>

namespace magcfg::reader {
namespace {

struct TrackRow {
  int track;
  std::string bytes;
  std::string masked;
};

std::string AsBytes(const std::u32string& characters) { return std::string(characters.begin(), characters.end()); }

const TrackRow kTracks[] = {
    // The account number field of each track.
    {1, "B4111111111111111^DOE/JOHN^2512101", "B411111******1111^DOE/JOHN^2512101"},
    {2, "4111111111111111=2512101", "411111******1111=2512101"},
    {3, "015500005555555559=0000", "01550000******5559=0000"},
    // A field of 12 to 19 digits is a number whether or not it passes the
    // Luhn check; the zeros of track 3 pass it, as a run.
    {3, "011234567890123456=00000000000000000", "01123456******3456=000000*******0000"},
    {2, "1234567890123=2512", "123456***0123=2512"},
    {2, "411111111117=25", "411111**1117=25"},
    {2, "12345678903=2512", "12345678903=2512"},
    {1, "B12345678901234567890^X", "B12345678901234567890^X"},
    {1, "B5500 0055 5555 5559^X", "B5500 00** **** 5559^X"},
    // Runs outside the field: Luhn-valid, 12 to 19 digits, in groups split
    // by single spaces or dashes, a separator away from other digits.
    {2, "1234=4111111111111111", "1234=411111******1111"},
    {1, "B1^DOE^5500 0055 5555 5559", "B1^DOE^5500 00** **** 5559"},
    {1, "B1^DOE^5500-0055-5555-5559", "B1^DOE^5500-00**-****-5559"},
    {1, "B1^DOE^2512101 5500 0055 5555 5559", "B1^DOE^2512101 5500 00** **** 5559"},
    {1, "B1^DOE^5500  0055 5555 5559", "B1^DOE^5500  0055 5555 5559"},
    {1, "B1^DOE^4111111111111112", "B1^DOE^4111111111111112"},
    {1, "B1^DOE^25121015500005555555559", "B1^DOE^25121015500005555555559"},
    // A zero byte is not shown, so the digits on its sides are one number.
    {2, std::string("55000055\0" "55555559=25", 20), std::string("550000**\0" "****5559=25", 20)},
    {3, "", ""},
};

TEST(CardTrack, MasksEachCardNumberWhereItLies) {
  for (const TrackRow& row : kTracks) {
    const CardTrack track = CardTrack::FromBytes(row.track, row.bytes);
    EXPECT_EQ(AsBytes(track.Masked()), row.masked) << "track " << row.track << ": " << row.bytes;
    EXPECT_EQ(AsBytes(track.Shown(true)), row.bytes);
  }
}

}  // namespace
}  // namespace magcfg::reader
