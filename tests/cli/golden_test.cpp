// Every command's output, text and JSON, against simulated readers, compared
// byte for byte with golden transcripts in golden/. A transcript holds the
// command line, the exit status and both output streams. Bad input must end
// in one line on standard error, a non-zero exit, and nothing sent.
//
// After a deliberate change of output, MAGCFG_UPDATE_GOLDEN=1 rewrites the
// transcripts; read the diff before committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "cli/program.h"
#include "tests/cli/cli_harness.h"

namespace magcfg::test {
namespace {

const std::string kGoldenDir = MAGCFG_CLI_GOLDEN_DIR;
constexpr std::string_view kGoldenMark = "@GOLDEN@";

struct GoldenCase {
  const char* name;
  std::vector<std::string> args;
  int readers = 1;
  FleetSetup setup = {};
  bool sendsNothing = false;  // bad input: no reader may be touched
  bool attached = false;      // the readers stand for those attached, without --simulate
};
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

using Bytes = std::vector<std::uint8_t>;

// A read reply of one report whose track 1 announces 127 bytes: 60 arrive,
// and the lengths of tracks 2 and 3 lie in what never came.
std::vector<std::uint8_t> TruncatedRead() {
  std::vector<std::uint8_t> reply = {0x02, 0x08, 'Y', 127};
  for (int i = 0; i < 60; ++i) reply.push_back(static_cast<std::uint8_t>('0' + i % 10));
  return reply;
}

// Every reader is attached but may not be opened by this user.
void ReadersRefused(cli::SimulatedFleet& fleet) {
  for (std::size_t i = 0; i < fleet.Size(); ++i) {
    for (sim::SimulatedInterface& interface : fleet.Member(i).Config().interfaces) {
      interface.opens = !interface.isReader;
      interface.permissionDenied = interface.isReader;
    }
  }
}

const GoldenCase kCases[] = {
    // list
    {"list_text", {"--simulate", "list"}},
    {"list_json", {"--simulate=3", "list", "--json"}, 3},
    {"list_none", {"--simulate", "list"}, 1, NoReaderAttached},
    {"list_none_json", {"--simulate", "list", "--json"}, 1, NoReaderAttached},
    // set-format
    {"set_format_factory", {"--simulate", "set-format"}},
    {"set_format_options",
     {"--simulate", "set-format", "--t1-start", "#", "--t2-end", "", "--tracks", "1,3", "--cr-after", "1,3"}},
    {"set_format_json", {"--simulate", "--json", "set-format", "--t3-start", "é", "--cr-after", "none"}},
    {"set_format_profile", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_tracks_1_2.json"}},
    {"set_format_profile_overridden",
     {"--simulate", "--json", "set-format", "--profile", "@GOLDEN@/profile_tracks_1_2.json", "--cr-after", "packet"}},
    {"set_format_default_verbose", {"--simulate", "--verbose", "set-format", "--default"}},
    {"set_format_refused", {"--simulate", "set-format"}, 1, [](auto& f) { ReaderAnswers(f, 0, {0x02, 0x30, 'N', 0x03}); }},
    {"set_format_no_verdict", {"--simulate", "set-format"}, 1, [](auto& f) { ReaderAnswers(f, 0, {0x02, 0x30, 0x00}); }},
    {"set_format_unexpected_frame",
     {"--simulate", "set-format"}, 1, [](auto& f) { ReaderAnswers(f, 0, {0x02, 0x09, 'Y', 0x03}); }},
    {"set_format_unexpected_frame_json",
     {"--simulate", "set-format", "--json"}, 1, [](auto& f) { ReaderAnswers(f, 0, {'Y', 'Y', 'Y', 0x03}); }},
    {"set_format_reply_timeout", {"--simulate", "set-format"}, 1, [](auto& f) { ReaderSilent(f, 0); }},
    {"set_format_reply_timeout_json", {"--simulate", "--json", "set-format"}, 1, [](auto& f) { ReaderSilent(f, 0); }},
    {"set_format_all_text", {"--simulate=3", "set-format", "--all"}, 3, [](auto& f) { ReaderSilent(f, 1); }},
    {"set_format_all_json", {"--simulate=3", "--json", "set-format", "--all"}, 3, [](auto& f) { ReaderSilent(f, 1); }},
    {"set_format_no_reader", {"--simulate", "set-format"}, 1, NoReaderAttached},
    {"set_format_reader_gone", {"--simulate", "set-format"}, 1,
     [](auto& f) { f.Member(0).Config().reader.failWrites = reader::TransferStatus::ReaderGone; }},
    {"set_format_all_no_reader_json", {"--simulate", "--json", "--all", "set-format"}, 1, NoReaderAttached},
    {"set_format_path", {"--simulate=2", "set-format", "--path", "sim:hid/3-magstripe"}, 2},
    {"set_format_path_missing", {"--simulate=2", "set-format", "--path", "sim:hid/9<magstripe\xE2\x80\xAE"}, 2},
    {"set_format_path_not_a_reader", {"--simulate", "set-format", "--path", "sim:hid/0-keyboard"}},
    // mode
    {"mode_active_text", {"--simulate", "mode", "active"}},
    {"mode_passive_json", {"--simulate", "mode", "passive", "--json"}},
    {"mode_all_text", {"--simulate=2", "--all", "mode", "passive"}, 2},
    // status
    {"status_text", {"--simulate", "status"}},
    {"status_no_swipe_json", {"--simulate", "--json", "status"}, 1, [](auto& f) { f.Member(0).Reader().Swipe({}); }},
    {"status_unknown_code", {"--simulate", "status"}, 1, [](auto& f) { ReaderAnswers(f, 0, {0x02, 0x09, 'Y', 0x07}); }},
    // read
    {"read_text", {"--simulate", "read"}},
    {"read_all_tracks_json", {"--simulate", "read", "--tracks", "6", "--json"}},
    {"read_no_swipe", {"--simulate", "read"}, 1, [](auto& f) { f.Member(0).Reader().Swipe({}); }},
    {"read_swipe_failed_json",
     {"--simulate", "--json", "read"}, 1, [](auto& f) { f.Member(0).Reader().Swipe(reader::CardSwipe::Failed()); }},
    {"read_control_characters",
     {"--simulate", "read", "--tracks", "6"}, 1,
     [](auto& f) { f.Member(0).Reader().Swipe(reader::CardSwipe::Good("A\rB<C", "", std::string("x\0y\x85", 4))); }},
    {"read_all_json", {"--simulate=2", "--all", "--json", "read", "--tracks", "1"}, 2},
    {"read_reply_timeout", {"--simulate", "read"}, 1, [](auto& f) { ReaderSilent(f, 0); }},
    {"read_truncated", {"--simulate", "read", "--tracks", "6"}, 1, [](auto& f) { ReaderAnswers(f, 0, TruncatedRead()); }},
    {"read_truncated_json",
     {"--simulate", "read", "--tracks", "6", "--json"}, 1, [](auto& f) { ReaderAnswers(f, 0, TruncatedRead()); }},
    {"read_negative_length",
     {"--simulate", "read", "--tracks", "6"}, 1, [](auto& f) { ReaderAnswers(f, 0, {0x02, 0x08, 'Y', 2, 'A', 'B', 0, 0x85}); }},
    // version
    {"version_text", {"--simulate", "version"}},
    {"version_json", {"--simulate", "version", "--json"}},
    {"version_all_text", {"--simulate=2", "version", "--all"}, 2},
    // preview: no reader at all
    {"preview_sample", {"preview"}},
    {"preview_track_returns", {"preview", "--cr-after", "1,3", "--t2-start", "", "--t3-start", "<"}},
    {"preview_control_sentinel", {"preview", "--t1-end", "\x01", "--cr-after", "none", "--tracks", "1"}},
    {"preview_swipe_json", {"preview", "--json", "--tracks", "2,3", "--swipe", "IGNORED", "1234=56", ""}},
    {"preview_profile", {"preview", "--profile", "@GOLDEN@/profile_tracks_1_2.json", "--swipe", "AB", "12", "XY"}},
    {"preview_swipe_help_as_value", {"preview", "--swipe", "--help", "b", "c"}},
    // help
    {"help", {"--help"}},
    {"help_watch", {"watch", "--help"}},
    {"help_read", {"--simulate", "read", "-h"}},
    {"usage_without_arguments", {}},  // a few lines of usage, exit 2
    // bad input: one line, non-zero exit, nothing sent
    {"bad_no_command", {"--simulate"}, 1, {}, true},
    {"bad_unknown_command", {"--simulate", "frobnicate"}, 1, {}, true},
    {"bad_unknown_option", {"--simulate", "status", "--colour"}, 1, {}, true},
    {"bad_unknown_command_escaped", {"--simulate", "\x1B]0;owned\x07\x1B[2J"}, 1, {}, true},
    {"bad_unknown_command_long", {"--simulate", std::string(300, 'x')}, 1, {}, true},
    {"bad_unknown_option_escaped", {"--simulate", "status", "--\x1B[31mred"}, 1, {}, true},
    {"bad_sentinel_ff", {"--simulate", "set-format", "--t1-start", "\xC3\xBF"}, 1, {}, true},
    {"bad_preview_sentinel_ff", {"preview", "--t3-end", "\xC3\xBF", "--json"}, 1, {}, true},
    {"bad_sentinel_two_characters", {"--simulate", "set-format", "--t1-start", "%%"}, 1, {}, true},
    {"bad_sentinel_wide", {"--simulate", "set-format", "--t2-end", "€"}, 1, {}, true},
    {"bad_packet_with_track_cr", {"--simulate", "set-format", "--cr-after", "packet,1"}, 1, {}, true},
    {"bad_no_tracks", {"--simulate", "set-format", "--tracks", ""}, 1, {}, true},
    {"bad_track_number", {"--simulate", "set-format", "--tracks", "1,4"}, 1, {}, true},
    {"bad_profile_malformed", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_malformed.json"}, 1, {}, true},
    {"bad_profile_unknown_key", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_misspelt.json"}, 1, {}, true},
    {"bad_profile_conflict", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_conflict.json"}, 1, {}, true},
    {"bad_profile_missing", {"--simulate", "set-format", "--profile", "@GOLDEN@/no_such_profile.json"}, 1, {}, true},
    {"bad_profile_missing_escaped",
     {"--simulate", "set-format", "--profile", "@GOLDEN@/no\x1B[2Jsuch\nprofile.json"}, 1, {}, true},
    {"bad_profile_deep", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_deep.json"}, 1, {}, true},
    {"bad_profile_nul", {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_nul.json"}, 1, {}, true},
    {"bad_profile_unclosed_comment",
     {"--simulate", "set-format", "--profile", "@GOLDEN@/profile_unclosed_comment.json"}, 1, {}, true},
    {"bad_default_with_option", {"--simulate", "set-format", "--default", "--tracks", "1"}, 1, {}, true},
    {"bad_read_code", {"--simulate", "read", "--tracks", "7"}, 1, {}, true},
    {"bad_option_of_other_command", {"--simulate", "status", "--swipe", "a", "b", "c"}, 1, {}, true},
    {"bad_path_and_all", {"--simulate", "status", "--all", "--path", "x"}, 1, {}, true},
    {"bad_mode", {"--simulate", "mode", "sideways"}, 1, {}, true},
    {"bad_swipe_value", {"preview", "--swipe", "a", "€", "c"}, 1, {}, true},
    {"bad_simulate_count", {"--simulate=0", "status"}, 1, {}, true},
    {"bad_watch_nothing_to_set_up", {"watch", "--json"}, 1, {}, true},
    {"bad_watch_mode", {"watch", "--mode", "sideways"}, 1, {}, true},
    {"bad_watch_simulated", {"--simulate", "watch", "--default"}, 1, {}, true},
    {"bad_twice", {"--simulate", "set-format", "--tracks", "1", "--tracks", "2"}, 1, {}, true},
    // a build without HID services and no --simulate
    {"no_hid_services", {"status"}, 1, {}, true},
    // no reader attached: what to check; a reader that may not be opened is another outcome
    {"attached_none", {"list"}, 1, NoReaderAttached, false, true},
    {"attached_none_json", {"list", "--json"}, 1, NoReaderAttached, false, true},
    {"attached_none_status", {"status"}, 1, NoReaderAttached, false, true},
    {"attached_refused", {"list"}, 1, ReadersRefused, false, true},
};

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// An argument as a shell would need it.
std::string ShellWord(const std::string& arg) {
  const bool plain = !arg.empty() && arg.find_first_not_of(
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_=,./:@%+-") ==
                                         std::string::npos;
  if (plain) return arg;
  std::string word = "$'";
  for (const char c : arg) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\'' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
      word += escaped;
    } else {
      word += c;
    }
  }
  return word + "'";
}

std::string Transcript(const GoldenCase& c, const CliRun& run) {
  std::string text = "$ magcfg-cli";
  for (const std::string& arg : c.args) text += " " + ShellWord(arg);
  text += "\n--- exit " + std::to_string(run.exit) + "\n--- stdout\n" + run.out + "--- stderr\n" + run.err;
  return Replace(text, kGoldenDir, kGoldenMark);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, OutputMatchesTranscript) {
  const GoldenCase& c = GetParam();
#ifdef _WIN32
  // Windows refuses control characters in a file name outright ("Invalid
  // argument"), so the reason differs there; the escaping is the same.
  if (std::string_view(c.name) == "bad_profile_missing_escaped") GTEST_SKIP() << "no such file name on Windows";
#endif
  std::vector<std::string> args;
  for (const std::string& arg : c.args) args.push_back(Replace(arg, kGoldenMark, kGoldenDir));
  const CliRun run = RunCli(args, c.readers, c.setup, c.attached);
  const std::string actual = Transcript(c, run);
  std::string path = kGoldenDir + "/" + c.name + ".txt";
#ifdef _WIN32
  // Where Windows differs (what to check when no reader is found), it has a transcript of its own.
  const std::string windowsPath = kGoldenDir + "/" + c.name + ".windows.txt";
  if (std::filesystem::exists(windowsPath)) path = windowsPath;
#endif

  if (std::getenv("MAGCFG_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << actual;
  }
  EXPECT_EQ(actual, ReadFile(path)) << "golden file " << path;

  if (c.sendsNothing) {
    EXPECT_EQ(run.systemsMade, 0) << "HID services asked for";
    EXPECT_TRUE(FleetUntouched(*run.fleet)) << "a reader was touched";
  }
  if (run.exit == 2 && !c.args.empty()) {  // no arguments at all get a few lines of usage
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "a usage error is one line";
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, Golden, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

// A stream that takes nothing, as standard output on a full disk or a
// closed pipe.
class FailingOutput final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

// Output that could not be written is a failure (5) whatever the command's
// own outcome, said on standard error.
TEST(Output, AFailedWriteOfStandardOutputIsAFailure) {
  const std::vector<std::vector<std::string>> lines = {
      {"--help"},
      {"--version"},
      {"--print-udev-rules"},
      {"--simulate", "list"},
      {"--simulate", "status", "--json"},
      {"--simulate", "read", "--tracks", "6", "--all", "--json"},
      {"preview"},
      {"--simulate", "set-format"},
  };
  for (const auto& args : lines) {
    auto fleet = std::make_shared<cli::SimulatedFleet>(1, sim::Pacing::Virtual);
    cli::HidSystems systems;
    systems.system = cli::kLinux;
    systems.simulated = [&](int) -> std::shared_ptr<reader::HidSystem> { return fleet; };
    FailingOutput sink;
    std::ostream out(&sink);
    std::ostringstream err;
    EXPECT_EQ(cli::RunProgram(args, systems, out, err), 5) << args.back();
    EXPECT_TRUE(err.str().ends_with("magcfg-cli: could not write the output to standard output\n")) << err.str();
  }
}

// Every transcript in golden/ belongs to a case, so none goes stale unseen.
TEST(GoldenFiles, EachTranscriptHasACase) {
  for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir)) {
    if (entry.path().extension() != ".txt") continue;
    std::string stem = entry.path().stem().string();
    if (stem.ends_with(".windows")) stem.resize(stem.size() - std::string_view(".windows").size());
    const bool used = std::any_of(std::begin(kCases), std::end(kCases), [&](const GoldenCase& c) { return c.name == stem; });
    EXPECT_TRUE(used) << entry.path() << " has no case";
  }
}

// The rule printed is the file that is installed, byte for byte.
TEST(UdevRules, PrintedRuleIsTheShippedFile) {
  const std::string shipped = ReadFile(MAGCFG_UDEV_RULES_FILE);
  ASSERT_NE(shipped.find("ATTRS{idVendor}==\"5131\""), std::string::npos);
  const CliRun run = RunCli({"--print-udev-rules"});
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(run.out, shipped);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.systemsMade, 0);
}

}  // namespace
}  // namespace magcfg::test
