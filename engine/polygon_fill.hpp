// The polygon fillers' common part: the edge walk into two tables, the middle row's
// gradients, and the plain row filler, one pixel at a time, that defines the results.
// Included by the fast fillers and by their plain versions only.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "engine/depthtarget.hpp"
#include "engine/scene3d.hpp"

namespace polygon_fill {

// Nearest integer, halves to even (the processor's default rounding); values out of
// range give INT_MIN instead of undefined behaviour.
inline int32_t roundToInt(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

// One row's end of a span. The perspective filler carries u*z and v*z as floats,
// the affine one u and v as 24.8 integers.
struct PerspectiveEdge {
  int32_t x;
  float z;
  float uz, vz;
};
// u and v wrap around in unsigned arithmetic; only bits 8..15 are ever read.
struct AffineEdge {
  int32_t x;
  float z;
  uint32_t u, v;
};

inline void startEdge(PerspectiveEdge& e, const ScreenVertex& s) {
  e.uz = float(s.tu) * s.invZ;
  e.vz = float(s.tv) * s.invZ;
}
inline void stepOfEdge(PerspectiveEdge& step, const ScreenVertex& s, const ScreenVertex& e, int dy) {
  step.uz = (float(e.tu) * e.invZ - float(s.tu) * s.invZ) / float(dy);
  step.vz = (float(e.tv) * e.invZ - float(s.tv) * s.invZ) / float(dy);
}
inline void advance(PerspectiveEdge& e, const PerspectiveEdge& step) {
  e.uz += step.uz;
  e.vz += step.vz;
}

inline void startEdge(AffineEdge& e, const ScreenVertex& s) {
  e.u = uint32_t(s.tu);
  e.v = uint32_t(s.tv);
}
inline void stepOfEdge(AffineEdge& step, const ScreenVertex& s, const ScreenVertex& e, int dy) {
  step.u = uint32_t(int32_t((int64_t(e.tu) - s.tu) / dy));
  step.v = uint32_t(int32_t((int64_t(e.tv) - s.tv) / dy));
}
inline void advance(AffineEdge& e, const AffineEdge& step) {
  e.u += step.u;
  e.v += step.v;
}

// Walks one edge from its upper end s to its lower end e into the table. Rows off
// the screen are stepped over without being stored, so a corner that strays past
// the screen edge can never write outside the table.
template <typename Edge>
inline void walkEdge(Edge* table, const ScreenVertex& s, const ScreenVertex& e, int dy) {
  Edge cur, step;
  int32_t x = s.sx;
  int32_t xStep = (e.sx - s.sx) / dy;
  cur.z = s.invZ;
  step.z = (e.invZ - s.invZ) / float(dy);
  startEdge(cur, s);
  stepOfEdge(step, s, e, dy);
  for (int y = s.sy; y <= e.sy; ++y) {
    if (unsigned(y) < unsigned(kScreenHeight)) {
      cur.x = x >> 8;
      table[y] = cur;
    }
    x += xStep;
    cur.z += step.z;
    advance(cur, step);
  }
}

struct PerspectiveSpan {
  float duz, dvz;
  void setup(const PerspectiveEdge& l, const PerspectiveEdge& r, int w) {
    duz = (r.uz - l.uz) / float(w);
    dvz = (r.vz - l.vz) / float(w);
  }
};
struct AffineSpan {
  uint32_t du, dv;
  void setup(const AffineEdge& l, const AffineEdge& r, int w) {
    du = uint32_t(int32_t(r.u - l.u) / w);
    dv = uint32_t(int32_t(r.v - l.v) / w);
  }
};

inline uint32_t texelIndex(uint32_t u, uint32_t v) { return ((v >> 8) & 255) << 8 | ((u >> 8) & 255); }

// The pixels from column x0 to x1 of one row; z runs in double precision and is
// rounded to single precision only when stored.
inline void fillSpan(const PerspectiveEdge& l, const PerspectiveSpan& g, double dz, int x0, int x1, uint32_t* row,
              float* depthRow, const uint32_t* texels) {
  double z = l.z;
  float uz = l.uz, vz = l.vz;
  if (x0 < 0) {  // only a corner past the left edge gets here
    z += dz * -x0;
    uz += g.duz * float(-x0);
    vz += g.dvz * float(-x0);
    x0 = 0;
  }
  if (x1 > kScreenWidth - 1) x1 = kScreenWidth - 1;
  for (int x = x0; x <= x1; ++x) {
    if (double(depthRow[x]) < z) {
      uint32_t u = uint32_t(roundToInt(double(uz) / z));
      uint32_t v = uint32_t(roundToInt(double(vz) / z));
      row[x] = texels[texelIndex(u, v)];
      depthRow[x] = float(z);
    }
    z += dz;
    uz += g.duz;
    vz += g.dvz;
  }
}

inline void fillSpan(const AffineEdge& l, const AffineSpan& g, double dz, int x0, int x1, uint32_t* row, float* depthRow,
              const uint32_t* texels) {
  double z = l.z;
  uint32_t u = l.u, v = l.v;
  if (x0 < 0) {
    z += dz * -x0;
    u += g.du * uint32_t(-x0);
    v += g.dv * uint32_t(-x0);
    x0 = 0;
  }
  if (x1 > kScreenWidth - 1) x1 = kScreenWidth - 1;
  for (int x = x0; x <= x1; ++x) {
    if (double(depthRow[x]) < z) {
      row[x] = texels[texelIndex(u, v)];
      depthRow[x] = float(z);
    }
    z += dz;
    u += g.du;
    v += g.dv;
  }
}

// Walks the polygon's edges into `down` and `up` and sets the middle row's gradients;
// false when there is nothing to draw.
template <typename Edge, typename Span>
inline bool walkPolygon(const Polygon& poly, const ScreenVertex* verts, float* depth, Edge* down, Edge* up, int& minY,
                        int& maxY, Span& g, double& dz) {
  const int n = poly.cornerCount;
  if (n < 3 || n > kMaxPolygonCorners || !poly.texture || !depth) return false;
  minY = kScreenHeight, maxY = 0;
  for (int i = 0; i < n; ++i) {
    const ScreenVertex& vi = verts[poly.corner[i]];
    const ScreenVertex& vj = verts[poly.corner[(i + 1) % n]];
    int dy = vj.sy - vi.sy;
    if (dy > 0)
      walkEdge(down, vi, vj, dy);
    else if (dy < 0)
      walkEdge(up, vj, vi, -dy);
    if (vi.sy < minY) minY = vi.sy;
    if (vi.sy > maxY) maxY = vi.sy;
  }
  // Rows off the screen were never stored.
  if (minY < 0) minY = 0;
  if (maxY > kScreenHeight - 1) maxY = kScreenHeight - 1;
  if (maxY <= minY) return false;

  // Only polygons whose downward edges lie left of their upward edges are drawn;
  // the gradients of the middle row serve every row.
  const int mid = (minY + maxY) / 2;
  const int w = up[mid].x - down[mid].x;
  if (w <= 0) return false;
  dz = (double(up[mid].z) - double(down[mid].z)) / double(w);
  g.setup(down[mid], up[mid], w);
  return true;
}

// The rows one pixel at a time.
template <typename Edge, typename Span>
inline void fillRowsPlain(const Edge* down, const Edge* up, int minY, int maxY, const Span& g, double dz,
                          uint32_t* target, float* depth, const uint32_t* texels) {
  for (int y = minY; y <= maxY; ++y) {
    int x0 = down[y].x, x1 = up[y].x;
    if (x1 < x0) continue;
    fillSpan(down[y], g, dz, x0, x1, target + y * kScreenWidth, depth + y * kScreenWidth, texels);
  }
}

}  // namespace polygon_fill
