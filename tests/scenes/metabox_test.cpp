// Guards the metabox section: the cube-like field, the background's warp grid, and
// its whole window on forged data, whose fade-out does not flash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

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

// The vector field against the plain one: random balls, balls on grid points, rows
// with a scalar tail.
TEST(MetaboxField, FastMatchesReference) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> pos(-3.0f, 3.0f);
  for (int n : {20, 7}) {
    Grid fast(n), plain(n);
    for (int trial = 0; trial < 6; ++trial) {
      Vec3 balls[3];
      for (Vec3& b : balls) b = {pos(rng), pos(rng), pos(rng)};
      if (trial == 0) balls[1] = {-3.5f + 0.35f * 3, -3.5f + 0.35f * 2, -3.5f};  // on grid point (3, 2, 0)
      int count = 1 + trial % 3;
      computeMetaboxField(fast.g, balls, count, -3.5f, 0.35f);
      ref::computeMetaboxField(plain.g, balls, count, -3.5f, 0.35f);
      ASSERT_EQ(0, std::memcmp(fast.g.field, plain.g.field, size_t(n * n * n))) << n << " " << trial;
    }
  }
}

TEST(MetaboxWarp, BrightnessRisesOutwardsAndWrapsAtTheCorners) {
  static GridPoint grid[kGridPoints];
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
