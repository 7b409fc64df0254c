// The blobs section: three metaballs in front of a ray-cast tunnel. The pieces
// worth checking on their own.
#pragma once
#include "scenes/common/grid.hpp"
#include "scenes/common/marching_cubes.hpp"
#include "scenes/common/vectors.hpp"

// The metaball field: grid point (i, j, k) sits at start + spacing * (i, j, k);
// f = sum over the balls of 1 / distance (a ball exactly on the point is left
// out); the byte is 255 from f = 4 up, else the nearest integer to 64 f.
void computeBlobField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing);
namespace ref {
void computeBlobField(CubeGrid& g, const Vec3* balls, int ballCount, float start, float spacing);
}

// One ray against the tunnel, the cylinder of radius 128 around the z axis. A ray
// (almost) parallel to the axis leaves the point as it was; a miss is black.
void castTunnelRay(const Vec3& o, const Vec3& d, float t, GridPoint& out);
