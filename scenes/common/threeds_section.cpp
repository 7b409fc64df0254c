#include "scenes/common/threeds_section.hpp"

#include <cstdlib>
#include <string>

#include "engine/scenesequence.hpp"
#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/common/fade.hpp"

void loadThreeDsSection(ThreeDsSection& section, const ThreeDsSectionSetup& setup) {
  const std::string directory = setup.directory;
  const int pictureCount = setup.pictureCount < kMaxSectionPictures ? setup.pictureCount : kMaxSectionPictures;
  for (int i = 0; i < pictureCount; ++i) {
    const SectionPicture& p = setup.pictures[i];
    section.pictures[i] = allocPixels(size_t(p.width) * size_t(p.height));
  }
  if (setup.glowBuffer) section.glow = allocPixels(kFramePixels);
  for (int i = 0; i < pictureCount; ++i) {
    const SectionPicture& p = setup.pictures[i];
    loadRgbImageOrDie((directory + p.file).c_str(), p.width, p.height, section.pictures[i]);
  }
  loadSceneSequence(section.scene, directory, setup.sceneFile);
}

void releaseThreeDsSection(ThreeDsSection& section) {
  releaseSceneSequence(section.scene);
  for (uint32_t*& p : section.pictures) {
    std::free(p);
    p = nullptr;
  }
  std::free(section.glow);
  section.glow = nullptr;
  section.glowCleared = false;
}

void runSectionFrame(const ThreeDsSection& section, float f, uint32_t camera) {
  runFrameSequence(section.scene, f, camera);
}

HalfFrame splitIntoHalves(float t, long double framesPerWindow, long double length, float halfFrames) {
  // The division in extended precision, the frame stored in single precision.
  const long double g = static_cast<long double>(t) * framesPerWindow / length;
  if (g < halfFrames) return {float(g), 0};
  return {float(g - halfFrames), 1};
}

void drawPass(const ThreeDsSection& section, const ObjectFilter& filter, PolygonRasterizer rasterizer,
              uint32_t* destination) {
  drawObjectsByName(section.scene, filter.names, filter.count, filter.onlyNamed, rasterizer, destination);
}

void drawGlowPass(ThreeDsSection& section, const ObjectFilter& filter, PolygonRasterizer rasterizer) {
  if (!section.glowCleared) clearFrame(section.glow);
  section.glowCleared = false;
  drawPass(section, filter, rasterizer, section.glow);
}

void addGlowSmearedDown(ThreeDsSection& section, int a, int b, uint32_t* target) {
  smearDownAddAndClear(a, b, section.glow, target);
  section.glowCleared = true;
}

void clearBorder(uint32_t* frame) {
  for (int x = 0; x < kFrameWidth; ++x) {
    frame[x] = 0;
    frame[(kFrameHeight - 1) * kFrameWidth + x] = 0;
  }
  for (int y = 0; y < kFrameHeight; ++y) {
    frame[y * kFrameWidth] = 0;
    frame[y * kFrameWidth + kFrameWidth - 1] = 0;
  }
}

void clearRightColumn(uint32_t* frame) {
  for (int y = 0; y < kFrameHeight; ++y) frame[y * kFrameWidth + kFrameWidth - 1] = 0;
}

// An amount that rounds past an end (256 in the last eighth of a unit of a fade) is
// held there instead of wrapping to the opposite extreme.
void darkenFrame(uint32_t* frame, int amount) { darkenPixels(frame, frame, kFramePixels, fadeLevel(amount)); }

void whitenFrame(uint32_t* frame, int amount) { lightenPixels(frame, frame, kFramePixels, fadeLevel(amount)); }

void fadeOutLastUnits(float t, uint32_t* frame) {
  if (!(t > 1706.0f)) return;
  if (t < 1770.0f)
    darkenFrame(frame, roundEven(4.0 * (double(t) - 1706.0)));
  else
    clearFrame(frame);
}

void fadeHalf(float f, float halfFrames, uint32_t* frame) {
  const double fadeOutFrom = double(halfFrames) - 31.0;
  if (f < 31.0f) {
    darkenFrame(frame, roundEven(255.0 - 8.0 * double(f)));
  } else if (double(f) > fadeOutFrom) {
    if (f < halfFrames)
      darkenFrame(frame, roundEven(8.0 * (double(f) - fadeOutFrom)));
    else
      clearFrame(frame);
  }
}
