// Assembles a keyframed 3DS scene for the writer from meshes, key tables and target
// cameras. Meshes are modelled in place, in the scene's rest space; an object turns
// about its pivot, and its position keys put that pivot in its parent's frame (at
// rest: its pivot minus the parent's). Rotation keys are absolute orientations; the
// file's relative steps are worked out as they are set, each the short way round.
// Motion given as a formula becomes keys through sampleKeys and alongStages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/enginemath.hpp"
#include "engine/threeds_writer.hpp"
#include "forge/mesh.hpp"

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
  // A target camera whose eye and target follow keys of their own; its field of view
  // and roll stay as given.
  void addCamera(const std::string& name, const std::vector<PositionKey>& eye, const std::vector<PositionKey>& target,
                 float fov, float roll = 0);
  // The engine draws objects in file order, and a pixel drawn over costs more than
  // one skipped as hidden: a scene built parents first can list its objects the
  // other way round, nearest first (the nodes keep their order).
  void reverseDrawingOrder();

  uint32_t faceCount() const;
  // False when the scene does not fit the file's limits.
  bool write(std::vector<uint8_t>& out) const;

 private:
  struct CameraTracks {
    std::vector<ThreeDsWriterKey<Vector3>> eye, target;
    std::vector<ThreeDsWriterKey<float>> fov, roll;
  };
  void addCameraTracks(const std::string& name, const CameraTracks& tracks);

  ThreeDsWriterScene scene_;
  std::vector<Vector3> pivots_;
};

// Keys every `step` frames from `first` to `last` (inclusive, last always included)
// sampled from a function of the frame: for motion given as a formula.
template <typename Key, typename KeyAt>
std::vector<Key> sampleKeys(int first, int last, int step, KeyAt at) {
  std::vector<Key> keys;
  for (int f = first; f < last; f += step) keys.push_back(at(f));
  keys.push_back(at(last));
  return keys;
}

// A steady turn of degreesPerFrame about `axis` from frame 0 on, keyed every `step`
// frames up to lastFrame (each step less than half a turn).
std::vector<RotationKey> steadyTurn(const Vector3& axis, float degreesPerFrame, int lastFrame, int step);

// Column `value` of a table of stages (rows with an int `frame`, in order) at frame
// f: a smooth curve through every row, with tangents from the neighbouring rows
// and flat at the first and the last.
template <typename Row>
float alongStages(const Row* rows, size_t count, float Row::*value, float f) {
  if (f <= float(rows[0].frame)) return rows[0].*value;
  size_t i = 0;
  while (i + 2 < count && f >= float(rows[i + 1].frame)) ++i;
  if (f >= float(rows[count - 1].frame)) return rows[count - 1].*value;
  const float t0 = float(rows[i].frame), t1 = float(rows[i + 1].frame), span = t1 - t0;
  auto slope = [&](size_t k) {
    if (k == 0 || k + 1 == count) return 0.0f;
    return (rows[k + 1].*value - rows[k - 1].*value) / float(rows[k + 1].frame - rows[k - 1].frame) * span;
  };
  const float s = (f - t0) / span, p0 = rows[i].*value, p1 = rows[i + 1].*value;
  const float m0 = slope(i), m1 = slope(i + 1);
  return p0 * (2 * s * s * s - 3 * s * s + 1) + m0 * (s * s * s - 2 * s * s + s) + p1 * (-2 * s * s * s + 3 * s * s) +
         m1 * (s * s * s - s * s);
}
