// The end screen: one picture that fades in from black over 127 units, stays,
// fades out over 126 units from 1157 and is black from 1283 on.
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "scenes/sections.hpp"

namespace {
uint32_t* gPicture = nullptr;

void load() {
  gPicture = allocPixels(kFramePixels);
  loadRgbImageOrDie("DATA\\endscrn\\endscrn.rgb", kFrameWidth, kFrameHeight, gPicture);
}

void render(float t, uint32_t* target) {
  copyFrame(gPicture, target);
  if (t < 127.0f) {
    darkenPixels(target, target, kFramePixels, 255 - roundEven(2.0 * t));
  } else if (t > 1157.0f) {
    if (t >= 1283.0f)
      clearFrame(target);
    else
      darkenPixels(target, target, kFramePixels, roundEven(2.0 * (double(t) - 1157.0)));
  }
}

void release() {
  std::free(gPicture);
  gPicture = nullptr;
}
}  // namespace

const SceneModule endscrnModule = {"endscrn", load, render, release};
