// The cylinder-light section's time-driven levels, from the integer time T
// (half the scene time).
#pragma once
#include <cstdint>

#include "image/pixelops.hpp"

// Smear strength of the beat: 255 at every multiple of 221, falling towards 2.
inline int vohelBeat(int T) {
  const float phase = float(T % 221) / 221.0f;
  return roundEven(double((1.0f - phase * phase) * 255.0f));
}
// The opening fade from white, for T < 64.
inline int vohelLightenLevel(int T) { return 255 - 4 * T; }
// The scroller's left column, drawn for T > 885: 317 at T = 886, -1200 (gone) at T = 1327.
inline int vohelScrollerX(int T) { return 320 - roundEven(double(T - 885) * 1520.0 / 442.0); }

// The overlay over the end of the first section (show time t): this section's
// picture cut into tiles that swing over the target.
void vohelRenderOverlay(float t, uint32_t* target);
