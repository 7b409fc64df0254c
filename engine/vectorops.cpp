// Vector, matrix and quaternion operations of the engine.
#include "engine/vectorops.hpp"

#include <cmath>

const Matrix4 kIdentityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

float dotProduct(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 crossProduct(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float vectorLength(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3 normalised(const Vector3& v) {
  float len = vectorLength(v);
  if (!(len > 0.0f)) return {0.0f, 0.0f, 1.0f};
  float inv = 1.0f / len;
  return {v.x * inv, v.y * inv, v.z * inv};
}

Matrix4 translationMatrix(const Vector3& t) {
  Matrix4 m = kIdentityMatrix;
  m.m[12] = t.x;
  m.m[13] = t.y;
  m.m[14] = t.z;
  return m;
}

Matrix4 scaleMatrix(const Vector3& s) {
  Matrix4 m = kIdentityMatrix;
  m.m[0] = s.x;
  m.m[5] = s.y;
  m.m[10] = s.z;
  return m;
}

Matrix4 rotationMatrix(const Quaternion& q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  Matrix4 m = kIdentityMatrix;
  m.m[0] = 1.0f - 2.0f * (y * y + z * z);
  m.m[1] = 2.0f * (x * y + w * z);
  m.m[2] = 2.0f * (x * z - w * y);
  m.m[4] = 2.0f * (x * y - w * z);
  m.m[5] = 1.0f - 2.0f * (x * x + z * z);
  m.m[6] = 2.0f * (y * z + w * x);
  m.m[8] = 2.0f * (x * z + w * y);
  m.m[9] = 2.0f * (y * z - w * x);
  m.m[10] = 1.0f - 2.0f * (x * x + y * y);
  return m;
}

void multiplyMatrices(Matrix4& out, const Matrix4& a, const Matrix4& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[4 * r + c] = a.m[4 * r] * b.m[c] + a.m[4 * r + 1] * b.m[4 + c] + a.m[4 * r + 2] * b.m[8 + c] +
                         a.m[4 * r + 3] * b.m[12 + c];
}

Vector3 transformPoint(const Vector3& p, const Matrix4& m) {
  return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12], p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
          p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

Vector3 transformDirection(const Vector3& v, const Matrix4& m) {
  return {v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8], v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9],
          v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10]};
}

Quaternion quaternionProduct(const Quaternion& a, const Quaternion& b) {
  return {a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z), a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y),
          a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z), a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x)};
}

Quaternion slerp(const Quaternion& a, const Quaternion& b, float u) {
  double c = double(a.w) * b.w + double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
  double wa, wb;
  if (std::fabs(c) < 1.0) {
    double theta = std::acos(c);
    double s = std::sin(theta);
    wa = std::sin((1.0 - u) * theta) / s;
    wb = std::sin(u * theta) / s;
  } else {
    wa = 1.0 - u;
    wb = u;
  }
  return {float(wa * a.w + wb * b.w), float(wa * a.x + wb * b.x), float(wa * a.y + wb * b.y),
          float(wa * a.z + wb * b.z)};
}
