// The polygon fillers: the edge walk into two tables, then the rows either one pixel at a
// time (the plain rows) or eight pixels at a time (AVX2, where the processor has it).
#include "engine/rasterizer.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include "base/avx2_region.hpp"
#include "engine/depthtarget.hpp"
#include "engine/polygon_fill.hpp"
#include "image/pixelops.hpp"

namespace {

using namespace polygon_fill;

inline uint32_t floatBits(float f) {
  uint32_t b;
  __builtin_memcpy(&b, &f, 4);
  return b;
}

// The rows eight pixels at a time in AVX2. Each lane runs its row's own chain of additions:
// lane j takes the first j of them at the row's start (the other lanes adding -0, which
// leaves every value, even -0, as it is), then every step of eight pixels takes eight more,
// so that each lane holds exactly the values the plain filler has at its pixel. z runs in
// two registers of four pixels, u*z and v*z (or u and v) in two registers of four pixels
// each, u-values in the low half and v-values in the high one.
GVS_AVX2_REGION_BEGIN

// Lane masks of the first n of eight pixels.
alignas(32) const int32_t kFirstLanes[9][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},       {-1, 0, 0, 0, 0, 0, 0, 0},       {-1, -1, 0, 0, 0, 0, 0, 0},
    {-1, -1, -1, 0, 0, 0, 0, 0},    {-1, -1, -1, -1, 0, 0, 0, 0},    {-1, -1, -1, -1, -1, 0, 0, 0},
    {-1, -1, -1, -1, -1, -1, 0, 0}, {-1, -1, -1, -1, -1, -1, -1, 0}, {-1, -1, -1, -1, -1, -1, -1, -1}};

inline __m256i texelIndex8(__m256i u, __m256i v) {
  return _mm256_or_si256(_mm256_and_si256(v, _mm256_set1_epi32(0xFF00)),
                         _mm256_and_si256(_mm256_srli_epi32(u, 8), _mm256_set1_epi32(0xFF)));
}

// Texel indices of eight pixels: the nearest integers of the double-precision quotients
// u*z / z and v*z / z, of which only bits 8-15 count. They are first taken in single
// precision (z, its reciprocal and the product each rounded once, so within 3 * 2^-24 of
// the quotient relatively, within 0.19 below 2^20); the texel then differs only where the
// quotient may lie on the other side of a texel edge, 256k - 1/2, than the estimate, which
// is only when the estimate is near the edge. Where a drawn pixel has such a value, or
// a larger one, the eight are taken in double precision as the plain filler does.
inline __m256 nearTexelEdge(__m256 q) {
  // Below 2^20, q + 1/2 is rounded by at most 1/16, and its distance to the nearest
  // multiple of 256 is then exact: with the estimate's own 0.19 that distance is within
  // 0.25 of the quotient's, so 0.3 or more leaves the quotient on the estimate's side.
  const __m256 t = _mm256_add_ps(q, _mm256_set1_ps(0.5f));
  const __m256 cells = _mm256_mul_ps(t, _mm256_set1_ps(1.0f / 256.0f));
  const __m256 off = _mm256_sub_ps(cells, _mm256_round_ps(cells, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
  return _mm256_cmp_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), off), _mm256_set1_ps(0.3f / 256.0f), _CMP_LT_OQ);
}

inline __m256i perspectiveIndex(__m256 u, __m256 v, __m256 zf, __m256d z0, __m256d z1, __m256 drawn) {
  const __m256 r = _mm256_div_ps(_mm256_set1_ps(1.0f), zf);
  const __m256 qu = _mm256_mul_ps(u, r), qv = _mm256_mul_ps(v, r);
  const __m256i nu = _mm256_cvtps_epi32(qu), nv = _mm256_cvtps_epi32(qv);
  const __m256 edge = _mm256_or_ps(nearTexelEdge(qu), nearTexelEdge(qv));
  const __m256 sign = _mm256_set1_ps(-0.0f), limit = _mm256_set1_ps(1048576.0f);
  const __m256 large = _mm256_cmp_ps(_mm256_max_ps(_mm256_andnot_ps(sign, qu), _mm256_andnot_ps(sign, qv)), limit,
                                     _CMP_NLT_UQ);  // NaN included
  if (_mm256_testz_ps(_mm256_or_ps(edge, large), drawn)) return texelIndex8(nu, nv);
  auto exact = [&](__m256 c) {
    const __m128i lo = _mm256_cvtpd_epi32(_mm256_div_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(c)), z0));
    const __m128i hi = _mm256_cvtpd_epi32(_mm256_div_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(c, 1)), z1));
    return _mm256_set_m128i(hi, lo);
  };
  return texelIndex8(exact(u), exact(v));
}

struct RowSteps {
  __m256d dz, dzStart[3];
  __m256 duv, duvStart[3];
};

template <bool Perspective>
inline __m256 addPairs(__m256 a, __m256 b) {
  if constexpr (Perspective)
    return _mm256_add_ps(a, b);
  else
    return _mm256_castsi256_ps(_mm256_add_epi32(_mm256_castps_si256(a), _mm256_castps_si256(b)));
}

template <bool Perspective>
RowSteps rowSteps(double dz, uint32_t ds, uint32_t dt) {
  RowSteps r;
  const __m256d d = _mm256_set1_pd(dz), keep = _mm256_set1_pd(-0.0);
  const __m256 e = _mm256_castsi256_ps(_mm256_setr_epi32(int(ds), int(ds), int(ds), int(ds), int(dt), int(dt), int(dt), int(dt)));
  const __m256 keepPair = Perspective ? _mm256_set1_ps(-0.0f) : _mm256_setzero_ps();
  r.dz = d;
  r.duv = e;
  r.dzStart[0] = _mm256_blend_pd(d, keep, 0x1);
  r.dzStart[1] = _mm256_blend_pd(d, keep, 0x3);
  r.dzStart[2] = _mm256_blend_pd(d, keep, 0x7);
  r.duvStart[0] = _mm256_blend_ps(e, keepPair, 0x11);
  r.duvStart[1] = _mm256_blend_ps(e, keepPair, 0x33);
  r.duvStart[2] = _mm256_blend_ps(e, keepPair, 0x77);
  return r;
}

// `count` pixels of one row from its values at the first one.
template <bool Perspective>
void fillRow(double zStart, uint32_t s0, uint32_t t0, const RowSteps& steps, int count, uint32_t* row, float* depthRow,
             const uint32_t* texels) {
  __m256d z0 = _mm256_set1_pd(zStart);
  __m256 uv0 = _mm256_castsi256_ps(_mm256_set_m128i(_mm_set1_epi32(int(t0)), _mm_set1_epi32(int(s0))));
  for (int j = 0; j < 3; ++j) {
    z0 = _mm256_add_pd(z0, steps.dzStart[j]);
    uv0 = addPairs<Perspective>(uv0, steps.duvStart[j]);
  }
  __m256d z1 = z0;
  __m256 uv1 = uv0;
  for (int j = 0; j < 4; ++j) {
    z1 = _mm256_add_pd(z1, steps.dz);
    uv1 = addPairs<Perspective>(uv1, steps.duv);
  }
  // Most rows are short: every access is masked, so that the end of a row costs no branch.
  for (int k = 0;;) {
    const int left = count - k;
    const __m256i inSpan = _mm256_load_si256(reinterpret_cast<const __m256i*>(kFirstLanes[left < 8 ? left : 8]));
    const __m256 d = _mm256_maskload_ps(depthRow + k, inSpan);
    // The depth test runs against z rounded to single precision, which is what gets
    // stored; where the two are equal, z itself decides.
    const __m256 zf = _mm256_set_m128(_mm256_cvtpd_ps(z1), _mm256_cvtpd_ps(z0));
    __m256 drawn = _mm256_and_ps(_mm256_cmp_ps(d, zf, _CMP_LT_OQ), _mm256_castsi256_ps(inSpan));
    const __m256 tie = _mm256_and_ps(_mm256_cmp_ps(d, zf, _CMP_EQ_OQ), _mm256_castsi256_ps(inSpan));
    if (!_mm256_testz_ps(tie, tie)) {
      const __m256d nearer0 = _mm256_cmp_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(d)), z0, _CMP_LT_OQ);
      const __m256d nearer1 = _mm256_cmp_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(d, 1)), z1, _CMP_LT_OQ);
      // All-ones lanes convert to negative NaNs: the sign bit spreads over the lane.
      const __m256 nearer = _mm256_set_m128(_mm256_cvtpd_ps(nearer1), _mm256_cvtpd_ps(nearer0));
      drawn = _mm256_and_ps(_mm256_castsi256_ps(_mm256_srai_epi32(_mm256_castps_si256(nearer), 31)),
                            _mm256_castsi256_ps(inSpan));
    }
    if (!_mm256_testz_ps(drawn, drawn)) {
      const __m256 u = _mm256_permute2f128_ps(uv0, uv1, 0x20), v = _mm256_permute2f128_ps(uv0, uv1, 0x31);
      __m256i index;
      if constexpr (Perspective)
        index = perspectiveIndex(u, v, zf, z0, z1, drawn);
      else
        index = texelIndex8(_mm256_castps_si256(u), _mm256_castps_si256(v));
      // Only the drawn pixels' texels are fetched.
      const __m256i mask = _mm256_castps_si256(drawn);
      const __m256i texel =
          _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int*>(texels), index, mask, 4);
      _mm256_maskstore_epi32(reinterpret_cast<int*>(row + k), mask, texel);
      _mm256_maskstore_ps(depthRow + k, mask, zf);
    }
    k += 8;
    if (k >= count) break;
    z0 = z1;
    uv0 = uv1;
    for (int j = 0; j < 4; ++j) {
      z0 = _mm256_add_pd(z0, steps.dz);
      uv0 = addPairs<Perspective>(uv0, steps.duv);
    }
    z1 = z0;
    uv1 = uv0;
    for (int j = 0; j < 4; ++j) {
      z1 = _mm256_add_pd(z1, steps.dz);
      uv1 = addPairs<Perspective>(uv1, steps.duv);
    }
  }
}

// A row's first pixel on the screen and the values there, as the plain filler steps a
// corner past the left edge to column 0.
inline int rowStart(const PerspectiveEdge& l, const PerspectiveSpan& g, double dz, int x0, double& z, uint32_t& s,
                    uint32_t& t) {
  z = l.z;
  float uz = l.uz, vz = l.vz;
  if (x0 < 0) {
    z += dz * -x0;
    uz += g.duz * float(-x0);
    vz += g.dvz * float(-x0);
    x0 = 0;
  }
  s = floatBits(uz);
  t = floatBits(vz);
  return x0;
}
inline int rowStart(const AffineEdge& l, const AffineSpan& g, double dz, int x0, double& z, uint32_t& s, uint32_t& t) {
  z = l.z;
  s = l.u;
  t = l.v;
  if (x0 < 0) {
    z += dz * -x0;
    s += g.du * uint32_t(-x0);
    t += g.dv * uint32_t(-x0);
    x0 = 0;
  }
  return x0;
}
inline void spanSteps(const PerspectiveSpan& g, uint32_t& ds, uint32_t& dt) {
  ds = floatBits(g.duz);
  dt = floatBits(g.dvz);
}
inline void spanSteps(const AffineSpan& g, uint32_t& ds, uint32_t& dt) {
  ds = g.du;
  dt = g.dv;
}

template <typename Edge, typename Span>
void fillRowsAvx2(const Edge* down, const Edge* up, int minY, int maxY, const Span& g, double dz, uint32_t* target,
                  float* depth, const uint32_t* texels) {
  constexpr bool perspective = __is_same(Edge, PerspectiveEdge);
  uint32_t ds, dt;
  spanSteps(g, ds, dt);
  const RowSteps steps = rowSteps<perspective>(dz, ds, dt);
  for (int y = minY; y <= maxY; ++y) {
    int x0 = down[y].x, x1 = up[y].x;
    if (x1 < x0) continue;
    double z;
    uint32_t s, t;
    x0 = rowStart(down[y], g, dz, x0, z, s, t);
    if (x1 > kScreenWidth - 1) x1 = kScreenWidth - 1;
    if (x1 < x0) continue;
    fillRow<perspective>(z, s, t, steps, x1 - x0 + 1, target + y * kScreenWidth + x0, depth + y * kScreenWidth + x0,
                         texels);
  }
}
GVS_AVX2_REGION_END

template <typename Edge, typename Span>
void drawPolygon(const ProjectedObject* object, uint32_t polygonIndex, uint32_t* target) {
  const Polygon& poly = *object->polygons[polygonIndex];
  float* depth = getDepthTarget();
  Edge down[kScreenHeight];
  Edge up[kScreenHeight];
  int minY, maxY;
  Span g;
  double dz;
  if (!walkPolygon(poly, object->vertices, depth, down, up, minY, maxY, g, dz)) return;
  if (vectorPath() == VectorPath::Avx2)
    fillRowsAvx2(down, up, minY, maxY, g, dz, target, depth, poly.texture->texels);
  else
    fillRowsPlain(down, up, minY, maxY, g, dz, target, depth, poly.texture->texels);
}

}  // namespace

void drawPolygonPerspective(const ProjectedObject* object, uint32_t polygon, uint32_t* target) {
  drawPolygon<PerspectiveEdge, PerspectiveSpan>(object, polygon, target);
}

void drawPolygonAffine(const ProjectedObject* object, uint32_t polygon, uint32_t* target) {
  drawPolygon<AffineEdge, AffineSpan>(object, polygon, target);
}
