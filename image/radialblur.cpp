#include "image/radialblur.hpp"

#include <emmintrin.h>

#include <cmath>
#include <cstdlib>

#include "image/pixelops.hpp"

namespace {
RadialWeights* gTable = nullptr;

inline const RadialWeights& weightsAt(int dx, int dy) {
  return gTable[(dy + kRadialTableHeight / 2) * kRadialTableWidth + (dx + kRadialTableWidth / 2)];
}

// Walks one quadrant outwards from the centre; sx, sy are the directions of travel.
template <typename PixelFn>
void walkQuadrant(int cx, int cy, int sx, int sy, PixelFn fn) {
  int yEnd = sy > 0 ? kFrameHeight : -1, xEnd = sx > 0 ? kFrameWidth : -1;
  int y0 = sy > 0 ? cy : cy - 1, x0 = sx > 0 ? cx : cx - 1;
  for (int y = y0; y != yEnd; y += sy)
    for (int x = x0; x != xEnd; x += sx) fn(x, y, x - sx, y - sy);
}

template <typename PixelFn>
void walkAll(int cx, int cy, PixelFn fn) {
  walkQuadrant(cx, cy, +1, +1, fn);
  walkQuadrant(cx, cy, +1, -1, fn);
  walkQuadrant(cx, cy, -1, +1, fn);
  walkQuadrant(cx, cy, -1, -1, fn);
}
// Every pixel reads neighbours one step nearer the centre, so the centre is kept at
// least one pixel inside the image; without a table there is nothing to blur with.
bool usableCentre(int& cx, int& cy) {
  cx = cx < 1 ? 1 : cx > kFrameWidth - 1 ? kFrameWidth - 1 : cx;
  cy = cy < 1 ? 1 : cy > kFrameHeight - 1 ? kFrameHeight - 1 : cy;
  return gTable != nullptr;
}
}  // namespace

void createRadialBlurTable() {
  if (!gTable) gTable = static_cast<RadialWeights*>(std::calloc(kRadialTableWidth * kRadialTableHeight, 4));
}

void fillRadialBlurTable() {
  for (int i = 0; i < kRadialTableHeight; ++i)
    for (int j = 0; j < kRadialTableWidth; ++j) {
      int dx = j - kRadialTableWidth / 2, dy = i - kRadialTableHeight / 2;
      RadialWeights& w = gTable[i * kRadialTableWidth + j];
      if (dx == 0 && dy == 0) {
        w = {0, 0, 0, 255};
        continue;
      }
      double d = std::sqrt(double(dx * dx + dy * dy));
      double fx = std::abs(dx) / d, fy = std::abs(dy) / d;
      w.w0 = uint8_t(roundEven(fx * fy * 255.0));
      w.w1 = uint8_t(roundEven(fy * (1.0 - fx) * 255.0));
      w.w2 = uint8_t(roundEven(fx * (1.0 - fy) * 255.0));
      w.w3 = uint8_t(roundEven((1.0 - fx) * (1.0 - fy) * 255.0));
    }
}

void freeRadialBlurTable() {
  std::free(gTable);
  gTable = nullptr;
}

const RadialWeights* radialBlurTable() { return gTable; }

namespace ref {
void radialBlur(int cx, int cy, int strength, uint32_t* image) {
  if (!usableCentre(cx, cy)) return;
  const uint32_t s = uint32_t(strength) & 0xFF;
  walkAll(cx, cy, [&](int x, int y, int nx, int ny) {
    const RadialWeights& w = weightsAt(x - cx, y - cy);
    uint32_t diag = image[ny * kFrameWidth + nx], vert = image[ny * kFrameWidth + x],
             horiz = image[y * kFrameWidth + nx];
    uint32_t& p = image[y * kFrameWidth + x];
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
      uint32_t P = (p >> c) & 0xFF;
      uint32_t a = (((diag >> c) & 0xFF) * w.w0 + ((vert >> c) & 0xFF) * w.w1 + ((horiz >> c) & 0xFF) * w.w2 +
                    P * w.w3) >> 8;
      out |= (((a * s + P * (255 - s)) >> 8) & 0xFF) << c;
    }
    p = out;
  });
}
}  // namespace ref

void radialBlur(int cx, int cy, int strength, uint32_t* image) {
  if (!usableCentre(cx, cy)) return;
  const int s = strength & 0xFF;
  const __m128i z = _mm_setzero_si128(), S = _mm_set1_epi16(short(s)), R = _mm_set1_epi16(short(255 - s));
  auto widen = [&](uint32_t v) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), z); };
  walkAll(cx, cy, [&](int x, int y, int nx, int ny) {
    const RadialWeights& w = weightsAt(x - cx, y - cy);
    uint32_t& p = image[y * kFrameWidth + x];
    __m128i P = widen(p);
    __m128i sum = _mm_mullo_epi16(widen(image[ny * kFrameWidth + nx]), _mm_set1_epi16(w.w0));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(widen(image[ny * kFrameWidth + x]), _mm_set1_epi16(w.w1)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(widen(image[y * kFrameWidth + nx]), _mm_set1_epi16(w.w2)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(P, _mm_set1_epi16(w.w3)));
    __m128i a = _mm_srli_epi16(sum, 8);
    __m128i r = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, S), _mm_mullo_epi16(P, R)), 8);
    p = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
  });
}
