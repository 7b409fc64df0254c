#include "video/display.hpp"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/clock.hpp"
#include "base/ending.hpp"
#include "video/display_backend.hpp"
#include "video/messagebox.hpp"

uint32_t* frameBuffer = nullptr;

namespace {
DisplayOptions gOptions;
bool gOpen = false;
uint64_t gPresented = 0;
std::string gFailureText;

uint32_t gClockStart = 0;
uint32_t gClockRate = 0;
}  // namespace

void configureDisplay(const DisplayOptions& options) { gOptions = options; }

int32_t openDisplay() {
  installErrorBox(gOptions.headless ? nullptr : showSdlErrorBox);
  int32_t r = gOptions.headless ? memory_display::open() : sdl_display::open(gOptions);
  if (r != 0) return r;
  if (!frameBuffer) frameBuffer = static_cast<uint32_t*>(std::calloc(kPageWidth * kPageHeight, 4));
  gOpen = true;
  return 0;
}

int32_t closeDisplay() { return 0; }

int32_t presentFrame() {
  if (!gOpen) return 1;
  int32_t r = gOptions.headless ? memory_display::present(frameBuffer) : sdl_display::present(frameBuffer);
  if (r == 0) ++gPresented;
  return r;
}

bool pumpMessages() {
  if (gOptions.headless || !gOpen) return false;
  bool quit = sdl_display::pump();
  return quit;
}

int32_t displayFailure(int32_t code, const char* step, const char* cause) {
  sdl_display::drop();
  gFailureText = std::string(step) + ": " + cause;
  showErrorMessage(kShowCaption, gFailureText.c_str());
  return code;
}

const char* displayFailureText() { return gFailureText.c_str(); }

const uint32_t* presentedPage() { return memory_display::page(); }
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
