// Guards the sphere section: rays that miss, particle placement, captions, the
// opening's inversion, and its whole window on forged data.
#include <gtest/gtest.h>

#include "scenes/sphere.hpp"
#include "tests/scenes/loaded_section.hpp"

TEST(SphereRays, MissesTakeTexelZero) {
  // From the opening camera position, a ray passing the sphere (its line stays
  // about 163 units from the centre).
  Vec3 o = {-30, 120, 110};
  float c = o.x * o.x + o.y * o.y + o.z * o.z - 128.0f * 128.0f;
  GridPoint p{1234, 5678, 9};
  castSphereRay(o, {1, 0, 0}, c, p);
  EXPECT_EQ(p.u, 0);
  EXPECT_EQ(p.v, 0);
  // From the centre every ray hits: straight up meets the pole at height 128.
  castSphereRay({0, 0, 0}, {0, 1, 0}, -128.0f * 128.0f, p);
  EXPECT_EQ(p.v, uint16_t(32 * 256));
  // Along +x: atan(0) + 128 -> u = 128 * 512, wrapping to 0.
  castSphereRay({0, 0, 0}, {1, 0, 0}, -128.0f * 128.0f, p);
  EXPECT_EQ(p.u, 0);
  castSphereRay({0, 0, 0}, {-1, 0, 0}, -128.0f * 128.0f, p);
  EXPECT_EQ(p.u, 0);
  EXPECT_EQ(p.v, uint16_t(-96 * 256));
}

TEST(SphereParticles, SizeAndSkipping) {
  int x, y, size;
  EXPECT_FALSE(placeParticle(0, 0, 3.0f, 277, -224, x, y, size));
  EXPECT_FALSE(placeParticle(0, 0, -10.0f, 277, -224, x, y, size));
  EXPECT_FALSE(placeParticle(0, 0, 2560.0f, 277, -224, x, y, size));  // 0.5 rounds to 0
  EXPECT_TRUE(placeParticle(0, 0, 2559.0f, 277, -224, x, y, size));
  EXPECT_EQ(size, 1);
  ASSERT_TRUE(placeParticle(10, 5, 40.0f, 277.128f, -224.6f, x, y, size));
  EXPECT_EQ(size, 32);
  EXPECT_EQ(x, roundEven(277.128 * 10 / 40) + 160 - 16);
  EXPECT_EQ(y, roundEven(-224.6 * 5 / 40) + 100 - 16);
  // Just in front of the camera and far off-axis: still a sane position.
  ASSERT_TRUE(placeParticle(1e30f, -1e30f, 3.5f, 277, -224, x, y, size));
  EXPECT_GT(x, 320);
  EXPECT_GT(y, 200);
  // The cloud's generator stays in [0, 1).
  XorShift32 rng{42};
  for (int i = 0; i < 1000; ++i) {
    const float r = rng.uniform();
    ASSERT_TRUE(r >= 0.0f && r < 1.0f);
  }
}

TEST(SphereCaptions, WindowsAndFade) {
  int index, level;
  for (int T : {0, 442, 885, 1327, 1328, 1770}) EXPECT_FALSE(sphereCaptionAt(T, index, level)) << T;
  ASSERT_TRUE(sphereCaptionAt(663, index, level));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(level, 0);  // full strength in the middle
  ASSERT_TRUE(sphereCaptionAt(886, index, level));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(level, 255 - 2);  // rnd(255 sin(180/442 deg)) = 2
  ASSERT_TRUE(sphereCaptionAt(1329, index, level));
  EXPECT_EQ(index, 2);
}

TEST(SphereOpening, InvertsAndReturns) {
  // Half inverted: sin^2(45 degrees) in single precision is just below one half.
  EXPECT_EQ(sphereOpeningLevel(0.0f), 127);
  EXPECT_EQ(sphereOpeningLevel(90.0f), 255);
  EXPECT_EQ(sphereOpeningLevel(269.9f), 0);
  EXPECT_EQ(sphereOpeningLevel(270.0f), -1);
  // The level scales the squared sine: 255 (s s), not (255 s) s, which rounds lower here.
  EXPECT_EQ(sphereOpeningLevel(11.3077297f), 153);
}

TEST(SphereWindow, RendersItsWindow) {
  LoadedSection s(sphereModule, "SPHERE");
  ASSERT_TRUE(s.ok);
  s.playWindow(1770, 7.3f);
}

