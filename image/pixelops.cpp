// Packed SSE2 versions of the pixel operations: four 8-bit channels of a pixel
// are widened to 16-bit lanes, so one register carries two pixels.
#include "image/pixelops.hpp"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "image/blitclip.hpp"

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

// The processor's conversion rounds halves to even under the default rounding mode,
// and gives INT32_MIN (low 16 bits 0) for NaN and out-of-range values instead of
// undefined behaviour.
int roundEven(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

void clearFrame(uint32_t* frame) { std::memset(frame, 0, kFramePixels * 4); }

void copyFrame(const uint32_t* src, uint32_t* dst) { std::memcpy(dst, src, kFramePixels * 4); }

void addFrame(const uint32_t* src, uint32_t* dst) {
  for (int k = 0; k < kFramePixels; k += 4) store(dst + k, _mm_adds_epu8(load(src + k), load(dst + k)));
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

void blitKeyedDarken(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  const __m128i L = _mm_set1_epi16(short(level & 0xFF));
  blitFast(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t) { return darkenRule(s, L); });
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

void smearRight(int a, int b, int w, int h, uint32_t* frame) {
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

void smearLeft(int a, int b, int w, int h, uint32_t* frame) {
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

namespace {
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
}  // namespace

void smearDown(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = 1; y < h; ++y) smearRowFrom(frame + (y - 1) * w, frame + y * w, w, A, B);
}

void smearUp(int a, int b, int w, int h, uint32_t* frame) {
  const __m128i A = _mm_set1_epi16(short(a + b)), B = _mm_set1_epi16(short(256 - a));
  for (int y = h - 2; y >= 0; --y) smearRowFrom(frame + (y + 1) * w, frame + y * w, w, A, B);
}
