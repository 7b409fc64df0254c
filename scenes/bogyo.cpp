// The tenth section: a 3DS scene played twice, first through camera 0 and then
// through camera 1, whose three translucent shells glow (drawn affine, smeared in
// four directions and added); each half fades in from black and out to black.
#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr float kHalfFrames = 300.0f;
const char* const kGlowObjects[] = {"transp bog", "transp bo0", "transp bo1"};
const ObjectFilter kScenery{kGlowObjects, 3, false};
const ObjectFilter kGlow{kGlowObjects, 3, true};
const ThreeDsSectionSetup kSetup{"DATA\\BOGYO\\", "bogyo.3ds", nullptr, 0, true};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  const HalfFrame half = splitIntoHalves(t, 600.0L, 1770.0L, kHalfFrames);
  runSectionFrame(gSection, half.f, half.camera);
  drawPass(gSection, kScenery, drawPolygonPerspective, target);
  drawGlowPass(gSection, kGlow, drawPolygonAffine);
  smearLeftRight(180, 12, kFrameWidth, kFrameHeight, gSection.glow);
  smearUp(180, 12, kFrameWidth, kFrameHeight, gSection.glow);
  addGlowSmearedDown(gSection, 180, 12, target);
  clearRightColumn(target);
  fadeHalf(half.f, kHalfFrames, target);
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule bogyoModule = {"bogyo", load, render, release};
