// The fourth section: a 3DS scene whose glowing objects are smeared in four
// directions before they are added, horizontal streaks that swell from 1770 on, a
// fade in from black and a blend towards the negative at the end.
#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"

namespace {
const char* const kGlowObjects[] = {"hyper", "szmotyi"};
const ObjectFilter kScenery{kGlowObjects, 2, false};
const ObjectFilter kGlow{kGlowObjects, 2, true};
const ThreeDsSectionSetup kSetup{"DATA\\HYPER\\", "hyper.3ds", nullptr, 0, true};

ThreeDsSection gSection;

// A * sin^2 of an angle in degrees, rounded.
int scaledSineSquare(float amplitude, float degrees) {
  const float s = std::sin(degrees * kDegToRad);
  return roundEven(double(amplitude * (s * s)));
}

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  const int T = int(t);
  runSectionFrame(gSection, float(static_cast<long double>(t) * 600.0L / 2655.0L), 0);
  drawPass(gSection, kScenery, drawPolygonPerspective, target);
  drawGlowPass(gSection, kGlow, drawPolygonPerspective);
  smearLeftRight(200, 15, kFrameWidth, kFrameHeight, gSection.glow);
  smearUp(160, 0, kFrameWidth, kFrameHeight, gSection.glow);
  addGlowSmearedDown(gSection, 160, 0, target);
  clearBorder(target);
  if (T > 1770) {
    const int s = scaledSineSquare(240.0f, float(T - 1770) / 885.0f * 270.0f);
    smearLeftRight(s, 0, kFrameWidth, kFrameHeight, target);
  }
  if (T < 128) darkenFrame(target, 255 - 2 * T);
  if (T > 2527) blendToNegative(target, scaledSineSquare(128.0f, (t - 2527.0f) * 90.0f / 128.0f));
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule hyperModule = {"hyper", load, render, release};
