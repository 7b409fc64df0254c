// The metabox section: cube-like metaballs over a warped tile background. The
// pieces worth checking on their own.
#pragma once
#include "scenes/common/grid.hpp"
#include "scenes/common/marching_cubes.hpp"
#include "scenes/common/vectors.hpp"

// The cube-like field: f = sum over the balls of 1 / (dx^4 + dy^4 + dz^4) at grid
// point start + spacing * (i, j, k); a ball whose sum is exactly 0 is left out.
void computeMetaboxField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing);
namespace ref {
void computeMetaboxField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing);
}

// The background's warp grid for w = t / 4: texture coordinates moved by eight
// travelling waves, the brightness rising from the centre outwards.
void computeWarpGrid(float w, GridPoint* grid);
namespace ref {
void computeWarpGrid(float w, GridPoint* grid);
}
