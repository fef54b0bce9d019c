#include "reader/typed_keys.h"

#include <array>

namespace magcfg::reader {
namespace {

struct KeyCharacters {
  std::uint16_t code;
  char plain;
  char shifted;
};

// The US layout over Linux input key codes.
constexpr KeyCharacters kUsLayout[] = {
    {2, '1', '!'},    {3, '2', '@'},   {4, '3', '#'},   {5, '4', '$'},   {6, '5', '%'},    {7, '6', '^'},
    {8, '7', '&'},    {9, '8', '*'},   {10, '9', '('},  {11, '0', ')'},  {12, '-', '_'},   {13, '=', '+'},
    {15, '\t', '\t'}, {16, 'q', 'Q'},  {17, 'w', 'W'},  {18, 'e', 'E'},  {19, 'r', 'R'},   {20, 't', 'T'},
    {21, 'y', 'Y'},   {22, 'u', 'U'},  {23, 'i', 'I'},  {24, 'o', 'O'},  {25, 'p', 'P'},   {26, '[', '{'},
    {27, ']', '}'},   {28, '\n', '\n'}, {30, 'a', 'A'}, {31, 's', 'S'},  {32, 'd', 'D'},   {33, 'f', 'F'},
    {34, 'g', 'G'},   {35, 'h', 'H'},  {36, 'j', 'J'},  {37, 'k', 'K'},  {38, 'l', 'L'},   {39, ';', ':'},
    {40, '\'', '"'},  {41, '`', '~'},  {43, '\\', '|'}, {44, 'z', 'Z'},  {45, 'x', 'X'},   {46, 'c', 'C'},
    {47, 'v', 'V'},   {48, 'b', 'B'},  {49, 'n', 'N'},  {50, 'm', 'M'},  {51, ',', '<'},   {52, '.', '>'},
    {53, '/', '?'},   {57, ' ', ' '},
    // The keypad, as with Num Lock on.
    {55, '*', '*'},   {71, '7', '7'},  {72, '8', '8'},  {73, '9', '9'},  {74, '-', '-'},   {75, '4', '4'},
    {76, '5', '5'},   {77, '6', '6'},  {78, '+', '+'},  {79, '1', '1'},  {80, '2', '2'},   {81, '3', '3'},
    {82, '0', '0'},   {83, '.', '.'},  {96, '\n', '\n'}, {98, '/', '/'},
};

constexpr std::size_t kLastCode = 98;

constexpr std::array<KeyCharacters, kLastCode + 1> ByCode() {
  std::array<KeyCharacters, kLastCode + 1> table{};
  for (const KeyCharacters& key : kUsLayout) table[key.code] = key;
  return table;
}

constexpr auto kByCode = ByCode();

}  // namespace

std::optional<char> UsCharacter(std::uint16_t code, bool shift) {
  if (code > kLastCode || kByCode[code].plain == '\0') return std::nullopt;
  return shift ? kByCode[code].shifted : kByCode[code].plain;
}

std::optional<char> UsKeyboard::Take(const KeyEvent& event) {
  const bool down = event.value != 0;
  if (event.code == keycode::kLeftShift) {
    leftShift_ = down;
    return std::nullopt;
  }
  if (event.code == keycode::kRightShift) {
    rightShift_ = down;
    return std::nullopt;
  }
  if (event.value != 1 && event.value != 2) return std::nullopt;
  return UsCharacter(event.code, leftShift_ || rightShift_);
}

}  // namespace magcfg::reader
