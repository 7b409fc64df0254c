// 3DS scenes the engine and tool tests build with our writer: a textured cube with
// a target camera, loaded through the engine's sequence, and a sample holding every
// chunk the writer can write; describe() prints every field the reader fills, for
// golden texts. Vectors compare and print in the tests' messages.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "engine/threeds_writer.hpp"
#include "tests/testutil.hpp"

inline bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline std::ostream& operator<<(std::ostream& o, const Vector3& v) {
  return o << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

// A fresh directory of its own per call, with "texture.rgb" (a 256 x 256 picture
// whose red channel is the column and green the row, blue 200) unless told otherwise.
inline std::string engineTestDirectory(const std::string& name, bool withTexture = true) {
  std::string dir = makeTempDir("engine-" + name) + "/";
  if (withTexture) {
    std::vector<uint8_t> rgb(256 * 256 * 3);
    for (int i = 0; i < 256 * 256; ++i) rgb[size_t(i) * 3] = uint8_t(i & 255), rgb[size_t(i) * 3 + 1] = uint8_t(i >> 8);
    for (size_t i = 2; i < rgb.size(); i += 3) rgb[i] = 200;
    writeFile(dir + "texture.rgb", rgb);
  }
  return dir;
}

inline std::string writeTestScene(const std::string& dir, const std::string& file, const ThreeDsWriterScene& s) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(writeThreeDs(s, bytes));
  writeFile(dir + file, bytes);
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
  const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (auto& q : quads) {
    o.faces.push_back({q[0], q[1], q[2], 7});
    o.faces.push_back({q[0], q[2], q[3], 7});
  }
  if (!material.empty()) o.faceGroups.push_back({material, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}});
  return o;
}

// A node with one key per track it has: position; rotation and scale for objects,
// field of view 90 and roll for camera positions.
inline ThreeDsWriterNode testNode(ThreeDsNodeKind kind, const std::string& name, Vector3 position,
                                  uint16_t parent = kThreeDsNoNode) {
  ThreeDsWriterNode n;
  n.kind = kind;
  n.name = name;
  n.parent = parent;
  n.positionKeys = {{0, {}, position}};
  if (kind == ThreeDsNodeKind::object) {
    n.rotationKeys = {{0, {}, {0, {0, 0, 1}}}};
    n.scaleKeys = {{0, {}, {1, 1, 1}}};
  }
  if (kind == ThreeDsNodeKind::cameraPosition) {
    n.fovKeys = {{0, {}, 90.0f}};
    n.rollKeys = {{0, {}, 0.0f}};
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
  s.cameras.push_back({"Cam", eye, target});
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

// A scene with every chunk the writer can write, which editors' files lack: lights,
// morph keys, every node kind, spline parameters, texture data. Two boxes, each with
// half its faces in a material group; the second has no mapping and no matrix.
inline ThreeDsWriterScene sampleScene() {
  auto box = [](const std::string& name, float size, const std::string& material) {
    ThreeDsWriterObject o;
    o.name = name;
    for (int i = 0; i < 8; ++i) {
      o.vertices.push_back({(i & 1) ? size : -size, (i & 2) ? size : -size, (i & 4) ? size : -size});
      o.uvs.push_back({(i & 1) ? 1.0f : 0.0f, (i & 2) ? 0.75f : 0.25f});
    }
    const uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& q : quads) {
      o.faces.push_back({q[0], q[1], q[2], 0x7});
      o.faces.push_back({q[0], q[2], q[3], uint16_t(0x3 | 0x8 | 0x10)});
    }
    o.faceGroups = {{material, {0, 2, 4, 6, 8, 10}}};
    o.xAxis = {1, 0.5f, 0};
    o.yAxis = {0, 1, 0.25f};
    o.zAxis = {0.125f, 0, 1};
    o.origin = {10, 20, 30};
    return o;
  };
  ThreeDsWriterScene s;
  s.materials = {{"Red", {200, 10, 20}, "REDWALL.RGB", 77}, {"Plain", {1, 2, 3}, "", 100}};
  s.objects = {box("Cube", 10, "Red"), box("Small", 2, "Plain")};
  s.objects[1].uvs.clear();
  s.objects[1].writeMatrix = false;
  s.cameras = {{"Camera01", {-100, 20, 5}, {0, 1, 2}, 3.5f, 35}};
  s.lights = {{"Omni01", {5, 6, 7}}, {"Spot01", {-20, 30, 10}, true, {0, 0, 0}, 25.0f, 40.0f}};
  s.startFrame = 10;
  s.endFrame = 250;
  auto node = [](ThreeDsNodeKind kind, const char* name, uint16_t id) {
    ThreeDsWriterNode n;
    n.kind = kind, n.name = name, n.nodeId = id;
    return n;
  };
  ThreeDsWriterNode cube = node(ThreeDsNodeKind::object, "Cube", 0);
  cube.pivot = {1, 2, 3};
  cube.positionKeys = {{0, {}, {0, 0, 0}}, {100, {0x001F, 0.5f, -0.5f, 0.25f, 1, 0.75f}, {10, 20, 30}}};
  cube.rotationKeys = {{0, {0x0021, 0.3f, 0, 0, 0, 0}, {0, {0, 1, 0}}},
                       {50, {0x0004, 0, 0, -1, 0, 0}, {1.5f, {1, 0, 0}}}};
  cube.scaleKeys = {{0, {}, {1, 1, 1}}};
  cube.morphKeys = {{20, {0x0002, 0, 0.125f, 0, 0, 0}, "Small"}};
  ThreeDsWriterNode small = node(ThreeDsNodeKind::object, "Small", 1);
  small.parent = 0;
  small.positionKeys = {{0, {}, {4, 5, 6}}};
  ThreeDsWriterNode camPos = node(ThreeDsNodeKind::cameraPosition, "Camera01", 2);
  camPos.positionKeys = {{0, {}, {-100, 20, 5}}};
  camPos.fovKeys = {{0, {0x0008, 0, 0, 0, 2, 0}, 45.0f}};
  camPos.rollKeys = {{0, {}, 0.0f}, {200, {0x0010, 0, 0, 0, 0, 3}, 90.0f}};
  ThreeDsWriterNode camTarget = node(ThreeDsNodeKind::cameraTarget, "Camera01", 3);
  camTarget.positionKeys = {{0, {}, {0, 1, 2}}};
  // As editors write them: 0xB005 holds an omni light, 0xB007 a spotlight and
  // 0xB006 its target (the engine's kind names say otherwise).
  ThreeDsWriterNode omni = node(ThreeDsNodeKind::spotlightPosition, "Omni01", 4);
  omni.positionKeys = {{0, {}, {5, 6, 7}}};
  ThreeDsWriterNode spot = node(ThreeDsNodeKind::omnilightPosition, "Spot01", 5);
  spot.positionKeys = {{0, {}, {-20, 30, 10}}};
  s.nodes = {cube, small, camPos, camTarget, omni, spot, node(ThreeDsNodeKind::spotlightTarget, "Spot01", 6)};
  return s;
}

// Every field the reader fills, one record a line, for golden files; floats as short
// as they read back exactly. Key tracks of more than six keys show their first
// three and last three.
inline std::string fmtNum(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  if (std::strtof(text, nullptr) != v) std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}
inline std::string fmtNum(Vector3 v) { return "(" + fmtNum(v.x) + ", " + fmtNum(v.y) + ", " + fmtNum(v.z) + ")"; }
inline const char* fmtArg(const std::string& s) { return s.c_str(); }
template <typename T>
T fmtArg(T v) {
  return v;
}
template <typename... Args>
std::string fmtLine(const char* format, const Args&... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, fmtArg(args)...);
  return text;
}

template <typename Key, typename Value>
std::string describeKeys(const char* track, uint32_t count, const Key* keys, Value value) {
  std::string out;
  for (uint32_t i = 0; i < count; ++i) {
    if (count > 6 && i == 3) out += fmtLine("    ... %u %s keys\n", count, track);
    if (count > 6 && i >= 3 && i + 3 < count) continue;
    const ThreeDsSplineParams& s = keys[i].spline;
    out += fmtLine("    %s %u [%u %s %s %s %s %s] %s\n", track, keys[i].frame, s.flags, fmtNum(s.tension),
                   fmtNum(s.continuity), fmtNum(s.bias), fmtNum(s.easeTo), fmtNum(s.easeFrom), value(keys[i]));
  }
  return out;
}

inline std::string describe(const ThreeDsData& d) {
  std::string out = fmtLine("%u bytes\n", d.totalBytes);
  for (uint32_t i = 0; i < d.materialCount; ++i) {
    const ThreeDsMaterial& m = *d.materials[i];
    out += fmtLine("material '%s' ambient %u %u %u texture '%s' amount %u\n", m.name, m.ambient[0], m.ambient[1],
                   m.ambient[2], m.textureFile, m.textureAmount);
  }
  for (uint32_t i = 0; i < d.objectCount; ++i) {
    const ThreeDsObject& o = *d.objects[i];
    out += fmtLine("object '%s' node %u axes %s %s %s origin %s\n", o.name, o.trackNode, fmtNum(o.xAxis),
                   fmtNum(o.yAxis), fmtNum(o.zAxis), fmtNum(o.origin));
    for (const ThreeDsVertex* v = o.vertices; v < o.vertices + o.vertexCount; ++v)
      out += fmtLine("    vertex %s uv %s %s\n", fmtNum({v->x, v->y, v->z}), fmtNum(v->u), fmtNum(v->v));
    for (const ThreeDsFace* f = o.faces; f < o.faces + o.faceCount; ++f)
      out += fmtLine("    face %u %u %u edges AB %u BC %u CA %u wrap %u %u material '%s' %u\n", f->a, f->b, f->c,
                     f->edgeAB, f->edgeBC, f->edgeCA, f->wrapU, f->wrapV, f->materialName, f->materialIndex);
  }
  for (uint32_t i = 0; i < d.cameraCount; ++i) {
    const ThreeDsCamera& c = *d.cameras[i];
    out += fmtLine("camera '%s' %s to %s bank %s lens %s nodes %u %u\n", c.name, fmtNum(c.position), fmtNum(c.target),
                   fmtNum(c.bank), fmtNum(c.lens), c.positionNode, c.targetNode);
  }
  for (uint32_t i = 0; i < d.lightCount; ++i) out += fmtLine("light '%s'\n", d.lights[i]->name);
  out += fmtLine("frames %u to %u (%u)\n", d.startFrame, d.endFrame, d.frameCount);
  for (uint32_t i = 0; i < d.trackNodeCount; ++i) {
    const ThreeDsTrackNode& n = *d.trackNodes[i];
    out += fmtLine("node '%s' kind %d id %u parent %u static %u pivot %s\n", n.name, int(n.kind), n.nodeId, n.parent,
                   n.isStatic, fmtNum(n.pivot));
    out += describeKeys("position", n.positionKeyCount, n.positionKeys, [](auto& k) { return fmtNum(k.position); });
    out += describeKeys("rotation", n.rotationKeyCount, n.rotationKeys,
                        [](auto& k) { return fmtNum(k.angle) + " about " + fmtNum(k.axis); });
    out += describeKeys("scale", n.scaleKeyCount, n.scaleKeys, [](auto& k) { return fmtNum(k.scale); });
    out += describeKeys("fov", n.fovKeyCount, n.fovKeys, [](auto& k) { return fmtNum(k.fov); });
    out += describeKeys("roll", n.rollKeyCount, n.rollKeys, [](auto& k) { return fmtNum(k.roll); });
    out += describeKeys("morph", n.morphKeyCount, n.morphKeys, [](auto& k) { return std::string(k.target); });
  }
  return out;
}
