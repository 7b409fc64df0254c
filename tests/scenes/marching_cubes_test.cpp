// Guards marching cubes: the case table (quoted rows, counts, crossed edges, closed
// surfaces), the polygonizer's vertices, the normals, the field's bytes and the
// affine textured triangle filler's clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "scenes/common/marching_cubes.hpp"
#include "tests/testutil.hpp"

namespace {
std::vector<std::vector<int>> edgesOf(int c) {
  std::vector<std::vector<int>> out;
  const CubeCase& cc = triangleTable[c];
  for (int t = 0; t < cc.count; ++t) {
    std::vector<int> tri;
    for (int e = 0; e < 3; ++e) tri.push_back(cubeEdgeOf(cc.corner[t][e][0], cc.corner[t][e][1]));
    out.push_back(tri);
  }
  return out;
}
using Tris = std::vector<std::vector<int>>;
}  // namespace

TEST(MarchingCubesTable, QuotedRowsAndCounts) {
  EXPECT_EQ(edgesOf(0), Tris{});
  EXPECT_EQ(edgesOf(255), Tris{});
  EXPECT_EQ(edgesOf(1), (Tris{{0, 8, 3}}));
  EXPECT_EQ(edgesOf(2), (Tris{{0, 1, 9}}));
  EXPECT_EQ(edgesOf(3), (Tris{{9, 8, 1}, {1, 8, 3}}));
  EXPECT_EQ(edgesOf(6), (Tris{{0, 2, 9}, {9, 2, 10}}));
  EXPECT_EQ(edgesOf(7), (Tris{{10, 9, 8}, {2, 8, 3}, {2, 10, 8}}));
  EXPECT_EQ(edgesOf(11), (Tris{{9, 8, 11}, {1, 9, 11}, {1, 11, 2}}));
  EXPECT_EQ(edgesOf(254), (Tris{{0, 3, 8}}));
  std::vector<int> histogram(6);
  for (int c = 0; c < 256; ++c) {
    ASSERT_LE(triangleTable[c].count, 5);
    ++histogram[triangleTable[c].count];
  }
  EXPECT_EQ(histogram, (std::vector<int>{2, 16, 50, 80, 76, 32}));
}

// Every case uses exactly the edges whose corners lie on opposite sides.
TEST(MarchingCubesTable, EdgesAreTheCrossedOnes) {
  for (int c = 0; c < 256; ++c) {
    std::set<int> used, crossed;
    for (const auto& tri : edgesOf(c))
      for (int e : tri) {
        ASSERT_GE(e, 0) << "case " << c;
        used.insert(e);
      }
    for (int a = 0; a < 8; ++a)
      for (int b = a + 1; b < 8; ++b) {
        int e = cubeEdgeOf(a, b);
        if (e >= 0 && ((c >> a) & 1) != ((c >> b) & 1)) crossed.insert(e);
      }
    EXPECT_EQ(used, crossed) << "case " << c;
  }
}

// Polygonizing a random field gives a closed, consistently wound surface: every
// edge between two crossing points inside the grid is shared by exactly two
// triangles, once in each direction.
TEST(MarchingCubesTable, RandomFieldsGiveClosedSurfaces) {
  std::mt19937 rng(1234);
  CubeGrid g{};
  setupCubeGrid(g, 6, 0.0f, 0.0f, 0.0f, 1.0f);
  for (int trial = 0; trial < 200; ++trial) {
    for (int i = 0; i < 216; ++i) g.field[i] = (rng() & 1) ? 200 : 50;
    std::map<std::pair<std::tuple<int, int, int>, std::tuple<int, int, int>>, int> directed;
    auto key = [](const Vec3& p) { return std::make_tuple(int(p.x * 4), int(p.y * 4), int(p.z * 4)); };
    polygonizeCubes(g, 128, [&](const CubeVertex* v) {
      for (int e = 0; e < 3; ++e) ++directed[{key(v[e].pos), key(v[(e + 1) % 3].pos)}];
    });
    auto onBoundary = [](const std::tuple<int, int, int>& p) {
      auto [x, y, z] = p;
      return x == 0 || x == 20 || y == 0 || y == 20 || z == 0 || z == -20;
    };
    for (const auto& [edge, count] : directed) {
      if (onBoundary(edge.first) && onBoundary(edge.second)) continue;
      ASSERT_EQ(count, 1);
      auto back = directed.find({edge.second, edge.first});
      ASSERT_TRUE(back != directed.end());
      ASSERT_EQ(back->second, 1);
    }
  }
  releaseCubeGrid(g);
}

// One cell with corner 4 (grid point 0, 0, 0) alone at or below the level: case 16,
// one triangle on edges 4, 7, 8, crossing where the level falls between the placed
// corner positions (with a cell size of 200 / 24 they are rounded, and the vertex runs
// from corner a's placed position towards b's, bit for bit). All corners on one side,
// also all at the level ("at or below" is inside), give nothing.
TEST(MarchingCubesPolygonize, CellCrossesAtTheIsoLevelBetweenPlacedCorners) {
  const struct { float size, inside, outside; } cells[] = {{10.0f, 100, 200}, {200.0f / 24.0f, 0, 130}};
  for (auto [size, inside, outside] : cells) {
    CubeGrid g{};
    setupCubeGrid(g, 2, -100.0f, -100.0f, 200.0f, size);
    std::fill(g.field, g.field + 8, uint8_t(outside));
    g.field[0] = uint8_t(inside);
    std::vector<CubeVertex> verts;
    auto polygonize = [&] {
      verts.clear();
      polygonizeCubes(g, 128, [&](const CubeVertex* v) { verts.insert(verts.end(), v, v + 3); });
    };
    polygonize();
    ASSERT_EQ(verts.size(), 3u);
    const float q = (128.0f - inside) / (outside - inside), a = -100.0f, b = -100.0f + size;
    EXPECT_EQ(verts[0].pos.x, a + (b - a) * q);
    if (inside == 0) {
      EXPECT_NE(verts[0].pos.x, -100.0f + size * q);  // the offset-only form rounds differently
    }
    const Vec3 want[3] = {{a + (b - a) * q, -100.0f, 200.0f}, {-100.0f, -100.0f, 200.0f - size * q},
                          {-100.0f, -100.0f + size * q, 200.0f}};
    for (const Vec3& w : want) {
      int found = 0;
      for (const CubeVertex& v : verts)
        found += std::abs(v.pos.x - w.x) < 1e-3f && std::abs(v.pos.y - w.y) < 1e-3f && std::abs(v.pos.z - w.z) < 1e-3f;
      EXPECT_EQ(found, 1) << w.x << " " << w.y << " " << w.z;
    }
    for (int level : {200, 128}) {
      std::fill(g.field, g.field + 8, uint8_t(level));
      polygonize();
      EXPECT_TRUE(verts.empty());
    }
    releaseCubeGrid(g);
  }
}

// The fast polygonizer and normals against the plain ones, bit for bit, on random
// fields of several sizes (rows shorter and longer than a vector), values on and
// around the level, and levels at and past the ends of a byte.
TEST(MarchingCubesPolygonize, FastMatchesReference) {
  std::mt19937 rng(99);
  auto trianglesOf = [](auto polygonize) {
    std::vector<CubeVertex> out;
    polygonize([&](const CubeVertex* v) { out.insert(out.end(), v, v + 3); });
    return out;
  };
  for (int n : {2, 3, 17, 18, 20, 24}) {
    CubeGrid g{};
    setupCubeGrid(g, n, -100.0f, -100.0f, 200.0f, 200.0f / float(n));
    for (int trial = 0; trial < 4; ++trial) {
      const uint8_t levels[] = {0, 7, 8, 9, 127, 128, 129, 254, 255};
      for (int i = 0; i < n * n * n; ++i) g.field[i] = trial % 2 ? uint8_t(rng()) : levels[rng() % 9];
      float* const axes[3] = {g.normalX, g.normalY, g.normalZ};
      std::vector<float> normals[3];
      computeCubeNormals(g);
      for (int a = 0; a < 3; ++a) normals[a].assign(axes[a], axes[a] + n * n * n);
      ref::computeCubeNormals(g);
      for (int a = 0; a < 3; ++a)
        ASSERT_EQ(0, std::memcmp(normals[a].data(), axes[a], normals[a].size() * sizeof(float))) << n;
      for (int iso : {-1, 0, 8, 128, 254, 255, 256}) {
        auto fast = trianglesOf([&](auto emit) { polygonizeCubes(g, iso, emit); });
        auto plain = trianglesOf([&](auto emit) { ref::polygonizeCubes(g, iso, emit); });
        ASSERT_EQ(fast.size(), plain.size()) << "n " << n << " iso " << iso;
        if (!fast.empty()) {  // an empty vector's data may be null
          ASSERT_EQ(0, std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(CubeVertex)))
              << "n " << n << " iso " << iso;
        }
      }
    }
    releaseCubeGrid(g);
  }
}

TEST(MarchingCubesNormals, OuterPlanesStayZeroAndLengthIs127) {
  CubeGrid g{};
  setupCubeGrid(g, 6, 0, 0, 0, 1);
  for (int k = 0; k < 6; ++k)
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 6; ++i) g.field[i + 6 * j + 36 * k] = uint8_t(10 * i + 3 * k);
  computeCubeNormals(g);
  for (int idx = 0; idx < 36; ++idx) EXPECT_EQ(g.normalX[idx], 0.0f);
  for (int idx = 180; idx < 216; ++idx) EXPECT_EQ(g.normalZ[idx], 0.0f);
  int n = 2 + 6 * 2 + 36 * 2;
  float len = std::sqrt(g.normalX[n] * g.normalX[n] + g.normalY[n] * g.normalY[n] + g.normalZ[n] * g.normalZ[n]);
  EXPECT_NEAR(len, 127.0f, 1e-3f);
  EXPECT_GT(g.normalX[n], 0.0f);
  EXPECT_EQ(g.normalY[n], 0.0f);
  releaseCubeGrid(g);
}

namespace {
// A frame with a guard area past its end, and a texture whose texel (u, v) is 256 v + u + 1.
struct TriangleFixture {
  std::vector<uint32_t> frame = std::vector<uint32_t>(320 * 200 + 64, 0xDEADBEEFu);
  std::vector<uint32_t> tex = std::vector<uint32_t>(65536);
  TriangleFixture() {
    for (int i = 0; i < 65536; ++i) tex[i] = uint32_t(i) + 1;
  }
  void draw(int x0, int y0, int x1, int y1, int x2, int y2, int u0 = 0, int v0 = 0, int u1 = 0, int v1 = 0,
            int u2 = 0, int v2 = 0) {
    drawTexturedTriangle(x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2, frame.data(), tex.data());
  }
  int drawn(int y) const { return int(std::count_if(&frame[y * 320], &frame[y * 320 + 320], [](uint32_t p) { return p != 0xDEADBEEFu; })); }
  int drawnRows() const { int n = 0; for (int y = 0; y < 200; ++y) n += drawn(y); return n; }
  bool guardIntact() const { return std::all_of(frame.begin() + 64000, frame.end(), [](uint32_t p) { return p == 0xDEADBEEFu; }); }
};
}  // namespace

// Rows clip at the top and bottom, spans at both sides; vertices far outside the frame
// cost no more than the rows they cover and never write outside it. A row whose span
// is a single pixel is left alone.
TEST(DrawTexturedTriangle, ClipsRowsAndSpansAndLeavesSinglePixels) {
  TriangleFixture f, above, below, band, far;
  f.draw(100, -50, 200, -50, 150, 250, 0, 0, 100, 0, 50, 200);
  EXPECT_GT(f.drawn(0), 0);
  EXPECT_GT(f.drawn(199), 0);
  EXPECT_TRUE(f.guardIntact());
  above.draw(10, -30, 50, -1, 30, -10);
  below.draw(10, 200, 50, 230, 30, 260);
  EXPECT_EQ(above.drawnRows() + below.drawnRows(), 0);
  // A wide band: rows 10..20, from x = -100 to 500, u running 0..600 along x.
  band.draw(-100, 10, 500, 10, -100, 20, 0, 5, 600, 5, 0, 5);
  EXPECT_EQ(band.drawn(10), 320);
  EXPECT_EQ(band.drawn(9), 0);
  // Column 0 of row 10 shows u = 100, column 319 u = 419 (wrapping to 163); nothing
  // leaks into the neighbouring rows' far ends.
  EXPECT_EQ(band.frame[10 * 320 + 0], 5u * 256 + 100 + 1);
  EXPECT_EQ(band.frame[10 * 320 + 319], 5u * 256 + 163 + 1);
  EXPECT_EQ(band.frame[21 * 320 + 0], 0xDEADBEEFu);
  const int big = 2000000000;
  far.draw(-big, -big, big, 100, -big, big, 0, 0, big, 0, 0, big);
  far.draw(INT32_MIN, 5, INT32_MAX, 5, 0, 150);
  EXPECT_TRUE(far.guardIntact());
  EXPECT_GT(far.drawn(100), 0);
  TriangleFixture thin;
  thin.draw(50, 10, 50, 10, 50, 30);  // apex rows are one pixel wide
  EXPECT_EQ(thin.drawnRows(), 0);
  thin.draw(60, 40, 80, 60, 40, 60, 7, 9, 7, 9, 7, 9);
  EXPECT_EQ(thin.drawn(40), 0);
  EXPECT_EQ(thin.drawn(41), 3);
  EXPECT_EQ(thin.frame[41 * 320 + 60], 9u * 256 + 7 + 1);
}

// The fast filler, alone and in pairs, against the plain one on random triangles:
// tiny and small ones as the sections draw them, large ones past every edge (some
// within the frame's rows only), degenerate and far-off corners, texture coordinates
// that wrap; on each vector path the processor has.
TEST(DrawTexturedTriangle, FastMatchesReference) {
  onEveryPath([] {
    std::mt19937 rng(31);
    auto coord = [&](int kind) {
      switch (kind) {
        case 0: return int(rng() % 60) + 130;
        case 1: return int(rng() % 1200) - 450;
        case 3: return int(rng() % 6) + 130;
        default: return rng() % 2 ? int(rng()) : int(rng() % 6000) - 3000;
      }
    };
    // The single filler, then the pair's two layers, each into its own frame.
    TriangleFixture fast[3], plain[3];
    std::vector<uint32_t> glowTex(65536);
    for (auto& t : glowTex) t = rng();
    for (int k = 0; k < 4000; ++k) {
      int kind = k % 10 < 4 ? 3 : k % 10 < 7 ? 0 : k % 10 < 9 ? 1 : 2, p[6], uv[2][6];
      for (int& c : p) c = coord(kind);
      if (k % 20 == 8 || k % 20 == 19) p[1] = coord(0), p[3] = coord(0), p[5] = coord(0);  // wide, within the rows
      if (k % 13 == 0) p[3] = p[1];  // a flat edge
      if (k % 11 == 0) p[4] = p[2], p[5] = p[3];  // two corners in one place: ties between edges
      for (auto& layer : uv)
        for (int& c : layer) c = k % 17 == 0 ? int(rng()) : int(rng() % 2000) - 1000;
      drawTexturedTriangle(p[0], p[1], p[2], p[3], p[4], p[5], uv[0][0], uv[0][1], uv[0][2], uv[0][3], uv[0][4],
                           uv[0][5], fast[0].frame.data(), fast[0].tex.data());
      drawTexturedTrianglePair(p[0], p[1], p[2], p[3], p[4], p[5], uv[0], fast[1].frame.data(), fast[1].tex.data(),
                               uv[1], fast[2].frame.data(), glowTex.data());
      for (int f = 0; f < 3; ++f) {
        const int* c = uv[f / 2];
        ref::drawTexturedTriangle(p[0], p[1], p[2], p[3], p[4], p[5], c[0], c[1], c[2], c[3], c[4], c[5],
                                  plain[f].frame.data(), f == 2 ? glowTex.data() : plain[f].tex.data());
        if (k % 100 == 99) {
          ASSERT_EQ(fast[f].frame, plain[f].frame) << "frame " << f << " triangle " << k;
        }
      }
    }
  });
}

TEST(FieldByte, SaturatesAndRoundsHalvesToEven) {
  EXPECT_EQ(fieldByte(4.0f), 255);
  EXPECT_EQ(fieldByte(100.0f), 255);
  EXPECT_EQ(fieldByte(3.99f), 255);  // rnd(255.36)
  EXPECT_EQ(fieldByte(3.995f), 255);  // rnd(255.68) = 256 is held, not wrapped to 0
  EXPECT_EQ(fieldByte(3.98f), 255);  // rnd(254.72)
  EXPECT_EQ(fieldByte(3.97f), 254);  // rnd(254.08)
  EXPECT_EQ(fieldByte(0.0f), 0);
  EXPECT_EQ(fieldByte(2.5f / 64.0f), 2);  // halves to even
}
