// The debug dumps, byte for byte: banners in code page 437, the hierarchy tree,
// number formats and the memory lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/construction.hpp"
#include "engine/scenedump.hpp"
#include "engine_testscene.hpp"

namespace {

template <typename F>
std::string capture(F&& dump) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  dump(out);
  std::fclose(out);
  std::string s(text, size);
  std::free(text);
  return s;
}

std::string bannerOf(const std::string& title) {
  std::string rule(title.size() + 2, '\xC4');
  return "\n\xDA" + rule + "\xBF\n\xB3 " + title + " \xB3\n\xC0" + rule + "\xD9\n\n";
}

// Nodes A (track 0), B (track 1) and C (track 2, child of A); no cameras, no
// materials: built with the construction steps that do not need them.
Scene3D* treeScene(const std::string& name) {
  ThreeDsWriterScene s;
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "A", {0, 0, 0}));
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "B", {0, 0, 0}));
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "C", {0, 0, 0}, 0));
  std::string dir = engineTestDirectory(name, false);
  Scene3D* scene = nullptr;
  loadScene3D(scene, writeTestScene(dir, "tree.3ds", s));
  allocateScene3D(scene);
  buildTrackTree(scene);
  prepareScene3D(scene);
  return scene;
}

TEST(EngineDump, BannersAreCodePage437Boxes) {
  Scene3D* scene = treeScene("dump_banners");
  const std::pair<void (*)(const Scene3D*, FILE*), const char*> dumps[] = {
      {dumpCamera, "VRX_RNDR DEBUG - Projection camera dump"},
      {dumpHierarchy, "VRX_RNDR DEBUG - Hierarchy tree dump"},
      {dumpMemory, "VRX_RNDR DEBUG - Memory allocated by scene"},
      {dumpObjects, "VRX_RNDR DEBUG - Object List"},
      {dumpTracks, "VRX_RNDR DEBUG - Tracks List"}};
  const size_t widths[] = {43, 40, 46, 32, 32};
  for (int i = 0; i < 5; ++i) {
    std::string out = capture([&](FILE* f) { dumps[i].first(scene, f); });
    std::string banner = bannerOf(dumps[i].second);
    ASSERT_EQ(out.substr(0, banner.size()), banner) << dumps[i].second;
    EXPECT_EQ(out.find('\n', 1) - 1, widths[i]);
  }
  // The whole dump: its own banner, the note, the five parts in order, an empty line.
  std::string all = capture([&](FILE* f) { dumpScene(scene, f); });
  std::string head = "\n" + bannerOf("VRX_RNDR DEBUG - Scene dump") + "\nnot fully implemented yet\n";
  ASSERT_EQ(all.substr(0, head.size()), head);
  EXPECT_EQ(bannerOf("VRX_RNDR DEBUG - Scene dump").find('\n', 1) - 1, 31u);
  size_t at = head.size();
  for (const auto& d : dumps) {
    std::string part = capture([&](FILE* f) { d.first(scene, f); });
    ASSERT_EQ(all.substr(at, part.size()), part) << d.second;
    at += part.size();
  }
  EXPECT_EQ(all.substr(at), "\n");
  releaseTrackTree(scene);
  releaseSceneBuffers(scene);
  releaseScene3D(scene);
}

TEST(EngineDump, HierarchyTree) {
  Scene3D* scene = treeScene("dump_tree");
  std::string out = capture([&](FILE* f) { dumpHierarchy(scene, f); });
  EXPECT_EQ(out, bannerOf("VRX_RNDR DEBUG - Hierarchy tree dump") +
                     " o World \n"
                     " \xC3\xC4o 'A' (track 0)\n"
                     " \xB3 \xC0\xC4o 'C' (track 2)\n"
                     " \xC0\xC4o 'B' (track 1)\n"
                     "\n");
  releaseTrackTree(scene);
  out = capture([&](FILE* f) { dumpHierarchy(scene, f); });
  EXPECT_EQ(out, bannerOf("VRX_RNDR DEBUG - Hierarchy tree dump") + " Tree not created or already destroyed\r\n\n");
  releaseSceneBuffers(scene);
  releaseScene3D(scene);
}

TEST(EngineDump, MemoryObjectsAndTracks) {
  Scene3D* scene = treeScene("dump_memory");
  scene->transformedMesh->bytes = 12;
  scene->totalBytes = 123456789;
  std::string out = capture([&](FILE* f) { dumpMemory(scene, f); });
  char expected[1024];
  std::snprintf(expected, sizeof expected,
                " Scene structure               %8u bytes\n"
                " 3D mesh                       %8u bytes\n"
                " 3D transformed mesh                 12 bytes\n"
                " 2D mesh                       %8u bytes\n"
                " Track hierarchy tree          %8u bytes\n"
                " Precalculated animation data         0 bytes\n"
                " %s\n"
                " Total                         123456789 bytes\n"
                "\n",
                unsigned(sizeof(Scene3D)), unsigned(scene->mesh->totalBytes), unsigned(scene->projectedMesh->bytes),
                unsigned(scene->trackTreeBytes), std::string(44, '\xC4').c_str());
  EXPECT_EQ(out, bannerOf("VRX_RNDR DEBUG - Memory allocated by scene") + expected);

  // No objects: the banner and an empty line.
  out = capture([&](FILE* f) { dumpObjects(scene, f); });
  EXPECT_EQ(out, bannerOf("VRX_RNDR DEBUG - Object List") + "\n");
  // Track kinds; 16 and 32 have no name of their own.
  scene->mesh->trackNodes[1]->kind = ThreeDsNodeKind::spotlightPosition;
  scene->mesh->trackNodes[2]->kind = ThreeDsNodeKind::omnilightPosition;
  out = capture([&](FILE* f) { dumpTracks(scene, f); });
  EXPECT_EQ(out, bannerOf("VRX_RNDR DEBUG - Tracks List") +
                     " Track #0 Name: 'A' Type: object\n"
                     " Track #1 Name: 'B' Type: omni light\n"
                     " Track #2 Name: 'C' Type: unknown\n\n");
  EXPECT_STREQ(trackKindName(2), "camera");
  EXPECT_STREQ(trackKindName(4), "camera target");
  EXPECT_STREQ(trackKindName(16), "unknown");
  EXPECT_STREQ(trackKindName(0), "unknown");
  releaseTrackTree(scene);
  releaseSceneBuffers(scene);
  releaseScene3D(scene);
}

TEST(EngineDump, NumberFormats) {
  Scene3D* scene = loadTestScene("dump_numbers", testCubeScene({0, 0, -5}, {0, 0, 0}));
  ProjectionCamera& c = *scene->camera;
  c = ProjectionCamera{};
  c.position = {1.5f, -1.5f, 1234.5678f};
  c.roll = -1.5f;
  c.fov = 90.0f;
  for (int i = 0; i < 16; ++i) c.transformation.m[i] = float(i) - 1.5f;
  c.transformation.m[5] = -12345.25f;
  std::string out = capture([&](FILE* f) { dumpCamera(scene, f); });
  const std::string body = out.substr(bannerOf("VRX_RNDR DEBUG - Projection camera dump").size());
  EXPECT_EQ(body,
            "Position   : x: 1.500 y: -1.500 z: 1234.568\n"
            "Target     : x: 0.000 y: 0.000 z: 0.000\n"
            "X axis     : x: 0.000 y: 0.000 z: 0.000\n"
            "Y axis     : x: 0.000 y: 0.000 z: 0.000\n"
            "Z axis     : x: 0.000 y: 0.000 z: 0.000\n"
            "Roll       : -1.500\n"
            "FOV        : 90.000\n"
            "XMagnify   : 0.000\n"
            "YMagnify   : 0.000\n"
            "NearZPlane : 0.000\n"
            "FarZPlane  : 0.000\n"
            "Transformation matrix :\n"
            "|   -1.500    -0.500     0.500     1.500  |\n"
            "|    2.500  -12345.250     4.500     5.500  |\n"
            "|    6.500     7.500     8.500     9.500  |\n"
            "|   10.500    11.500    12.500    13.500  |\n"
            "\n");
  out = capture([&](FILE* f) { printQuatLine({1.0f, -0.25f, 0.5f, 2.0f}, f); });
  EXPECT_EQ(out, "w: 1.000 [ x: -0.250 y: 0.500 z: 2.000 ]\n");
  out = capture([&](FILE* f) { printVec3({-1.5f, 0.0f, 10.0f}, f); });
  EXPECT_EQ(out, "x: -1.500 y: 0.000 z: 10.000");
  releaseSceneSequence(scene);
}

}  // namespace
