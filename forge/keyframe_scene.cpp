// Assembling a keyframed 3DS scene for the writer.
#include "forge/keyframe_scene.hpp"

#include <algorithm>
#include <cmath>

#include "engine/vectorops.hpp"

namespace {
using namespace mesh;

ThreeDsSplineParams splineOf(const Tcb& t) {
  ThreeDsSplineParams s{};
  s.flags = uint16_t((t.tension != 0 ? 1 : 0) | (t.continuity != 0 ? 2 : 0) | (t.bias != 0 ? 4 : 0));
  s.tension = t.tension;
  s.continuity = t.continuity;
  s.bias = t.bias;
  return s;
}

Quaternion conjugate(const Quaternion& q) { return {q.w, -q.x, -q.y, -q.z}; }

// The file's rotation value of a unit quaternion with w >= 0.
ThreeDsWriterRotation toAngleAxis(const Quaternion& q) {
  float w = std::fmin(1.0f, std::fmax(-1.0f, q.w));
  float angle = 2.0f * std::acos(w);
  float s = std::sqrt(std::fmax(0.0f, 1.0f - w * w));
  if (s < 1e-6f) return {0.0f, {0, 1, 0}};
  return {angle, {q.x / s, q.y / s, q.z / s}};
}

Quaternion normalisedQ(const Quaternion& q) {
  float l = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  return {q.w / l, q.x / l, q.y / l, q.z / l};
}
}  // namespace

Quaternion axisAngle(const Vector3& axis, float degrees) {
  Vector3 a = unit(axis);
  float h = degrees * 3.14159265358979f / 360.0f;
  float s = std::sin(h);
  return {std::cos(h), a.x * s, a.y * s, a.z * s};
}

// The engine applies the right-hand factor of a product first.
Quaternion thenRotate(const Quaternion& first, const Quaternion& second) {
  return normalisedQ(quaternionProduct(second, first));
}

KeyframeScene::KeyframeScene(uint16_t lastFrame) {
  scene_.startFrame = 0;
  scene_.endFrame = lastFrame;
}

uint8_t KeyframeScene::addMaterial(const std::string& name, const std::string& textureFile) {
  ThreeDsWriterMaterial m;
  m.name = name;
  m.textureFile = textureFile;
  m.ambient[0] = m.ambient[1] = m.ambient[2] = 128;
  scene_.materials.push_back(m);
  return uint8_t(scene_.materials.size() - 1);
}

uint16_t KeyframeScene::addObject(const std::string& name, const Mesh& m, const Vector3& pivot, uint16_t parent) {
  scene_.objects.push_back(toWriterObject(name, m, scene_.materials));

  ThreeDsWriterNode n;
  n.kind = ThreeDsNodeKind::object;
  n.name = name;
  n.nodeId = uint16_t(scene_.nodes.size());
  n.parent = parent;
  n.pivot = pivot;
  pivots_.push_back(pivot);
  scene_.nodes.push_back(n);
  const uint16_t node = n.nodeId;
  setPositions(node, {{0, restPosition(node)}});
  setRotations(node, {{0, kNoRotation}});
  setScales(node, {{0, {1, 1, 1}}});
  return node;
}

Vector3 KeyframeScene::restPosition(uint16_t node) const {
  const ThreeDsWriterNode& n = scene_.nodes[node];
  Vector3 p = pivots_[node];
  return n.parent == kThreeDsNoNode ? p : p - pivots_[n.parent];
}

void KeyframeScene::setPositions(uint16_t node, const std::vector<PositionKey>& keys) {
  auto& out = scene_.nodes[node].positionKeys;
  out.clear();
  for (const PositionKey& k : keys) out.push_back({k.frame, splineOf(k.tcb), k.value});
}

void KeyframeScene::setRotations(uint16_t node, const std::vector<RotationKey>& keys) {
  auto& out = scene_.nodes[node].rotationKeys;
  out.clear();
  // What the engine will have accumulated so far; each step is taken from it.
  Quaternion reached = kNoRotation;
  for (const RotationKey& k : keys) {
    Quaternion step = normalisedQ(quaternionProduct(conjugate(reached), normalisedQ(k.value)));
    if (step.w < 0) step = {-step.w, -step.x, -step.y, -step.z};
    ThreeDsWriterRotation r = toAngleAxis(step);
    out.push_back({k.frame, splineOf(k.tcb), r});
    reached = normalisedQ(quaternionProduct(reached, step));
  }
}

void KeyframeScene::setScales(uint16_t node, const std::vector<ScaleKey>& keys) {
  auto& out = scene_.nodes[node].scaleKeys;
  out.clear();
  for (const ScaleKey& k : keys) out.push_back({k.frame, splineOf(k.tcb), k.value});
}

void KeyframeScene::addCamera(const std::string& name, const std::vector<CameraKey>& path) {
  CameraTracks t;
  for (const CameraKey& k : path) {
    const ThreeDsSplineParams s = splineOf(k.tcb);
    t.eye.push_back({k.frame, s, k.eye});
    t.target.push_back({k.frame, s, k.target});
    t.fov.push_back({k.frame, s, k.fov});
    t.roll.push_back({k.frame, s, k.roll});
  }
  addCameraTracks(name, t);
}

void KeyframeScene::addCamera(const std::string& name, const std::vector<PositionKey>& eye,
                              const std::vector<PositionKey>& target, float fov, float roll) {
  CameraTracks t;
  for (const PositionKey& k : eye) t.eye.push_back({k.frame, splineOf(k.tcb), k.value});
  for (const PositionKey& k : target) t.target.push_back({k.frame, splineOf(k.tcb), k.value});
  t.fov.push_back({eye.front().frame, {}, fov});
  t.roll.push_back({eye.front().frame, {}, roll});
  addCameraTracks(name, t);
}

void KeyframeScene::addCameraTracks(const std::string& name, const CameraTracks& t) {
  ThreeDsWriterCamera c;
  c.name = name;
  c.position = t.eye.front().value;
  c.target = t.target.front().value;
  c.bank = t.roll.front().value;
  c.lens = 18.0f / std::tan(t.fov.front().value * 3.14159265358979f / 360.0f);  // 36 mm film
  scene_.cameras.push_back(c);

  ThreeDsWriterNode eye, target;
  eye.kind = ThreeDsNodeKind::cameraPosition;
  target.kind = ThreeDsNodeKind::cameraTarget;
  eye.name = target.name = name;
  eye.nodeId = uint16_t(scene_.nodes.size());
  target.nodeId = uint16_t(eye.nodeId + 1);
  eye.positionKeys = t.eye;
  eye.fovKeys = t.fov;
  eye.rollKeys = t.roll;
  target.positionKeys = t.target;
  scene_.nodes.push_back(eye);
  scene_.nodes.push_back(target);
  pivots_.push_back({0, 0, 0});
  pivots_.push_back({0, 0, 0});
}

void KeyframeScene::reverseDrawingOrder() { std::reverse(scene_.objects.begin(), scene_.objects.end()); }

std::vector<RotationKey> steadyTurn(const Vector3& axis, float degreesPerFrame, int lastFrame, int step) {
  return sampleKeys<RotationKey>(0, lastFrame, step, [&](int f) {
    return RotationKey{uint16_t(f), axisAngle(axis, degreesPerFrame * float(f))};
  });
}

uint32_t KeyframeScene::faceCount() const {
  uint32_t n = 0;
  for (const ThreeDsWriterObject& o : scene_.objects) n += uint32_t(o.faces.size());
  return n;
}

bool KeyframeScene::write(std::vector<uint8_t>& out) const { return writeThreeDs(scene_, out); }
