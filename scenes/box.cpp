// The first section: a 3DS scene from 885 on, smeared in four directions with a
// strength that falls in a saw-tooth every 221 units, with the title card flashing
// over it in a 55-unit saw-tooth from 1770 on.
#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/sections.hpp"

namespace {
const SectionPicture kPictures[] = {{"grylpres.raw", kFrameWidth, kFrameHeight}};
const ThreeDsSectionSetup kSetup{"data\\box\\", "box.3ds", kPictures, 1, false};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void render(float t, uint32_t* target) {
  if (t < 885.0f) {
    clearFrame(target);
    return;
  }
  const int Tp = int(t) - 885;
  runSectionFrame(gSection, float((static_cast<long double>(t) - 885.0L) / 4.2L), 0);
  clearFrame(target);
  drawPass(gSection, kAllObjects, drawPolygonPerspective, target);
  clearBorder(target);
  const int s = 240 - roundEven(double(Tp % 221) / 221.0 * 200.0);
  smearLeft(s, 10, kFrameWidth, kFrameHeight, target);
  smearUp(s, 10, kFrameWidth, kFrameHeight, target);
  smearRight(s, 10, kFrameWidth, kFrameHeight, target);
  smearDown(s, 10, kFrameWidth, kFrameHeight, target);
  if (Tp > 885) {
    blitKeyedDarken(0, 0, kFrameWidth, kFrameHeight, gSection.pictures[0], target, 0, ((Tp - 885) % 55) * 4);
  }
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule boxModule = {"box", load, render, release};
