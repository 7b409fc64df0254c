#include "scenes/sphere_blockfill.hpp"

#include <emmintrin.h>

namespace {
// One lane of the block walk: 16-bit wrap-around, signed differences / 8.
inline uint16_t eighth(uint16_t a, uint16_t b) { return uint16_t(int16_t(uint16_t(b - a)) >> 3); }

struct LaneSteps {
  uint16_t dx, dy, ddx;
};

inline LaneSteps laneSteps(uint16_t tl, uint16_t tr, uint16_t bl, uint16_t br) {
  LaneSteps s;
  s.dx = eighth(tl, tr);
  s.dy = eighth(tl, bl);
  s.ddx = uint16_t(int16_t(uint16_t(eighth(bl, br) - s.dx)) >> 3);
  return s;
}

// Walks the 64 pixels of block (m, n) in row order and hands each its (u, v, b).
template <typename PixelFn>
inline void walkBlock(const GridPoint* grid, int m, int n, PixelFn fn) {
  const GridPoint &TL = grid[n * kGridCols + m], &TR = grid[n * kGridCols + m + 1],
                  &BL = grid[(n + 1) * kGridCols + m], &BR = grid[(n + 1) * kGridCols + m + 1];
  LaneSteps su = laneSteps(TL.u, TR.u, BL.u, BR.u), sv = laneSteps(TL.v, TR.v, BL.v, BR.v),
            sb = laneSteps(TL.brightness, TR.brightness, BL.brightness, BR.brightness);
  uint16_t startU = TL.u, startV = TL.v, startB = TL.brightness;
  for (int row = 0; row < 8; ++row) {
    uint16_t u = startU, v = startV, b = startB;
    for (int col = 0; col < 8; ++col) {
      fn(row, col, u, v, b);
      u = uint16_t(u + su.dx);
      v = uint16_t(v + sv.dx);
      b = uint16_t(b + sb.dx);
    }
    startU = uint16_t(startU + su.dy);
    startV = uint16_t(startV + sv.dy);
    startB = uint16_t(startB + sb.dy);
    su.dx = uint16_t(su.dx + su.ddx);
    sv.dx = uint16_t(sv.dx + sv.ddx);
    sb.dx = uint16_t(sb.dx + sb.ddx);
  }
}

template <typename PixelFn>
inline void walkAllBlocks(const GridPoint* grid, uint32_t* target, PixelFn fn) {
  for (int n = 0; n < kGridRows - 1; ++n)
    for (int m = 0; m < kGridCols - 1; ++m) {
      uint32_t* block = target + (n * 8) * 320 + m * 8;
      walkBlock(grid, m, n, [&](int row, int col, uint16_t u, uint16_t v, uint16_t b) {
        block[row * 320 + col] = fn(u, v, b);
      });
    }
}

// The four texels around (u, v) widened to 16-bit lanes, weighted and summed;
// the result still in 16-bit lanes (low four).
inline __m128i sampleLanes(const uint32_t* tex, uint32_t u, uint32_t v) {
  const __m128i zero = _mm_setzero_si128();
  uint32_t iu = u >> 8, fu = u & 255, iv = v >> 8, fv = v & 255;
  uint32_t iu1 = (iu + 1) & 255, iv1 = ((iv + 1) & 255) << 8;
  iv <<= 8;
  uint32_t w11 = (fu * fv) >> 8, w10 = fu - w11, w01 = fv - w11, w00 = ((255 - fu) * (255 - fv)) >> 8;
  __m128i top = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tex[iv | iu])), _mm_cvtsi32_si128(int(tex[iv | iu1]))), zero);
  __m128i bottom = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tex[iv1 | iu])), _mm_cvtsi32_si128(int(tex[iv1 | iu1]))), zero);
  // Weights broadcast to four lanes each: (w00 x4, w10 x4) and (w01 x4, w11 x4).
  __m128i wTop = _mm_unpacklo_epi64(_mm_set1_epi16(short(w00)), _mm_set1_epi16(short(w10)));
  __m128i wBottom = _mm_unpacklo_epi64(_mm_set1_epi16(short(w01)), _mm_set1_epi16(short(w11)));
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(top, wTop), _mm_mullo_epi16(bottom, wBottom));
  sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
  return _mm_srli_epi16(sum, 8);
}
}  // namespace

BilinearWeights bilinearWeights(uint32_t fu, uint32_t fv) {
  uint32_t w11 = (fu * fv) >> 8;
  return {((255 - fu) * (255 - fv)) >> 8, fu - w11, fv - w11, w11};
}

void fillTexturedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  walkAllBlocks(grid, target, [texture](uint16_t u, uint16_t v, uint16_t) {
    __m128i s = sampleLanes(texture, u, v);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(s, s)));
  });
}

void fillShadedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  walkAllBlocks(grid, target, [texture](uint16_t u, uint16_t v, uint16_t b) {
    __m128i s = sampleLanes(texture, u, v);
    s = _mm_srli_epi16(_mm_mullo_epi16(s, _mm_set1_epi16(short(b >> 8))), 8);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(s, s)));
  });
}

namespace ref {
uint32_t bilinearSample(const uint32_t* texture, uint16_t u, uint16_t v) {
  uint32_t iu = u >> 8, fu = u & 255u, iv = v >> 8, fv = v & 255u;
  uint32_t iu1 = (iu + 1) & 255u, iv1 = (iv + 1) & 255u;
  BilinearWeights w = bilinearWeights(fu, fv);
  uint32_t t00 = texture[iv * 256 + iu], t10 = texture[iv * 256 + iu1], t01 = texture[iv1 * 256 + iu],
           t11 = texture[iv1 * 256 + iu1];
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    uint32_t ch = (((t00 >> c) & 255) * w.w00 + ((t10 >> c) & 255) * w.w10 + ((t01 >> c) & 255) * w.w01 +
                   ((t11 >> c) & 255) * w.w11) >> 8;
    out |= ch << c;
  }
  return out;
}

void fillTexturedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  walkAllBlocks(grid, target, [texture](uint16_t u, uint16_t v, uint16_t) { return bilinearSample(texture, u, v); });
}

void fillShadedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  walkAllBlocks(grid, target, [texture](uint16_t u, uint16_t v, uint16_t b) {
    uint32_t s = bilinearSample(texture, u, v), level = uint32_t(b >> 8), out = 0;
    for (int c = 0; c < 32; c += 8) out |= ((((s >> c) & 255) * level) >> 8) << c;
    return out;
  });
}
}  // namespace ref
