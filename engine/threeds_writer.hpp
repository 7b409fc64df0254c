// Writes 3DS files in the chunk subset the engine's reader understands, so the forge
// can design its scenes in code. Every vector is given as the reader stores it (y and
// z exchanged against the file); the writer exchanges them back, so a written scene
// reads back field for field.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/enginemath.hpp"
#include "engine/threeds.hpp"

struct ThreeDsWriterFace {
  uint16_t a, b, c;
  uint16_t flags;  // bit 0 edge CA, 1 edge BC, 2 edge AB, 3 wrap U, 4 wrap V
};

struct ThreeDsWriterUv {
  float u, v;
};

// The faces that use one material.
struct ThreeDsWriterFaceGroup {
  std::string material;
  std::vector<uint16_t> faces;
};

struct ThreeDsWriterObject {
  std::string name;
  std::vector<Vector3> vertices;
  std::vector<ThreeDsWriterUv> uvs;  // empty: no mapping coordinates chunk
  std::vector<ThreeDsWriterFace> faces;
  std::vector<ThreeDsWriterFaceGroup> faceGroups;
  bool writeMatrix = true;
  Vector3 xAxis{1, 0, 0};
  Vector3 yAxis{0, 1, 0};
  Vector3 zAxis{0, 0, 1};
  Vector3 origin{0, 0, 0};
};

struct ThreeDsWriterMaterial {
  std::string name;
  uint8_t ambient[3] = {0, 0, 0};
  std::string textureFile;  // empty: no texture map chunk
  uint16_t textureAmount = 100;
};

struct ThreeDsWriterCamera {
  std::string name;
  Vector3 position{0, 0, 0};
  Vector3 target{0, 0, 1};
  float bank = 0;
  float lens = 50;
};

// An omni light, or with `spotlight` set a spotlight aimed at `target` with its
// hotspot and falloff cones (degrees). The reader keeps only the name.
struct ThreeDsWriterLight {
  std::string name;
  Vector3 position{0, 0, 0};
  bool spotlight = false;
  Vector3 target{0, 0, 0};
  float hotspot = 30.0f;
  float falloff = 45.0f;
};

struct ThreeDsWriterRotation {
  float angle;  // radians
  Vector3 axis;
};

// One key: its frame, its spline parameters (a parameter is written for every set
// flag bit; bits 5 to 15 write 0) and its value.
template <typename Value>
struct ThreeDsWriterKey {
  uint16_t frame = 0;
  ThreeDsSplineParams spline{};
  Value value{};
};

struct ThreeDsWriterNode {
  ThreeDsNodeKind kind = ThreeDsNodeKind::object;
  std::string name;
  uint16_t nodeId = 0;
  uint16_t parent = kThreeDsNoNode;
  Vector3 pivot{0, 0, 0};
  std::vector<ThreeDsWriterKey<Vector3>> positionKeys;
  std::vector<ThreeDsWriterKey<ThreeDsWriterRotation>> rotationKeys;
  std::vector<ThreeDsWriterKey<Vector3>> scaleKeys;
  std::vector<ThreeDsWriterKey<float>> fovKeys;
  std::vector<ThreeDsWriterKey<float>> rollKeys;
  std::vector<ThreeDsWriterKey<std::string>> morphKeys;
};

struct ThreeDsWriterScene {
  std::vector<ThreeDsWriterMaterial> materials;
  std::vector<ThreeDsWriterObject> objects;
  std::vector<ThreeDsWriterCamera> cameras;
  std::vector<ThreeDsWriterLight> lights;
  bool writeKeyframer = true;
  uint32_t startFrame = 0;
  uint32_t endFrame = 100;
  std::vector<ThreeDsWriterNode> nodes;
};

// Appends the file's bytes to out. False (and out unchanged) when a list does not fit
// its 16-bit count or a face or group names an index that does not exist.
bool writeThreeDs(const ThreeDsWriterScene& scene, std::vector<uint8_t>& out);
