// Guards the cylinder-light section: its time-driven levels, the wave grid, the
// cylinder (profile table, rows, fast against plain spans, the front of the outline),
// the overlay's tiles, and its whole window and overlay on forged data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "scenes/vohel.hpp"
#include "tests/scenes/loaded_section.hpp"

namespace {
constexpr uint32_t kBox = 0x00336699u;  // stands in for the first section's frame
constexpr uint32_t kUntouched = 0x5A5A5A5Au;

std::vector<uint8_t> profileTable() {
  std::vector<uint8_t> p(kProfileSize);
  fillProfileTable(p.data());
  return p;
}

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

TEST(VohelScene, WaveGridLightWrapsWhenTheSumPassesTheLimit) {
  // At T = 718 node (24, 1) has a wave sum of about -36.65: 65280 - 65669 wraps to a bright 65147.
  std::vector<WarpNode> g(kGridPoints);
  buildWarpGrid(718, g.data());
  const WarpNode& hot = g[size_t(1 * kGridColumns + 24)];
  EXPECT_GT(hot.light, 64000);
  EXPECT_LT(hot.light, 65280);
  // Its neighbours two nodes away stay under the limit and are dim.
  EXPECT_LT(g[size_t(1 * kGridColumns + 20)].light, 20000);
  // The node's own pixel (8x, 8y) is drawn at nearly full brightness.
  std::vector<uint32_t> white(256 * 256, 0xFFFFFFFFu), out(kFramePixels);
  drawWarpGrid(g.data(), white.data(), out.data());
  EXPECT_EQ(out[size_t(8 * kFrameWidth + 8 * 24)], 0xFDFDFDFDu);  // 255 * 254 >> 8 = 253
}

TEST(VohelCylinder, ProfileTableBulgesRightThenLeft) {
  std::vector<uint8_t> p = profileTable();
  auto at = [&](int k, int m) { return int(p[size_t(k * 256 + m)]); };
  for (int m = 0; m < 256; ++m) {
    EXPECT_EQ(at(0, m), 128);
    for (int k = 1; k <= 127; ++k) ASSERT_GE(at(k, m), 128) << k << "," << m;
    for (int k = 128; k <= 254; ++k) ASSERT_LE(at(k, m), 128) << k << "," << m;
  }
  for (int k = 0; k < 256; ++k) EXPECT_EQ(at(k, 0), 128);
  EXPECT_EQ(at(64, 255), 128 + 89);   // 0.35 * 255 * sin(90.35) = 89.2
  EXPECT_EQ(at(191, 255), 128 - 89);  // sin(269.6) is just above -1
  EXPECT_EQ(at(64, 100), 128 + 34);   // 35.0 * 0.99998 truncates to 34
  EXPECT_EQ(at(32, 200), 128 + 49);   // 70 * sin(45.18) = 49.6
}

TEST(VohelCylinder, FastMatchesPlainAndStaysInsideItsRowsAndColumns) {
  std::mt19937 rng(77);
  std::vector<uint8_t> profile = profileTable();
  std::vector<uint32_t> cyl(256 * 256), lit(256 * 256);
  for (int T : {0, 1, 5, 64, 100, 221, 663, 700, 1327, 2656, 2700, 3539}) {
    for (uint32_t& p : cyl) p = rng();
    for (uint32_t& p : lit) p = rng();
    std::vector<uint32_t> fast(kFramePixels, kUntouched), plain(kFramePixels, kUntouched);
    drawCylinder(cyl.data(), fast.data(), lit.data(), profile.data(), T);
    ref::drawCylinder(cyl.data(), plain.data(), lit.data(), profile.data(), T);
    ASSERT_EQ(fast, plain) << "T " << T;
    CylinderRows rows;
    cylinderRows(T, rows);
    int drawnRows = 0;
    for (int y = 0; y < 200; ++y) {
      ASSERT_TRUE(rows.row[y] >= 0 && rows.row[y] <= 255 && rows.dim[y] >= 0 && rows.dim[y] <= 30) << y;
      ASSERT_TRUE(rows.turn[y] >= 0 && rows.turn[y] <= 255 && rows.shift[y] >= 20 && rows.shift[y] <= 100) << y;
      const bool shown = rows.row[y] > 13 && rows.row[y] < 243;
      bool any = false;
      for (int x = 0; x < 320; ++x) {
        const bool drawn = fast[size_t(y * 320 + x)] != kUntouched;
        if (drawn) {
          ASSERT_TRUE(shown) << "row " << y << " with texture row " << rows.row[y] << " was drawn, T " << T;
          ASSERT_GE(x, 34);
          ASSERT_LE(x, 292);
        }
        any |= drawn;
      }
      drawnRows += any;
    }
    EXPECT_GT(drawnRows, 40) << "T " << T;
  }
}

TEST(VohelCylinder, SpanColourSubtractsShadeAndDimThenAddsSaturated) {
  // Bytes 0..3 of the surface 20 40 80 FF and of the light 00 00 FF 10, less 16 + 8 each:
  // 08, 28, 68 + E7 saturating to FF, E7 + 0.
  EXPECT_EQ(ref::spanColour(0xFF804020u, 0x10FF0000u, 16, 8), 0xE7FF2808u);
  EXPECT_EQ(ref::spanColour(0x00000000u, 0xFFFFFFFFu, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(ref::spanColour(0x20202020u, 0x20202020u, 40, 0), 0u);
}

TEST(VohelCylinder, OnlyTheFrontOfTheOutlineIsDrawn) {
  // A smooth cylinder of radius 255: white surface, no light. The right half's outline grows
  // from 127 to 217 (k = 0..64) and turns back; the left half's falls from 128 to 39.
  std::vector<uint8_t> profile = profileTable();
  std::vector<uint32_t> cyl(256 * 256, 0xFFFFFFFFu), lit(256 * 256, 0xFF000000u);
  std::vector<uint32_t> out(kFramePixels, kUntouched);
  const int T = 300;
  drawCylinder(cyl.data(), out.data(), lit.data(), profile.data(), T);
  CylinderRows rows;
  cylinderRows(T, rows);
  int checked = 0;
  for (int y = 0; y < 200; ++y) {
    if (!(rows.row[y] > 13 && rows.row[y] < 243)) continue;
    const int s = rows.shift[y], first = 39 + s - 25, last = 217 + s - 25;
    for (int x = 0; x < 320; ++x) {
      const uint32_t p = out[size_t(y * 320 + x)];
      if (x < first || x > last) {
        ASSERT_EQ(p, kUntouched) << x << "," << y;
        continue;
      }
      // Shade grows to about 64 at the silhouette; the back (k up to 127) would be darker.
      const int blue = int(p & 0xFF);
      ASSERT_GE(blue, 255 - 65 - rows.dim[y]) << x << "," << y;
      ASSERT_LE(blue, 255 - rows.dim[y]);
    }
    // The middle is lit brightest, the silhouette darkest.
    EXPECT_GT(int(out[size_t(y * 320 + 128 + s - 24)] & 0xFF), int(out[size_t(y * 320 + last)] & 0xFF));
    ++checked;
  }
  EXPECT_GT(checked, 40);
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

// The window on data fresh from the forge: it opens white (lightened at level 255),
// is lit at 10 frames per second of SceneTime (every 12 units) through its middle, and
// ends cleared; the overlay draws over the box frame through its own time.
TEST(VohelWindow, PlaysItsWindowAndOverlay) {
  LoadedSection s(vohelModule, "vohel");
  ASSERT_TRUE(s.ok);
  for (uint32_t p : s.render(0.0f)) ASSERT_GE(std::min({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF}), 254u);
  s.render(128.0f);  // T = 64: the opening fade is over
  EXPECT_GT(std::count_if(s.frame.begin(), s.frame.end(), [](uint32_t p) { return (p & 0xFF) < 200; }), 1000);
  int lit = 0;
  for (float t = 200.0f; t < 2655.0f; t += 12.0f) {
    uint32_t blue = 0;
    for (uint32_t p : s.render(t)) blue = std::max(blue, p & 0xFFu);
    lit += t < 1300.0f && blue > 100;
  }
  EXPECT_GT(lit, 80);
  for (uint32_t p : s.render(2654.9f)) ASSERT_EQ(p, 0u);  // T = 1327: cleared, the late smear long over
  int overlaid = 0;  // where the tiles go is checked exactly above
  for (float t = 2655.5f; t < 3540.0f; t += 12.0f) {
    std::vector<uint32_t> target = frame(kBox);
    vohelRenderOverlay(t, target.data());
    overlaid += target != frame(kBox);
  }
  EXPECT_GT(overlaid, 60);
}
