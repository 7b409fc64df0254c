// Colour arithmetic and text painting shared by the forge's picture makers.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>

#include "forge/canvas.hpp"

// A channel value rounded to nearest and held to 0..255.
inline int clampByte(double v) { return std::clamp(int(std::lround(v)), 0, 255); }

// A channel value the share t (held to 0..1) of the way from a to b: the one
// blend of every colour the forge mixes.
template <typename Real>
Real blendChannel(Real a, Real b, Real t) {
  t = std::clamp(t, Real(0), Real(1));
  return a * (1 - t) + b * t;
}

// Blends two 0xRRGGBB colours channel by channel, t = 0 giving a and 1 giving b
// (t is held to 0..1), rounding half up. Real is the precision of the blend:
// double unless a caller asks for float, whose pictures were made that way.
template <typename Real = double>
uint32_t mixColour(uint32_t a, uint32_t b, std::type_identity_t<Real> t) {
  auto ch = [&](int s) { return int(blendChannel<Real>(Real((a >> s) & 255), Real((b >> s) & 255), t) + Real(0.5)); };
  return rgb(ch(16), ch(8), ch(0));
}

// Hermite smoothstep: 0 at e0, 1 at e1 (either may be the larger), smooth between,
// in the precision Real (double unless a caller asks for float).
template <typename Real = double>
Real smoothStep(std::type_identity_t<Real> e0, std::type_identity_t<Real> e1, std::type_identity_t<Real> x) {
  Real t = std::clamp((x - e0) / (e1 - e0), Real(0), Real(1));
  return t * t * (3 - 2 * t);
}

// The largest pixel size from maxSize down to minSize at which the text is no
// wider than `width` (minSize when even that is wider).
int fitTextSize(Font font, int maxSize, int minSize, int width, const std::string& text);

// Blends a text mask onto the canvas with its top left at (x0, y0), each mask
// row y in the colour rowColour(y) returns.
template <typename RowColour>
void blendMask(Canvas& c, const TextMask& m, int x0, int y0, RowColour rowColour) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      int a = m.alpha[size_t(y) * size_t(m.w) + size_t(x)];
      if (a) blendPixel(c, x0 + x, y0 + y, rowColour(y), a);
    }
}
