// Guards the block fill of warp grids: the fast plain and bilinear fills against the
// plain lane arithmetic on random grids, wrapping lanes with arithmetic shifts, and
// every destination pixel written.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "scenes/common/warp_fill.hpp"

namespace {
std::vector<uint32_t> randomTexture(std::mt19937& rng) {
  std::vector<uint32_t> t(256 * 256);
  for (uint32_t& p : t) p = rng();
  return t;
}

// Random grids of three kinds: any lane values (steps wrap and go negative), a smooth
// grid near the screen layout, and one whose lanes sit next to the 0 / 65535 seam.
std::vector<WarpNode> randomGrid(std::mt19937& rng, int kind) {
  std::vector<WarpNode> g(kGridPoints);
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x) {
      WarpNode& n = g[size_t(y * kGridColumns + x)];
      if (kind == 0) {
        n = {uint16_t(rng()), uint16_t(rng()), uint16_t(rng()), uint16_t(rng())};
      } else if (kind == 1) {
        n = {uint16_t(x * 2048 + int(rng() % 1500) - 750), uint16_t(y * 2048 + int(rng() % 1500) - 750),
             uint16_t(40000 + rng() % 25280), 0};
      } else {
        n = {uint16_t(65530 + rng() % 12), uint16_t(rng() % 2 ? 32760 + rng() % 16 : rng() % 8), uint16_t(rng()), 0};
      }
    }
  return g;
}
}  // namespace

TEST(WarpFill, FastFillsMatchThePlainLaneArithmeticOnRandomGrids) {
  std::mt19937 rng(2024);
  std::vector<uint64_t> prepared(kSmoothTexels);
  for (int round = 0; round < 12; ++round) {
    std::vector<uint32_t> tex = randomTexture(rng);
    std::vector<WarpNode> grid = randomGrid(rng, round % 3);
    std::vector<uint32_t> fast(kFramePixels, 1), plain(kFramePixels, 2);
    drawWarpGrid(grid.data(), tex.data(), fast.data());
    ref::drawWarpGrid(grid.data(), tex.data(), plain.data());
    ASSERT_EQ(fast, plain) << "plain fetch, round " << round;
    prepareSmoothTexture(tex.data(), prepared.data());
    drawSmoothWarpGrid(grid.data(), prepared.data(), fast.data());
    ref::drawSmoothWarpGrid(grid.data(), tex.data(), plain.data());
    ASSERT_EQ(fast, plain) << "bilinear fetch, round " << round;
  }
}

TEST(WarpFill, StepsUseWrappingLanesAndArithmeticShifts) {
  // Picture whose texel says its own column and row.
  std::vector<uint32_t> pic(256 * 256);
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) pic[size_t(r * 256 + c)] = uint32_t(c) | uint32_t(r) << 8 | 0xFFFF0000u;
  std::vector<WarpNode> grid(kGridPoints, WarpNode{0, 0, 0xFFFF, 0});
  // Block (0, 0): u falls by 8 per node column step of 8 pixels (Q - P wraps to -8, >> 3 is -1);
  // v rises 0x7FF8 to R, and S - R gives a further row-dependent change.
  grid[1].u = 0xFFF8;
  grid[kGridColumns].v = 0x7FF8;
  grid[kGridColumns + 1] = {0xFFF8 - 0x400, 0x7FF8, 0xFFFF, 0};
  std::vector<uint32_t> out(kFramePixels);
  drawWarpGrid(grid.data(), pic.data(), out.data());
  std::vector<uint32_t> plain(kFramePixels);
  ref::drawWarpGrid(grid.data(), pic.data(), plain.data());
  ASSERT_EQ(out, plain);
  // Row 0: u = 0, 0xFFFF, 0xFFFE, ...: column 0 then 255 (a logical shift would make the step
  // 0x1FFF and land in column 31).
  EXPECT_EQ(out[0] & 0xFF, 0u);
  EXPECT_EQ(out[1] & 0xFF, (255u * 255u) >> 8);
  // stepXDelta = (((0xFBF8 - 0) >> 3) - stepX) >> 3 = (-129 + 1) >> 3 = -16: row r steps by -1 - 16r.
  uint16_t stepX = 0xFFFF;
  for (int r = 0; r < 8; ++r) {
    uint16_t u = 0;
    for (int c = 0; c < 8; ++c) {
      EXPECT_EQ(out[size_t(r * kFrameWidth + c)] & 0xFF, ((u >> 8) * 255u) >> 8) << r << "," << c;
      u = uint16_t(u + stepX);
    }
    stepX = uint16_t(stepX - 16);
  }
  // v: stepY = 0x7FF8 >> 3 = 0x0FFF per row, so row 7 reads picture row 0x6FF9 >> 8 = 0x6F.
  EXPECT_EQ((out[7 * kFrameWidth] >> 8) & 0xFF, (0x6Fu * 255u) >> 8);
}

TEST(WarpFill, EveryDestinationPixelIsWritten) {
  std::vector<WarpNode> grid(kGridPoints, WarpNode{0, 0, 0xFF00, 0});
  std::vector<uint32_t> pic(256 * 256, 0x01020304u), out(kFramePixels, 0xDEADBEEFu);
  drawWarpGrid(grid.data(), pic.data(), out.data());
  // Light 0xFF00 scales each byte by 255 / 256: 1, 2, 3, 4 become 0, 1, 2, 3.
  for (uint32_t p : out) ASSERT_EQ(p, 0x00010203u);
}
