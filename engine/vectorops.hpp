// Operations on the engine's vectors, row-vector matrices and (w, x, y, z)
// quaternions. A x B applies A first; points are p' = p x M.
#pragma once
#include "engine/enginemath.hpp"

extern const Matrix4 kIdentityMatrix;

float dotProduct(const Vector3& a, const Vector3& b);
Vector3 crossProduct(const Vector3& a, const Vector3& b);
// A zero vector becomes (0, 0, 1).
Vector3 normalised(const Vector3& v);
float vectorLength(const Vector3& v);

Matrix4 translationMatrix(const Vector3& t);
Matrix4 scaleMatrix(const Vector3& s);
Matrix4 rotationMatrix(const Quaternion& q);
// out = a x b; out may not alias a or b.
void multiplyMatrices(Matrix4& out, const Matrix4& a, const Matrix4& b);
// p x M with w = 1 (the translation applies).
Vector3 transformPoint(const Vector3& p, const Matrix4& m);
// v x M without the translation.
Vector3 transformDirection(const Vector3& v, const Matrix4& m);

// Hamilton product, a on the left.
Quaternion quaternionProduct(const Quaternion& a, const Quaternion& b);
// Unnormalised slerp along whichever arc the dot product gives; u may leave [0, 1].
Quaternion slerp(const Quaternion& a, const Quaternion& b, float u);
