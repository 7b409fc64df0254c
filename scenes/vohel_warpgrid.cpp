#include "scenes/vohel_warpgrid.hpp"

#include <emmintrin.h>

#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/effecthelpers.hpp"

namespace {
constexpr int kBlocksX = 40, kBlocksY = 25;

// Arithmetic shift right by 3 of a 16-bit lane, the difference taken with wrap-around.
inline uint16_t sar3(int lane) { return uint16_t(int16_t(uint16_t(lane)) >> 3); }

// The four bytes of a pixel spread into 16-bit fields of a 64-bit word (bytes 0 and 2
// in the low half, 1 and 3 in the high half), so one multiply scales all four.
constexpr uint64_t kFieldMask = 0x00FF00FF00FF00FFull;
inline uint64_t spread(uint32_t c) { return uint64_t(c & 0x00FF00FFu) | (uint64_t(c & 0xFF00FF00u) << 24); }
inline uint32_t gather(uint64_t f) { return uint32_t(f & 0x00FF00FFu) | (uint32_t(f >> 24) & 0xFF00FF00u); }

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

// One wave term: A * F(k * (a x + b y + c T) in degrees + p).
struct Wave {
  bool useSin;
  float A, a, b, c, k, p;
};
constexpr Wave kWaves[8] = {
    {true, 3.12f, 4.92f, -1.23f, 0.693f, 1.432f, 1.0f},  {true, 4.82f, -2.18f, 0.37f, 0.961f, 1.942f, 2.0f},
    {true, 2.11f, 0.33f, 2.53f, 0.116f, 1.683f, 3.0f},   {false, 5.64f, -3.61f, -4.32f, 0.67f, 1.722f, 4.0f},
    {false, 3.91f, -2.47f, 2.89f, 0.279f, 1.758f, 5.0f}, {false, 2.82f, 4.95f, -0.64f, 0.424f, 1.438f, 6.0f},
    {false, 7.91f, -3.03f, -3.12f, 0.246f, 1.354f, 7.0f}, {true, 9.82f, 1.32f, -4.99f, 0.124f, 1.568f, 8.0f},
};
}  // namespace

void buildWarpGrid(int T, WarpNode* grid) {
  const float ft = float(T);
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x) {
      const float fx = float(x), fy = float(y);
      float s[8];
      for (int i = 0; i < 8; ++i) {
        const Wave& w = kWaves[i];
        float angle = w.k * (w.a * fx + w.b * fy + w.c * ft) * kDegToRad + w.p;
        s[i] = w.A * (w.useSin ? std::sin(angle) : std::cos(angle));
      }
      float su = fx + s[0] - s[2] + s[4] - s[6];
      float sv = fy - s[1] + s[3] - s[5] + s[7];
      float sum = s[0] + s[1] + s[2] + s[3] + s[4] + s[5] + s[6] + s[7];
      WarpNode& n = grid[y * kGridColumns + x];
      // Lanes wrap modulo 65536: a very large wave sum turns a node bright.
      n.u = uint16_t(roundEven(double(su * 8.0f * 256.0f)));
      n.v = uint16_t(roundEven(double(sv * 8.0f * 256.0f)));
      n.light = uint16_t(65280 - roundEven(double(std::fabs(sum) * 7.0f * 256.0f)));
      n.spare = 0;
    }
}

void drawWarpGrid(const WarpNode* grid, const uint32_t* picture, uint32_t* dst) {
  walkBlocks(grid, dst, [picture](uint32_t* out, __m128i U, __m128i V, __m128i L) {
    alignas(16) uint16_t index[8], light[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_or_si128(_mm_and_si128(V, _mm_set1_epi16(short(0xFF00))), _mm_srli_epi16(U, 8)));
    _mm_store_si128(reinterpret_cast<__m128i*>(light), _mm_srli_epi16(L, 8));
    for (int c = 0; c < 8; ++c) out[c] = gather(((spread(picture[index[c]]) * light[c]) >> 8) & kFieldMask);
  });
}

void prepareSmoothTexture(const uint32_t* texture, uint64_t* prepared) {
  for (int r = 0; r < kSmoothTextureSide; ++r)
    for (int c = 0; c < kSmoothTextureSide; ++c)
      prepared[r * kSmoothTextureSide + c] = spread(texture[(r & 255) * 256 + (c & 255)]);
}

void drawSmoothWarpGrid(const WarpNode* grid, const uint64_t* prepared, uint32_t* dst) {
  walkBlocks(grid, dst, [prepared](uint32_t* out, __m128i U, __m128i V, __m128i L) {
    const __m128i low = _mm_set1_epi16(0xFF), c255 = _mm_set1_epi16(255);
    const __m128i fx = _mm_and_si128(U, low), fy = _mm_and_si128(V, low);
    const __m128i w11 = _mm_srli_epi16(_mm_mullo_epi16(fx, fy), 8);
    const __m128i w00 = _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(c255, fx), _mm_sub_epi16(c255, fy)), 8);
    alignas(16) uint16_t index[8], row[8], light[8], k00[8], k10[8], k01[8], k11[8];
    // Texel (column, row) of the 257-wide prepared texture is at row * 256 + column + row.
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_or_si128(_mm_and_si128(V, _mm_set1_epi16(short(0xFF00))), _mm_srli_epi16(U, 8)));
    _mm_store_si128(reinterpret_cast<__m128i*>(row), _mm_srli_epi16(V, 8));
    _mm_store_si128(reinterpret_cast<__m128i*>(light), _mm_srli_epi16(L, 8));
    _mm_store_si128(reinterpret_cast<__m128i*>(k00), w00);
    _mm_store_si128(reinterpret_cast<__m128i*>(k10), _mm_sub_epi16(fx, w11));
    _mm_store_si128(reinterpret_cast<__m128i*>(k01), _mm_sub_epi16(fy, w11));
    _mm_store_si128(reinterpret_cast<__m128i*>(k11), w11);
    for (int c = 0; c < 8; ++c) {
      const uint64_t* t = prepared + index[c] + row[c];
      // The four weights sum to at most 256, so no 16-bit field of the sum overflows.
      uint64_t s = t[0] * k00[c] + t[1] * k10[c] + t[kSmoothTextureSide] * k01[c] + t[kSmoothTextureSide + 1] * k11[c];
      s = (s >> 8) & kFieldMask;
      out[c] = gather(((s * light[c]) >> 8) & kFieldMask);
    }
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
