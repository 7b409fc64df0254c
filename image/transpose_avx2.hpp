// Turning 4 x 4 blocks of 32-bit pixels in AVX2 registers, shared by the vector smears
// and the radial blur, which both walk columns as rows.
#pragma once
#include <immintrin.h>

#include "base/avx2_region.hpp"

GVS_AVX2_REGION_BEGIN
// Four registers, each holding a 4 x 4 block in either half, turned within the halves.
inline void transpose4(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
  const __m256i t0 = _mm256_unpacklo_epi32(a, b), t1 = _mm256_unpackhi_epi32(a, b);
  const __m256i t2 = _mm256_unpacklo_epi32(c, d), t3 = _mm256_unpackhi_epi32(c, d);
  a = _mm256_unpacklo_epi64(t0, t2);
  b = _mm256_unpackhi_epi64(t0, t2);
  c = _mm256_unpacklo_epi64(t1, t3);
  d = _mm256_unpackhi_epi64(t1, t3);
}
GVS_AVX2_REGION_END
