// The block fill of warp grids, fast and plain.
#include "scenes/common/warp_fill.hpp"

#include <emmintrin.h>

#include "image/pixelops.hpp"

namespace {
constexpr int kBlocksX = 40, kBlocksY = 25;

// Arithmetic shift right by 3 of a 16-bit lane, the difference taken with wrap-around.
inline uint16_t sar3(int lane) { return uint16_t(int16_t(uint16_t(lane)) >> 3); }

// Walks the 40 x 25 blocks; for every row of 8 pixels of a block, plotRow(out, U, V, L)
// gets the eight pixels' lanes side by side (value c of the row is start + c * stepX,
// the same as stepping c times with wrap-around).
template <typename PlotRow>
inline void walkBlocks(const WarpNode* grid, uint32_t* dst, PlotRow plotRow) {
  const __m128i iota = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  for (int bj = 0; bj < kBlocksY; ++bj)
    for (int bi = 0; bi < kBlocksX; ++bi) {
      const WarpNode* p = grid + bj * kGridColumns + bi;
      const WarpNode &P = p[0], &Q = p[1], &R = p[kGridColumns], &S = p[kGridColumns + 1];
      uint16_t sxU = sar3(Q.u - P.u), sxV = sar3(Q.v - P.v), sxL = sar3(Q.light - P.light);
      const uint16_t dU = sar3(uint16_t(sar3(S.u - R.u) - sxU)), dV = sar3(uint16_t(sar3(S.v - R.v) - sxV)),
                     dL = sar3(uint16_t(sar3(S.light - R.light) - sxL));
      const uint16_t syU = sar3(R.u - P.u), syV = sar3(R.v - P.v), syL = sar3(R.light - P.light);
      uint16_t rowU = P.u, rowV = P.v, rowL = P.light;
      uint32_t* out = dst + bj * 8 * kFrameWidth + bi * 8;
      for (int r = 0; r < 8; ++r, out += kFrameWidth) {
        const __m128i U = _mm_add_epi16(_mm_set1_epi16(short(rowU)), _mm_mullo_epi16(iota, _mm_set1_epi16(short(sxU))));
        const __m128i V = _mm_add_epi16(_mm_set1_epi16(short(rowV)), _mm_mullo_epi16(iota, _mm_set1_epi16(short(sxV))));
        const __m128i L = _mm_add_epi16(_mm_set1_epi16(short(rowL)), _mm_mullo_epi16(iota, _mm_set1_epi16(short(sxL))));
        plotRow(out, U, V, L);
        sxU = uint16_t(sxU + dU);
        sxV = uint16_t(sxV + dV);
        sxL = uint16_t(sxL + dL);
        rowU = uint16_t(rowU + syU);
        rowV = uint16_t(rowV + syV);
        rowL = uint16_t(rowL + syL);
      }
    }
}

}  // namespace

void drawWarpGrid(const WarpNode* grid, const uint32_t* picture, uint32_t* dst) {
  walkBlocks(grid, dst, [picture](uint32_t* out, __m128i U, __m128i V, __m128i L) {
    alignas(16) uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_or_si128(_mm_and_si128(V, _mm_set1_epi16(short(0xFF00))), _mm_srli_epi16(U, 8)));
    const __m128i z = _mm_setzero_si128(), light = _mm_srli_epi16(L, 8);
    // Each pixel's light spread over its four byte lanes: pixels 0-1, 2-3, 4-5, 6-7.
    const __m128i l03 = _mm_unpacklo_epi16(light, light), l47 = _mm_unpackhi_epi16(light, light);
    const __m128i m01 = _mm_unpacklo_epi32(l03, l03), m23 = _mm_unpackhi_epi32(l03, l03);
    const __m128i m45 = _mm_unpacklo_epi32(l47, l47), m67 = _mm_unpackhi_epi32(l47, l47);
    const __m128i t03 = _mm_setr_epi32(int(picture[index[0]]), int(picture[index[1]]), int(picture[index[2]]),
                                       int(picture[index[3]]));
    const __m128i t47 = _mm_setr_epi32(int(picture[index[4]]), int(picture[index[5]]), int(picture[index[6]]),
                                       int(picture[index[7]]));
    auto scale = [](__m128i texels, __m128i m) { return _mm_srli_epi16(_mm_mullo_epi16(texels, m), 8); };
    const __m128i lo = _mm_packus_epi16(scale(_mm_unpacklo_epi8(t03, z), m01), scale(_mm_unpackhi_epi8(t03, z), m23));
    const __m128i hi = _mm_packus_epi16(scale(_mm_unpacklo_epi8(t47, z), m45), scale(_mm_unpackhi_epi8(t47, z), m67));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), hi);
  });
}

void prepareSmoothTexture(const uint32_t* texture, uint64_t* prepared) {
  for (int r = 0; r < 257; ++r)
    for (int c = 0; c < 256; ++c) {
      const uint32_t left = texture[(r & 255) * 256 + c], right = texture[(r & 255) * 256 + ((c + 1) & 255)];
      uint64_t e = 0;
      for (int b = 0; b < 4; ++b)
        e |= uint64_t((left >> (8 * b)) & 0xFF) << (16 * b) | uint64_t((right >> (8 * b)) & 0xFF) << (16 * b + 8);
      prepared[r * 256 + c] = e;
    }
}

namespace {
// One bilinear pixel: `top` and `bottom` hold the interleaved texel pairs of its two rows,
// the weights (w00, w10) and (w01, w11) and the light sit in 32-bit element P of their vectors.
template <int P>
inline __m128i smoothPixel(const uint64_t* t, __m128i wTop, __m128i wBottom, __m128i light) {
  const __m128i z = _mm_setzero_si128();
  constexpr int pick = P * 0x55;
  const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t)), z);
  const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t + 256)), z);
  __m128i s = _mm_add_epi32(_mm_madd_epi16(top, _mm_shuffle_epi32(wTop, pick)),
                            _mm_madd_epi16(bottom, _mm_shuffle_epi32(wBottom, pick)));
  s = _mm_srli_epi32(s, 8);
  return _mm_srli_epi32(_mm_mullo_epi16(s, _mm_shuffle_epi32(light, pick)), 8);
}
}  // namespace

void drawSmoothWarpGrid(const WarpNode* grid, const uint64_t* prepared, uint32_t* dst) {
  walkBlocks(grid, dst, [prepared](uint32_t* out, __m128i U, __m128i V, __m128i L) {
    const __m128i low = _mm_set1_epi16(0xFF), c255 = _mm_set1_epi16(255), z = _mm_setzero_si128();
    const __m128i fx = _mm_and_si128(U, low), fy = _mm_and_si128(V, low);
    const __m128i w11 = _mm_srli_epi16(_mm_mullo_epi16(fx, fy), 8);
    const __m128i w00 = _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(c255, fx), _mm_sub_epi16(c255, fy)), 8);
    const __m128i w10 = _mm_sub_epi16(fx, w11), w01 = _mm_sub_epi16(fy, w11);
    // The four weights sum to at most 256, so every channel's sum stays below 65536.
    const __m128i top03 = _mm_unpacklo_epi16(w00, w10), top47 = _mm_unpackhi_epi16(w00, w10);
    const __m128i bot03 = _mm_unpacklo_epi16(w01, w11), bot47 = _mm_unpackhi_epi16(w01, w11);
    const __m128i light = _mm_srli_epi16(L, 8);
    const __m128i l03 = _mm_unpacklo_epi16(light, z), l47 = _mm_unpackhi_epi16(light, z);
    alignas(16) uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_or_si128(_mm_and_si128(V, _mm_set1_epi16(short(0xFF00))), _mm_srli_epi16(U, 8)));
    const uint64_t* t = prepared;
    const __m128i p01 = _mm_packs_epi32(smoothPixel<0>(t + index[0], top03, bot03, l03),
                                        smoothPixel<1>(t + index[1], top03, bot03, l03));
    const __m128i p23 = _mm_packs_epi32(smoothPixel<2>(t + index[2], top03, bot03, l03),
                                        smoothPixel<3>(t + index[3], top03, bot03, l03));
    const __m128i p45 = _mm_packs_epi32(smoothPixel<0>(t + index[4], top47, bot47, l47),
                                        smoothPixel<1>(t + index[5], top47, bot47, l47));
    const __m128i p67 = _mm_packs_epi32(smoothPixel<2>(t + index[6], top47, bot47, l47),
                                        smoothPixel<3>(t + index[7], top47, bot47, l47));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(p01, p23));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_packus_epi16(p45, p67));
  });
}

namespace ref {
uint32_t plotPlain(const uint32_t* picture, int u, int v, int light) {
  uint32_t texel = picture[(v >> 8) * 256 + (u >> 8)];
  uint32_t out = 0;
  for (int b = 0; b < 32; b += 8) out |= ((((texel >> b) & 0xFFu) * uint32_t(light >> 8)) >> 8) << b;
  return out;
}

uint32_t plotSmooth(const uint32_t* texture, int u, int v, int light) {
  int col = u >> 8, row = v >> 8, fx = u & 0xFF, fy = v & 0xFF;
  int w11 = (fx * fy) >> 8, w10 = fx - w11, w01 = fy - w11, w00 = ((255 - fx) * (255 - fy)) >> 8;
  uint32_t c00 = texture[row * 256 + col], c10 = texture[row * 256 + (col + 1) % 256];
  uint32_t c01 = texture[((row + 1) % 256) * 256 + col], c11 = texture[((row + 1) % 256) * 256 + (col + 1) % 256];
  uint32_t out = 0;
  for (int b = 0; b < 32; b += 8) {
    int s = (int((c00 >> b) & 0xFF) * w00 + int((c10 >> b) & 0xFF) * w10 + int((c01 >> b) & 0xFF) * w01 +
             int((c11 >> b) & 0xFF) * w11) >> 8;
    out |= uint32_t((s * (light >> 8)) >> 8) << b;
  }
  return out;
}

namespace {
// Lane arithmetic spelled out: wrap-around to 16 bits, arithmetic shift of the signed lane.
int wrap(int x) { return ((x % 65536) + 65536) % 65536; }
int shr3(int lane) {
  int s = lane >= 32768 ? lane - 65536 : lane;
  int q = s >= 0 ? s / 8 : -((-s + 7) / 8);  // floor division, as an arithmetic shift does
  return wrap(q);
}

template <typename Plot>
void walk(const WarpNode* grid, uint32_t* dst, Plot plot) {
  for (int bj = 0; bj < kBlocksY; ++bj)
    for (int bi = 0; bi < kBlocksX; ++bi) {
      auto lanes = [&](int x, int y, int* out) {
        const WarpNode& n = grid[y * kGridColumns + x];
        out[0] = n.u;
        out[1] = n.v;
        out[2] = n.light;
        out[3] = n.spare;
      };
      int P[4], Q[4], R[4], S[4], stepX[4], delta[4], stepY[4], rowStart[4];
      lanes(bi, bj, P);
      lanes(bi + 1, bj, Q);
      lanes(bi, bj + 1, R);
      lanes(bi + 1, bj + 1, S);
      for (int k = 0; k < 4; ++k) {
        stepX[k] = shr3(wrap(Q[k] - P[k]));
        delta[k] = shr3(wrap(shr3(wrap(S[k] - R[k])) - stepX[k]));
        stepY[k] = shr3(wrap(R[k] - P[k]));
        rowStart[k] = P[k];
      }
      for (int r = 0; r < 8; ++r) {
        int value[4] = {rowStart[0], rowStart[1], rowStart[2], rowStart[3]};
        for (int c = 0; c < 8; ++c) {
          dst[(8 * bj + r) * kFrameWidth + 8 * bi + c] = plot(value[0], value[1], value[2]);
          for (int k = 0; k < 4; ++k) value[k] = wrap(value[k] + stepX[k]);
        }
        for (int k = 0; k < 4; ++k) {
          stepX[k] = wrap(stepX[k] + delta[k]);
          rowStart[k] = wrap(rowStart[k] + stepY[k]);
        }
      }
    }
}
}  // namespace

void drawWarpGrid(const WarpNode* grid, const uint32_t* picture, uint32_t* dst) {
  walk(grid, dst, [picture](int u, int v, int l) { return plotPlain(picture, u, v, l); });
}

void drawSmoothWarpGrid(const WarpNode* grid, const uint32_t* texture, uint32_t* dst) {
  walk(grid, dst, [texture](int u, int v, int l) { return plotSmooth(texture, u, v, l); });
}
}  // namespace ref
