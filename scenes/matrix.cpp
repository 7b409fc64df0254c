// The "matrix" section: the viewer stands inside a room shaped like a rounded
// cube and looks around while the walls change texture every 16 time units. The
// room is ray-cast only at the 41 x 26 grid nodes; the blocks between them are
// filled with bilinear texture fetches. A logo with a white flash, a radial blur
// and fades go on top.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "image/radialblur.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/common/warp_fill.hpp"
#include "scenes/matrix.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kTexturePixels = 256 * 256;
constexpr int kTextures = 8;
constexpr int kLogoWidth = 320, kLogoHeight = 100;

uint64_t* gTextures = nullptr;  // the eight wall textures, prepared for bilinear fetches
uint32_t* gLogo = nullptr;
WarpNode* gGrid = nullptr;
LookCamera gCamera{};
float gFovH = 0.0f, gFovV = 0.0f;  // degrees
Vec3 gTopLeft{}, gColumnStep{}, gRowStep{};

inline float sinDeg(float degrees) { return std::sin(degrees * kDegToRad); }
inline float cosDeg(float degrees) { return std::cos(degrees * kDegToRad); }

// Rays through the grid nodes: the top-left ray, the step to the next node of a
// row, and the step from the end of a row (which has reached the top-right ray)
// to the start of the next.
void updateRayFrame() {
  const float a = sinDeg(gFovH) / cosDeg(gFovH), b = sinDeg(gFovV) / cosDeg(gFovV);
  const Vec3 tl{-a, b, 1.0f}, tr{a, b, 1.0f}, bl{-a, -b, 1.0f};
  gTopLeft = tl;
  gColumnStep = {(tr.x - tl.x) / 41.0f, (tr.y - tl.y) / 41.0f, (tr.z - tl.z) / 41.0f};
  gRowStep = {(bl.x - tl.x) / 26.0f - (tr.x - tl.x), (bl.y - tl.y) / 26.0f - (tr.y - tl.y),
              (bl.z - tl.z) / 26.0f - (tr.z - tl.z)};
}

void aimMatrixCamera(float h) {
  const float sq = sinDeg(0.5f * h);
  const float q = 30.0f * (sq * sq);
  gCamera.position = {0.0f, 0.0f, 0.0f};
  gCamera.target = {60.0f * sinDeg(0.484f * h), 50.0f * cosDeg(0.244f * h), 30.0f * cosDeg(0.642f * h)};
  gCamera.roll = q - 15.0f;
  gFovH = q + 30.0f;
  gFovV = 0.75f * gFovH;
  updateRayFrame();
  lookAt(gCamera);
}

inline uint16_t lane(float value) { return uint16_t(roundEven(double(value))); }  // modulo 65536

// Casts the rays of the grid nodes against the rounded cube |X|^12 + |Y|^12 + |Z|^12 = 192^12.
// Early in the scene the rays wobble a little.
void castRoomGrid(float h) {
  const float w = h < 180.0f ? 1.0f - h / 180.0f : 0.0f;
  Vec3 ray, colStep, rowStep;
  rotateToWorld(gTopLeft, gCamera, ray);
  rotateToWorld(gColumnStep, gCamera, colStep);
  rotateToWorld(gRowStep, gCamera, rowStep);
  for (int y = 0; y < kGridRows; ++y) {
    for (int x = 0; x < kGridColumns; ++x) {
      const float r = std::pow(std::pow(std::fabs(ray.x), 12.0f) + std::pow(std::fabs(ray.y), 12.0f) +
                                   std::pow(std::fabs(ray.z), 12.0f),
                               1.0f / 12.0f);
      if (r > 0.1f) {
        const float fx = float(x), fy = float(y);
        const Vec3 bent{ray.x + w * 0.1f * std::cos((22.0f * fx + 15.0f * fy) * kDegToRad + 0.15f * h),
                        ray.y + w * 0.1f * std::sin((21.0f * fy - 18.0f * fx) * kDegToRad + 0.15f * h),
                        ray.z + w * 0.05f * std::cos((44.0f * fx + 32.0f * fy) * kDegToRad + 0.05f * h)};
        const float d = 192.0f / r;
        const Vec3 p{d * bent.x, d * bent.y, d * bent.z};
        WarpNode& n = gGrid[y * kGridColumns + x];
        n.u = lane((p.z + p.x) * 2.0f * 256.0f);
        n.v = lane(-(p.x + p.y) * 2.0f * 256.0f);
        if (d < 100.0f)
          n.light = 65280;
        else if (d < 350.0f)
          n.light = uint16_t(65280 - 256 * roundEven(double(d - 100.0f)));
        else
          n.light = 0;
        n.spare = 0;
      }
      ray = {ray.x + colStep.x, ray.y + colStep.y, ray.z + colStep.z};
    }
    ray = {ray.x + rowStep.x, ray.y + rowStep.y, ray.z + rowStep.z};
  }
}

void matrixOverlay(int T, uint32_t* target) {
  if (matrixLogoShown(T)) {
    if (matrixFlashShown(T)) lightenPixels(target, target, kFramePixels, matrixFlashLevel(T));
    blitKeyedBlend(0, 50, kLogoWidth, kLogoHeight, gLogo, target, 0, matrixLogoLevel(T));
  }
  if (matrixBlurShown(T)) radialBlur(132, 100, matrixBlurStrength(T), target);
}

void load() {
  gTextures = static_cast<uint64_t*>(std::calloc(size_t(kTextures) * kSmoothTexels, 8));
  uint32_t* picture = allocPixels(kTexturePixels);
  gLogo = allocPixels(kLogoWidth * kLogoHeight);
  gGrid = static_cast<WarpNode*>(std::calloc(kGridPoints, sizeof(WarpNode)));
  for (int i = 0; i < kTextures; ++i) {
    char path[32];
    std::snprintf(path, sizeof path, "data\\matrix\\m%d.rgb", i + 1);
    loadRgbImageOrDie(path, 256, 256, picture);
    prepareSmoothTexture(picture, gTextures + i * kSmoothTexels);
  }
  std::free(picture);
  loadRgbImageOrDie("data\\matrix\\qz0.rgb", kLogoWidth, kLogoHeight, gLogo);
  gCamera = LookCamera{};
  gFovH = gFovV = 0.0f;
  updateRayFrame();
}

void render(float time, uint32_t* target) {
  const int T = int(time);
  const float h = time * 0.5f;
  aimMatrixCamera(h);
  castRoomGrid(h);
  drawSmoothWarpGrid(gGrid, gTextures + matrixTextureIndex(T) * kSmoothTexels, target);
  matrixOverlay(T, target);
  if (T < 64) darkenPixels(target, target, kFramePixels, 255 - 4 * T);
  if (T > 1642) {
    if (T < 1770)
      darkenPixels(target, target, kFramePixels, 2 * (T - 1642));
    else
      clearFrame(target);
  }
}

void release() {
  std::free(gTextures);
  std::free(gLogo);
  std::free(gGrid);
  gTextures = nullptr;
  gLogo = nullptr;
  gGrid = nullptr;
}
}  // namespace

const SceneModule matrixModule = {"matrix", load, render, release};
