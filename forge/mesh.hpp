// Small value-like meshes the forge builds its 3DS scenes from: positions, texture
// coordinates and triangles tagged with a material, the shapes (panels, boxes,
// tubes, spheres, tori, gears, surfaces, lathes, beams) that fill them, and the
// writer's object made of one. Coordinates are the engine's, y up. Every shape says
// which side faces the viewer; the triangles are wound so that the engine's
// back-face rule shows that side.
#pragma once
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/enginemath.hpp"
#include "engine/threeds_writer.hpp"

namespace mesh {

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator-(const Vector3& a) { return {-a.x, -a.y, -a.z}; }
inline Vector3 operator*(const Vector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector3 operator*(float s, const Vector3& a) { return a * s; }
inline float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vector3& a) { return std::sqrt(dot(a, a)); }
// The vector scaled to length 1 (a zero vector stays zero).
inline Vector3 unit(const Vector3& a) {
  float l = length(a);
  return l > 0 ? a * (1.0f / l) : a;
}
inline Vector3 lerp(const Vector3& a, const Vector3& b, float t) { return a + (b - a) * t; }

// A texture position: u across, v down the picture; 1 is the texture's size, and
// larger values repeat it.
struct Uv {
  float u = 0, v = 0;
};
// The part of the texture a surface shows: (u0, v0) at its first corner.
struct UvRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
  Uv at(float s, float t) const { return {u0 + (u1 - u0) * s, v0 + (v1 - v0) * t}; }
};
// One of the four quarters of a texture used as an atlas: 0 top left, 1 top right,
// 2 bottom left, 3 bottom right (a texel inside its border, so that neighbouring
// quarters never show at its edges).
UvRect quarter(int index);

struct Triangle {
  uint16_t a, b, c;
  uint8_t material;
};

struct Mesh {
  std::vector<Vector3> positions;
  std::vector<Uv> uvs;
  std::vector<Triangle> triangles;
};

// Where a shape stands: its local axes and origin in the mesh's space (the axes may
// be scaled; they need not be unit length).
struct Placement {
  Vector3 origin{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  Vector3 point(const Vector3& p) const { return origin + x * p.x + y * p.y + z * p.z; }
  Vector3 direction(const Vector3& d) const { return x * d.x + y * d.y + z * d.z; }
};
inline Placement placedAt(const Vector3& origin) { return Placement{origin}; }
// Unit axes with local z along `axis`, x and y across it.
Placement alongAxis(const Vector3& origin, const Vector3& axis);
// Unit axes with local z along `axis` and local y turned as near to `towards` as it
// can be (a tube's u = 0.25 faces that way).
Placement alongAxisToward(const Vector3& origin, const Vector3& axis, const Vector3& towards);
// The placement turned by `degrees` about its own local axis (0 x, 1 y, 2 z).
Placement turned(const Placement& p, int localAxis, float degrees);

uint16_t addVertex(Mesh& m, const Vector3& p, Uv uv);
// A triangle that shows its front to a viewer on the side `facing` points to.
void addTriangle(Mesh& m, uint16_t a, uint16_t b, uint16_t c, const Vector3& facing, uint8_t material);
// A parallelogram from `corner` along edgeU and edgeV, cut into nu x nv quads (finer
// cuts keep the affine rasterizer's texture straight); the texture's (u0, v0) sits at
// the corner, u runs along edgeU and v along edgeV.
void addPanel(Mesh& m, const Vector3& corner, const Vector3& edgeU, const Vector3& edgeV, int nu, int nv,
              UvRect uv, const Vector3& facing, uint8_t material);
// A quadrilateral p0 p1 p2 p3 (in order round it) as two triangles, textured as
// p0 (u0, v0), p1 (u1, v0), p2 (u1, v1), p3 (u0, v1).
void addQuad(Mesh& m, const Vector3& p0, const Vector3& p1, const Vector3& p2, const Vector3& p3, UvRect uv,
             const Vector3& facing, uint8_t material);

// How one face of a box looks: its material and texture part, or left out; `cuts`
// splits it into cuts x cuts quads.
struct FaceLook {
  uint8_t material = 0;
  UvRect uv{};
  bool skip = false;
  int cuts = 1;
};
// Faces in the order +x, -x, +y, -y, +z, -z (local axes of the placement).
using BoxLooks = std::array<FaceLook, 6>;
BoxLooks allFaces(uint8_t material, UvRect uv = {});

// A box of half sizes `half` about the placement's origin. Side faces carry their
// texture upright (v down local y); the top and bottom run u along x, v along z.
// Inward boxes show their inside (rooms).
void addBox(Mesh& m, const Placement& p, const Vector3& half, const BoxLooks& looks, bool inward = false);

// A tube along local z from 0 to `length`, radius r0 at the start and r1 at the end,
// open at both ends; u runs round it (from local +x), v along it.
void addTube(Mesh& m, const Placement& p, float r0, float r1, float length, int sides, UvRect uv, uint8_t material,
             bool inward = false);
// A flat disc of radius r in the local xy plane at z = z0, facing local +z (or -z),
// textured by projection onto the rectangle.
void addDisc(Mesh& m, const Placement& p, float r, float z0, int sides, UvRect uv, uint8_t material,
             bool facingPlusZ);
// A flat ring between radii rInner and rOuter in the local xy plane at z = z0,
// facing local +z (or -z); u runs round it, v from the inner edge out.
void addRing(Mesh& m, const Placement& p, float rInner, float rOuter, float z0, int sides, UvRect uv,
             uint8_t material, bool facingPlusZ);
// An ellipsoid of radii (rx, ry, rz) with its poles on local y; u runs round, v from
// the top pole down. radiusAt(u, v), given, scales the radius at each point of the
// grid (fractions 0..1 round and down; each pole is one point, taken at u = 0), so
// that blobs and rocks can bulge.
using SphereRadius = std::function<float(float u, float v)>;
void addSphere(Mesh& m, const Placement& p, const Vector3& radii, int rings, int segments, UvRect uv,
               uint8_t material, bool inward = false, const SphereRadius& radiusAt = nullptr);
// A ring about local z: `ringRadius` to the centre of its round section of radius
// `tubeRadius`.
void addTorus(Mesh& m, const Placement& p, float ringRadius, float tubeRadius, int segments, int sides, UvRect uv,
              uint8_t material);

// A spur gear about local z, its front face at z = thickness/2 facing +z, its back
// at -thickness/2. The faces are textured by projection onto faceUv (the tip circle
// touching the rectangle's edges); the rim and the hole run u round and v across.
// A solid face is one slice per tooth pitch from the centre plus the tooth itself,
// so that it has few long thin triangles (each costs the rasterizer a row walk).
struct GearShape {
  int teeth = 12;
  float rootRadius = 1, tipRadius = 1.2f;
  float holeRadius = 0;  // 0: solid
  float thickness = 0.3f;
  bool back = true;  // false: no back face (gears against a wall)
};
void addGear(Mesh& m, const Placement& p, const GearShape& g, UvRect faceUv, uint8_t faceMaterial, UvRect rimUv,
             uint8_t rimMaterial);

// A surface over a grid of columns x rows quads: at(s, r) places the point at column
// fraction s and row fraction r (0..1 each), and the texture follows them, u with s
// and v with r over `uv`. Its front is the side from which the rows run down and the
// columns from right to left (a picture mapped with u0 < u1 shows mirrored there).
// A closed shape repeats its first column's points as its last, so the seam gets
// texture coordinates of its own.
void addSurface(Mesh& m, int columns, int rows, const std::function<Vector3(float s, float r)>& at, UvRect uv,
                uint8_t material);

// A surface of revolution round the vertical line through `base`: profile points
// (radius, height) from the bottom up, each with its texture row v. Faces outward
// unless `inward`; u runs once round from u0 to u1.
struct ProfilePoint {
  float radius, height, v;
};
void addLathe(Mesh& m, const Vector3& base, const std::vector<ProfilePoint>& profile, int segments, float u0,
              float u1, uint8_t material, bool inward = false);

// A round tube along a path, its cross-section carried along without twisting (a
// loop spreads the twist it comes back with evenly round itself). radiusAt(r) gives
// the radius at path fraction r; u runs round the tube over uv.u0..u1, v along the
// path over uv.v0..v1.
void addTubeAlong(Mesh& m, const std::vector<Vector3>& path, int sides, const std::function<float(float r)>& radiusAt,
                  bool loop, UvRect uv, uint8_t material);

// A square beam between two points, `width` across, its cross-section turned by `up`;
// the four long sides show `side` (u across, v from `from` to `to`), the ends are
// open.
void addBeam(Mesh& m, const Vector3& from, const Vector3& to, float width, const Vector3& up, UvRect side,
             uint8_t material);

// Everything of `src` added to `dst`, its positions moved by the placement.
void appendMesh(Mesh& dst, const Mesh& src, const Placement& p);

// The writer's object of the mesh: its faces grouped by material in the order of
// first use, named from `materials`, which the triangles' indices point into (a
// triangle whose material is not in it stays in no group). The mesh matrix is the
// identity, so the vertices are read as given.
ThreeDsWriterObject toWriterObject(const std::string& name, const Mesh& m,
                                   const std::vector<ThreeDsWriterMaterial>& materials);

}  // namespace mesh
