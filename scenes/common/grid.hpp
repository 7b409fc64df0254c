// The coarse grid the ray-cast and warped sections compute: 41 x 26 nodes over the
// 320 x 200 frame, one every 8 pixels (the last row and column just outside it).
// Between the nodes the fillers (grid_fill.hpp, warp_fill.hpp) step 16-bit lanes
// over 8 x 8 pixel blocks.
#pragma once
#include <cstdint>

constexpr int kGridColumns = 41;
constexpr int kGridRows = 26;
constexpr int kGridPoints = kGridColumns * kGridRows;

// A node of a textured grid in 8.8 fixed point: the high byte of u and v is the
// texel, the low byte the fraction; the high byte of brightness is the light level.
struct GridPoint {
  uint16_t u, v, brightness;
};
