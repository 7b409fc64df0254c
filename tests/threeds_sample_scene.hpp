// A scene with every chunk the 3DS writer can produce, shared by the writer's and
// the reader's tests.
#pragma once
#include <string>

#include "engine/threeds_writer.hpp"

namespace threeds_sample {

inline ThreeDsSplineParams spline(uint16_t flags, float t, float c, float b, float to, float from) {
  ThreeDsSplineParams s{};
  s.flags = flags;
  s.tension = t;
  s.continuity = c;
  s.bias = b;
  s.easeTo = to;
  s.easeFrom = from;
  return s;
}

inline ThreeDsWriterObject box(const std::string& name, float size, const std::string& material) {
  ThreeDsWriterObject o;
  o.name = name;
  for (int i = 0; i < 8; ++i)
    o.vertices.push_back({(i & 1) ? size : -size, (i & 2) ? size : -size, (i & 4) ? size : -size});
  for (int i = 0; i < 8; ++i) o.uvs.push_back({(i & 1) ? 1.0f : 0.0f, (i & 2) ? 0.75f : 0.25f});
  const uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  for (const auto& q : quads) {
    o.faces.push_back({q[0], q[1], q[2], 0x7});
    o.faces.push_back({q[0], q[2], q[3], static_cast<uint16_t>(0x3 | 0x8 | 0x10)});
  }
  ThreeDsWriterFaceGroup g;
  g.material = material;
  for (uint16_t f = 0; f < 12; f += 2) g.faces.push_back(f);
  o.faceGroups.push_back(g);
  o.xAxis = {1, 0.5f, 0};
  o.yAxis = {0, 1, 0.25f};
  o.zAxis = {0.125f, 0, 1};
  o.origin = {10, 20, 30};
  return o;
}

// A scene with every chunk the writer can produce.
inline ThreeDsWriterScene sampleScene() {
  ThreeDsWriterScene s;
  ThreeDsWriterMaterial red;
  red.name = "Red";
  red.ambient[0] = 200;
  red.ambient[1] = 10;
  red.ambient[2] = 20;
  red.textureFile = "REDWALL.RGB";
  red.textureAmount = 77;
  ThreeDsWriterMaterial plain;
  plain.name = "Plain";
  plain.ambient[0] = 1;
  plain.ambient[1] = 2;
  plain.ambient[2] = 3;
  s.materials = {red, plain};
  s.objects = {box("Cube", 10, "Red"), box("Small", 2, "Plain")};
  s.objects[1].uvs.clear();
  s.objects[1].writeMatrix = false;
  ThreeDsWriterCamera cam;
  cam.name = "Camera01";
  cam.position = {-100, 20, 5};
  cam.target = {0, 1, 2};
  cam.bank = 3.5f;
  cam.lens = 35;
  s.cameras = {cam};
  s.lights = {{"Omni01", {5, 6, 7}}};
  s.startFrame = 10;
  s.endFrame = 250;

  ThreeDsWriterNode cube;
  cube.name = "Cube";
  cube.nodeId = 0;
  cube.pivot = {1, 2, 3};
  cube.positionKeys = {{0, spline(0, 0, 0, 0, 0, 0), {0, 0, 0}},
                       {100, spline(0x001F, 0.5f, -0.5f, 0.25f, 1, 0.75f), {10, 20, 30}}};
  cube.rotationKeys = {{0, spline(0x0021, 0.3f, 0, 0, 0, 0), {0, {0, 1, 0}}},
                       {50, spline(0x0004, 0, 0, -1, 0, 0), {1.5f, {1, 0, 0}}}};
  cube.scaleKeys = {{0, spline(0, 0, 0, 0, 0, 0), {1, 1, 1}}};
  cube.morphKeys = {{20, spline(0x0002, 0, 0.125f, 0, 0, 0), "Small"}};
  ThreeDsWriterNode small;
  small.name = "Small";
  small.nodeId = 1;
  small.parent = 0;
  small.positionKeys = {{0, spline(0, 0, 0, 0, 0, 0), {4, 5, 6}}};
  ThreeDsWriterNode camPos;
  camPos.kind = ThreeDsNodeKind::cameraPosition;
  camPos.name = "Camera01";
  camPos.nodeId = 2;
  camPos.positionKeys = {{0, spline(0, 0, 0, 0, 0, 0), {-100, 20, 5}}};
  camPos.fovKeys = {{0, spline(0x0008, 0, 0, 0, 2, 0), 45.0f}};
  camPos.rollKeys = {{0, spline(0, 0, 0, 0, 0, 0), 0.0f}, {200, spline(0x0010, 0, 0, 0, 0, 3), 90.0f}};
  ThreeDsWriterNode camTarget;
  camTarget.kind = ThreeDsNodeKind::cameraTarget;
  camTarget.name = "Camera01";
  camTarget.nodeId = 3;
  camTarget.positionKeys = {{0, spline(0, 0, 0, 0, 0, 0), {0, 1, 2}}};
  ThreeDsWriterNode spotPos;
  spotPos.kind = ThreeDsNodeKind::spotlightPosition;
  spotPos.name = "Spot";
  spotPos.nodeId = 4;
  ThreeDsWriterNode spotTarget;
  spotTarget.kind = ThreeDsNodeKind::spotlightTarget;
  spotTarget.name = "Spot";
  spotTarget.nodeId = 5;
  ThreeDsWriterNode omni;
  omni.kind = ThreeDsNodeKind::omnilightPosition;
  omni.name = "Omni01";
  omni.nodeId = 6;
  omni.positionKeys = {{0, spline(0, 0, 0, 0, 0, 0), {5, 6, 7}}};
  s.nodes = {cube, small, camPos, camTarget, spotPos, spotTarget, omni};
  return s;
}

}  // namespace threeds_sample
