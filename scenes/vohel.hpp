// The cylinder-light section ("vohel"): a turning cylinder drawn row by row from a
// radius map, in front of a background warped by eight waves; before its own window,
// its picture cut into tiles that swing over the end of the first section. The
// pieces worth checking on their own.
#pragma once
#include <cstdint>

#include "image/pixelops.hpp"
#include "scenes/common/warp_fill.hpp"

// --- Levels driven by the integer time T (half the scene time) ---------------------

// Smear strength of the beat: 255 at every multiple of 221, falling towards 2.
inline int vohelBeat(int T) {
  const float phase = float(T % 221) / 221.0f;
  return roundEven(double((1.0f - phase * phase) * 255.0f));
}
// The opening fade from white, for T < 64.
inline int vohelLightenLevel(int T) { return 255 - 4 * T; }
// The scroller's left column, drawn for T > 885: 317 at T = 886, -1200 (gone) at T = 1327.
inline int vohelScrollerX(int T) { return 320 - roundEven(double(T - 885) * 1520.0 / 442.0); }

// --- The background ------------------------------------------------------------------

// The wave grid for the integer time T: texture coordinates moved by eight waves, the
// light falling with the size of their sum.
void buildWarpGrid(int T, WarpNode* grid);

// --- The cylinder: each span a run of one colour, from a profile table of screen
// offsets and the radius in byte 3 of the cylinder and light textures ----------------

constexpr int kProfileSize = 256 * 256;

// profile[k * 256 + m] = 128 + trunc(0.7 * m / 2 * sin(360 * k / 255 degrees)).
void fillProfileTable(uint8_t* profile);

// Per-screen-row values for the integer time T.
struct CylinderRows {
  int row[200];    // texture row shown on the screen row (0..255)
  int dim[200];    // darkening 0..30
  int turn[200];   // rotation of the row, 0..255
  int shift[200];  // horizontal offset
};
void cylinderRows(int T, CylinderRows& rows);

// Draws over dst (320 x 200); rows whose texture row is 13 or less, or 243 or more,
// are left alone. Spans stay inside columns 34 to 292.
void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T);

namespace ref {
void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T);
uint32_t spanColour(uint32_t cyl, uint32_t lit, int shade, int dim);
}  // namespace ref

// --- The overlay: 8 x 5 tiles of 40 x 40 that swell about the screen centre, each on
// its own phase, while the whole set swings left and right ---------------------------

constexpr int kOverlayTile = 40;
constexpr int kOverlayTilesX = 8, kOverlayTilesY = 5;
constexpr int kOverlayTilePixels = kOverlayTile * kOverlayTile;
constexpr int kOverlayTileCount = kOverlayTilesX * kOverlayTilesY;

// Where tile (i, j) lands at show time t (top-left corner and drawn size).
struct TileRect {
  int x, y, w, h;
};
TileRect overlayTileRect(int i, int j, float t);

// Tile (i, j) is stored at index i * 5 + j.
inline uint32_t* overlayTile(uint32_t* tiles, int i, int j) { return tiles + (i * kOverlayTilesY + j) * kOverlayTilePixels; }

// Cuts a 320 x 200 frame into the 40 tiles.
void copyTiles(const uint32_t* frame, uint32_t* tiles);
// Draws the tiles over the target; pixels that are 0 in all four bytes let the target show.
void drawOverlayTiles(uint32_t* tiles, float t, uint32_t* target);

// The overlay over the target at show time t.
void vohelRenderOverlay(float t, uint32_t* target);
