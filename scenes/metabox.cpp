// The "metabox" section: three cube-like metaballs (fourth-power falloff)
// polygonized by marching cubes and drawn as a glowing moving environment map,
// over a tiled texture warped by travelling waves and shaded darker towards the
// middle, with a pulsing logo.
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/common/fade.hpp"
#include "scenes/common/grid_fill.hpp"
#include "scenes/common/marching_cubes.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/metabox.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kGridSize = 20;

uint32_t* envTexture = nullptr;
uint32_t* tileTexture = nullptr;
uint32_t* logo = nullptr;
uint32_t* glowLayer = nullptr;
// A triangle's corner on the screen and in the texture.
struct Corner {
  int x, y, u, v;
};
// The frame's triangles, gathered before any is drawn; a cell has at most five.
constexpr int kMaxTriangles = (kGridSize - 1) * (kGridSize - 1) * (kGridSize - 1) * 5;
Corner (*triangles)[3] = nullptr;
GridPoint* warpGrid = nullptr;
CubeGrid grid = {};
Vec3 balls[3];
int iso = 8;


void load() {
  envTexture = allocPixels(256 * 256);
  tileTexture = allocPixels(256 * 256);
  logo = allocPixels(172 * 32);
  glowLayer = allocPixels(kFramePixels);
  triangles = static_cast<Corner(*)[3]>(std::calloc(kMaxTriangles, sizeof *triangles));
  warpGrid = static_cast<GridPoint*>(std::calloc(kGridPoints, sizeof(GridPoint)));
  loadRgbImageOrDie("data\\metabox\\texture.rgb", 256, 256, envTexture);
  loadRgbImageOrDie("data\\metabox\\qz0tile.rgb", 256, 256, tileTexture);
  loadRgbImageOrDie("data\\metabox\\metabox.rgb", 172, 32, logo);
  setupCubeGrid(grid, kGridSize, -100.0f, -100.0f, 200.0f, 10.0f);
}

float deg(float a) { return a * kDegToRad; }

void render(float t, uint32_t* target) {
  iso = 8;
  balls[0] = {1.7f * std::sin(deg(t)), 1.7f * std::cos(deg(0.9f * t)), 1.7f * std::sin(deg(0.45f * t))};
  balls[1] = {1.7f * std::sin(deg(0.6f * t)), -1.7f * std::cos(deg(0.4f * t)), 1.7f * std::cos(deg(0.95f * t))};
  balls[2] = {-1.7f * std::sin(deg(0.5f * t)), -1.7f * std::cos(deg(0.65f * t)), 1.7f * std::cos(deg(1.05f * t))};
  computeMetaboxField(grid, balls, 3, -3.5f, 0.35f);
  computeCubeNormals(grid);

  computeWarpGrid(t / 4.0f, warpGrid);
  fillShadedBlocks(warpGrid, tileTexture, target);

  // The glow layer is zero outside the triangles' box, which is added and cleared
  // after drawing (one pixel wider than the corners, for the edges' rounding).
  int left = kFrameWidth, right = -1, top = kFrameHeight, bottom = -1;
  const float su = 128.0f * std::sin(deg(0.1f * t)), cu = 128.0f * std::cos(deg(0.1f * t));
  auto place = [&](const CubeVertex& c) {
    const Vec3& p = c.pos;
    Corner s = {roundEven(60.0f * p.x / (50.0f + p.z)) + 160, roundEven(60.0f * p.y / (50.0f + p.z)) + 100,
                roundEven(c.normal.x + su), roundEven(c.normal.y + cu)};
    left = std::min(left, s.x - 1), right = std::max(right, s.x + 1);
    top = std::min(top, s.y), bottom = std::max(bottom, s.y);
    return s;
  };
  int count = 0;
  polygonizeCubes(grid, iso, place, [&](const Corner* c) {
    std::copy(c, c + 3, triangles[count++]);
  });
  for (int k = 0; k < count; ++k) {
    const Corner* c = triangles[k];
    drawTexturedTriangle(c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y, c[0].u, c[0].v, c[1].u, c[1].v, c[2].u,
                         c[2].v, glowLayer, envTexture);
  }
  left = std::max(left, 0), right = std::min(right, kFrameWidth - 1);
  top = std::max(top, 0), bottom = std::min(bottom, kFrameHeight - 1);
  for (int y = top; y <= bottom && left <= right; ++y) {
    uint32_t* glow = glowLayer + y * kFrameWidth + left;
    addPixels(glow, target + y * kFrameWidth + left, right - left + 1);
    std::memset(glow, 0, size_t(right - left + 1) * 4);
  }

  // The logo pulses once every 360 units and is undimmed while sin t <= 0.
  int level = roundEven(250.0f * std::sin(deg(t)));
  if (level < 0) level = 0;
  blitKeyedDarken(74, 160, 172, 32, logo, target, 0, level);

  if (t < 63.0f) darkenPixels(target, target, kFramePixels, fadeLevel(255 - roundEven(4.0f * t)));
  if (t > 821.0f) {
    if (t < 885.0f)
      darkenPixels(target, target, kFramePixels, fadeLevel(roundEven(4.0f * (t - 821.0f))));
    else
      clearFrame(target);
  }
}

void release() {
  std::free(envTexture);
  std::free(tileTexture);
  std::free(logo);
  std::free(glowLayer);
  std::free(triangles);
  triangles = nullptr;
  std::free(warpGrid);
  envTexture = tileTexture = logo = glowLayer = nullptr;
  warpGrid = nullptr;
  releaseCubeGrid(grid);
}
}  // namespace

void computeMetaboxField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing) {
  // Fourth powers per axis and ball, tabulated once per frame.
  float q[3][3][32];
  for (int b = 0; b < ballCount; ++b)
    for (int i = 0; i < g.n; ++i) {
      float p = start + spacing * float(i);
      float d[3] = {p - balls[b].x, p - balls[b].y, p - balls[b].z};
      for (int a = 0; a < 3; ++a) q[b][a][i] = d[a] * d[a] * d[a] * d[a];
    }
  fillFieldBytes(g, q, ballCount, false);
}

namespace ref {
void computeMetaboxField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing) {
  const int n = g.n;
  // Fourth powers per axis and ball, tabulated once per frame.
  float q[3][3][32];
  for (int b = 0; b < ballCount; ++b)
    for (int i = 0; i < n; ++i) {
      float p = start + spacing * float(i);
      float d[3] = {p - balls[b].x, p - balls[b].y, p - balls[b].z};
      for (int a = 0; a < 3; ++a) q[b][a][i] = d[a] * d[a] * d[a] * d[a];
    }
  uint8_t* F = g.field;
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        float f = 0.0f;
        for (int b = 0; b < ballCount; ++b) {
          float s = q[b][0][i] + q[b][1][j] + q[b][2][k];
          if (s == 0.0f) continue;  // a point on the centre leaves that ball out
          f += 1.0f / s;
        }
        *F++ = fieldByte(f);
      }
}

}  // namespace ref

namespace {
struct Wave {
  float amplitude;
  bool cosine;
  float ax, ay, aw, m, p;
};
constexpr Wave kWaves[8] = {
    {3.12f, false, 4.92f, -1.23f, 0.693f, 1.432f, 1.0f}, {4.82f, false, -2.18f, 0.37f, 0.961f, 1.942f, 2.0f},
    {2.11f, false, 0.33f, 2.53f, 0.116f, 1.683f, 3.0f},  {5.64f, true, -3.61f, -4.32f, 0.67f, 1.722f, 4.0f},
    {3.91f, true, -2.47f, 2.89f, 0.279f, 1.758f, 5.0f},  {2.82f, true, 4.95f, -0.64f, 0.424f, 1.438f, 6.0f},
    {7.91f, true, -3.03f, -3.12f, 0.246f, 1.354f, 7.0f}, {9.82f, false, 1.32f, -4.99f, 0.124f, 1.568f, 8.0f},
};

// The grid point from its eight wave values W.
inline void placeWarpPoint(int x, int y, const float* W, GridPoint& g) {
  g.u = uint16_t(roundEven(1024.0f * (float(x) + W[0] - W[2] + W[4] - W[6])));
  g.v = uint16_t(roundEven(1024.0f * (float(y) - W[1] + W[3] - W[5] + W[7])));
  float dx = 20.0f - float(x), dy = 12.5f - float(y);
  // The corners exceed 16 bits and wrap to a small (dark) value.
  g.brightness = uint16_t(roundEven(90.0f * (dx * dx + dy * dy)) + 16128);
}

// The fast grid takes one wave at a time over all points: the angles four at a time
// (the same single-precision operations in the same order), then the library's sine
// or cosine of each in one loop. The tables are rounded up to whole vectors.
constexpr int kWarpPoints = (kGridPoints + 3) / 4 * 4;
struct WarpTables {
  alignas(16) float x[kWarpPoints], y[kWarpPoints];
  alignas(16) float value[8][kWarpPoints];
};
WarpTables gWarp = [] {
  WarpTables t{};
  for (int i = 0; i < kWarpPoints; ++i) t.x[i] = float(i % kGridColumns), t.y[i] = float(i / kGridColumns);
  return t;
}();
}  // namespace

void computeWarpGrid(float w, GridPoint* grid) {
  const __m128 toRad = _mm_set1_ps(kDegToRad);
  for (int i = 0; i < 8; ++i) {
    const Wave& wv = kWaves[i];
    const __m128 ax = _mm_set1_ps(wv.ax), ay = _mm_set1_ps(wv.ay), m = _mm_set1_ps(wv.m), p = _mm_set1_ps(wv.p);
    const __m128 waveTime = _mm_set1_ps(wv.aw * w);
    float* value = gWarp.value[i];
    for (int k = 0; k < kWarpPoints; k += 4) {
      __m128 arg = _mm_add_ps(_mm_mul_ps(ax, _mm_load_ps(gWarp.x + k)), _mm_mul_ps(ay, _mm_load_ps(gWarp.y + k)));
      arg = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(_mm_add_ps(arg, waveTime), toRad), m), p);
      _mm_store_ps(value + k, arg);
    }
    if (wv.cosine) {
      for (int k = 0; k < kGridPoints; ++k) value[k] = wv.amplitude * std::cos(value[k]);
    } else {
      for (int k = 0; k < kGridPoints; ++k) value[k] = wv.amplitude * std::sin(value[k]);
    }
  }
  for (int k = 0; k < kGridPoints; ++k) {
    float W[8];
    for (int i = 0; i < 8; ++i) W[i] = gWarp.value[i][k];
    placeWarpPoint(k % kGridColumns, k / kGridColumns, W, grid[k]);
  }
}

namespace ref {
void computeWarpGrid(float w, GridPoint* grid) {
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x) {
      float W[8];
      for (int i = 0; i < 8; ++i) {
        const Wave& wv = kWaves[i];
        float arg = (wv.ax * float(x) + wv.ay * float(y) + wv.aw * w) * kDegToRad * wv.m + wv.p;
        W[i] = wv.amplitude * (wv.cosine ? std::cos(arg) : std::sin(arg));
      }
      placeWarpPoint(x, y, W, grid[y * kGridColumns + x]);
    }
}
}  // namespace ref

const SceneModule metaboxModule = {"metabox", load, render, release};
