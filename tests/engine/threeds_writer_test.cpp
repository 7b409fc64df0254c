// Guards the 3DS writer: every field read back by the engine's reader as written,
// its refusals, and the names and counts an independent reader (assimp) finds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/threeds.hpp"
#include "tests/threeds_scenes.hpp"

namespace {

// Zeroes the parameters whose flag bit is clear: the reader leaves those 0.
ThreeDsSplineParams asRead(const ThreeDsSplineParams& s) {
  ThreeDsSplineParams r = s;
  if (!(s.flags & 1)) r.tension = 0;
  if (!(s.flags & 2)) r.continuity = 0;
  if (!(s.flags & 4)) r.bias = 0;
  if (!(s.flags & 8)) r.easeTo = 0;
  if (!(s.flags & 16)) r.easeFrom = 0;
  return r;
}

void expectSpline(const ThreeDsSplineParams& read, const ThreeDsSplineParams& written) {
  const ThreeDsSplineParams w = asRead(written);
  EXPECT_EQ(read.flags, w.flags);
  EXPECT_EQ(read.tension, w.tension);
  EXPECT_EQ(read.continuity, w.continuity);
  EXPECT_EQ(read.bias, w.bias);
  EXPECT_EQ(read.easeTo, w.easeTo);
  EXPECT_EQ(read.easeFrom, w.easeFrom);
}

template <typename Key, typename Value, typename Check>
void expectKeys(uint16_t count, const Key* keys, const std::vector<ThreeDsWriterKey<Value>>& written,
                Check check) {
  ASSERT_EQ(count, written.size());
  if (written.empty()) {
    EXPECT_EQ(keys, nullptr);
    return;
  }
  for (size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(keys[i].frame, written[i].frame);
    expectSpline(keys[i].spline, written[i].spline);
    check(keys[i], written[i].value);
  }
}

}  // namespace

TEST(ThreeDsWriter, RoundTripEveryField) {
  const ThreeDsWriterScene scene = sampleScene();
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(writeThreeDs(scene, bytes));
  ThreeDsData* d = nullptr;
  ASSERT_TRUE(load3dsFromMemory(d, bytes.data(), bytes.size())) << take3dsError();
  ASSERT_NE(d, nullptr);

  ASSERT_EQ(d->materialCount, 2);
  for (int i = 0; i < 2; ++i) {
    const ThreeDsMaterial& m = *d->materials[i];
    const ThreeDsWriterMaterial& w = scene.materials[i];
    EXPECT_STREQ(m.name, w.name.c_str());
    EXPECT_EQ(0, std::memcmp(m.ambient, w.ambient, 3));
    EXPECT_STREQ(m.textureFile, w.textureFile.c_str());
  }
  EXPECT_EQ(d->materials[0]->textureAmount, 77);

  ASSERT_EQ(d->objectCount, 2);
  for (int i = 0; i < 2; ++i) {
    const ThreeDsObject& o = *d->objects[i];
    const ThreeDsWriterObject& w = scene.objects[i];
    EXPECT_STREQ(o.name, w.name.c_str());
    ASSERT_EQ(o.vertexCount, w.vertices.size());
    for (size_t v = 0; v < w.vertices.size(); ++v) {
      EXPECT_EQ((Vector3{o.vertices[v].x, o.vertices[v].y, o.vertices[v].z}), w.vertices[v]);
      EXPECT_EQ(o.vertices[v].u, w.uvs.empty() ? 0.0f : w.uvs[v].u);
      EXPECT_EQ(o.vertices[v].v, w.uvs.empty() ? 0.0f : w.uvs[v].v);
    }
    ASSERT_EQ(o.faceCount, w.faces.size());
    for (size_t f = 0; f < w.faces.size(); ++f) {
      const ThreeDsFace& face = o.faces[f];
      EXPECT_EQ(face.a, w.faces[f].a);
      EXPECT_EQ(face.b, w.faces[f].b);
      EXPECT_EQ(face.c, w.faces[f].c);
      const uint16_t flags = w.faces[f].flags;
      EXPECT_EQ(face.edgeAB, (flags >> 2) & 1);
      EXPECT_EQ(face.edgeBC, (flags >> 1) & 1);
      EXPECT_EQ(face.edgeCA, flags & 1);
      EXPECT_EQ(face.wrapU, (flags >> 3) & 1);
      EXPECT_EQ(face.wrapV, (flags >> 4) & 1);
      const bool grouped = f % 2 == 0;
      EXPECT_STREQ(face.materialName, grouped ? w.faceGroups[0].material.c_str() : "");
      EXPECT_EQ(face.materialIndex, grouped ? i : 0);
    }
    if (w.writeMatrix) {
      EXPECT_EQ(o.xAxis, w.xAxis);
      EXPECT_EQ(o.yAxis, w.yAxis);
      EXPECT_EQ(o.zAxis, w.zAxis);
      EXPECT_EQ(o.origin, w.origin);
    } else {
      EXPECT_EQ(o.xAxis, (Vector3{0, 0, 0}));
    }
    EXPECT_EQ(o.trackNode, i);
  }

  ASSERT_EQ(d->cameraCount, 1);
  const ThreeDsCamera& c = *d->cameras[0];
  EXPECT_STREQ(c.name, "Camera01");
  EXPECT_EQ(c.position, scene.cameras[0].position);
  EXPECT_EQ(c.target, scene.cameras[0].target);
  EXPECT_EQ(c.bank, 3.5f);
  EXPECT_EQ(c.lens, 35.0f);
  EXPECT_EQ(c.positionNode, 2);
  EXPECT_EQ(c.targetNode, 3);
  ASSERT_EQ(d->lightCount, 2);
  EXPECT_STREQ(d->lights[0]->name, "Omni01");
  EXPECT_STREQ(d->lights[1]->name, "Spot01");

  EXPECT_EQ(d->startFrame, 10);
  EXPECT_EQ(d->endFrame, 250);
  EXPECT_EQ(d->frameCount, 240);

  ASSERT_EQ(d->trackNodeCount, scene.nodes.size());
  for (size_t i = 0; i < scene.nodes.size(); ++i) {
    const ThreeDsTrackNode& n = *d->trackNodes[i];
    const ThreeDsWriterNode& w = scene.nodes[i];
    EXPECT_EQ(n.kind, w.kind);
    EXPECT_STREQ(n.name, w.name.c_str());
    EXPECT_EQ(n.nodeId, w.nodeId);
    EXPECT_EQ(n.parent, w.parent);
    EXPECT_EQ(n.isStatic, 0);
    EXPECT_EQ(n.pivot, w.pivot);
    expectKeys(n.positionKeyCount, n.positionKeys, w.positionKeys,
               [](const ThreeDsPositionKey& k, const Vector3& v) { EXPECT_EQ(k.position, v); });
    expectKeys(n.rotationKeyCount, n.rotationKeys, w.rotationKeys,
               [](const ThreeDsRotationKey& k, const ThreeDsWriterRotation& r) {
                 EXPECT_EQ(k.angle, r.angle);
                 EXPECT_EQ(k.axis, r.axis);
               });
    expectKeys(n.scaleKeyCount, n.scaleKeys, w.scaleKeys,
               [](const ThreeDsScaleKey& k, const Vector3& v) { EXPECT_EQ(k.scale, v); });
    expectKeys(n.fovKeyCount, n.fovKeys, w.fovKeys,
               [](const ThreeDsFovKey& k, float v) { EXPECT_EQ(k.fov, v); });
    expectKeys(n.rollKeyCount, n.rollKeys, w.rollKeys,
               [](const ThreeDsRollKey& k, float v) { EXPECT_EQ(k.roll, v); });
    expectKeys(n.morphKeyCount, n.morphKeys, w.morphKeys,
               [](const ThreeDsMorphKey& k, const std::string& v) { EXPECT_STREQ(k.target, v.c_str()); });
  }
  EXPECT_TRUE(free3ds(d));
  EXPECT_EQ(d, nullptr);
}

TEST(ThreeDsWriter, RefusesWhatTheFormatCannotHold) {
  std::vector<uint8_t> bytes;
  ThreeDsWriterScene s = sampleScene();
  s.objects[0].faces[0].c = 8;  // one past the last vertex
  EXPECT_FALSE(writeThreeDs(s, bytes));
  s = sampleScene();
  s.objects[0].faceGroups[0].faces.push_back(12);
  EXPECT_FALSE(writeThreeDs(s, bytes));
  s = sampleScene();
  s.objects[0].vertices.resize(70000);
  EXPECT_FALSE(writeThreeDs(s, bytes));
  EXPECT_TRUE(bytes.empty());
}

// Files the writer makes are read by assimp with the same names and counts.
TEST(ThreeDsWriter, IndependentReaderAgrees) {
  if (runCommand("command -v assimp") != 0) GTEST_SKIP() << "assimp is not on PATH";
  const std::string path = writeTestScene(makeTempDir("writer") + "/", "assimp.3ds", sampleScene());
  std::string out;
  ASSERT_EQ(runCommand("assimp info '" + path + "'", &out), 0) << out;
  // assimp splits each object by material; both boxes have faces with and without one,
  // and the faces without one share its default material.
  for (const char* line : {"Meshes:             4", "Materials:          3", "Cameras:            1",
                           "Lights:             2", "Faces:              24", "'Red'", "'Plain'", "Cube (mesh",
                           "Small (mesh", "\u2574Camera01\n", "\u2574Omni01\n", "\u2574Spot01\n", "'REDWALL.RGB'"})
    EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
}
