// Assembles a keyframed 3DS scene for the writer from meshes, key tables and target
// cameras. Meshes are modelled in place, in the scene's rest space; an object turns
// about its pivot, and its position keys put that pivot in its parent's frame (at
// rest: its pivot minus the parent's). Rotation keys are absolute orientations; the
// file's relative steps are worked out on writing, each the short way round.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/enginemath.hpp"
#include "forge/mesh_shapes.hpp"
#include "engine/threeds_writer.hpp"

// The key records live in a namespace of their own: scene_build.hpp has another
// PositionKey, and two classes of one name in one program make the linker share
// their std::vector code between them, whatever their sizes.
inline namespace keyframe_keys {

// Tension, continuity and bias of a key; all 0 draws a Catmull-Rom curve through the
// keys, tension 1 comes to rest at the key.
struct Tcb {
  float tension = 0, continuity = 0, bias = 0;
};
constexpr Tcb kEaseKey{1, 0, 0};

struct PositionKey {
  uint16_t frame;
  Vector3 value;
  Tcb tcb{};
};
struct RotationKey {
  uint16_t frame;
  Quaternion value;
  Tcb tcb{};
};
struct ScaleKey {
  uint16_t frame;
  Vector3 value;
  Tcb tcb{};
};
// One row of a camera path: the eye, the point it looks at, the horizontal field of
// view and the roll, in degrees.
struct CameraKey {
  uint16_t frame;
  Vector3 eye, target;
  float fov = 60, roll = 0;
  Tcb tcb{};
};

}  // namespace keyframe_keys

constexpr Quaternion kNoRotation{1, 0, 0, 0};
// A turn of `degrees` about `axis` (any length but 0).
Quaternion axisAngle(const Vector3& axis, float degrees);
// The orientation that turns by `first`, then by `second`.
Quaternion thenRotate(const Quaternion& first, const Quaternion& second);

class KeyframeScene {
 public:
  explicit KeyframeScene(uint16_t lastFrame);

  // Material indices are what mesh triangles carry.
  uint8_t addMaterial(const std::string& name, const std::string& textureFile);
  // The object and its track node (the returned index), resting where it is modelled.
  uint16_t addObject(const std::string& name, const mesh::Mesh& m, const Vector3& pivot = {0, 0, 0},
                     uint16_t parent = kThreeDsNoNode);
  // The node's position at rest: its pivot relative to its parent's.
  Vector3 restPosition(uint16_t node) const;
  void setPositions(uint16_t node, const std::vector<PositionKey>& keys);
  void setRotations(uint16_t node, const std::vector<RotationKey>& keys);
  void setScales(uint16_t node, const std::vector<ScaleKey>& keys);
  // A target camera following the path; cameras are numbered in the order added.
  void addCamera(const std::string& name, const std::vector<CameraKey>& path);

  uint32_t faceCount() const;
  // False when the scene does not fit the file's limits.
  bool write(std::vector<uint8_t>& out) const;

 private:
  ThreeDsWriterScene scene_;
  std::vector<Vector3> pivots_;
};
