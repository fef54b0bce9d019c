// Request frames: report ID, STX, command, payload, ETX, zeros to the
// report's length, and nothing at all when the report cannot hold the frame.
#include "reader/frames.h"

#include <gtest/gtest.h>

namespace magcfg::reader {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Padded(Bytes frame, std::size_t length) {
  frame.resize(length, 0);
  return frame;
}

TEST(BuildOutputReport, LaysOutEachCommandsFrame) {
  const Bytes format = {'%', '?', ';', '?', '+', '?', '7', '8'};
  const Bytes selection = {6};
  struct Row {
    CommandCode code;
    Bytes payload;
    std::size_t length;
    Bytes expected;
  };
  const Row rows[] = {
      {CommandCode::SetFormat, format, 65,
       Padded({0x00, 0x02, 0x30, '%', '?', ';', '?', '+', '?', '7', '8', 0x03}, 65)},
      {CommandCode::SetFormat, format, 12, {0x00, 0x02, 0x30, '%', '?', ';', '?', '+', '?', '7', '8', 0x03}},
      {CommandCode::ReadCard, selection, 65, Padded({0x00, 0x02, 0x08, 0x06, 0x03}, 65)},
      {CommandCode::ReadCard, selection, 5, {0x00, 0x02, 0x08, 0x06, 0x03}},
      {CommandCode::Version, {}, 65, Padded({0x00, 0x02, 0x05, 0x03}, 65)},
      {CommandCode::PassiveMode, {}, 4, {0x00, 0x02, 0x06, 0x03}},
      {CommandCode::ActiveMode, {}, 9, Padded({0x00, 0x02, 0x07, 0x03}, 9)},
      {CommandCode::CardStatus, {}, 4, {0x00, 0x02, 0x09, 0x03}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(BuildOutputReport(row.code, row.payload, row.length), row.expected)
        << "command " << int(row.code) << " in " << row.length << " bytes";
  }
}

TEST(BuildOutputReport, IsEmptyWhenTheReportCannotHoldTheFrame) {
  EXPECT_TRUE(BuildOutputReport(CommandCode::SetFormat, Bytes(8, 'x'), 11).empty());
  EXPECT_TRUE(BuildOutputReport(CommandCode::ReadCard, Bytes{0}, 4).empty());
  EXPECT_TRUE(BuildOutputReport(CommandCode::CardStatus, {}, 3).empty());
  EXPECT_TRUE(BuildOutputReport(CommandCode::Version, {}, 0).empty());
}

TEST(SentinelByte, IsTheFirstCharacterOr0xFF) {
  struct Row {
    const char* text;
    std::uint8_t byte;
  };
  const Row rows[] = {
      {"", 0xFF},
      {"%", '%'},
      {"?x", '?'},
      {"\xC3\xBF", 0xFF},
      {"\xC3\xA9", 0xE9},
      // Beyond one byte: what an 8-bit conversion makes of it.
      {"\xE2\x82\xAC", '?'},
  };
  for (const Row& row : rows) EXPECT_EQ(SentinelByte(row.text), row.byte) << row.text;
}

}  // namespace
}  // namespace magcfg::reader
