// Coarse-grid texture warps: a 41 x 26 grid of nodes over the 320 x 200 frame,
// each node holding texture coordinates and a brightness in 8.8 fixed point. The
// picture between nodes is filled by stepping 16-bit lanes over 8 x 8 blocks.
// Used by the cylinder-light section (plain texel fetch) and the matrix room
// (bilinear fetch).
#pragma once
#include <cstdint>

constexpr int kGridColumns = 41;
constexpr int kGridRows = 26;
constexpr int kGridNodes = kGridColumns * kGridRows;

// Four 16-bit lanes; the fourth is unused and kept at 0.
struct WarpNode {
  uint16_t u, v, light, spare;
};

// The cylinder-light section's wave grid for the integer time T.
void buildWarpGrid(int T, WarpNode* grid);

// Plain fetch: texel = picture[v >> 8][u >> 8], every byte scaled by light >> 8.
void drawWarpGrid(const WarpNode* grid, const uint32_t* picture, uint32_t* dst);
// A 256 x 256 texture prepared for bilinear fetches: entry (row, column) holds the
// bytes of texel (column, row) interleaved with those of its right neighbour (column + 1
// modulo 256); a 257th row repeats the first, so the row below never needs wrapping.
constexpr int kSmoothTexels = 257 * 256;
void prepareSmoothTexture(const uint32_t* texture, uint64_t* prepared);

// Bilinear fetch of the four texels around (u, v), then scaled by light >> 8.
void drawSmoothWarpGrid(const WarpNode* grid, const uint64_t* prepared, uint32_t* dst);

// Plain per-lane, per-byte versions that define the results of the two above.
namespace ref {
void drawWarpGrid(const WarpNode* grid, const uint32_t* picture, uint32_t* dst);
void drawSmoothWarpGrid(const WarpNode* grid, const uint32_t* texture, uint32_t* dst);
uint32_t plotPlain(const uint32_t* picture, int u, int v, int light);
uint32_t plotSmooth(const uint32_t* texture, int u, int v, int light);
}  // namespace ref
