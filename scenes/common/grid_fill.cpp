// The block fill of textured grids, fast and plain.
#include "scenes/common/grid_fill.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include "base/avx2_region.hpp"
#include "image/pixelops.hpp"

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

// The rows of block (m, n): each row's first (u, v, b) and its steps along the row.
struct BlockRows {
  LaneSteps su, sv, sb;
  uint16_t startU, startV, startB;
  void next() {
    startU = uint16_t(startU + su.dy);
    startV = uint16_t(startV + sv.dy);
    startB = uint16_t(startB + sb.dy);
    su.dx = uint16_t(su.dx + su.ddx);
    sv.dx = uint16_t(sv.dx + sv.ddx);
    sb.dx = uint16_t(sb.dx + sb.ddx);
  }
};

inline BlockRows blockRows(const GridPoint* grid, int m, int n) {
  const GridPoint &TL = grid[n * kGridColumns + m], &TR = grid[n * kGridColumns + m + 1],
                  &BL = grid[(n + 1) * kGridColumns + m], &BR = grid[(n + 1) * kGridColumns + m + 1];
  return {laneSteps(TL.u, TR.u, BL.u, BR.u), laneSteps(TL.v, TR.v, BL.v, BR.v),
          laneSteps(TL.brightness, TR.brightness, BL.brightness, BR.brightness), TL.u, TL.v, TL.brightness};
}

// Walks the 64 pixels of block (m, n) in row order and hands each its (u, v, b).
template <typename PixelFn>
inline void walkBlock(const GridPoint* grid, int m, int n, PixelFn fn) {
  BlockRows w = blockRows(grid, m, n);
  for (int row = 0; row < 8; ++row, w.next()) {
    uint16_t u = w.startU, v = w.startV, b = w.startB;
    for (int col = 0; col < 8; ++col) {
      fn(row, col, u, v, b);
      u = uint16_t(u + w.su.dx);
      v = uint16_t(v + w.sv.dx);
      b = uint16_t(b + w.sb.dx);
    }
  }
}

template <typename PixelFn>
inline void walkAllBlocks(const GridPoint* grid, uint32_t* target, PixelFn fn) {
  for (int n = 0; n < kGridRows - 1; ++n)
    for (int m = 0; m < kGridColumns - 1; ++m) {
      uint32_t* block = target + (n * 8) * 320 + m * 8;
      walkBlock(grid, m, n, [&](int row, int col, uint16_t u, uint16_t v, uint16_t b) {
        block[row * 320 + col] = fn(u, v, b);
      });
    }
}

// The fast fill works a block row (8 pixels) at a time. Stepping a lane by dx
// eight times in 16-bit wrap-around arithmetic gives start + j dx exactly, so the
// row's coordinates, texel indices and weights come from vector arithmetic; then
// the texels are fetched and blended two pixels at a time.
struct RowSamples {
  alignas(16) uint16_t i00[8], i10[8], i01[8], i11[8];
  alignas(16) uint32_t wTop[8], wBottom[8];  // (w00 | w10 << 16), (w01 | w11 << 16)
  alignas(16) uint16_t level[8];
};

inline void prepareRow(uint16_t u0, uint16_t du, uint16_t v0, uint16_t dv, uint16_t b0, uint16_t db, RowSamples& r) {
  const __m128i ramp = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  const __m128i lowByte = _mm_set1_epi16(0xFF), highByte = _mm_set1_epi16(short(0xFF00));
  __m128i U = _mm_add_epi16(_mm_set1_epi16(short(u0)), _mm_mullo_epi16(ramp, _mm_set1_epi16(short(du))));
  __m128i V = _mm_add_epi16(_mm_set1_epi16(short(v0)), _mm_mullo_epi16(ramp, _mm_set1_epi16(short(dv))));
  __m128i B = _mm_add_epi16(_mm_set1_epi16(short(b0)), _mm_mullo_epi16(ramp, _mm_set1_epi16(short(db))));
  __m128i iu = _mm_srli_epi16(U, 8), iu1 = _mm_and_si128(_mm_add_epi16(iu, _mm_set1_epi16(1)), lowByte);
  __m128i row = _mm_and_si128(V, highByte), row1 = _mm_and_si128(_mm_add_epi16(V, _mm_set1_epi16(0x100)), highByte);
  _mm_store_si128(reinterpret_cast<__m128i*>(r.i00), _mm_or_si128(row, iu));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.i10), _mm_or_si128(row, iu1));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.i01), _mm_or_si128(row1, iu));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.i11), _mm_or_si128(row1, iu1));
  __m128i fu = _mm_and_si128(U, lowByte), fv = _mm_and_si128(V, lowByte);
  __m128i w11 = _mm_srli_epi16(_mm_mullo_epi16(fu, fv), 8);
  __m128i w10 = _mm_sub_epi16(fu, w11), w01 = _mm_sub_epi16(fv, w11);
  __m128i w00 = _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(lowByte, fu), _mm_sub_epi16(lowByte, fv)), 8);
  _mm_store_si128(reinterpret_cast<__m128i*>(r.wTop), _mm_unpacklo_epi16(w00, w10));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.wTop + 4), _mm_unpackhi_epi16(w00, w10));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.wBottom), _mm_unpacklo_epi16(w01, w11));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.wBottom + 4), _mm_unpackhi_epi16(w01, w11));
  _mm_store_si128(reinterpret_cast<__m128i*>(r.level), _mm_srli_epi16(B, 8));
}

// Pixels j and j + 1 of the row as eight 16-bit channel lanes (j's first).
inline __m128i samplePair(const uint32_t* tex, const RowSamples& r, int j) {
  const __m128i zero = _mm_setzero_si128();
  auto texel = [tex](uint16_t i) { return _mm_cvtsi32_si128(int(tex[i])); };
  __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(texel(r.i00[j]), texel(r.i00[j + 1])),
                                  _mm_unpacklo_epi32(texel(r.i10[j]), texel(r.i10[j + 1])));
  __m128i bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi32(texel(r.i01[j]), texel(r.i01[j + 1])),
                                     _mm_unpacklo_epi32(texel(r.i11[j]), texel(r.i11[j + 1])));
  __m128i wt = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.wTop + j));
  __m128i wb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.wBottom + j));
  __m128i a = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(top, zero), _mm_shuffle_epi32(wt, 0x00)),
                            _mm_madd_epi16(_mm_unpacklo_epi8(bottom, zero), _mm_shuffle_epi32(wb, 0x00)));
  __m128i b = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi8(top, zero), _mm_shuffle_epi32(wt, 0x55)),
                            _mm_madd_epi16(_mm_unpackhi_epi8(bottom, zero), _mm_shuffle_epi32(wb, 0x55)));
  return _mm_packs_epi32(_mm_srli_epi32(a, 8), _mm_srli_epi32(b, 8));
}

template <bool kShaded>
void fillBlocksFast(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  RowSamples r;
  for (int n = 0; n < kGridRows - 1; ++n)
    for (int m = 0; m < kGridColumns - 1; ++m) {
      BlockRows w = blockRows(grid, m, n);
      uint32_t* out = target + (n * 8) * 320 + m * 8;
      for (int row = 0; row < 8; ++row, out += 320) {
        prepareRow(w.startU, w.su.dx, w.startV, w.sv.dx, w.startB, w.sb.dx, r);
        for (int j = 0; j < 8; j += 2) {
          __m128i s = samplePair(texture, r, j);
          if (kShaded) {
            __m128i level = _mm_unpacklo_epi64(_mm_set1_epi16(short(r.level[j])), _mm_set1_epi16(short(r.level[j + 1])));
            s = _mm_srli_epi16(_mm_mullo_epi16(s, level), 8);
          }
          _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(s, s));
        }
        w.next();
      }
    }
}
}  // namespace

// The same fill in AVX2: a block row's eight pixels at once, their four texels each
// gathered, the channels of each pixel weighted in 16-bit lanes (a channel's weighted
// sum is at most 255 * 256, so nothing carries out of its lane).
GVS_AVX2_REGION_BEGIN
namespace {
// The weights are computed where the blend needs them: each pixel's value in its four
// channel lanes, as unpacking the eight texels against zero leaves them, pixels 0, 1,
// 4, 5 (low) and 2, 3, 6, 7 (high). A lane's coordinate start + j dx is the same
// 16-bit value as in the pixel's own lane, so the weights are too.
struct SpreadWeights {
  __m256i w00, w10, w01, w11;
};
inline SpreadWeights spreadWeights(__m256i U, __m256i V) {
  const __m256i lowByte = _mm256_set1_epi16(0xFF);
  const __m256i fu = _mm256_and_si256(U, lowByte), fv = _mm256_and_si256(V, lowByte);
  const __m256i w11 = _mm256_srli_epi16(_mm256_mullo_epi16(fu, fv), 8);
  const __m256i w00 =
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(lowByte, fu), _mm256_sub_epi16(lowByte, fv)), 8);
  return {w00, _mm256_sub_epi16(fu, w11), _mm256_sub_epi16(fv, w11), w11};
}

inline __m256i gather(const uint32_t* tex, __m128i index) {
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(tex), _mm256_cvtepu16_epi32(index), 4);
}

// The texels at index and index + 1 of the eight pixels, as two vectors in gather's
// order, from four 64-bit loads of two vectors: pixels 0, 1, 4, 5 and 2, 3, 6, 7.
// Index + 1 is the right neighbour only where no index ends a texture row (u = 255).
struct TexelPairs {
  __m256i first, second;
};
inline TexelPairs gatherPairs(const uint32_t* tex, __m128i index) {
  const __m128i pixels0145 = _mm_setr_epi8(0, 1, -1, -1, 2, 3, -1, -1, 8, 9, -1, -1, 10, 11, -1, -1);
  const __m128i pixels2367 = _mm_setr_epi8(4, 5, -1, -1, 6, 7, -1, -1, 12, 13, -1, -1, 14, 15, -1, -1);
  const long long* base = reinterpret_cast<const long long*>(tex);
  __m256 a = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm_shuffle_epi8(index, pixels0145), 4));
  __m256 b = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm_shuffle_epi8(index, pixels2367), 4));
  return {_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0x88)), _mm256_castps_si256(_mm256_shuffle_ps(a, b, 0xDD))};
}

// The channels of pixels 0, 1, 4, 5 (or, high, 2, 3, 6, 7) blended by their weights.
template <bool kHigh>
inline __m256i weigh(__m256i t00, __m256i t10, __m256i t01, __m256i t11, __m256i w00, __m256i w10, __m256i w01,
                     __m256i w11) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i c00 = kHigh ? _mm256_unpackhi_epi8(t00, zero) : _mm256_unpacklo_epi8(t00, zero);
  __m256i c10 = kHigh ? _mm256_unpackhi_epi8(t10, zero) : _mm256_unpacklo_epi8(t10, zero);
  __m256i c01 = kHigh ? _mm256_unpackhi_epi8(t01, zero) : _mm256_unpacklo_epi8(t01, zero);
  __m256i c11 = kHigh ? _mm256_unpackhi_epi8(t11, zero) : _mm256_unpacklo_epi8(t11, zero);
  __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(c00, w00), _mm256_mullo_epi16(c10, w10));
  sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(c01, w01));
  sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(c11, w11));
  return _mm256_srli_epi16(sum, 8);
}

template <bool kShaded>
void fillBlocksAvx2(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  const __m128i ramp = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i rampLow = _mm256_setr_epi16(0, 0, 0, 0, 1, 1, 1, 1, 4, 4, 4, 4, 5, 5, 5, 5);
  const __m256i rampHigh = _mm256_setr_epi16(2, 2, 2, 2, 3, 3, 3, 3, 6, 6, 6, 6, 7, 7, 7, 7);
  const __m128i lowByte = _mm_set1_epi16(0xFF), highByte = _mm_set1_epi16(short(0xFF00));
  for (int n = 0; n < kGridRows - 1; ++n)
    for (int m = 0; m < kGridColumns - 1; ++m) {
      BlockRows w = blockRows(grid, m, n);
      uint32_t* out = target + (n * 8) * 320 + m * 8;
      for (int row = 0; row < 8; ++row, out += 320) {
        const __m256i u0 = _mm256_set1_epi16(short(w.startU)), du = _mm256_set1_epi16(short(w.su.dx));
        const __m256i v0 = _mm256_set1_epi16(short(w.startV)), dv = _mm256_set1_epi16(short(w.sv.dx));
        const __m128i U = _mm_add_epi16(_mm256_castsi256_si128(u0), _mm_mullo_epi16(ramp, _mm256_castsi256_si128(du)));
        const __m128i V = _mm_add_epi16(_mm256_castsi256_si128(v0), _mm_mullo_epi16(ramp, _mm256_castsi256_si128(dv)));
        __m128i iu = _mm_srli_epi16(U, 8), iu1 = _mm_and_si128(_mm_add_epi16(iu, _mm_set1_epi16(1)), lowByte);
        __m128i vRow = _mm_and_si128(V, highByte);
        __m128i vRow1 = _mm_and_si128(_mm_add_epi16(V, _mm_set1_epi16(0x100)), highByte);
        __m256i t00, t10, t01, t11;
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(iu, lowByte)) == 0) {
          TexelPairs top = gatherPairs(texture, _mm_or_si128(vRow, iu));
          TexelPairs bottom = gatherPairs(texture, _mm_or_si128(vRow1, iu));
          t00 = top.first, t10 = top.second, t01 = bottom.first, t11 = bottom.second;
        } else {  // a texel pair wraps around the texture's row
          t00 = gather(texture, _mm_or_si128(vRow, iu)), t10 = gather(texture, _mm_or_si128(vRow, iu1));
          t01 = gather(texture, _mm_or_si128(vRow1, iu)), t11 = gather(texture, _mm_or_si128(vRow1, iu1));
        }
        const SpreadWeights wl = spreadWeights(_mm256_add_epi16(u0, _mm256_mullo_epi16(rampLow, du)),
                                               _mm256_add_epi16(v0, _mm256_mullo_epi16(rampLow, dv)));
        const SpreadWeights wh = spreadWeights(_mm256_add_epi16(u0, _mm256_mullo_epi16(rampHigh, du)),
                                               _mm256_add_epi16(v0, _mm256_mullo_epi16(rampHigh, dv)));
        __m256i low = weigh<false>(t00, t10, t01, t11, wl.w00, wl.w10, wl.w01, wl.w11);
        __m256i high = weigh<true>(t00, t10, t01, t11, wh.w00, wh.w10, wh.w01, wh.w11);
        if (kShaded) {
          const __m256i b0 = _mm256_set1_epi16(short(w.startB)), db = _mm256_set1_epi16(short(w.sb.dx));
          const __m256i levelLow = _mm256_srli_epi16(_mm256_add_epi16(b0, _mm256_mullo_epi16(rampLow, db)), 8);
          const __m256i levelHigh = _mm256_srli_epi16(_mm256_add_epi16(b0, _mm256_mullo_epi16(rampHigh, db)), 8);
          low = _mm256_srli_epi16(_mm256_mullo_epi16(low, levelLow), 8);
          high = _mm256_srli_epi16(_mm256_mullo_epi16(high, levelHigh), 8);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(low, high));
        w.next();
      }
    }
}
}  // namespace
GVS_AVX2_REGION_END

BilinearWeights bilinearWeights(uint32_t fu, uint32_t fv) {
  uint32_t w11 = (fu * fv) >> 8;
  return {((255 - fu) * (255 - fv)) >> 8, fu - w11, fv - w11, w11};
}

void fillTexturedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  (vectorPath() == VectorPath::Avx2 ? fillBlocksAvx2<false> : fillBlocksFast<false>)(grid, texture, target);
}

void fillShadedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target) {
  (vectorPath() == VectorPath::Avx2 ? fillBlocksAvx2<true> : fillBlocksFast<true>)(grid, texture, target);
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
