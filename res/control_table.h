// The main window's template: every control with its ID, kind, style, place
// and size in dialog units, and where its text comes from. Both window
// adapters build the window from this one table.
#pragma once

#include <cstdint>
#include <span>

namespace magcfg {

enum class ControlKind {
  GroupBox,
  PushButton,
  AutoRadioButton,
  AutoCheckBox,
  StaticText,
  Edit,
  DropDownList,
};

// Style flags, independent of any platform's numbering.
namespace style {
inline constexpr std::uint32_t kTabStop = 1u << 0;
inline constexpr std::uint32_t kHidden = 1u << 1;    // created hidden
inline constexpr std::uint32_t kDisabled = 1u << 2;  // created disabled
inline constexpr std::uint32_t kCentered = 1u << 3;
inline constexpr std::uint32_t kRightAligned = 1u << 4;
inline constexpr std::uint32_t kSunkenEdge = 1u << 5;
inline constexpr std::uint32_t kBorder = 1u << 6;
inline constexpr std::uint32_t kMultiLine = 1u << 7;  // edit box or button caption on several lines
inline constexpr std::uint32_t kReadOnly = 1u << 8;
inline constexpr std::uint32_t kVScroll = 1u << 9;
inline constexpr std::uint32_t kAutoHScroll = 1u << 10;
inline constexpr std::uint32_t kAutoVScroll = 1u << 11;
// The edit box takes Enter as a line break instead of leaving it to the
// dialog. Only the swipe box has it: a reader in active upload ends every
// swipe with Enter, which would otherwise close the window.
inline constexpr std::uint32_t kWantReturn = 1u << 12;
}  // namespace style

enum class TextSource {
  Template,  // the template text stays on screen in both languages
  Language,  // set by the language switch before the window is first shown
  Panel,     // filled by the format settings panel
  Empty,     // starts empty; handlers write it
};

struct ControlSpec {
  int id;  // ctl::kNone for controls the program never addresses
  ControlKind kind;
  std::uint32_t style;
  int x, y, width, height;  // dialog units
  TextSource source;
  const char* text;  // template text (UTF-8); for Language rows the English caption
  const char* role;

  bool Has(std::uint32_t flag) const { return (style & flag) != 0; }
};

// The dialog as a whole.
struct DialogSpec {
  int templateId;
  int iconId;
  int width, height;  // dialog units
  const char* fontFace;
  int fontPointSize;
  const char* caption;
};

const DialogSpec& MainDialogSpec();

// The 50 controls in template order, which is also the tab order.
std::span<const ControlSpec> MainDialogControls();

// The row of a control ID, or nullptr for an ID the window does not have.
const ControlSpec* FindControl(int id);

}  // namespace magcfg
