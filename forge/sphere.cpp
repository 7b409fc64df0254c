// Data of the "sphere" section: the wall texture of the sphere, the particle glow
// and the three credit captions (magenta is their transparent key).
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
// Riveted panels with glowing seams, repeating every 256 texels both ways.
bool makeSphereTexture(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  const int cell = 32;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      int cx = x / cell, cy = y / cell;
      // Panels pair up into wider plates on alternate rows.
      int px = x % cell, py = y % cell;
      float tone = 0.55f + 0.45f * float(hash2(cx, cy, 7) & 255) / 255.0f;
      float grime = tileFbm(x, y, 8, 4, 11);
      float fine = tileFbm(x, y, 64, 2, 23);
      // Bevel: light from the top left.
      float edge = std::min({float(px), float(py), float(cell - 1 - px), float(cell - 1 - py)});
      float bevel = 0;
      if (edge < 3) bevel = (px < 3 || py < 3) ? 0.35f : -0.35f;
      float r = 40 * tone, g = 52 * tone, b = 92 * tone;
      float shade = 0.65f + 0.6f * grime + 0.15f * fine + bevel;
      r *= shade;
      g *= shade;
      b *= shade;
      // Seams glow cyan.
      if (edge < 1) {
        r = 40;
        g = 200;
        b = 255;
      } else if (edge < 2) {
        r = r * 0.5f + 20;
        g = g * 0.5f + 100;
        b = b * 0.5f + 130;
      }
      // A rivet in every panel's corners.
      for (int k = 0; k < 4; ++k) {
        float rx = (k & 1) ? cell - 6.5f : 5.5f, ry = (k & 2) ? cell - 6.5f : 5.5f;
        float d = std::hypot(float(px) - rx, float(py) - ry);
        if (d < 2.2f) {
          float lit = 1.0f - std::hypot(float(px) - rx + 0.8f, float(py) - ry + 0.8f) / 2.5f;
          r = 90 + 140 * lit;
          g = 100 + 140 * lit;
          b = 130 + 120 * lit;
        }
      }
      // Some panels carry a warm light strip across their middle.
      if ((hash2(cx, cy, 91) & 3) == 0 && std::abs(py - cell / 2) < 2 && px > 6 && px < cell - 7) {
        float glow = 1.0f - float(std::abs(py - cell / 2)) / 2.0f;
        r += 200 * glow;
        g += 120 * glow;
        b += 40 * glow;
      }
      c.at(x, y) = rgb(clampByte(r), clampByte(g), clampByte(b));
    }
  out = canvasToRgbFile(c);
  return true;
}

// A soft warm glow that fades to black (the key colour) at its edge.
bool makeGlow(std::vector<uint8_t>& out) {
  Canvas c(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      float d = std::hypot(float(x) - 15.5f, float(y) - 15.5f) / 15.5f;
      if (d >= 1.0f) continue;
      float f = (1.0f - d) * (1.0f - d);
      float core = std::max(0.0f, 1.0f - d * 3.0f);
      c.at(x, y) = rgb(clampByte(230 * f + 25 * core), clampByte(150 * f + 90 * core), clampByte(70 * f + 140 * core));
    }
  out = canvasToRgbFile(c);
  return true;
}

constexpr uint32_t kMagenta = 0xFF00FF;

struct Coverage {
  int w, h;
  std::vector<uint8_t> a;
};

// Stamps text into a coverage layer, centred on centreX with the baseline at baseY.
bool stampText(Coverage& cov, Font font, int size, int centreX, int baseY, const std::string& text) {
  TextMask m;
  if (!renderTextMask(font, size, text, m)) return false;
  int x0 = centreX - (m.w - 2) / 2 - 1, y0 = baseY - m.baseline;
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      int X = x0 + x, Y = y0 + y;
      if (X < 0 || Y < 0 || X >= cov.w || Y >= cov.h) continue;
      uint8_t& d = cov.a[size_t(Y * cov.w + X)];
      d = std::max(d, m.alpha[size_t(y * m.w + x)]);
    }
  return true;
}

// A credit caption: a small role line over a big name, the letters ringed by a
// dark outline so their soft edges never blend into the magenta key.
bool makeCaption(int w, int h, const std::string& role, const std::string& name, uint32_t nameTop,
                 uint32_t nameBottom, std::vector<uint8_t>& out) {
  Coverage roleCov{w, h, std::vector<uint8_t>(size_t(w * h), 0)};
  Coverage nameCov = roleCov;
  int roleSize = std::max(12, h / 6);
  int nameSize = fitTextSize(Font::SansBold, h * 3 / 5, 8, w - 14, name);
  int roleBase = 6 + roleSize;
  int nameBase = h - 10 - nameSize / 8;
  if (!stampText(roleCov, Font::Serif, roleSize, w / 2, roleBase, role)) return false;
  if (!stampText(nameCov, Font::SansBold, nameSize, w / 2, nameBase, name)) return false;
  Canvas c(w, h, kMagenta);
  // The outline: everything within three pixels of a letter.
  const int ring = 3;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool near = false;
      for (int dy = -ring; dy <= ring && !near; ++dy)
        for (int dx = -ring; dx <= ring && !near; ++dx) {
          int X = x + dx, Y = y + dy;
          if (X < 0 || Y < 0 || X >= w || Y >= h || dx * dx + dy * dy > ring * ring + 1) continue;
          size_t i = size_t(Y * w + X);
          near = roleCov.a[i] > 40 || nameCov.a[i] > 40;
        }
      if (near) c.at(x, y) = rgb(12, 8, 28);
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = size_t(y * w + x);
      if (nameCov.a[i]) {
        float f = float(y - (nameBase - nameSize)) / float(nameSize);
        blendPixel(c, x, y, mixColour<float>(nameTop, nameBottom, f), nameCov.a[i]);
      }
      if (roleCov.a[i]) blendPixel(c, x, y, rgb(120, 230, 255), roleCov.a[i]);
    }
  out = canvasToRgbFile(c);
  return true;
}

bool makeKasimir(std::vector<uint8_t>& out) {
  return makeCaption(202, 92, "code", "KASIMIR", rgb(255, 255, 255), rgb(255, 170, 60), out);
}
bool makeBugel(std::vector<uint8_t>& out) {
  return makeCaption(200, 114, "music", "BÜGEL", rgb(255, 255, 220), rgb(255, 90, 140), out);
}
bool makeMond(std::vector<uint8_t>& out) {
  return makeCaption(258, 106, "graphics", "MOND", rgb(230, 250, 255), rgb(90, 160, 255), out);
}

const ForgeRegistrar kTexture("DATA\\SPHERE\\texture.rgb", makeSphereTexture);
const ForgeRegistrar kGlow("DATA\\SPHERE\\glow.rgb", makeGlow);
const ForgeRegistrar kKasimir("DATA\\SPHERE\\kasimir.rgb", makeKasimir);
const ForgeRegistrar kBugel("DATA\\SPHERE\\bugel.rgb", makeBugel);
const ForgeRegistrar kMond("DATA\\SPHERE\\mond.rgb", makeMond);
}  // namespace
