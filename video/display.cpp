// The display: options, the backend chosen at open, the frame clock, page composition.
#include "video/display.hpp"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/clock.hpp"
#include "base/ending.hpp"
#include "video/display_backend.hpp"
#include "video/display_testing.hpp"
#include "video/messagebox.hpp"

uint32_t* frameBuffer = nullptr;

namespace {
DisplayOptions gOptions;
const DisplayBackend* gBackend = nullptr;  // chosen by openDisplay; none until it succeeds
uint64_t gPresented = 0;
std::string gFailureText;

uint32_t gClockStart = 0;
uint32_t gClockRate = 0;
}  // namespace

void configureDisplay(const DisplayOptions& options) { gOptions = options; }

int32_t openDisplay() {
  installErrorBox(gOptions.headless ? nullptr : showSdlErrorBox);
  const DisplayBackend* backend = gOptions.headless ? &kMemoryDisplay : &kSdlDisplay;
  int32_t r = backend->open(gOptions);
  if (r != 0) return r;
  if (!frameBuffer) frameBuffer = static_cast<uint32_t*>(std::calloc(kPageWidth * kPageHeight, 4));
  gBackend = backend;
  return 0;
}

int32_t closeDisplay() {
  SDL_Quit();
  return 0;
}

int32_t presentFrame() {
  if (!gBackend) return 1;
  int32_t r = gBackend->present(frameBuffer);
  if (r == 0) ++gPresented;
  return r;
}

bool pumpMessages() { return gBackend && gBackend->pump(); }

int32_t displayFailure(int32_t code, const char* step, const char* cause) {
  gFailureText = std::string(step) + ": " + cause;
  showErrorMessage(kShowCaption, gFailureText.c_str());
  return code;
}

const char* displayFailureText() { return gFailureText.c_str(); }

uint64_t presentedFrameCount() { return gPresented; }

void resetFrameClock(uint32_t rate) {
  gClockStart = millisecondTick();
  gClockRate = rate;
}

long double frameClockTime() {
  uint32_t elapsed = millisecondTick() - gClockStart;  // unsigned: right across the wrap
  return (long double)elapsed / 1000.0L * (long double)gClockRate;
}

void composePage(const uint32_t* frame, uint32_t* page, int pitchPixels) {
  for (int row = 0; row < kPageHeight; ++row) {
    uint32_t* out = page + size_t(row) * size_t(pitchPixels);
    int fr = row - kBandRows;
    if (fr < 0 || fr >= 200)
      std::memset(out, 0, kPageWidth * 4);
    else
      std::memcpy(out, frame + fr * kPageWidth, kPageWidth * 4);
  }
}
