#include "image/crossblur.hpp"

#include <emmintrin.h>

#include "image/pixelops.hpp"

// Per byte, x[p] = (a[p] + x[p-1]) / 4, where a[p] is the sum of the pixel's already
// blurred upper neighbour and its untouched right and lower ones: every pixel depends on
// the one before it, through the whole frame. Nested floors fold, (a + (b + x) / 4) / 4
// = (4a + b + x) / 16, so the four pixels of a group all follow from the pixel before the
// group: x[j] = (T[j] + x[-1]) >> 2(j + 1) with T[j] = sum over i <= j of 4^i a[i], which
// stays below 65536 up to j = 3 and so fits the 16-bit lanes of SSE2. Only the last
// pixel of each group chains to the next group.
void crossBlur(uint32_t* frame) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i byOneFour = _mm_set_epi16(4, 4, 4, 4, 1, 1, 1, 1);
  const __m128i bySixteenSixtyFour = _mm_set_epi16(64, 64, 64, 64, 16, 16, 16, 16);
  // mulhi by 2^(16 - s) is a shift right by s: 2 and 4 for the first pair, 6 and 8 for the second.
  const __m128i shiftLow = _mm_set_epi16(1 << 12, 1 << 12, 1 << 12, 1 << 12, 1 << 14, 1 << 14, 1 << 14, 1 << 14);
  const __m128i shiftHigh = _mm_set_epi16(1 << 8, 1 << 8, 1 << 8, 1 << 8, 1 << 10, 1 << 10, 1 << 10, 1 << 10);
  // The pixel before the group, spread to 16-bit lanes in both halves.
  __m128i before = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(frame[kFrameWidth - 1])), zero);
  before = _mm_unpacklo_epi64(before, before);
  for (int y = 1; y < kFrameHeight; ++y) {
    const bool lastRow = y == kFrameHeight - 1;
    uint32_t* row = frame + y * kFrameWidth;
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
      const __m128i t01 = _mm_add_epi16(_mm_mullo_epi16(a01, byOneFour), _mm_slli_si128(a01, 8));
      const __m128i m23 = _mm_mullo_epi16(a23, bySixteenSixtyFour);
      const __m128i t23 = _mm_add_epi16(_mm_add_epi16(m23, _mm_slli_si128(m23, 8)), _mm_unpackhi_epi64(t01, t01));
      const __m128i x01 = _mm_mulhi_epu16(_mm_add_epi16(t01, before), shiftLow);
      const __m128i x23 = _mm_mulhi_epu16(_mm_add_epi16(t23, before), shiftHigh);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_packus_epi16(x01, x23));
      before = _mm_srli_epi16(_mm_add_epi16(_mm_unpackhi_epi64(t23, t23), before), 8);
    }
  }
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
