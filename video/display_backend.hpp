// What the display asks of a backend: a table of functions, one file per backend,
// chosen once when the display opens.
#pragma once
#include <cstdint>

#include "video/display.hpp"

struct DisplayBackend {
  // 0 when pages can be presented; otherwise the failure has been reported.
  int32_t (*open)(const DisplayOptions& options);
  // Composes the page for the 320 x 200 frame and shows it; 0 when it was shown.
  int32_t (*present)(const uint32_t* frame);
  // Drains pending window events; true when the quit was delivered.
  bool (*pump)();
};

extern const DisplayBackend kSdlDisplay;     // display_sdl.cpp: a window on the desktop
extern const DisplayBackend kMemoryDisplay;  // display_memory.cpp: pages kept in memory

// Writes the 320 x 240 page for `frame` into `page` with rows `pitchPixels` apart.
void composePage(const uint32_t* frame, uint32_t* page, int pitchPixels);

// Reports a failed set-up step ("SetDisplayMode FAILED") with the cause in the error
// box (or on standard error) and returns code.
int32_t displayFailure(int32_t code, const char* step, const char* cause);
