// Guards the block fill of textured grids: the fast fills against the plain ones on
// random grids, 16-bit lanes that wrap, and the bilinear weights.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "scenes/common/grid_fill.hpp"

namespace {
std::vector<uint32_t> randomPixels(std::mt19937& rng, size_t n) {
  std::vector<uint32_t> v(n);
  for (auto& p : v) p = rng();
  return v;
}

std::vector<GridPoint> randomGrid(std::mt19937& rng) {
  std::vector<GridPoint> g(kGridPoints);
  for (auto& p : g) p = {uint16_t(rng()), uint16_t(rng()), uint16_t(rng())};
  return g;
}
}  // namespace

// Each vector path pinned in turn against the plain fill: random grids and textures,
// and white texels at full brightness, where the weighted sums are largest.
TEST(BlockFill, FastMatchesScalarOnRandomInput) {
  for (VectorPath path : {VectorPath::Avx2, VectorPath::Sse2}) {
    if (path == VectorPath::Avx2 && !processorHasAvx2()) continue;
    setVectorPath(path);
    std::mt19937 rng(77);
    for (int trial = 0; trial < 6; ++trial) {
      auto tex = trial == 5 ? std::vector<uint32_t>(65536, 0xFFFFFFFFu) : randomPixels(rng, 65536);
      auto grid = randomGrid(rng);
      if (trial == 5)
        for (auto& p : grid) p.brightness = 0xFFFF;
      std::vector<uint32_t> fast(kFramePixels), slow(kFramePixels);
      fillTexturedBlocks(grid.data(), tex.data(), fast.data());
      ref::fillTexturedBlocks(grid.data(), tex.data(), slow.data());
      ASSERT_EQ(fast, slow) << (path == VectorPath::Avx2 ? "AVX2" : "SSE2");
      fillShadedBlocks(grid.data(), tex.data(), fast.data());
      ref::fillShadedBlocks(grid.data(), tex.data(), slow.data());
      ASSERT_EQ(fast, slow) << (path == VectorPath::Avx2 ? "AVX2" : "SSE2");
    }
  }
  setVectorPath(VectorPath::Avx2);
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

