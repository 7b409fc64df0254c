// Assembly helpers for the forge's 3DS scenes.
#include "forge/scene_build.hpp"

#include <cmath>

namespace {
constexpr double kDegree = 3.14159265358979323846 / 180.0;

Orientation conjugate(const Orientation& q) { return {q.w, -q.x, -q.y, -q.z}; }

// The file's rotation value: angle (radians) about a unit axis.
ThreeDsWriterRotation axisAngle(const Orientation& q) {
  double w = std::fmax(-1.0, std::fmin(1.0, q.w));
  double s = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
  if (s < 1e-9) return {0.0f, {0, 0, 1}};
  return {float(2.0 * std::atan2(s, w)), {float(q.x / s), float(q.y / s), float(q.z / s)}};
}
}  // namespace

ThreeDsSplineParams tcb(float tension, float continuity, float bias) {
  ThreeDsSplineParams s{};
  s.flags = 0x7;
  s.tension = tension;
  s.continuity = continuity;
  s.bias = bias;
  return s;
}

Orientation turn(Vector3 axis, double degrees) {
  double l = std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y + double(axis.z) * axis.z);
  if (l == 0) return {};
  double h = degrees * kDegree * 0.5, s = std::sin(h) / l;
  return {std::cos(h), axis.x * s, axis.y * s, axis.z * s};
}

Orientation operator*(const Orientation& a, const Orientation& b) {
  return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

void addMaterial(ThreeDsWriterScene& scene, const std::string& name, const std::string& textureFile) {
  ThreeDsWriterMaterial m;
  m.name = name;
  m.textureFile = textureFile;
  scene.materials.push_back(m);
}

uint16_t addPart(ThreeDsWriterScene& scene, const std::string& name, const Mesh& mesh, ThreeDsWriterNode node) {
  scene.objects.push_back(toWriterObject(name, mesh));
  node.name = name;
  node.nodeId = uint16_t(scene.nodes.size());
  scene.nodes.push_back(node);
  return node.nodeId;
}

ThreeDsWriterNode objectNode(const std::string& name, uint16_t id, uint16_t parent, Vector3 pivot) {
  ThreeDsWriterNode n;
  n.kind = ThreeDsNodeKind::object;
  n.name = name;
  n.nodeId = id;
  n.parent = parent;
  n.pivot = pivot;
  return n;
}

void addPositionKeys(ThreeDsWriterNode& node, const std::vector<PositionKey>& keys) {
  for (const PositionKey& k : keys) node.positionKeys.push_back({k.frame, k.spline, k.value});
}

void addScaleKeys(ThreeDsWriterNode& node, const std::vector<PositionKey>& keys) {
  for (const PositionKey& k : keys) node.scaleKeys.push_back({k.frame, k.spline, k.value});
}

void addOrientationKeys(ThreeDsWriterNode& node, const std::vector<OrientationKey>& keys) {
  // The engine multiplies each key's turn onto the orientation reached so far, so
  // each key stores the turn from the previous orientation (taken along the short way).
  Orientation reached;
  for (size_t i = 0; i < keys.size(); ++i) {
    Orientation step = i == 0 ? keys[0].value : conjugate(reached) * keys[i].value;
    if (step.w < 0) step = {-step.w, -step.x, -step.y, -step.z};
    reached = i == 0 ? step : reached * step;
    node.rotationKeys.push_back({keys[i].frame, keys[i].spline, axisAngle(step)});
  }
}

void holdStill(ThreeDsWriterNode& node, Vector3 position) {
  addPositionKeys(node, {{0, position}});
  addOrientationKeys(node, {{0, {}}});
  addScaleKeys(node, {{0, {1, 1, 1}}});
}

void addTargetCamera(ThreeDsWriterScene& scene, const std::string& name, uint16_t firstId,
                     const std::vector<PositionKey>& eye, const std::vector<PositionKey>& target, float fovDegrees) {
  ThreeDsWriterCamera cam;
  cam.name = name;
  cam.position = eye.front().value;
  cam.target = target.front().value;
  // The lens of a 36 mm wide film frame with this field of view (the engine reads the keys).
  cam.lens = float(18.0 / std::tan(fovDegrees * kDegree * 0.5));
  scene.cameras.push_back(cam);
  ThreeDsWriterNode position;
  position.kind = ThreeDsNodeKind::cameraPosition;
  position.name = name;
  position.nodeId = firstId;
  addPositionKeys(position, eye);
  position.fovKeys.push_back({0, tcb(), fovDegrees});
  position.rollKeys.push_back({0, tcb(), 0.0f});
  ThreeDsWriterNode aim;
  aim.kind = ThreeDsNodeKind::cameraTarget;
  aim.name = name;
  aim.nodeId = uint16_t(firstId + 1);
  addPositionKeys(aim, target);
  scene.nodes.push_back(position);
  scene.nodes.push_back(aim);
}
