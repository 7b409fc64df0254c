// Packed SSE2 versions of the pixel operations: four 8-bit channels of a pixel
// are widened to 16-bit lanes, so one register carries two pixels. The smears also
// have AVX2 versions, chosen at run time where the processor has AVX2.
#include "image/pixelops.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "base/avx2_region.hpp"
#include "image/blitclip.hpp"
#include "image/transpose_avx2.hpp"

namespace {
inline __m128i widen(uint32_t p) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), _mm_setzero_si128()); }
inline uint32_t narrow(__m128i v) { return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v))); }
inline __m128i load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Scaled 8-bit channels: (v * m) >> 8 for each 16-bit lane holding v <= 255, m <= 257.
inline __m128i mulShift(__m128i v, __m128i m) { return _mm_srli_epi16(_mm_mullo_epi16(v, m), 8); }

template <typename Rule>
void blitFast(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, Rule rule) {
  SpriteClip c;
  if (!clipSprite(x, y, w, h, c)) return;
  for (int r = c.top; r <= c.bottom; ++r) {
    const uint32_t* s = src + r * w;
    uint32_t* d = dst + (y + r) * kFrameWidth + x;
    for (int col = c.left; col <= c.right; ++col)
      if (s[col] != key) d[col] = rule(s[col], d[col]);
  }
}

template <typename Rule>
void blitScaled(int x, int y, int w, int h, int srcW, int srcH, const uint32_t* src, uint32_t* dst, uint32_t key,
                Rule rule) {
  SpriteClip c;
  if (!clipSprite(x, y, w, h, c)) return;
  uint32_t stepX = uint16_t((srcW * 256) / w), stepY = uint16_t((srcH * 256) / h);
  uint32_t row0 = (uint32_t(c.top) * stepY) >> 8, col0 = (uint32_t(c.left) * stepX) >> 8;
  for (int i = 0; i <= c.bottom - c.top; ++i) {
    const uint32_t* s = src + (row0 + ((uint32_t(i) * stepY) >> 8)) * uint32_t(srcW) + col0;
    uint32_t* d = dst + (y + c.top + i) * kFrameWidth + x + c.left;
    for (int j = 0; j <= c.right - c.left; ++j) {
      uint32_t sp = s[(uint32_t(j) * stepX) >> 8];
      if (sp != key) d[j] = rule(sp, d[j]);
    }
  }
}

inline uint32_t darkenRule(uint32_t s, __m128i L) {
  __m128i v = widen(s);
  uint32_t out = narrow(_mm_sub_epi16(v, mulShift(v, L)));
  return (out & 0x00FFFFFFu) | (s & 0xFF000000u);
}

inline uint32_t addRule(uint32_t s, uint32_t d, __m128i L8) {
  __m128i w = _mm_subs_epu8(_mm_cvtsi32_si128(int(s)), L8);
  return uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(w, _mm_cvtsi32_si128(int(d)))));
}

inline __m128i smearStep(__m128i nb, __m128i p, __m128i A, __m128i B) {
  return _mm_srli_epi16(_mm_adds_epu16(_mm_mullo_epi16(nb, A), _mm_mullo_epi16(p, B)), 8);
}
}  // namespace

void clearFrame(uint32_t* frame) { std::memset(frame, 0, kFramePixels * 4); }

void copyFrame(const uint32_t* src, uint32_t* dst) { std::memcpy(dst, src, kFramePixels * 4); }

void addFrame(const uint32_t* src, uint32_t* dst) { addPixels(src, dst, kFramePixels); }

void addPixels(const uint32_t* src, uint32_t* dst, int count) {
  int k = 0;
  for (; k + 4 <= count; k += 4) store(dst + k, _mm_adds_epu8(load(src + k), load(dst + k)));
  for (; k < count; ++k)
    dst[k] = uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(int(src[k])), _mm_cvtsi32_si128(int(dst[k])))));
}

void addPixelsAndClear(uint32_t* src, uint32_t* dst, int count) {
  const __m128i zero = _mm_setzero_si128();
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    store(dst + k, _mm_adds_epu8(load(src + k), load(dst + k)));
    store(src + k, zero);
  }
  for (; k < count; ++k) {
    dst[k] = uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(int(src[k])), _mm_cvtsi32_si128(int(dst[k])))));
    src[k] = 0;
  }
}

void darkenPixels(const uint32_t* src, uint32_t* dst, int count, int level) {
  const __m128i m = _mm_set1_epi16(short(255 - (level & 0xFF))), z = _mm_setzero_si128();
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    __m128i v = load(src + k);
    __m128i lo = mulShift(_mm_unpacklo_epi8(v, z), m), hi = mulShift(_mm_unpackhi_epi8(v, z), m);
    store(dst + k, _mm_packus_epi16(lo, hi));
  }
  for (; k < count; ++k) dst[k] = narrow(mulShift(widen(src[k]), m));
}

void lightenPixels(const uint32_t* src, uint32_t* dst, int count, int level) {
  const __m128i L = _mm_set1_epi16(short(level & 0xFF)), z = _mm_setzero_si128(), c255 = _mm_set1_epi16(255);
  const __m128i keep3 = _mm_set1_epi32(int(0xFF000000u));
  int k = 0;
  auto lighten16 = [&](__m128i v) { return _mm_add_epi16(v, mulShift(_mm_sub_epi16(c255, v), L)); };
  for (; k + 4 <= count; k += 4) {
    __m128i v = load(src + k);
    __m128i r = _mm_packus_epi16(lighten16(_mm_unpacklo_epi8(v, z)), lighten16(_mm_unpackhi_epi8(v, z)));
    store(dst + k, _mm_or_si128(_mm_andnot_si128(keep3, r), _mm_and_si128(keep3, v)));
  }
  for (; k < count; ++k) {
    uint32_t s = src[k];
    dst[k] = (narrow(lighten16(widen(s))) & 0x00FFFFFFu) | (s & 0xFF000000u);
  }
}

void blendToNegative(uint32_t* frame, int level) {
  const int L = level & 0xFF;
  const __m128i a = _mm_set1_epi16(short(255 - L)), b = _mm_set1_epi16(short(L)), z = _mm_setzero_si128(),
                c255 = _mm_set1_epi16(255);
  auto blend16 = [&](__m128i v) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(v, a), _mm_mullo_epi16(_mm_sub_epi16(c255, v), b)), 8);
  };
  for (int k = 0; k < kFramePixels; k += 4) {
    __m128i v = load(frame + k);
    store(frame + k, _mm_packus_epi16(blend16(_mm_unpacklo_epi8(v, z)), blend16(_mm_unpackhi_epi8(v, z))));
  }
}

// Four pixels at a time: the darkened sprite pixels where they are not the key.
void blitKeyedDarken(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  const __m128i L = _mm_set1_epi16(short(level & 0xFF));
  SpriteClip c;
  if (!clipSprite(x, y, w, h, c)) return;
  const __m128i keyed = _mm_set1_epi32(int(key)), zero = _mm_setzero_si128(), alpha = _mm_set1_epi32(int(0xFF000000u));
  for (int r = c.top; r <= c.bottom; ++r) {
    const uint32_t* s = src + r * w;
    uint32_t* d = dst + (y + r) * kFrameWidth + x;
    int col = c.left;
    for (; col + 3 <= c.right; col += 4) {
      const __m128i sv = load(s + col), lo = _mm_unpacklo_epi8(sv, zero), hi = _mm_unpackhi_epi8(sv, zero);
      __m128i out = _mm_packus_epi16(_mm_sub_epi16(lo, mulShift(lo, L)), _mm_sub_epi16(hi, mulShift(hi, L)));
      out = _mm_or_si128(_mm_andnot_si128(alpha, out), _mm_and_si128(alpha, sv));
      const __m128i isKey = _mm_cmpeq_epi32(sv, keyed);
      store(d + col, _mm_or_si128(_mm_and_si128(isKey, load(d + col)), _mm_andnot_si128(isKey, out)));
    }
    for (; col <= c.right; ++col)
      if (s[col] != key) d[col] = darkenRule(s[col], L);
  }
}

void blitKeyedBlend(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  const __m128i L = _mm_set1_epi16(short(level & 0xFF));
  blitFast(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t d) {
    __m128i sv = widen(s), dv = widen(d);
    // Step towards d truncated towards zero in both directions.
    __m128i up = mulShift(_mm_subs_epu16(dv, sv), L), down = mulShift(_mm_subs_epu16(sv, dv), L);
    uint32_t out = narrow(_mm_sub_epi16(_mm_add_epi16(sv, up), down));
    return (out & 0x00FFFFFFu) | (s & 0xFF000000u);
  });
}

void blitKeyedAdd(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  const __m128i L8 = _mm_set1_epi8(char(level & 0xFF));
  blitFast(x, y, w, h, src, dst, key, [L8](uint32_t s, uint32_t d) { return addRule(s, d, L8); });
}

void blitKeyedSubtract(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  const __m128i L8 = _mm_set1_epi8(char(level & 0xFF));
  blitFast(x, y, w, h, src, dst, key, [L8](uint32_t s, uint32_t d) {
    __m128i w8 = _mm_subs_epu8(_mm_cvtsi32_si128(int(s)), L8);
    uint32_t out = uint32_t(_mm_cvtsi128_si32(_mm_subs_epu8(_mm_cvtsi32_si128(int(d)), w8)));
    return (out & 0x00FFFFFFu) | (d & 0xFF000000u);
  });
}

void blitScaledKeyedDarken(int x, int y, int w, int h, int srcW, int srcH, const uint32_t* src, uint32_t* dst,
                           uint32_t key, int level) {
  const __m128i L = _mm_set1_epi16(short(level & 0xFF));
  blitScaled(x, y, w, h, srcW, srcH, src, dst, key, [L](uint32_t s, uint32_t) { return darkenRule(s, L); });
}

void blitScaledKeyedAdd(int x, int y, int w, int h, int srcW, int srcH, const uint32_t* src, uint32_t* dst,
                        uint32_t key, int level) {
  const __m128i L8 = _mm_set1_epi8(char(level & 0xFF));
  blitScaled(x, y, w, h, srcW, srcH, src, dst, key, [L8](uint32_t s, uint32_t d) { return addRule(s, d, L8); });
}

namespace {
// Horizontal smears run one dependent chain per row; four rows go side by side (two
// pixels per register) so the chains overlap. Each lane computes exactly as alone.
inline __m128i widenPair(uint32_t a, uint32_t b) {
  return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(a)), _mm_cvtsi32_si128(int(b))),
                           _mm_setzero_si128());
}

template <int Dir>
void smearFourRows(uint32_t* r0, uint32_t* r1, uint32_t* r2, uint32_t* r3, int first, int count, __m128i A,
                   __m128i B) {
  __m128i p01 = widenPair(r0[first], r1[first]), p23 = widenPair(r2[first], r3[first]);
  for (int i = 1, x = first + Dir; i < count; ++i, x += Dir) {
    p01 = smearStep(p01, widenPair(r0[x], r1[x]), A, B);
    p23 = smearStep(p23, widenPair(r2[x], r3[x]), A, B);
    const __m128i packed = _mm_packus_epi16(p01, p23);
    r0[x] = uint32_t(_mm_cvtsi128_si32(packed));
    r1[x] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
    r2[x] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
    r3[x] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 12)));
  }
}
}  // namespace

namespace {
void smearRightSse2(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  int y = 0;
  for (; y + 4 <= h; y += 4) {
    uint32_t* row = frame + y * w;
    smearFourRows<+1>(row, row + w, row + 2 * w, row + 3 * w, 0, w, A, B);
  }
  for (; y < h; ++y) {
    uint32_t* row = frame + y * w;
    __m128i prev = widen(row[0]);
    for (int x = 1; x < w; ++x) {
      prev = smearStep(prev, widen(row[x]), A, B);
      row[x] = narrow(prev);
    }
  }
}

void smearLeftSse2(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  int y = h - 1;
  for (; y - 3 >= 0; y -= 4) {
    uint32_t* row = frame + (y - 3) * w;
    smearFourRows<-1>(row, row + w, row + 2 * w, row + 3 * w, w - 1, w, A, B);
  }
  for (; y >= 0; --y) {
    uint32_t* row = frame + y * w;
    __m128i prev = widen(row[w - 1]);
    for (int x = w - 2; x >= 0; --x) {
      prev = smearStep(prev, widen(row[x]), A, B);
      row[x] = narrow(prev);
    }
  }
}

// One row fed by its already updated neighbour row.
void smearRowFrom(const uint32_t* nb, uint32_t* row, int w, __m128i A, __m128i B) {
  const __m128i z = _mm_setzero_si128();
  int x = 0;
  for (; x + 4 <= w; x += 4) {
    __m128i n = load(nb + x), p = load(row + x);
    __m128i lo = smearStep(_mm_unpacklo_epi8(n, z), _mm_unpacklo_epi8(p, z), A, B);
    __m128i hi = smearStep(_mm_unpackhi_epi8(n, z), _mm_unpackhi_epi8(p, z), A, B);
    store(row + x, _mm_packus_epi16(lo, hi));
  }
  for (; x < w; ++x) row[x] = narrow(smearStep(widen(nb[x]), widen(row[x]), A, B));
}

void smearDownSse2(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = 1; y < h; ++y) smearRowFrom(frame + (y - 1) * w, frame + y * w, w, A, B);
}

void smearUpSse2(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = h - 2; y >= 0; --y) smearRowFrom(frame + (y + 1) * w, frame + y * w, w, A, B);
}

// The smeared rows go through a row of their own, so that the layer is cleared as
// each row is added.
void smearDownAddAndClearSse2(int a, int b, uint32_t* layer, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a)), z = _mm_setzero_si128();
  alignas(16) uint32_t above[kFrameWidth];
  for (int y = 0; y < kFrameHeight; ++y) {
    uint32_t* row = layer + y * kFrameWidth;
    uint32_t* out = frame + y * kFrameWidth;
    for (int x = 0; x < kFrameWidth; x += 4) {
      __m128i p = load(row + x);
      if (y > 0) {
        const __m128i n = load(above + x);
        const __m128i lo = smearStep(_mm_unpacklo_epi8(n, z), _mm_unpacklo_epi8(p, z), A, B);
        const __m128i hi = smearStep(_mm_unpackhi_epi8(n, z), _mm_unpackhi_epi8(p, z), A, B);
        p = _mm_packus_epi16(lo, hi);
      }
      store(above + x, p);
      store(row + x, z);
      store(out + x, _mm_adds_epu8(p, load(out + x)));
    }
  }
}
}  // namespace

// The same smears in AVX2, eight pixels to a register. The four bytes of a pixel are
// taken as two pairs of 16-bit lanes, bytes 0 and 2 (masked) and bytes 1 and 3 (shifted
// down), so that nothing is widened or packed: the low pair's results are shifted down
// into place, the high pair's are masked in place.
GVS_AVX2_REGION_BEGIN
namespace {
struct SmearWeights {
  __m256i a, b, lowBytes, highBytes;
};
inline SmearWeights smearWeights(int a, int b) {
  return {_mm256_set1_epi16(short(a + b)), _mm256_set1_epi16(short(256 - a)), _mm256_set1_epi16(0x00FF),
          _mm256_set1_epi16(short(0xFF00))};
}
inline __m256i load8(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store8(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Eight pixels fed by their eight neighbours.
inline __m256i smear8(__m256i nb, __m256i p, const SmearWeights& w) {
  const __m256i low = _mm256_adds_epu16(_mm256_mullo_epi16(_mm256_and_si256(nb, w.lowBytes), w.a),
                                        _mm256_mullo_epi16(_mm256_and_si256(p, w.lowBytes), w.b));
  const __m256i high = _mm256_adds_epu16(_mm256_mullo_epi16(_mm256_srli_epi16(nb, 8), w.a),
                                         _mm256_mullo_epi16(_mm256_srli_epi16(p, 8), w.b));
  return _mm256_or_si256(_mm256_srli_epi16(low, 8), _mm256_and_si256(high, w.highBytes));
}

void smearRowFromAvx2(const uint32_t* nb, uint32_t* row, int w, const SmearWeights& wt, __m128i A, __m128i B) {
  int x = 0;
  for (; x + 8 <= w; x += 8) store8(row + x, smear8(load8(nb + x), load8(row + x), wt));
  for (; x < w; ++x) row[x] = narrow(smearStep(widen(nb[x]), widen(row[x]), A, B));
}

void smearDownAvx2(int a, int b, int w, int h, uint32_t* frame) {
  const SmearWeights wt = smearWeights(a, b);
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = 1; y < h; ++y) smearRowFromAvx2(frame + (y - 1) * w, frame + y * w, w, wt, A, B);
}

void smearUpAvx2(int a, int b, int w, int h, uint32_t* frame) {
  const SmearWeights wt = smearWeights(a, b);
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = h - 2; y >= 0; --y) smearRowFromAvx2(frame + (y + 1) * w, frame + y * w, w, wt, A, B);
}

void smearDownAddAndClearAvx2(int a, int b, uint32_t* layer, uint32_t* frame) {
  const SmearWeights wt = smearWeights(a, b);
  const __m256i zero = _mm256_setzero_si256();
  alignas(32) uint32_t above[kFrameWidth];
  for (int y = 0; y < kFrameHeight; ++y) {
    uint32_t* row = layer + y * kFrameWidth;
    uint32_t* out = frame + y * kFrameWidth;
    for (int x = 0; x < kFrameWidth; x += 8) {
      __m256i p = load8(row + x);
      if (y > 0) p = smear8(load8(above + x), p, wt);
      store8(above + x, p);
      store8(row + x, zero);
      store8(out + x, _mm256_adds_epu8(p, load8(out + x)));
    }
  }
  _mm256_zeroupper();
}

// Four pixels of two rows, one row in either half.
inline __m256i loadRows(const uint32_t* low, const uint32_t* high) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(high), reinterpret_cast<const __m128i*>(low));
}
inline void storeRows(uint32_t* low, uint32_t* high, __m256i v) {
  _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(high), reinterpret_cast<__m128i*>(low), v);
}

// Eight rows side by side, one per lane: blocks of eight columns are turned so that each
// register holds one column, stepped in order, and turned back. The running neighbour is
// kept as its two pairs of 16-bit lanes, so the chain from pixel to pixel is one multiply,
// one add and one shift. Dir is +1 (rightwards) or -1 (leftwards).
//
// One column of a band fed by the running neighbour, kept as its two pairs of 16-bit lanes.
inline __m256i smearColumn(__m256i& low, __m256i& high, __m256i col, const SmearWeights& wt) {
  const __m256i lowSum = _mm256_adds_epu16(_mm256_mullo_epi16(low, wt.a),
                                           _mm256_mullo_epi16(_mm256_and_si256(col, wt.lowBytes), wt.b));
  const __m256i highSum = _mm256_adds_epu16(_mm256_mullo_epi16(high, wt.a),
                                            _mm256_mullo_epi16(_mm256_srli_epi16(col, 8), wt.b));
  low = _mm256_srli_epi16(lowSum, 8);
  high = _mm256_srli_epi16(highSum, 8);
  return _mm256_or_si256(low, _mm256_and_si256(highSum, wt.highBytes));
}

// A block of eight rows' eight columns from column x0, turned so that each register
// holds one column, rows 0-7 in lane order: rows r and r + 4 share a register before
// the turn within the halves.
__attribute__((always_inline)) inline void loadColumns(const uint32_t* rows, int w, int x0, __m256i c[8]) {
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r) {
    c[r] = loadRows(rows + r * w + x0, rows + (r + 4) * w + x0);
    c[r + 4] = loadRows(rows + r * w + x0 + 4, rows + (r + 4) * w + x0 + 4);
  }
  transpose4(c[0], c[1], c[2], c[3]);
  transpose4(c[4], c[5], c[6], c[7]);
}

// The block's columns turned back into its rows (turned in registers of its own, so
// that a buffer of columns is only read).
__attribute__((always_inline)) inline void storeColumns(uint32_t* rows, int w, int x0, const __m256i* columns) {
  __m256i c[8];
#pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) c[i] = columns[i];
  transpose4(c[0], c[1], c[2], c[3]);
  transpose4(c[4], c[5], c[6], c[7]);
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r) {
    storeRows(rows + r * w + x0, rows + (r + 4) * w + x0, c[r]);
    storeRows(rows + r * w + x0 + 4, rows + (r + 4) * w + x0 + 4, c[r + 4]);
  }
}

// Bands of eight rows go kBands at a time (one or two), block by block, so that their
// chains, each bound by its own latency, overlap.
template <int Dir, int kBands>
void smearEightRows(uint32_t* firstRows, int w, const SmearWeights& wt, __m128i A, __m128i B) {
  const int first = Dir > 0 ? 0 : w - 1;
  __m256i lows[kBands], highs[kBands];
  for (int band = 0; band < kBands; ++band) {
    const uint32_t* rows = firstRows + band * 8 * w;
    const __m256i start =
        _mm256_setr_epi32(int(rows[first]), int(rows[w + first]), int(rows[2 * w + first]), int(rows[3 * w + first]),
                          int(rows[4 * w + first]), int(rows[5 * w + first]), int(rows[6 * w + first]),
                          int(rows[7 * w + first]));
    lows[band] = _mm256_and_si256(start, wt.lowBytes);
    highs[band] = _mm256_srli_epi16(start, 8);
  }
  // One block of eight columns from column x0 of a band; in the order of the pass, its
  // first `done` columns are already smeared and only feed the chain.
  auto block = [&](int band, int x0, int done) __attribute__((always_inline)) {
    uint32_t* rows = firstRows + band * 8 * w;
    __m256i& low = lows[band];
    __m256i& high = highs[band];
    __m256i c[8];
    loadColumns(rows, w, x0, c);
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
      __m256i& col = c[Dir > 0 ? i : 7 - i];
      if (i < done) {
        low = _mm256_and_si256(col, wt.lowBytes);
        high = _mm256_srli_epi16(col, 8);
        continue;
      }
      col = smearColumn(low, high, col, wt);
    }
    storeColumns(rows, w, x0, c);
  };
  int done = 1;  // columns in the order of the pass; the first is kept as it is
  for (; done + 8 <= w; done += 8)
    for (int band = 0; band < kBands; ++band) block(band, Dir > 0 ? done : w - done - 8, 0);
  if (done < w) {
    if (w >= 8) {
      // The last columns as the end of a block that overlaps columns already smeared.
      for (int band = 0; band < kBands; ++band) block(band, Dir > 0 ? w - 8 : 0, 8 - (w - done));
    } else {
      for (int r = 0; r < 8 * kBands; ++r) {
        uint32_t* row = firstRows + r * w;
        for (int k = done; k < w; ++k) {
          const int x = Dir > 0 ? k : w - 1 - k;
          row[x] = narrow(smearStep(widen(row[x - Dir]), widen(row[x]), A, B));
        }
      }
    }
  }
}

void smearRightAvx2(int a, int b, int w, int h, uint32_t* frame) {
  const SmearWeights wt = smearWeights(a, b);
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  int y = 0;
  for (; y + 16 <= h; y += 16) smearEightRows<+1, 2>(frame + y * w, w, wt, A, B);
  if (y + 8 <= h) smearEightRows<+1, 1>(frame + y * w, w, wt, A, B), y += 8;
  _mm256_zeroupper();
  if (y < h) smearRightSse2(a, b, w, h - y, frame + y * w);
}

// A left smear and then a right one, for rows whose width is whole blocks of eight up
// to a frame's: each band's blocks are turned once into a buffer of columns, both
// chains run over the buffer (two bands side by side), and the blocks are turned back.
template <int kBands>
void smearBandsLeftRight(uint32_t* firstRows, int w, const SmearWeights& wt) {
  alignas(32) __m256i column[kBands][kFrameWidth];
  for (int band = 0; band < kBands; ++band) {
    const uint32_t* rows = firstRows + band * 8 * w;
    for (int x0 = 0; x0 < w; x0 += 8) loadColumns(rows, w, x0, column[band] + x0);
  }
  // The chains run in registers of their own: one per band, or two side by side.
  __m256i* first = column[0];
  __m256i* second = column[kBands - 1];
  auto chain = [&](int from, int to, int dir) __attribute__((always_inline)) {
    __m256i lowA = _mm256_and_si256(first[from], wt.lowBytes), highA = _mm256_srli_epi16(first[from], 8);
    __m256i lowB = _mm256_and_si256(second[from], wt.lowBytes), highB = _mm256_srli_epi16(second[from], 8);
    for (int x = from + dir; x != to; x += dir) {
      first[x] = smearColumn(lowA, highA, first[x], wt);
      if (kBands == 2) second[x] = smearColumn(lowB, highB, second[x], wt);
    }
  };
  chain(w - 1, -1, -1);
  chain(0, w, +1);
  for (int band = 0; band < kBands; ++band) {
    uint32_t* rows = firstRows + band * 8 * w;
    for (int x0 = 0; x0 < w; x0 += 8) storeColumns(rows, w, x0, column[band] + x0);
  }
}

void smearLeftAvx2(int a, int b, int w, int h, uint32_t* frame);
void smearRightAvx2(int a, int b, int w, int h, uint32_t* frame);

void smearLeftRightAvx2(int a, int b, int w, int h, uint32_t* frame) {
  if (w % 8 != 0 || w < 8 || w > kFrameWidth) {
    smearLeftAvx2(a, b, w, h, frame);
    smearRightAvx2(a, b, w, h, frame);
    return;
  }
  const SmearWeights wt = smearWeights(a, b);
  int y = 0;
  for (; y + 16 <= h; y += 16) smearBandsLeftRight<2>(frame + y * w, w, wt);
  if (y + 8 <= h) smearBandsLeftRight<1>(frame + y * w, w, wt), y += 8;
  _mm256_zeroupper();
  if (y < h) {
    smearLeftSse2(a, b, w, h - y, frame + y * w);
    smearRightSse2(a, b, w, h - y, frame + y * w);
  }
}

void smearLeftAvx2(int a, int b, int w, int h, uint32_t* frame) {
  const SmearWeights wt = smearWeights(a, b);
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  int y = 0;
  for (; y + 16 <= h; y += 16) smearEightRows<-1, 2>(frame + y * w, w, wt, A, B);
  if (y + 8 <= h) smearEightRows<-1, 1>(frame + y * w, w, wt, A, B), y += 8;
  _mm256_zeroupper();
  if (y < h) smearLeftSse2(a, b, w, h - y, frame + y * w);
}
}  // namespace
GVS_AVX2_REGION_END

namespace {
bool& avx2Chosen() {
  static bool chosen = processorHasAvx2();
  return chosen;
}
}  // namespace

bool processorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
void setVectorPath(VectorPath path) { avx2Chosen() = path == VectorPath::Avx2 && processorHasAvx2(); }
VectorPath vectorPath() { return avx2Chosen() ? VectorPath::Avx2 : VectorPath::Sse2; }

void smearRight(int a, int b, int w, int h, uint32_t* frame) {
  (avx2Chosen() ? smearRightAvx2 : smearRightSse2)(a, b, w, h, frame);
}
void smearLeft(int a, int b, int w, int h, uint32_t* frame) {
  (avx2Chosen() ? smearLeftAvx2 : smearLeftSse2)(a, b, w, h, frame);
}
void smearDown(int a, int b, int w, int h, uint32_t* frame) {
  (avx2Chosen() ? smearDownAvx2 : smearDownSse2)(a, b, w, h, frame);
}
void smearUp(int a, int b, int w, int h, uint32_t* frame) {
  (avx2Chosen() ? smearUpAvx2 : smearUpSse2)(a, b, w, h, frame);
}
void smearLeftRight(int a, int b, int w, int h, uint32_t* frame) {
  if (avx2Chosen()) return smearLeftRightAvx2(a, b, w, h, frame);
  smearLeftSse2(a, b, w, h, frame);
  smearRightSse2(a, b, w, h, frame);
}
void smearDownAddAndClear(int a, int b, uint32_t* layer, uint32_t* frame) {
  (avx2Chosen() ? smearDownAddAndClearAvx2 : smearDownAddAndClearSse2)(a, b, layer, frame);
}
