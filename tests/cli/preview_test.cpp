// The preview: the typed text equal to what a simulated reader types once
// the same format has been sent to it.
#include <gtest/gtest.h>

#include "cli/format_options.h"
#include "cli/preview.h"
#include "cli/visible_text.h"
#include "tests/cli/cli_harness.h"

namespace magcfg::cli {
namespace {

// Each row is sent to a simulated reader with set-format, and previewed:
// the preview line must be what that reader then types for the sample swipe.
const std::vector<std::vector<std::string>> kFormats = {
    {},
    {"--cr-after", "1,2,3"},
    {"--cr-after", "none", "--tracks", "2"},
    {"--tracks", "1,3", "--cr-after", "3"},
    {"--t1-start", "", "--t1-end", "", "--t2-start", "<", "--t3-end", "\r"},
    {"--t2-end", "\xC3\xA9", "--t3-start", "\x01", "--cr-after", "2"},
};

TEST(Preview, ShowsWhatTheReaderTypesAfterSetFormat) {
  for (const auto& format : kFormats) {
    std::vector<std::string> set = {"--simulate", "set-format"};
    set.insert(set.end(), format.begin(), format.end());
    const test::CliRun sent = test::RunCli(set);
    ASSERT_EQ(sent.exit, 0) << sent.err;
    const std::string typed = sent.fleet->Member(0).Reader().TypedForLastSwipe();
    ASSERT_FALSE(typed.empty());

    std::vector<std::string> preview = {"preview", "--show-card-data"};
    preview.insert(preview.end(), format.begin(), format.end());
    const test::CliRun shown = test::RunCli(preview);
    ASSERT_EQ(shown.exit, 0) << shown.err;
    EXPECT_EQ(shown.out, VisibleBytes(typed, LineFeed::AsEnter) + "\n") << set.size();
  }
}

TEST(Preview, SwipeTextsAreBytesOfTheCard) {
  const auto swipe = SwipeFromTexts({"\xC3\xA9", "", std::string("a\0b", 3)});
  ASSERT_TRUE(swipe) << swipe.error;
  EXPECT_EQ(swipe.value->tracks[0], "\xE9");
  EXPECT_EQ(swipe.value->tracks[1], "");
  EXPECT_EQ(swipe.value->tracks[2], std::string("a\0b", 3));
  EXPECT_EQ(SwipeFromTexts({"", "\xE2\x82\xAC", ""}).error,
            "track 2 holds '\xE2\x82\xAC', which does not fit in one byte (U+0000 to U+00FF)");
}

TEST(Preview, ABlankTrackKeepsItsSentinelsAndAFailedSwipeTypesNothing) {
  const reader::OutputFormat factory = FactoryFormat();
  EXPECT_EQ(TypedForFormat(factory, reader::CardSwipe::Good("", "1", "")), "%?;1?+?\n");
  EXPECT_EQ(TypedForFormat(factory, reader::CardSwipe::Failed()), "");
}

TEST(Preview, AFormatTheReaderRefusesIsSaidSo) {
  reader::OutputFormat none = FactoryFormat();
  none.outputTrack = {false, false, false};  // no track: digit '0', which no reader takes
  EXPECT_EQ(TypedForFormat(none, reader::SampleSwipe()), std::nullopt);
}

}  // namespace
}  // namespace magcfg::cli
