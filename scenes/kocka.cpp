// The eleventh section: a 3DS scene under five rows of sprites that cut into the
// picture (subtractive, pulsing row by row), fading in from black and out to black.
#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"

namespace {
const SectionPicture kPictures[] = {{"box1.rgb", 40, 20}, {"box2.rgb", 120, 60}, {"box3.rgb", 184, 84}};
const ThreeDsSectionSetup kSetup{"DATA\\kocka\\", "kocka.3ds", kPictures, 3, false};

// One row of sprites: which picture, how many, how far apart and how fast they move
// (x = ((spacing i + T div divisor) mod period) - offset), where, and its pulse phase.
struct SpriteRow {
  int picture;
  int count;
  int spacing, divisor, period, offset;
  int y;
  float phase;
};
const SpriteRow kRows[] = {
    {0, 10, 40, 4, 360, 38, -1, 0.0f},    {1, 4, 120, 2, 480, 140, 12, 120.0f},
    {2, 4, 184, 1, 736, 300, 58, 240.0f}, {1, 4, 120, 2, 480, 140, 128, 120.0f},
    {0, 10, 40, 4, 360, 38, 181, 0.0f},
};

ThreeDsSection gSection;

void load() { loadThreeDsSection(gSection, kSetup); }

void drawSpriteRows(float t, uint32_t* target) {
  const int T = int(t);
  for (const SpriteRow& row : kRows) {
    const SectionPicture& picture = kPictures[row.picture];
    const float s = std::sin((t + row.phase) / 2.0f * kDegToRad);
    const int amount = roundEven(double(64.0f * (s * s)));
    for (int i = 0; i < row.count; ++i) {
      const int x = (row.spacing * i + T / row.divisor) % row.period - row.offset;
      blitKeyedSubtract(x, row.y, picture.width, picture.height, gSection.pictures[row.picture], target, 0, amount);
    }
  }
}

void render(float t, uint32_t* target) {
  runSectionFrame(gSection, float(static_cast<long double>(t) * 600.0L / 1770.0L), 0);
  drawPass(gSection, kAllObjects, drawPolygonPerspective, target);
  clearBorder(target);
  drawSpriteRows(t, target);
  if (t < 63.0f) darkenFrame(target, 255 - roundEven(4.0 * double(t)));
  fadeOutLastUnits(t, target);
}

void release() { releaseThreeDsSection(gSection); }
}  // namespace

const SceneModule kockaModule = {"kocka", load, render, release};
