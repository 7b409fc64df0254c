// The seventh section: a 3DS scene softened by a cross blur every frame, with a
// line of greetings crossing the screen from left to right over the whole window.
#include "image/crossblur.hpp"
#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/sections.hpp"

namespace {
constexpr int kGreetingsWidth = 2268, kGreetingsHeight = 18;
const SectionPicture kPictures[] = {{"greet.rgb", kGreetingsWidth, kGreetingsHeight}};
const ThreeDsSectionSetup kSetup{"DATA\\CSAPOK\\", "csapok.3ds", kPictures, 1, false};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  runSectionFrame(gSection, float(static_cast<long double>(t) * 600.0L / 1770.0L), 0);
  drawPass(gSection, kAllObjects, drawPolygonPerspective, target);
  clearBorder(target);
  crossBlur(target);
  // Enters at the left edge at 0 and has left at the right edge by 1770.
  const int x = roundEven(double(t) / 1770.0 * 2588.0) - kGreetingsWidth;
  blitKeyedDarken(x, 160, kGreetingsWidth, kGreetingsHeight, gSection.pictures[0], target, 0, 0);
  if (t < 63.0f) darkenFrame(target, 255 - roundEven(4.0 * double(t)));
  fadeOutLastUnits(t, target);
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule csapokModule = {"csapok", load, render, release};
