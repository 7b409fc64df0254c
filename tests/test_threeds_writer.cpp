// The 3DS writer against the engine's reader (every field back as written), against
// an independent reader (assimp: names and counts) and through `gvs-tool info`.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/threeds.hpp"
#include "tests/testutil.hpp"
#include "tests/threeds_sample_scene.hpp"
#include "engine/threeds_writer.hpp"

namespace {

using namespace threeds_sample;

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

void expectVec(const Vector3& a, const Vector3& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
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

std::string tempPath(const char* name) {
  static const std::string dir = makeTempDir("writer");
  return dir + "/" + name;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return bool(out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
}

// Runs a command; returns its standard output and sets its exit status.
std::string runCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
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
      expectVec(Vector3{o.vertices[v].x, o.vertices[v].y, o.vertices[v].z}, w.vertices[v]);
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
      expectVec(o.xAxis, w.xAxis);
      expectVec(o.yAxis, w.yAxis);
      expectVec(o.zAxis, w.zAxis);
      expectVec(o.origin, w.origin);
    } else {
      expectVec(o.xAxis, Vector3{0, 0, 0});
    }
    EXPECT_EQ(o.trackNode, i);
  }

  ASSERT_EQ(d->cameraCount, 1);
  const ThreeDsCamera& c = *d->cameras[0];
  EXPECT_STREQ(c.name, "Camera01");
  expectVec(c.position, scene.cameras[0].position);
  expectVec(c.target, scene.cameras[0].target);
  EXPECT_EQ(c.bank, 3.5f);
  EXPECT_EQ(c.lens, 35.0f);
  EXPECT_EQ(c.positionNode, 2);
  EXPECT_EQ(c.targetNode, 3);
  ASSERT_EQ(d->lightCount, 1);
  EXPECT_STREQ(d->lights[0]->name, "Omni01");

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
    expectVec(n.pivot, w.pivot);
    expectKeys(n.positionKeyCount, n.positionKeys, w.positionKeys,
               [](const ThreeDsPositionKey& k, const Vector3& v) { expectVec(k.position, v); });
    expectKeys(n.rotationKeyCount, n.rotationKeys, w.rotationKeys,
               [](const ThreeDsRotationKey& k, const ThreeDsWriterRotation& r) {
                 EXPECT_EQ(k.angle, r.angle);
                 expectVec(k.axis, r.axis);
               });
    expectKeys(n.scaleKeyCount, n.scaleKeys, w.scaleKeys,
               [](const ThreeDsScaleKey& k, const Vector3& v) { expectVec(k.scale, v); });
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
  int status = 0;
  runCommand("command -v assimp >/dev/null 2>&1", status);
  if (status != 0) GTEST_SKIP() << "assimp is not on PATH";
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(writeThreeDs(sampleScene(), bytes));
  const std::string path = tempPath("threeds_writer_assimp.3ds");
  ASSERT_TRUE(writeFile(path, bytes));
  const std::string out = runCommand("assimp info '" + path + "' 2>&1", status);
  ASSERT_EQ(status, 0) << out;
  // assimp splits each object by material; both boxes have faces with and without one,
  // and the faces without one share its default material.
  EXPECT_NE(out.find("Meshes:             4"), std::string::npos) << out;
  EXPECT_NE(out.find("Materials:          3"), std::string::npos) << out;
  EXPECT_NE(out.find("Cameras:            1"), std::string::npos) << out;
  EXPECT_NE(out.find("Lights:             1"), std::string::npos) << out;
  EXPECT_NE(out.find("Faces:              24"), std::string::npos) << out;
  EXPECT_NE(out.find("'Red'"), std::string::npos) << out;
  EXPECT_NE(out.find("'Plain'"), std::string::npos) << out;
  EXPECT_NE(out.find("Cube (mesh"), std::string::npos) << out;
  EXPECT_NE(out.find("Small (mesh"), std::string::npos) << out;
  EXPECT_NE(out.find("\u2574Camera01\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\u2574Omni01\n"), std::string::npos) << out;
  EXPECT_NE(out.find("'REDWALL.RGB'"), std::string::npos) << out;
  std::remove(path.c_str());
}

TEST(ThreeDsInfoCommand, JsonAndFatalExit) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(writeThreeDs(sampleScene(), bytes));
  const std::string path = tempPath("threeds_info.3ds");
  ASSERT_TRUE(writeFile(path, bytes));
  int status = -1;
  const std::string json = runCommand(std::string(GVS_TOOL_PATH) + " info '" + path + "' --json", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(json.rfind("{\"objects\":[{\"name\":\"Cube\",\"vertices\":8,\"faces\":12,\"trackNode\":0,"
                       "\"firstVertex\":[-10,-10,-10],\"firstFace\":[0,1,3]}",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("{\"name\":\"Camera01\",\"position\":[-100,20,5],\"target\":[0,1,2],"
                      "\"bank\":3.5,\"lens\":35,\"positionNode\":2,\"targetNode\":3}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"materials\":[{\"name\":\"Red\",\"textureFile\":\"REDWALL.RGB\"}"),
            std::string::npos);
  EXPECT_NE(json.find("\"frames\":{\"start\":10,\"end\":250,\"count\":240}"), std::string::npos);
  EXPECT_NE(json.find("{\"name\":\"Cube\",\"kind\":1,\"nodeId\":0,\"parent\":65535,\"keys\":{"
                      "\"position\":2,\"rotation\":2,\"scale\":1,\"fov\":0,\"roll\":0,\"morph\":1}}"),
            std::string::npos)
      << json;
  std::remove(path.c_str());

  const std::string missing =
      runCommand(std::string(GVS_TOOL_PATH) + " info '" + tempPath("no such file.3ds") + "'", status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(missing, "VRX_FATAL: Can't open .3DS file!\n");

  const std::string truncated = tempPath("threeds_info_cut.3ds");
  bytes.resize(bytes.size() / 2);
  ASSERT_TRUE(writeFile(truncated, bytes));
  const std::string cut = runCommand(std::string(GVS_TOOL_PATH) + " info '" + truncated + "'", status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(cut, "VRX_FATAL: Fatal error in .3DS file!\n");
  std::remove(truncated.c_str());

  runCommand(std::string(GVS_TOOL_PATH) + " info 2>/dev/null", status);
  EXPECT_EQ(status, 2);
}
