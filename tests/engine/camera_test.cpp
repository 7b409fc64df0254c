// Guards the projection camera: magnifications, axes, roll, depth limits of the
// projection and the view volume's edges.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/camera_testing.hpp"
#include "engine/camera.hpp"
#include "engine/vectorops.hpp"

namespace {

ProjectionCamera cameraAt(Vector3 position, Vector3 target, float roll = 0, float fov = 90) {
  ProjectionCamera c{};
  buildProjectionCamera(c, position, target, roll, fov, false, 0.5f, 100000.0f);
  return c;
}

ScreenVertex project(const ProjectionCamera& c, Vector3 world, bool* inside = nullptr) {
  Vector3 p = transformPoint(world, c.transformation);
  ScreenVertex s{-1, -1, -1, -1, -1};
  bool in = projectVertex(c, {p.x, p.y, p.z, 0, 0}, s);
  if (inside) *inside = in;
  return s;
}

TEST(EngineCamera, MagnificationsAxesAndScreenDirections) {
  ProjectionCamera c = cameraAt({0, 0, 0}, {0, 0, 5});
  EXPECT_NEAR(c.xMagnify, 160.0f, 1e-3f);
  // The vertical half-angle is 0.75 of the horizontal one: 100 cot(33.75 degrees).
  EXPECT_NEAR(c.yMagnify, 149.66f, 1e-2f);
  EXPECT_NEAR(c.xAxis.x, 1.0f, 1e-6f);
  EXPECT_NEAR(c.yAxis.y, -1.0f, 1e-6f);
  EXPECT_NEAR(c.zAxis.z, 1.0f, 1e-6f);
  // A point above the axis lands above the centre, one right of it right of the centre.
  EXPECT_LT(project(c, {0, 2, 10}).sy, 100);
  EXPECT_GT(project(c, {2, 0, 10}).sx, 40960);
  // transformation = translation x rotation, with the axes as columns.
  ProjectionCamera d = cameraAt({3, 4, 5}, {-2, 1, 9}, 20, 60);
  Vector3 p{1, -2, 7};
  Vector3 rel{p.x - 3, p.y - 4, p.z - 5};
  Vector3 q = transformPoint(p, d.transformation);
  EXPECT_NEAR(q.x, dotProduct(rel, d.xAxis), 1e-5f);
  EXPECT_NEAR(q.y, dotProduct(rel, d.yAxis), 1e-5f);
  EXPECT_NEAR(q.z, dotProduct(rel, d.zAxis), 1e-5f);
  EXPECT_NEAR(dotProduct(d.xAxis, d.zAxis), 0.0f, 1e-6f);
  EXPECT_NEAR(dotProduct(d.yAxis, d.zAxis), 0.0f, 1e-6f);
}

TEST(EngineCamera, PointsOnTheAxisProjectToTheCentre) {
  ProjectionCamera c = cameraAt({0, 0, 0}, {0, 0, 5});
  for (float z : {0.6f, 1.0f, 7.5f, 1000.0f, 90000.0f}) {
    ScreenVertex s = project(c, {0, 0, z});
    EXPECT_EQ(s.sx, 40960) << z;
    EXPECT_EQ(s.sy, 100) << z;
    EXPECT_FLOAT_EQ(s.invZ, 1.0f / z);
  }
  ProjectionCamera d = cameraAt({3, 4, 5}, {-2, 1, 9}, 35, 50);
  for (float t : {0.5f, 2.0f, 40.0f}) {
    ScreenVertex s = project(d, {3 - 5 * t, 4 - 3 * t, 5 + 4 * t});
    EXPECT_NEAR(s.sx, 40960, 1) << t;
    EXPECT_NEAR(s.sy, 100, 1) << t;
  }
}

TEST(EngineCamera, DepthLimitsAndRoundingOfTheProjection) {
  ProjectionCamera c = cameraAt({0, 0, 0}, {0, 0, 5});
  bool inside = true;
  ScreenVertex s = project(c, {0.1f, 0, 0.47f}, &inside);
  EXPECT_FALSE(inside);
  EXPECT_EQ(s.sx, -1);  // left as it was
  s = project(c, {0.1f, 0, 0.48f}, &inside);
  EXPECT_TRUE(inside);
  EXPECT_EQ(s.sx, int32_t(0.1f * 160.0f * 256.0f * (1.0f / 0.48f) + 40960.0f));
  project(c, {0, 0, 100000.0f * 1.0101f}, &inside);
  EXPECT_FALSE(inside);
  project(c, {0, 0, 100000.0f * 1.0099f}, &inside);
  EXPECT_TRUE(inside);
  // Columns and rows truncate toward zero; texture coordinates round halves to even.
  ASSERT_TRUE(projectVertex(c, {-1.0f, -0.5f, 1.0f, 0.5f / 65536.0f, 1.5f / 65536.0f}, s));
  EXPECT_EQ(s.sx, int32_t(-160.0f * 256.0f + 40960.0f));
  EXPECT_EQ(s.tu, 0);
  EXPECT_EQ(s.tv, 2);
  ASSERT_TRUE(projectVertex(c, {0.0f, 0.0f, 2.0f, 1.0f, -2.25f}, s));
  EXPECT_EQ(s.tu, 65536);
  EXPECT_EQ(s.tv, -147456);
  // A row just below the centre truncates to the centre row.
  ASSERT_TRUE(projectVertex(c, {0.0f, 0.001f, 1.0f, 0, 0}, s));
  EXPECT_EQ(s.sy, 100);
}

TEST(EngineCamera, RollTurnsThePicture) {
  // roll 90: the provisional up vector is (1, 0, 0) and the picture turns by a
  // quarter: world +y goes to the right, world +x downwards.
  ProjectionCamera c = cameraAt({0, 0, 0}, {0, 0, 5}, 90);
  EXPECT_NEAR(c.xAxis.y, 1.0f, 1e-6f);
  EXPECT_NEAR(c.yAxis.x, 1.0f, 1e-6f);
  ScreenVertex up = project(c, {0, 2, 10});
  ScreenVertex right = project(c, {2, 0, 10});
  EXPECT_GT(up.sx, 40960 + 20 * 256);
  EXPECT_NEAR(up.sy, 100, 1);
  EXPECT_GT(right.sy, 120);
  EXPECT_NEAR(right.sx, 40960, 256);
}

TEST(EngineCamera, CameraOnItsTargetAutomaticPlanesAndViewVolume) {
  ProjectionCamera c = cameraAt({1, 2, 3}, {1, 2, 3});
  EXPECT_EQ(c.zAxis.x, 0.0f);
  EXPECT_EQ(c.zAxis.z, 1.0f);
  ProjectionCamera a{};
  buildProjectionCamera(a, {0, 0, 0}, {0, 3, 4}, 0, 60, true, 0.5f, 100000.0f);
  EXPECT_EQ(a.nearZPlane, 1.0f);
  EXPECT_FLOAT_EQ(a.farZPlane, 5.0f);
  // The view volume lies just inside the screen.
  c = cameraAt({0, 0, 0}, {0, 0, 5}, 0, 60);
  ViewPlane planes[kViewPlaneCount];
  computeViewPlanes(c, planes);
  EXPECT_EQ(planes[kNearPlane].point.z, 0.5f);
  EXPECT_EQ(planes[kFarPlane].normal.z, -1.0f);
  // Points on the four side planes at depth 10 project just inside the screen.
  for (int k = kLeftPlane; k <= kLowerPlane; ++k) {
    const Vector3& n = planes[k].normal;
    // A point p with p.n = 0 at z = 10 in the plane's own axis.
    Vector3 p = k <= kRightPlane ? Vector3{-n.z * 10.0f / n.x, 0, 10} : Vector3{0, -n.z * 10.0f / n.y, 10};
    ScreenVertex s{};
    ASSERT_TRUE(projectVertex(c, {p.x, p.y, p.z, 0, 0}, s));
    EXPECT_GE(s.sx, k == kRightPlane ? 318 * 256 + 1 : 0) << k;
    EXPECT_LT(s.sx, k == kLeftPlane ? 2 * 256 : 320 * 256) << k;
    EXPECT_GE(s.sy, k == kLowerPlane ? 198 : 0) << k;
    EXPECT_LE(s.sy, k == kUpperPlane ? 1 : 199) << k;
  }
}

}  // namespace
