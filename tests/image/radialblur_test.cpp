// Guards the radial blur: the table's worked weights, the worked centre pixel, and
// the fast and plain passes against the blur written out quadrant by quadrant.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "image/radialblur.hpp"

namespace {
class RadialBlur : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    createRadialBlurTable();
    fillRadialBlurTable();
  }
  static void TearDownTestSuite() { freeRadialBlurTable(); }
  static RadialWeights at(int dx, int dy) { return radialBlurTable()[(dy + 200) * 640 + dx + 320]; }
};

// The blur written out quadrant by quadrant, one channel at a time, straight from its description.
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

std::vector<uint32_t> randomImage(std::mt19937& rng) {
  std::vector<uint32_t> img(kFramePixels);
  for (uint32_t& p : img) p = rng();
  return img;
}
}  // namespace

TEST_F(RadialBlur, TableHoldsTheWorkedWeights) {
  using W = std::vector<int>;  // w0 (diagonal), w1 (vertical), w2 (horizontal), w3 (itself)
  auto weights = [](int dx, int dy) {
    const RadialWeights w = at(dx, dy);
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
}

TEST_F(RadialBlur, CentrePixelOfWhiteBecomes253AtFullStrength) {
  std::vector<uint32_t> img(kFramePixels, 0), img2;
  img[100 * 320 + 160] = 0xFFFFFFFFu;
  img2 = img;
  radialBlur(160, 100, 255, img.data());
  ref::radialBlur(160, 100, 255, img2.data());
  EXPECT_EQ(img[100 * 320 + 160], 0xFDFDFDFDu);
  EXPECT_EQ(img2[100 * 320 + 160], 0xFDFDFDFDu);
}

TEST_F(RadialBlur, StrengthZeroOnlyScalesBy255Over256) {
  std::mt19937 rng(5);
  std::vector<uint32_t> img = randomImage(rng), orig = img;
  radialBlur(132, 100, 0, img.data());
  for (int k = 0; k < kFramePixels; ++k) {
    uint32_t want = 0;
    for (int c = 0; c < 32; c += 8) want |= ((((orig[size_t(k)] >> c) & 255) * 255) >> 8) << c;
    ASSERT_EQ(img[size_t(k)], want) << "pixel " << k;
  }
}

TEST_F(RadialBlur, FastAndPlainMatchTheQuadrantOrderOnRandomImages) {
  std::mt19937 rng(11);
  const int centres[][2] = {{160, 100}, {132, 100}, {1, 1}, {319, 199}, {1, 199}, {319, 1}, {77, 23}};
  for (auto& c : centres)
    for (int s : {0, 1, 2, 128, 230, 255}) {
      std::vector<uint32_t> img = randomImage(rng), a = img, b = img;
      directBlur(c[0], c[1], s, img);
      radialBlur(c[0], c[1], s, a.data());
      ref::radialBlur(c[0], c[1], s, b.data());
      ASSERT_EQ(a, img) << "fast, centre " << c[0] << "," << c[1] << " strength " << s;
      ASSERT_EQ(b, img) << "plain, centre " << c[0] << "," << c[1] << " strength " << s;
    }
}

TEST_F(RadialBlur, CentreOnTheEdgeIsKeptInside) {
  // A centre on or past the border would read outside the image; it is moved one pixel in.
  std::mt19937 rng(3);
  const int asked[][2] = {{0, 200}, {320, 0}, {-5, 100}}, kept[][2] = {{1, 199}, {319, 1}, {1, 100}};
  for (int i = 0; i < 3; ++i) {
    std::vector<uint32_t> img = randomImage(rng), a = img, b = img;
    directBlur(kept[i][0], kept[i][1], 200, img);
    radialBlur(asked[i][0], asked[i][1], 200, a.data());
    ref::radialBlur(asked[i][0], asked[i][1], 200, b.data());
    EXPECT_EQ(a, img);
    EXPECT_EQ(b, img);
  }
}

TEST(RadialBlurUnloaded, LeavesTheImageWithoutATable) {
  std::vector<uint32_t> img(kFramePixels, 0x12345678u);
  radialBlur(160, 100, 255, img.data());
  ref::radialBlur(160, 100, 255, img.data());
  EXPECT_EQ(img[0], 0x12345678u);
  EXPECT_EQ(img[100 * 320 + 160], 0x12345678u);
}
