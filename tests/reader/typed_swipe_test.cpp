// What the reader types in active upload, and that the window's swipe
// capture splits it back into the tracks.
#include "reader/typed_swipe.h"

#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::reader {
namespace {

const CardSwipe kSwipe = CardSwipe::Good("B41^DOE^25", "41=25", "01=9");

ReaderFormat Format(std::array<std::uint8_t, 6> sentinels, std::uint8_t output, std::uint8_t carriageReturn) {
  return {sentinels, output, carriageReturn};
}

constexpr std::array<std::uint8_t, 6> kFactory = {'%', '?', ';', '?', '+', '?'};

TEST(TypedSwipe, FramesEachOutputTrackAndPressesEnterWhereTheFormatSays) {
  struct Row {
    const char* name;
    ReaderFormat format;
    CardSwipe swipe;
    std::string typed;
  };
  const Row rows[] = {
      {"factory", ReaderFormat{}, kSwipe, "%B41^DOE^25?;41=25?+01=9?\n"},
      {"track 2 only", Format(kFactory, '2', '8'), kSwipe, ";41=25?\n"},
      {"tracks 1 and 3, return after each", Format(kFactory, '5', '5'), kSwipe, "%B41^DOE^25?\n+01=9?\n"},
      {"return after track 2 only", Format(kFactory, '7', '2'), kSwipe, "%B41^DOE^25?;41=25?\n+01=9?"},
      {"return after track 1 only", Format(kFactory, '7', '4'), kSwipe, "%B41^DOE^25?\n;41=25?+01=9?"},
      {"return after a track not output", Format(kFactory, '3', '1'), kSwipe, "%B41^DOE^25?;41=25?"},
      {"no return", Format(kFactory, '7', '0'), kSwipe, "%B41^DOE^25?;41=25?+01=9?"},
      {"sentinels set to none", Format({0xFF, '?', ';', 0xFF, 0xFF, 0xFF}, '7', '8'), kSwipe,
       "B41^DOE^25?;41=2501=9\n"},
      {"blank track keeps its sentinels", ReaderFormat{}, CardSwipe::Good("A", "", "C"), "%A?;?+C?\n"},
      {"failed swipe types nothing", ReaderFormat{}, CardSwipe::Failed(), ""},
      {"no swipe types nothing", ReaderFormat{}, CardSwipe{}, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(TypedSwipe(row.format, row.swipe), row.typed) << row.name;
}

TEST(TypedSwipe, IsSplitBackIntoItsTracksByTheSwipeCapture) {
  test::DialogRig rig;
  rig.dialog.OnNotify(ctl::kSwipeBox, Notification::FocusGained);

  // The reader types one key at a time; a line break leaves CR LF in the box.
  for (char c : TypedSwipe(ReaderFormat{}, kSwipe)) {
    const std::string text = rig.window.GetText(ctl::kSwipeBox);
    rig.SwipeBoxBecomes(text + (c == kTypedEnter ? std::string("\r\n") : std::string(1, c)));
  }

  EXPECT_EQ(rig.TrackBoxes(), (test::Strings{"B41^DOE^25", "41=25", "01=9"}));
}

}  // namespace
}  // namespace magcfg::reader
