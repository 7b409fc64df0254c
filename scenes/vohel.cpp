// The "vohel" section: a textured cylinder with a bumpy outline turns in front of
// a background warped by eight waves. Beat smears, a scroller, a blend towards the
// negative and fades finish the frame. Before its own window it also cuts its
// picture into 40 tiles that swing over the end of the first section.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/sections.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/vohel_cylinder.hpp"
#include "scenes/vohel_overlay.hpp"
#include "scenes/vohel.hpp"
#include "scenes/common/warp_fill.hpp"

namespace {
constexpr int kTexturePixels = 256 * 256;
constexpr int kScrollerWidth = 1200, kScrollerHeight = 100;

WarpNode* gGrid = nullptr;
uint32_t* gBackground = nullptr;
uint8_t* gRadiusMap = nullptr;
uint32_t* gCylinderTexture = nullptr;
uint32_t* gLightTexture = nullptr;
uint8_t* gProfile = nullptr;
uint32_t* gWorkFrame = nullptr;
uint32_t* gScroller = nullptr;
uint32_t* gTiles = nullptr;

template <typename T>
T* allocate(size_t count) {
  return static_cast<T*>(std::calloc(count, sizeof(T)));
}

inline float sinDeg(float degrees) { return std::sin(degrees * kDegToRad); }

void load() {
  gGrid = allocate<WarpNode>(kGridNodes);
  gBackground = allocate<uint32_t>(kTexturePixels);
  gRadiusMap = allocate<uint8_t>(kTexturePixels);
  gCylinderTexture = allocate<uint32_t>(kTexturePixels);
  gLightTexture = allocate<uint32_t>(kTexturePixels);
  gProfile = allocate<uint8_t>(kProfileSize);
  gWorkFrame = allocate<uint32_t>(kFramePixels);
  gScroller = allocate<uint32_t>(kScrollerWidth * kScrollerHeight);
  gTiles = allocate<uint32_t>(kOverlayTileCount * kOverlayTilePixels);

  loadRgbImageOrDie("data\\vohel\\backgrnd.rgb", 256, 256, gBackground);
  loadRawBytesOrDie("data\\vohel\\cylmap.raw", 256, 256, gRadiusMap);
  loadRgbImageOrDie("data\\vohel\\cyltex.rgb", 256, 256, gCylinderTexture);
  loadRgbImageOrDie("data\\vohel\\lighttex.rgb", 256, 256, gLightTexture);
  loadRgbImageOrDie("data\\vohel\\spass.rgb", kScrollerWidth, kScrollerHeight, gScroller);
  // The radius rides in byte 3 of both textures, so one fetch gives colour and radius.
  for (int k = 0; k < kTexturePixels; ++k) {
    gCylinderTexture[k] = (gCylinderTexture[k] & 0x00FFFFFFu) | (uint32_t(gRadiusMap[k]) << 24);
    gLightTexture[k] = (gLightTexture[k] & 0x00FFFFFFu) | (uint32_t(gRadiusMap[k]) << 24);
  }
  fillProfileTable(gProfile);
}

void release() {
  std::free(gGrid);
  std::free(gBackground);
  std::free(gRadiusMap);
  std::free(gCylinderTexture);
  std::free(gLightTexture);
  std::free(gProfile);
  std::free(gWorkFrame);
  std::free(gScroller);
  std::free(gTiles);
  gGrid = nullptr;
  gBackground = gCylinderTexture = gLightTexture = gWorkFrame = gScroller = gTiles = nullptr;
  gRadiusMap = gProfile = nullptr;
}

void drawBackgroundAndCylinder(int T, uint32_t* target) {
  buildWarpGrid(T, gGrid);
  drawWarpGrid(gGrid, gBackground, target);
  drawCylinder(gCylinderTexture, target, gLightTexture, gProfile, T);
}

void render(float time, uint32_t* target) {
  const int T = int(time * 0.5f);
  drawBackgroundAndCylinder(T, target);

  // The beat: a strong smear at every 221 units that relaxes until the next.
  const int beat = vohelBeat(T);
  smearLeft(beat, 0, kFrameWidth, kFrameHeight, target);
  smearRight(beat, 0, kFrameWidth, kFrameHeight, target);

  if (T < 64) lightenPixels(target, target, kFramePixels, vohelLightenLevel(T));
  if (T > 885) {
    blitKeyedBlend(vohelScrollerX(T), 20, kScrollerWidth, kScrollerHeight, gScroller, target, 0, 192);
  }
  if (T > 663) {
    const float s = sinDeg(90.0f * (time - 663.0f) / 222.0f);
    blendToNegative(target, roundEven(double(255.0f * (s * s))));
  }
  if (T > 1263) {
    if (T < 1327)
      darkenPixels(target, target, kFramePixels, 4 * (T - 1263));
    else
      clearFrame(target);
  }
  if (T > 442 && T - 442 < 240) {
    const int g = roundEven(double(120.0f * std::sqrt(sinDeg(0.75f * float(T - 442)))));
    smearLeft(1, g, kFrameWidth, kFrameHeight, target);
    smearRight(1, g, kFrameWidth, kFrameHeight, target);
  }
}
}  // namespace

const SceneModule vohelModule = {"vohel", load, render, release};

void vohelRenderOverlay(float t, uint32_t* target) {
  drawBackgroundAndCylinder(int(t), gWorkFrame);
  copyTiles(gWorkFrame, gTiles);
  drawOverlayTiles(gTiles, t, target);
}
