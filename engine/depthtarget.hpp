// The engine's current depth buffer: 320 x 200 values of 1/z (larger is nearer)
// that the rasterizers test and write. A scene makes its own buffer current and
// clears it before drawing.
#pragma once

constexpr float kDepthCleared = 1.0e-6f;  // an infinitely distant surface

void setDepthTarget(float* buffer);
float* getDepthTarget();
void clearDepthTarget();
