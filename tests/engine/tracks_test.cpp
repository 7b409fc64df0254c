// Guards the keyframe splines: Hermite tangents at the first, interior and last keys,
// two-key tracks, end holds, the rotation Bezier, node kinds and the frame wrap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/tracks_testing.hpp"
#include "engine/tracks.hpp"
#include "engine/vectorops.hpp"

namespace {

ThreeDsPositionKey posKey(uint16_t frame, float x, float tension = 0, float continuity = 0, float bias = 0) {
  return {frame, {x, 2.0f * x, -x}, {0, tension, continuity, bias, 0, 0}};
}

double hermite(double p0, double s0, double p1, double d1, double s) {
  double s2 = s * s, s3 = s2 * s;
  return p0 * (2 * s3 - 3 * s2 + 1) + s0 * (s3 - 2 * s2 + s) + p1 * (-2 * s3 + 3 * s2) + d1 * (s3 - s2);
}

float evalX(const std::vector<ThreeDsPositionKey>& keys, float f) {
  Vector3 out{-999, -999, -999};
  EXPECT_TRUE(evaluatePositionTrack(keys.data(), int(keys.size()), f, out));
  // All three components follow the same spline.
  EXPECT_NEAR(out.y, 2.0f * out.x, 1e-3f);
  EXPECT_NEAR(out.z, -out.x, 1e-3f);
  return out.x;
}

// Each case against the Hermite curve written out from the tangent rules; end holds
// and key frames are exact.
TEST(EngineTracks, PositionSplinesFollowTheirDefinitions) {
  // Equally spaced keys, values chosen so that no tangent rule coincides with another:
  // Catmull-Rom tangents 0.5 (P(k+1) - P(k-1)) inside, S0 = 1.5 (P1 - P0) - 0.5 D'1
  // on the first segment, D4 = 1.5 (P4 - P3) - 0.5 S'3 on the last.
  const std::vector<ThreeDsPositionKey> even = {posKey(0, 0), posKey(10, 10), posKey(20, 40), posKey(30, 50),
                                                posKey(40, 20)};
  const double d1 = 0.5 * (40 - 0), s3 = 0.5 * (20 - 40);
  // Keys at 0, 10, 40, 50: the middle segment is three times as long as its
  // neighbours, its tangents scaled by 2 (t2 - t1) / (t2 - t0) and 2 (t2 - t1) / (t3 - t1).
  const std::vector<ThreeDsPositionKey> uneven = {posKey(0, 0), posKey(10, 10), posKey(40, 40), posKey(50, 20)};
  // Tension 1 flattens the interior tangents: the middle of a segment is the mean.
  const std::vector<ThreeDsPositionKey> tense = {posKey(0, 0), posKey(10, 10, 1), posKey(20, 30, 1), posKey(30, 0)};
  // Continuity and bias on interior keys.
  const std::vector<ThreeDsPositionKey> tcb = {posKey(0, 0), posKey(10, 10, 0.2f, 0.5f, -0.3f),
                                               posKey(20, 30, 0, -0.4f, 0.6f), posKey(30, 0)};
  auto tangent = [](double pin, double pout, double t, double c, double b, bool outgoing) {
    double l = (1 + b) * pin, r = (1 - b) * pout;
    return (1 - t) * (l + (outgoing ? 0.5 - 0.5 * c : 0.5 + 0.5 * c) * (r - l));
  };
  // Two keys: both tangents (1 - T)(P1 - P0), no frame scaling; with zero tension a line.
  const std::vector<ThreeDsPositionKey> twoTense = {posKey(20, 4, 0.5f), posKey(60, 12, -1.0f)};
  const std::vector<ThreeDsPositionKey> two = {posKey(20, 4), posKey(60, 12)};
  const std::vector<ThreeDsPositionKey> one = {posKey(40, 7)};
  const std::vector<ThreeDsPositionKey> keyed = {posKey(0, 3), posKey(10, -8), posKey(25, 17), posKey(30, 2)};
  struct Case {
    const std::vector<ThreeDsPositionKey>& keys;
    float frame;
    double want, tolerance;
  };
  const Case cases[] = {
      {even, 12.5f, hermite(10, 0.5 * (40 - 0), 40, 0.5 * (50 - 10), 0.25), 1e-3},
      {even, 15.0f, hermite(10, 0.5 * (40 - 0), 40, 0.5 * (50 - 10), 0.5), 1e-3},
      {even, 18.0f, hermite(10, 0.5 * (40 - 0), 40, 0.5 * (50 - 10), 0.8), 1e-3},
      {even, 3.0f, hermite(0, 1.5 * (10 - 0) - 0.5 * d1, 10, d1, 0.3), 1e-3},
      {even, 36.0f, hermite(50, s3, 20, 1.5 * (20 - 50) - 0.5 * s3, 0.6), 1e-3},
      {uneven, 22.0f, hermite(10, 0.5 * 40 * 2.0 * 30 / 40, 40, 0.5 * 10 * 2.0 * 30 / 40, 0.4), 1e-3},
      {tense, 15.0f, 20.0, 1e-3},
      {tcb, 13.0f, hermite(10, tangent(10, 20, 0.2, 0.5, -0.3, true), 30, tangent(20, -30, 0, -0.4, 0.6, false), 0.3),
       1e-3},
      {twoTense, 30.0f, hermite(4, 0.5 * 8, 12, 2.0 * 8, 0.25), 1e-3},
      {two, 50.0f, 10.0, 1e-4},
      // Before the first and after the last key the end values hold; a single key
      // holds everywhere, also before its frame.
      {two, 0.0f, 4.0, 0},
      {two, 20.0f, 4.0, 0},
      {two, 60.0f, 12.0, 0},
      {two, 1000.0f, 12.0, 0},
      {one, 0.0f, 7.0, 0},
      {one, 90.0f, 7.0, 0},
      // An interior key's frame gives its value.
      {keyed, 10.0f, -8.0, 1e-5},
      {keyed, 25.0f, 17.0, 1e-5},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_NEAR(evalX(cases[i].keys, cases[i].frame), cases[i].want, cases[i].tolerance) << "case " << i;
  // No keys: nothing is written.
  Vector3 untouched{1, 2, 3};
  EXPECT_FALSE(evaluatePositionTrack(nullptr, 0, 5.0f, untouched));
  EXPECT_EQ(untouched.x, 1.0f);
}

TEST(EngineTracks, ScalarTracks) {
  const std::vector<ThreeDsFovKey> fov = {{0, 30, {}}, {10, 45, {}}, {20, 90, {}}};
  const std::vector<ThreeDsRollKey> roll = {{0, 0, {}}, {100, 90, {}}};
  float v = 0;
  ASSERT_TRUE(evaluateRollTrack(roll.data(), 2, 25.0f, v));
  EXPECT_NEAR(v, 22.5f, 1e-4f);
  ASSERT_TRUE(evaluateFovTrack(fov.data(), 3, 5.0f, v));
  double d1 = 0.5 * (90.0 - 30.0);
  EXPECT_NEAR(v, hermite(30, 1.5 * 15 - 0.5 * d1, 45, d1, 0.5), 1e-3);
}

Quaternion axisAngleQ(double degrees, Vector3 axis) {
  double h = degrees * M_PI / 360.0;
  return {float(std::cos(h)), float(axis.x * std::sin(h)), float(axis.y * std::sin(h)), float(axis.z * std::sin(h))};
}

ThreeDsRotationKey rotKey(uint16_t frame, Quaternion q) { return {frame, 0, {}, {}, q}; }

TEST(EngineTracks, RotationAndSlerpFollowTheArcTheDotProductGives) {
  // Identity and a 300 degree turn about z: the dot product is negative, so the
  // path runs the long way round through 150 degrees, not through -30.
  std::vector<ThreeDsRotationKey> keys = {rotKey(0, {1, 0, 0, 0}), rotKey(10, axisAngleQ(300, {0, 0, 1}))};
  ASSERT_LT(keys[1].quaternion.w, 0.0f);
  Quaternion q{};
  ASSERT_TRUE(evaluateRotationTrack(keys.data(), 2, 5.0f, q));
  Quaternion want = axisAngleQ(150, {0, 0, 1});
  EXPECT_NEAR(q.w, want.w, 1e-4f);
  EXPECT_NEAR(q.z, want.z, 1e-4f);
  EXPECT_NEAR(q.x, 0.0f, 1e-6f);
  // With a positive dot product the same construction stays on the short arc.
  keys[1].quaternion = axisAngleQ(60, {0, 0, 1});
  ASSERT_TRUE(evaluateRotationTrack(keys.data(), 2, 5.0f, q));
  want = axisAngleQ(30, {0, 0, 1});
  EXPECT_NEAR(q.w, want.w, 1e-4f);
  EXPECT_NEAR(q.z, want.z, 1e-4f);
  // Slerp outside the unit interval goes on along the arc; equal quaternions fall
  // back to the linear weights.
  q = slerp({1, 0, 0, 0}, axisAngleQ(60, {1, 0, 0}), -0.5f);
  want = axisAngleQ(-30, {1, 0, 0});
  EXPECT_NEAR(q.w, want.w, 1e-5f);
  EXPECT_NEAR(q.x, want.x, 1e-5f);
  EXPECT_FLOAT_EQ(slerp({1, 0, 0, 0}, {1, 0, 0, 0}, 0.3f).w, 1.0f);
}

TEST(EngineTracks, RotationWithInteriorKeys) {
  // Equal angular steps about one axis: the Bezier stays on the axis, passes the
  // keys and advances monotonically.
  std::vector<ThreeDsRotationKey> keys;
  for (int i = 0; i < 4; ++i) keys.push_back(rotKey(uint16_t(10 * i), axisAngleQ(40.0 * i, {0, 1, 0})));
  Quaternion q{};
  double lastAngle = -1;
  for (float f = 0; f <= 30.0f; f += 2.5f) {
    ASSERT_TRUE(evaluateRotationTrack(keys.data(), 4, f, q));
    EXPECT_NEAR(q.x, 0.0f, 1e-5f);
    EXPECT_NEAR(q.z, 0.0f, 1e-5f);
    double angle = 2.0 * std::atan2(q.y, q.w) * 180.0 / M_PI;
    EXPECT_GT(angle, lastAngle - 1e-3);
    if (std::fmod(f, 10.0f) == 0.0f) {
      EXPECT_NEAR(angle, 4.0 * f, 1e-2) << f;
    }
    lastAngle = angle;
  }
  // Middle of the middle segment with symmetric neighbours: exactly half way.
  ASSERT_TRUE(evaluateRotationTrack(keys.data(), 4, 15.0f, q));
  EXPECT_NEAR(2.0 * std::atan2(q.y, q.w) * 180.0 / M_PI, 60.0, 1e-2);
}

TEST(EngineTracks, NodeKindsEvaluateOnlyTheirTracks) {
  ThreeDsPositionKey pk = posKey(0, 5);
  ThreeDsScaleKey sk{0, {2, 2, 2}, {}};
  ThreeDsRotationKey rk = rotKey(0, axisAngleQ(90, {0, 0, 1}));
  ThreeDsFovKey fk{0, 60, {}};
  ThreeDsRollKey rlk{0, 30, {}};
  ThreeDsTrackNode node{};
  node.positionKeyCount = node.scaleKeyCount = node.rotationKeyCount = node.fovKeyCount = node.rollKeyCount = 1;
  node.positionKeys = &pk;
  node.scaleKeys = &sk;
  node.rotationKeys = &rk;
  node.fovKeys = &fk;
  node.rollKeys = &rlk;

  TrackState s{};
  node.kind = ThreeDsNodeKind::object;
  evaluateTrack(node, s, 0.0f);
  EXPECT_EQ(s.kind, 1);
  EXPECT_EQ(s.fov, 0.0f);  // fov and roll belong to cameras
  EXPECT_EQ(s.roll, 0.0f);
  // scale x rotation x translation: (1, 0, 0) -> scaled (2, 0, 0) -> turned 90
  // degrees about z -> moved by the position.
  Vector3 p = transformPoint({1, 0, 0}, s.localMatrix);
  EXPECT_NEAR(p.x, 5.0f, 1e-5f);
  EXPECT_NEAR(p.y, 10.0f + 2.0f, 1e-5f);
  EXPECT_NEAR(p.z, -5.0f, 1e-5f);
  EXPECT_EQ(std::memcmp(&s.worldMatrix, &s.localMatrix, sizeof(Matrix4)), 0);
  EXPECT_EQ(std::memcmp(&s.worldRotation, &s.localRotation, sizeof(Matrix4)), 0);

  TrackState c{};
  c.scale = {7, 7, 7};
  node.kind = ThreeDsNodeKind::cameraPosition;
  evaluateTrack(node, c, 0.0f);
  EXPECT_EQ(c.fov, 60.0f);
  EXPECT_EQ(c.roll, 30.0f);
  EXPECT_EQ(c.position.x, 5.0f);
  EXPECT_EQ(c.scale.x, 7.0f);  // rotation and scale belong to objects
  EXPECT_EQ(c.rotation.w, 0.0f);
  EXPECT_EQ(std::memcmp(&c.worldMatrix, &kIdentityMatrix, sizeof(Matrix4)), 0);

  TrackState t{};
  node.kind = ThreeDsNodeKind::cameraTarget;
  evaluateTrack(node, t, 0.0f);
  EXPECT_EQ(t.position.x, 5.0f);
  EXPECT_EQ(t.fov, 0.0f);

  TrackState o{};
  node.kind = ThreeDsNodeKind::omnilightPosition;
  evaluateTrack(node, o, 0.0f);
  EXPECT_EQ(o.kind, 32);
  EXPECT_EQ(o.position.x, 0.0f);
}

}  // namespace
