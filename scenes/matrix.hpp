// The matrix room's time-driven levels, all from the integer scene time T.
#pragma once
#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"

// The wall texture (0..7) changes every 16 time units.
inline int matrixTextureIndex(int T) { return (T / 16) % 8; }
// The white flash is drawn for 221 < T < 285, fading from 189.
inline bool matrixFlashShown(int T) { return T > 221 && T < 285; }
inline int matrixFlashLevel(int T) { return 192 - 3 * (T - 221); }
// The logo appears after T = 221 and settles at a quarter blend (level 64) from T = 285.
inline bool matrixLogoShown(int T) { return T > 221; }
inline int matrixLogoLevel(int T) { return T < 285 ? 255 - 3 * (T - 221) : 64; }
// The radial blur swells and fades once over 442 < T < 885.
inline bool matrixBlurShown(int T) { return T > 442 && T < 885; }
inline int matrixBlurStrength(int T) {
  return roundEven(double(230.0f * std::sin(180.0f * float(T - 442) / 443.0f * kDegToRad)));
}
