#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "image/radialblur.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "scenes/matrix.hpp"
#include "tests/testutil.hpp"

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

// The room over its whole time at 10 frames per second of SceneTime, on forged data.
class MatrixWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string root = forgedDataRoot("matrix");
    ASSERT_FALSE(root.empty());
    setDataRoot(root);
    createRadialBlurTable();
    fillRadialBlurTable();
    matrixModule.load();
    logo.assign(320 * 100, 0);
    ASSERT_TRUE(loadRgbImage("data\\matrix\\qz0.rgb", 320, 100, logo.data()));
  }
  static void TearDownTestSuite() {
    freeRadialBlurTable();
    matrixModule.release();
  }
  static std::vector<uint32_t> logo;

  static int minByte(const std::vector<uint32_t>& f, int firstRow, int lastRow) {
    int m = 255;
    for (int k = firstRow * 320; k < (lastRow + 1) * 320; ++k)
      for (int b = 0; b < 24; b += 8) m = std::min(m, int((f[size_t(k)] >> b) & 0xFF));
    return m;
  }
};
std::vector<uint32_t> MatrixWindow::logo;

TEST_F(MatrixWindow, RendersItsWholeWindow) {
  std::vector<uint32_t> target(kFramePixels, 0x55555555u);
  int shown = 0;
  for (float t = 0.0f; t < 1770.0f; t += 12.0f) {
    matrixModule.render(t, target.data());
    if (t > 64.0f && t < 1640.0f) {
      long sum = 0;
      for (uint32_t p : target) sum += p & 0xFF;
      shown += sum > 64000L * 20;
    }
  }
  EXPECT_GT(shown, 120);
}

TEST_F(MatrixWindow, FadesInFromBlackAndOutToBlack) {
  std::vector<uint32_t> target(kFramePixels);
  matrixModule.render(0.0f, target.data());  // darkened at level 255
  for (uint32_t p : target) ASSERT_EQ(p, 0u);
  matrixModule.render(1769.9f, target.data());  // level 254 leaves nothing
  for (uint32_t p : target) ASSERT_EQ(p, 0u);
  matrixModule.render(100.0f, target.data());
  EXPECT_GT(std::count_if(target.begin(), target.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }), 60000);
}

TEST_F(MatrixWindow, FlashAndLogoStartAfter221) {
  std::vector<uint32_t> target(kFramePixels);
  matrixModule.render(221.5f, target.data());
  EXPECT_LT(minByte(target, 0, 49), 150);  // no flash yet
  matrixModule.render(222.0f, target.data());
  EXPECT_GE(minByte(target, 0, 49), 188);  // lightened at level 189 above and below the logo
  EXPECT_GE(minByte(target, 150, 199), 188);
  matrixModule.render(285.0f, target.data());
  EXPECT_LT(minByte(target, 0, 49), 150);  // the flash has stopped
  // The logo now sits at a quarter blend towards the room: its pixels stay within 64 of it.
  int checked = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 320; ++x) {
      const uint32_t s = logo[size_t(y * 320 + x)];
      if (s == 0) continue;
      const uint32_t d = target[size_t((50 + y) * 320 + x)];
      for (int b = 0; b < 24; b += 8)
        ASSERT_LE(std::abs(int((d >> b) & 0xFF) - int((s >> b) & 0xFF)), 64) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, 1000);
}
