// Guards the polygon fillers: degenerate polygons, the strict depth test, the cleared
// target, corners past the screen and the perspective correction against the affine
// mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/depthtarget.hpp"
#include "engine/rasterizer.hpp"

namespace {

// One polygon over its own screen vertices, with a texture whose texel holds its
// own column and row, so a drawn pixel tells which texel it took.
struct TestPolygon {
  std::vector<ScreenVertex> vertices;
  Polygon polygon{};
  Polygon* polygonRef = &polygon;
  ProjectedObject object{};
  std::unique_ptr<TextureImage> texture = std::make_unique<TextureImage>();

  explicit TestPolygon(std::vector<ScreenVertex> v) : vertices(std::move(v)) {
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 256; ++c) texture->texels[r * 256 + c] = 0xFF000000u | uint32_t(r << 8) | uint32_t(c);
    polygon.cornerCount = int32_t(vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) polygon.corner[i] = int32_t(i);
    polygon.texture = texture.get();
    polygon.visible = 1;
    object.vertices = vertices.data();
    object.vertexCapacity = uint32_t(vertices.size());
    object.polygons = &polygonRef;
    object.polygonCount = 1;
    object.visible = 1;
  }
};

ScreenVertex corner(int column, int row, float invZ = 0.5f, int tu = 0, int tv = 0) {
  return {column * 256, row, invZ, tu, tv};
}

struct Buffers {
  std::vector<uint32_t> colour = std::vector<uint32_t>(kScreenPixels, 0);
  std::vector<float> depth = std::vector<float>(kScreenPixels, 0.0f);
  Buffers() {
    setDepthTarget(depth.data());
    clearDepthTarget();
  }
  int drawn() const {
    int n = 0;
    for (uint32_t p : colour) n += p != 0;
    return n;
  }
};

using Rasterizer = void (*)(const ProjectedObject*, uint32_t, uint32_t*);
const Rasterizer kBoth[2] = {drawPolygonPerspective, drawPolygonAffine};

// Exact coverage, texel choice and wrap are compared bit for bit with a plain
// reading in EngineReference; these are the cases its random polygons do not reach.
TEST(EngineRasterizer, DegenerateEqualDepthAndClearedTarget) {
  for (Rasterizer draw : kBoth) {
    Buffers b;
    TestPolygon flat({corner(10, 20), corner(50, 20), corner(90, 20)});
    TestPolygon two({corner(10, 20), corner(50, 80)});
    TestPolygon one({corner(10, 20)});
    for (TestPolygon* p : {&flat, &two, &one}) draw(&p->object, 0, b.colour.data());
    EXPECT_EQ(b.drawn(), 0);
    // The depth test is strict: an equal depth is not overwritten.
    TestPolygon quad({corner(20, 20), corner(20, 60), corner(80, 60), corner(80, 20)});
    std::fill(b.depth.begin(), b.depth.end(), 0.5f);
    draw(&quad.object, 0, b.colour.data());
    EXPECT_EQ(b.drawn(), 0);
    // A cleared target takes a full-screen pair of triangles with 1/z just above it.
    Buffers c;
    EXPECT_EQ(c.depth[0], 1.0e-6f);
    EXPECT_EQ(c.depth[kScreenPixels - 1], 1.0e-6f);
    TestPolygon upper({corner(0, 0), corner(0, 199), corner(319, 0)});
    TestPolygon lower({corner(319, 0), corner(0, 199), corner(319, 199)});
    for (TestPolygon* p : {&upper, &lower}) {
      for (ScreenVertex& v : p->vertices) v.invZ = 2.0e-6f;
      draw(&p->object, 0, c.colour.data());
    }
    EXPECT_EQ(c.drawn(), kScreenPixels);
  }
}

// A floor receding from the camera: the perspective filler reproduces the ray-cast
// checkerboard almost everywhere, the affine one bends its lines.
TEST(EngineRasterizer, PerspectiveAgainstAffineOnRecedingCheckerboard) {
  // Plane y = 0.5 (below the eye, rows grow downwards), from z = 1 to z = 8, x in
  // [-0.8, 0.8]; u runs across, v along the depth.
  const float f = 160.0f, X = 0.8f, Y = 0.5f;
  auto project = [&](float x, float z, float u, float v) {
    return ScreenVertex{int32_t(x * f * 256.0f / z + 40960.0f), int32_t(Y * f / z + 100.0f), 1.0f / z,
                        int32_t(std::lround(u * 65536.0f)), int32_t(std::lround(v * 65536.0f))};
  };
  // Corner order chosen so that the polygon faces the viewer.
  std::vector<ScreenVertex> quad = {project(-X, 8, 0, 1), project(-X, 1, 0, 0), project(X, 1, 1, 0),
                                    project(X, 8, 1, 1)};
  TestPolygon persp(quad), affine(quad);
  // Texture: 8 x 8 checker cells of 32 texels.
  for (auto* p : {&persp, &affine})
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 256; ++c) p->texture->texels[r * 256 + c] = ((r / 32 + c / 32) & 1) ? 0xFFFFFFu : 0x000001u;
  Buffers bp, ba;
  setDepthTarget(bp.depth.data());
  drawPolygonPerspective(&persp.object, 0, bp.colour.data());
  setDepthTarget(ba.depth.data());
  drawPolygonAffine(&affine.object, 0, ba.colour.data());

  int count = 0, perspWrong = 0, affineWrong = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      uint32_t p = bp.colour[y * 320 + x];
      if (!p) continue;
      // Where the pixel's ray meets the plane.
      double z = Y * f / (y - 100.0);
      double wx = (x - 160.0) * z / f;
      if (z < 1.05 || z > 5.0 || std::fabs(wx) > X * 0.95) continue;
      double u = (wx + X) / (2.0 * X), v = (z - 1.0) / 7.0;
      double fu = u * 8.0 - std::floor(u * 8.0), fv = v * 8.0 - std::floor(v * 8.0);
      if (fu < 0.15 || fu > 0.85 || fv < 0.15 || fv > 0.85) continue;  // near a cell edge
      int cu = int(u * 8.0), cv = int(v * 8.0);
      uint32_t expected = ((cu + cv) & 1) ? 0xFFFFFFu : 0x000001u;
      ++count;
      perspWrong += p != expected;
      affineWrong += ba.colour[y * 320 + x] != expected;
    }
  ASSERT_GT(count, 2000);
  EXPECT_LT(perspWrong, count / 100);
  EXPECT_GT(affineWrong, count / 10);
}

TEST(EngineRasterizer, CornersPastTheScreenEdgeStayInside) {
  for (Rasterizer draw : kBoth) {
    Buffers b;
    std::vector<uint32_t> guard(kScreenPixels * 3, 0x12345678u);
    uint32_t* colour = guard.data() + kScreenPixels;
    std::vector<float> depthGuard(kScreenPixels * 3, 1.0e-6f);
    setDepthTarget(depthGuard.data() + kScreenPixels);
    TestPolygon big({corner(-50, -30), corner(-40, 260), corner(400, 250), corner(380, -20)});
    draw(&big.object, 0, colour);
    for (int i = 0; i < kScreenPixels; ++i) {
      ASSERT_EQ(guard[i], 0x12345678u);
      ASSERT_EQ(guard[2 * kScreenPixels + i], 0x12345678u);
    }
    EXPECT_NE(colour[0], 0x12345678u);
    EXPECT_NE(colour[kScreenPixels - 1], 0x12345678u);
  }
}

}  // namespace
