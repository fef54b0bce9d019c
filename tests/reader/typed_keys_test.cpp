// The reader's key strokes as a US keyboard types them: every printable
// ASCII character, Tab and Enter, with the key code and Shift it takes.
#include "reader/typed_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace magcfg::reader {
namespace {

struct KeyRow {
  char typed;
  std::uint16_t code;
  bool shift;
};

// Linux input key codes of a US keyboard, written out by hand.
const KeyRow kNonLetters[] = {
    {' ', 57, false},  {'!', 2, true},    {'"', 40, true},  {'#', 4, true},   {'$', 5, true},    {'%', 6, true},
    {'&', 8, true},    {'\'', 40, false}, {'(', 10, true},  {')', 11, true},  {'*', 9, true},    {'+', 13, true},
    {',', 51, false},  {'-', 12, false},  {'.', 52, false}, {'/', 53, false}, {'0', 11, false},  {'1', 2, false},
    {'2', 3, false},   {'3', 4, false},   {'4', 5, false},  {'5', 6, false},  {'6', 7, false},   {'7', 8, false},
    {'8', 9, false},   {'9', 10, false},  {':', 39, true},  {';', 39, false}, {'<', 51, true},   {'=', 13, false},
    {'>', 52, true},   {'?', 53, true},   {'@', 3, true},   {'[', 26, false}, {'\\', 43, false}, {']', 27, false},
    {'^', 7, true},    {'_', 12, true},   {'`', 41, false}, {'{', 26, true},  {'|', 43, true},   {'}', 27, true},
    {'~', 41, true},   {'\t', 15, false}, {'\n', 28, false},
};

const KeyRow kLetters[] = {
    {'a', 30, false}, {'b', 48, false}, {'c', 46, false}, {'d', 32, false}, {'e', 18, false}, {'f', 33, false},
    {'g', 34, false}, {'h', 35, false}, {'i', 23, false}, {'j', 36, false}, {'k', 37, false}, {'l', 38, false},
    {'m', 50, false}, {'n', 49, false}, {'o', 24, false}, {'p', 25, false}, {'q', 16, false}, {'r', 19, false},
    {'s', 31, false}, {'t', 20, false}, {'u', 22, false}, {'v', 47, false}, {'w', 17, false}, {'x', 45, false},
    {'y', 21, false}, {'z', 44, false},
};

std::vector<KeyRow> EveryRow() {
  std::vector<KeyRow> rows(std::begin(kNonLetters), std::end(kNonLetters));
  for (const KeyRow& letter : kLetters) {
    rows.push_back(letter);
    rows.push_back({static_cast<char>(letter.typed - 'a' + 'A'), letter.code, true});
  }
  return rows;
}

// What one keyboard types for a list of events.
std::string Typed(UsKeyboard& keyboard, std::initializer_list<KeyEvent> events) {
  std::string typed;
  for (const KeyEvent& event : events) {
    if (const auto c = keyboard.Take(event)) typed.push_back(*c);
  }
  return typed;
}

TEST(TypedKeys, TheTableCoversEveryPrintableAsciiCharacterTabAndEnterOnce) {
  std::multiset<char> covered;
  for (const KeyRow& row : EveryRow()) covered.insert(row.typed);
  for (int c = 0x20; c <= 0x7E; ++c) EXPECT_EQ(covered.count(static_cast<char>(c)), 1u) << c;
  EXPECT_EQ(covered.count('\t'), 1u);
  EXPECT_EQ(covered.count('\n'), 1u);
  EXPECT_EQ(covered.size(), 95u + 2u);
}

TEST(TypedKeys, EachCharacterFromItsKeyWithLeftOrRightShift) {
  for (const KeyRow& row : EveryRow()) {
    SCOPED_TRACE(testing::Message() << "character 0x" << std::hex << int(row.typed));
    EXPECT_EQ(UsCharacter(row.code, row.shift), row.typed);
    for (const std::uint16_t shiftKey : {keycode::kLeftShift, keycode::kRightShift}) {
      UsKeyboard keyboard;
      const std::string typed =
          row.shift ? Typed(keyboard, {{shiftKey, 1}, {row.code, 1}, {row.code, 0}, {shiftKey, 0}})
                    : Typed(keyboard, {{row.code, 1}, {row.code, 0}});
      EXPECT_EQ(typed, std::string(1, row.typed));
    }
  }
}

TEST(TypedKeys, ShiftFollowsPressRepeatAndRelease) {
  struct Case {
    const char* what;
    std::initializer_list<KeyEvent> events;
    const char* typed;
  };
  const Case cases[] = {
      {"a release types nothing", {{30, 1}, {30, 0}, {30, 0}}, "a"},
      {"an auto-repeat types again", {{30, 1}, {30, 2}, {30, 2}, {30, 0}}, "aaa"},
      {"Shift held over several keys", {{42, 1}, {30, 1}, {30, 0}, {42, 2}, {48, 1}, {48, 0}, {42, 0}, {46, 1}}, "ABc"},
      {"one Shift released, the other still held", {{42, 1}, {54, 1}, {42, 0}, {30, 1}, {54, 0}, {30, 1}}, "Aa"},
      {"Shift alone types nothing", {{42, 1}, {42, 0}, {54, 1}, {54, 0}}, ""},
      {"keypad Enter is Enter", {{96, 1}, {96, 0}}, "\n"},
      {"keypad digits as with Num Lock on", {{79, 1}, {82, 1}, {83, 1}, {78, 1}}, "10.+"},
      {"keys that type nothing", {{0, 1}, {1, 1}, {14, 1}, {29, 1}, {56, 1}, {58, 1}, {59, 1}, {999, 1}, {65535, 1}}, ""},
      {"an event value other than press or repeat", {{30, 3}, {30, -1}}, ""},
  };
  for (const Case& c : cases) {
    UsKeyboard keyboard;
    EXPECT_EQ(Typed(keyboard, c.events), c.typed) << c.what;
  }
}

}  // namespace
}  // namespace magcfg::reader
