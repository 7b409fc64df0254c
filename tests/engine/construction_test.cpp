// Guards scene construction: memory accounting, texture lookup, the track tree, the
// one-time preparation of vertices, keys and normals, static nodes and release.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/construction.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/tracks.hpp"
#include "engine/vectorops.hpp"
#include "tests/threeds_scenes.hpp"

namespace {

TEST(EngineConstruction, TextureFileNames) {
  for (auto [file, texture] : {std::pair{"wood.gif", "wood.rgb"}, {"wood", "wood.rgb"}, {"", ".rgb"}, {"a.b", "a.rgb"},
                               {"x.tiff1", "xf1.rgb"}, {"TEST.PNG", "TEST.rgb"}})
    EXPECT_EQ(textureFileName(file), texture) << file;
}

TEST(EngineConstruction, TexturesByNameWithFallback) {
  std::string dir = engineTestDirectory("construction_textures");
  // wood.rgb exists (all texels 10, 20, 30); "none.gif" falls back to texture.rgb.
  std::string wood;
  for (int i = 0; i < 256 * 256; ++i) wood += "\x0a\x14\x1e";
  writeFile(dir + "wood.rgb", wood);
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  s.materials.push_back({"Wood", {0, 0, 0}, "wood.gif"});
  s.objects[0].faceGroups[0].faces = {0, 1, 2, 3, 4, 5};
  s.objects[0].faceGroups.push_back({"Wood", {6, 7, 8, 9, 10, 11}});
  writeTestScene(dir, "t.3ds", s);
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, dir, "t.3ds");
  ASSERT_EQ(scene->mesh->materialCount, 2);
  // Texels carry a copy of green in the top byte, like every picture loaded.
  EXPECT_EQ(scene->textures[1]->texels[0], (20u << 24) | (10u << 16) | (20u << 8) | 30u);
  EXPECT_EQ(scene->textures[0]->texels[3 * 256 + 5], (3u << 24) | (5u << 16) | (3u << 8) | 200u);
  const TransformedObject& box = *scene->transformedMesh->objects[0];
  EXPECT_EQ(box.polygons[0].texture, scene->textures[0]);
  EXPECT_EQ(box.polygons[11].texture, scene->textures[1]);
  releaseSceneSequence(scene);
}

TEST(EngineConstruction, MissingTexturesStopTheProgram) {
  std::string dir = engineTestDirectory("construction_notexture", false);
  writeTestScene(dir, "t.3ds", testCubeScene({0, 0, -5}, {0, 0, 0}));
  EXPECT_EXIT(
      {
        Scene3D* scene = nullptr;
        loadSceneSequence(scene, dir, "t.3ds");
      },
      testing::ExitedWithCode(1), "KVS_RAW ERROR: Failed to load file");
}

TEST(EngineConstruction, MemoryAccountingAndRelease) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  s.objects.push_back(testCube("Child", 0.5f, "Mat"));
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "Child", {0, 3, 0}, 0));
  Scene3D* scene = loadTestScene("construction_memory", s);
  const ThreeDsData* mesh = scene->mesh;
  const TransformedMesh& tm = *scene->transformedMesh;
  // The whole is the sum of its parts; 8 vertices and room for 12 more per face.
  EXPECT_EQ(scene->totalBytes, sizeof(Scene3D) + mesh->totalBytes + tm.bytes + scene->projectedMesh->bytes +
                                   scene->trackTreeBytes);
  EXPECT_EQ(scene->precalcData, nullptr);
  EXPECT_EQ(tm.objects[0]->vertexCapacity, 8u + 12u * 12u);

  ASSERT_EQ(scene->trackTree->childCount, 3u);
  EXPECT_EQ(scene->trackTree->nodeIndex, kRootNodeIndex);
  const TrackTreeNode* box = scene->trackTree->children[0];
  EXPECT_EQ(box->nodeIndex, 0);
  ASSERT_EQ(box->childCount, 1u);
  EXPECT_EQ(box->children[0]->nodeIndex, 3);
  EXPECT_EQ(box->children[0]->worldMatrix, &tm.tracks[3]->worldMatrix);

  uint32_t before = scene->totalBytes, tree = scene->trackTreeBytes;
  releaseTrackTree(scene);
  EXPECT_EQ(scene->trackTreeBytes, 0u);
  EXPECT_EQ(scene->trackTree, nullptr);
  EXPECT_EQ(scene->totalBytes, before - tree);
  releaseSceneBuffers(scene);
  EXPECT_EQ(scene->transformedMesh, nullptr);
  EXPECT_EQ(scene->depthStore, nullptr);
  releaseScene3D(scene);
  EXPECT_EQ(scene, nullptr);
}

TEST(EngineConstruction, PreparedGeometry) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  // The box's mesh matrix: turned 90 degrees about y, stretched 2x along its x
  // axis, placed at (5, 0, 0); its node has the pivot (1, 0, 0).
  ThreeDsWriterObject& o = s.objects[0];
  o.xAxis = {0, 0, -2};
  o.yAxis = {0, 1, 0};
  o.zAxis = {1, 0, 0};
  o.origin = {5, 0, 0};
  for (Vector3& v : o.vertices) v = {5.0f + v.z, v.y, -2.0f * v.x};  // v_file = local x M + o
  o.uvs[3] = {0.25f, 0.75f};
  s.nodes[0].pivot = {1, 0, 0};
  // A degenerate face.
  o.faces[11] = {0, 0, 1, 7};
  // An object without faces.
  ThreeDsWriterObject dots;
  dots.name = "Dots";
  dots.vertices = {{1, 2, 3}, {-4, 5, -6}, {0, -7, 9}};
  s.objects.push_back(dots);
  Scene3D* scene = loadTestScene("construction_prepare", s);
  const ThreeDsObject& box = *scene->mesh->objects[0];
  // (v - o) x M^-1 - pivot gives back the cube, shifted by the pivot.
  for (int i = 0; i < 8; ++i) {
    float x = (i & 1) ? 1.0f : -1.0f, fy = (i & 2) ? 1.0f : -1.0f, fz = (i & 4) ? 1.0f : -1.0f;
    EXPECT_NEAR(box.vertices[i].x, x - 1.0f, 1e-5f) << i;
    EXPECT_NEAR(box.vertices[i].y, fz, 1e-5f) << i;
    EXPECT_NEAR(box.vertices[i].z, fy, 1e-5f) << i;
  }
  // v is negated once.
  EXPECT_EQ(box.vertices[3].v, -0.75f);
  EXPECT_EQ(box.vertices[3].u, 0.25f);
  // Face normals are unit length; the degenerate face gets (0, 0, 1).
  EXPECT_NEAR(vectorLength(box.faceNormals[0]), 1.0f, 1e-6f);
  EXPECT_EQ(box.faceNormals[11], (Vector3{0, 0, 1}));
  // Box corners in the fixed order, from the prepared vertices.
  EXPECT_NEAR(box.boxCorners[0].x, -2.0f, 1e-5f);
  EXPECT_NEAR(box.boxCorners[6].x, 0.0f, 1e-5f);
  EXPECT_NEAR(box.boxCorners[6].y, 1.0f, 1e-5f);
  EXPECT_NEAR(box.boxCorners[3].z, 1.0f, 1e-5f);
  EXPECT_NEAR(box.boxCorners[4].y, 1.0f, 1e-5f);
  // The faceless object: no polygons, capacity equal to its vertex count.
  const TransformedObject& d = *scene->transformedMesh->objects[1];
  EXPECT_EQ(d.polygonCount, 0u);
  EXPECT_EQ(d.polygons, nullptr);
  EXPECT_EQ(d.vertexCapacity, 3u);
  // Its name has no node: it keeps node 0, as the reader links it.
  EXPECT_EQ(scene->mesh->objects[1]->trackNode, 0);
  releaseSceneSequence(scene);
}

TEST(EngineConstruction, RotationKeysAccumulateAndStaticNodes) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  // Box: two rotation steps of 90 degrees about z.
  s.nodes[0].rotationKeys = {{0, {}, {float(M_PI / 2), {0, 0, 1}}}, {50, {}, {float(M_PI / 2), {0, 0, 1}}}};
  // A node with one key of each kind but a morph key is not static.
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "Morph", {1, 2, 3}));
  s.nodes.back().morphKeys = {{0, {}, "Box"}};
  // A node with one position key at frame 40 and nothing else: static, and its
  // value holds before frame 40 too.
  s.nodes.push_back({});
  s.nodes.back().kind = ThreeDsNodeKind::object;
  s.nodes.back().name = "Late";
  s.nodes.back().positionKeys = {{40, {}, {7, 8, 9}}};
  Scene3D* scene = loadTestScene("construction_keys", s);
  const ThreeDsTrackNode& box = *scene->mesh->trackNodes[0];
  EXPECT_NEAR(box.rotationKeys[0].quaternion.w, std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(box.rotationKeys[0].quaternion.z, std::sqrt(0.5f), 1e-6f);
  // The second key is absolute: 180 degrees about z.
  EXPECT_NEAR(box.rotationKeys[1].quaternion.w, 0.0f, 1e-6f);
  EXPECT_NEAR(box.rotationKeys[1].quaternion.z, 1.0f, 1e-6f);
  EXPECT_EQ(box.isStatic, 0);
  EXPECT_EQ(scene->mesh->trackNodes[1]->isStatic, 1);  // camera with single keys
  EXPECT_EQ(scene->mesh->trackNodes[3]->isStatic, 0);  // morph
  EXPECT_EQ(scene->mesh->trackNodes[4]->isStatic, 1);
  const TrackState& lateState = *scene->transformedMesh->tracks[4];
  EXPECT_EQ(lateState.position.x, 7.0f);
  EXPECT_EQ(lateState.localMatrix.m[12], 7.0f);
  // Unkeyed scale and rotation stay the identity.
  EXPECT_EQ(lateState.localMatrix.m[0], 1.0f);
  animateScene3D(scene, 10.0f, true);
  EXPECT_EQ(scene->transformedMesh->tracks[4]->worldMatrix.m[14], 9.0f);
  // The camera's values come from preparation.
  EXPECT_EQ(scene->transformedMesh->tracks[1]->fov, 90.0f);
  releaseSceneSequence(scene);
}

TEST(EngineConstruction, MeshWithoutMatrixOrMaterials) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  s.materials.clear();
  s.objects[0].faceGroups.clear();
  s.objects[0].writeMatrix = false;
  s.nodes[0].pivot = {0.5f, 0, 0};
  Scene3D* scene = loadTestScene("construction_bare", s);
  // The reader leaves the matrix all zero when the file has none; the vertices must
  // not collapse (they only lose the origin, here zero, and the pivot).
  const ThreeDsObject& box = *scene->mesh->objects[0];
  EXPECT_EQ(box.xAxis.x, 0.0f);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(box.vertices[i].x, ((i & 1) ? 1.0f : -1.0f) - 0.5f) << i;
    EXPECT_EQ(box.vertices[i].z, (i & 2) ? 1.0f : -1.0f) << i;
  }
  EXPECT_EQ(scene->textures, nullptr);
  runFrameSequence(scene, 0.0f, 0);
  EXPECT_EQ(scene->transformedMesh->objects[0]->polygons[0].texture, nullptr);
  // Drawing polygons without a texture leaves the picture alone.
  std::vector<uint32_t> picture(kScreenPixels, 0);
  drawObject(scene, 0, drawPolygonPerspective, picture.data());
  for (uint32_t p : picture) ASSERT_EQ(p, 0u);
  releaseSceneSequence(scene);
}

}  // namespace
