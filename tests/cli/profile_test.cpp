// JSON profiles: what each setting may be, the one-line refusals of a bad
// profile, and that set-format's own JSON report reads back as a profile.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <nlohmann/json.hpp>

#include "cli/profile.h"
#include "cli/runner.h"
#include "tests/cli/cli_harness.h"

namespace magcfg::cli {
namespace {

struct ProfileRow {
  std::string text;
  const char* payload;  // after the factory format, or nullptr when refused
  std::string error;
};

const ProfileRow kProfiles[] = {
    {"{}", "25 3F 3B 3F 2B 3F 37 38", ""},
    {R"({"t1-start": "#", "t3-end": null, "t2-end": ""})", "23 3F 3B FF 2B FF 37 38", ""},
    {R"({"t1-start": "\u00e9", "t1-end": "\u0001"})", "E9 01 3B 3F 2B 3F 37 38", ""},
    {R"({"tracks": [2], "cr-after": [1, 3]})", "25 3F 3B 3F 2B 3F 32 35", ""},
    {R"({"tracks": "1,3", "cr-after": "none"})", "25 3F 3B 3F 2B 3F 35 30", ""},
    {R"({"cr-after": []})", "25 3F 3B 3F 2B 3F 37 30", ""},
    {R"({"cr-after": ["packet"]})", "25 3F 3B 3F 2B 3F 37 38", ""},
    {"// comment\n{\"tracks\": [1] /* only one */}", "25 3F 3B 3F 2B 3F 31 38", ""},
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
    // Values are reported as written, long ones cut short, nested ones by type.
    {R"({"tracks": [18446744073709551615]})", nullptr, "tracks: '18446744073709551615' is not a track"},
    {R"({"tracks": [-1]})", nullptr, "tracks: '-1' is not a track"},
    {R"({"tracks": [1.0]})", nullptr, "tracks: 1.0 is not a track"},
    {R"({"tracks": [[[1]]]})", nullptr, "tracks: an array is not a track"},
    {R"({"cr-after": [{"a": [1, 2]}]})", nullptr, "cr-after: an object is not a track or \"packet\""},
    {"{\"tracks\": [\"" + std::string(5000, 'x') + "\"]}", nullptr,
     "tracks: \"" + std::string(40, 'x') + "...\" is not a track"},
    {"{\"" + std::string(5000, 'k') + "\": 1}", nullptr, "unknown setting \"" + std::string(40, 'k') + "...\" (settings:"},
    {"{\"\\u001b[2J\": 1}", nullptr, "unknown setting \"<0x1B>[2J\""},
    {"{\"t1-start\": \"" + std::string(5000, '%') + "\"}", nullptr, "t1-start: '" + std::string(40, '%') + "...' is 5000"},
    {"{\"t1-start\": \"\\u00ff\"}", nullptr, "t1-start: '\xC3\xBF' (U+00FF) would be sent as 0xFF"},
    {"{\"t1-start\": \"x\\u0000\"}", nullptr, "t1-start: 'x<0x00>' is 2 characters"},
    // A NUL byte does not end the text early.
    {std::string("{\"t1-start\":\"%\"}\0garbage", 24), nullptr, "a NUL byte at byte 17; a profile is JSON text"},
    {std::string("{\"t1-start\":\"%\0\"}", 17), nullptr, "a NUL byte at byte 15"},
    // Nesting is bounded before anything is built or echoed.
    {"{\"tracks\":" + std::string(100000, '[') + std::string(100000, ']') + "}", nullptr,
     "arrays or objects nested more than 8 deep; a profile is one object of settings"},
    {std::string(100000, '['), nullptr, "arrays or objects nested more than 8 deep"},
    {"{\"tracks\": [1], \"x\": " + std::string(7, '[') + std::string(7, ']') + "}", nullptr, "unknown setting \"x\""},
    // What the parser last read is cut short too.
    {"{\"tracks\": \"" + std::string(5000, 'y') + "\x01\"}", nullptr, "last read: '\"" + std::string(39, 'y') + "...'"},
    {"{\"t1-start\": \"\x1B\"}", nullptr, "last read: '\"<0x1B>'"},  // escaped once
    // A key given twice, compared as decoded, in any object.
    {R"({"t1-start": "A", "t1\u002dstart": "Z"})", nullptr, "\"t1-start\" given twice"},
    {R"({"cr-after": [{"a": 1, "a": 2}]})", nullptr, "\"a\" given twice"},
};

TEST(Profile, SettingsAndRefusals) {
  for (const ProfileRow& row : kProfiles) {
    const Checked<FormatChoice> parsed = ParseProfile(row.text);
    const std::string shown = row.text.substr(0, 80);
    if (row.payload == nullptr) {
      EXPECT_FALSE(parsed) << shown;
      EXPECT_NE(parsed.error.find(row.error), std::string::npos) << shown << " -> " << parsed.error;
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
      EXPECT_LT(parsed.error.size(), 300u) << shown;
    } else {
      ASSERT_TRUE(parsed) << shown << ": " << parsed.error;
      EXPECT_EQ(Hex(reader::FormatPayload(ResolveFormat(*parsed.value, {}))), row.payload) << shown;
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
  // A name beyond ASCII, in UTF-8 as the command line hands it over.
  const std::filesystem::path good = dir_ / std::filesystem::path(u8"g\u00f6\u00f6d.json");
  std::ofstream(good, std::ios::binary) << R"({"tracks": [3]})";
  const std::u8string name = good.u8string();
  ASSERT_TRUE(LoadProfile(std::string(name.begin(), name.end())));
}

#ifndef _WIN32
// A FIFO is read only when a writer is there, and never waited on without
// bound; a device is not read at all. Each load runs in its own thread so
// that a hang fails the test instead of stopping it; opening the FIFO for
// writing frees a load that hangs.
TEST_F(ProfileFile, PipesAreReadWithinBoundsAndDevicesNotAtAll) {
  const std::string fifo = (dir_ / "fifo.json").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto loadWithin = [&](const std::string& path, std::chrono::seconds bound) {
    auto load = std::async(std::launch::async, [path] { return LoadProfile(path); });
    if (load.wait_for(bound) != std::future_status::ready) {
      const int unblock = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      load.wait();
      if (unblock >= 0) ::close(unblock);
      ADD_FAILURE() << path << " hung";
      return Checked<FormatChoice>::Fail("hung");
    }
    return load.get();
  };

  // No writer: refused at once.
  EXPECT_EQ(loadWithin(fifo, std::chrono::seconds(5)).error, fifo + ": a pipe with nothing written to it (no writer)");

  // A writer that writes the profile in two parts, the second while the
  // load waits: read to the end.
  {
    const int holder = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the writer open at once
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "{\"tracks\":", 10), 10);
    auto load = std::async(std::launch::async, [&] { return LoadProfile(fifo); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(::write(writer, " [2]}", 5), 5);
    ::close(writer);
    ASSERT_EQ(load.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const Checked<FormatChoice> loaded = load.get();
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.value->tracks, (std::array<bool, 3>{false, true, false}));
    ::close(holder);
  }

  // A writer that never writes: given up after the bound.
  {
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const int silent = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(silent, 0);
    EXPECT_EQ(loadWithin(fifo, std::chrono::seconds(10)).error, fifo + ": nothing came through the pipe within 2 s");
    ::close(silent);
    ::close(reader);
  }

  // Devices are neither files nor pipes.
  for (const char* device : {"/dev/zero", "/dev/null"}) {
    EXPECT_EQ(loadWithin(device, std::chrono::seconds(5)).error, std::string(device) + ": not a regular file or a pipe");
  }
}
#endif

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
