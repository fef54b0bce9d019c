// Dialog units to pixels, as the Windows dialog manager converts them: the
// base units come from the dialog font's average character width (over the
// 52 letters A-Z a-z) and its height.
#pragma once

namespace magcfg {

struct DialogBaseUnits {
  int x = 0;
  int y = 0;
};

// extentOf52Letters: the pixel width of "A..Za..z" in the dialog font;
// fontHeight: the font's pixel height (ascent plus descent).
DialogBaseUnits BaseUnitsFromFont(int extentOf52Letters, int fontHeight);

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// x and width scale by base x / 4, y and height by base y / 8, rounded to
// the nearest pixel.
PixelRect DialogUnitsToPixels(int x, int y, int width, int height, DialogBaseUnits base);

}  // namespace magcfg
