// JSON profiles: what each setting may be, the one-line refusals of a bad
// profile, and that set-format's own JSON report reads back as a profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/profile.h"
#include "cli/runner.h"
#include "tests/cli/cli_harness.h"

namespace magcfg::cli {
namespace {

struct ProfileRow {
  const char* text;
  const char* payload;  // after the factory format, or nullptr when refused
  const char* error;
};

const ProfileRow kProfiles[] = {
    {"{}", "25 3F 3B 3F 2B 3F 37 38", nullptr},
    {R"({"t1-start": "#", "t3-end": null, "t2-end": ""})", "23 3F 3B FF 2B FF 37 38", nullptr},
    {R"({"t1-start": "\u00e9", "t1-end": "\u0001"})", "E9 01 3B 3F 2B 3F 37 38", nullptr},
    {R"({"tracks": [2], "cr-after": [1, 3]})", "25 3F 3B 3F 2B 3F 32 35", nullptr},
    {R"({"tracks": "1,3", "cr-after": "none"})", "25 3F 3B 3F 2B 3F 35 30", nullptr},
    {R"({"cr-after": []})", "25 3F 3B 3F 2B 3F 37 30", nullptr},
    {R"({"cr-after": ["packet"]})", "25 3F 3B 3F 2B 3F 37 38", nullptr},
    {"// comment\n{\"tracks\": [1] /* only one */}", "25 3F 3B 3F 2B 3F 31 38", nullptr},
    {"[1, 2]", nullptr, "a profile is a JSON object of settings"},
    {"", nullptr, "parse error at line 1, column 1"},
    {R"({"tracks": [1, 2,)", nullptr, "parse error at line 1"},
    {R"({"t1-start": "%%"})", nullptr, "t1-start: '%%' is 2 characters"},
    {R"({"t1-start": 37})", nullptr, "t1-start: expected a one-character text, or \"\" or null for none"},
    {R"({"tracks": []})", nullptr, "tracks: You must select any one track to output!"},
    {R"({"tracks": [1, "2"]})", nullptr, "tracks: \"2\" is not a track"},
    {R"({"tracks": {"1": true}})", nullptr, "tracks: expected an array of tracks"},
    {R"({"tracks": [7]})", nullptr, "tracks: '7' is not a track"},
    {R"({"cr-after": ["packet", 1]})", nullptr, "cr-after: a carriage return after the packet cannot be combined"},
    {R"({"cr-after": [true]})", nullptr, "cr-after: true is not a track or \"packet\""},
    {R"({"Tracks": [1]})", nullptr, "unknown setting \"Tracks\""},
};

TEST(Profile, SettingsAndRefusals) {
  for (const ProfileRow& row : kProfiles) {
    const Checked<FormatChoice> parsed = ParseProfile(row.text);
    if (row.payload == nullptr) {
      EXPECT_FALSE(parsed) << row.text;
      EXPECT_NE(parsed.error.find(row.error), std::string::npos) << row.text << " -> " << parsed.error;
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    } else {
      ASSERT_TRUE(parsed) << row.text << ": " << parsed.error;
      EXPECT_EQ(Hex(reader::FormatPayload(ResolveFormat(*parsed.value, {}))), row.payload) << row.text;
    }
  }
}

class ProfileFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("magcfg_cli_profile_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(ProfileFile, UnreadableOrOversizedFilesAreRefusedByName) {
  const std::string missing = (dir_ / "missing.json").string();
  EXPECT_EQ(LoadProfile(missing).error, missing + ": No such file or directory");
  EXPECT_TRUE(LoadProfile(dir_.string()).error.starts_with(dir_.string() + ": "));  // a directory
  const std::string big = Write("big.json", "{\"tracks\": [1]" + std::string(kLargestProfile, ' ') + "}");
  EXPECT_EQ(LoadProfile(big).error,
            big + ": larger than " + std::to_string(kLargestProfile) + " bytes, not a profile");
  const std::string good = Write("good.json", R"({"tracks": [3]})");
  ASSERT_TRUE(LoadProfile(good));
}

// What set-format reports as its format, fed back as a profile, sends the
// same bytes.
TEST_F(ProfileFile, SetFormatReportReadsBackAsAProfile) {
  const std::vector<std::vector<std::string>> formats = {
      {},
      {"--t1-start", "", "--t2-end", "\xC3\xA9", "--tracks", "1,3", "--cr-after", "1,3"},
      {"--t3-start", "\x01", "--tracks", "2", "--cr-after", "none"},
  };
  for (const auto& options : formats) {
    std::vector<std::string> args = {"--simulate", "--json", "set-format"};
    args.insert(args.end(), options.begin(), options.end());
    const test::CliRun first = test::RunCli(args);
    ASSERT_EQ(first.exit, 0) << first.err;
    const nlohmann::json report = nlohmann::json::parse(first.out);
    const std::string profile = Write("round.json", report["format"].dump());

    const test::CliRun second = test::RunCli({"--simulate", "--json", "set-format", "--profile", profile});
    ASSERT_EQ(second.exit, 0) << second.err;
    EXPECT_EQ(nlohmann::json::parse(second.out)["payload"], report["payload"]) << report["format"].dump();
    EXPECT_EQ(first.fleet->Member(0).Seen().writes, second.fleet->Member(0).Seen().writes);
  }
}

}  // namespace
}  // namespace magcfg::cli
