// The sixth section: a 3DS scene smeared in four directions with a strength that
// breathes, framed by black dashes marching round the screen, fading in from white.
#include <cmath>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kDashLength = 32, kDashWidth = 4;
const ThreeDsSectionSetup kSetup{"DATA\\boxbox\\", "boxbox.3ds", nullptr, 0, false};

ThreeDsSection gSection;
uint32_t* gDash = nullptr;  // all black; drawn as a 32 x 4 or a 4 x 32 picture

void load() {
  gDash = allocPixels(kDashLength * kDashWidth);
  loadThreeDsSection(gSection, kSetup);
}

// The dashes: black at a quarter strength (key 1, so black is drawn), each row and
// column of them moving on by one pixel per unit and repeating every 40.
void drawDashes(int T, uint32_t* target) {
  const int m = T % 40;
  for (int i = 0; i <= 9; ++i) {
    const int x = m + 40 * i - 40;
    blitKeyedBlend(x, 176, kDashLength, kDashWidth, gDash, target, 1, 192);
    blitKeyedBlend(320 - x, 20, kDashLength, kDashWidth, gDash, target, 1, 192);
  }
  for (int i = 0; i <= 5; ++i) {
    const int y = m + 40 * i - 40;
    blitKeyedBlend(20, y, kDashWidth, kDashLength, gDash, target, 1, 192);
    blitKeyedBlend(296, 200 - y, kDashWidth, kDashLength, gDash, target, 1, 192);
  }
}

void render(float t, uint32_t* target) {
  const int T = int(t);
  runSectionFrame(gSection, float(static_cast<long double>(t) * 600.0L / 1770.0L), 0);
  drawPass(gSection, kAllObjects, drawPolygonPerspective, target);
  clearBorder(target);
  const float c = std::cos(t / 4.0f * kDegToRad);
  const int s = roundEven(double(230.0f * (c * c)));
  smearLeft(s, 5, kFrameWidth, kFrameHeight, target);
  smearUp(s, 5, kFrameWidth, kFrameHeight, target);
  smearRight(s, 5, kFrameWidth, kFrameHeight, target);
  smearDown(s, 5, kFrameWidth, kFrameHeight, target);
  drawDashes(T, target);
  if (t < 63.0f) whitenFrame(target, 255 - roundEven(4.0 * double(t)));
  fadeOutLastUnits(t, target);
}

void release() {
  releaseThreeDsSection(gSection);
  std::free(gDash);
  gDash = nullptr;
}
}  // namespace

const SceneModule boxboxModule = {"boxbox", load, render, release};
