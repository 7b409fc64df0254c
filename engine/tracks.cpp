// Keyframer tracks: Kochanek-Bartels splines and the rotation Bezier.
#include "engine/tracks.hpp"
#include "engine/tracks_testing.hpp"

#include <cmath>

#include "engine/vectorops.hpp"

namespace {

// A key's value as up to three doubles, so that one spline routine serves vectors
// and scalars; the arithmetic runs in double and is stored as float at the end.
template <int D>
struct Value {
  double c[D];
};

template <int D>
Value<D> operator-(const Value<D>& a, const Value<D>& b) {
  Value<D> r;
  for (int i = 0; i < D; ++i) r.c[i] = a.c[i] - b.c[i];
  return r;
}
template <int D>
Value<D> operator+(const Value<D>& a, const Value<D>& b) {
  Value<D> r;
  for (int i = 0; i < D; ++i) r.c[i] = a.c[i] + b.c[i];
  return r;
}
template <int D>
Value<D> operator*(double s, const Value<D>& a) {
  Value<D> r;
  for (int i = 0; i < D; ++i) r.c[i] = s * a.c[i];
  return r;
}

inline Value<3> valueOf(const ThreeDsPositionKey& k) { return {{k.position.x, k.position.y, k.position.z}}; }
inline Value<3> valueOf(const ThreeDsScaleKey& k) { return {{k.scale.x, k.scale.y, k.scale.z}}; }
inline Value<1> valueOf(const ThreeDsFovKey& k) { return {{k.fov}}; }
inline Value<1> valueOf(const ThreeDsRollKey& k) { return {{k.roll}}; }

// The interior tangents of key k (both neighbours exist): outgoing S and incoming D.
template <typename Key>
auto interiorOutgoing(const Key* keys, int k) {
  const ThreeDsSplineParams& p = keys[k].spline;
  auto pin = valueOf(keys[k]) - valueOf(keys[k - 1]);
  auto pout = valueOf(keys[k + 1]) - valueOf(keys[k]);
  auto l = (1.0 + p.bias) * pin;
  auto r = (1.0 - p.bias) * pout;
  return (1.0 - p.tension) * (l + (0.5 - 0.5 * p.continuity) * (r - l));
}
template <typename Key>
auto interiorIncoming(const Key* keys, int k) {
  const ThreeDsSplineParams& p = keys[k].spline;
  auto pin = valueOf(keys[k]) - valueOf(keys[k - 1]);
  auto pout = valueOf(keys[k + 1]) - valueOf(keys[k]);
  auto l = (1.0 + p.bias) * pin;
  auto r = (1.0 - p.bias) * pout;
  return (1.0 - p.tension) * (l + (0.5 + 0.5 * p.continuity) * (r - l));
}

// Frame differences are taken in integers and divided as floats.
inline double frameRatio(int num, int den) { return den != 0 ? double(2 * num) / double(den) : 1.0; }

// The key that starts the segment holding f (t_0 < f < t_(n-1)): the largest index
// whose frame is not above f. Linear from the first key every time.
template <typename Key>
int findSegment(const Key* keys, int n, float f) {
  int i = 0;
  while (i < n && f >= float(keys[i].frame)) ++i;
  return i - 1;
}

template <typename Key>
bool evaluateSpline(const Key* keys, int n, float f, decltype(valueOf(*keys))& out) {
  if (n <= 0) return false;
  if (n == 1 || f <= float(keys[0].frame)) {
    out = valueOf(keys[0]);
    return true;
  }
  if (f >= float(keys[n - 1].frame)) {
    out = valueOf(keys[n - 1]);
    return true;
  }
  const int h = findSegment(keys, n, f);
  const auto p0 = valueOf(keys[h]);
  const auto p1 = valueOf(keys[h + 1]);
  const int t0 = keys[h].frame, t1 = keys[h + 1].frame;
  auto s = p1 - p0;  // outgoing tangent of key h
  auto d = p1 - p0;  // incoming tangent of key h + 1
  if (n == 2) {
    s = (1.0 - keys[0].spline.tension) * (p1 - p0);
    d = (1.0 - keys[1].spline.tension) * (p1 - p0);
  } else {
    if (h > 0) {
      s = frameRatio(t1 - t0, t1 - int(keys[h - 1].frame)) * interiorOutgoing(keys, h);
    } else {
      auto d1 = interiorIncoming(keys, 1);
      s = (1.0 - keys[0].spline.tension) * (1.5 * (p1 - p0) + (-0.5) * d1);
    }
    if (h + 1 < n - 1) {
      d = frameRatio(t1 - t0, int(keys[h + 2].frame) - t0) * interiorIncoming(keys, h + 1);
    } else {
      auto sh = interiorOutgoing(keys, h);
      d = (1.0 - keys[h + 1].spline.tension) * (1.5 * (p1 - p0) + (-0.5) * sh);
    }
  }
  const double u = (double(f) - t0) / double(t1 - t0);
  const double u2 = u * u, u3 = u2 * u;
  out = (2 * u3 - 3 * u2 + 1) * p0 + (u3 - 2 * u2 + u) * s + (-2 * u3 + 3 * u2) * p1 + (u3 - u2) * d;
  return true;
}

inline Vector3 toVector(const Value<3>& v) { return {float(v.c[0]), float(v.c[1]), float(v.c[2])}; }

}  // namespace

bool evaluatePositionTrack(const ThreeDsPositionKey* keys, int count, float f, Vector3& out) {
  Value<3> v;
  if (!evaluateSpline(keys, count, f, v)) return false;
  out = toVector(v);
  return true;
}

bool evaluateScaleTrack(const ThreeDsScaleKey* keys, int count, float f, Vector3& out) {
  Value<3> v;
  if (!evaluateSpline(keys, count, f, v)) return false;
  out = toVector(v);
  return true;
}

bool evaluateFovTrack(const ThreeDsFovKey* keys, int count, float f, float& out) {
  Value<1> v;
  if (!evaluateSpline(keys, count, f, v)) return false;
  out = float(v.c[0]);
  return true;
}

bool evaluateRollTrack(const ThreeDsRollKey* keys, int count, float f, float& out) {
  Value<1> v;
  if (!evaluateSpline(keys, count, f, v)) return false;
  out = float(v.c[0]);
  return true;
}

bool evaluateRotationTrack(const ThreeDsRotationKey* keys, int n, float f, Quaternion& out) {
  if (n <= 0) return false;
  if (n == 1 || f <= float(keys[0].frame)) {
    out = keys[0].quaternion;
    return true;
  }
  if (f >= float(keys[n - 1].frame)) {
    out = keys[n - 1].quaternion;
    return true;
  }
  const int h = findSegment(keys, n, f);
  const Quaternion& q0 = keys[h].quaternion;
  const Quaternion& q1 = keys[h + 1].quaternion;
  const ThreeDsSplineParams& p0 = keys[h].spline;
  const ThreeDsSplineParams& p1 = keys[h + 1].spline;

  // Outgoing control point of key h.
  Quaternion a;
  if (n == 2) {
    a = slerp(q0, q1, (1.0f - p0.tension) / 3.0f);
  } else if (h == 0) {
    a = slerp(q0, q1, (1.0f - p0.tension) * (1.0f + p0.continuity * p0.bias) / 3.0f);
  } else {
    Quaternion g0 = slerp(q0, keys[h - 1].quaternion, -(1.0f + p0.bias) / 3.0f);
    Quaternion g1 = slerp(q0, q1, (1.0f - p0.bias) / 3.0f);
    Quaternion g2 = slerp(g0, g1, 0.5f - 0.5f * p0.continuity);
    a = slerp(q0, g2, 1.0f - p0.tension);
  }
  // Incoming control point of key h + 1.
  Quaternion b;
  if (n == 2) {
    b = slerp(q1, q0, (1.0f - p1.tension) / 3.0f);
  } else if (h + 1 == n - 1) {
    b = slerp(q1, q0, (1.0f - p1.tension) * (1.0f - p1.continuity * p1.bias) / 3.0f);
  } else {
    Quaternion g0 = slerp(q1, q0, -(1.0f + p1.bias) / 3.0f);
    Quaternion g1 = slerp(q1, keys[h + 2].quaternion, (1.0f - p1.bias) / 3.0f);
    Quaternion g2 = slerp(g0, g1, 0.5f + 0.5f * p1.continuity);
    b = slerp(q1, g2, p1.tension - 1.0f);
  }
  const float s = float((double(f) - keys[h].frame) / double(int(keys[h + 1].frame) - int(keys[h].frame)));
  Quaternion e0 = slerp(q0, a, s), e1 = slerp(a, b, s), e2 = slerp(b, q1, s);
  Quaternion f0 = slerp(e0, e1, s), f1 = slerp(e1, e2, s);
  out = slerp(f0, f1, s);
  return true;
}

void evaluateTrack(const ThreeDsTrackNode& node, TrackState& state, float f) {
  state.kind = uint8_t(node.kind);
  switch (node.kind) {
    case ThreeDsNodeKind::object: {
      evaluatePositionTrack(node.positionKeys, node.positionKeyCount, f, state.position);
      evaluateScaleTrack(node.scaleKeys, node.scaleKeyCount, f, state.scale);
      evaluateRotationTrack(node.rotationKeys, node.rotationKeyCount, f, state.rotation);
      Matrix4 sr;
      state.localRotation = rotationMatrix(state.rotation);
      multiplyMatrices(sr, scaleMatrix(state.scale), state.localRotation);
      multiplyMatrices(state.localMatrix, sr, translationMatrix(state.position));
      state.worldMatrix = state.localMatrix;
      state.worldRotation = state.localRotation;
      break;
    }
    case ThreeDsNodeKind::cameraPosition:
      evaluatePositionTrack(node.positionKeys, node.positionKeyCount, f, state.position);
      evaluateRollTrack(node.rollKeys, node.rollKeyCount, f, state.roll);
      evaluateFovTrack(node.fovKeys, node.fovKeyCount, f, state.fov);
      state.localMatrix = state.worldMatrix = state.localRotation = state.worldRotation = kIdentityMatrix;
      break;
    case ThreeDsNodeKind::cameraTarget:
    case ThreeDsNodeKind::spotlightPosition:
      evaluatePositionTrack(node.positionKeys, node.positionKeyCount, f, state.position);
      state.localMatrix = state.worldMatrix = state.localRotation = state.worldRotation = kIdentityMatrix;
      break;
    default:
      break;
  }
}

void animateScene3D(Scene3D* scene, float f, bool wrap) {
  const ThreeDsData* mesh = scene->mesh;
  const unsigned frames = mesh->frameCount;
  if (wrap && frames != 0 && f > float(frames)) {
    f = float(double(f) - std::trunc(double(f) / frames) * frames);
  }
  TrackState** tracks = scene->transformedMesh->tracks;
  for (unsigned i = 0; i < mesh->trackNodeCount; ++i) {
    const ThreeDsTrackNode& node = *mesh->trackNodes[i];
    TrackState& state = *tracks[i];
    if (node.isStatic) {
      state.worldMatrix = state.localMatrix;
      state.worldRotation = state.localRotation;
    } else {
      evaluateTrack(node, state, f);
    }
  }
}
