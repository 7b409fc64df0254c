// The "blobs" section: three metaballs polygonized by marching cubes every frame
// and drawn environment-mapped in front of a ray-cast textured tunnel, with a
// second, moving environment map added as a glow and a caption in the second half.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/blobs.hpp"
#include "scenes/common/fade.hpp"
#include "scenes/common/grid_fill.hpp"
#include "scenes/common/marching_cubes.hpp"
#include "scenes/common/ray_grid.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kGridSize = 24;
constexpr float kCellSize = 200.0f / 24.0f;

uint32_t* texture1 = nullptr;
uint32_t* texture2 = nullptr;
uint32_t* tunnelTexture = nullptr;
uint32_t* caption = nullptr;
uint32_t* glowLayer = nullptr;
GridPoint* rayGrid = nullptr;
CubeGrid grid = {};
Vec3 balls[3];
int iso = 128;
LookCamera tunnelCamera;
ViewPyramid pyramid;


void load() {
  texture1 = allocPixels(256 * 256);
  texture2 = allocPixels(256 * 256);
  tunnelTexture = allocPixels(256 * 256);
  caption = allocPixels(290 * 50);
  glowLayer = allocPixels(kFramePixels);
  // Grid points start black, which only rays along the tunnel axis ever show.
  rayGrid = static_cast<GridPoint*>(std::calloc(kGridPoints, sizeof(GridPoint)));
  loadRgbImageOrDie("DATA\\BLOBS\\texture1.rgb", 256, 256, texture1);
  loadRgbImageOrDie("DATA\\BLOBS\\texture2.rgb", 256, 256, texture2);
  loadRgbImageOrDie("DATA\\BLOBS\\tex.rgb", 256, 256, tunnelTexture);
  loadRgbImageOrDie("DATA\\BLOBS\\boring.rgb", 290, 50, caption);
  computeViewPyramid(pyramid);
  setupCubeGrid(grid, kGridSize, -100.0f, -100.0f, 200.0f, kCellSize);
}

void castTunnel(float t) {
  castRayGrid(pyramid, tunnelCamera, rayGrid,
              [&](const Vec3& d, GridPoint& p) { castTunnelRay(tunnelCamera.position, d, t, p); });
}

void render(float t, uint32_t* target) {
  const float tau = t / 2.0f;
  iso = 128;
  const float s1 = 1.3f * std::sin(tau * kDegToRad), s2 = 1.3f * std::sin(2.0f * tau * kDegToRad),
              s3 = 1.3f * std::sin(1.5f * tau * kDegToRad);
  balls[0] = {s1, s1, s1};
  balls[1] = {s2, -s2, s2};
  balls[2] = {-s3, -s3, s3};
  computeBlobField(grid, balls, 3, -3.0f, 0.25f);
  computeCubeNormals(grid);

  tunnelCamera.position = {80.0f * std::sin(0.4f * tau * kDegToRad) - 30.0f,
                           70.0f * std::cos(0.5f * tau * kDegToRad) + 50.0f,
                           80.0f * std::cos(0.6f * tau * kDegToRad) + 30.0f + 4.0f * tau};
  tunnelCamera.target = {0.0f, 0.0f, 4.0f * tau};
  tunnelCamera.roll = 0.0f;
  computeViewPyramid(pyramid);
  lookAt(tunnelCamera);
  castTunnel(t);
  fillShadedBlocks(rayGrid, tunnelTexture, target);

  clearFrame(glowLayer);
  const int ox = roundEven(60.0f * std::sin(0.56f * t * kDegToRad)) + 160;
  const int oy = roundEven(20.0f * std::sin(0.86f * t * kDegToRad)) + 100;
  const float su = 256.0f * std::sin(t * kDegToRad), cu = 256.0f * std::cos(t * kDegToRad);
  polygonizeCubes(grid, iso, [&](const CubeVertex* v) {
    // Only triangles facing the viewer.
    if (!(v[0].normal.z + v[1].normal.z + v[2].normal.z < 0.0f)) return;
    int sx[3], sy[3];
    for (int e = 0; e < 3; ++e) {
      const Vec3& p = v[e].pos;
      sx[e] = roundEven(180.0f * p.x / (100.0f + p.z)) + ox;
      sy[e] = roundEven(180.0f * p.y / (100.0f + p.z)) + oy;
    }
    const int uvEnv[6] = {roundEven(v[0].normal.x + 96.0f), roundEven(v[0].normal.y + 96.0f),
                          roundEven(v[1].normal.x + 96.0f), roundEven(v[1].normal.y + 96.0f),
                          roundEven(v[2].normal.x + 96.0f), roundEven(v[2].normal.y + 96.0f)};
    const int uvGlow[6] = {roundEven(v[0].normal.x + su), roundEven(v[0].normal.y + cu),
                           roundEven(v[1].normal.x + su), roundEven(v[1].normal.y + cu),
                           roundEven(v[2].normal.x + su), roundEven(v[2].normal.y + cu)};
    drawTexturedTrianglePair(sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], uvEnv, target, texture2, uvGlow, glowLayer,
                             texture1);
  });
  addFrame(glowLayer, target);

  const float c = std::cos(1.4f * (t - 442.0f) * kDegToRad);
  const int captionLevel = roundEven(128.0f * (c * c));
  if (t < 64.0f) darkenPixels(target, target, kFramePixels, fadeLevel(255 - roundEven(4.0f * t)));
  if (t > 442.0f) blitKeyedAdd(15, 75, 290, 50, caption, target, 0, captionLevel);
  if (t > 821.0f) {
    if (t < 885.0f)
      darkenPixels(target, target, kFramePixels, fadeLevel(roundEven(4.0f * (t - 821.0f))));
    else
      clearFrame(target);
  }
}

void release() {
  std::free(texture1);
  std::free(texture2);
  std::free(tunnelTexture);
  std::free(caption);
  std::free(glowLayer);
  std::free(rayGrid);
  texture1 = texture2 = tunnelTexture = caption = glowLayer = nullptr;
  rayGrid = nullptr;
  releaseCubeGrid(grid);
}
}  // namespace

void computeBlobField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing) {
  // Squared differences per axis and ball, tabulated once per frame.
  float sq[3][3][32];
  for (int b = 0; b < ballCount; ++b)
    for (int i = 0; i < g.n; ++i) {
      float p = start + spacing * float(i);
      float dx = p - balls[b].x, dy = p - balls[b].y, dz = p - balls[b].z;
      sq[b][0][i] = dx * dx;
      sq[b][1][i] = dy * dy;
      sq[b][2][i] = dz * dz;
    }
  fillFieldBytes(g, sq, ballCount, true);
}

namespace ref {
void computeBlobField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing) {
  const int n = g.n;
  // Squared differences per axis and ball, tabulated once per frame.
  float sq[3][3][32];
  for (int b = 0; b < ballCount; ++b)
    for (int i = 0; i < n; ++i) {
      float p = start + spacing * float(i);
      float dx = p - balls[b].x, dy = p - balls[b].y, dz = p - balls[b].z;
      sq[b][0][i] = dx * dx;
      sq[b][1][i] = dy * dy;
      sq[b][2][i] = dz * dz;
    }
  uint8_t* F = g.field;
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        float f = 0.0f;
        for (int b = 0; b < ballCount; ++b) {
          float d2 = sq[b][0][i] + sq[b][1][j] + sq[b][2][k];
          if (d2 == 0.0f) continue;  // a point on the centre leaves that ball out
          f += 1.0f / std::sqrt(d2);
        }
        *F++ = fieldByte(f);
      }
}

}  // namespace ref

void castTunnelRay(const Vec3& o, const Vec3& d, float t, GridPoint& out) {
  const float a = d.x * d.x + d.y * d.y;
  if (!(a > 0.001f)) return;
  const float b = 2.0f * (o.x * d.x + o.y * d.y);
  const float c = o.x * o.x + o.y * o.y - 128.0f * 128.0f;
  const float disc = b * b - 4.0f * a * c;
  if (disc < 0.0f) {
    out = {0, 0, 0};
    return;
  }
  const float dist = (std::sqrt(disc) - b) / (2.0f * a);
  const Vec3 h = {o.x + dist * d.x, o.y + dist * d.y, o.z + dist * d.z};
  float angle = std::atan(h.y / h.x) * 127.0f / 3.14159265f;
  if (h.x > 0.0f) angle += 128.0f;
  const float w = (angle + h.z + t) * kDegToRad;
  out.u = uint16_t(roundEven(512.0f * angle + 768.0f * std::cos(w)));
  out.v = uint16_t(roundEven(128.0f * h.z + 768.0f * std::sin(w)));
  // Wide arithmetic: a far intersection behind the camera must not overflow.
  out.brightness = dist < 500.0f ? uint16_t(int64_t(65280) - 128 * int64_t(roundEven(dist))) : uint16_t(0);
}

const SceneModule blobsModule = {"blobs", load, render, release};
