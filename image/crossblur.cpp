#include "image/crossblur.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include "base/avx2_region.hpp"
#include "image/pixelops.hpp"

namespace {
const __m128i kByOneFour = _mm_set_epi16(4, 4, 4, 4, 1, 1, 1, 1);
const __m128i kBySixteenSixtyFour = _mm_set_epi16(64, 64, 64, 64, 16, 16, 16, 16);
// mulhi by 2^(16 - s) is a shift right by s: 2 and 4 for the first pair, 6 and 8 for the second.
const __m128i kShiftLow = _mm_set_epi16(1 << 12, 1 << 12, 1 << 12, 1 << 12, 1 << 14, 1 << 14, 1 << 14, 1 << 14);
const __m128i kShiftHigh = _mm_set_epi16(1 << 8, 1 << 8, 1 << 8, 1 << 8, 1 << 10, 1 << 10, 1 << 10, 1 << 10);

// One row; before is the pixel before the row's first group, spread to 16-bit lanes in
// both halves, and the row's last pixel on return.
__m128i blurRow(uint32_t* row, bool lastRow, __m128i before) {
  const __m128i zero = _mm_setzero_si128();
  for (int x = 0; x < kFrameWidth; x += 4) {
    uint32_t* at = row + x;
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - kFrameWidth));
    __m128i right, down;
    if (!lastRow) {
      right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
      down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + kFrameWidth));
    } else {
      // Below the last row is black, and so is the right neighbour of the last pixel.
      right = x + 4 < kFrameWidth ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1))
                                  : _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), 4);
      down = zero;
    }
    const __m128i a01 = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(up, zero), _mm_unpacklo_epi8(right, zero)),
                                      _mm_unpacklo_epi8(down, zero));
    const __m128i a23 = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(up, zero), _mm_unpackhi_epi8(right, zero)),
                                      _mm_unpackhi_epi8(down, zero));
    // t01 = [a0 | a0 + 4a1], t23 = [T1 + 16a2 | T1 + 16a2 + 64a3].
    const __m128i t01 = _mm_add_epi16(_mm_mullo_epi16(a01, kByOneFour), _mm_slli_si128(a01, 8));
    const __m128i m23 = _mm_mullo_epi16(a23, kBySixteenSixtyFour);
    const __m128i t23 = _mm_add_epi16(_mm_add_epi16(m23, _mm_slli_si128(m23, 8)), _mm_unpackhi_epi64(t01, t01));
    const __m128i x01 = _mm_mulhi_epu16(_mm_add_epi16(t01, before), kShiftLow);
    const __m128i x23 = _mm_mulhi_epu16(_mm_add_epi16(t23, before), kShiftHigh);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_packus_epi16(x01, x23));
    before = _mm_srli_epi16(_mm_add_epi16(_mm_unpackhi_epi64(t23, t23), before), 8);
  }
  return before;
}
}  // namespace

// The same in AVX2 for the rows above the last: two groups side by side in the two
// halves of each register, the second group's pixel before it taken from the first's.
GVS_AVX2_REGION_BEGIN
namespace {
__m128i blurRowsAvx2(uint32_t* frame, int firstRow, int endRow, __m128i before) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i byOneFour = _mm256_broadcastsi128_si256(kByOneFour);
  const __m256i bySixteenSixtyFour = _mm256_broadcastsi128_si256(kBySixteenSixtyFour);
  const __m256i shiftLow = _mm256_broadcastsi128_si256(kShiftLow), shiftHigh = _mm256_broadcastsi128_si256(kShiftHigh);
  for (int y = firstRow; y < endRow; ++y)
    for (uint32_t *at = frame + y * kFrameWidth, *end = at + kFrameWidth; at < end; at += 8) {
      const __m256i up = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - kFrameWidth));
      const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
      const __m256i down = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + kFrameWidth));
      const __m256i a01 = _mm256_add_epi16(
          _mm256_add_epi16(_mm256_unpacklo_epi8(up, zero), _mm256_unpacklo_epi8(right, zero)),
          _mm256_unpacklo_epi8(down, zero));
      const __m256i a23 = _mm256_add_epi16(
          _mm256_add_epi16(_mm256_unpackhi_epi8(up, zero), _mm256_unpackhi_epi8(right, zero)),
          _mm256_unpackhi_epi8(down, zero));
      const __m256i t01 = _mm256_add_epi16(_mm256_mullo_epi16(a01, byOneFour), _mm256_slli_si256(a01, 8));
      const __m256i m23 = _mm256_mullo_epi16(a23, bySixteenSixtyFour);
      const __m256i t23 =
          _mm256_add_epi16(_mm256_add_epi16(m23, _mm256_slli_si256(m23, 8)), _mm256_unpackhi_epi64(t01, t01));
      const __m256i last = _mm256_unpackhi_epi64(t23, t23);
      const __m128i second = _mm_srli_epi16(_mm_add_epi16(_mm256_castsi256_si128(last), before), 8);
      const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(before), second, 1);
      const __m256i x01 = _mm256_mulhi_epu16(_mm256_add_epi16(t01, both), shiftLow);
      const __m256i x23 = _mm256_mulhi_epu16(_mm256_add_epi16(t23, both), shiftHigh);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_packus_epi16(x01, x23));
      before = _mm_srli_epi16(_mm_add_epi16(_mm256_extracti128_si256(last, 1), second), 8);
    }
  _mm256_zeroupper();
  return before;
}
}  // namespace
GVS_AVX2_REGION_END

// Per byte, x[p] = (a[p] + x[p-1]) / 4, where a[p] is the sum of the pixel's already
// blurred upper neighbour and its untouched right and lower ones: every pixel depends on
// the one before it, through the whole frame. Nested floors fold, (a + (b + x) / 4) / 4
// = (4a + b + x) / 16, so the four pixels of a group all follow from the pixel before the
// group: x[j] = (T[j] + x[-1]) >> 2(j + 1) with T[j] = sum over i <= j of 4^i a[i], which
// stays below 65536 up to j = 3 and so fits the 16-bit lanes of SSE2. Only the last
// pixel of each group chains to the next group.
void crossBlur(uint32_t* frame) {
  __m128i before = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(frame[kFrameWidth - 1])), _mm_setzero_si128());
  before = _mm_unpacklo_epi64(before, before);
  int y = 1;
  if (vectorPath() == VectorPath::Avx2) {
    before = blurRowsAvx2(frame, 1, kFrameHeight - 1, before);
    y = kFrameHeight - 1;
  }
  for (; y < kFrameHeight; ++y) before = blurRow(frame + y * kFrameWidth, y == kFrameHeight - 1, before);
}

namespace ref {
void crossBlur(uint32_t* frame) {
  auto at = [&](int p) -> uint32_t { return p < kFramePixels ? frame[p] : 0; };
  for (int p = kFrameWidth; p < kFramePixels; ++p) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t sum = ((at(p - kFrameWidth) >> shift) & 255) + ((at(p - 1) >> shift) & 255) +
                           ((at(p + 1) >> shift) & 255) + ((at(p + kFrameWidth) >> shift) & 255);
      out |= (sum / 4) << shift;
    }
    frame[p] = out;
  }
}
}  // namespace ref
