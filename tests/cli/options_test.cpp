// The shape of the command line: where options may stand, what each
// command takes, and what a parse yields. The refusals that reach the
// operator are checked word for word in the golden transcripts.
#include <gtest/gtest.h>

#include "cli/help.h"
#include "cli/options.h"

namespace magcfg::cli {
namespace {

// The whole command line, as Linux has it.
Checked<Invocation> Parse(std::vector<std::string> args) { return ParseArguments(args, kLinux); }

TEST(Arguments, OptionsMayStandBeforeOrAfterTheCommand) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--json", "--simulate=4", "--all", "status"},
           {"status", "--all", "--json", "--simulate=4"},
           {"--all", "status", "--simulate=4", "--json"},
       }) {
    const auto parsed = Parse(args);
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(parsed.value->command, Command::Status);
    EXPECT_TRUE(parsed.value->json);
    EXPECT_EQ(parsed.value->simulatedReaders, 4);
    EXPECT_EQ(parsed.value->choice, ReaderChoice::All);
  }
}

TEST(Arguments, ValuesFollowOrAreJoinedWithEquals) {
  const auto parsed = Parse({"set-format", "--t1-start=", "--t1-end", "-", "--t2-start", "", "--path=/dev/hidraw3",
                             "--tracks=2,3", "--cr-after", "packet"});
  ASSERT_TRUE(parsed) << parsed.error;
  const FormatArguments& format = parsed.value->format;
  EXPECT_EQ(format.sentinels[0], "");
  EXPECT_EQ(format.sentinels[1], "-");  // a value may look like an option
  EXPECT_EQ(format.sentinels[2], "");
  EXPECT_FALSE(format.sentinels[3]);
  EXPECT_EQ(format.tracks, "2,3");
  EXPECT_EQ(format.crAfter, "packet");
  EXPECT_EQ(parsed.value->choice, ReaderChoice::Path);
  EXPECT_EQ(parsed.value->path, "/dev/hidraw3");
}

TEST(Arguments, TracksMeansATrackListForFormatsAndAListOrACodeForRead) {
  const auto format = Parse({"preview", "--tracks", "1,3"});
  ASSERT_TRUE(format) << format.error;
  EXPECT_EQ(format.value->format.tracks, "1,3");
  const auto read = Parse({"read", "--tracks", "5"});
  ASSERT_TRUE(read) << read.error;
  EXPECT_EQ(read.value->trackSelection, 5);
  EXPECT_FALSE(read.value->format.tracks);
  const std::pair<const char*, int> lists[] = {{"3,2", 0}, {"1", 1}, {"1,2", 4}, {"3,1", 5}, {"1,2,3", 6}};
  for (const auto& [list, code] : lists) EXPECT_EQ(Parse({"read", "--tracks", list}).value->trackSelection, code) << list;
  EXPECT_EQ(Parse({"read"}).value->trackSelection, 0);  // the window's first entry
}

struct RefusalRow {
  std::vector<std::string> args;
  std::string error;
};

const std::string kNotAGroup =
    "cannot stand in the udev rule as a group name: 1 to 32 letters, digits, '_', '.' or '-', the first a letter or '_'";

const std::string kNoSuchTracks =
    "names no tracks the reader returns together: give 2,3, 1, 2, 3, 1,2, 1,3 or 1,2,3, or their codes 0 to 6";

const RefusalRow kRefusals[] = {
    {{"read", "--tracks", "1,4"}, "--tracks: '1,4' " + kNoSuchTracks},
    {{"read", "--tracks", "06"}, "--tracks: '06' " + kNoSuchTracks},
    {{"set-format", "--t1-start"}, "--t1-start needs a value"},
    {{"preview", "--swipe", "a", "b"}, "--swipe needs three values: track 1, track 2 and track 3"},
    {{"status", "--json=yes"}, "--json takes no '=' value"},
    {{"list", "--all"}, "--all is not an option of list"},
    {{"preview", "--path", "p"}, "--path is not an option of preview"},
    {{"version", "--t1-start", "%"}, "--t1-start is not an option of version"},
    {{"mode"}, "mode needs 'active' or 'passive'"},
    {{"mode", "active", "now"}, "unexpected argument 'now'"},
    {{"status", "list"}, "unexpected argument 'list'"},
    {{"--simulate=257", "status"}, "--simulate=N needs a number of readers from 1 to 256"},
    {{"--simulate=x", "status"}, "--simulate=N needs a number of readers from 1 to 256"},
    {{"-x", "status"}, "unknown option '-x' (try --help)"},
    {{"status", "--path="}, "--path needs the path of a reader, as list shows it"},
    {{"status", "--print-udev-rules"}, "--print-udev-rules takes no command"},
    {{"mode", "--", "--json"}, "mode needs 'active' or 'passive'"},
    {{"--", "--json", "list"}, "unknown command '--json' (try --help)"},
    {{"status", "--mode", "active"}, "--mode is not an option of status"},
    {{"set-format", "--default", "--profile", "p.json"}, "--default is the whole factory format and takes no other format option"},
    // What the operator gave is echoed visible and short.
    {{"-\x1B[2J", "status"}, "unknown option '-<0x1B>[2J' (try --help)"},
    {{"status", "x\ry"}, "unexpected argument 'x<CR>y'"},
    {{std::string(300, 'z')}, "unknown command '" + std::string(40, 'z') + "...' (try --help)"},
    {{"swipes", "--count", "0"}, "--count needs a number of swipes from 1 to 9999"},
    {{"swipes", "--count", "10000"}, "--count needs a number of swipes from 1 to 9999"},
    {{"swipes", "--count=x"}, "--count needs a number of swipes from 1 to 9999"},
    {{"swipes", "--path="}, "--path needs the path of a reader's keyboard, as list shows it"},
    {{"swipes", "--tracks", "1"}, "--tracks is not an option of swipes"},
    {{"swipes", "--cr-after", "1"}, "--cr-after is not an option of swipes"},
    {{"swipes", "--simulate"}, "--simulate is not an option of swipes"},
    {{"swipes", "--all"}, "--all is not an option of swipes"},
    {{"read", "--grab"}, "--grab is not an option of read"},
    {{"status", "--count", "2"}, "--count is not an option of status"},
    // Nothing but a plain group name reaches the rule text.
    {{"--print-udev-rules", "--group", "a\", MODE=\"0666"}, "--group: 'a\", MODE=\"0666' " + kNotAGroup},
    {{"--print-udev-rules", "--group", "$env{USER}"}, "--group: '$env{USER}' " + kNotAGroup},
    {{"--print-udev-rules", "--group=1000"}, "--group: '1000' " + kNotAGroup},
    {{"--print-udev-rules", "--group", std::string(33, 'g')}, "--group: '" + std::string(33, 'g') + "' " + kNotAGroup},
    {{"--group", "bench", "list"}, "--group goes with --print-udev-rules only"},
    {{"status", "--wait", "600.001"}, "--wait needs a number of seconds from 0 to 600 (at most three decimals)"},
    {{"status", "--wait", "1.5000"}, "--wait needs a number of seconds from 0 to 600 (at most three decimals)"},
    {{"list", "--wait", "1"}, "--wait is not an option of list"},
};

TEST(Arguments, RefusalsSayWhatIsWrong) {
  for (const RefusalRow& row : kRefusals) {
    const auto parsed = Parse(row.args);
    EXPECT_FALSE(parsed) << row.args[0];
    EXPECT_EQ(parsed.error, row.error);
  }
}

// What Linux alone has, parsed as on Windows: the refusal, and on Linux
// not that refusal.
const RefusalRow kLinuxOnly[] = {
    {{"swipes", "--grab"}, "swipes is not available on Windows"},
    {{"--", "swipes"}, "swipes is not available on Windows"},
    {{"version", "--grab"}, "--grab is not available on Windows"},
    {{"--print-udev-rules", "--group", "bench"}, "--print-udev-rules is not available on Windows"},
    {{"--group", "bench", "list"}, "--group is not available on Windows"},
};

TEST(Arguments, WhatLinuxAloneHasIsRefusedOnWindows) {
  for (const RefusalRow& row : kLinuxOnly) {
    const auto windows = ParseArguments(row.args, kWindows);
    EXPECT_FALSE(windows) << row.args[0];
    EXPECT_EQ(windows.error, row.error);
    EXPECT_NE(ParseArguments(row.args, kLinux).error, row.error);
    // Nor does Windows' help offer it, while Linux's does.
    const std::string word = row.error.substr(0, row.error.find(' '));
    EXPECT_EQ(HelpText(kWindows).find(word), std::string::npos) << word;
    EXPECT_NE(HelpText(kLinux).find(word), std::string::npos) << word;
  }
  EXPECT_NE(HelpText(kWindows).find("watch"), std::string::npos);
}

TEST(Arguments, SwipesTakesItsNodeGrabCountAndSentinels) {
  const auto parsed =
      Parse({"swipes", "--grab", "--count", "2", "--path", "/dev/input/event5", "--t1-start", "#", "--json"});
  ASSERT_TRUE(parsed) << parsed.error;
  EXPECT_EQ(parsed.value->command, Command::Swipes);
  EXPECT_TRUE(parsed.value->grab);
  EXPECT_EQ(parsed.value->count, 2);
  EXPECT_EQ(parsed.value->path, "/dev/input/event5");
  EXPECT_EQ(parsed.value->format.sentinels[0], "#");
  EXPECT_FALSE(parsed.value->showCardData);
  const auto plain = Parse({"swipes", "--show-card-data"});
  ASSERT_TRUE(plain) << plain.error;
  EXPECT_FALSE(plain.value->grab);
  EXPECT_EQ(plain.value->count, 0);  // until stopped
  EXPECT_TRUE(plain.value->showCardData);
  EXPECT_TRUE(Parse({"read", "--show-card-data"}).value->showCardData);
}

TEST(Arguments, HelpAndVersionWinOverEverything) {
  EXPECT_EQ(Parse({"frobnicate", "--bad", "-h"}).value->action, Invocation::Action::ShowHelp);
  EXPECT_EQ(Parse({"--version", "--help"}).value->action, Invocation::Action::ShowHelp);
  EXPECT_EQ(Parse({"status", "--version"}).value->action, Invocation::Action::ShowProgramVersion);
  EXPECT_EQ(Parse({"--print-udev-rules"}).value->action, Invocation::Action::PrintUdevRules);
  EXPECT_EQ(Parse({"--print-udev-rules"}).value->ruleGroup, "");
  EXPECT_EQ(Parse({"--group", "bench_2.x-y", "--print-udev-rules"}).value->ruleGroup, "bench_2.x-y");
  EXPECT_EQ(Parse({"--print-udev-rules", "--group", std::string(32, 'g')}).value->ruleGroup, std::string(32, 'g'));
  // Only --help standing as an option asks for help: as an option's value
  // it is that value.
  const auto swipe = Parse({"preview", "--swipe", "--help", "b", "c"});
  ASSERT_TRUE(swipe) << swipe.error;
  EXPECT_EQ(swipe.value->action, Invocation::Action::RunCommand);
  EXPECT_EQ(swipe.value->swipe, (std::array<std::string, 3>{"--help", "b", "c"}));
  EXPECT_EQ(Parse({"status", "--path", "-h"}).value->path, "-h");
  EXPECT_EQ(Parse({"set-format", "--profile", "--version"}).value->format.profile, "--version");
  EXPECT_EQ(Parse({"preview", "--swipe", "a", "b", "c", "--help"}).value->action, Invocation::Action::ShowCommandHelp);
  EXPECT_EQ(Parse({"status", "--path=x", "--help"}).value->action, Invocation::Action::ShowCommandHelp);
  // The command named version is the reader's, not the program's.
  EXPECT_EQ(Parse({"version"}).value->action, Invocation::Action::RunCommand);
  EXPECT_EQ(Parse({"version"}).value->command, Command::Version);
  EXPECT_EQ(Parse({"-V"}).value->action, Invocation::Action::ShowProgramVersion);
  EXPECT_EQ(Parse({}).value->action, Invocation::Action::ShowUsage);
}

TEST(Arguments, HelpAfterACommandIsThatCommandsHelp) {
  const auto watch = Parse({"--json", "watch", "--help"});
  EXPECT_EQ(watch.value->action, Invocation::Action::ShowCommandHelp);
  EXPECT_EQ(watch.value->command, Command::Watch);
  EXPECT_EQ(Parse({"frobnicate", "-h"}).value->action, Invocation::Action::ShowHelp);
  // After "--" nothing is an option, --help included.
  const auto words = Parse({"mode", "--", "passive"});
  ASSERT_TRUE(words) << words.error;
  EXPECT_EQ(words.value->mode, UploadMode::Passive);
  EXPECT_EQ(Parse({"list", "--", "--help"}).error, "unexpected argument '--help'");
}

TEST(Arguments, WaitIsInSecondsToTheMillisecond) {
  const std::pair<std::vector<std::string>, int> rows[] = {
      {{"status"}, 5000},
      {{"read", "--wait=2.5"}, 2500},
      {{"--wait", "0.125", "set-format"}, 125},
      {{"watch", "--default", "--wait", "600"}, 600000},
  };
  for (const auto& [args, ms] : rows) {
    const auto parsed = Parse(args);
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(parsed.value->waitMs, ms) << args.back();
  }
}

TEST(Arguments, WatchTakesAFormatAndAMode) {
  const auto parsed = Parse({"watch", "--profile", "bench.json", "--mode", "passive", "--json"});
  ASSERT_TRUE(parsed) << parsed.error;
  EXPECT_EQ(parsed.value->command, Command::Watch);
  EXPECT_EQ(parsed.value->format.profile, "bench.json");
  EXPECT_TRUE(parsed.value->modeGiven);
  EXPECT_EQ(parsed.value->mode, UploadMode::Passive);
  EXPECT_TRUE(Parse({"watch", "--mode=active"}));
  EXPECT_TRUE(Parse({"watch", "--default"}));
}

}  // namespace
}  // namespace magcfg::cli
