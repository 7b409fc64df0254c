// Guards the vector helpers of the procedural sections: the worked look-at camera,
// degenerate vectors, outputs that alias inputs, and the world-to-camera matrix
// against rotateToWorld.
#include <gtest/gtest.h>

#include <cmath>

#include "scenes/common/vectors.hpp"

namespace {
void expectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

Mat4 sample(float base) {
  Mat4 m;
  for (int i = 0; i < 16; ++i) m.m[i] = base + float(i) * 0.5f - float(i % 3);
  return m;
}
}  // namespace

// The worked look-at camera, also rolled by 90 degrees (the provisional up turns to
// (1, 0, 0): right = (1, 0, 0) x (0, 0, 1)); a zero vector and a camera looking at its
// own position stay zero, not NaN.
TEST(EffectHelpers, LookAtBuildsTheWorkedCameraAndDegenerateVectorsStayZero) {
  LookCamera c{};
  c.position = {0, 0, -10};
  lookAt(c);
  expectVec(c.forward, 0, 0, 1);
  expectVec(c.right, -1, 0, 0);
  expectVec(c.up, 0, 1, 0);
  c.roll = 90;
  lookAt(c);
  expectVec(c.right, 0, -1, 0);
  expectVec(c.up, -1, 0, 0);

  Vec3 v{0, 0, 0}, w{3, 0, 4};
  normalize(v);
  normalize(w);
  EXPECT_TRUE(v.x == 0.0f && v.y == 0.0f && v.z == 0.0f);
  expectVec(w, 0.6f, 0, 0.8f);
  c = {};
  c.position = c.target = {1, 2, 3};
  lookAt(c);
  for (const Vec3& axis : {c.forward, c.right, c.up}) expectVec(axis, 0, 0, 0);
}

TEST(EffectHelpers, CrossAndMatMulMayWriteOverTheirInputs) {
  Vec3 a{1, 2, 3}, b{-4, 5, 0.5f}, sep;
  cross(sep, a, b);
  Vec3 a2 = a, b2 = b;
  cross(a2, a2, b);
  cross(b2, a, b2);
  expectVec(a2, sep.x, sep.y, sep.z);
  expectVec(b2, sep.x, sep.y, sep.z);

  const Mat4 A = sample(1.0f), B = sample(-2.0f);
  Mat4 separate;
  matMul(separate, A, B);
  Mat4 outIsA = A, outIsB = B, square = A, squareSep;
  matMul(outIsA, outIsA, B);
  matMul(outIsB, A, outIsB);
  matMul(squareSep, A, A);
  matMul(square, square, square);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(outIsA.m[i], separate.m[i]) << i;
    EXPECT_EQ(outIsB.m[i], separate.m[i]) << i;
    EXPECT_EQ(square.m[i], squareSep.m[i]) << i;
  }
  // Entry (1, 2) spelled out.
  float e = 0;
  for (int k = 0; k < 4; ++k) e += A.m[4 + k] * B.m[4 * k + 2];
  EXPECT_EQ(separate.m[6], e);
}

TEST(EffectHelpers, WorldToCameraMatrixAndRotateToWorldAgree) {
  LookCamera c{};
  c.position = {3, -2, 5};
  c.target = {-1, 4, 9};
  c.roll = 25;
  lookAt(c);
  Mat4 axes, move, view;
  matFromCameraAxes(c, axes);
  matFromCameraTranslation(c, move);
  matMul(view, axes, move);
  const Vec3 p{7, 1, -3};
  const Vec3 rel{p.x - c.position.x, p.y - c.position.y, p.z - c.position.z};
  auto dot = [](const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  float cam[3];
  for (int r = 0; r < 3; ++r) cam[r] = view.m[4 * r] * p.x + view.m[4 * r + 1] * p.y + view.m[4 * r + 2] * p.z + view.m[4 * r + 3];
  EXPECT_NEAR(cam[0], dot(c.right, rel), 1e-4f);
  EXPECT_NEAR(cam[1], dot(c.up, rel), 1e-4f);
  EXPECT_NEAR(cam[2], dot(c.forward, rel), 1e-4f);
  EXPECT_EQ(view.m[15], 1.0f);
  // Back to a world direction through the camera axes.
  Vec3 back;
  rotateToWorld({cam[0], cam[1], cam[2]}, c, back);
  expectVec(back, rel.x, rel.y, rel.z, 1e-5f);
  // The axes are orthonormal.
  EXPECT_NEAR(dot(c.right, c.up), 0.0f, 1e-6f);
  EXPECT_NEAR(dot(c.right, c.forward), 0.0f, 1e-6f);
  EXPECT_NEAR(dot(c.up, c.up), 1.0f, 1e-6f);
}
