// Card numbers masked in what magcfg-cli prints: runs of 13 to 19 digits
// that pass the Luhn check, in text, through the output stream in pieces,
// and in the hexadecimal report logs of --verbose.
#include "cli/card_mask.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli/cli_harness.h"

namespace magcfg::cli {
namespace {

struct MaskRow {
  const char* text;
  const char* shown;
};

const MaskRow kMaskRows[] = {
    // Luhn-valid runs of every length allowed, and the test cards of the schemes.
    {"4222222222222", "422222***2222"},
    {"4111111111111111", "411111******1111"},
    {"378282246310005", "378282*****0005"},
    {"6011111111111117", "601111******1117"},
    {"4000000000000000006", "400000*********0006"},
    // Luhn-invalid runs, and valid digits in runs that are too short or too long.
    {"4111111111111112", "4111111111111112"},
    {"411111111111", "411111111111"},
    {"41111111111111111111", "41111111111111111111"},
    // Track 1 and track 2 as the reader types them, sentinels included.
    {"%B4111111111111111^DOE/JOHN^2512101?", "%B411111******1111^DOE/JOHN^2512101?"},
    {";4111111111111111=2512101?", ";411111******1111=2512101?"},
    {"+011234567890123456=00000000000000000?", "+011234567890123456=000000*******0000?"},
    // Digits split by a space or a dash are not one run.
    {"4111 1111 1111 1111", "4111 1111 1111 1111"},
    {"4111111111111111 and 5555555555554444", "411111******1111 and 555555******4444"},
    {"", ""},
};

TEST(CardMask, RunsOf13To19DigitsThatPassTheLuhnCheck) {
  for (const MaskRow& row : kMaskRows) EXPECT_EQ(MaskCardNumbers(row.text), row.shown) << row.text;
}

TEST(CardMask, TheStreamMasksRunsThatArriveInPiecesAndHoldsThemOverAFlush) {
  for (const MaskRow& row : kMaskRows) {
    const std::string text = row.text;
    for (std::size_t piece = 1; piece <= 5; ++piece) {
      std::ostringstream target;
      {
        CardMaskingStream masked(target);
        for (std::size_t at = 0; at < text.size(); at += piece) masked << text.substr(at, piece) << std::flush;
      }
      EXPECT_EQ(target.str(), row.shown) << row.text << " in pieces of " << piece;
    }
  }
  // A very long run goes out while it comes, and is never masked.
  std::ostringstream target;
  CardMaskingStream masked(target);
  masked << std::string(1000, '0');
  masked.flush();
  EXPECT_GT(target.str().size(), 900u);
  masked << '\n' << std::flush;
  EXPECT_EQ(target.str(), std::string(1000, '0') + "\n");
}

TEST(CardMask, ANumberRunningOnIntoTheNextReportIsMaskedAcrossBoth) {
  // Report IDs (byte 0) are not part of the data; the run is 4111111111 |
  // 111111, split after the first report's last byte.
  std::vector<std::vector<std::uint8_t>> reports = {
      {0x00, 'x', '4', '1', '1', '1', '1', '1', '1', '1', '1', '1'},
      {0x00, '1', '1', '1', '1', '1', '1', '=', '9'},
  };
  MaskCardNumbersInReports(reports);
  EXPECT_EQ(std::string(reports[0].begin() + 1, reports[0].end()), "x411111****");
  EXPECT_EQ(std::string(reports[1].begin() + 1, reports[1].end()), "**1111=9");
  EXPECT_EQ(reports[1][0], 0x00);
}

// The whole program: a passive read of the simulated reader's card.
TEST(CardMask, ReadAndItsVerboseHexLogShowNoCardNumberUnlessAsked) {
  const test::CliRun masked = test::RunCli({"--simulate", "--verbose", "read", "--tracks", "6"});
  ASSERT_EQ(masked.exit, 0) << masked.err;
  EXPECT_NE(masked.out.find("track 2: 411111******1111=2512101"), std::string::npos) << masked.out;
  EXPECT_EQ(masked.out.find("4111111111111111"), std::string::npos) << masked.out;
  // In hex: "411111" is 34 31 31 31 31 31, each masked digit 2A, and the
  // whole number never appears.
  EXPECT_NE(masked.err.find("34 31 31 31 31 31 2A 2A 2A 2A 2A 2A 31 31 31 31"), std::string::npos) << masked.err;
  EXPECT_EQ(masked.err.find("34 31 31 31 31 31 31 31 31 31 31 31 31 31 31 31"), std::string::npos) << masked.err;

  const test::CliRun shown = test::RunCli({"--simulate", "--verbose", "read", "--tracks", "6", "--show-card-data"});
  ASSERT_EQ(shown.exit, 0) << shown.err;
  EXPECT_NE(shown.out.find("track 2: 4111111111111111=2512101"), std::string::npos) << shown.out;
  EXPECT_NE(shown.err.find("34 31 31 31 31 31 31 31 31 31 31 31 31 31 31 31"), std::string::npos) << shown.err;
}

TEST(CardMask, ANumberAcrossTwoReportsOfAReplyIsMaskedInTheHexLog) {
  // With a track 1 of 50 bytes, track 2 starts at offset 55 of the reply
  // stream: its card number runs from the first report's data into the
  // second's.
  const std::string track1(50, 'A');
  const std::string track2 = "4111111111111111=25";
  const test::CliRun run = test::RunCli({"--simulate", "--verbose", "read", "--tracks", "4"}, 1, [&](auto& fleet) {
    fleet.Member(0).Reader().Swipe(reader::CardSwipe::Good(track1, track2, ""));
  });
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_NE(run.err.find("34 31 31 31 31 31 2A 2A 2A\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("read 00 2A 2A 2A 31 31 31 31 3D"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("31 31 31 31 31 31"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("411111******1111=25"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace magcfg::cli
