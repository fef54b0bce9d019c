#include "ui/dialog_units.h"

namespace magcfg {
namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogBaseUnits BaseUnitsFromFont(int extentOf52Letters, int fontHeight) {
  return {(extentOf52Letters / 26 + 1) / 2, fontHeight};
}

PixelRect DialogUnitsToPixels(int x, int y, int width, int height, DialogBaseUnits base) {
  return {MulDiv(x, base.x, 4), MulDiv(y, base.y, 8), MulDiv(width, base.x, 4), MulDiv(height, base.y, 8)};
}

}  // namespace magcfg
