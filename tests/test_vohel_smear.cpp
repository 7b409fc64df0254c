#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"

// The section's beat smears (a = beat, b = 0) and its late glow (a = 1, b up to 120) run
// the horizontal smears over whole frames; the fast passes smear four rows side by side.
TEST(VohelSmear, HorizontalSmearsMatchThePlainPassesOnRandomFrames) {
  std::mt19937 rng(99);
  const int params[][2] = {{255, 0}, {2, 0}, {0, 0}, {256, 0}, {1, 120}, {1, 57}, {180, 12}, {160, 0}};
  const int sizes[][2] = {{320, 200}, {320, 199}, {7, 5}, {2, 2}, {40, 3}};
  for (auto& sz : sizes)
    for (auto& p : params) {
      std::vector<uint32_t> a(size_t(sz[0] * sz[1]));
      for (uint32_t& v : a) v = rng() & (rng() % 2 ? 0xFFFFFFFFu : 0x0F0F0F0Fu);
      std::vector<uint32_t> b = a, c = a, d = a;
      smearRight(p[0], p[1], sz[0], sz[1], a.data());
      ref::smearRight(p[0], p[1], sz[0], sz[1], b.data());
      ASSERT_EQ(a, b) << "right " << p[0] << "," << p[1] << " size " << sz[0] << "x" << sz[1];
      smearLeft(p[0], p[1], sz[0], sz[1], c.data());
      ref::smearLeft(p[0], p[1], sz[0], sz[1], d.data());
      ASSERT_EQ(c, d) << "left " << p[0] << "," << p[1] << " size " << sz[0] << "x" << sz[1];
    }
}
