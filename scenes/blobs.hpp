// Pieces of the blobs section that are worth checking on their own.
#pragma once
#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/common/marching_cubes.hpp"
#include "scenes/common/grid_fill.hpp"

// The metaball field: grid point (i, j, k) sits at start + spacing * (i, j, k);
// f = sum over the balls of 1 / distance (a ball exactly on the point is left
// out); the byte is 255 from f = 4 up, else the nearest integer to 64 f.
void computeBlobField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing);

// One ray against the tunnel, the cylinder of radius 128 around the z axis. A ray
// (almost) parallel to the axis leaves the point as it was; a miss is black.
void castTunnelRay(const Vec3& o, const Vec3& d, float t, GridPoint& out);

// Fade levels are bytes: the last moments of the four-per-unit fades would round
// to 256 (or 255 - 256) and wrap to the opposite extreme, so they are held at the ends.
inline int fadeLevel(int level) { return level < 0 ? 0 : level > 255 ? 255 : level; }

// The byte a field sum becomes. Just below 4 the rounding reaches 256, which is
// held at 255 rather than wrapping to an empty 0 inside the blob.
inline uint8_t fieldByte(float f) {
  if (f >= 4.0f) return 255;
  int v = roundEven(64.0f * f);
  return uint8_t(v > 255 ? 255 : v);
}
