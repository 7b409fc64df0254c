#include "scenes/vohel_overlay.hpp"

#include <cmath>

#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"

namespace {
// Copies the 40 x 40 rectangle at (x, y) of a frame into a tile, row by row.
void copyTile(int x, int y, const uint32_t* frame, uint32_t* tile) {
  for (int r = 0; r < kOverlayTile; ++r)
    for (int c = 0; c < kOverlayTile; ++c) tile[r * kOverlayTile + c] = frame[(y + r) * kFrameWidth + x + c];
}
}  // namespace

TileRect overlayTileRect(int i, int j, float t) {
  const float phi = 360.0f * t / 885.0f;
  const int dx = roundEven(double(220.0f * std::cos(phi * kDegToRad)));
  const int dy = roundEven(double(40.0f * std::cos(phi * kDegToRad)));
  const float a = std::sin((float(8 * j + i) + phi) * kDegToRad);
  const float s = 1.5f * (a * a);
  const int x0 = roundEven(double(float(40 * i - 160) * s)) + 160;
  const int x1 = roundEven(double(float(40 * i + 40 - 160) * s)) + 160;
  const int y0 = roundEven(double(float(40 * j - 100) * s)) + 100;
  const int y1 = roundEven(double(float(40 * j + 40 - 100) * s)) + 100;
  return {x0 + dx, y0 + dy, x1 - x0 + 1, y1 - y0 + 1};
}

void copyTiles(const uint32_t* frame, uint32_t* tiles) {
  for (int i = 0; i < kOverlayTilesX; ++i)
    for (int j = 0; j < kOverlayTilesY; ++j) copyTile(40 * i, 40 * j, frame, overlayTile(tiles, i, j));
}

void drawOverlayTiles(uint32_t* tiles, float t, uint32_t* target) {
  // Later tiles cover earlier ones.
  for (int i = 0; i < kOverlayTilesX; ++i)
    for (int j = 0; j < kOverlayTilesY; ++j) {
      const TileRect r = overlayTileRect(i, j, t);
      blitScaledKeyedDarken(r.x, r.y, r.w, r.h, kOverlayTile, kOverlayTile, overlayTile(tiles, i, j), target, 0, 0);
    }
}
