// The block fill of warp grids (the cylinder light's background, the matrix room):
// each node of the coarse grid holds texture coordinates and a light level in 8.8
// fixed point, and the picture between nodes is filled by stepping 16-bit lanes over
// 8 x 8 blocks, with a plain texel fetch or a bilinear one.
#pragma once
#include <cstdint>

#include "scenes/common/grid.hpp"

// Four 16-bit lanes; the fourth is unused and kept at 0.
struct WarpNode {
  uint16_t u, v, light, spare;
};

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
