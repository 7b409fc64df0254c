// Geometry builders for the forge's 3DS scenes.
#include "forge/mesh_build.hpp"

#include <cmath>

namespace {
constexpr float kTwoPi = 6.28318530718f;

// Any unit vector at right angles to d.
Vector3 perpendicular(Vector3 d) {
  Vector3 helper = std::fabs(d.y) < 0.9f ? Vector3{0, 1, 0} : Vector3{1, 0, 0};
  return normalised(cross(d, helper));
}
}  // namespace

Vector3 normalised(Vector3 v) {
  float l = std::sqrt(dot(v, v));
  return l > 0 ? v * (1.0f / l) : Vector3{0, 0, 1};
}

void useMaterial(Mesh& m, const std::string& material) {
  for (size_t i = 0; i < m.materials.size(); ++i)
    if (m.materials[i] == material) {
      m.current = uint8_t(i);
      return;
    }
  m.materials.push_back(material);
  m.current = uint8_t(m.materials.size() - 1);
}

uint16_t addVertex(Mesh& m, Vector3 p, float u, float t) {
  m.vertices.push_back(p);
  // The engine turns v into a picture row as -v, so v = 1 - t puts t = 0 on the top row.
  m.uvs.push_back({u, 1.0f - t});
  return uint16_t(m.vertices.size() - 1);
}

void addTriangle(Mesh& m, uint16_t a, uint16_t b, uint16_t c) {
  if (m.materials.empty()) useMaterial(m, "default");
  // The exchanged axes mirror the scene, so the engine sees the front of a face
  // whose corners run clockwise in its own axes: store the corners reversed.
  m.faces.push_back({a, c, b, 7});
  m.faceMaterial.push_back(m.current);
}

void addQuad(Mesh& m, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  addTriangle(m, a, b, c);
  addTriangle(m, a, c, d);
}

void addSurface(Mesh& m, int columns, int rows, const std::function<Vector3(float, float)>& at, UvRect uv) {
  const uint16_t first = uint16_t(m.vertices.size());
  for (int r = 0; r <= rows; ++r)
    for (int s = 0; s <= columns; ++s) {
      float fs = float(s) / float(columns), fr = float(r) / float(rows);
      addVertex(m, at(fs, fr), uv.u0 + (uv.u1 - uv.u0) * fs, uv.t0 + (uv.t1 - uv.t0) * fr);
    }
  auto index = [&](int s, int r) { return uint16_t(first + r * (columns + 1) + s); };
  for (int r = 0; r < rows; ++r)
    for (int s = 0; s < columns; ++s) addQuad(m, index(s, r), index(s, r + 1), index(s + 1, r + 1), index(s + 1, r));
}

void addBox(Mesh& m, Vector3 c, Vector3 h, const BoxFaces& uv) {
  // Each face: its outward axis, and the directions of s (right) and r (down) seen from outside.
  struct Face {
    Vector3 normal, right, down;
  };
  const Face faces[6] = {
      {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
      {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}},
  };
  auto scaled = [&](Vector3 v) { return Vector3{v.x * h.x, v.y * h.y, v.z * h.z}; };
  for (int i = 0; i < 6; ++i) {
    const Face& f = faces[i];
    Vector3 centre = c + scaled(f.normal), right = scaled(f.right), down = scaled(f.down);
    addSurface(
        m, 1, 1, [&](float s, float r) { return centre + right * (2 * s - 1) + down * (2 * r - 1); }, uv.face[i]);
  }
}

void addBeam(Mesh& m, Vector3 from, Vector3 to, float width, Vector3 up, UvRect side, const UvRect* ends) {
  Vector3 d = normalised(to - from);
  Vector3 a = normalised(cross(d, up));
  if (dot(a, a) < 0.5f) a = perpendicular(d);
  Vector3 b = cross(a, d);
  const float h = width * 0.5f;
  // Four long sides, each seen from outside with the beam running down the picture.
  const Vector3 corners[4] = {a * h + b * h, a * -h + b * h, a * -h + b * -h, a * h + b * -h};
  for (int k = 0; k < 4; ++k) {
    Vector3 p = corners[k], q = corners[(k + 1) % 4];
    addSurface(
        m, 1, 1, [&](float s, float r) { return from + (to - from) * r + p + (q - p) * s; }, side);
  }
  if (!ends) return;
  const UvRect end = *ends;
  addSurface(
      m, 1, 1,
      [&](float s, float r) {
        return from + corners[0] + (corners[3] - corners[0]) * s + (corners[1] - corners[0]) * r;
      },
      end);
  addSurface(
      m, 1, 1,
      [&](float s, float r) { return to + corners[0] + (corners[1] - corners[0]) * s + (corners[3] - corners[0]) * r; },
      end);
}

void addLathe(Mesh& m, Vector3 base, const std::vector<ProfilePoint>& profile, int segments, float u0, float u1,
              bool inward) {
  const int rows = int(profile.size()) - 1;
  if (rows < 1) return;
  const uint16_t first = uint16_t(m.vertices.size());
  for (int r = 0; r <= rows; ++r)
    for (int s = 0; s <= segments; ++s) {
      const ProfilePoint& p = profile[size_t(r)];
      float a = kTwoPi * float(s) / float(segments);
      addVertex(m, base + Vector3{p.radius * std::cos(a), p.height, -p.radius * std::sin(a)},
                u0 + (u1 - u0) * float(s) / float(segments), p.t);
    }
  auto index = [&](int s, int r) { return uint16_t(first + r * (segments + 1) + s); };
  // Angle grows anticlockwise seen from above, so from outside it runs to the right
  // and the profile (bottom to top) runs up.
  for (int r = 0; r < rows; ++r)
    for (int s = 0; s < segments; ++s) {
      if (inward)
        addQuad(m, index(s, r), index(s, r + 1), index(s + 1, r + 1), index(s + 1, r));
      else
        addQuad(m, index(s, r), index(s + 1, r), index(s + 1, r + 1), index(s, r + 1));
    }
}

void addSphere(Mesh& m, Vector3 centre, float radius, int rings, int segments, UvRect uv,
               const std::function<float(float, float)>& radiusAt) {
  addSurface(
      m, segments, rings,
      [&](float s, float r) {
        float a = kTwoPi * s, polar = 3.14159265f * r;
        float k = radiusAt ? radiusAt(s, r) : 1.0f;
        return centre +
               Vector3{std::sin(polar) * std::cos(a), std::cos(polar), -std::sin(polar) * std::sin(a)} * (radius * k);
      },
      uv);
}

void addTube(Mesh& m, const std::vector<Vector3>& path, int sides, const std::function<float(float)>& radiusAt,
             bool loop, UvRect uv) {
  const size_t n = path.size();
  if (n < 2) return;
  // Tangents, then frames carried along by the smallest turn from point to point.
  std::vector<Vector3> tangent(n), normal(n);
  for (size_t i = 0; i < n; ++i) {
    Vector3 prev = (i > 0) ? path[i - 1] : (loop ? path[n - 1] : path[i]);
    Vector3 next = (i + 1 < n) ? path[i + 1] : (loop ? path[0] : path[i]);
    tangent[i] = normalised(next - prev);
  }
  normal[0] = perpendicular(tangent[0]);
  for (size_t i = 1; i < n; ++i) {
    Vector3 side = cross(tangent[i], normal[i - 1]);
    normal[i] = normalised(cross(side, tangent[i]));
  }
  // Round a loop the carried frame comes back turned about the first tangent:
  // spread that twist evenly along the loop, so the closing ring (the first
  // ring again) meets the one before it like any other.
  float twist = 0;
  if (loop) {
    Vector3 back = normalised(cross(cross(tangent[0], normal[n - 1]), tangent[0]));
    twist = std::atan2(dot(cross(back, normal[0]), tangent[0]), dot(back, normal[0]));
  }
  const size_t points = loop ? n + 1 : n;
  std::vector<Vector3> ring(points), nrm(points), bin(points);
  for (size_t i = 0; i < points; ++i) {
    size_t k = i % n;
    float a = twist * float(k) / float(n);
    ring[i] = path[k];
    nrm[i] = normal[k] * std::cos(a) + cross(tangent[k], normal[k]) * std::sin(a);
    bin[i] = cross(tangent[k], nrm[i]);
  }
  addSurface(
      m, sides, int(points) - 1,
      [&](float s, float r) {
        size_t i = size_t(std::lround(r * float(points - 1)));
        float a = -kTwoPi * s;
        float rad = radiusAt(float(i) / float(points - 1));
        return ring[i] + (nrm[i] * std::cos(a) + bin[i] * std::sin(a)) * rad;
      },
      uv);
}

ThreeDsWriterObject toWriterObject(const std::string& name, const Mesh& m) {
  ThreeDsWriterObject o;
  o.name = name;
  o.vertices = m.vertices;
  o.uvs = m.uvs;
  o.faces = m.faces;
  for (size_t k = 0; k < m.materials.size(); ++k) {
    ThreeDsWriterFaceGroup g;
    g.material = m.materials[k];
    for (size_t f = 0; f < m.faces.size(); ++f)
      if (m.faceMaterial[f] == k) g.faces.push_back(uint16_t(f));
    o.faceGroups.push_back(g);
  }
  return o;
}
