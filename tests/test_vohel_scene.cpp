#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "image/pixelops.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "scenes/vohel.hpp"
#include "scenes/vohel.hpp"
#include "tests/testutil.hpp"

namespace {
constexpr uint32_t kBox = 0x00336699u;  // stands in for the first section's frame

std::vector<uint32_t> frame(uint32_t fill = 0) { return std::vector<uint32_t>(kFramePixels, fill); }
}  // namespace

TEST(VohelScene, TimedLevelsHitTheirEdges) {
  EXPECT_EQ(vohelLightenLevel(0), 255);
  EXPECT_EQ(vohelLightenLevel(63), 3);
  EXPECT_EQ(vohelScrollerX(886), 317);
  EXPECT_EQ(vohelScrollerX(1327), -1200);  // fully off the left edge
  for (int T : {0, 221, 442, 663, 884, 1105, 1326}) EXPECT_EQ(vohelBeat(T), 255) << T;
  for (int T : {220, 441, 1325}) EXPECT_EQ(vohelBeat(T), 2) << T;
}

TEST(VohelOverlay, TileRectanglesSwellAboutTheCentre) {
  // At t = 3097.5 the swing angle is 1260 degrees: tile (0, 0) has s = 0 and shrinks to one pixel
  // at (160 + dx, 100 + dy) with dx = -220, dy = -40.
  TileRect r = overlayTileRect(0, 0, 3097.5f);
  EXPECT_EQ(r.w, 1);
  EXPECT_EQ(r.h, 1);
  EXPECT_EQ(r.x, 160 - 220);
  EXPECT_EQ(r.y, 100 - 40);
  // A tile keeps its place in the 8 x 5 layout, scaled about (160, 100) by at most 1.5.
  for (float t : {2656.0f, 2900.0f, 3300.5f, 3539.9f})
    for (int i = 0; i < kOverlayTilesX; ++i)
      for (int j = 0; j < kOverlayTilesY; ++j) {
        TileRect q = overlayTileRect(i, j, t);
        EXPECT_GE(q.w, 1);
        EXPECT_LE(q.w, 61);
        EXPECT_GE(q.h, 1);
        EXPECT_LE(q.h, 61);
      }
}

TEST(VohelOverlay, TilesCoverTheBoxFrameExceptWhereTheyAreBlack) {
  std::vector<uint32_t> tiles(kOverlayTileCount * kOverlayTilePixels, 0);
  // Every third tile is all black; the rest are one colour each.
  auto colour = [](int i, int j) { return (i * kOverlayTilesY + j) % 3 == 0 ? 0u : 0xFF000000u | uint32_t(i * 16 + j + 1); };
  for (int i = 0; i < kOverlayTilesX; ++i)
    for (int j = 0; j < kOverlayTilesY; ++j)
      std::fill_n(overlayTile(tiles.data(), i, j), kOverlayTilePixels, colour(i, j));
  for (float t : {2700.0f, 3000.0f, 3400.0f}) {
    std::vector<uint32_t> target = frame(kBox), expect = frame(kBox);
    for (int i = 0; i < kOverlayTilesX; ++i)
      for (int j = 0; j < kOverlayTilesY; ++j) {
        TileRect r = overlayTileRect(i, j, t);
        if (!colour(i, j)) continue;
        for (int y = std::max(0, r.y); y < std::min(200, r.y + r.h); ++y)
          for (int x = std::max(0, r.x); x < std::min(320, r.x + r.w); ++x) expect[size_t(y * 320 + x)] = colour(i, j);
      }
    drawOverlayTiles(tiles.data(), t, target.data());
    EXPECT_EQ(target, expect) << "t " << t;
  }

  // One tile, black in its left half: the box shows through there.
  std::fill(tiles.begin(), tiles.end(), 0u);
  uint32_t* tile = overlayTile(tiles.data(), 3, 2);
  for (int y = 0; y < kOverlayTile; ++y)
    for (int x = kOverlayTile / 2; x < kOverlayTile; ++x) tile[y * kOverlayTile + x] = 0x00FFFFFFu;
  float t = 2656.0f;
  TileRect r = overlayTileRect(3, 2, t);
  while (t < 3540.0f && !(r.w > 4 && r.x >= 0 && r.x + r.w <= 320 && r.y >= 0 && r.y + r.h <= 200))
    r = overlayTileRect(3, 2, t += 1.0f);
  ASSERT_LT(t, 3540.0f) << "the tile is never wholly on screen";
  std::vector<uint32_t> target = frame(kBox);
  drawOverlayTiles(tiles.data(), t, target.data());
  const int y = std::clamp(r.y + r.h / 2, 0, 199);
  EXPECT_EQ(target[size_t(y * 320 + r.x)], kBox);
  EXPECT_EQ(target[size_t(y * 320 + r.x + r.w - 1)], 0x00FFFFFFu);
}

// Both drawing operations over the section's whole time, at 10 frames per second of
// SceneTime (every 12 units), on data fresh from the forge.
class VohelWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = forgedDataRoot("vohel");
    ASSERT_FALSE(root.empty());
    setDataRoot(root);
    vohelModule.load();
  }
  static void TearDownTestSuite() { vohelModule.release(); }
  static std::string root;
};
std::string VohelWindow::root;

TEST_F(VohelWindow, RendersItsWholeWindow) {
  std::vector<uint32_t> target = frame(0x11223344u);
  int lit = 0;
  for (float t = 0.0f; t < 2655.0f; t += 12.0f) {
    vohelModule.render(t, target.data());
    if (t >= 200.0f && t < 1300.0f) {
      uint32_t brightest = 0;
      for (uint32_t p : target) brightest = std::max(brightest, p & 0xFFu);
      lit += brightest > 100;
    }
  }
  EXPECT_GT(lit, 80);
}

TEST_F(VohelWindow, OpensWhiteAndEndsBlack) {
  std::vector<uint32_t> target = frame();
  vohelModule.render(0.0f, target.data());  // T = 0: lightened at level 255
  for (uint32_t p : target) {
    ASSERT_GE(p & 0xFF, 254u);
    ASSERT_GE((p >> 8) & 0xFF, 254u);
    ASSERT_GE((p >> 16) & 0xFF, 254u);
  }
  vohelModule.render(128.0f, target.data());  // T = 64: the opening fade is over
  int dark = 0;
  for (uint32_t p : target) dark += (p & 0xFF) < 200;
  EXPECT_GT(dark, 1000);
  vohelModule.render(2654.9f, target.data());  // T = 1327: cleared, and the late smear is long over
  for (uint32_t p : target) ASSERT_EQ(p, 0u);
}

TEST_F(VohelWindow, OverlayAddsTilesOverTheBoxFrame) {
  for (float t = 2655.5f; t < 3540.0f; t += 12.0f) {
    std::vector<uint32_t> target = frame(kBox);
    vohelRenderOverlay(t, target.data());
    // Outside every tile rectangle the box frame is untouched.
    std::vector<bool> covered(kFramePixels, false);
    for (int i = 0; i < kOverlayTilesX; ++i)
      for (int j = 0; j < kOverlayTilesY; ++j) {
        TileRect r = overlayTileRect(i, j, t);
        for (int y = std::max(0, r.y); y < std::min(200, r.y + r.h); ++y)
          for (int x = std::max(0, r.x); x < std::min(320, r.x + r.w); ++x) covered[size_t(y * 320 + x)] = true;
      }
    for (int k = 0; k < kFramePixels; ++k)
      if (!covered[size_t(k)]) {
        ASSERT_EQ(target[size_t(k)], kBox) << "pixel " << k << " at t " << t;
      }
  }
}
