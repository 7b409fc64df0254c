// Vector, matrix and look-at camera toolkit of the procedural sections. Separate
// from the 3D engine's own camera. Angles are degrees.
#pragma once

constexpr float kDegToRad = 0.0174532924f;

struct Vec3 {
  float x, y, z;
};

// Row-major: element (r, c) is m[4r + c]; points are column vectors, p' = M p.
struct Mat4 {
  float m[16];
};

struct LookCamera {
  Vec3 position;  // set by the scene
  Vec3 target;    // set by the scene
  float roll;     // set by the scene
  Vec3 right;     // computed by lookAt
  Vec3 up;        // computed by lookAt
  Vec3 forward;   // computed by lookAt
};

void normalize(Vec3& v);
void cross(Vec3& out, const Vec3& a, const Vec3& b);
void lookAt(LookCamera& camera);
void matZero(Mat4& m);
void matFromCameraAxes(const LookCamera& camera, Mat4& m);
void matFromCameraTranslation(const LookCamera& camera, Mat4& m);
void matMul(Mat4& out, const Mat4& a, const Mat4& b);
void rotateToWorld(const Vec3& v, const LookCamera& camera, Vec3& out);
