// Guards the pixel operations: worked values, clipping at every edge, and each fast
// path against the plain per-byte reference on random buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "image/crossblur.hpp"
#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"
#include "tests/testutil.hpp"

namespace {
std::vector<uint32_t> frameOf(uint32_t v) { return std::vector<uint32_t>(64000, v); }
}  // namespace

TEST(PixelOps, WorkedValues) {
  auto src = frameOf(px(32, 64, 255, 128)), dst = frameOf(px(48, 32, 16, 144));
  addFrame(src.data(), dst.data());
  EXPECT_EQ(dst[0], px(80, 96, 255, 255));

  auto white = frameOf(0xFFFFFFFFu), out = frameOf(0);
  darkenPixels(white.data(), out.data(), 64000, 0);
  EXPECT_EQ(out[123], px(254, 254, 254, 254));
  darkenPixels(white.data(), out.data(), 64000, 255);
  EXPECT_EQ(out[123], 0u);

  // Lighten keeps byte 3 of the source whatever the level; L = 0 copies bytes 0-2 exactly.
  auto s = frameOf(px(10, 200, 0, 77));
  for (int L : {0, 128, 255}) {
    lightenPixels(s.data(), out.data(), 64000, L);
    EXPECT_EQ(byteOf(out[9], 3), 77);
  }
  lightenPixels(s.data(), out.data(), 64000, 0);
  EXPECT_EQ(out[0], s[0]);
  lightenPixels(s.data(), out.data(), 64000, 255);
  EXPECT_EQ(byteOf(out[0], 2), 254);

  auto neg = frameOf(px(0, 255, 100, 7));
  blendToNegative(neg.data(), 255);
  EXPECT_EQ(neg[5], px(254, 0, 154, 247));
  neg = frameOf(px(0, 255, 100, 7));
  blendToNegative(neg.data(), 0);
  EXPECT_EQ(neg[5], px(0, 254, 99, 6));
}

TEST(PixelOps, LevelUsesOnlyTheLowByte) {
  auto s = frameOf(0x80808080u), a = frameOf(0), b = frameOf(0);
  darkenPixels(s.data(), a.data(), 64000, 0x150);
  darkenPixels(s.data(), b.data(), 64000, 0x50);
  EXPECT_EQ(a, b);
}

TEST(PixelOps, DarkenAndLightenHonourCount) {
  auto s = frameOf(0xFFFFFFFFu), d = frameOf(0x01020304u);
  darkenPixels(s.data(), d.data(), 7, 0);
  EXPECT_EQ(d[6], 0xFEFEFEFEu);
  EXPECT_EQ(d[7], 0x01020304u);
  lightenPixels(s.data(), d.data(), 1, 0);
  EXPECT_EQ(d[0], 0xFFFFFFFFu);
  EXPECT_EQ(d[1], 0xFEFEFEFEu);
}

TEST(PixelOps, FastPathsMatchReferenceOnRandomFrames) {
  TestRng rng(7);
  for (int round = 0; round < 6; ++round) {
    auto src = randomFrame(rng), d0 = randomFrame(rng);
    int L = rng.below(256);
    auto a = d0, b = d0;
    addFrame(src.data(), a.data());
    ref::addFrame(src.data(), b.data());
    ASSERT_EQ(a, b);
    int count = 1 + rng.below(64000);
    a = d0, b = d0;
    darkenPixels(src.data(), a.data(), count, L);
    ref::darkenPixels(src.data(), b.data(), count, L);
    ASSERT_EQ(a, b) << "darken L=" << L << " count=" << count;
    a = d0, b = d0;
    lightenPixels(src.data(), a.data(), count, L);
    ref::lightenPixels(src.data(), b.data(), count, L);
    ASSERT_EQ(a, b) << "lighten L=" << L;
    a = d0, b = d0;
    blendToNegative(a.data(), L);
    ref::blendToNegative(b.data(), L);
    ASSERT_EQ(a, b) << "negative L=" << L;
    // In place, as the fades use it.
    a = d0, b = d0;
    darkenPixels(a.data(), a.data(), 64000, L);
    ref::darkenPixels(b.data(), b.data(), 64000, L);
    ASSERT_EQ(a, b);
  }
}

// The four smears against the plain passes on random frames: whole frames with the
// sections' parameters (vohel's beat a = beat, b = 0 and late glow a = 1, b up to
// 120), and odd sizes for the horizontal ones, whose fast passes smear four rows
// side by side.
TEST(PixelOps, SmearsMatchReferenceAndSaturate) {
  using Smear = void (*)(int, int, int, int, uint32_t*);
  const Smear fast[] = {smearRight, smearLeft, smearDown, smearUp};
  const Smear slow[] = {ref::smearRight, ref::smearLeft, ref::smearDown, ref::smearUp};
  const int params[][2] = {{180, 12}, {200, 15}, {160, 0}, {0, 0},   {256, 0}, {1, 256},
                           {240, 10}, {50, 0},   {255, 0},  {2, 0},   {1, 120}, {1, 57}};
  const int sizes[][2] = {{320, 200}, {320, 199}, {7, 5}, {2, 2}, {40, 3}};
  TestRng rng(11);
  for (int k = 0; k < 4; ++k)
    for (auto& sz : sizes)
      for (auto& ab : params) {
        if (k >= 2 && sz[0] != 320) continue;
        auto f = randomFrame(rng, size_t(sz[0] * sz[1]));
        if (rng.below(2)) std::transform(f.begin(), f.end(), f.begin(), [](uint32_t p) { return p & 0x0F0F0F0Fu; });
        auto g = f;
        fast[k](ab[0], ab[1], sz[0], sz[1], f.data());
        slow[k](ab[0], ab[1], sz[0], sz[1], g.data());
        ASSERT_EQ(f, g) << "smear " << k << " a=" << ab[0] << " b=" << ab[1] << " size " << sz[0] << "x" << sz[1];
      }
  // a = 0, b = 0 leaves the frame; a = 256, b = 0 copies column 0 along the row.
  auto f = randomFrame(rng), g = f;
  smearRight(0, 0, 320, 200, f.data());
  EXPECT_EQ(f, g);
  smearRight(256, 0, 320, 200, f.data());
  for (int y = 0; y < 200; ++y) EXPECT_EQ(f[y * 320 + 319], g[y * 320]);
  // Brightening smear of white saturates at 255 instead of wrapping.
  auto w = frameOf(0xFFFFFFFFu);
  smearDown(1, 256, 320, 200, w.data());
  smearLeft(200, 57, 320, 200, w.data());
  EXPECT_EQ(w, frameOf(0xFFFFFFFFu));
}

TEST(PixelOps, KeyedBlitRules) {
  const uint32_t key = 0;
  auto d = frameOf(px(100, 100, 100, 9));
  uint32_t s[2] = {px(200, 50, 100, 33), key};
  blitKeyedDarken(0, 0, 2, 1, s, d.data(), key, 128);
  EXPECT_EQ(d[0], px(100, 25, 50, 33));
  EXPECT_EQ(d[1], px(100, 100, 100, 9));  // key pixel leaves the destination

  d = frameOf(px(100, 100, 100, 9));
  blitKeyedBlend(0, 0, 2, 1, s, d.data(), key, 128);
  // d < s moves down by ((s - d) * L) >> 8, never past d; d > s moves up.
  EXPECT_EQ(d[0], px(150, 75, 100, 33));
  d = frameOf(px(100, 100, 100, 9));
  blitKeyedBlend(0, 0, 2, 1, s, d.data(), key, 255);
  EXPECT_EQ(d[0], px(101, 99, 100, 33));

  d = frameOf(px(100, 250, 0, 200));
  blitKeyedAdd(0, 0, 2, 1, s, d.data(), key, 40);
  EXPECT_EQ(d[0], px(255, 255, 60, 200));

  d = frameOf(px(100, 250, 0, 200));
  blitKeyedSubtract(0, 0, 2, 1, s, d.data(), key, 40);
  EXPECT_EQ(d[0], px(0, 240, 0, 200));

  // With L = 0 a non-key pixel is copied unchanged by darken and blend.
  d = frameOf(px(1, 2, 3, 4));
  blitKeyedDarken(5, 5, 1, 1, s, d.data(), key, 0);
  EXPECT_EQ(d[5 * 320 + 5], s[0]);
}

TEST(PixelOps, KeyedBlitsMatchReferenceOnRandomSprites) {
  TestRng rng(3);
  using Blit = void (*)(int, int, int, int, const uint32_t*, uint32_t*, uint32_t, int);
  const Blit fast[] = {blitKeyedDarken, blitKeyedBlend, blitKeyedAdd, blitKeyedSubtract};
  const Blit slow[] = {ref::blitKeyedDarken, ref::blitKeyedBlend, ref::blitKeyedAdd, ref::blitKeyedSubtract};
  for (int round = 0; round < 200; ++round) {
    int w = 1 + rng.below(60), h = 1 + rng.below(60);
    int x = rng.below(440) - 80, y = rng.below(320) - 80;
    std::vector<uint32_t> sprite(size_t(w * h));
    uint32_t key = rng.next();
    for (auto& p : sprite) p = rng.below(4) == 0 ? key : rng.next();
    auto base = randomFrame(rng);
    int L = rng.below(256), k = round % 4;
    auto a = base, b = base;
    fast[k](x, y, w, h, sprite.data(), a.data(), key, L);
    slow[k](x, y, w, h, sprite.data(), b.data(), key, L);
    ASSERT_EQ(a, b) << "blit " << k << " at " << x << "," << y << " size " << w << "x" << h;
  }
}

TEST(PixelOps, KeyedBlitClipsAtEveryEdge) {
  const int w = 4, h = 3;
  std::vector<uint32_t> sprite(w * h);
  for (int i = 0; i < w * h; ++i) sprite[size_t(i)] = 0x01000000u | uint32_t(i + 1);
  auto draw = [&](int x, int y) {
    std::vector<uint32_t> d(64000 + 320, 0xDEADBEEFu);  // one guard row past the frame
    blitKeyedDarken(x, y, w, h, sprite.data(), d.data(), 0, 0);
    return d;
  };
  auto countDrawn = [](const std::vector<uint32_t>& d) {
    int n = 0;
    for (size_t i = 0; i < 64000; ++i) n += d[i] != 0xDEADBEEFu;
    EXPECT_EQ(d[64000], 0xDEADBEEFu);
    return n;
  };
  // y = -(h - 1): only the last sprite row, on row 0.
  auto d = draw(10, -(h - 1));
  EXPECT_EQ(countDrawn(d), w);
  EXPECT_EQ(d[10] & 0xFFFFFF, uint32_t((h - 1) * w + 1));
  EXPECT_EQ(countDrawn(draw(10, -h)), 0);
  EXPECT_EQ(countDrawn(draw(10, 200)), 0);
  EXPECT_EQ(countDrawn(draw(320, 10)), 0);
  EXPECT_EQ(countDrawn(draw(-w, 10)), 0);
  d = draw(-(w - 1), 0);  // only the last column, in column 0
  EXPECT_EQ(countDrawn(d), h);
  EXPECT_EQ(d[0] & 0xFFFFFF, uint32_t(w));
  d = draw(318, 198);  // bottom-right corner: 2 x 2 pixels
  EXPECT_EQ(countDrawn(d), 4);
  EXPECT_EQ(d[199 * 320 + 319] & 0xFFFFFF, uint32_t(w + 2));
}

TEST(PixelOps, ScaledBlitSamplesNearestAndClips) {
  // A 4 x 2 source drawn at 8 x 4: every source pixel becomes a 2 x 2 block.
  uint32_t src[8];
  for (int i = 0; i < 8; ++i) src[i] = uint32_t(0x10 * (i + 1));
  std::vector<uint32_t> d(64000, 0);
  blitScaledKeyedAdd(0, 0, 8, 4, 4, 2, src, d.data(), 0xFFFFFFFFu, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(d[y * 320 + x], src[(y / 2) * 4 + x / 2]) << x << "," << y;
  // Clipped on the left and top: the source origin moves by the clipped amount.
  std::fill(d.begin(), d.end(), 0);
  blitScaledKeyedDarken(-3, -1, 8, 4, 4, 2, src, d.data(), 0xFFFFFFFFu, 0);
  EXPECT_EQ(d[0], src[1]);       // drawn column 3 -> source column 1
  EXPECT_EQ(d[2 * 320 + 4], src[4 + 3]);
  EXPECT_EQ(d[3 * 320], 0u);    // only 3 rows remain
}

// The cross blur in place: a white frame keeps its first row and everything above
// the last row; the last row, whose lower neighbours are black, falls from 191 at
// its first pixel (765 / 4) towards 170 and ends at (255 + 170) / 4 = 106 where the
// right neighbour is black too. On random frames the fast blur is the plain one.
TEST(PixelOps, CrossBlurAveragesInPlaceWithBlackBelow) {
  auto white = frameOf(0xFFFFFFFFu);
  crossBlur(white.data());
  for (int p = 0; p < 199 * 320; ++p) ASSERT_EQ(white[p], 0xFFFFFFFFu) << p;
  const int expected[] = {191, 175, 171, 170, 170};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(white[199 * 320 + x], 0x01010101u * uint32_t(expected[x])) << x;
  EXPECT_EQ(white[199 * 320 + 318], 0x01010101u * 170u);
  EXPECT_EQ(white[63999], 0x01010101u * 106u);
  TestRng rng(11);
  for (int round = 0; round < 4; ++round) {
    auto fast = randomFrame(rng), plain = fast;
    crossBlur(fast.data());
    ref::crossBlur(plain.data());
    ASSERT_EQ(fast, plain) << "round " << round;
  }
}
