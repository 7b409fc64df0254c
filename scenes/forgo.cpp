// The twelfth section: a 3DS scene drawn affine, played twice (camera 0, then
// camera 1), each half fading in and out with a brightening streak that grows.
#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr float kHalfFrames = 150.0f;
const ThreeDsSectionSetup kSetup{"DATA\\FORGo\\", "forgo.3ds", nullptr, 0, false};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  const HalfFrame half = splitIntoHalves(t, 300.0L, 1770.0L, kHalfFrames);
  runSectionFrame(gSection, half.f, half.camera);
  drawPass(gSection, kAllObjects, drawPolygonAffine, target);
  clearBorder(target);
  fadeHalf(half.f, kHalfFrames, target);
  // Strength 1 with extra s: each pixel gains (256 + s) / 256 of its neighbour.
  const int s = roundEven(double(80.0f * std::sqrt(std::sin(half.f * 180.0f / 300.0f * kDegToRad))));
  smearLeft(1, s, kFrameWidth, kFrameHeight, target);
  smearRight(1, s, kFrameWidth, kFrameHeight, target);
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule forgoModule = {"forgo", load, render, release};
