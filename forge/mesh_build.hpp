// Geometry builders for the forge's 3DS scenes: a mesh value that collects
// vertices, texture coordinates and faces, and small shapes added to it.
//
// Conventions: positions are in the engine's axes (y up; the writer exchanges y and
// z for the file). A face is given counter-clockwise as seen from its front, the
// side a camera sees; the builder stores it the way the engine's back-face test
// wants. Texture coordinates are (u, t): u across the 256-texel picture, t down it
// from its top row, both 0..1 over the picture.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/enginemath.hpp"
#include "engine/threeds_writer.hpp"

// Small vector arithmetic for building shapes.
inline Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator*(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vector3 normalised(Vector3 v);

// A rectangle of the texture in (u, t).
struct UvRect {
  float u0 = 0, t0 = 0, u1 = 1, t1 = 1;
};

struct Mesh {
  std::vector<Vector3> vertices;
  std::vector<ThreeDsWriterUv> uvs;
  std::vector<ThreeDsWriterFace> faces;
  std::vector<uint8_t> faceMaterial;   // index into materials, one per face
  std::vector<std::string> materials;  // names in order of first use
  uint8_t current = 0;
};

// Later faces use this material (added to the mesh's list on first use).
void useMaterial(Mesh& m, const std::string& material);
uint16_t addVertex(Mesh& m, Vector3 p, float u, float t);
void addTriangle(Mesh& m, uint16_t a, uint16_t b, uint16_t c);
// a, b, c, d counter-clockwise seen from the front.
void addQuad(Mesh& m, uint16_t a, uint16_t b, uint16_t c, uint16_t d);

// A surface over a (columns x rows) grid of the unit square: at(s, r) places the
// point of column fraction s and row fraction r; texture u follows s, t follows r
// over `uv`. Its front is the side from which s grows to the right while r grows
// downwards. A closed shape repeats its first column's points as its last, so the
// seam gets texture coordinates of its own.
void addSurface(Mesh& m, int columns, int rows, const std::function<Vector3(float s, float r)>& at, UvRect uv = {});

// An axis-aligned box, faces outward; per-face texture rectangles in the order
// +x, -x, +y, -y, +z, -z (the whole picture on every face by default).
struct BoxFaces {
  UvRect face[6];
};
void addBox(Mesh& m, Vector3 centre, Vector3 half, const BoxFaces& uv = {});

// A square beam between two points, `width` across; `up` turns its cross-section.
// The four long sides show `side` (u across, t from `from` to `to`); the two ends
// show *ends, or are left open when ends is null (say, where joints hide them).
void addBeam(Mesh& m, Vector3 from, Vector3 to, float width, Vector3 up, UvRect side, const UvRect* ends = nullptr);

// A surface of revolution around the vertical line through `base`: profile points
// (radius, height) from the bottom up, each with its picture row t. Faces outward
// unless `inward`; u runs once round from u0 to u1.
struct ProfilePoint {
  float radius, height, t;
};
void addLathe(Mesh& m, Vector3 base, const std::vector<ProfilePoint>& profile, int segments, float u0 = 0, float u1 = 1,
              bool inward = false);

// A sphere of `rings` x `segments` faces, outward; radiusAt(s, r) scales the radius
// per point (1 for a true sphere) so blobs can bulge.
void addSphere(Mesh& m, Vector3 centre, float radius, int rings, int segments, UvRect uv = {},
               const std::function<float(float s, float r)>& radiusAt = nullptr);

// A round tube along a path: the cross-section is carried along without twisting.
// radiusAt(r) gives the radius at path fraction r; with `loop` the path closes.
// u runs round the tube over uv.u0..u1, t along the path over uv.t0..t1.
void addTube(Mesh& m, const std::vector<Vector3>& path, int sides, const std::function<float(float r)>& radiusAt,
             bool loop, UvRect uv);

// The writer's object: faces grouped by material, the mesh matrix the identity, so
// the vertices are read as given (the object's pivot is subtracted by the engine).
ThreeDsWriterObject toWriterObject(const std::string& name, const Mesh& m);
