// The view pyramid of the ray-cast sections.
#include "scenes/common/ray_grid.hpp"

#include <cmath>

void computeViewPyramid(ViewPyramid& p) {
  const float tanA = std::tan(30.0f * kDegToRad), tanB = std::tan(24.0f * kDegToRad);
  p.p1 = {-tanA, tanB, 1.0f};
  p.p2 = {tanA, tanB, 1.0f};
  p.p3 = {-tanA, -tanB, 1.0f};
  p.colStep = {(p.p2.x - p.p1.x) / 41.0f, (p.p2.y - p.p1.y) / 41.0f, (p.p2.z - p.p1.z) / 41.0f};
  p.rowStep = {(p.p3.x - p.p1.x) / 26.0f, (p.p3.y - p.p1.y) / 26.0f, (p.p3.z - p.p1.z) / 26.0f};
  p.fx = 160.0f / tanA;
  p.fy = -100.0f / tanB;
}
