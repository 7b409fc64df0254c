// Guards the matrix room: its time-driven levels at their edges, and its whole window
// on forged data: black at both ends, the flash and the logo after 221.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image/imagefile.hpp"
#include "scenes/matrix.hpp"
#include "tests/scenes/loaded_section.hpp"

TEST(MatrixScene, TimedLevelsHitTheirEdges) {
  for (int T = 0; T <= 15; ++T) EXPECT_EQ(matrixTextureIndex(T), 0) << T;  // file m1
  EXPECT_EQ(matrixTextureIndex(16), 1);
  for (int T = 112; T <= 127; ++T) EXPECT_EQ(matrixTextureIndex(T), 7) << T;  // file m8
  EXPECT_EQ(matrixTextureIndex(128), 0);
  EXPECT_EQ(matrixTextureIndex(1769), 6);

  EXPECT_FALSE(matrixLogoShown(221));
  EXPECT_FALSE(matrixFlashShown(221));
  EXPECT_TRUE(matrixLogoShown(222));
  EXPECT_TRUE(matrixFlashShown(222));
  EXPECT_EQ(matrixLogoLevel(222), 252);
  EXPECT_EQ(matrixFlashLevel(222), 189);
  EXPECT_TRUE(matrixFlashShown(284));
  EXPECT_EQ(matrixFlashLevel(284), 3);
  EXPECT_FALSE(matrixFlashShown(285));
  EXPECT_EQ(matrixLogoLevel(285), 64);
  EXPECT_EQ(matrixLogoLevel(1700), 64);

  EXPECT_FALSE(matrixBlurShown(442));
  EXPECT_TRUE(matrixBlurShown(443));
  EXPECT_EQ(matrixBlurStrength(443), 2);
  EXPECT_EQ(matrixBlurStrength(663), 230);
  EXPECT_TRUE(matrixBlurShown(884));
  EXPECT_EQ(matrixBlurStrength(884), 2);
  EXPECT_FALSE(matrixBlurShown(885));
  for (int T = 443; T <= 884; ++T) {
    EXPECT_GE(matrixBlurStrength(T), 2);
    EXPECT_LE(matrixBlurStrength(T), 230);
  }
}

// The room over its whole time at 10 frames per second of SceneTime on forged data:
// black at both ends, lit between; no flash before 221, then the flash above and
// below the logo until 285, after which the logo sits at a quarter blend towards the room.
TEST(MatrixWindow, PlaysFromBlackToBlackWithTheFlashAndLogoAfter221) {
  LoadedSection s(matrixModule, "matrix");
  ASSERT_TRUE(s.ok);
  std::vector<uint32_t> logo(320 * 100, 0);
  ASSERT_TRUE(loadRgbImage("data\\matrix\\qz0.rgb", 320, 100, logo.data()));
  auto minByte = [&](int firstRow, int lastRow) {
    int m = 255;
    for (int k = firstRow * 320; k < (lastRow + 1) * 320; ++k)
      for (int b = 0; b < 24; b += 8) m = std::min(m, int((s.frame[size_t(k)] >> b) & 0xFF));
    return m;
  };
  std::fill(s.frame.begin(), s.frame.end(), 0x55555555u);
  int shown = 0;
  for (float t = 0.0f; t < 1770.0f; t += 12.0f) {
    s.render(t);
    long sum = 0;
    for (uint32_t p : s.frame) sum += p & 0xFF;
    shown += t > 64.0f && t < 1640.0f && sum > 64000L * 20;
  }
  EXPECT_GT(shown, 120);
  const std::vector<uint32_t> black(kFramePixels, 0);
  EXPECT_EQ(s.render(0.0f), black);     // darkened at level 255
  EXPECT_EQ(s.render(1769.9f), black);  // level 254 leaves nothing
  s.render(100.0f);
  EXPECT_GT(litPixels(s.frame.data(), kFramePixels), 60000);
  s.render(221.5f);
  EXPECT_LT(minByte(0, 49), 150);  // no flash yet
  s.render(222.0f);
  EXPECT_GE(minByte(0, 49), 188);  // lightened at level 189 above and below the logo
  EXPECT_GE(minByte(150, 199), 188);
  s.render(285.0f);
  EXPECT_LT(minByte(0, 49), 150);
  int checked = 0;
  for (int k = 0; k < 320 * 100; ++k) {
    const uint32_t l = logo[size_t(k)], d = s.frame[size_t(50 * 320 + k)];
    if (l == 0) continue;
    for (int b = 0; b < 24; b += 8) ASSERT_LE(std::abs(int((d >> b) & 0xFF) - int((l >> b) & 0xFF)), 64) << k;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}
