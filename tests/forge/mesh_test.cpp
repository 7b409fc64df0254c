// Guards the forge's mesh library against the engine's back-face rule (a face is
// drawn when its corners' cross product points away from the eye): every triangle
// of every shape is drawn seen from the side the shape says it faces, and hidden
// from the other. The writer's object keeps the faces and groups them by material.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "forge/mesh.hpp"

namespace {
using namespace mesh;

// The direction a triangle with this centroid should face.
using FrontAt = std::function<Vector3(const Vector3& centroid)>;

struct ShapeCase {
  std::string name;
  Mesh m;
  FrontAt front;
};

// Away from (or, inward, towards) the nearest point of the vertical line through c.
FrontAt fromAxis(Vector3 c, bool inward = false) {
  return [=](const Vector3& p) { return Vector3{p.x - c.x, 0, p.z - c.z} * (inward ? -1.0f : 1.0f); };
}
FrontAt fromPoint(Vector3 c, bool inward = false) {
  return [=](const Vector3& p) { return (p - c) * (inward ? -1.0f : 1.0f); };
}
// A box's faces: the axis along which the centroid lies on the box's surface.
FrontAt fromBox(Vector3 c, Vector3 half, bool inward = false) {
  return [=](const Vector3& p) {
    const Vector3 d = p - c, r{d.x / half.x, d.y / half.y, d.z / half.z};
    Vector3 n{std::fabs(r.x) > 0.999f ? r.x : 0, std::fabs(r.y) > 0.999f ? r.y : 0, std::fabs(r.z) > 0.999f ? r.z : 0};
    return n * (inward ? -1.0f : 1.0f);
  };
}

std::vector<ShapeCase> shapes() {
  std::vector<ShapeCase> cases;
  auto add = [&](const std::string& name, const std::function<void(Mesh&)>& build, FrontAt front) {
    ShapeCase c{name, {}, std::move(front)};
    build(c.m);
    cases.push_back(std::move(c));
  };
  const Vector3 o{1, 2, 3}, half{1, 2, 3};
  add("panel", [](Mesh& m) { addPanel(m, {0, 0, 0}, {2, 0, 1}, {0, -1, 0}, 2, 3, {}, {-1, 0, 2}, 0); },
      [](const Vector3&) { return Vector3{-1, 0, 2}; });
  add("box", [&](Mesh& m) { addBox(m, placedAt(o), half, allFaces(0)); }, fromBox(o, half));
  add("room", [&](Mesh& m) { addBox(m, placedAt(o), half, allFaces(0), true); }, fromBox(o, half, true));
  add("tube", [&](Mesh& m) { addTube(m, alongAxis(o, {0, 1, 0}), 1, 2, 3, 7, {}, 0); }, fromAxis(o));
  add("disc", [&](Mesh& m) { addDisc(m, alongAxis(o, {0, 1, 0}), 2, 1, 6, {}, 0, false); },
      [](const Vector3&) { return Vector3{0, -1, 0}; });
  add("ring", [&](Mesh& m) { addRing(m, alongAxis(o, {0, 1, 0}), 1, 2, 0, 6, {}, 0, true); },
      [](const Vector3&) { return Vector3{0, 1, 0}; });
  add("sphere", [&](Mesh& m) { addSphere(m, placedAt(o), half, 5, 7, {}, 0); }, fromPoint(o));
  add("dome", [&](Mesh& m) { addSphere(m, placedAt(o), half, 5, 7, {}, 0, true); }, fromPoint(o, true));
  add("lumpy sphere",
      [&](Mesh& m) { addSphere(m, placedAt(o), {1, 1, 1}, 4, 6, {}, 0, false, [](float u, float v) {
                       return 1 + 0.3f * std::sin(9 * u + 5 * v);
                     }); },
      fromPoint(o));
  add("torus", [&](Mesh& m) { addTorus(m, alongAxis(o, {0, 1, 0}), 3, 1, 9, 5, {}, 0); },
      [&](const Vector3& p) {
        const Vector3 ring = o + unit(Vector3{p.x - o.x, 0, p.z - o.z}) * 3;
        return p - ring;
      });
  add("surface", [](Mesh& m) { addSurface(m, 3, 2, [](float s, float r) { return Vector3{s, -r, 0}; }, {}, 0); },
      [](const Vector3&) { return Vector3{0, 0, 1}; });
  add("lathe", [&](Mesh& m) { addLathe(m, o, {{0, -1, 0}, {2, 0, 0.5f}, {1, 2, 1}}, 8, 0, 1, 0); }, fromAxis(o));
  add("inward lathe", [&](Mesh& m) { addLathe(m, o, {{5, -1, 0}, {5, 3, 1}}, 8, 0, 1, 0, true); },
      fromAxis(o, true));
  add("tube along a path",
      [](Mesh& m) { addTubeAlong(m, {{0, 0, 0}, {0, 2, 0}, {0, 4, 1}}, 6, [](float) { return 0.3f; }, false, {}, 0); },
      [](const Vector3& p) { return Vector3{p.x, 0, p.y <= 2 ? p.z : p.z - (p.y - 2) / 2}; });
  add("beam", [](Mesh& m) { addBeam(m, {0, 0, 0}, {0, 5, 0}, 1, {0, 1, 0}, {}, 0); }, fromAxis({0, 0, 0}));
  return cases;
}

float area(const Mesh& m, const Triangle& t) {
  const Vector3 &a = m.positions[t.a], &b = m.positions[t.b], &c = m.positions[t.c];
  return length(cross(b - a, c - a));
}

TEST(MeshShapes, EveryFaceIsDrawnFromTheSideItFaces) {
  for (const ShapeCase& s : shapes()) {
    ASSERT_FALSE(s.m.triangles.empty()) << s.name;
    ASSERT_EQ(s.m.positions.size(), s.m.uvs.size()) << s.name;
    int faces = 0;
    for (const Triangle& t : s.m.triangles) {
      ASSERT_LT(std::max({t.a, t.b, t.c}), s.m.positions.size()) << s.name;
      if (area(s.m, t) < 1e-5f) continue;  // a sphere's pole or a lathe's axis: never drawn
      const Vector3 &a = s.m.positions[t.a], &b = s.m.positions[t.b], &c = s.m.positions[t.c];
      const Vector3 centroid = (a + b + c) * (1.0f / 3), front = unit(s.front(centroid));
      const Vector3 normal = cross(b - a, c - a);
      auto drawnFrom = [&](const Vector3& eye) { return dot(a - eye, normal) >= 0; };
      EXPECT_TRUE(drawnFrom(centroid + front * 50)) << s.name << " face " << faces;
      EXPECT_FALSE(drawnFrom(centroid - front * 50)) << s.name << " face " << faces;
      ++faces;
    }
    EXPECT_GT(faces, 0) << s.name;
  }
}

TEST(MeshShapes, WriterObjectGroupsFacesByMaterial) {
  Mesh m;
  addPanel(m, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1, {0.25f, 0, 0.75f, 1}, {0, 0, 1}, 2);
  addBox(m, placedAt({0, 0, 0}), {1, 1, 1}, allFaces(0));
  addSurface(m, 1, 1, [](float s, float r) { return Vector3{s, r, 5}; }, {}, 7);  // no such material
  std::vector<ThreeDsWriterMaterial> materials(3);
  materials[0].name = "first";
  materials[2].name = "third";
  const ThreeDsWriterObject o = toWriterObject("thing", m, materials);
  EXPECT_EQ(o.name, "thing");
  ASSERT_EQ(o.vertices.size(), m.positions.size());
  ASSERT_EQ(o.faces.size(), m.triangles.size());
  ASSERT_EQ(o.faceGroups.size(), 2u);  // in the order of first use
  EXPECT_EQ(o.faceGroups[0].material, "third");
  EXPECT_EQ(o.faceGroups[0].faces, (std::vector<uint16_t>{0, 1}));
  EXPECT_EQ(o.faceGroups[1].material, "first");
  EXPECT_EQ(o.faceGroups[1].faces.size(), 12u);
  // The file's v runs up the picture.
  EXPECT_FLOAT_EQ(o.uvs[0].u, 0.25f);
  EXPECT_FLOAT_EQ(o.uvs[0].v, 1.0f);
  EXPECT_EQ(o.faces[5].a, m.triangles[5].a);
}

}  // namespace
