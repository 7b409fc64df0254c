// Data of the "metabox" section: the moving environment map that makes the
// metaballs glow, the seamless background tile and the logo (black is its key).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/noise.hpp"
#include "forge/paint.hpp"

namespace {
// Caustic-like bright veins on a dark ground, repeating both ways: slid over the
// metaballs' normals it reads as light moving through glass.
bool makeEnvironment(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  const float pi = 3.14159265f;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      float fx = float(x), fy = float(y);
      // Domain warp keeps the veins organic; every term repeats every 256 texels.
      float wx = fx + 24 * tileFbm(fx, fy, 4, 3, 1), wy = fy + 24 * tileFbm(fx, fy, 4, 3, 2);
      float n = tileFbm(wx, wy, 4, 4, 3);
      float vein = std::pow(1.0f - std::abs(std::sin(n * 6 * pi)), 6.0f);
      float soft = 0.5f + 0.5f * std::sin(2 * pi * fx / 256) * std::cos(2 * pi * fy / 128);
      float R = 30 + 60 * soft + 200 * vein, G = 60 + 50 * soft + 220 * vein, B = 110 + 40 * soft + 150 * vein;
      c.at(x, y) = rgb(clampByte(R * 0.8f), clampByte(G * 0.8f), clampByte(B * 0.8f));
    }
  out = canvasToRgbFile(c);
  return true;
}

// A floor tile: four bevelled squares with a ring inlay, in muted violet and slate.
bool makeTile(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      int cx = x / 64, cy = y / 64;
      float px = float(x % 64) - 31.5f, py = float(y % 64) - 31.5f;
      bool violet = ((cx + cy) & 1) == 0;
      float R = violet ? 120 : 70, G = violet ? 80 : 100, B = violet ? 160 : 130;
      float edge = 31.5f - std::max(std::abs(px), std::abs(py));
      float shade = 0.8f + 0.35f * tileFbm(float(x), float(y), 16, 4, 7);
      if (edge < 2) {
        shade *= 0.35f;  // grout
      } else if (edge < 6) {
        // Bevel lit from the top left.
        bool lit = (px < 0 && std::abs(px) >= std::abs(py)) || (py < 0 && std::abs(py) > std::abs(px));
        shade *= lit ? 1.35f : 0.7f;
      }
      float r = std::hypot(px, py);
      if (std::abs(r - 17) < 3) shade *= 1.4f - 0.13f * std::abs(r - 17);
      if (r < 5) shade *= 1.25f;
      c.at(x, y) = rgb(clampByte(R * shade), clampByte(G * shade), clampByte(B * shade));
    }
  out = canvasToRgbFile(c);
  return true;
}

bool makeLogo(std::vector<uint8_t>& out) {
  const int w = 172, h = 32;
  const std::string text = "METABOX";
  int size = fitTextSize(Font::SansBold, 34, 8, w - 6, text);
  TextMask m;
  if (!renderTextMask(Font::SansBold, size, text, m)) return false;
  Canvas c(w, h, 0);
  int x0 = (w - (m.w - 2)) / 2 - 1, y0 = (h - m.h) / 2 + size / 14;
  blendMask(c, m, x0, y0, [&](int y) {
    float f = std::clamp(float(y0 + y) / float(h), 0.0f, 1.0f);
    return rgb(clampByte(255 - 20 * f), clampByte(250 - 90 * f), clampByte(200 - 150 * f));
  });
  out = canvasToRgbFile(c);
  return true;
}

const ForgeRegistrar kEnvironment("data\\metabox\\texture.rgb", makeEnvironment);
const ForgeRegistrar kTile("data\\metabox\\qz0tile.rgb", makeTile);
const ForgeRegistrar kLogo("data\\metabox\\metabox.rgb", makeLogo);
}  // namespace
