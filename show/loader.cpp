// The loader screen's picture and its fades on the frame clock.
#include "show/loader.hpp"

#include <cstdlib>
#include <thread>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "video/display.hpp"

namespace {
// The fades run on the frame clock at 128 units per second.
constexpr uint32_t kFadeClockRate = 128;
uint32_t* gPicture = nullptr;

long clockUnits() { return long(frameClockTime()); }

void waitUntil(long units) {
  while (clockUnits() < units) std::this_thread::yield();
}
}  // namespace

void loadLoaderPicture() {
  gPicture = allocPixels(kFramePixels);
  loadRgbImageOrDie("data\\loader\\loader.rgb", kFrameWidth, kFrameHeight, gPicture);
}

void fadeInLoader(uint32_t* frame) {
  resetFrameClock(kFadeClockRate);
  clearFrame(frame);
  presentFrame();
  for (;;) {
    long n = clockUnits();
    if (n < 128) clearFrame(frame);
    if (n > 383) break;
    if (n >= 128) darkenPixels(gPicture, frame, kFramePixels, int(383 - n));
    presentFrame();
  }
  copyFrame(gPicture, frame);
  presentFrame();
  waitUntil(512);
}

void fadeOutLoader(uint32_t* frame) {
  resetFrameClock(kFadeClockRate);
  copyFrame(gPicture, frame);
  presentFrame();
  for (;;) {
    long n = clockUnits();
    if (n > 255) break;
    darkenPixels(gPicture, frame, kFramePixels, int(n));
    presentFrame();
  }
  clearFrame(frame);
  presentFrame();
  waitUntil(384);
}

void showLoaderAtOnce(uint32_t* frame) {
  copyFrame(gPicture, frame);
  presentFrame();
}

void hideLoaderAtOnce(uint32_t* frame) {
  clearFrame(frame);
  presentFrame();
}

void releaseLoaderPicture() {
  std::free(gPicture);
  gPicture = nullptr;
}
