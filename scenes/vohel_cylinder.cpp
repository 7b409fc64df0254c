#include "scenes/vohel_cylinder.hpp"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"

namespace {
inline float sinDeg(float degrees) { return std::sin(degrees * kDegToRad); }
inline float cosDeg(float degrees) { return std::cos(degrees * kDegToRad); }

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
}  // namespace

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
