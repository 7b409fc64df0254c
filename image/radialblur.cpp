// The radial blur, its weight table and its plain reference.
#include "image/radialblur.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "base/avx2_region.hpp"
#include "image/pixelops.hpp"
#include "image/transpose_avx2.hpp"

namespace {
RadialWeights* gTable = nullptr;

inline const RadialWeights& weightsAt(int dx, int dy) {
  return gTable[(dy + kRadialTableHeight / 2) * kRadialTableWidth + (dx + kRadialTableWidth / 2)];
}

// Walks one quadrant outwards from the centre; sx, sy are the directions of travel.
template <typename PixelFn>
void walkQuadrant(int cx, int cy, int sx, int sy, PixelFn fn) {
  int yEnd = sy > 0 ? kFrameHeight : -1, xEnd = sx > 0 ? kFrameWidth : -1;
  int y0 = sy > 0 ? cy : cy - 1, x0 = sx > 0 ? cx : cx - 1;
  for (int y = y0; y != yEnd; y += sy)
    for (int x = x0; x != xEnd; x += sx) fn(x, y, x - sx, y - sy);
}

template <typename PixelFn>
void walkAll(int cx, int cy, PixelFn fn) {
  walkQuadrant(cx, cy, +1, +1, fn);
  walkQuadrant(cx, cy, +1, -1, fn);
  walkQuadrant(cx, cy, -1, +1, fn);
  walkQuadrant(cx, cy, -1, -1, fn);
}
// Every pixel reads neighbours one step nearer the centre, so the centre is kept at
// least one pixel inside the image; without a table there is nothing to blur with.
bool usableCentre(int& cx, int& cy) {
  cx = cx < 1 ? 1 : cx > kFrameWidth - 1 ? kFrameWidth - 1 : cx;
  cy = cy < 1 ? 1 : cy > kFrameHeight - 1 ? kFrameHeight - 1 : cy;
  return gTable != nullptr;
}
}  // namespace

void createRadialBlurTable() {
  if (!gTable) gTable = static_cast<RadialWeights*>(std::calloc(kRadialTableWidth * kRadialTableHeight, 4));
}

void fillRadialBlurTable() {
  for (int i = 0; i < kRadialTableHeight; ++i)
    for (int j = 0; j < kRadialTableWidth; ++j) {
      int dx = j - kRadialTableWidth / 2, dy = i - kRadialTableHeight / 2;
      RadialWeights& w = gTable[i * kRadialTableWidth + j];
      if (dx == 0 && dy == 0) {
        w = {0, 0, 0, 255};
        continue;
      }
      double d = std::sqrt(double(dx * dx + dy * dy));
      double fx = std::abs(dx) / d, fy = std::abs(dy) / d;
      w.w0 = uint8_t(roundEven(fx * fy * 255.0));
      w.w1 = uint8_t(roundEven(fy * (1.0 - fx) * 255.0));
      w.w2 = uint8_t(roundEven(fx * (1.0 - fy) * 255.0));
      w.w3 = uint8_t(roundEven((1.0 - fx) * (1.0 - fy) * 255.0));
    }
}

void freeRadialBlurTable() {
  std::free(gTable);
  gTable = nullptr;
}

const RadialWeights* radialBlurTable() { return gTable; }

namespace ref {
void radialBlur(int cx, int cy, int strength, uint32_t* image) {
  if (!usableCentre(cx, cy)) return;
  const uint32_t s = uint32_t(strength) & 0xFF;
  walkAll(cx, cy, [&](int x, int y, int nx, int ny) {
    const RadialWeights& w = weightsAt(x - cx, y - cy);
    uint32_t diag = image[ny * kFrameWidth + nx], vert = image[ny * kFrameWidth + x],
             horiz = image[y * kFrameWidth + nx];
    uint32_t& p = image[y * kFrameWidth + x];
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
      uint32_t P = (p >> c) & 0xFF;
      uint32_t a = (((diag >> c) & 0xFF) * w.w0 + ((vert >> c) & 0xFF) * w.w1 + ((horiz >> c) & 0xFF) * w.w2 +
                    P * w.w3) >> 8;
      out |= (((a * s + P * (255 - s)) >> 8) & 0xFF) << c;
    }
    p = out;
  });
}
}  // namespace ref

namespace {
inline __m128i widenPixel(uint32_t v) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128()); }
inline __m128i widenTwo(uint32_t lo, uint32_t hi) {
  return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(lo)), _mm_cvtsi32_si128(int(hi))),
                           _mm_setzero_si128());
}
inline uint32_t weightWord(const RadialWeights& w) {
  return uint32_t(w.w0) | uint32_t(w.w1) << 8 | uint32_t(w.w2) << 16 | uint32_t(w.w3) << 24;
}

// The per-channel rule on 16-bit lanes; W holds each lane group's weights w0..w3 in its
// first four lanes (lanes 0-3 for the low pixel, 4-7 for the high one).
inline __m128i blend(__m128i diag, __m128i vert, __m128i horiz, __m128i P, __m128i W, __m128i S, __m128i R) {
  auto spreadWeight = [W](auto k) {
    constexpr int i = decltype(k)::value;
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(W, _MM_SHUFFLE(i, i, i, i)), _MM_SHUFFLE(i, i, i, i));
  };
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(diag, spreadWeight(std::integral_constant<int, 0>())),
                              _mm_mullo_epi16(vert, spreadWeight(std::integral_constant<int, 1>())));
  sum = _mm_add_epi16(sum, _mm_mullo_epi16(P, spreadWeight(std::integral_constant<int, 3>())));
  sum = _mm_add_epi16(sum, _mm_mullo_epi16(horiz, spreadWeight(std::integral_constant<int, 2>())));
  const __m128i a = _mm_srli_epi16(sum, 8);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, S), _mm_mullo_epi16(P, R)), 8);
}

// One pixel from the image as it stands; (SX, SY) is the direction away from the centre.
template <int SX, int SY>
inline void blurPixel(uint32_t* image, int x, int y, const RadialWeights& w, __m128i S, __m128i R) {
  uint32_t* p = image + y * kFrameWidth + x;
  const __m128i W = widenPixel(weightWord(w));
  __m128i r = blend(widenPixel(p[-SY * kFrameWidth - SX]), widenPixel(p[-SY * kFrameWidth]), widenPixel(p[-SX]),
                    widenPixel(*p), W, S, R);
  *p = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
}

// Each pixel depends on the one before it in its row, so a single row is one long chain.
// Two rows go together instead, the outer row one pixel behind the inner one: its
// vertical and diagonal neighbours are then the inner row's last two results.
// The rows of a quadrant from its row `done` on (counted outwards from the centre).
template <int SX, int SY>
void blurQuadrant(int cx, int cy, __m128i S, __m128i R, uint32_t* image, int done = 0) {
  const int x0 = SX > 0 ? cx : cx - 1, n = SX > 0 ? kFrameWidth - cx : cx;
  const int y0 = SY > 0 ? cy : cy - 1, rowsLeft = SY > 0 ? kFrameHeight - cy : cy;
  auto weights = [cx, cy](int x, int y) -> const RadialWeights& { return weightsAt(x - cx, y - cy); };
  for (; done + 2 <= rowsLeft; done += 2) {
    const int ya = y0 + done * SY, yb = ya + SY;
    uint32_t* rowA = image + ya * kFrameWidth;
    uint32_t* rowB = image + yb * kFrameWidth;
    const uint32_t* up = rowA - SY * kFrameWidth;
    blurPixel<SX, SY>(image, x0, ya, weights(x0, ya), S, R);
    __m128i prev = _mm_unpacklo_epi64(widenPixel(rowA[x0]), widenPixel(rowB[x0 - SX]));
    __m128i prev2 = widenPixel(rowA[x0 - SX]);  // lanes 0-3: the inner row's pixel before x0
    for (int i = 1; i < n; ++i) {
      const int xa = x0 + i * SX, xb = xa - SX;
      const __m128i P = widenTwo(rowA[xa], rowB[xb]);
      const __m128i vert = _mm_unpacklo_epi64(widenPixel(up[xa]), prev);
      const __m128i diag = _mm_unpacklo_epi64(widenPixel(up[xb]), prev2);
      const __m128i W = widenTwo(weightWord(weights(xa, ya)), weightWord(weights(xb, yb)));
      const __m128i r = blend(diag, vert, prev, P, W, S, R);
      const __m128i packed = _mm_packus_epi16(r, r);
      rowA[xa] = uint32_t(_mm_cvtsi128_si32(packed));
      rowB[xb] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
      prev2 = prev;
      prev = r;
    }
    const int xLast = x0 + (n - 1) * SX;
    blurPixel<SX, SY>(image, xLast, yb, weights(xLast, yb), S, R);
  }
  if (done < rowsLeft) {
    const int y = y0 + done * SY;
    for (int i = 0; i < n; ++i) blurPixel<SX, SY>(image, x0 + i * SX, y, weights(x0 + i * SX, y), S, R);
  }
}
}  // namespace

// The AVX2 version runs rows as a wavefront, eight to a register, each row one pixel behind
// the row before it, one row to a 32-bit lane. A pixel's four bytes are taken as two pairs
// of 16-bit lanes, bytes 0 and 2 (masked) and bytes 1 and 3 (shifted down), so nothing is
// widened; each weight is spread over both halves of its lane. Row i's vertical neighbour
// is row i - 1's result of the step before, its diagonal one the vertical one of the step
// before, its horizontal one its own last result: only the innermost row of a wave reads
// neighbours from the image. Blocks of eight steps are loaded and stored turned, eight rows
// of eight pixels at a time, and two waves go side by side so that their chains overlap.
GVS_AVX2_REGION_BEGIN
namespace {
// Stands in for the rows of a last, short wave: rows past the quadrant's last one compute
// into it, and nothing reads it. The margins take the blocks that reach past the row ends.
constexpr int kScratchMargin = 40;
alignas(32) uint32_t gScratchRow[kFrameWidth + 2 * kScratchMargin];

// Both 16-bit pairs of eight lanes.
struct Pairs {
  __m256i low, high;
};

struct Wave {
  uint32_t* row[8];
  const uint32_t* weights[8];  // the table entries of each row, indexed by column
  const uint32_t* above;       // the row inside the innermost one
  Pairs res, vert;             // the last step's results and vertical neighbours
};

struct WaveConstants {
  __m256i lowBytes, spread[4], shiftOut, s, r;
  int x0, n;
};

inline Pairs split(__m256i v, const WaveConstants& k) { return {_mm256_and_si256(v, k.lowBytes), _mm256_srli_epi16(v, 8)}; }

// The last step's results moved one row outwards: row i's vertical neighbours for the next
// step, apart from the innermost row's (lane 0 holds the outermost row's).
inline Pairs rowsOutwards(const Wave& w, const WaveConstants& k) {
  return {_mm256_permutevar8x32_epi32(w.res.low, k.shiftOut), _mm256_permutevar8x32_epi32(w.res.high, k.shiftOut)};
}
// Lane 0 of `lane0` in place of lane 0 of `rest`.
inline Pairs withLane0(Pairs rest, Pairs lane0) {
  return {_mm256_blend_epi32(rest.low, lane0.low, 0x01), _mm256_blend_epi32(rest.high, lane0.high, 0x01)};
}

// One step of a wave: P and W the pixels and weight words, vNew the vertical neighbours.
// Returns the eight new pixels.
inline __m256i waveStep(__m256i P, __m256i W, Pairs vNew, Wave& wave, const WaveConstants& k) {
  const Pairs p = split(P, k);
  const __m256i w0 = _mm256_shuffle_epi8(W, k.spread[0]), w1 = _mm256_shuffle_epi8(W, k.spread[1]);
  const __m256i w2 = _mm256_shuffle_epi8(W, k.spread[2]), w3 = _mm256_shuffle_epi8(W, k.spread[3]);
  // The terms of the last step's results come last, as they are the last to be ready.
  auto channel = [&](__m256i diag, __m256i up, __m256i horiz, __m256i px) {
    const __m256i rest = _mm256_add_epi16(_mm256_mullo_epi16(diag, w0), _mm256_mullo_epi16(px, w3));
    const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(rest, _mm256_mullo_epi16(horiz, w2)), _mm256_mullo_epi16(up, w1));
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(sum, 8), k.s), _mm256_mullo_epi16(px, k.r)), 8);
  };
  const Pairs rNew = {channel(wave.vert.low, vNew.low, wave.res.low, p.low),
                      channel(wave.vert.high, vNew.high, wave.res.high, p.high)};
  wave.vert = vNew;
  wave.res = rNew;
  return _mm256_or_si256(rNew.low, _mm256_slli_epi16(rNew.high, 8));
}

// Step t of a wave where some rows have no pixel: each row's pixel t - i is read and
// written only where it lies in the row; a row about to start takes the pixel before its
// first as its last result, which its own and the next row's first pixel read.
template <int SX>
inline void singleStep(Wave& w, int t, const WaveConstants& k) {
  uint32_t p[8], wt[8];
  for (int i = 0; i < 8; ++i) {
    const int at = t - i;
    const bool in = at >= 0 && at < k.n;
    p[i] = in ? w.row[i][k.x0 + at * SX] : 0;
    wt[i] = in ? w.weights[i][k.x0 + at * SX] : 0;
  }
  const uint32_t above = t >= -1 && t < k.n ? w.above[k.x0 + t * SX] : 0;
  const __m256i P = _mm256_setr_epi32(int(p[0]), int(p[1]), int(p[2]), int(p[3]), int(p[4]), int(p[5]), int(p[6]), int(p[7]));
  const __m256i W = _mm256_setr_epi32(int(wt[0]), int(wt[1]), int(wt[2]), int(wt[3]), int(wt[4]), int(wt[5]), int(wt[6]), int(wt[7]));
  const __m256i out = waveStep(P, W, withLane0(rowsOutwards(w, k), split(_mm256_set1_epi32(int(above)), k)), w, k);
  alignas(32) uint32_t o[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(o), out);
  for (int i = 0; i < 8; ++i) {
    const int at = t - i;
    if (at >= 0 && at < k.n) w.row[i][k.x0 + at * SX] = o[i];
  }
  if (t + 1 >= 0 && t + 1 < 8) {  // row t + 1 starts at the next step
    const Pairs before = split(_mm256_set1_epi32(int(w.row[t + 1][k.x0 - SX])), k);
    const __m256i lane = _mm256_cmpeq_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(t + 1));
    w.res.low = _mm256_blendv_epi8(w.res.low, before.low, lane);
    w.res.high = _mm256_blendv_epi8(w.res.high, before.high, lane);
  }
}

// Eight values from each of eight rows (row i from column at[i]) as eight registers of one
// step each, rows in lane order: rows i and i + 4 share a register, turned within halves.
inline void loadTurned(const uint32_t* const* rows, const int* at, __m256i* c) {
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    c[i] = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rows[i + 4] + at[i + 4]),
                               reinterpret_cast<const __m128i*>(rows[i] + at[i]));
    c[i + 4] = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rows[i + 4] + at[i + 4] + 4),
                                   reinterpret_cast<const __m128i*>(rows[i] + at[i] + 4));
  }
  transpose4(c[0], c[1], c[2], c[3]);
  transpose4(c[4], c[5], c[6], c[7]);
}
inline void storeTurned(uint32_t* const* rows, const int* at, __m256i* c) {
  transpose4(c[0], c[1], c[2], c[3]);
  transpose4(c[4], c[5], c[6], c[7]);
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(rows[i + 4] + at[i + 4]), reinterpret_cast<__m128i*>(rows[i] + at[i]),
                         c[i]);
    _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(rows[i + 4] + at[i + 4] + 4),
                         reinterpret_cast<__m128i*>(rows[i] + at[i] + 4), c[i + 4]);
  }
}

// A wave's block at step t, read turned into memory.
struct WaveBlock {
  alignas(32) __m256i P[8], W[8], out[8];
  alignas(32) uint32_t above[8];
  int at[8];
};

template <int SX>
inline void loadBlock(const Wave& w, int t, const WaveConstants& k, WaveBlock& b) {
  for (int i = 0; i < 8; ++i) b.at[i] = SX > 0 ? k.x0 + (t - i) : k.x0 - (t - i) - 7;  // lowest column of the eight
  loadTurned(w.row, b.at, b.P);
  loadTurned(w.weights, b.at, b.W);
  _mm256_store_si256(reinterpret_cast<__m256i*>(b.above),
                     _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w.above + b.at[0])));
}

// Keeps, where a row has no pixel at step t (the pixel number t - i outside the row), the
// pixel in its place as it is and also as the row's last result: for the pixel just before
// a row's first one, that is what the row's own and the next row's first pixels read; the
// others feed only steps that have no pixel either.
inline void keepOutside(Wave& w, int t, __m256i P, __m256i& out, const WaveConstants& k) {
  const __m256i at = _mm256_sub_epi32(_mm256_set1_epi32(t), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  const __m256i in = _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), at),
                                         _mm256_cmpgt_epi32(_mm256_set1_epi32(k.n), at));
  const Pairs kept = split(P, k);
  w.res.low = _mm256_blendv_epi8(kept.low, w.res.low, in);
  w.res.high = _mm256_blendv_epi8(kept.high, w.res.high, in);
  out = _mm256_blendv_epi8(P, out, in);
}

// Steps t .. t + 7 of one wave as a turned block; its innermost row's neighbours come from
// the image.
template <int SX, bool Partial>
inline void blockSteps(Wave& w, int t, const WaveConstants& k) {
  WaveBlock b;
  loadBlock<SX>(w, t, k, b);
#pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) {
    const int c = SX > 0 ? j : 7 - j;
    const Pairs vNew = withLane0(rowsOutwards(w, k), split(_mm256_set1_epi32(int(b.above[c])), k));
    b.out[c] = waveStep(b.P[c], b.W[c], vNew, w, k);
    if constexpr (Partial) keepOutside(w, t + j, b.P[c], b.out[c], k);
  }
  storeTurned(w.row, b.at, b.out);
}

// Two waves side by side as one of sixteen rows: the outer wave runs eight steps behind
// (steps t - 8 ..), and its innermost row's vertical neighbour is the inner wave's
// outermost row's result of the step before, straight from its register.
template <int SX, bool Partial>
inline void pairSteps(Wave* w, int t, const WaveConstants& k) {
  WaveBlock b[2];
  loadBlock<SX>(w[0], t, k, b[0]);
  loadBlock<SX>(w[1], t - 8, k, b[1]);
#pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) {
    const int c = SX > 0 ? j : 7 - j;
    const Pairs inner = rowsOutwards(w[0], k);
    const Pairs outerNew = withLane0(rowsOutwards(w[1], k), inner);
    b[1].out[c] = waveStep(b[1].P[c], b[1].W[c], outerNew, w[1], k);
    b[0].out[c] = waveStep(b[0].P[c], b[0].W[c], withLane0(inner, split(_mm256_set1_epi32(int(b[0].above[c])), k)), w[0], k);
    if constexpr (Partial) {
      keepOutside(w[1], t - 8 + j, b[1].P[c], b[1].out[c], k);
      keepOutside(w[0], t + j, b[0].P[c], b[0].out[c], k);
    }
  }
  storeTurned(w[0].row, b[0].at, b[0].out);
  storeTurned(w[1].row, b[1].at, b[1].out);
}

// Whether a wave's block at step t reads and writes only inside the image (or the scratch row).
template <int SX>
inline bool blockInside(const Wave& w, const uint32_t* image, int t, const WaveConstants& k) {
  for (int i = 0; i < 8; ++i) {
    if (w.row[i] == gScratchRow + kScratchMargin) continue;
    const long first = (w.row[i] - image) + (SX > 0 ? k.x0 + (t - i) : k.x0 - (t - i) - 7);
    if (first < 0 || first + 8 > kFramePixels) return false;
  }
  const long first = (w.above - image) + (SX > 0 ? k.x0 + t : k.x0 - t - 7);
  return first >= 0 && first + 8 <= kFramePixels;
}
inline bool everyRowHasPixels(int t, const WaveConstants& k) { return t >= 7 && t + 7 <= k.n - 1; }

// Before a wave's first step only its row 0 has a last result (the pixel before its first)
// and a vertical neighbour (the one of that pixel).
template <int SX>
inline void startWave(Wave& w, const WaveConstants& k) {
  w.res = split(_mm256_setr_epi32(int(w.row[0][k.x0 - SX]), 0, 0, 0, 0, 0, 0, 0), k);
  w.vert = split(_mm256_setr_epi32(int(w.above[k.x0 - SX]), 0, 0, 0, 0, 0, 0, 0), k);
}

// Steps t .. t + 7 of one wave, turned where its block stays in the image, else one by one.
template <int SX>
inline void waveBlock(Wave& w, const uint32_t* image, int t, const WaveConstants& k) {
  const int steps = k.n + 7;  // the outermost row ends seven steps after the innermost
  if (everyRowHasPixels(t, k))
    blockSteps<SX, false>(w, t, k);
  else if (blockInside<SX>(w, image, t, k))
    blockSteps<SX, true>(w, t, k);
  else
    for (int j = t; j < t + 8 && j < steps; ++j) singleStep<SX>(w, j, k);
}

template <int SX>
void blurOneWave(Wave& w, const uint32_t* image, const WaveConstants& k) {
  startWave<SX>(w, k);
  for (int t = 0; t < k.n + 7; t += 8) waveBlock<SX>(w, image, t, k);
}

template <int SX>
void blurTwoWaves(Wave* w, const uint32_t* image, const WaveConstants& k) {
  startWave<SX>(w[0], k);
  startWave<SX>(w[1], k);
  const int steps = k.n + 7;
  for (int t = 0; t < steps + 8; t += 8) {
    const bool inner = t < steps, outer = t >= 8;
    if (inner && outer) {
      if (everyRowHasPixels(t, k) && everyRowHasPixels(t - 8, k)) {
        pairSteps<SX, false>(w, t, k);
        continue;
      }
      if (blockInside<SX>(w[0], image, t, k) && blockInside<SX>(w[1], image, t - 8, k)) {
        pairSteps<SX, true>(w, t, k);
        continue;
      }
    }
    // Apart: the outer wave then reads the inner one's results from the image.
    if (inner) waveBlock<SX>(w[0], image, t, k);
    if (outer) waveBlock<SX>(w[1], image, t - 8, k);
  }
}

template <int SX, int SY>
void blurQuadrantAvx2(int cx, int cy, int strength, uint32_t* image) {
  const int x0 = SX > 0 ? cx : cx - 1, n = SX > 0 ? kFrameWidth - cx : cx;
  const int y0 = SY > 0 ? cy : cy - 1, rowsLeft = SY > 0 ? kFrameHeight - cy : cy;
  if (n < 16) {  // too narrow for blocks
    const __m128i S = _mm_set1_epi16(short(strength)), R = _mm_set1_epi16(short(255 - strength));
    blurQuadrant<SX, SY>(cx, cy, S, R, image);
    return;
  }
  WaveConstants k;
  k.lowBytes = _mm256_set1_epi32(0x00FF00FF);
  for (int b = 0; b < 4; ++b) {
    // Byte b of each 32-bit lane into both of its 16-bit halves.
    const char lo = char(b), hi = char(-128);
    k.spread[b] = _mm256_setr_epi8(lo, hi, lo, hi, char(4 + b), hi, char(4 + b), hi, char(8 + b), hi, char(8 + b), hi,
                                   char(12 + b), hi, char(12 + b), hi, lo, hi, lo, hi, char(4 + b), hi, char(4 + b), hi,
                                   char(8 + b), hi, char(8 + b), hi, char(12 + b), hi, char(12 + b), hi);
  }
  k.shiftOut = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
  k.s = _mm256_set1_epi16(short(strength));
  k.r = _mm256_set1_epi16(short(255 - strength));
  k.x0 = x0;
  k.n = n;
  const uint32_t* table = reinterpret_cast<const uint32_t*>(gTable);
  // The wave of the rows from `first` on; rows past the quadrant compute into the scratch row.
  auto wave = [&](int first) {
    Wave w;
    const int last = first + 7 < rowsLeft ? first + 7 : rowsLeft - 1;
    for (int i = 0; i < 8; ++i) {
      const int y = y0 + (first + i <= last ? first + i : last) * SY;
      w.row[i] = first + i <= last ? image + y * kFrameWidth : gScratchRow + kScratchMargin;
      w.weights[i] = table + (y - cy + kRadialTableHeight / 2) * kRadialTableWidth + (kRadialTableWidth / 2 - cx);
    }
    w.above = image + (y0 + (first - 1) * SY) * kFrameWidth;
    return w;
  };
  int done = 0;
  for (; done + 16 <= rowsLeft; done += 16) {
    Wave w[2] = {wave(done), wave(done + 8)};
    blurTwoWaves<SX>(w, image, k);
  }
  for (; done < rowsLeft; done += 8) {
    Wave w = wave(done);
    blurOneWave<SX>(w, image, k);
  }
}
}  // namespace
GVS_AVX2_REGION_END

void radialBlur(int cx, int cy, int strength, uint32_t* image) {
  if (!usableCentre(cx, cy)) return;
  const int s = strength & 0xFF;
  if (vectorPath() == VectorPath::Avx2) {
    blurQuadrantAvx2<+1, +1>(cx, cy, s, image);
    blurQuadrantAvx2<+1, -1>(cx, cy, s, image);
    blurQuadrantAvx2<-1, +1>(cx, cy, s, image);
    blurQuadrantAvx2<-1, -1>(cx, cy, s, image);
    return;
  }
  const __m128i S = _mm_set1_epi16(short(s)), R = _mm_set1_epi16(short(255 - s));
  blurQuadrant<+1, +1>(cx, cy, S, R, image);
  blurQuadrant<+1, -1>(cx, cy, S, R, image);
  blurQuadrant<-1, +1>(cx, cy, S, R, image);
  blurQuadrant<-1, -1>(cx, cy, S, R, image);
}
