// How a text label draws: the font description and the text colour. Fields
// left unset keep the default GUI font's value, which only the platform knows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace magcfg {

// 0x00BBGGRR, as the Windows graphics services take it.
using Colour = std::uint32_t;
inline constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;
inline constexpr std::size_t kMaxFaceNameLength = 31;  // room in the font description, less the zero

struct LabelStyle {
  std::optional<std::string> faceName;  // unset: the default GUI font's face
  std::optional<int> height;            // font height; negative asks for a character height in pixels
  std::optional<int> weight;            // unset: the default GUI font's weight
  std::optional<Colour> textColour;     // unset: the system window-text colour
  // The text background is always transparent over the button-face brush.

  bool operator==(const LabelStyle&) const = default;
};

}  // namespace magcfg
