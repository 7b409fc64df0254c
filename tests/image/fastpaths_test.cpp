// Every fast path against its plain reference on random buffers and at the edges
// (sizes, weights, centres and strengths the blocks and waves must handle), the
// vector ones (AVX2 where the processor has it, SSE2 always) with each path pinned.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/depthtarget.hpp"
#include "engine/rasterizer.hpp"
#include "engine/rasterizer_ref.hpp"
#include "image/crossblur.hpp"
#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"
#include "image/radialblur.hpp"
#include "tests/testutil.hpp"

namespace {

// The radial blur written out quadrant by quadrant, one channel at a time, straight
// from its description.
void directBlur(int cx, int cy, int s, std::vector<uint32_t>& img) {
  auto px = [&](int x, int y) -> uint32_t& { return img[size_t(y) * 320 + size_t(x)]; };
  auto blend = [&](int x, int y, int dxn, int dyn) {
    RadialWeights w = radialBlurTable()[(y - cy + 200) * 640 + (x - cx + 320)];
    uint32_t diag = px(x + dxn, y + dyn), vert = px(x, y + dyn), horiz = px(x + dxn, y), p = px(x, y), out = 0;
    for (int c = 0; c < 4; ++c) {
      auto ch = [c](uint32_t v) { return int((v >> (8 * c)) & 255); };
      int a = (ch(diag) * w.w0 + ch(vert) * w.w1 + ch(horiz) * w.w2 + ch(p) * w.w3) >> 8;
      out |= uint32_t(((a * s + ch(p) * (255 - s)) >> 8) & 255) << (8 * c);
    }
    px(x, y) = out;
  };
  for (int y = cy; y <= 199; ++y)
    for (int x = cx; x <= 319; ++x) blend(x, y, -1, -1);
  for (int y = cy - 1; y >= 0; --y)
    for (int x = cx; x <= 319; ++x) blend(x, y, -1, +1);
  for (int y = cy; y <= 199; ++y)
    for (int x = cx - 1; x >= 0; --x) blend(x, y, +1, -1);
  for (int y = cy - 1; y >= 0; --y)
    for (int x = cx - 1; x >= 0; --x) blend(x, y, +1, +1);
}

TEST(FastPaths, SmearsMatchTheirReference) {
  using Smear = void (*)(int, int, int, int, uint32_t*);
  const Smear fast[] = {smearRight, smearLeft, smearDown, smearUp, smearLeftRight};
  const Smear plain[] = {ref::smearRight, ref::smearLeft, ref::smearDown, ref::smearUp, ref::smearLeftRight};
  // Whole blocks, a last block that overlaps, rows left over, too narrow for blocks.
  const int sizes[][2] = {{320, 200}, {321, 199}, {320, 199}, {9, 8}, {8, 9},  {17, 16},
                          {16, 17},   {7, 5},     {2, 2},     {64, 3}, {40, 3}};
  // The sections' weights (vohel's beat a = beat, b = 0; its late glow a = 1, b up to 120) and the extremes.
  const int weights[][2] = {{180, 12}, {0, 0},   {256, 0},  {256, 1}, {1, 256}, {200, 57}, {160, 0},
                            {200, 15}, {240, 10}, {50, 0},  {255, 0}, {2, 0},   {1, 120}, {1, 57}};
  onEveryPath([&] {
    TestRng rng(21);
    for (auto& size : sizes)
      for (auto& ab : weights)
        for (int k = 0; k < 5; ++k)
          for (int kind = 0; kind < 3; ++kind) {
            // Random, white (where the brightening weights saturate) and dark frames.
            auto a = kind == 1 ? std::vector<uint32_t>(size_t(size[0] * size[1]), 0xFFFFFFFFu)
                               : randomFrame(rng, size_t(size[0] * size[1]));
            if (kind == 2)
              std::transform(a.begin(), a.end(), a.begin(), [](uint32_t p) { return p & 0x0F0F0F0Fu; });
            auto b = a;
            if (k == 2 && size[0] * size[1] == kFramePixels) {  // the smear down fused with the glow's add
              auto layer = a, frame = randomFrame(rng), plain = frame;
              smearDownAddAndClear(ab[0], ab[1], layer.data(), frame.data());
              ref::smearDownAddAndClear(ab[0], ab[1], b.data(), plain.data());
              ASSERT_TRUE(frame == plain && layer == b) << "a=" << ab[0] << " b=" << ab[1];
              b = a;
            }
            fast[k](ab[0], ab[1], size[0], size[1], a.data());
            plain[k](ab[0], ab[1], size[0], size[1], b.data());
            ASSERT_EQ(a, b) << "smear " << k << " a=" << ab[0] << " b=" << ab[1] << " size " << size[0] << "x"
                            << size[1];
          }
  });
}

// Fast and plain passes against the quadrant order: the callers' centres, centres on
// the border rows and columns (quadrants of one row or column), centres that leave
// quadrants just too narrow, or just wide enough, for blocks, blocks that reach past
// the image; and centres on or past the border, which are moved one pixel in.
TEST(FastPaths, RadialBlurMatchesTheQuadrantOrder) {
  createRadialBlurTable();
  fillRadialBlurTable();
  const int centres[][4] = {{160, 100}, {132, 100}, {1, 1},     {319, 199}, {1, 199},   {319, 1},   {160, 1},
                            {160, 199}, {1, 100},   {319, 100}, {15, 100},  {16, 100},  {304, 100}, {305, 92},
                            {7, 193},   {313, 7},   {100, 16},  {200, 184}, {77, 23},   {0, 200, 1, 199},
                            {320, 0, 319, 1},       {-5, 100, 1, 100}};
  TestRng rng(5);
  for (auto& c : centres)
    for (int strength : {0, 1, 128, 254, 255}) {
      const auto start = randomFrame(rng);
      auto expected = start, plain = start;
      directBlur(c[2] ? c[2] : c[0], c[2] ? c[3] : c[1], strength, expected);
      ref::radialBlur(c[0], c[1], strength, plain.data());
      ASSERT_EQ(plain, expected) << "plain, centre " << c[0] << "," << c[1] << " strength " << strength;
      onEveryPath([&] {
        auto fast = start;
        radialBlur(c[0], c[1], strength, fast.data());
        ASSERT_EQ(fast, expected) << "centre " << c[0] << "," << c[1] << " strength " << strength;
      });
    }
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

// The per-pixel operations (also in place, as the fades use them, and over part of
// the frame), the cross blur and the keyed blits at random places, sizes and levels.
TEST(FastPaths, PixelOpsAndBlitsMatchTheirReference) {
  TestRng rng(7);
  for (int round = 0; round < 6; ++round) {
    auto src = randomFrame(rng), d0 = randomFrame(rng);
    const int L = rng.below(256), count = 1 + rng.below(64000);
    auto a = d0, b = d0;
    auto same = [&](auto fast, auto plain, const char* what) {
      a = d0, b = d0;
      fast(a.data());
      plain(b.data());
      ASSERT_EQ(a, b) << what << " L=" << L << " count=" << count;
    };
    same([&](uint32_t* d) { addPixels(src.data(), d, count); },
         [&](uint32_t* d) { ref::addPixels(src.data(), d, count); }, "add");
    auto layer = src, plainLayer = src;
    same([&](uint32_t* d) { addPixelsAndClear(layer.data(), d, count); },
         [&](uint32_t* d) { ref::addPixelsAndClear(plainLayer.data(), d, count); }, "add and clear");
    ASSERT_EQ(layer, plainLayer);
    same([&](uint32_t* d) { darkenPixels(src.data(), d, count, L); },
         [&](uint32_t* d) { ref::darkenPixels(src.data(), d, count, L); }, "darken");
    same([&](uint32_t* d) { lightenPixels(src.data(), d, count, L); },
         [&](uint32_t* d) { ref::lightenPixels(src.data(), d, count, L); }, "lighten");
    same([&](uint32_t* d) { darkenPixels(d, d, 64000, L); }, [&](uint32_t* d) { ref::darkenPixels(d, d, 64000, L); },
         "darken in place");
    same([&](uint32_t* d) { blendToNegative(d, L); }, [&](uint32_t* d) { ref::blendToNegative(d, L); }, "negative");
    onEveryPath(
        [&] { same([&](uint32_t* d) { crossBlur(d); }, [&](uint32_t* d) { ref::crossBlur(d); }, "cross blur"); });
  }
  using Blit = void (*)(int, int, int, int, const uint32_t*, uint32_t*, uint32_t, int);
  const Blit fast[] = {blitKeyedDarken, blitKeyedBlend, blitKeyedAdd, blitKeyedSubtract};
  const Blit slow[] = {ref::blitKeyedDarken, ref::blitKeyedBlend, ref::blitKeyedAdd, ref::blitKeyedSubtract};
  for (int round = 0; round < 200; ++round) {
    int w = 1 + rng.below(60), h = 1 + rng.below(60);
    int x = rng.below(440) - 80, y = rng.below(320) - 80;
    std::vector<uint32_t> sprite(size_t(w * h));
    uint32_t key = rng.next();
    for (auto& p : sprite) p = rng.below(4) == 0 ? key : rng.next();
    auto a = randomFrame(rng), b = a;
    int L = rng.below(256), k = round % 4;
    fast[k](x, y, w, h, sprite.data(), a.data(), key, L);
    slow[k](x, y, w, h, sprite.data(), b.data(), key, L);
    ASSERT_EQ(a, b) << "blit " << k << " at " << x << "," << y << " size " << w << "x" << h;
  }
}

}  // namespace
