// The single-scene mode's section: a 3DS scene whose tube glows, smeared left and
// down, fading in over its first 128 units and then looping through its animation.
#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/sections.hpp"

namespace {
const char* const kGlowObjects[] = {"Tube01"};
const ObjectFilter kScenery{kGlowObjects, 1, false};
const ObjectFilter kGlow{kGlowObjects, 1, true};
const ThreeDsSectionSetup kSetup{"DATA\\misc\\", "kisvirag.3ds", nullptr, 0, true};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  const int T = int(t);
  runSectionFrame(gSection, float(static_cast<long double>(t) * 600.0L / 2655.0L), 0);
  clearFrame(target);
  drawPass(gSection, kScenery, drawPolygonPerspective, target);
  drawGlowPass(gSection, kGlow, drawPolygonPerspective);
  addFrame(gSection.glow, target);
  smearLeft(50, 0, kFrameWidth, kFrameHeight, target);
  smearDown(50, 0, kFrameWidth, kFrameHeight, target);
  clearBorder(target);
  if (T < 128) darkenFrame(target, 255 - 2 * T);
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule miscModule = {"misc", load, render, release};
