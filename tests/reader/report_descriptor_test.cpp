#include "reader/report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace magcfg::test {
namespace {

using reader::DescriptorError;
using reader::ParseReportDescriptor;
using Bytes = std::vector<std::uint8_t>;

const Bytes kVendorPage64 = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor page, application collection
    0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,  // usage, logical 0..255
    0x75, 0x08, 0x95, 0x40, 0x81, 0x02,        // 64 x 8 bits input
    0x09, 0x03, 0x95, 0x40, 0x91, 0x02,        // 64 x 8 bits output
    0xC0,
};

// The boot keyboard of the HID class definition: modifiers, a reserved
// byte and six key codes in; five LEDs and three bits of padding out.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,  // generic desktop, keyboard
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  // 8 modifier bits
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                                      // reserved byte (constant)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,  // 5 LED bits
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                                      // 3 bits padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  // 6 key codes
    0xC0,
};

// A mouse as report 1 (buttons, padding, X, Y, wheel: 4 bytes) and a
// consumer control as report 2 (one 16-bit usage).
const Bytes kMouseWithReportIds = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05,
    0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08,
    0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00,
    0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
};

struct LengthCase {
  std::string name;
  Bytes descriptor;
  std::uint16_t input;
  std::uint16_t output;
  bool reportIds = false;  // whether the reports carry report IDs
};

TEST(ReportDescriptorTest, ComputesTheLongestReportOfEachKindPlusTheIdByteAndWhetherIdsAreUsed) {
  const std::vector<LengthCase> cases = {
      {"vendor page 64 in, 64 out", kVendorPage64, 65, 65},
      {"boot keyboard", kBootKeyboard, 9, 2},
      {"mouse with report IDs: the longer report wins", kMouseWithReportIds, 5, 0, true},
      {"bits of one report add up before rounding", {0x75, 0x04, 0x95, 0x01, 0x81, 0x02, 0x81, 0x02}, 2, 0},
      {"an odd bit count rounds up", {0x75, 0x01, 0x95, 0x0C, 0x81, 0x02}, 3, 0},
      {"items of one ID add up across other reports",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02,  // report 1: 2 bytes
        0x85, 0x02, 0x95, 0x03, 0x81, 0x02,              // report 2: 3 bytes
        0x85, 0x01, 0x95, 0x04, 0x81, 0x02},             // report 1: 4 more bytes
       7,
       0,
       true},
      {"input and output of one ID are separate reports",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0x95, 0x08, 0x91, 0x02},
       5,
       9,
       true},
      {"feature reports count towards neither", {0x75, 0x08, 0x95, 0x10, 0xB1, 0x02}, 0, 0},
      {"pop restores report size, count and ID",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x02,                    // report 1, 2 x 8 bits
        0xA4, 0x85, 0x02, 0x75, 0x10, 0x95, 0x04, 0x81, 0x02,  // push; report 2: 4 x 16 bits
        0xB4, 0x81, 0x02, 0x91, 0x02},                         // pop; 2 x 8 bits to report 1, in and out
       9,
       3,
       true},
      {"long items are skipped whole",
       {0xFE, 0x03, 0x10, 0x81, 0x02, 0x91, 0xFE, 0x00, 0x11, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02},
       3,
       0},
      {"local items and other globals change nothing",
       {0x09, 0x01, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x35, 0x00,
        0x45, 0x01, 0x65, 0x00, 0x55, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
       2,
       0},
      {"two-byte report count", {0x75, 0x08, 0x96, 0x00, 0x01, 0x81, 0x02}, 257, 0},
      {"report ID 255 is allowed", {0x85, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02}, 0, 2, true},
      {"no main items: no reports", {0x05, 0x01, 0x09, 0x06}, 0, 0},
      {"a main item of zero bits still makes a report", {0x75, 0x00, 0x95, 0x00, 0x81, 0x02}, 1, 0},
      {"absurd size and count saturate at 16 bits",
       {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x91, 0x02},
       0xFFFF,
       0xFFFF},
      {"many large items saturate instead of wrapping",
       {0x76, 0x00, 0x80, 0x95, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02},
       0xFFFF,
       0},
  };
  for (const LengthCase& c : cases) {
    const reader::DescriptorParse parse = ParseReportDescriptor(c.descriptor);
    ASSERT_TRUE(parse.lengths.has_value()) << c.name;
    EXPECT_EQ(parse.error, DescriptorError::None) << c.name;
    EXPECT_EQ(parse.lengths->input, c.input) << c.name;
    EXPECT_EQ(parse.lengths->output, c.output) << c.name;
    EXPECT_EQ(parse.usesReportIds, c.reportIds) << c.name;
  }
}

struct ErrorCase {
  std::string name;
  Bytes descriptor;
  DescriptorError error;
};

Bytes Repeated(std::uint8_t byte, std::size_t count) { return Bytes(count, byte); }

Bytes PushesThenPops(std::size_t depth) {
  Bytes bytes = Repeated(0xA4, depth);
  bytes.insert(bytes.end(), depth, 0xB4);
  return bytes;
}

TEST(ReportDescriptorTest, RefusesUnusableDescriptorsWithTheReason) {
  const std::vector<ErrorCase> cases = {
      {"empty", {}, DescriptorError::Empty},
      {"one-byte item without its data", {0x75, 0x08, 0x95}, DescriptorError::TruncatedItem},
      {"four-byte item with two bytes", {0x27, 0xFF, 0xFF}, DescriptorError::TruncatedItem},
      {"long item prefix alone", {0xFE}, DescriptorError::TruncatedItem},
      {"long item without its tag", {0xFE, 0x02}, DescriptorError::TruncatedItem},
      {"long item shorter than its size", {0xFE, 0x05, 0x10, 0xAA}, DescriptorError::TruncatedItem},
      {"pop without push", {0xB4}, DescriptorError::PopWithoutPush},
      {"more pushes than pops allow", Repeated(0xA4, 17), DescriptorError::PushTooDeep},
      {"end collection without collection", {0xC0}, DescriptorError::UnbalancedCollection},
      {"collection left open", {0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, DescriptorError::UnbalancedCollection},
      {"one end collection too many", {0xA1, 0x01, 0xC0, 0xC0}, DescriptorError::UnbalancedCollection},
      {"report ID 0", {0x85, 0x00}, DescriptorError::InvalidReportId},
      {"report ID 256", {0x86, 0x00, 0x01}, DescriptorError::InvalidReportId},
  };
  for (const ErrorCase& c : cases) {
    const reader::DescriptorParse parse = ParseReportDescriptor(c.descriptor);
    EXPECT_FALSE(parse.lengths.has_value()) << c.name;
    EXPECT_EQ(parse.error, c.error) << c.name;
  }
}

TEST(ReportDescriptorTest, SixteenNestedPushesAreAllowed) {
  const reader::DescriptorParse parse = ParseReportDescriptor(PushesThenPops(16));
  EXPECT_EQ(parse.error, DescriptorError::None);
  EXPECT_TRUE(parse.lengths.has_value());
}

// A descriptor with one top-level collection, cut short anywhere after that
// collection opens, is refused, never parsed from bytes beyond the cut.
TEST(ReportDescriptorTest, RefusesEveryCutInsideTheCollection) {
  for (const Bytes* whole : {&kVendorPage64, &kBootKeyboard}) {
    const std::size_t firstCollection = std::find(whole->begin(), whole->end(), 0xA1) - whole->begin();
    for (std::size_t length = firstCollection + 1; length < whole->size(); ++length) {
      const Bytes cut(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(length));
      const reader::DescriptorParse parse = ParseReportDescriptor(cut);
      EXPECT_FALSE(parse.lengths.has_value()) << "cut at " << length << " of " << whole->size();
      EXPECT_NE(parse.error, DescriptorError::None) << "cut at " << length;
    }
  }
}

// Random bytes either parse or are refused with a reason, never both; run
// under a sanitizer this also shows that nothing is read out of bounds.
TEST(ReportDescriptorTest, GarbageIsEitherParsedOrRefusedWithAReason) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> length(1, 96);
  int refused = 0;
  for (int round = 0; round < 2000; ++round) {
    Bytes garbage(length(random));
    for (auto& b : garbage) b = static_cast<std::uint8_t>(byte(random));
    const reader::DescriptorParse parse = ParseReportDescriptor(garbage);
    ASSERT_EQ(parse.lengths.has_value(), parse.error == DescriptorError::None) << "round " << round;
    if (!parse.lengths) ++refused;
  }
  // Most random byte strings break some rule; a parser that accepted them
  // all would be skipping its checks.
  EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace magcfg::test
