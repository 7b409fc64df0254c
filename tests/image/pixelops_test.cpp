// Guards the pixel operations and the radial blur by worked values and clipping at
// every edge (tests/image/fastpaths_test.cpp holds each fast path against its reference).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "image/crossblur.hpp"
#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"
#include "image/radialblur.hpp"
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

  // The level uses only its low byte; darken and lighten stop after `count` pixels.
  auto half = frameOf(0x80808080u), a = frameOf(0), b = frameOf(0);
  darkenPixels(half.data(), a.data(), 64000, 0x150);
  darkenPixels(half.data(), b.data(), 64000, 0x50);
  EXPECT_EQ(a, b);
  auto d = frameOf(0x01020304u);
  s = frameOf(0xFFFFFFFFu);
  darkenPixels(s.data(), d.data(), 7, 0);
  EXPECT_EQ(d[6], 0xFEFEFEFEu);
  EXPECT_EQ(d[7], 0x01020304u);
  lightenPixels(s.data(), d.data(), 1, 0);
  EXPECT_EQ(d[0], 0xFFFFFFFFu);
  EXPECT_EQ(d[1], 0xFEFEFEFEu);
}

// a = 0, b = 0 leaves the frame; a = 256, b = 0 copies column 0 along the row; a
// brightening smear of white saturates at 255 instead of wrapping.
TEST(PixelOps, SmearWorkedValues) {
  TestRng rng(11);
  auto f = randomFrame(rng), g = f;
  smearRight(0, 0, 320, 200, f.data());
  EXPECT_EQ(f, g);
  smearRight(256, 0, 320, 200, f.data());
  for (int y = 0; y < 200; ++y) EXPECT_EQ(f[y * 320 + 319], g[y * 320]);
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
// right neighbour is black too.
TEST(PixelOps, CrossBlurAveragesInPlaceWithBlackBelow) {
  auto white = frameOf(0xFFFFFFFFu);
  crossBlur(white.data());
  for (int p = 0; p < 199 * 320; ++p) ASSERT_EQ(white[p], 0xFFFFFFFFu) << p;
  const int expected[] = {191, 175, 171, 170, 170};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(white[199 * 320 + x], 0x01010101u * uint32_t(expected[x])) << x;
  EXPECT_EQ(white[199 * 320 + 318], 0x01010101u * 170u);
  EXPECT_EQ(white[63999], 0x01010101u * 106u);
}

TEST(PixelOps, RadialBlurTableAndWorkedPixels) {
  createRadialBlurTable();
  fillRadialBlurTable();
  using W = std::vector<int>;  // w0 (diagonal), w1 (vertical), w2 (horizontal), w3 (itself)
  auto weights = [](int dx, int dy) {
    const RadialWeights w = radialBlurTable()[(dy + 200) * 640 + dx + 320];
    return W{w.w0, w.w1, w.w2, w.w3};
  };
  EXPECT_EQ(weights(0, 0), (W{0, 0, 0, 255}));
  // The row through the centre takes the horizontal neighbour, the column the vertical one.
  for (int d : {-320, -57, -1, 1, 13, 319}) EXPECT_EQ(weights(d, 0), (W{0, 0, 255, 0})) << d;
  for (int d : {-200, -9, -1, 1, 77, 199}) EXPECT_EQ(weights(0, d), (W{0, 255, 0, 0})) << d;
  // On a diagonal fx = fy = 1/sqrt(2): 52.8 rounds to 53, 21.9 to 22; fx * fy * 255 is a hair
  // under 127.5 in floating point, so w0 is 127.
  for (int d : {1, -5, 40}) EXPECT_EQ(weights(d, d), (W{127, 53, 53, 22})) << d;
  // Offset (3, 4): fx = 0.6, fy = 0.8: 0.48, 0.32, 0.12 and 0.08 of 255.
  EXPECT_EQ(weights(3, -4), (W{122, 82, 31, 20}));

  // A white centre pixel becomes 253 at full strength (the quadrant-order test covers the rest).
  for (auto blur : {radialBlur, ref::radialBlur}) {
    auto img = frameOf(0);
    img[100 * 320 + 160] = 0xFFFFFFFFu;
    blur(160, 100, 255, img.data());
    EXPECT_EQ(img[100 * 320 + 160], 0xFDFDFDFDu);
  }
  freeRadialBlurTable();
  // Without a table both passes leave the image as it is.
  auto img = frameOf(0x12345678u);
  radialBlur(160, 100, 255, img.data());
  ref::radialBlur(160, 100, 255, img.data());
  EXPECT_EQ(img, frameOf(0x12345678u));
}
