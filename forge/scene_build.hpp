// Assembly helpers for the forge's 3DS scenes: materials, objects with their
// keyframer nodes, spline parameters, orientations as quaternions turned into the
// file's relative rotation keys, and target cameras. Vectors are in the engine's
// axes, like the mesh builders'.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "forge/mesh_build.hpp"
#include "engine/threeds_writer.hpp"

// A material whose picture is `textureFile` (the engine loads it with the
// extension replaced by ".rgb").
void addMaterial(ThreeDsWriterScene& scene, const std::string& name, const std::string& textureFile);

// Kochanek-Bartels parameters of one key (all three written to the file).
ThreeDsSplineParams tcb(float tension = 0, float continuity = 0, float bias = 0);

// An orientation: a unit quaternion (w, x, y, z) in the engine's convention.
struct Orientation {
  double w = 1, x = 0, y = 0, z = 0;
};
// Turning by `degrees` about `axis` (any length).
Orientation turn(Vector3 axis, double degrees);
// a then b: the result turns by b first, then by a (b is taken in a's frame).
Orientation operator*(const Orientation& a, const Orientation& b);

struct PositionKey {
  uint16_t frame;
  Vector3 value;
  ThreeDsSplineParams spline = tcb();
};
struct OrientationKey {
  uint16_t frame;
  Orientation value;
  ThreeDsSplineParams spline = tcb();
};

// An object node; `pivot` is the point the node turns and scales about, and its
// position keys place that point in the parent's pivot-relative space (for a top
// node, in the world).
ThreeDsWriterNode objectNode(const std::string& name, uint16_t id, uint16_t parent, Vector3 pivot);
// Appends the object `name` made of `mesh` and its node (named alike, its id its
// index); returns that index, for children to name as their parent.
uint16_t addPart(ThreeDsWriterScene& scene, const std::string& name, const Mesh& mesh, ThreeDsWriterNode node);
void addPositionKeys(ThreeDsWriterNode& node, const std::vector<PositionKey>& keys);
// Absolute orientations become the file's keys, each turning on from the previous
// one; neighbouring keys must differ by less than half a turn.
void addOrientationKeys(ThreeDsWriterNode& node, const std::vector<OrientationKey>& keys);
void addScaleKeys(ThreeDsWriterNode& node, const std::vector<PositionKey>& keys);
// A node that never moves: one key of each kind.
void holdStill(ThreeDsWriterNode& node, Vector3 position);

// A target camera named `name`: the camera record and its two nodes (position
// with field of view and roll, target), appended to the scene with ids from `firstId`.
void addTargetCamera(ThreeDsWriterScene& scene, const std::string& name, uint16_t firstId,
                     const std::vector<PositionKey>& eye, const std::vector<PositionKey>& target, float fovDegrees);

// Keys every `step` frames from `first` to `last` (inclusive, last always included)
// sampled from a function of the frame: for motion given as a formula.
template <typename Value, typename F>
std::vector<Value> sampleKeys(int first, int last, int step, F at) {
  std::vector<Value> keys;
  for (int f = first; f < last; f += step) keys.push_back(at(f));
  keys.push_back(at(last));
  return keys;
}

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
