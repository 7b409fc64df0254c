// The sphere section: a flight through a ray-cast sphere with a cloud of glowing
// particles. The pieces worth checking on their own.
#pragma once
#include <cstdint>

#include "scenes/common/grid.hpp"
#include "scenes/common/vectors.hpp"

// One ray from o along d against the sphere of radius 128 around the origin
// (c = o . o - 128^2); a miss gives u = v = 0.
void castSphereRay(const Vec3& o, const Vec3& d, float c, GridPoint& out);

// Where a particle at camera-space (cx, cy, cz) lands: false when it is skipped
// (cz of 3 or less, or a size of 0).
bool placeParticle(float cx, float cy, float cz, float fx, float fy, int& x, int& y, int& size);

// The caption showing at T and its blend level; false when none shows.
bool sphereCaptionAt(int T, int& index, int& level);

// The opening's blend toward the negative at scene time t; -1 once it is over.
int sphereOpeningLevel(float t);

// A fixed-seed generator for the particle cloud: the same cloud on every run.
struct XorShift32 {
  uint32_t state;
  uint32_t next();
  float uniform();  // [0, 1)
};
