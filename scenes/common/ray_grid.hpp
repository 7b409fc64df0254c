// The ray grid of the ray-cast sections (the sphere, the blobs' tunnel): one ray
// per node of the coarse grid, through a view pyramid turned with the look-at camera.
#pragma once
#include "scenes/common/grid.hpp"
#include "scenes/common/vectors.hpp"

// The view pyramid: half-angles of 30 and 24 degrees.
struct ViewPyramid {
  Vec3 p1, p2, p3;        // top left, top right, bottom left directions
  Vec3 colStep, rowStep;  // (p2 - p1) / 41, (p3 - p1) / 26
  float fx, fy;           // projection factors
};
void computeViewPyramid(ViewPyramid& p);

// Calls cast(direction, point) for every node of the grid, row by row, with the ray
// direction in the world (camera.right, up and forward set by lookAt).
template <typename Cast>
void castRayGrid(const ViewPyramid& pyramid, const LookCamera& camera, GridPoint* grid, Cast cast) {
  Vec3 p1, colStep, rowStep;
  rotateToWorld(pyramid.p1, camera, p1);
  rotateToWorld(pyramid.colStep, camera, colStep);
  rotateToWorld(pyramid.rowStep, camera, rowStep);
  Vec3 rowDir = p1;
  for (int r = 0; r < kGridRows; ++r) {
    Vec3 d = rowDir;
    for (int k = 0; k < kGridColumns; ++k) {
      cast(d, grid[r * kGridColumns + k]);
      d = {d.x + colStep.x, d.y + colStep.y, d.z + colStep.z};
    }
    rowDir = {rowDir.x + rowStep.x, rowDir.y + rowStep.y, rowDir.z + rowStep.z};
  }
}
