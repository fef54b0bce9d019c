// Card numbers kept out of what magcfg-cli prints, wherever its formatting
// puts them: beside a sentinel, after a JSON escape, joined to the next
// track, grouped, echoed in an error, split over the reports of the
// --verbose hex log. Each case shows the masked form and nowhere the whole
// number; with --show-card-data the number shows.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli/cli_harness.h"

namespace magcfg::test {
namespace {

const std::string kNumber = "5500005555555559";
const std::string kMasked = "550000******5559";

// What a reader of the output sees: both streams, and the reports of the
// --verbose log as text, each on its own and their data joined as the
// decoding joins it (bytes 1 to 64 of each).
std::string Seen(const CliRun& run) {
  std::string seen = run.out + run.err;
  std::string joined;
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find(": read ");
    if (at == std::string::npos) continue;
    std::istringstream hex(line.substr(at + 7));
    std::string report;
    for (unsigned byte = 0; hex >> std::hex >> byte;) report.push_back(static_cast<char>(byte));
    if (report.empty()) continue;
    seen += "\n" + report.substr(1);
    joined += report.substr(1, 64);
  }
  return seen + "\n" + joined;
}

// A reader holding the three tracks, sending input reports of inputLength
// bytes (report ID and data).
FleetSetup Holding(std::array<std::string, 3> tracks, std::uint16_t inputLength = 65) {
  return [=](cli::SimulatedFleet& fleet) {
    fleet.Member(0).Reader().Swipe(reader::CardSwipe::Good(tracks[0], tracks[1], tracks[2]));
    fleet.Member(0).Config().interfaces.at(sim::kSaneReaderIndex).reportLengths->input = inputLength;
  };
}

struct LeakCase {
  const char* name;
  std::vector<std::string> args;
  FleetSetup setup = {};
  std::string whole = kNumber;
  std::string masked = kMasked;
  bool shownWhenAsked = true;  // an echo in an error message stays masked
};

const LeakCase kLeaks[] = {
    // The JSON escape \u0001 ends in digits.
    {"control start sentinel, JSON",
     {"preview", "--t2-start", "\x01", "--tracks", "2", "--json", "--swipe", "x", kNumber + "=2512101", "x"}},
    {"digit start sentinel",
     {"preview", "--t2-start", "5", "--tracks", "2", "--swipe", "x", kNumber + "=2512101", "x"}},
    {"track 1 runs into track 2",
     {"preview", "--t1-end", "", "--t2-start", "", "--swipe", "B1234^DOE^2512101", kNumber + "=2512101", "x"}},
    {"track 3 after its format code", {"preview", "--tracks", "3", "--swipe", "x", "x", "01" + kNumber + "=0000"}},
    {"grouped by spaces", {"preview", "--swipe", "x", "5500 0055 5555 5559", "x"}, {}, "5500 0055 5555 5559",
     "5500 00** **** 5559"},
    {"grouped by dashes, after the name", {"preview", "--swipe", "B1^DOE^5500-0055-5555-5559", "x", "x"}, {},
     "5500-0055-5555-5559", "5500-00**-****-5559"},
    {"read, text", {"--simulate", "read", "--tracks", "6"}, Holding({"B1^DOE^2512101", "", "01" + kNumber + "=0000"})},
    {"read, JSON", {"--simulate", "read", "--tracks", "6", "--json"}, Holding({"B" + kNumber + "^DOE^25", "", ""})},
    {"unexpected argument echoed", {"preview", kNumber + "=2512101", "x", "x"}, {}, kNumber, kMasked, false},
    {"sentinel value echoed", {"preview", "--t2-start", kNumber}, {}, kNumber, kMasked, false},
    // Track 2 starts at offset 55 of the reply stream: its number runs from
    // the first report's data into the second's, past the padding of a
    // 101-byte report. A 64-byte report never carries offset 63, so there
    // the number lies in the second report, after a track 1 of 60 bytes.
    {"--verbose, 65-byte reports", {"--simulate", "--verbose", "read", "--tracks", "4"},
     Holding({std::string(50, 'A'), kNumber + "=2512101", ""})},
    {"--verbose, 101-byte reports", {"--simulate", "--verbose", "read", "--tracks", "4"},
     Holding({std::string(50, 'A'), kNumber + "=2512101", ""}, 101)},
    {"--verbose, 64-byte reports", {"--simulate", "--verbose", "read", "--tracks", "4"},
     Holding({std::string(60, 'A'), kNumber + "=2512101", ""}, 64)},
    // Track 2's length, 53, is the digit '5' between track 1's last digits
    // and the number.
    {"--verbose, a length byte that is a digit", {"--simulate", "--verbose", "read", "--tracks", "4"},
     Holding({"B1234^DOE^2512101", kNumber + "=2512101" + std::string(29, '0'), ""})},
};

TEST(CardMask, NoOutputShowsAWholeCardNumberUnlessAsked) {
  for (const LeakCase& leak : kLeaks) {
    const CliRun masked = RunCli(leak.args, 1, leak.setup);
    const std::string seen = Seen(masked);
    EXPECT_EQ(seen.find(leak.whole), std::string::npos) << leak.name << ":\n" << seen;
    EXPECT_NE(seen.find(leak.masked), std::string::npos) << leak.name << ":\n" << seen;
    if (!leak.shownWhenAsked) continue;
    std::vector<std::string> asked = leak.args;
    asked.push_back("--show-card-data");
    const CliRun shown = RunCli(asked, 1, leak.setup);
    EXPECT_NE(Seen(shown).find(leak.whole), std::string::npos) << leak.name << " with --show-card-data:\n"
                                                               << Seen(shown);
  }
}

}  // namespace
}  // namespace magcfg::test
