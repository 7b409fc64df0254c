// The 3D engine's vector, matrix and quaternion records. Matrices are row by row and
// act on row vectors (p' = p x M, translation in elements 12..14; A x B applies A
// first). Quaternions are (w, x, y, z). Points read from 3DS files already have
// their y and z exchanged.
#pragma once

struct Vector3 {
  float x, y, z;
};

struct Matrix4 {
  float m[16];
};

struct Quaternion {
  float w, x, y, z;
};
