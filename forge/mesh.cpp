// The mesh shapes the forge builds its 3DS scenes from.
#include "forge/mesh.hpp"

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
               uint8_t material, bool inward, const SphereRadius& radiusAt) {
  uint16_t first = uint16_t(m.positions.size());
  for (int i = 0; i <= rings; ++i) {
    float lat = 3.14159265358979f * float(i) / float(rings);
    for (int j = 0; j <= segments; ++j) {
      float lon = kTurn * float(j) / float(segments);
      Vector3 d{std::sin(lat) * std::cos(lon), std::cos(lat), std::sin(lat) * std::sin(lon)};
      const float u = float(j) / float(segments), v = float(i) / float(rings);
      if (radiusAt) d = d * radiusAt(i == 0 || i == rings ? 0.0f : u, v);
      addVertex(m, p.point({d.x * radii.x, d.y * radii.y, d.z * radii.z}), uv.at(u, v));
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

namespace {
// The two triangles of every quad of a grid whose (columns + 1) x (rows + 1) points,
// row by row, start at `first`: wound for the front addSurface describes, or for the
// other side.
void addGridQuads(Mesh& m, uint16_t first, int columns, int rows, bool otherSide, uint8_t material) {
  auto index = [&](int s, int r) { return uint16_t(first + r * (columns + 1) + s); };
  for (int r = 0; r < rows; ++r)
    for (int s = 0; s < columns; ++s) {
      const uint16_t a = index(s, r), b = index(s, r + 1), c = index(s + 1, r + 1), d = index(s + 1, r);
      if (otherSide) {
        m.triangles.push_back({a, c, d, material});
        m.triangles.push_back({a, b, c, material});
      } else {
        m.triangles.push_back({a, c, b, material});
        m.triangles.push_back({a, d, c, material});
      }
    }
}
}  // namespace

void addSurface(Mesh& m, int columns, int rows, const std::function<Vector3(float, float)>& at, UvRect uv,
                uint8_t material) {
  const uint16_t first = uint16_t(m.positions.size());
  for (int r = 0; r <= rows; ++r)
    for (int s = 0; s <= columns; ++s) {
      const float fs = float(s) / float(columns), fr = float(r) / float(rows);
      addVertex(m, at(fs, fr), uv.at(fs, fr));
    }
  addGridQuads(m, first, columns, rows, false, material);
}

void addLathe(Mesh& m, const Vector3& base, const std::vector<ProfilePoint>& profile, int segments, float u0,
              float u1, uint8_t material, bool inward) {
  const int rows = int(profile.size()) - 1;
  if (rows < 1) return;
  const uint16_t first = uint16_t(m.positions.size());
  for (const ProfilePoint& p : profile)
    for (int s = 0; s <= segments; ++s) {
      const float a = kTurn * float(s) / float(segments);
      addVertex(m, base + Vector3{p.radius * std::cos(a), p.height, -p.radius * std::sin(a)},
                {u0 + (u1 - u0) * float(s) / float(segments), p.v});
    }
  addGridQuads(m, first, segments, rows, !inward, material);
}

void addTubeAlong(Mesh& m, const std::vector<Vector3>& path, int sides, const std::function<float(float)>& radiusAt,
                  bool loop, UvRect uv, uint8_t material) {
  const size_t n = path.size();
  if (n < 2) return;
  // Tangents, then frames carried along by the smallest turn from point to point.
  std::vector<Vector3> tangent(n), normal(n);
  for (size_t i = 0; i < n; ++i) {
    Vector3 prev = (i > 0) ? path[i - 1] : (loop ? path[n - 1] : path[i]);
    Vector3 next = (i + 1 < n) ? path[i + 1] : (loop ? path[0] : path[i]);
    tangent[i] = unit(next - prev);
  }
  normal[0] = -alongAxis(path[0], tangent[0]).x;
  for (size_t i = 1; i < n; ++i) normal[i] = unit(cross(cross(tangent[i], normal[i - 1]), tangent[i]));
  // Round a loop the carried frame comes back turned about the first tangent:
  // spread that twist evenly along the loop, so the closing ring (the first ring
  // again) meets the one before it like any other.
  float twist = 0;
  if (loop) {
    Vector3 back = unit(cross(cross(tangent[0], normal[n - 1]), tangent[0]));
    twist = std::atan2(dot(cross(back, normal[0]), tangent[0]), dot(back, normal[0]));
  }
  const size_t points = loop ? n + 1 : n;
  std::vector<Vector3> ring(points), across(points), across2(points);
  for (size_t i = 0; i < points; ++i) {
    size_t k = i % n;
    float a = twist * float(k) / float(n);
    ring[i] = path[k];
    across[i] = normal[k] * std::cos(a) + cross(tangent[k], normal[k]) * std::sin(a);
    across2[i] = cross(tangent[k], across[i]);
  }
  addSurface(
      m, sides, int(points) - 1,
      [&](float s, float r) {
        size_t i = size_t(std::lround(r * float(points - 1)));
        float a = -kTurn * s;
        return ring[i] + (across[i] * std::cos(a) + across2[i] * std::sin(a)) * radiusAt(float(i) / float(points - 1));
      },
      uv, material);
}

void addBeam(Mesh& m, const Vector3& from, const Vector3& to, float width, const Vector3& up, UvRect side,
             uint8_t material) {
  const Vector3 d = unit(to - from);
  Vector3 a = unit(cross(d, up));
  if (length(a) == 0) a = alongAxis(from, d).x;  // `up` along the beam: any way across
  const Vector3 b = cross(a, d);
  const float h = width * 0.5f;
  // Four long sides, each seen from outside with the beam running down the picture.
  const Vector3 corners[4] = {a * h + b * h, a * -h + b * h, a * -h + b * -h, a * h + b * -h};
  for (int k = 0; k < 4; ++k) {
    const Vector3 p = corners[k], q = corners[(k + 1) % 4];
    addSurface(
        m, 1, 1, [&](float s, float r) { return from + (to - from) * r + p + (q - p) * s; }, side, material);
  }
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

ThreeDsWriterObject toWriterObject(const std::string& name, const Mesh& m,
                                   const std::vector<ThreeDsWriterMaterial>& materials) {
  ThreeDsWriterObject o;
  o.name = name;
  o.vertices = m.positions;
  for (const Uv& uv : m.uvs) o.uvs.push_back({uv.u, 1.0f - uv.v});  // the file's v runs up
  std::vector<int> groupOf(materials.size(), -1);
  for (size_t i = 0; i < m.triangles.size(); ++i) {
    const Triangle& t = m.triangles[i];
    o.faces.push_back({t.a, t.b, t.c, 0x7});
    if (t.material >= groupOf.size()) continue;
    if (groupOf[t.material] < 0) {
      groupOf[t.material] = int(o.faceGroups.size());
      o.faceGroups.push_back({materials[t.material].name, {}});
    }
    o.faceGroups[size_t(groupOf[t.material])].faces.push_back(uint16_t(i));
  }
  return o;
}

}  // namespace mesh
