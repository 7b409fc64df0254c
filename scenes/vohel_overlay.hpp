// The cylinder-light section's overlay over the end of the first section: its
// picture cut into 8 x 5 tiles of 40 x 40 that swell about the screen centre, each
// on its own phase, while the whole set swings left and right.
#pragma once
#include <cstdint>

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
