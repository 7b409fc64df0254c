// Data of the "blobs" section: the chrome environment map of the blobs, the
// sliding glow map added over them, the tunnel wall and the caption (black is
// its transparent key).
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
// Signed texel offset from `centre` on the 256-wrap.
float wrapOffset(int x, int centre) { return float(((x - centre + 128) & 255) - 128); }

// Chrome: the texel at (nx + 96, ny + 96) shows what a mirror with normal
// (nx, ny, -) reflects of a sky above, a dark ground below and a low sun.
bool makeChrome(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  const float lx = -0.45f, ly = -0.55f, lz = -0.70f;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      // The blobs' normals are field gradients and point inwards: flip them.
      float nx = -wrapOffset(x, 96) / 127.0f, ny = -wrapOffset(y, 96) / 127.0f;
      float r2 = nx * nx + ny * ny;
      if (r2 > 1.0f) {
        float s = 1.0f / std::sqrt(r2);
        nx *= s;
        ny *= s;
        r2 = 1.0f;
      }
      float nz = -std::sqrt(1.0f - r2);
      // The view runs along +z; the world's -y is up on screen.
      float dn = nz;
      float rx = -2 * dn * nx, ry = -2 * dn * ny, rz = 1 - 2 * dn * nz;
      float R, G, B;
      if (ry < 0) {  // sky
        float h = std::min(1.0f, -ry * 1.6f);
        R = 235 - 175 * h;
        G = 240 - 130 * h;
        B = 255 - 40 * h;
      } else {  // ground, with a warm band at the horizon
        float h = std::min(1.0f, ry * 2.5f);
        R = 120 - 95 * h;
        G = 80 - 62 * h;
        B = 50 - 35 * h;
      }
      float specular = std::max(0.0f, rx * lx + ry * ly + rz * lz);
      float sun = std::pow(specular, 60.0f) * 255 + std::pow(specular, 8.0f) * 60;
      // Darker towards the rim, as the reflection grazes.
      float rim = 0.55f + 0.45f * std::sqrt(std::max(0.0f, 1.0f - r2));
      c.at(x, y) = rgb(clampByte(R * rim + sun), clampByte(G * rim + sun), clampByte(B * rim + sun * 0.9f));
    }
  out = canvasToRgbFile(c);
  return true;
}

// Soft coloured lights on a dark tile that repeats both ways; it slides over the
// blobs and is added on top of them.
bool makeGlowMap(std::vector<uint8_t>& out) {
  struct Light {
    float x, y, radius;
    float r, g, b;
  };
  const Light lights[] = {
      {40, 60, 34, 200, 60, 255}, {170, 30, 26, 40, 190, 255}, {110, 150, 40, 255, 120, 30},
      {220, 200, 30, 255, 40, 140}, {30, 210, 22, 80, 255, 160}, {200, 110, 18, 255, 230, 120},
  };
  Canvas c(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      float R = 0, G = 0, B = 0;
      for (const Light& l : lights) {
        float dx = wrapOffset(x, int(l.x)), dy = wrapOffset(y, int(l.y));
        float f = std::exp(-(dx * dx + dy * dy) / (l.radius * l.radius));
        R += l.r * f;
        G += l.g * f;
        B += l.b * f;
      }
      float n = 0.6f + 0.4f * tileFbm(x, y, 8, 3, 5);
      c.at(x, y) = rgb(clampByte(R * n * 0.7f), clampByte(G * n * 0.7f), clampByte(B * n * 0.7f));
    }
  out = canvasToRgbFile(c);
  return true;
}

// Weathered sandstone bricks, four to a row and eight rows to the tile.
bool makeTunnelWall(std::vector<uint8_t>& out) {
  Canvas c(256, 256);
  const int bw = 64, bh = 32;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      int row = y / bh;
      int xs = (x + (row & 1) * bw / 2) & 255;
      int col = xs / bw, px = xs % bw, py = y % bh;
      float tone = 0.75f + 0.25f * float(hash2(col, row, 3) & 255) / 255.0f;
      float grain = tileFbm(x, y, 16, 4, 17);
      float big = tileFbm(x, y, 4, 3, 29);
      float edge = float(std::min({px, py, bw - 1 - px, bh - 1 - py}));
      float R = 190 * tone, G = 120 * tone, B = 70 * tone;
      float shade = (0.55f + 0.5f * grain) * (0.7f + 0.5f * big);
      if (edge < 2) {
        shade *= 0.25f + 0.2f * edge;  // mortar groove
      } else if (px < 4 || py < 4) {
        shade *= 1.15f;  // lit upper-left bevel
      }
      c.at(x, y) = rgb(clampByte(R * shade), clampByte(G * shade), clampByte(B * shade));
    }
  out = canvasToRgbFile(c);
  return true;
}

bool makeCaption(std::vector<uint8_t>& out) {
  const int w = 290, h = 50;
  const std::string text = "NEVER BORING";
  int size = fitTextSize(Font::SansBold, 44, 10, w - 12, text);
  TextMask m;
  if (!renderTextMask(Font::SansBold, size, text, m)) return false;
  Canvas c(w, h, 0);
  int x0 = (w - (m.w - 2)) / 2 - 1, y0 = (h - m.h) / 2 + size / 12;
  blendMask(c, m, x0, y0, [&](int y) {
    float f = float(y) / float(m.h);
    // Bright enough that it survives being dimmed by 128 when the caption pulses.
    return rgb(clampByte(255 - 40 * f), clampByte(230 - 120 * f), clampByte(140 + 115 * f));
  });
  out = canvasToRgbFile(c);
  return true;
}

const ForgeRegistrar kTexture1("DATA\\BLOBS\\texture1.rgb", makeGlowMap);
const ForgeRegistrar kTexture2("DATA\\BLOBS\\texture2.rgb", makeChrome);
const ForgeRegistrar kTunnel("DATA\\BLOBS\\tex.rgb", makeTunnelWall);
const ForgeRegistrar kBoring("DATA\\BLOBS\\boring.rgb", makeCaption);
}  // namespace
