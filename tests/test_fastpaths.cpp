// The vector paths chosen at run time (AVX2 where the processor has it, SSE2 always)
// against the plain references, each path pinned in turn: random buffers, the sizes
// and parameters at the edges of what the blocks and waves handle.
#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
