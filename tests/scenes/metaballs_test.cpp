// Guards the metaball sections: the blobs' field and rays against the tunnel, the
// metabox's cube-like field and its background's warp grid, and both windows on forged
// data, whose fades neither flash nor wrap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "scenes/blobs.hpp"
#include "scenes/metabox.hpp"
#include "tests/scenes/loaded_section.hpp"

namespace {
struct Grid {
  CubeGrid g{};
  explicit Grid(int n) { setupCubeGrid(g, n, 0, 0, 0, 1); }
  ~Grid() { releaseCubeGrid(g); }
  uint8_t at(int i, int j, int k) const { return g.field[i + g.n * j + g.n * g.n * k]; }
};
}  // namespace

TEST(BlobsField, BallOnAGridPointIsLeftOut) {
  Grid grid(24);
  // Grid point (12, 12, 12) is at (0, 0, 0); the other ball is 2 away from it.
  const Vec3 balls[2] = {{0, 0, 0}, {2, 0, 0}};
  computeBlobField(grid.g, balls, 2, -3.0f, 0.25f);
  EXPECT_EQ(grid.at(12, 12, 12), 32);  // only 1 / 2 counts: rnd(64 * 0.5)
  // Next to the centre the sum passes 4 and saturates.
  EXPECT_EQ(grid.at(13, 12, 12), 255);
  // Far corner: both balls at about 5.2 and 4.4 units.
  float f = 1.0f / std::sqrt(27.0f) + 1.0f / std::sqrt(25.0f + 18.0f);
  EXPECT_EQ(grid.at(0, 0, 0), uint8_t(std::nearbyint(64 * f)));
}

// The vector fields against the plain ones: random balls, a ball on a grid point, rows
// with a scalar tail.
TEST(MetaballFields, FastMatchesReference) {
  using Field = void (*)(CubeGrid&, const Vec3*, int, float, float);
  const struct { Field fast, plain; int n; float start, spacing; } fields[] = {
      {computeBlobField, ref::computeBlobField, 24, -3.0f, 0.25f},
      {computeBlobField, ref::computeBlobField, 7, -3.0f, 0.25f},
      {computeMetaboxField, ref::computeMetaboxField, 20, -3.5f, 0.35f},
      {computeMetaboxField, ref::computeMetaboxField, 7, -3.5f, 0.35f}};
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> pos(-3.0f, 3.0f);
  for (const auto& f : fields) {
    Grid fast(f.n), plain(f.n);
    for (int trial = 0; trial < 6; ++trial) {
      Vec3 balls[3];
      for (Vec3& b : balls) b = {pos(rng), pos(rng), pos(rng)};
      if (trial == 0) balls[1] = {f.start + f.spacing * 3, f.start + f.spacing * 2, f.start};  // grid point (3, 2, 0)
      int count = 1 + trial % 3;
      f.fast(fast.g, balls, count, f.start, f.spacing);
      f.plain(plain.g, balls, count, f.start, f.spacing);
      ASSERT_EQ(0, std::memcmp(fast.g.field, plain.g.field, size_t(f.n * f.n * f.n))) << f.n << " " << trial;
    }
  }
}

TEST(TunnelRays, MissesAreBlackAndAxialRaysKeepTheirValue) {
  GridPoint p{11, 22, 33};
  castTunnelRay({0, 0, 0}, {0, 0, 1}, 0, p);  // along the axis
  EXPECT_EQ(p.u, 11);
  EXPECT_EQ(p.v, 22);
  EXPECT_EQ(p.brightness, 33);
  castTunnelRay({200, 0, 0}, {0, 1, 0}, 0, p);  // outside, running past
  EXPECT_EQ(p.u, 0);
  EXPECT_EQ(p.v, 0);
  EXPECT_EQ(p.brightness, 0);
  castTunnelRay({0, 0, 0}, {1, 0, 0}, 0, p);  // hits at distance 128
  EXPECT_EQ(p.brightness, uint16_t(65280 - 128 * 128));
  castTunnelRay({0, 0, 0}, {0.1f, 0, 0}, 0, p);  // distance 1280: beyond 500 is dark
  EXPECT_EQ(p.brightness, 0);
}

TEST(BlobsWindow, RendersItsWindowAndFadesWithoutFlashes) {
  LoadedSection s(blobsModule, "BLOBS");
  ASSERT_TRUE(s.ok);
  s.playWindow(885, 3.1f);
  // The last instants of the fades round to 256: held at full strength, not wrapped.
  s.module.render(63.95f, s.frame.data());
  EXPECT_GT(s.brightest(), 100);
  s.module.render(884.95f, s.frame.data());
  EXPECT_LT(s.brightest(), 3);
}

TEST(MetaboxField, FourthPowersAndBallLeftOut) {
  Grid grid(20);
  // Grid point (10, 10, 10) is at (0, 0, 0).
  const Vec3 balls[2] = {{0, 0, 0}, {1, 0, 0}};
  computeMetaboxField(grid.g, balls, 2, -3.5f, 0.35f);
  EXPECT_EQ(grid.at(10, 10, 10), 64);  // only 1 / 1^4
  // At (0.35, 0, 0): 1 / 0.35^4 saturates.
  EXPECT_EQ(grid.at(11, 10, 10), 255);
  // At (-3.5, -3.5, -3.5): each axis adds its fourth power.
  float f = 1.0f / (3 * std::pow(3.5f, 4.0f)) + 1.0f / (std::pow(4.5f, 4.0f) + 2 * std::pow(3.5f, 4.0f));
  EXPECT_EQ(grid.at(0, 0, 0), uint8_t(std::nearbyint(64 * f)));
}

TEST(MetaboxWarp, MatchesThePlainGridAndBrightnessRisesOutwardsAndWrapsAtTheCorners) {
  static GridPoint grid[kGridPoints], plain[kGridPoints];
  std::mt19937 rng(9);
  for (float w : {0.0f, 0.5f, 221.25f, -40.0f, 3000.7f, std::uniform_real_distribution<float>(0.0f, 222.0f)(rng)}) {
    computeWarpGrid(w, grid);
    ref::computeWarpGrid(w, plain);
    ASSERT_EQ(0, std::memcmp(grid, plain, sizeof grid)) << w;
  }
  computeWarpGrid(0.0f, grid);
  EXPECT_EQ(grid[12 * kGridColumns + 20].brightness >> 8, 63);  // 90 * 0.25 + 16128
  // Corner (0, 0): 90 * (400 + 156.25) + 16128 = 66190.5 -> 66190 wraps to 654.
  EXPECT_EQ(grid[0].brightness, uint16_t(66190 - 65536));
  EXPECT_LT(grid[0].brightness >> 8, 5);
  EXPECT_EQ(grid[6 * kGridColumns + 6].brightness >> 8, (90 * (196 * 4 + 169) / 4 + 16128) >> 8);
}

TEST(MetaboxWindow, RendersItsWindowAndFadesWithoutFlashes) {
  LoadedSection s(metaboxModule, "metabox");
  ASSERT_TRUE(s.ok);
  s.playWindow(885, 3.1f);
  s.module.render(884.95f, s.frame.data());
  EXPECT_LT(s.brightest(), 3);
}
