#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "image/radialblur.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "scenes/common/grid_fill.hpp"
#include "scenes/sphere.hpp"
#include "tests/testutil.hpp"

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

TEST(BlockFill, FastMatchesScalarOnRandomInput) {
  std::mt19937 rng(77);
  for (int trial = 0; trial < 6; ++trial) {
    auto tex = randomPixels(rng, 65536);
    auto grid = randomGrid(rng);
    std::vector<uint32_t> fast(kFramePixels), slow(kFramePixels);
    fillTexturedBlocks(grid.data(), tex.data(), fast.data());
    ref::fillTexturedBlocks(grid.data(), tex.data(), slow.data());
    ASSERT_EQ(fast, slow);
    fillShadedBlocks(grid.data(), tex.data(), fast.data());
    ref::fillShadedBlocks(grid.data(), tex.data(), slow.data());
    ASSERT_EQ(fast, slow);
  }
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

TEST(SphereParticles, SeededCloudIsFixed) {
  XorShift32 a{42}, b{42};
  for (int i = 0; i < 100; ++i) {
    float r = a.uniform();
    EXPECT_EQ(r, b.uniform());
    EXPECT_GE(r, 0.0f);
    EXPECT_LT(r, 1.0f);
  }
}

namespace {
// Forges a section's data into a temporary folder and loads the section.
struct LoadedSection {
  const SceneModule& module;
  std::vector<uint32_t> frame = std::vector<uint32_t>(320 * 240, 0);
  bool ok = false;

  LoadedSection(const SceneModule& m, const char* only) : module(m) {
    const std::string root = forgedDataRoot(only);
    if (root.empty()) return;
    setDataRoot(root);
    createRadialBlurTable();
    fillRadialBlurTable();
    module.load();
    ok = true;
  }
  ~LoadedSection() {
    if (ok) {
      module.release();
      freeRadialBlurTable();
    }
  }
  int brightest() const {
    int m = 0;
    for (int i = 0; i < kFramePixels; ++i)
      for (int c = 0; c < 24; c += 8) m = std::max(m, int((frame[i] >> c) & 255));
    return m;
  }
  // The whole window at a low frame rate; it ends black.
  void playWindow(float length, float step) {
    for (float t = 0; t < length + 10; t += step) module.render(t, frame.data());
    module.render(length, frame.data());
    EXPECT_EQ(brightest(), 0);
  }
};
}  // namespace

TEST(SphereWindow, RendersItsWindow) {
  LoadedSection s(sphereModule, "SPHERE");
  ASSERT_TRUE(s.ok);
  s.playWindow(1770, 7.3f);
}

TEST(BlobsWindow, RendersItsWindowAndFadesWithoutFlashes) {
  LoadedSection s(blobsModule, "BLOBS");
  ASSERT_TRUE(s.ok);
  s.playWindow(885, 3.1f);
  // The last instants of the fades round to 256: held at full strength, not wrapped.
  s.module.render(63.95f, s.frame.data());
  EXPECT_GT(s.brightest(), 100);
  s.module.render(884.95f, s.frame.data());
  EXPECT_LT(s.brightest(), 3);
}

TEST(MetaboxWindow, RendersItsWindowAndFadesWithoutFlashes) {
  LoadedSection s(metaboxModule, "metabox");
  ASSERT_TRUE(s.ok);
  s.playWindow(885, 3.1f);
  s.module.render(884.95f, s.frame.data());
  EXPECT_LT(s.brightest(), 3);
}
