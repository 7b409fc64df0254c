// The vector paths chosen at run time (AVX2 where the processor has it, SSE2 always)
// against the plain references, each path pinned in turn: random buffers, the sizes
// and parameters at the edges of what the blocks and waves handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/depthtarget.hpp"
#include "engine/rasterizer.hpp"
#include "engine/rasterizer_ref.hpp"
#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"
#include "image/radialblur.hpp"
#include "tests/testutil.hpp"

namespace {

// Runs `check` once per vector path the processor has, then restores the default.
template <typename Check>
void onEveryPath(Check check) {
  for (VectorPath path : {VectorPath::Avx2, VectorPath::Sse2}) {
    if (path == VectorPath::Avx2 && !processorHasAvx2()) continue;
    setVectorPath(path);
    SCOPED_TRACE(path == VectorPath::Avx2 ? "AVX2" : "SSE2");
    check();
  }
  setVectorPath(VectorPath::Avx2);
}

TEST(FastPaths, PathsCanBePinned) {
  setVectorPath(VectorPath::Sse2);
  EXPECT_EQ(vectorPath(), VectorPath::Sse2);
  setVectorPath(VectorPath::Avx2);
  EXPECT_EQ(vectorPath(), processorHasAvx2() ? VectorPath::Avx2 : VectorPath::Sse2);
}

TEST(FastPaths, SmearsMatchTheirReference) {
  using Smear = void (*)(int, int, int, int, uint32_t*);
  const Smear fast[] = {smearRight, smearLeft, smearDown, smearUp};
  const Smear plain[] = {ref::smearRight, ref::smearLeft, ref::smearDown, ref::smearUp};
  // Whole blocks, a last block that overlaps, rows left over, too narrow for blocks.
  const int sizes[][2] = {{320, 200}, {321, 199}, {9, 8}, {8, 9}, {17, 16}, {16, 17}, {7, 5}, {2, 2}, {64, 3}};
  const int weights[][2] = {{180, 12}, {0, 0}, {256, 0}, {256, 1}, {1, 256}, {200, 57}, {160, 0}};
  onEveryPath([&] {
    TestRng rng(21);
    for (auto& size : sizes)
      for (auto& ab : weights)
        for (int k = 0; k < 4; ++k) {
          // Half the frames white, where the brightening weights saturate.
          auto a = k % 2 ? std::vector<uint32_t>(size_t(size[0] * size[1]), 0xFFFFFFFFu)
                         : randomFrame(rng, size_t(size[0] * size[1]));
          auto b = a;
          fast[k](ab[0], ab[1], size[0], size[1], a.data());
          plain[k](ab[0], ab[1], size[0], size[1], b.data());
          ASSERT_EQ(a, b) << "smear " << k << " a=" << ab[0] << " b=" << ab[1] << " size " << size[0] << "x"
                          << size[1];
        }
  });
}

TEST(FastPaths, RadialBlurMatchesItsReference) {
  createRadialBlurTable();
  fillRadialBlurTable();
  // The callers' centres, centres on the border rows and columns (quadrants of one row
  // or column), and centres that leave quadrants just too narrow, or just wide enough,
  // for blocks, and blocks that reach past the image.
  const int centres[][2] = {{160, 100}, {132, 100}, {1, 1},     {319, 199}, {1, 199},   {319, 1},
                            {160, 1},   {160, 199}, {1, 100},   {319, 100}, {15, 100},  {16, 100},
                            {304, 100}, {305, 92},  {7, 193},   {313, 7},   {100, 16},  {200, 184}};
  onEveryPath([&] {
    TestRng rng(5);
    for (auto& c : centres)
      for (int strength : {0, 1, 128, 254, 255}) {
        auto a = randomFrame(rng), b = a;
        radialBlur(c[0], c[1], strength, a.data());
        ref::radialBlur(c[0], c[1], strength, b.data());
        ASSERT_EQ(a, b) << "centre " << c[0] << "," << c[1] << " strength " << strength;
      }
  });
  freeRadialBlurTable();
}

// Polygons of every kind the fillers meet, and some they should never meet: convex ones
// either way round, tangled ones, two corners, all corners on one row; corners past
// every screen edge; near and far surfaces, level ones, texture coordinates small and
// beyond 2^20 texels. Each set is drawn twice over, the second time with another texture
// onto its own depths (ties everywhere, where z itself decides), into buffers that start
// partly covered by nearer surfaces.
std::vector<ScreenVertex> randomPolygon(TestRng& rng) {
  auto in = [&](float lo, float hi) { return lo + (hi - lo) * float(rng.below(1 << 20)) / float(1 << 20); };
  const int n = 2 + rng.below(8);
  const bool convex = rng.below(4) != 0, level = rng.below(6) == 0, flat = rng.below(10) == 0;
  const float cx = in(-40, 360), cy = in(-30, 230), rx = in(1, 260), ry = in(1, 160);
  const float z0 = in(0.002f, 3.0f), zs = level ? 0.0f : in(0.0f, 2.0f);
  const int range = 1 << (4 + rng.below(20));
  std::vector<float> angle(static_cast<size_t>(n));
  for (float& a : angle) a = in(0.0f, 6.2831853f);
  if (convex) std::sort(angle.begin(), angle.end());
  if (rng.below(2)) std::reverse(angle.begin(), angle.end());
  std::vector<ScreenVertex> v(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const float x = cx + rx * std::cos(angle[size_t(k)]), y = flat ? cy : cy + ry * std::sin(angle[size_t(k)]);
    v[size_t(k)] = {int32_t(std::floor(x * 256.0f)), int32_t(std::floor(y)), z0 + zs * in(0.0f, 1.0f),
                    rng.below(2 * range) - range, rng.below(2 * range) - range};
  }
  return v;
}

TEST(FastPaths, FillersMatchTheirReference) {
  static TextureImage textures[2];
  TestRng rng(9);
  for (TextureImage& texture : textures)
    for (uint32_t& t : texture.texels) t = rng.next();
  using Filler = void (*)(const ProjectedObject*, uint32_t, uint32_t*);
  const Filler fast[2] = {drawPolygonAffine, drawPolygonPerspective};
  const Filler plain[2] = {ref::drawPolygonAffine, ref::drawPolygonPerspective};
  onEveryPath([&] {
    TestRng shapes(13);
    for (int round = 0; round < 60; ++round) {
      std::vector<std::vector<ScreenVertex>> polygons;
      for (int i = 0; i < 8; ++i) polygons.push_back(randomPolygon(shapes));
      std::vector<uint32_t> colourStart = randomFrame(shapes);
      std::vector<float> depthStart(kScreenPixels);
      for (float& d : depthStart) d = shapes.below(3) ? kDepthCleared : 0.002f + float(shapes.below(1000)) / 300.0f;
      for (int perspective = 0; perspective < 2; ++perspective) {
        std::vector<uint32_t> colour[2] = {colourStart, colourStart};
        std::vector<float> depth[2] = {depthStart, depthStart};
        for (int which = 0; which < 2; ++which) {
          setDepthTarget(depth[which].data());
          for (int pass = 0; pass < 2; ++pass)
            for (auto& verts : polygons) {
              Polygon poly{};
              poly.cornerCount = int32_t(verts.size());
              for (size_t k = 0; k < verts.size(); ++k) poly.corner[k] = int32_t(k);
              poly.texture = &textures[pass];
              poly.visible = 1;
              Polygon* polyRef = &poly;
              ProjectedObject object{verts.data(), uint32_t(verts.size()), &polyRef, 1, 1};
              (which ? plain : fast)[perspective](&object, 0, colour[which].data());
            }
        }
        setDepthTarget(nullptr);
        ASSERT_EQ(colour[0], colour[1]) << "round " << round << (perspective ? " perspective" : " affine");
        ASSERT_EQ(0, std::memcmp(depth[0].data(), depth[1].data(), sizeof(float) * kScreenPixels)) << "round " << round;
      }
    }
  });
}

}  // namespace
