// The characters a reader types as a US keyboard: key codes (Linux input
// key codes) with Shift become ASCII characters, Enter a line feed.
#pragma once

#include <cstdint>
#include <optional>

#include "reader/keyboard_port.h"

namespace magcfg::reader {

namespace keycode {
inline constexpr std::uint16_t kEnter = 28;
inline constexpr std::uint16_t kLeftShift = 42;
inline constexpr std::uint16_t kRightShift = 54;
inline constexpr std::uint16_t kKeypadEnter = 96;
}  // namespace keycode

// The character of a key on a US keyboard, with or without Shift: printable
// ASCII, Tab, and a line feed for Enter. nullopt for keys that type none.
std::optional<char> UsCharacter(std::uint16_t code, bool shift);

// One keyboard's typing: follows its Shift keys and turns its key events
// into characters. Other modifiers and Caps Lock are not followed: the
// reader types capitals with Shift.
class UsKeyboard {
 public:
  // The character a key event types: a press or an auto-repeat of a key that
  // types one; nullopt for releases, modifiers and keys that type nothing.
  std::optional<char> Take(const KeyEvent& event);

 private:
  bool leftShift_ = false;
  bool rightShift_ = false;
};

}  // namespace magcfg::reader
