// magcfg-cli swipes over a scripted reader keyboard: the whole program from
// its command line to its printed lines, with the key events the evdev
// backend would deliver.
#include "cli/swipes.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/program.h"
#include "tests/support/scripted_keyboard.h"

namespace magcfg::test {
namespace {

using reader::KeyboardOpen;

constexpr const char* kNode = "/dev/input/event5";
constexpr const char* kWorkedExample = "%B123^X?;456=7?\n";
constexpr const char* kThreeTracks =
    "%B4111111111111111^DOE/JOHN^2512101?;4111111111111111=2512101?+011234567890123456=00000000000000000?\n";

struct SwipesRun {
  int exit = -1;
  std::string out;
  std::string err;
};

// outputFails: standard output takes nothing (a full disk, a closed pipe).
SwipesRun RunSwipesCommand(ScriptedKeyboard& keyboard, std::vector<std::string> args, bool outputFails = false) {
  cli::HidSystems systems;
  systems.system = cli::kLinux;
  systems.keyboards = [&keyboard] {
    return std::shared_ptr<reader::KeyboardPort>(&keyboard, [](reader::KeyboardPort*) {});
  };
  std::ostringstream out;
  std::ostringstream err;
  if (outputFails) out.setstate(std::ios::badbit);
  args.insert(args.begin(), "swipes");
  const int exit = cli::RunProgram(args, systems, out, err);
  return {exit, out.str(), err.str()};
}

TEST(Swipes, GrabbedWorkedExampleAndThreeTracksAsJsonMasked) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, kWorkedExample);
  keyboard.Types(kNode, kThreeTracks);
  const SwipesRun run = RunSwipesCommand(keyboard, {"--grab", "--count", "2", "--json"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"B123^X\",\"456=7\",\"\"]}\n"
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"B411111******1111^DOE/JOHN^2512101\","
            "\"411111******1111=2512101\",\"01123456******3456=000000*******0000\"]}\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(keyboard.opens, (std::vector<std::pair<std::string, bool>>{{kNode, true}}));
}

TEST(Swipes, WithoutGrabTheProgramOnlyListensAndPrintsTabSeparatedTracks) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, kThreeTracks);
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "1", "--show-card-data"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "B4111111111111111^DOE/JOHN^2512101\t4111111111111111=2512101\t"
                     "011234567890123456=00000000000000000\n");
  EXPECT_EQ(keyboard.opens, (std::vector<std::pair<std::string, bool>>{{kNode, false}}));
}

TEST(Swipes, CountStopsAfterThatManySwipesAndTheRestIsNotRead) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, "%A?\n%B?\n%C?\n");  // three swipes in one batch
  keyboard.Types(kNode, "%D?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "2"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "A\t\t\nB\t\t\n");
  EXPECT_EQ(keyboard.waits, 1);
}

TEST(Swipes, UnpluggedMidSwipeDropsThePartAndReadsTheReaderAgainWhenItComesBack) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, "%B12");
  keyboard.Unplugged(kNode);
  keyboard.Quiet({});
  keyboard.Quiet({"/dev/input/event9"});  // back, under another number
  keyboard.Types("/dev/input/event9", "3^X?;45?\n");  // the rest of the interrupted swipe
  keyboard.Types("/dev/input/event9", kWorkedExample);
  const SwipesRun run = RunSwipesCommand(keyboard, {"--grab", "--count", "2", "--json"});
  EXPECT_EQ(run.exit, 0) << run.err;
  // The first swipe after the return holds only what was typed after it:
  // the interrupted track 1 is lost, track 2 is whole.
  EXPECT_EQ(run.out,
            "{\"path\":\"/dev/input/event9\",\"tracks\":[\"\",\"45\",\"\"]}\n"
            "{\"path\":\"/dev/input/event9\",\"tracks\":[\"B123^X\",\"456=7\",\"\"]}\n");
  EXPECT_EQ(run.err,
            "magcfg-cli: /dev/input/event5: the card reader is gone; waiting for it\n"
            "magcfg-cli: /dev/input/event9: reading the card reader\n");
  EXPECT_EQ(keyboard.opens,
            (std::vector<std::pair<std::string, bool>>{{kNode, true}, {"/dev/input/event9", true}}));
  // Every wait is bounded, never a spin.
  EXPECT_EQ(keyboard.longestWaitMs, cli::kKeyboardRescanMs);
}

TEST(Swipes, ASwipeWithLostKeyStrokesIsLeftOutAndTheOperatorTold) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.TypesWithLoss(kNode, "%A?\n%B41", "11^X?\n");  // B's middle is lost
  // Lost right after C's line feed: the next swipe may have lost its start.
  keyboard.TypesWithLoss(kNode, "%C?\n", "");
  keyboard.Types(kNode, "D?\n");
  keyboard.Types(kNode, kWorkedExample);
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "3", "--json"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"A\",\"\",\"\"]}\n"
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"C\",\"\",\"\"]}\n"
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"B123^X\",\"456=7\",\"\"]}\n");
  const std::string leftOut =
      "magcfg-cli: /dev/input/event5: key strokes of a swipe were lost (the program was not reading in time); it is "
      "left out: swipe the card again\n";
  EXPECT_EQ(run.err, leftOut + leftOut);
}

TEST(Swipes, TwoReadersTypingAtOnceKeepTheirSwipesApart) {
  ScriptedKeyboard keyboard({"/dev/input/event5", "/dev/input/event7"});
  keyboard.Types("/dev/input/event5", "%AB");
  keyboard.Types("/dev/input/event7", "%CD?\n");
  keyboard.Types("/dev/input/event5", "?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "2", "--json"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"path\":\"/dev/input/event7\",\"tracks\":[\"CD\",\"\",\"\"]}\n"
            "{\"path\":\"/dev/input/event5\",\"tracks\":[\"AB\",\"\",\"\"]}\n");
}

TEST(Swipes, ANodeThatCannotBeOpenedIsNamedAndTheOthersAreRead) {
  ScriptedKeyboard keyboard({"/dev/input/event5", "/dev/input/event7"});
  keyboard.refusals["/dev/input/event5"] = KeyboardOpen::Busy;
  keyboard.Types("/dev/input/event7", "%OK?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--grab", "--count", "1"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "OK\t\t\n");
  EXPECT_EQ(run.err, "magcfg-cli: /dev/input/event5: another program has taken the reader's keyboard for itself\n");
}

// A node another device took is passed over, said once however often it is
// tried, and the reader read where it comes back, until a swipe cannot be
// written out: the command then ends, having let go of the grab.
TEST(Swipes, ANodeAnotherDeviceTookIsPassedOverAndFailedOutputEndsIt) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.refusals[kNode] = KeyboardOpen::NotTheReader;
  keyboard.Quiet({kNode});
  keyboard.Quiet({"/dev/input/event9"});
  keyboard.Types("/dev/input/event9", kWorkedExample);
  keyboard.Types("/dev/input/event9", kWorkedExample);
  const SwipesRun run = RunSwipesCommand(keyboard, {"--grab"}, /*outputFails=*/true);
  EXPECT_EQ(run.exit, 5);
  EXPECT_EQ(run.err,
            "magcfg-cli: /dev/input/event5: another device has taken the card reader's node; it is not read, and the "
            "reader is looked for again\nmagcfg-cli: /dev/input/event9: reading the card reader\n"
            "magcfg-cli: stopped reading swipes; the card reader's keyboard is let go\n"
            "magcfg-cli: could not write the output to standard output\n");
  EXPECT_TRUE(keyboard.openNow.empty());
  EXPECT_EQ(keyboard.waits, 3);  // the second swipe is not taken
}

TEST(Swipes, SentinelsFromTheOptionsOrTheProfileSplitTheSwipe) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, "#AB?%CD?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "1", "--t1-start", "#", "--t2-start", "%"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "AB\tCD\t\n");
}

TEST(Swipes, ControlCharactersAndTabsInATrackStayVisible) {
  ScriptedKeyboard keyboard({kNode});
  keyboard.Types(kNode, "%A\tB<C?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--count", "1"});
  EXPECT_EQ(run.out, "A<Tab>B<<C\t\t\n");
}

TEST(Swipes, FailuresToStartSayWhatIsWrong) {
  struct Row {
    const char* what;
    std::vector<std::string> present;
    std::map<std::string, KeyboardOpen> refusals;
    std::vector<std::string> args;
    int exit;
    const char* err;
  };
  const Row rows[] = {
      {"no reader", {}, {}, {}, 3, "magcfg-cli: no card reader keyboard found (vendor 5131, product 2007)\n"},
      {"a path that is no reader's keyboard", {kNode}, {}, {"--path", "/dev/input/event2"}, 3,
       "magcfg-cli: /dev/input/event2 is not a card reader's keyboard\n"},
      {"a path that would write to the terminal", {kNode}, {}, {"--path", "\x1B[2J\x1B]0;owned\a\nfake line"}, 3,
       "magcfg-cli: <0x1B>[2J<0x1B>]0;owned<0x07><LF>fake line is not a card reader's keyboard\n"},
      {"taken by another program", {kNode}, {{kNode, KeyboardOpen::Busy}}, {"--grab"}, 5,
       "magcfg-cli: /dev/input/event5: another program has taken the reader's keyboard for itself\n"},
      {"no permission", {kNode}, {{kNode, KeyboardOpen::PermissionDenied}}, {}, 6,
       "magcfg-cli: /dev/input/event5: permission denied; install the udev rule (magcfg-cli --print-udev-rules) "
       "and plug the reader in again\n"},
      {"a bad sentinel", {kNode}, {}, {"--t1-start", "ab"}, 2, nullptr},
  };
  for (const Row& row : rows) {
    ScriptedKeyboard keyboard(row.present);
    keyboard.refusals = row.refusals;
    const SwipesRun run = RunSwipesCommand(keyboard, row.args);
    EXPECT_EQ(run.exit, row.exit) << row.what;
    if (row.err != nullptr) {
      EXPECT_EQ(run.err, row.err) << row.what;
    }
    EXPECT_EQ(run.out, "") << row.what;
    EXPECT_TRUE(keyboard.opens.empty()) << row.what;
  }
}

TEST(Swipes, APathMayBeALinkToTheNodeAndOnlyThatNodeIsRead) {
  ScriptedKeyboard keyboard({"/dev/input/event5", "/dev/input/event7"});
  keyboard.links["/dev/input/by-id/usb-reader-event-kbd"] = "/dev/input/event7";
  keyboard.Types("/dev/input/event5", "%NOT?\n");
  keyboard.Types("/dev/input/event7", "%YES?\n");
  const SwipesRun run = RunSwipesCommand(keyboard, {"--path", "/dev/input/by-id/usb-reader-event-kbd", "--count", "1"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "YES\t\t\n");
  EXPECT_EQ(keyboard.opens, (std::vector<std::pair<std::string, bool>>{{"/dev/input/event7", false}}));
}

TEST(Swipes, ABuildWithoutKeyboardsSaysSo) {
  std::ostringstream out;
  std::ostringstream err;
  const std::vector<std::string> args = {"swipes"};
  cli::HidSystems none;
  none.system = cli::kLinux;
  EXPECT_EQ(cli::RunProgram(args, none, out, err), 5);
  EXPECT_EQ(err.str(), "magcfg-cli: this build cannot read a reader's keyboard\n");
}

}  // namespace
}  // namespace magcfg::test
