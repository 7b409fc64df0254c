// Guards the block fills of textured grids and warp grids: the fast fills against the
// plain ones on random grids (each fill starting from a different frame, so a pixel
// left unwritten shows), 16-bit lanes that wrap with arithmetic shifts, and the
// bilinear weights.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/pixelops.hpp"
#include "scenes/common/grid_fill.hpp"
#include "scenes/common/warp_fill.hpp"
#include "tests/testutil.hpp"

namespace {
// Random grids of three kinds: any lane values (steps wrap and go negative), a smooth
// grid near the screen layout, and one whose lanes sit next to the 0 / 65535 seam.
std::vector<WarpNode> randomWarpGrid(TestRng& rng, int kind) {
  std::vector<WarpNode> g(kGridPoints);
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x) {
      WarpNode& n = g[size_t(y * kGridColumns + x)];
      const uint32_t r = rng.next();
      if (kind == 0) {
        n = {uint16_t(r), uint16_t(r >> 16), uint16_t(rng.next()), uint16_t(rng.next())};
      } else if (kind == 1) {
        n = {uint16_t(x * 2048 + int(r % 1500) - 750), uint16_t(y * 2048 + int(rng.next() % 1500) - 750),
             uint16_t(40000 + rng.next() % 25280), 0};
      } else {
        n = {uint16_t(65530 + r % 12), uint16_t(rng.next() % 2 ? 32760 + rng.next() % 16 : rng.next() % 8),
             uint16_t(rng.next()), 0};
      }
    }
  return g;
}
}  // namespace

// Each vector path pinned in turn against the plain fill: random grids and textures,
// and white texels at full brightness, where the weighted sums are largest.
TEST(BlockFill, FastMatchesScalarOnRandomInput) {
  onEveryPath([] {
    TestRng rng(77);
    for (int trial = 0; trial < 6; ++trial) {
      // The last trial white at full brightness, where the weighted sums are largest.
      auto tex = trial == 5 ? std::vector<uint32_t>(65536, 0xFFFFFFFFu) : randomFrame(rng, 65536);
      std::vector<GridPoint> grid(kGridPoints);
      for (auto& p : grid)
        p = {uint16_t(rng.next()), uint16_t(rng.next()), trial == 5 ? uint16_t(0xFFFF) : uint16_t(rng.next())};
      std::vector<uint32_t> fast(kFramePixels, 1), slow(kFramePixels, 2);
      fillTexturedBlocks(grid.data(), tex.data(), fast.data());
      ref::fillTexturedBlocks(grid.data(), tex.data(), slow.data());
      ASSERT_EQ(fast, slow);
      fillShadedBlocks(grid.data(), tex.data(), fast.data());
      ref::fillShadedBlocks(grid.data(), tex.data(), slow.data());
      ASSERT_EQ(fast, slow);
    }
  });
}

// One block against the rule written out longhand, with lanes that wrap: u runs
// from 0xFFF0 over 0 and v steps downwards.
TEST(BlockFill, LanesWrapAt16Bits) {
  std::vector<uint32_t> tex(65536);
  for (int i = 0; i < 65536; ++i) tex[i] = uint32_t(i & 255) | uint32_t(i >> 8) << 8;  // blue = u, green = v
  std::vector<GridPoint> grid(kGridPoints, GridPoint{0, 0, 0xFF00});
  grid[0] = {0xFFF0, 0x0100, 0xFF00};  // TL
  grid[1] = {0x0030, 0x0100, 0xFF00};  // TR: +0x40 through the wrap
  grid[kGridColumns] = {0xFFF0, 0xFF00, 0xFF00};  // BL: v -0x200
  grid[kGridColumns + 1] = {0x00B0, 0xFF00, 0xFF00};  // BR
  std::vector<uint32_t> out(kFramePixels);
  fillTexturedBlocks(grid.data(), tex.data(), out.data());
  int16_t dx = int16_t(0x40) >> 3, dy = int16_t(-0x200) >> 3, ddx = int16_t((int16_t(0xC0) >> 3) - dx) >> 3;
  uint16_t startU = 0xFFF0, startV = 0x0100;
  for (int r = 0; r < 8; ++r) {
    uint16_t u = startU, v = startV;
    for (int c = 0; c < 8; ++c) {
      EXPECT_EQ(out[r * 320 + c], ref::bilinearSample(tex.data(), u, v)) << r << "," << c;
      u = uint16_t(u + dx);
    }
    startU = uint16_t(startU + 0);
    startV = uint16_t(startV + dy);
    dx = int16_t(dx + ddx);
  }
}

TEST(BlockFill, BilinearWeights) {
  BilinearWeights w = bilinearWeights(0, 0);
  EXPECT_EQ(w.w00, 254u);  // (255 * 255) >> 8
  EXPECT_EQ(w.w10 + w.w01 + w.w11, 0u);
  w = bilinearWeights(128, 64);
  EXPECT_EQ(w.w11, 32u);
  EXPECT_EQ(w.w10, 96u);
  EXPECT_EQ(w.w01, 32u);
  EXPECT_EQ(w.w00, (127u * 191u) >> 8);
  w = bilinearWeights(255, 255);
  EXPECT_EQ(w.w00 + w.w10 + w.w01 + w.w11, 256u);
  // A texture of one colour samples to that colour darkened by the weights' sum.
  std::vector<uint32_t> tex(65536, 0x80808080u);
  EXPECT_EQ(ref::bilinearSample(tex.data(), 0, 0), 0x7F7F7F7Fu);
  // The neighbours wrap: texel (255, 255) blends with (0, 0).
  tex[0] = 0xFFu;
  tex[255 * 256 + 255] = 0;
  // Weights at (255, 255): w00 = 0, w10 = w01 = 1, w11 = 254.
  EXPECT_EQ(ref::bilinearSample(tex.data(), 0xFFFF, 0xFFFF) & 0xFF, (0x80u + 0x80u + 255u * 254u) >> 8);
}

TEST(WarpFill, FastFillsMatchThePlainLaneArithmeticOnRandomGrids) {
  TestRng rng(2024);
  std::vector<uint64_t> prepared(kSmoothTexels);
  for (int round = 0; round < 12; ++round) {
    std::vector<uint32_t> tex = randomFrame(rng, 256 * 256);
    std::vector<WarpNode> grid = randomWarpGrid(rng, round % 3);
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
