// Marching cubes shared by the blobs and metabox sections: the case table, the
// field's bytes and normals, the polygonizer and the affine textured triangle filler.
#pragma once
#include <cstdint>

#include "image/pixelops.hpp"
#include "scenes/common/vectors.hpp"

// One case of the table: up to five triangles, each three cube edges, each edge
// given by the two corners it joins.
struct CubeCase {
  uint8_t count;
  uint8_t corner[5][3][2];
};

// The classic 256-case table. Bit c of the case number is set when corner c is at
// or below the iso level. Edges: 0 = (0, 1), 1 = (1, 2), 2 = (2, 3), 3 = (3, 0),
// 4 = (4, 5), 5 = (5, 6), 6 = (6, 7), 7 = (7, 4), 8 = (0, 4), 9 = (1, 5),
// 10 = (2, 6), 11 = (3, 7).
extern const CubeCase (&triangleTable)[256];
// The edge number joining two corners (either order), or -1 when they share no edge.
int cubeEdgeOf(int cornerA, int cornerB);

// A cubic grid of n^3 points, x fastest. Grid point (i, j, k) lies at world
// (x0 + i s, y0 + j s, z0 - k s). Corner c of a cell has the grid offset
// kCornerOffset[c]; the tables below are filled by setupCubeGrid.
struct CubeGrid {
  int n;
  float x0, y0, z0, step;
  int cornerIndex[8];    // linear index offsets of the corners
  Vec3 cornerWorld[8];   // world offsets of the corners
  uint8_t* field;        // n^3 values (and 32 bytes of padding the vector loads may read)
  float* normalX;        // n^3 each
  float* normalY;
  float* normalZ;
  uint8_t* rowCases;     // n + 16 bytes: the cases of one row of cells
};

extern const int kCornerOffset[8][3];

// The byte a field sum becomes: 255 from 4 up, else the nearest integer to 64 f. Just
// below 4 the rounding reaches 256, which is held at 255 rather than wrapping to an
// empty 0 inside the blob.
inline uint8_t fieldByte(float f) {
  if (f >= 4.0f) return 255;
  int v = roundEven(64.0f * f);
  return uint8_t(v > 255 ? 255 : v);
}

// The field's bytes from per-axis terms tabulated per ball: term[b][a][c] is ball b's
// term along axis a (x, y, z) at grid coordinate c (n <= 32). Point (i, j, k) sums over
// the balls, in order, 1 / s or, with squareRoot, 1 / sqrt(s) of s = x + y + z terms,
// leaving out a ball whose s is 0, and takes fieldByte of the sum. Four points at a time.
void fillFieldBytes(CubeGrid& g, const float (*term)[3][32], int ballCount, bool squareRoot);

// Allocates the field and normals (normals start at zero) and fills the tables.
void setupCubeGrid(CubeGrid& g, int n, float x0, float y0, float z0, float step);
void releaseCubeGrid(CubeGrid& g);

// Normals of the planes k = 1 .. n - 2 from central differences of the field
// (linear neighbours, so the row ends borrow from the adjacent row); length 127,
// zero where the difference is zero. The outermost planes keep their zeros.
void computeCubeNormals(CubeGrid& g);
namespace ref {
void computeCubeNormals(CubeGrid& g);
// The plain normals of the points from .. to - 1 (linear indices).
void computeCubeNormalsOf(CubeGrid& g, int from, int to);
}  // namespace ref

struct CubeVertex {
  Vec3 pos;
  Vec3 normal;
};

// The case numbers of the cells (i, j, k), i = 0 .. n - 2, of one row into cases;
// returns the cells that have triangles, bit i for cell i (n <= 32). SSE2, sixteen
// cells at a time, for iso 0 .. 254 (below 0 no corner is inside, from 255 on every
// corner is: no triangles).
uint32_t cubeCasesOfRow(const CubeGrid& g, int iso, int j, int k, uint8_t* cases);

// The edge (0 .. 11) joining corners a and b, at index 8 a + b; -1 where none does.
extern const int8_t kEdgeOfCorners[64];

// A case's triangles over its distinct vertices: the corners of each vertex's edge,
// in the order the triangles first use them, and each triangle's three vertices.
struct CubeCaseVertices {
  uint8_t count;
  uint8_t corner[12][2];
  uint8_t triangle[5][3];
};
extern const CubeCaseVertices (&caseVertices)[256];

// The vertex where the iso level crosses the edge from corner a to corner b of the
// cell at field index idx: between the two corners' world positions (the cell origin
// plus the corner offsets), so the rounding is that of the placed points.
inline CubeVertex edgeVertex(const CubeGrid& g, int idx, const Vec3& origin, int iso, int a, int b) {
  const int ia = idx + g.cornerIndex[a], ib = idx + g.cornerIndex[b];
  const float fa = float(g.field[ia]), fb = float(g.field[ib]);
  const float q = (float(iso) - fa) / (fb - fa);
  const Vec3 &wa = g.cornerWorld[a], &wb = g.cornerWorld[b];
  const Vec3 pa = {origin.x + wa.x, origin.y + wa.y, origin.z + wa.z};
  const Vec3 pb = {origin.x + wb.x, origin.y + wb.y, origin.z + wb.z};
  CubeVertex v;
  v.pos = {pa.x + (pb.x - pa.x) * q, pa.y + (pb.y - pa.y) * q, pa.z + (pb.z - pa.z) * q};
  v.normal = {g.normalX[ia] + (g.normalX[ib] - g.normalX[ia]) * q, g.normalY[ia] + (g.normalY[ib] - g.normalY[ia]) * q,
              g.normalZ[ia] + (g.normalZ[ib] - g.normalZ[ia]) * q};
  return v;
}

// Visits the cells (k outermost, then j, then i, each 0 .. n - 2) and calls
// emit(const P*) for every triangle of their cases, in table order, with the three
// vertices each passed through place(const CubeVertex&) -> P. The cases come a row at
// a time from cubeCasesOfRow, and a vertex on an edge that two triangles of a cell
// share is computed and placed once, as ref::polygonizeCubes computes it.
template <typename Place, typename Emit>
void polygonizeCubes(const CubeGrid& g, int iso, Place place, Emit emit) {
  using Placed = decltype(place(CubeVertex{}));
  const int n = g.n;
  if (iso < 0 || iso >= 255 || n < 2) return;
  for (int k = 0; k < n - 1; ++k)
    for (int j = 0; j < n - 1; ++j) {
      const int base = j * n + k * n * n;
      for (uint32_t cells = cubeCasesOfRow(g, iso, j, k, g.rowCases); cells != 0; cells &= cells - 1) {
        const int i = __builtin_ctz(cells), idx = base + i;
        const CubeCase& cc = triangleTable[g.rowCases[i]];
        const CubeCaseVertices& cv = caseVertices[g.rowCases[i]];
        const Vec3 origin = {g.x0 + float(i) * g.step, g.y0 + float(j) * g.step, g.z0 - float(k) * g.step};
        Placed vertex[12];
        for (int v = 0; v < cv.count; ++v)
          vertex[v] = place(edgeVertex(g, idx, origin, iso, cv.corner[v][0], cv.corner[v][1]));
        for (int t = 0; t < cc.count; ++t) {
          const Placed tri[3] = {vertex[cv.triangle[t][0]], vertex[cv.triangle[t][1]], vertex[cv.triangle[t][2]]};
          emit(tri);
        }
      }
    }
}

template <typename Emit>
void polygonizeCubes(const CubeGrid& g, int iso, Emit emit) {
  polygonizeCubes(g, iso, [](const CubeVertex& v) { return v; }, emit);
}

namespace ref {
// The plain polygonizer: every corner compared, every vertex computed.
template <typename Emit>
void polygonizeCubes(const CubeGrid& g, int iso, Emit emit) {
  const int n = g.n;
  const uint8_t* F = g.field;
  for (int k = 0; k < n - 1; ++k)
    for (int j = 0; j < n - 1; ++j) {
      int base = j * n + k * n * n;
      for (int i = 0; i < n - 1; ++i) {
        int idx = base + i;
        int cubeCase = 0;
        for (int c = 0; c < 8; ++c)
          if (F[idx + g.cornerIndex[c]] <= iso) cubeCase |= 1 << c;
        const CubeCase& cc = triangleTable[cubeCase];
        if (cc.count == 0) continue;
        const Vec3 origin = {g.x0 + float(i) * g.step, g.y0 + float(j) * g.step, g.z0 - float(k) * g.step};
        for (int t = 0; t < cc.count; ++t) {
          CubeVertex tri[3];
          for (int e = 0; e < 3; ++e) {
            int a = cc.corner[t][e][0], b = cc.corner[t][e][1];
            tri[e] = edgeVertex(g, idx, origin, iso, a, b);
          }
          emit(tri);
        }
      }
    }
}
}  // namespace ref

// Fills the screen triangle with the affinely mapped 256 x 256 texture, overwriting
// pixels of the 320 x 200 destination. Rows and spans are clipped to the frame; a
// row whose span is a single pixel is left alone.
void drawTexturedTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int u1, int v1, int u2, int v2, int u3,
                          int v3, uint32_t* dst, const uint32_t* texture);
// Two triangles over the same screen corners, each with its own texture coordinates
// (u1, v1, u2, v2, u3, v3), texture and destination: the pixels of drawTexturedTriangle
// for A and then for B, the edges walked once.
void drawTexturedTrianglePair(int x1, int y1, int x2, int y2, int x3, int y3, const int uvA[6], uint32_t* dstA,
                              const uint32_t* textureA, const int uvB[6], uint32_t* dstB, const uint32_t* textureB);

namespace ref {
// The plain filler: each row's span drawn in turn, pixel by pixel.
void drawTexturedTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int u1, int v1, int u2, int v2, int u3,
                          int v3, uint32_t* dst, const uint32_t* texture);
}  // namespace ref

