#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "scenes/vohel.hpp"

namespace {
constexpr uint32_t kUntouched = 0x5A5A5A5Au;

std::vector<uint8_t> profileTable() {
  std::vector<uint8_t> p(kProfileSize);
  fillProfileTable(p.data());
  return p;
}
}  // namespace

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

TEST(VohelCylinder, RowValuesStayInRange) {
  CylinderRows r;
  for (int T : {0, 1, 100, 663, 1327, 2656, 3539}) {
    cylinderRows(T, r);
    for (int y = 0; y < 200; ++y) {
      EXPECT_GE(r.row[y], 0);
      EXPECT_LE(r.row[y], 255);
      EXPECT_GE(r.dim[y], 0);
      EXPECT_LE(r.dim[y], 30);
      EXPECT_GE(r.turn[y], 0);
      EXPECT_LE(r.turn[y], 255);
      EXPECT_GE(r.shift[y], 20);
      EXPECT_LE(r.shift[y], 100);
    }
  }
}

TEST(VohelCylinder, FastMatchesPlainAndStaysInsideItsRowsAndColumns) {
  std::mt19937 rng(77);
  std::vector<uint8_t> profile = profileTable();
  std::vector<uint32_t> cyl(256 * 256), lit(256 * 256);
  for (int T : {0, 5, 64, 221, 700, 1327, 2700, 3539}) {
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
