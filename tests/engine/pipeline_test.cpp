// Guards the frame passes: the clipper against its plain reading and its edge flags,
// culling, back faces, the hierarchy, the frame wrap and a whole frame drawn from a
// written scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/camera.hpp"
#include "engine/construction.hpp"
#include "engine/depthtarget.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/tracks.hpp"
#include "engine/vectorops.hpp"
#include "tests/threeds_scenes.hpp"

namespace {

// One camera-space object with the polygons given, for clipPolygons alone.
struct ClipRig {
  ProjectionCamera camera{};
  std::vector<CameraVertex> vertices;
  std::vector<Polygon> polygons;
  TransformedObject object{};
  TransformedObject* objectRef = &object;
  TransformedMesh mesh{};
  Scene3D scene{};

  ClipRig(const std::vector<CameraVertex>& v, const std::vector<std::vector<int>>& faces, float fov = 90,
          float farZ = 100000.0f) {
    buildProjectionCamera(camera, {0, 0, 0}, {0, 0, 5}, 0, fov, false, 0.5f, farZ);
    vertices = v;
    vertices.resize(v.size() + kClipVerticesPerFace * faces.size());
    for (const auto& f : faces) {
      Polygon p{};
      for (size_t i = 0; i < f.size(); ++i) {
        p.corner[i] = f[i];
        p.edgeFlags[i] = uint8_t(10 + i);
      }
      p.cornerCount = int32_t(f.size());
      p.visible = 1;
      polygons.push_back(p);
    }
    object.vertices = vertices.data();
    object.vertexCapacity = uint32_t(vertices.size());
    object.vertexCount = uint32_t(v.size());
    object.polygons = polygons.data();
    object.polygonCount = uint32_t(polygons.size());
    object.visible = 1;
    mesh.objectCount = 1;
    mesh.objects = &objectRef;
    scene.transformedMesh = &mesh;
    scene.camera = &camera;
  }
  void clip(std::initializer_list<int> planes) {
    std::memset(object.clipFlags, 0, sizeof object.clipFlags);
    for (int k : planes) object.clipFlags[k] = 1;
    clipPolygons(&scene);
  }
};

// The clipper against a plain, unoptimised reading of it, written out step by step.
struct RefPolygon {
  std::vector<int> corners;
  bool visible;
};

void referenceClip(std::vector<CameraVertex>& verts, RefPolygon& poly, int plane, const ProjectionCamera& cam) {
  const float a = (cam.fov / 2.0f) * 0.017453292f * 0.997f, b = 0.75f * a;
  const Vector3 normals[6] = {{0, 0, 1},
                              {0, 0, -1},
                              {std::cos(a), 0, std::sin(a)},
                              {-std::cos(a), 0, std::sin(a)},
                              {0, std::cos(b), std::sin(b)},
                              {0, -std::cos(b), std::sin(b)}};
  auto distance = [&](const CameraVertex& p) -> float {
    if (plane == 0) return p.z - cam.nearZPlane;
    if (plane == 1) return cam.farZPlane - p.z;
    const Vector3& nk = normals[plane];
    return p.x * nk.x + p.y * nk.y + p.z * nk.z;
  };
  const std::vector<int> old = poly.corners;
  const int n = int(old.size());
  poly.corners.clear();
  CameraVertex prev = verts[old[0]];
  for (int e = 0; e < n; ++e) {
    const CameraVertex cur = verts[old[(e + 1) % n]];
    const float dPrev = distance(prev), dCur = distance(cur);
    auto intersection = [&] {
      const float t = dPrev / (dPrev - dCur);
      verts.push_back({prev.x + t * (cur.x - prev.x), prev.y + t * (cur.y - prev.y), prev.z + t * (cur.z - prev.z),
                       cur.u * t + prev.u * (1 - t), cur.v * t + prev.v * (1 - t)});
      poly.corners.push_back(int(verts.size()) - 1);
    };
    if (dPrev > 0) {
      poly.corners.push_back(old[e]);
      if (dCur < -0.01f) intersection();
    } else if (dCur > 0.01f) {
      intersection();
    }
    prev = cur;
  }
  if (poly.corners.empty()) poly.visible = false;
}

// Random triangles, often within the band of 0.01 around the near plane, random
// planes and visibility: the same corners bit for bit and the same new vertices,
// within the capacity of 12 per face.
TEST(EnginePipeline, ClipperMatchesItsPlainReading) {
  TestRng rng(0x2545F491u);
  auto in = [&](float a, float b) { return a + (b - a) * float(rng.next() % 1000000) / 1000000.0f; };
  for (int iter = 0; iter < 5000; ++iter) {
    const int faces = 1 + rng.below(4);
    std::vector<CameraVertex> source;
    std::vector<std::vector<int>> corners;
    for (int i = 0; i < 3 * faces; ++i) {
      source.push_back({in(-30, 30), in(-30, 30), in(-2, 60), in(-2, 2), in(-2, 2)});
      if (rng.below(4) == 0) source.back().z = 0.5f + in(-0.02f, 0.02f);
      if (i % 3 == 2) corners.push_back({i - 2, i - 1, i});
    }
    ClipRig rig(source, corners, 70.0f, 50.0f);
    std::vector<CameraVertex> wantVerts = source;
    std::vector<RefPolygon> want;
    for (int f = 0; f < faces; ++f) {
      rig.polygons[f].visible = rng.below(8) != 0;
      want.push_back({corners[f], rig.polygons[f].visible != 0});
    }
    for (uint8_t& flag : rig.object.clipFlags) flag = rng.next() & 1;
    clipPolygons(&rig.scene);
    for (int k = 0; k < 6; ++k) {
      if (!rig.object.clipFlags[k]) continue;
      for (RefPolygon& p : want) {
        if (p.corners.size() >= 3 && p.visible)
          referenceClip(wantVerts, p, k, rig.camera);
        else
          p.visible = false;
      }
    }
    ASSERT_EQ(rig.object.vertexCount, wantVerts.size()) << iter;
    ASSERT_LE(rig.object.vertexCount, rig.object.vertexCapacity) << iter;
    for (int f = 0; f < faces; ++f) {
      const Polygon& got = rig.polygons[f];
      ASSERT_EQ(got.visible != 0, want[f].visible) << iter;
      ASSERT_EQ(got.cornerCount, int(want[f].corners.size())) << iter;
      for (int i = 0; i < got.cornerCount; ++i)
        ASSERT_EQ(std::memcmp(&rig.vertices[got.corner[i]], &wantVerts[want[f].corners[i]], sizeof(CameraVertex)), 0)
            << iter << " corner " << i;
    }
  }
}

// Kept by hand: the corners' edge flags and the passes that leave two corners.
TEST(EnginePipeline, ClippingKeepsEdgeFlagsAndDropsTwoCornerPolygons) {
  // One vertex behind: a quadrilateral with two new vertices on the plane.
  ClipRig one({{0, 0, 2, 0, 0}, {1, 0, 2, 1, 0}, {0, 1, -1, 0, 1}}, {{0, 1, 2}});
  one.clip({kNearPlane});
  ASSERT_EQ(one.polygons[0].cornerCount, 4);
  EXPECT_EQ(one.object.vertexCount, 5u);
  EXPECT_EQ(one.polygons[0].visible, 1);
  // Edge flags travel with their corners.
  EXPECT_EQ(one.polygons[0].edgeFlags[0], 10);
  EXPECT_EQ(one.polygons[0].edgeFlags[1], 11);

  // One vertex well inside, two just outside: two corners, still visible after the
  // last pass that runs; a further pass marks it invisible.
  std::vector<CameraVertex> v = {{0, 0, 2, 0, 0}, {1, 0, 0.495f, 0, 0}, {0, 1, 0.495f, 0, 0}};
  ClipRig last(v, {{0, 1, 2}});
  last.clip({kNearPlane});
  EXPECT_EQ(last.polygons[0].cornerCount, 2);
  EXPECT_EQ(last.polygons[0].visible, 1);
  ClipRig further(v, {{0, 1, 2}});
  further.clip({kNearPlane, kLeftPlane});
  EXPECT_EQ(further.polygons[0].cornerCount, 2);
  EXPECT_EQ(further.polygons[0].visible, 0);
}

TEST(EnginePipeline, CullingBackFacesAndAWholeFrame) {
  Scene3D* scene = loadTestScene("pipeline_frame", testCubeScene({0, 0, -6}, {0, 0, 0}));
  runFrameSequence(scene, 0.0f, 0);
  // The camera comes from its nodes, with the default depth planes.
  const ProjectionCamera& c = *scene->camera;
  EXPECT_EQ((std::vector<Vector3>{c.position, c.target}), (std::vector<Vector3>{{0, 0, -6}, {0, 0, 0}}));
  EXPECT_EQ((std::vector<float>{c.fov, c.nearZPlane, c.farZPlane}), (std::vector<float>{90, 0.5f, 100000}));
  const TransformedObject& box = *scene->transformedMesh->objects[0];
  EXPECT_EQ(box.visible, 1);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(box.clipFlags[k], 0) << k;
  // Head on, only the two triangles of the face toward the camera are front faces.
  EXPECT_EQ(std::count_if(box.polygons, box.polygons + box.polygonCount, [](auto& p) { return p.visible; }), 2);
  EXPECT_EQ(box.vertexCount, 8u);
  EXPECT_EQ(scene->projectedMesh->objects[0]->visible, 1);
  // The cleared depth target is the scene's.
  EXPECT_EQ(getDepthTarget(), scene->depthStore);
  for (int i = 0; i < kScreenPixels; i += 997) EXPECT_EQ(scene->depthStore[i], 1.0e-6f);

  std::vector<uint32_t> picture(kScreenPixels, 0);
  drawObject(scene, 0, drawPolygonPerspective, picture.data());
  // The face spans 1/5 of the 90 degree view around the centre: columns 128..192.
  EXPECT_NE(picture[100 * 320 + 160], 0u);
  EXPECT_NE(picture[100 * 320 + 130], 0u);
  EXPECT_EQ(picture[100 * 320 + 120], 0u);
  EXPECT_EQ(picture[100 * 320 + 200], 0u);
  // The texels come from "texture.rgb" (red = column, green = row, blue 200).
  EXPECT_EQ(picture[100 * 320 + 160] & 0xFF, 200u);
  EXPECT_FLOAT_EQ(scene->depthStore[100 * 320 + 160], 1.0f / 5.0f);
  // Flat shading: the face seen head on gets the brightest grey, 192 + 63.
  shadeFlat(scene);
  for (const Polygon* p = box.polygons; p < box.polygons + box.polygonCount; ++p)
    EXPECT_EQ((p->visible ? std::pair{p->shade[0], p->shade[1]} : std::pair{0xFFFFFFu, 0xFFFFFFu}),
              (std::pair{0xFFFFFFu, 0xFFFFFFu}));

  // From behind the camera's back the box is culled as a whole.
  releaseSceneSequence(scene);
  scene = loadTestScene("pipeline_behind", testCubeScene({0, 0, -6}, {0, 0, -12}));
  runFrameSequence(scene, 0.0f, 0);
  EXPECT_EQ(scene->transformedMesh->objects[0]->visible, 0);
  EXPECT_EQ(scene->projectedMesh->objects[0]->visible, 0);
  releaseSceneSequence(scene);

  // Across the left edge: only the left plane is crossed, and clipping adds corners.
  scene = loadTestScene("pipeline_left", testCubeScene({5.5f, 0, -6}, {5.5f, 0, 0}));
  runFrameSequence(scene, 0.0f, 0);
  const TransformedObject& edge = *scene->transformedMesh->objects[0];
  ASSERT_EQ(edge.visible, 1);
  EXPECT_EQ(edge.clipFlags[kLeftPlane], 1);
  EXPECT_EQ(edge.clipFlags[kRightPlane] + edge.clipFlags[kNearPlane] + edge.clipFlags[kUpperPlane], 0);
  EXPECT_GT(edge.vertexCount, 8u);
  std::fill(picture.begin(), picture.end(), 0);
  drawObject(scene, 0, drawPolygonAffine, picture.data());
  EXPECT_NE(picture[100 * 320 + 1], 0u);
  releaseSceneSequence(scene);
}

TEST(EnginePipeline, HierarchyMovesStaticChildrenWithTheirParent) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -20}, {0, 0, 0});
  s.objects.push_back(testCube("Child", 0.5f, "Mat"));
  // The parent moves from x = 0 at frame 0 to x = 10 at frame 100; the child sits
  // 3 above it with a single key.
  s.nodes[0].positionKeys.push_back({100, {}, {10, 0, 0}});
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "Child", {0, 3, 0}, 0));
  Scene3D* scene = loadTestScene("pipeline_hierarchy", s);
  ASSERT_EQ(scene->mesh->trackNodeCount, 4);
  EXPECT_EQ(scene->mesh->trackNodes[0]->isStatic, 0);
  EXPECT_EQ(scene->mesh->trackNodes[3]->isStatic, 1);
  for (float f : {0.0f, 50.0f, 100.0f}) {
    animateScene3D(scene, f, true);
    propagateTrackTree(scene);
    const Matrix4& child = scene->transformedMesh->tracks[3]->worldMatrix;
    EXPECT_NEAR(child.m[12], f / 10.0f, 1e-4f) << f;
    EXPECT_NEAR(child.m[13], 3.0f, 1e-5f);
    // The local matrix itself is what preparation computed.
    EXPECT_NEAR(scene->transformedMesh->tracks[3]->localMatrix.m[12], 0.0f, 1e-6f);
  }
  // The child's object follows its node.
  EXPECT_EQ(scene->transformedMesh->objects[1]->worldMatrix, &scene->transformedMesh->tracks[3]->worldMatrix);

  // Drawing passes by name: the child alone, then everything but the child.
  runFrameSequence(scene, 0.0f, 0);
  std::vector<uint32_t> child(kScreenPixels, 0), others(kScreenPixels, 0), all(kScreenPixels, 0);
  const char* const names[] = {"Child"};
  drawObjectsByName(scene, names, 1, true, drawPolygonPerspective, child.data());
  runFrameSequence(scene, 0.0f, 0);
  drawObjectsByName(scene, names, 1, false, drawPolygonPerspective, others.data());
  runFrameSequence(scene, 0.0f, 0);
  drawObjectsByName(scene, nullptr, 0, false, drawPolygonPerspective, all.data());
  int childPixels = 0, otherPixels = 0;
  for (int i = 0; i < kScreenPixels; ++i) {
    childPixels += child[i] != 0;
    otherPixels += others[i] != 0;
    ASSERT_FALSE(child[i] && others[i]) << i;  // the child sits above the box
    ASSERT_EQ(all[i], child[i] | others[i]) << i;
  }
  EXPECT_GT(childPixels, 50);
  EXPECT_GT(otherPixels, childPixels);

  // Wrap: the file's 100 frames; 250 plays as 50, 100 stays 100.
  animateScene3D(scene, 250.0f, true);
  EXPECT_NEAR(scene->transformedMesh->tracks[0]->position.x, 5.0f, 1e-4f);
  animateScene3D(scene, 100.0f, true);
  EXPECT_EQ(scene->transformedMesh->tracks[0]->position.x, 10.0f);
  animateScene3D(scene, 250.0f, false);
  EXPECT_EQ(scene->transformedMesh->tracks[0]->position.x, 10.0f);
  releaseSceneSequence(scene);
}

}  // namespace
