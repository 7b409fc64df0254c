// The radial blur, its weight table and its plain reference.
#include "image/radialblur.hpp"

#include <emmintrin.h>

#include <cmath>
#include <cstdlib>
#include <type_traits>

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

namespace {
inline __m128i widenPixel(uint32_t v) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128()); }
inline __m128i widenTwo(uint32_t lo, uint32_t hi) {
  return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(lo)), _mm_cvtsi32_si128(int(hi))),
                           _mm_setzero_si128());
}
inline uint32_t weightWord(const RadialWeights& w) {
  return uint32_t(w.w0) | uint32_t(w.w1) << 8 | uint32_t(w.w2) << 16 | uint32_t(w.w3) << 24;
}

// The per-channel rule on 16-bit lanes; W holds each lane group's weights w0..w3 in its
// first four lanes (lanes 0-3 for the low pixel, 4-7 for the high one).
inline __m128i blend(__m128i diag, __m128i vert, __m128i horiz, __m128i P, __m128i W, __m128i S, __m128i R) {
  auto spreadWeight = [W](auto k) {
    constexpr int i = decltype(k)::value;
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(W, _MM_SHUFFLE(i, i, i, i)), _MM_SHUFFLE(i, i, i, i));
  };
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(diag, spreadWeight(std::integral_constant<int, 0>())),
                              _mm_mullo_epi16(vert, spreadWeight(std::integral_constant<int, 1>())));
  sum = _mm_add_epi16(sum, _mm_mullo_epi16(P, spreadWeight(std::integral_constant<int, 3>())));
  sum = _mm_add_epi16(sum, _mm_mullo_epi16(horiz, spreadWeight(std::integral_constant<int, 2>())));
  const __m128i a = _mm_srli_epi16(sum, 8);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, S), _mm_mullo_epi16(P, R)), 8);
}

// One pixel from the image as it stands; (SX, SY) is the direction away from the centre.
template <int SX, int SY>
inline void blurPixel(uint32_t* image, int x, int y, const RadialWeights& w, __m128i S, __m128i R) {
  uint32_t* p = image + y * kFrameWidth + x;
  const __m128i W = widenPixel(weightWord(w));
  __m128i r = blend(widenPixel(p[-SY * kFrameWidth - SX]), widenPixel(p[-SY * kFrameWidth]), widenPixel(p[-SX]),
                    widenPixel(*p), W, S, R);
  *p = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
}

// Each pixel depends on the one before it in its row, so a single row is one long chain.
// Two rows go together instead, the outer row one pixel behind the inner one: its
// vertical and diagonal neighbours are then the inner row's last two results.
template <int SX, int SY>
void blurQuadrant(int cx, int cy, __m128i S, __m128i R, uint32_t* image) {
  const int x0 = SX > 0 ? cx : cx - 1, n = SX > 0 ? kFrameWidth - cx : cx;
  const int y0 = SY > 0 ? cy : cy - 1, rowsLeft = SY > 0 ? kFrameHeight - cy : cy;
  auto weights = [cx, cy](int x, int y) -> const RadialWeights& { return weightsAt(x - cx, y - cy); };
  int done = 0;
  for (; done + 2 <= rowsLeft; done += 2) {
    const int ya = y0 + done * SY, yb = ya + SY;
    uint32_t* rowA = image + ya * kFrameWidth;
    uint32_t* rowB = image + yb * kFrameWidth;
    const uint32_t* up = rowA - SY * kFrameWidth;
    blurPixel<SX, SY>(image, x0, ya, weights(x0, ya), S, R);
    __m128i prev = _mm_unpacklo_epi64(widenPixel(rowA[x0]), widenPixel(rowB[x0 - SX]));
    __m128i prev2 = widenPixel(rowA[x0 - SX]);  // lanes 0-3: the inner row's pixel before x0
    for (int i = 1; i < n; ++i) {
      const int xa = x0 + i * SX, xb = xa - SX;
      const __m128i P = widenTwo(rowA[xa], rowB[xb]);
      const __m128i vert = _mm_unpacklo_epi64(widenPixel(up[xa]), prev);
      const __m128i diag = _mm_unpacklo_epi64(widenPixel(up[xb]), prev2);
      const __m128i W = widenTwo(weightWord(weights(xa, ya)), weightWord(weights(xb, yb)));
      const __m128i r = blend(diag, vert, prev, P, W, S, R);
      const __m128i packed = _mm_packus_epi16(r, r);
      rowA[xa] = uint32_t(_mm_cvtsi128_si32(packed));
      rowB[xb] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
      prev2 = prev;
      prev = r;
    }
    const int xLast = x0 + (n - 1) * SX;
    blurPixel<SX, SY>(image, xLast, yb, weights(xLast, yb), S, R);
  }
  if (done < rowsLeft) {
    const int y = y0 + done * SY;
    for (int i = 0; i < n; ++i) blurPixel<SX, SY>(image, x0 + i * SX, y, weights(x0 + i * SX, y), S, R);
  }
}
}  // namespace

void radialBlur(int cx, int cy, int strength, uint32_t* image) {
  if (!usableCentre(cx, cy)) return;
  const int s = strength & 0xFF;
  const __m128i S = _mm_set1_epi16(short(s)), R = _mm_set1_epi16(short(255 - s));
  blurQuadrant<+1, +1>(cx, cy, S, R, image);
  blurQuadrant<+1, -1>(cx, cy, S, R, image);
  blurQuadrant<-1, +1>(cx, cy, S, R, image);
  blurQuadrant<-1, -1>(cx, cy, S, R, image);
}
