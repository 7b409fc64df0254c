// The vector helpers and look-at camera of the procedural sections.
#include "scenes/common/vectors.hpp"

#include <cmath>

void normalize(Vec3& v) {
  float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len == 0.0f) return;
  float inv = 1.0f / len;
  v = {v.x * inv, v.y * inv, v.z * inv};
}

void cross(Vec3& out, const Vec3& a, const Vec3& b) {
  const Vec3 A = a, B = b;  // out may alias either input
  out = {A.y * B.z - A.z * B.y, A.z * B.x - A.x * B.z, A.x * B.y - A.y * B.x};
}

void lookAt(LookCamera& c) {
  float r = c.roll * kDegToRad;
  c.up = {std::sin(r), -std::cos(r), 0.0f};
  c.forward = {c.target.x - c.position.x, c.target.y - c.position.y, c.target.z - c.position.z};
  normalize(c.forward);
  cross(c.right, c.up, c.forward);
  normalize(c.right);
  cross(c.up, c.right, c.forward);
}

void matZero(Mat4& m) {
  for (float& e : m.m) e = 0.0f;
}

void matFromCameraAxes(const LookCamera& c, Mat4& m) {
  matZero(m);
  const Vec3* rows[3] = {&c.right, &c.up, &c.forward};
  for (int r = 0; r < 3; ++r) {
    m.m[4 * r + 0] = rows[r]->x;
    m.m[4 * r + 1] = rows[r]->y;
    m.m[4 * r + 2] = rows[r]->z;
  }
  m.m[15] = 1.0f;
}

void matFromCameraTranslation(const LookCamera& c, Mat4& m) {
  matZero(m);
  m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
  m.m[3] = -c.position.x;
  m.m[7] = -c.position.y;
  m.m[11] = -c.position.z;
}

void matMul(Mat4& out, const Mat4& a, const Mat4& b) {
  const Mat4 A = a, B = b;  // out may alias either input
  for (int r = 0; r < 4; ++r)
    for (int col = 0; col < 4; ++col) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += A.m[4 * r + k] * B.m[4 * k + col];
      out.m[4 * r + col] = s;
    }
}

void rotateToWorld(const Vec3& v, const LookCamera& c, Vec3& out) {
  const Vec3 in = v;
  out = {in.x * c.right.x + in.y * c.up.x + in.z * c.forward.x, in.x * c.right.y + in.y * c.up.y + in.z * c.forward.y,
         in.x * c.right.z + in.y * c.up.z + in.z * c.forward.z};
}
