// The "vohel" section: a textured cylinder with a bumpy outline turns in front of
// a background warped by eight waves. Beat smears, a scroller, a blend towards the
// negative and fades finish the frame. Before its own window it also cuts its
// picture into 40 tiles that swing over the end of the first section.
#include "scenes/vohel.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/common/warp_fill.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kTexturePixels = 256 * 256;
constexpr int kScrollerWidth = 1200, kScrollerHeight = 100;

WarpNode* gGrid = nullptr;
uint32_t* gBackground = nullptr;
uint8_t* gRadiusMap = nullptr;
uint32_t* gCylinderTexture = nullptr;
uint32_t* gLightTexture = nullptr;
uint8_t* gProfile = nullptr;
uint32_t* gWorkFrame = nullptr;
uint32_t* gScroller = nullptr;
uint32_t* gTiles = nullptr;

inline float sinDeg(float degrees) { return std::sin(degrees * kDegToRad); }
inline float cosDeg(float degrees) { return std::cos(degrees * kDegToRad); }

// One wave term: A * F(k * (a x + b y + c T) in degrees + p).
struct Wave {
  bool useSin;
  float A, a, b, c, k, p;
};
constexpr Wave kWaves[8] = {
    {true, 3.12f, 4.92f, -1.23f, 0.693f, 1.432f, 1.0f},  {true, 4.82f, -2.18f, 0.37f, 0.961f, 1.942f, 2.0f},
    {true, 2.11f, 0.33f, 2.53f, 0.116f, 1.683f, 3.0f},   {false, 5.64f, -3.61f, -4.32f, 0.67f, 1.722f, 4.0f},
    {false, 3.91f, -2.47f, 2.89f, 0.279f, 1.758f, 5.0f}, {false, 2.82f, 4.95f, -0.64f, 0.424f, 1.438f, 6.0f},
    {false, 7.91f, -3.03f, -3.12f, 0.246f, 1.354f, 7.0f}, {true, 9.82f, 1.32f, -4.99f, 0.124f, 1.568f, 8.0f},
};

// Shared walk over the visible rows and spans; fill(y, column, count, cyl, lit, shade, dim).
template <typename Fill>
void walkSpans(const uint32_t* cyl, const uint32_t* lit, const uint8_t* profile, int T, Fill fill) {
  CylinderRows rows;
  cylinderRows(T, rows);
  for (int y = 0; y < kFrameHeight; ++y) {
    const int t = rows.row[y];
    if (!(t > 13 && t < 243)) continue;
    const uint32_t* cylRow = cyl + t * 256;
    const uint32_t* litRow = lit + t * 256;
    const int turn = rows.turn[y], shift = rows.shift[y], dim = rows.dim[y];
    // Left half, from the centre outwards; a span only while the outline moves out.
    int prev = 128;
    for (int k = 255; k >= 128; --k) {
      uint32_t c = cylRow[(turn + k + 1) & 255], l = litRow[(k + 1) & 255];
      int h = profile[k * 256 + int(c >> 24)];
      if (h < prev) {
        fill(y, h + shift - 25, prev - h, c, l, 256 - k, dim);
        prev = h;
      }
    }
    prev = 127;
    for (int k = 0; k <= 127; ++k) {
      uint32_t c = cylRow[(turn + k) & 255], l = litRow[k];
      int h = profile[k * 256 + int(c >> 24)];
      if (h > prev) {
        fill(y, prev + shift - 24, h - prev, c, l, k, dim);
        prev = h;
      }
    }
  }
}

// Copies the 40 x 40 rectangle at (x, y) of a frame into a tile, row by row.
void copyTile(int x, int y, const uint32_t* frame, uint32_t* tile) {
  for (int r = 0; r < kOverlayTile; ++r)
    for (int c = 0; c < kOverlayTile; ++c) tile[r * kOverlayTile + c] = frame[(y + r) * kFrameWidth + x + c];
}

void load() {
  gGrid = static_cast<WarpNode*>(std::calloc(kGridPoints, sizeof(WarpNode)));
  gBackground = allocPixels(kTexturePixels);
  gRadiusMap = static_cast<uint8_t*>(std::calloc(kTexturePixels, 1));
  gCylinderTexture = allocPixels(kTexturePixels);
  gLightTexture = allocPixels(kTexturePixels);
  gProfile = static_cast<uint8_t*>(std::calloc(kProfileSize, 1));
  gWorkFrame = allocPixels(kFramePixels);
  gScroller = allocPixels(kScrollerWidth * kScrollerHeight);
  gTiles = allocPixels(kOverlayTileCount * kOverlayTilePixels);

  loadRgbImageOrDie("data\\vohel\\backgrnd.rgb", 256, 256, gBackground);
  loadRawBytesOrDie("data\\vohel\\cylmap.raw", 256, 256, gRadiusMap);
  loadRgbImageOrDie("data\\vohel\\cyltex.rgb", 256, 256, gCylinderTexture);
  loadRgbImageOrDie("data\\vohel\\lighttex.rgb", 256, 256, gLightTexture);
  loadRgbImageOrDie("data\\vohel\\spass.rgb", kScrollerWidth, kScrollerHeight, gScroller);
  // The radius rides in byte 3 of both textures, so one fetch gives colour and radius.
  for (int k = 0; k < kTexturePixels; ++k) {
    gCylinderTexture[k] = (gCylinderTexture[k] & 0x00FFFFFFu) | (uint32_t(gRadiusMap[k]) << 24);
    gLightTexture[k] = (gLightTexture[k] & 0x00FFFFFFu) | (uint32_t(gRadiusMap[k]) << 24);
  }
  fillProfileTable(gProfile);
}

void release() {
  std::free(gGrid);
  std::free(gBackground);
  std::free(gRadiusMap);
  std::free(gCylinderTexture);
  std::free(gLightTexture);
  std::free(gProfile);
  std::free(gWorkFrame);
  std::free(gScroller);
  std::free(gTiles);
  gGrid = nullptr;
  gBackground = gCylinderTexture = gLightTexture = gWorkFrame = gScroller = gTiles = nullptr;
  gRadiusMap = gProfile = nullptr;
}

void drawBackgroundAndCylinder(int T, uint32_t* target) {
  buildWarpGrid(T, gGrid);
  drawWarpGrid(gGrid, gBackground, target);
  drawCylinder(gCylinderTexture, target, gLightTexture, gProfile, T);
}

void render(float time, uint32_t* target) {
  const int T = int(time * 0.5f);
  drawBackgroundAndCylinder(T, target);

  // The beat: a strong smear at every 221 units that relaxes until the next.
  const int beat = vohelBeat(T);
  smearLeft(beat, 0, kFrameWidth, kFrameHeight, target);
  smearRight(beat, 0, kFrameWidth, kFrameHeight, target);

  if (T < 64) lightenPixels(target, target, kFramePixels, vohelLightenLevel(T));
  if (T > 885) {
    blitKeyedBlend(vohelScrollerX(T), 20, kScrollerWidth, kScrollerHeight, gScroller, target, 0, 192);
  }
  if (T > 663) {
    const float s = sinDeg(90.0f * (time - 663.0f) / 222.0f);
    blendToNegative(target, roundEven(double(255.0f * (s * s))));
  }
  if (T > 1263) {
    if (T < 1327)
      darkenPixels(target, target, kFramePixels, 4 * (T - 1263));
    else
      clearFrame(target);
  }
  if (T > 442 && T - 442 < 240) {
    const int g = roundEven(double(120.0f * std::sqrt(sinDeg(0.75f * float(T - 442)))));
    smearLeft(1, g, kFrameWidth, kFrameHeight, target);
    smearRight(1, g, kFrameWidth, kFrameHeight, target);
  }
}
}  // namespace

const SceneModule vohelModule = {"vohel", load, render, release};

void vohelRenderOverlay(float t, uint32_t* target) {
  drawBackgroundAndCylinder(int(t), gWorkFrame);
  copyTiles(gWorkFrame, gTiles);
  drawOverlayTiles(gTiles, t, target);
}

void buildWarpGrid(int T, WarpNode* grid) {
  const float ft = float(T);
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x) {
      const float fx = float(x), fy = float(y);
      float s[8];
      for (int i = 0; i < 8; ++i) {
        const Wave& w = kWaves[i];
        float angle = w.k * (w.a * fx + w.b * fy + w.c * ft) * kDegToRad + w.p;
        s[i] = w.A * (w.useSin ? std::sin(angle) : std::cos(angle));
      }
      float su = fx + s[0] - s[2] + s[4] - s[6];
      float sv = fy - s[1] + s[3] - s[5] + s[7];
      float sum = s[0] + s[1] + s[2] + s[3] + s[4] + s[5] + s[6] + s[7];
      WarpNode& n = grid[y * kGridColumns + x];
      // Lanes wrap modulo 65536: a very large wave sum turns a node bright.
      n.u = uint16_t(roundEven(double(su * 8.0f * 256.0f)));
      n.v = uint16_t(roundEven(double(sv * 8.0f * 256.0f)));
      n.light = uint16_t(65280 - roundEven(double(std::fabs(sum) * 7.0f * 256.0f)));
      n.spare = 0;
    }
}

void fillProfileTable(uint8_t* profile) {
  for (int k = 0; k < 256; ++k) {
    const float s = sinDeg(360.0f * float(k) / 255.0f);
    for (int m = 0; m < 256; ++m) profile[k * 256 + m] = uint8_t(128 + int(std::trunc(0.7f * float(m) / 2.0f * s)));
  }
}

void cylinderRows(int T, CylinderRows& r) {
  const float ft = float(T);
  const float bob = 32.0f * sinDeg(ft), sway = sinDeg(1.4f * ft), lean = cosDeg(0.32f * ft);
  for (int y = 0; y < kFrameHeight; ++y) {
    const float fy = float(y);
    const float a = sinDeg(0.9f * (fy + ft)), b = sinDeg(1.3f * (fy + ft));
    r.row[y] = std::clamp(roundEven(double(30.0f * (a * a) + bob)) + 2 * y - 80, 0, 255);
    r.dim[y] = roundEven(double(30.0f * (b * b)));
    r.turn[y] = (roundEven(double(0.9f * fy * sway - 1.5f * fy * lean)) + T) & 255;  // modulo 256, never negative
    r.shift[y] = roundEven(double(fy * sinDeg(fy + ft) / 5.0f)) + 60;
  }
}

// The spans of one half are contiguous: each new span starts where the previous one
// ended. So the walk only records, at the outline position h where a span begins,
// its colour (no branch on the outline), and a second pass paints the columns from the
// records: on the left each column takes the nearest record at or left of it, on the
// right the nearest at or right of it.
void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T) {
  CylinderRows rows;
  cylinderRows(T, rows);
  alignas(16) uint32_t colourAt[257];
  alignas(16) uint8_t recorded[257];
  for (int y = 0; y < kFrameHeight; ++y) {
    const int t = rows.row[y];
    if (!(t > 13 && t < 243)) continue;
    const uint32_t* cylRow = cylinderTexture + t * 256;
    const uint32_t* litRow = lightTexture + t * 256;
    const int turn = rows.turn[y];
    const __m128i dim = _mm_set1_epi8(char(rows.dim[y]));
    auto colour = [dim](uint32_t c, uint32_t l, int shade) {
      const __m128i s = _mm_set1_epi8(char(shade));
      __m128i a = _mm_subs_epu8(_mm_subs_epu8(_mm_cvtsi32_si128(int(c)), s), dim);
      __m128i b = _mm_subs_epu8(_mm_subs_epu8(_mm_cvtsi32_si128(int(l)), s), dim);
      return uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(a, b)));
    };
    std::fill_n(recorded, 257, uint8_t(0));
    int low = 128;
    for (int k = 255; k >= 128; --k) {
      const uint32_t c = cylRow[(turn + k + 1) & 255];
      const int h = profile[k * 256 + int(c >> 24)];
      const int slot = h < low ? h : 256;
      colourAt[slot] = colour(c, litRow[(k + 1) & 255], 256 - k);
      recorded[slot] = 1;
      low = std::min(low, h);
    }
    int high = 127;
    for (int k = 0; k <= 127; ++k) {
      const uint32_t c = cylRow[(turn + k) & 255];
      const int h = profile[k * 256 + int(c >> 24)];
      const int slot = h > high ? h : 256;
      colourAt[slot] = colour(c, litRow[k], k);
      recorded[slot] = 1;
      high = std::max(high, h);
    }
    uint32_t* out = dst + y * kFrameWidth + rows.shift[y] - 25;
    uint32_t cur = 0;
    for (int j = low; j < 128; ++j) {
      cur = recorded[j] ? colourAt[j] : cur;
      out[j] = cur;
    }
    for (int j = high; j > 127; --j) {
      cur = recorded[j] ? colourAt[j] : cur;
      out[j] = cur;
    }
  }
}

namespace ref {
uint32_t spanColour(uint32_t cyl, uint32_t lit, int shade, int dim) {
  uint32_t out = 0;
  for (int b = 0; b < 32; b += 8) {
    int c = int((cyl >> b) & 0xFF), l = int((lit >> b) & 0xFF);
    int v = std::max(0, std::max(0, c - shade) - dim) + std::max(0, std::max(0, l - shade) - dim);
    out |= uint32_t(std::min(255, v)) << b;
  }
  return out;
}

void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T) {
  walkSpans(cylinderTexture, lightTexture, profile, T,
            [dst](int y, int x, int n, uint32_t c, uint32_t l, int shade, int dim) {
              for (int i = 0; i < n; ++i) dst[y * kFrameWidth + x + i] = spanColour(c, l, shade, dim);
            });
}
}  // namespace ref

TileRect overlayTileRect(int i, int j, float t) {
  const float phi = 360.0f * t / 885.0f;
  const int dx = roundEven(double(220.0f * std::cos(phi * kDegToRad)));
  const int dy = roundEven(double(40.0f * std::cos(phi * kDegToRad)));
  const float a = std::sin((float(8 * j + i) + phi) * kDegToRad);
  const float s = 1.5f * (a * a);
  const int x0 = roundEven(double(float(40 * i - 160) * s)) + 160;
  const int x1 = roundEven(double(float(40 * i + 40 - 160) * s)) + 160;
  const int y0 = roundEven(double(float(40 * j - 100) * s)) + 100;
  const int y1 = roundEven(double(float(40 * j + 40 - 100) * s)) + 100;
  return {x0 + dx, y0 + dy, x1 - x0 + 1, y1 - y0 + 1};
}

void copyTiles(const uint32_t* frame, uint32_t* tiles) {
  for (int i = 0; i < kOverlayTilesX; ++i)
    for (int j = 0; j < kOverlayTilesY; ++j) copyTile(40 * i, 40 * j, frame, overlayTile(tiles, i, j));
}

void drawOverlayTiles(uint32_t* tiles, float t, uint32_t* target) {
  // Later tiles cover earlier ones.
  for (int i = 0; i < kOverlayTilesX; ++i)
    for (int j = 0; j < kOverlayTilesY; ++j) {
      const TileRect r = overlayTileRect(i, j, t);
      blitScaledKeyedDarken(r.x, r.y, r.w, r.h, kOverlayTile, kOverlayTile, overlayTile(tiles, i, j), target, 0, 0);
    }
}
