// Scenes for the engine tests: a 3DS file made with the writer in a private
// directory, with a texture beside it, loaded through the engine's load sequence.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/scenesequence.hpp"
#include "tests/testutil.hpp"
#include "engine/threeds_writer.hpp"

// A fresh directory of its own per call, with "texture.rgb" (a 256 x 256 picture
// whose red channel is the column and green the row) unless told otherwise.
inline std::string engineTestDirectory(const std::string& name, bool withTexture = true) {
  std::string dir = makeTempDir("engine-" + name) + "/";
  if (withTexture) {
    std::vector<uint8_t> rgb(256 * 256 * 3);
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 256; ++c) {
        rgb[(r * 256 + c) * 3] = uint8_t(c);
        rgb[(r * 256 + c) * 3 + 1] = uint8_t(r);
        rgb[(r * 256 + c) * 3 + 2] = 200;
      }
    FILE* f = std::fopen((dir + "texture.rgb").c_str(), "wb");
    std::fwrite(rgb.data(), 1, rgb.size(), f);
    std::fclose(f);
  }
  return dir;
}

inline std::string writeTestScene(const std::string& dir, const std::string& file, const ThreeDsWriterScene& s) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(writeThreeDs(s, bytes));
  FILE* f = std::fopen((dir + file).c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return dir + file;
}

// A cube of half-size h centred on the origin, 8 corners with mapping coordinates,
// 12 faces wound counter-clockwise seen from outside in the editor's own axes
// (vectors are given as the engine stores them, y and z exchanged).
inline ThreeDsWriterObject testCube(const std::string& name, float h, const std::string& material = "") {
  ThreeDsWriterObject o;
  o.name = name;
  for (int i = 0; i < 8; ++i) {
    float x = (i & 1) ? h : -h, fileY = (i & 2) ? h : -h, fileZ = (i & 4) ? h : -h;
    o.vertices.push_back({x, fileZ, fileY});
    o.uvs.push_back({(i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
  }
  // Counter-clockwise from outside in file space (x, fileY, fileZ).
  const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (auto& q : quads) {
    o.faces.push_back({q[0], q[1], q[2], 7});
    o.faces.push_back({q[0], q[2], q[3], 7});
  }
  if (!material.empty()) {
    ThreeDsWriterFaceGroup g;
    g.material = material;
    for (uint16_t i = 0; i < 12; ++i) g.faces.push_back(i);
    o.faceGroups.push_back(g);
  }
  return o;
}

inline ThreeDsWriterNode testNode(ThreeDsNodeKind kind, const std::string& name, Vector3 position,
                                  uint16_t parent = kThreeDsNoNode) {
  ThreeDsWriterNode n;
  n.kind = kind;
  n.name = name;
  n.parent = parent;
  ThreeDsWriterKey<Vector3> k;
  k.value = position;
  n.positionKeys.push_back(k);
  if (kind == ThreeDsNodeKind::object) {
    ThreeDsWriterKey<ThreeDsWriterRotation> r;
    r.value = {0, {0, 0, 1}};
    n.rotationKeys.push_back(r);
    ThreeDsWriterKey<Vector3> s;
    s.value = {1, 1, 1};
    n.scaleKeys.push_back(s);
  }
  if (kind == ThreeDsNodeKind::cameraPosition) {
    ThreeDsWriterKey<float> fov;
    fov.value = 90;
    n.fovKeys.push_back(fov);
    ThreeDsWriterKey<float> roll;
    roll.value = 0;
    n.rollKeys.push_back(roll);
  }
  return n;
}

// One cube named "Box" at the origin and camera "Cam" at `eye` looking at `target`.
inline ThreeDsWriterScene testCubeScene(Vector3 eye, Vector3 target, float h = 1.0f) {
  ThreeDsWriterScene s;
  ThreeDsWriterMaterial m;
  m.name = "Mat";
  m.textureFile = "none.gif";
  s.materials.push_back(m);
  s.objects.push_back(testCube("Box", h, "Mat"));
  ThreeDsWriterCamera c;
  c.name = "Cam";
  c.position = eye;
  c.target = target;
  s.cameras.push_back(c);
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "Box", {0, 0, 0}));
  s.nodes.push_back(testNode(ThreeDsNodeKind::cameraPosition, "Cam", eye));
  s.nodes.push_back(testNode(ThreeDsNodeKind::cameraTarget, "Cam", target));
  return s;
}

inline Scene3D* loadTestScene(const std::string& name, const ThreeDsWriterScene& s) {
  std::string dir = engineTestDirectory(name);
  writeTestScene(dir, name + ".3ds", s);
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, dir, name + ".3ds");
  return scene;
}
