// The display: a 320 x 240 page (20 black rows, the 200 frame rows, 20 black rows)
// presented through one of two backends chosen when it opens (an SDL window, or
// memory when headless), plus the millisecond frame clock.
#pragma once
#include <cstdint>

constexpr int kPageWidth = 320;
constexpr int kPageHeight = 240;
constexpr int kBandRows = 20;

// Room for 320 x 240 pixels; the frame the show draws is its first 200 rows.
extern uint32_t* frameBuffer;

struct DisplayOptions {
  bool headless = false;  // present into memory; no window, no message boxes
  bool windowed = false;  // a window instead of the full desktop
  int scale = 3;          // window scale factor
};
void configureDisplay(const DisplayOptions& options);

// 0 when the page is ready; otherwise the failure has been reported already.
int32_t openDisplay();
// The display layer's closing step before the program ends: SDL is shut down. Always 0.
int32_t closeDisplay();
// 0 when the page reached the screen; a nonzero code when it was dropped.
int32_t presentFrame();
// Drains the window's pending events. Escape asks the window to close, and a
// closed window delivers the quit; true when the quit was delivered.
bool pumpMessages();

// Headless presentation: the last page presented into memory.
const uint32_t* presentedPage();

// Frame clock on the 32-bit millisecond tick (base/clock.hpp), which may wrap around.
void resetFrameClock(uint32_t rate);
long double frameClockTime();
