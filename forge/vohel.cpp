// Data of the cylinder-light section: the background tile the waves warp, the
// cylinder's radius map and its two textures, and the scroller.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/paint.hpp"

namespace {
constexpr double kTau = 6.283185307179586;

// The background repeats every 256 pixels both ways (the warp wraps the coordinates),
// so every term has a whole number of periods across the tile.
bool makeBackground(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      double fx = x / 256.0 * kTau, fy = y / 256.0 * kTau;
      double p = std::sin(2 * fx) + std::sin(3 * fy) + std::sin(2 * fx + 2 * fy) + std::cos(fx - 3 * fy);
      p = (p + 4) / 8;  // 0..1
      uint32_t base = p < 0.5 ? mixColour(rgb(10, 14, 60), rgb(20, 110, 160), p * 2) : mixColour(rgb(20, 110, 160), rgb(170, 40, 150), (p - 0.5) * 2);
      // A lattice of glowing rings, 8 x 8 cells.
      double cx = std::fmod(x + 16.0, 32.0) - 16.0, cy = std::fmod(y + 16.0, 32.0) - 16.0;
      double r = std::sqrt(cx * cx + cy * cy);
      double ring = std::exp(-std::pow((r - 10.0) / 1.6, 2.0));
      double dot = std::exp(-r * r / 6.0);
      uint32_t glow = mixColour(base, rgb(250, 230, 140), 0.75 * ring + 0.9 * dot);
      // Fine diagonal threads between the rings.
      double thread = std::pow(std::fabs(std::sin((fx + fy) * 16)), 24.0) * 0.25;
      c.at(x, y) = mixColour(glow, rgb(180, 220, 255), thread);
    }
  out = canvasToRgbFile(c);
  return true;
}

// Radius of the cylinder for texture row t and angle k (0..255 around): rings along
// its length, shallow flutes around it, rounded ends.
double cylinderRadius(int t, int k) {
  double ring = std::pow(std::fabs(std::sin(t / 32.0 * 3.141592653589793)), 0.6);
  double flute = 0.5 - 0.5 * std::cos(k / 256.0 * kTau * 12);
  double ends = std::sqrt(smoothStep(8.0, 46.0, t) * smoothStep(248.0, 210.0, t));
  return (150.0 + 70.0 * ring - 18.0 * flute) * (0.35 + 0.65 * ends);
}

bool makeRadiusMap(std::vector<uint8_t>& out) {
  out.resize(256 * 256);
  for (int t = 0; t < 256; ++t)
    for (int k = 0; k < 256; ++k) out[size_t(t) * 256 + size_t(k)] = uint8_t(clampByte(cylinderRadius(t, k)));
  return true;
}

bool makeCylinderTexture(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  for (int t = 0; t < 256; ++t)
    for (int k = 0; k < 256; ++k) {
      double ring = std::fabs(std::sin(t / 32.0 * 3.141592653589793));
      int band = (t / 32) & 1;
      uint32_t metal = band ? mixColour(rgb(60, 30, 10), rgb(230, 170, 70), ring) : mixColour(rgb(30, 20, 40), rgb(180, 90, 170), ring);
      double flute = 0.5 - 0.5 * std::cos(k / 256.0 * kTau * 12);
      uint32_t col = mixColour(metal, rgb(20, 10, 5), 0.5 * flute * flute);
      // Engraved lines at the ring tops, rivets between the flutes.
      if (std::abs(((t + 16) % 32) - 16) == 0) col = mixColour(col, rgb(255, 240, 200), 0.6);
      double rk = std::fmod(k + 256.0 / 24, 256.0 / 12) - 256.0 / 24, rt = ((t + 16) % 32) - 16;
      if (rk * rk + rt * rt < 5) col = rgb(250, 245, 220);
      c.at(k, t) = col;
    }
  out = canvasToRgbFile(c);
  return true;
}

// The light does not turn with the cylinder: column k is a fixed place on screen,
// k = 0 and 255 at the middle, about 64 and 191 at the outline. A broad highlight
// sits left of the middle, a coloured rim light on the right.
bool makeLightTexture(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  for (int t = 0; t < 256; ++t) {
    double slope = std::cos(t / 32.0 * 3.141592653589793 * 2);  // ring tops catch more light
    for (int k = 0; k < 256; ++k) {
      double a = (k < 128 ? k : k - 256);  // -128..127, 0 at the middle
      double specular = std::exp(-std::pow((a + 26) / 16.0, 2.0));
      double soft = std::exp(-std::pow((a + 20) / 45.0, 2.0));
      double rim = std::exp(-std::pow((a - 58) / 7.0, 2.0));
      double lit = specular * (0.75 + 0.25 * slope);
      int r = clampByte(60 * soft + 200 * lit + 170 * rim);
      int g = clampByte(60 * soft + 215 * lit + 70 * rim);
      int b = clampByte(80 * soft + 235 * lit + 40 * rim);
      c.at(k, t) = rgb(r, g, b);
    }
  }
  out = canvasToRgbFile(c);
  return true;
}

bool makeScroller(std::vector<uint8_t>& out) {
  Canvas c(1200, 100);
  const std::string text = "GREYLINE VIDEO SYSTEM \xE2\x80\xA2 ALL PIXELS HOMEMADE";
  int size = fitTextSize(Font::SansBold, 64, 20, 1180, text);
  TextMask m;
  if (!renderTextMask(Font::SansBold, size, text, m)) return false;
  const int x0 = (1200 - m.w) / 2, y0 = (100 - m.h) / 2;
  blendMask(c, m, x0, y0, [&](int y) {
    double v = double(y) / std::max(1, m.h - 1);
    return v < 0.5 ? mixColour(rgb(120, 255, 250), rgb(255, 255, 255), v * 2) : mixColour(rgb(255, 255, 255), rgb(255, 90, 220), (v - 0.5) * 2);
  });
  out = canvasToRgbFile(c);
  return true;
}

const ForgeRegistrar kBackground("data\\vohel\\backgrnd.rgb", makeBackground);
const ForgeRegistrar kRadiusMap("data\\vohel\\cylmap.raw", makeRadiusMap);
const ForgeRegistrar kCylinderTexture("data\\vohel\\cyltex.rgb", makeCylinderTexture);
const ForgeRegistrar kLightTexture("data\\vohel\\lighttex.rgb", makeLightTexture);
const ForgeRegistrar kScroller("data\\vohel\\spass.rgb", makeScroller);
}  // namespace
