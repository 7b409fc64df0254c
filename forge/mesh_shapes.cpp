// The mesh shapes the forge builds its 3DS scenes from.
#include "forge/mesh_shapes.hpp"

#include <algorithm>
#include <utility>

namespace mesh {
namespace {
constexpr float kDegree = 3.14159265358979f / 180.0f;
constexpr float kTurn = 6.28318530717959f;

Vector3 axisOf(const Placement& p, int i) { return i == 0 ? p.x : i == 1 ? p.y : p.z; }
}  // namespace

UvRect quarter(int index) {
  const float margin = 1.0f / 256.0f;  // texels of the next quarter never bleed in
  float u = (index & 1) ? 0.5f : 0.0f, v = (index & 2) ? 0.5f : 0.0f;
  return {u + margin, v + margin, u + 0.5f - margin, v + 0.5f - margin};
}

Placement alongAxis(const Vector3& origin, const Vector3& axis) {
  Vector3 z = unit(axis);
  Vector3 helper = std::fabs(z.y) < 0.9f ? Vector3{0, 1, 0} : Vector3{1, 0, 0};
  Vector3 x = unit(cross(helper, z));
  Vector3 y = cross(z, x);
  return {origin, x, y, z};
}

Placement alongAxisToward(const Vector3& origin, const Vector3& axis, const Vector3& towards) {
  Vector3 z = unit(axis);
  Vector3 y = towards - z * dot(towards, z);
  if (length(y) < 1e-4f) return alongAxis(origin, axis);
  y = unit(y);
  return {origin, cross(y, z), y, z};
}

Placement turned(const Placement& p, int localAxis, float degrees) {
  float c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree);
  int i = (localAxis + 1) % 3, j = (localAxis + 2) % 3;
  Vector3 a = axisOf(p, i), b = axisOf(p, j);
  Vector3 na = a * c + b * s, nb = b * c - a * s;
  Placement out = p;
  (i == 0 ? out.x : i == 1 ? out.y : out.z) = na;
  (j == 0 ? out.x : j == 1 ? out.y : out.z) = nb;
  return out;
}

uint16_t addVertex(Mesh& m, const Vector3& p, Uv uv) {
  m.positions.push_back(p);
  m.uvs.push_back(uv);
  return uint16_t(m.positions.size() - 1);
}

void addTriangle(Mesh& m, uint16_t a, uint16_t b, uint16_t c, const Vector3& facing, uint8_t material) {
  // The engine shows a triangle whose (b - a) x (c - a) points away from the viewer.
  Vector3 n = cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
  if (dot(n, facing) > 0) std::swap(b, c);
  m.triangles.push_back({a, b, c, material});
}

void addPanel(Mesh& m, const Vector3& corner, const Vector3& edgeU, const Vector3& edgeV, int nu, int nv,
              UvRect uv, const Vector3& facing, uint8_t material) {
  uint16_t first = uint16_t(m.positions.size());
  for (int j = 0; j <= nv; ++j)
    for (int i = 0; i <= nu; ++i) {
      float s = float(i) / float(nu), t = float(j) / float(nv);
      addVertex(m, corner + edgeU * s + edgeV * t, uv.at(s, t));
    }
  auto at = [&](int i, int j) { return uint16_t(first + j * (nu + 1) + i); };
  for (int j = 0; j < nv; ++j)
    for (int i = 0; i < nu; ++i) {
      addTriangle(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), facing, material);
      addTriangle(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), facing, material);
    }
}

void addQuad(Mesh& m, const Vector3& p0, const Vector3& p1, const Vector3& p2, const Vector3& p3, UvRect uv,
             const Vector3& facing, uint8_t material) {
  uint16_t a = addVertex(m, p0, uv.at(0, 0)), b = addVertex(m, p1, uv.at(1, 0));
  uint16_t c = addVertex(m, p2, uv.at(1, 1)), d = addVertex(m, p3, uv.at(0, 1));
  addTriangle(m, a, b, c, facing, material);
  addTriangle(m, a, c, d, facing, material);
}

BoxLooks allFaces(uint8_t material, UvRect uv) {
  BoxLooks looks;
  looks.fill(FaceLook{material, uv, false});
  return looks;
}

void addBox(Mesh& m, const Placement& p, const Vector3& half, const BoxLooks& looks, bool inward) {
  const float h[3] = {half.x, half.y, half.z};
  const Vector3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int face = 0; face < 6; ++face) {
    const FaceLook& look = looks[size_t(face)];
    if (look.skip) continue;
    int k = face / 2;
    float sign = (face & 1) ? -1.0f : 1.0f;
    Vector3 n = axes[k] * sign;
    Vector3 uDir, vDir;
    int ku, kv;
    if (k == 1) {  // top and bottom: u along x, v along z
      uDir = {1, 0, 0};
      vDir = {0, 0, sign};
      ku = 0;
      kv = 2;
    } else {  // sides: upright, u to the right of a viewer on the shown side
      Vector3 up{0, 1, 0};
      uDir = inward ? cross(up, n) : cross(n, up);
      vDir = {0, -1, 0};
      ku = k == 0 ? 2 : 0;
      kv = 1;
    }
    Vector3 corner = n * h[k] - uDir * h[ku] - vDir * h[kv];
    addPanel(m, p.point(corner), p.direction(uDir * (2 * h[ku])), p.direction(vDir * (2 * h[kv])), look.cuts,
             look.cuts, look.uv, p.direction(inward ? -n : n), look.material);
  }
}

void addTube(Mesh& m, const Placement& p, float r0, float r1, float length, int sides, UvRect uv, uint8_t material,
             bool inward) {
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i <= sides; ++i) {
    float a = kTurn * float(i) / float(sides), c = std::cos(a), s = std::sin(a);
    addVertex(m, p.point({r0 * c, r0 * s, 0}), uv.at(float(i) / float(sides), 0));
    addVertex(m, p.point({r1 * c, r1 * s, length}), uv.at(float(i) / float(sides), 1));
  }
  for (int i = 0; i < sides; ++i) {
    float a = kTurn * (float(i) + 0.5f) / float(sides);
    Vector3 out = p.direction({std::cos(a), std::sin(a), 0});
    Vector3 facing = inward ? -out : out;
    uint16_t a0 = uint16_t(first + 2 * i), a1 = uint16_t(a0 + 1), b0 = uint16_t(a0 + 2), b1 = uint16_t(a0 + 3);
    addTriangle(m, a0, b0, b1, facing, material);
    addTriangle(m, a0, b1, a1, facing, material);
  }
}

void addDisc(Mesh& m, const Placement& p, float r, float z0, int sides, UvRect uv, uint8_t material,
             bool facingPlusZ) {
  uint16_t centre = addVertex(m, p.point({0, 0, z0}), uv.at(0.5f, 0.5f));
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i < sides; ++i) {
    float a = kTurn * float(i) / float(sides), c = std::cos(a), s = std::sin(a);
    addVertex(m, p.point({r * c, r * s, z0}), uv.at(0.5f + 0.5f * c, 0.5f - 0.5f * s));
  }
  Vector3 facing = p.direction({0, 0, facingPlusZ ? 1.0f : -1.0f});
  for (int i = 0; i < sides; ++i)
    addTriangle(m, centre, uint16_t(first + i), uint16_t(first + (i + 1) % sides), facing, material);
}

void addRing(Mesh& m, const Placement& p, float rInner, float rOuter, float z0, int sides, UvRect uv,
             uint8_t material, bool facingPlusZ) {
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i <= sides; ++i) {
    float a = kTurn * float(i) / float(sides), c = std::cos(a), s = std::sin(a);
    addVertex(m, p.point({rInner * c, rInner * s, z0}), uv.at(float(i) / float(sides), 0));
    addVertex(m, p.point({rOuter * c, rOuter * s, z0}), uv.at(float(i) / float(sides), 1));
  }
  Vector3 facing = p.direction({0, 0, facingPlusZ ? 1.0f : -1.0f});
  for (int i = 0; i < sides; ++i) {
    uint16_t a0 = uint16_t(first + 2 * i), a1 = uint16_t(a0 + 1), b0 = uint16_t(a0 + 2), b1 = uint16_t(a0 + 3);
    addTriangle(m, a0, b0, b1, facing, material);
    addTriangle(m, a0, b1, a1, facing, material);
  }
}

void addSphere(Mesh& m, const Placement& p, const Vector3& radii, int rings, int segments, UvRect uv,
               uint8_t material, bool inward) {
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i <= rings; ++i) {
    float lat = 3.14159265358979f * float(i) / float(rings);
    for (int j = 0; j <= segments; ++j) {
      float lon = kTurn * float(j) / float(segments);
      Vector3 d{std::sin(lat) * std::cos(lon), std::cos(lat), std::sin(lat) * std::sin(lon)};
      addVertex(m, p.point({d.x * radii.x, d.y * radii.y, d.z * radii.z}),
                uv.at(float(j) / float(segments), float(i) / float(rings)));
    }
  }
  auto at = [&](int i, int j) { return uint16_t(first + i * (segments + 1) + j); };
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      float lat = 3.14159265358979f * (float(i) + 0.5f) / float(rings);
      float lon = kTurn * (float(j) + 0.5f) / float(segments);
      Vector3 out = p.direction({std::sin(lat) * std::cos(lon), std::cos(lat), std::sin(lat) * std::sin(lon)});
      Vector3 facing = inward ? -out : out;
      if (i > 0) addTriangle(m, at(i, j), at(i, j + 1), at(i + 1, j + 1), facing, material);
      if (i < rings - 1) addTriangle(m, at(i, j), at(i + 1, j + 1), at(i + 1, j), facing, material);
    }
}

void addTorus(Mesh& m, const Placement& p, float ringRadius, float tubeRadius, int segments, int sides, UvRect uv,
              uint8_t material) {
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i <= segments; ++i) {
    float a = kTurn * float(i) / float(segments);
    for (int j = 0; j <= sides; ++j) {
      float b = kTurn * float(j) / float(sides);
      float r = ringRadius + tubeRadius * std::cos(b);
      addVertex(m, p.point({r * std::cos(a), r * std::sin(a), tubeRadius * std::sin(b)}),
                uv.at(float(i) / float(segments), float(j) / float(sides)));
    }
  }
  auto at = [&](int i, int j) { return uint16_t(first + i * (sides + 1) + j); };
  for (int i = 0; i < segments; ++i)
    for (int j = 0; j < sides; ++j) {
      float a = kTurn * (float(i) + 0.5f) / float(segments), b = kTurn * (float(j) + 0.5f) / float(sides);
      Vector3 out = p.direction({std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)});
      addTriangle(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), out, material);
      addTriangle(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), out, material);
    }
}

void addGear(Mesh& m, const Placement& p, const GearShape& g, UvRect faceUv, uint8_t faceMaterial, UvRect rimUv,
             uint8_t rimMaterial) {
  // The outline, counter-clockwise about local z: per tooth the middle of the gap
  // before it on the root circle, then its four corners.
  std::vector<float> angle, radius;
  const float pitch = kTurn / float(g.teeth);
  const float corners[5][2] = {{-0.5f, 0}, {-0.28f, 0}, {-0.14f, 1}, {0.14f, 1}, {0.28f, 0}};
  for (int t = 0; t < g.teeth; ++t)
    for (const auto& c : corners) {
      angle.push_back((float(t) + c[0]) * pitch);
      radius.push_back(c[1] > 0 ? g.tipRadius : g.rootRadius);
    }
  const int n = int(angle.size());
  const float half = g.thickness * 0.5f;
  auto onFace = [&](float r, float a, float z) { return Vector3{r * std::cos(a), r * std::sin(a), z}; };
  auto faceUvAt = [&](const Vector3& q) {
    return faceUv.at(0.5f + 0.5f * q.x / g.tipRadius, 0.5f - 0.5f * q.y / g.tipRadius);
  };
  for (int side = 0; side < 2; ++side) {
    if (side == 1 && !g.back) continue;
    float z = side == 0 ? half : -half;
    Vector3 facing = p.direction({0, 0, side == 0 ? 1.0f : -1.0f});
    uint16_t first = uint16_t(m.positions.size());
    for (int i = 0; i < n; ++i) {
      Vector3 q = onFace(radius[size_t(i)], angle[size_t(i)], z);
      addVertex(m, p.point(q), faceUvAt(q));
    }
    auto at = [&](int i) { return uint16_t(first + i % n); };
    if (g.holeRadius > 0) {
      uint16_t inner = uint16_t(m.positions.size());
      for (int i = 0; i < n; ++i) {
        Vector3 q = onFace(g.holeRadius, angle[size_t(i)], z);
        addVertex(m, p.point(q), faceUvAt(q));
      }
      for (int i = 0; i < n; ++i) {
        int k = (i + 1) % n;
        addTriangle(m, uint16_t(inner + i), at(i), at(k), facing, faceMaterial);
        addTriangle(m, uint16_t(inner + i), at(k), uint16_t(inner + k), facing, faceMaterial);
      }
    } else {
      uint16_t centre = addVertex(m, p.point({0, 0, z}), faceUv.at(0.5f, 0.5f));
      for (int t = 0; t < g.teeth; ++t) {
        int gap = 5 * t;
        addTriangle(m, centre, at(gap), at(gap + 5), facing, faceMaterial);
        for (int c = 1; c < 4; ++c) addTriangle(m, at(gap), at(gap + c), at(gap + c + 1), facing, faceMaterial);
        addTriangle(m, at(gap), at(gap + 4), at(gap + 5), facing, faceMaterial);
      }
    }
  }
  // The rim: one quad per edge of the outline's tooth corners (the gap middles lie
  // on the straight root edges), facing out of the outline.
  std::vector<int> rim;
  for (int i = 0; i < n; ++i)
    if (i % 5 != 0) rim.push_back(i);
  const int r = int(rim.size());
  for (int e = 0; e < r; ++e) {
    int i = rim[size_t(e)], k = rim[size_t((e + 1) % r)];
    float ak = e + 1 == r ? angle[size_t(k)] + kTurn : angle[size_t(k)];
    Vector3 a = onFace(radius[size_t(i)], angle[size_t(i)], 0), b = onFace(radius[size_t(k)], ak, 0);
    Vector3 out = p.direction({b.y - a.y, a.x - b.x, 0});
    float u0 = float(e) / float(r), u1 = float(e + 1) / float(r);
    UvRect part{rimUv.u0 + (rimUv.u1 - rimUv.u0) * u0, rimUv.v0, rimUv.u0 + (rimUv.u1 - rimUv.u0) * u1, rimUv.v1};
    addQuad(m, p.point({a.x, a.y, half}), p.point({b.x, b.y, half}), p.point({b.x, b.y, -half}),
            p.point({a.x, a.y, -half}), part, out, rimMaterial);
  }
  if (g.holeRadius > 0)
    addTube(m, Placement{p.point({0, 0, -half}), p.x, p.y, p.z}, g.holeRadius, g.holeRadius, g.thickness,
            std::max(6, g.teeth), rimUv, rimMaterial, true);
}

void appendMesh(Mesh& dst, const Mesh& src, const Placement& p) {
  uint16_t base = uint16_t(dst.positions.size());
  for (size_t i = 0; i < src.positions.size(); ++i) {
    dst.positions.push_back(p.point(src.positions[i]));
    dst.uvs.push_back(src.uvs[i]);
  }
  for (const Triangle& t : src.triangles)
    dst.triangles.push_back({uint16_t(base + t.a), uint16_t(base + t.b), uint16_t(base + t.c), t.material});
}

}  // namespace mesh
