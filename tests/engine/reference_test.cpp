// Guards the fillers against a plain, unoptimised reading of them, written out step
// by step, compared bit for bit with the engine's on random convex polygons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/depthtarget.hpp"
#include "engine/rasterizer.hpp"
#include "tests/testutil.hpp"

namespace {

struct XorShift : TestRng {
  XorShift() : TestRng(0x2545F491u) {}
  float in(float a, float b) { return a + (b - a) * float(next() % 1000000) / 1000000.0f; }
};

// Both edge tables carry every value; the perspective filler reads x, z, uz, vz,
// the affine one x, z, u, v.
struct RefEdge {
  int32_t x;
  float z, uz, vz;
  int32_t u, v;
};

void referenceFill(bool perspective, const ScreenVertex* verts, const Polygon& poly, uint32_t* colour,
                   float* depth) {
  RefEdge down[200], up[200];
  const int n = poly.cornerCount;
  int minY = 200, maxY = 0;
  for (int i = 0; i < n; ++i) {
    const ScreenVertex& vi = verts[poly.corner[i]];
    const ScreenVertex& vj = verts[poly.corner[(i + 1) % n]];
    int dy = vj.sy - vi.sy;
    if (dy != 0) {
      RefEdge* table = dy > 0 ? down : up;
      const ScreenVertex& s = dy > 0 ? vi : vj;
      const ScreenVertex& e = dy > 0 ? vj : vi;
      dy = std::abs(dy);
      int32_t x = s.sx, u = s.tu, v = s.tv;
      const int32_t xStep = (e.sx - s.sx) / dy, uStep = (e.tu - s.tu) / dy, vStep = (e.tv - s.tv) / dy;
      float z = s.invZ, uz = float(s.tu) * s.invZ, vz = float(s.tv) * s.invZ;
      const float zStep = (e.invZ - s.invZ) / float(dy);
      const float uzStep = (float(e.tu) * e.invZ - float(s.tu) * s.invZ) / float(dy);
      const float vzStep = (float(e.tv) * e.invZ - float(s.tv) * s.invZ) / float(dy);
      for (int y = s.sy; y <= e.sy; ++y) {
        table[y] = {x >> 8, z, uz, vz, u, v};
        x += xStep;
        z += zStep;
        uz += uzStep;
        vz += vzStep;
        u += uStep;
        v += vStep;
      }
    }
    minY = std::min(minY, vi.sy);
    maxY = std::max(maxY, vi.sy);
  }
  if (maxY <= minY) return;
  const int mid = (minY + maxY) / 2;
  const int w = up[mid].x - down[mid].x;
  if (w <= 0) return;
  const double dz = (double(up[mid].z) - double(down[mid].z)) / w;
  const float duz = (up[mid].uz - down[mid].uz) / float(w), dvz = (up[mid].vz - down[mid].vz) / float(w);
  const int32_t du = (up[mid].u - down[mid].u) / w, dv = (up[mid].v - down[mid].v) / w;
  for (int y = minY; y <= maxY; ++y) {
    if (up[y].x < down[y].x) continue;
    double z = down[y].z;
    float uz = down[y].uz, vz = down[y].vz;
    int32_t u = down[y].u, v = down[y].v;
    for (int x = down[y].x; x <= up[y].x; ++x) {
      const int32_t tu = perspective ? int32_t(std::nearbyint(double(uz) / z)) : u;
      const int32_t tv = perspective ? int32_t(std::nearbyint(double(vz) / z)) : v;
      float& d = depth[y * 320 + x];
      if (d < z) {
        colour[y * 320 + x] = poly.texture->texels[((tv >> 8) & 255) * 256 + ((tu >> 8) & 255)];
        d = float(z);
      }
      z += dz;
      uz += duz;
      vz += dvz;
      u += du;
      v += dv;
    }
  }
}

TEST(EngineReference, FillersMatchTheirPlainReading) {
  XorShift rng;
  static TextureImage texture;
  for (uint32_t& t : texture.texels) t = rng.next();
  std::vector<uint32_t> wantColour(kScreenPixels), gotColour(kScreenPixels);
  std::vector<float> wantDepth(kScreenPixels), gotDepth(kScreenPixels);
  int drawn = 0;
  for (int iter = 0; iter < 600; ++iter) {
    // Corners on an ellipse in angle order, either way round, clamped to the screen.
    const int n = 3 + int(rng.next() % 7);
    const float cx = rng.in(20, 300), cy = rng.in(20, 180), rx = rng.in(2, 150), ry = rng.in(2, 100);
    std::vector<float> angle(n);
    for (float& a : angle) a = rng.in(0.0f, 6.2831853f);
    std::sort(angle.begin(), angle.end());
    if (rng.next() & 1) std::reverse(angle.begin(), angle.end());
    std::vector<ScreenVertex> verts(n);
    for (int k = 0; k < n; ++k) {
      const float x = std::clamp(cx + rx * std::cos(angle[k]), 0.0f, 319.99f);
      const float y = std::clamp(cy + ry * std::sin(angle[k]), 0.0f, 199.0f);
      verts[k] = {int32_t(x * 256.0f), int32_t(y), rng.in(0.01f, 2.0f), int32_t(rng.next() % 2000000) - 1000000,
                  int32_t(rng.next() % 2000000) - 1000000};
    }
    Polygon poly{};
    poly.cornerCount = n;
    for (int k = 0; k < n; ++k) poly.corner[k] = k;
    poly.texture = &texture;
    poly.visible = 1;
    Polygon* polyRef = &poly;
    ProjectedObject object{};
    object.vertices = verts.data();
    object.vertexCapacity = uint32_t(n);
    object.polygons = &polyRef;
    object.polygonCount = 1;
    object.visible = 1;
    for (int perspective = 0; perspective < 2; ++perspective) {
      // Some pixels already hold a nearer surface.
      for (int i = 0; i < kScreenPixels; ++i) {
        wantColour[i] = gotColour[i] = 7;
        wantDepth[i] = gotDepth[i] = (i % 3 == 0) ? rng.in(0.01f, 2.0f) : kDepthCleared;
      }
      referenceFill(perspective, verts.data(), poly, wantColour.data(), wantDepth.data());
      setDepthTarget(gotDepth.data());
      (perspective ? drawPolygonPerspective : drawPolygonAffine)(&object, 0, gotColour.data());
      setDepthTarget(nullptr);
      ASSERT_EQ(wantColour, gotColour) << "polygon " << iter << (perspective ? " perspective" : " affine");
      ASSERT_EQ(std::memcmp(wantDepth.data(), gotDepth.data(), sizeof(float) * kScreenPixels), 0) << iter;
      drawn += wantColour != std::vector<uint32_t>(kScreenPixels, 7);
    }
  }
  EXPECT_GT(drawn, 400);  // of 1200 draws, about half face the drawn way
}

}  // namespace
