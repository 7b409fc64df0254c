// The fourth section's "hyper": a four-dimensional cube, its outer and inner
// cubes and their eight connecting beams glowing cyan, magenta and violet,
// tumbles above a pedestal in a dark chamber whose walls repeat its cube-in-cube
// motif, while eight blobs of hot plasma swarm round it on a wobbling ring.
//
// Layout (engine axes, y up): the chamber spans x and z from -24 to 24 and y
// from -9 (floor) to 13; six pillars stand on a circle of radius 16; the
// pedestal's top is at y = -7.6; the cube's middle is at (0, 1, 0), its outer
// cube 5 across, its inner cube 2.3. "hyper" (the cube) and "szmotyi" (the blobs)
// are drawn as glow; everything else is scenery that covers the whole frame, since
// the section draws over its previous frame without clearing it.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "forge/forge.hpp"
#include "forge/keyframe_scene.hpp"
#include "forge/mesh.hpp"
#include "forge/texture_paint.hpp"

namespace {
using namespace mesh;
using paint::Colour;
constexpr float kPi = 3.14159265f;
constexpr uint16_t kLastFrame = 600;
const Vector3 kCentre{0, 1, 0};
const Vector3 kUp{0, 1, 0};

// ---- Design tables --------------------------------------------------------------

// The scene's materials, added in the order of Look, so that a Look is its index.
enum Look : uint8_t { kGlowLook, kPlasmaLook, kWallLook, kFloorLook, kCeilingLook, kPillarLook, kPedestalLook };
struct MaterialFile {
  const char* name;
  const char* file;
};
const MaterialFile kMaterials[] = {{"hyper glow", "hyperglw.gif"},   {"plasma", "plasma.gif"},
                                   {"chamber wall", "wall.gif"},     {"chamber floor", "floor.gif"},
                                   {"chamber ceiling", "ceiling.gif"}, {"pillar", "pillar.gif"},
                                   {"pedestal", "pedestal.gif"}};

constexpr float kRoomHalf = 24, kFloorY = -9, kCeilingY = 13;

// The chamber's six sides seen from inside (surfaces: the picture's columns run
// from right to left there): the corner where the picture starts, the directions
// along its rows and down its columns, and how often the picture repeats along each.
struct Wall {
  Vector3 corner, across, down;
  float repeatU, repeatV;
  Look look;
};
const Wall kWalls[] = {
    {{kRoomHalf, kCeilingY, -kRoomHalf}, {0, 0, 2 * kRoomHalf}, {0, kFloorY - kCeilingY, 0}, 4, 2, kWallLook},
    {{-kRoomHalf, kCeilingY, kRoomHalf}, {0, 0, -2 * kRoomHalf}, {0, kFloorY - kCeilingY, 0}, 4, 2, kWallLook},
    {{kRoomHalf, kCeilingY, kRoomHalf}, {-2 * kRoomHalf, 0, 0}, {0, kFloorY - kCeilingY, 0}, 4, 2, kWallLook},
    {{-kRoomHalf, kCeilingY, -kRoomHalf}, {2 * kRoomHalf, 0, 0}, {0, kFloorY - kCeilingY, 0}, 4, 2, kWallLook},
    {{-kRoomHalf, kFloorY, -kRoomHalf}, {2 * kRoomHalf, 0, 0}, {0, 0, 2 * kRoomHalf}, 1, 1, kFloorLook},
    {{-kRoomHalf, kCeilingY, kRoomHalf}, {2 * kRoomHalf, 0, 0}, {0, 0, -2 * kRoomHalf}, 1, 1, kCeilingLook},
};

constexpr int kPillars = 6;
constexpr float kPillarRing = 16;

// The four-dimensional cube drawn in three: the outer and the inner cube (half
// sizes) with beams of these widths, joined corner to corner by the connectors.
constexpr float kOuterHalf = 2.5f, kInnerHalf = 1.15f;
constexpr float kOuterBeam = 0.2f, kInnerBeam = 0.15f, kConnectorBeam = 0.11f;
constexpr float kOuterJoint = 0.22f, kInnerJoint = 0.16f;

// The blobs: where each sits on the ring (angle in degrees, distance from the
// cube's middle, height), its size, and the seed of its lumps.
struct Blob {
  float angle, distance, height, size;
  uint32_t seed;
};
// clang-format off
const Blob kBlobs[] = {
    {  0, 5.6f,  0.8f, 0.62f, 11}, { 45, 6.2f, -1.2f, 0.42f, 12},
    { 90, 5.3f,  1.5f, 0.5f,  13}, {135, 6.0f, -0.4f, 0.7f,  14},
    {180, 5.6f,  1.1f, 0.4f,  15}, {225, 6.4f, -1.5f, 0.55f, 16},
    {270, 5.4f,  0.2f, 0.66f, 17}, {315, 6.1f,  1.8f, 0.45f, 18},
};
// clang-format on

// The camera's path (frame, angle in degrees round the cube, distance, height,
// height looked at): it swings low under the cube, climbs above it, and closes in
// for the end, where the section smears and inverts the picture.
struct CameraStage {
  int frame;
  float angle, distance, height, lookHeight;
};
const CameraStage kCameraStages[] = {
    {0, -40, 14.5f, 3.0f, 1.0f},   {150, 40, 12.0f, -2.5f, 1.5f}, {300, 150, 12.5f, 6.5f, 0.5f},
    {450, 250, 11.0f, 1.0f, 1.0f}, {600, 340, 9.5f, 2.5f, 1.0f},
};
constexpr float kFov = 62.0f;

// ---- Geometry -----------------------------------------------------------------

// Texture thirds of the glow picture: outer beams, inner beams, connectors
// (which run from cyan at their outer end to magenta at their inner end).
UvRect glowThird(int third, float t0 = 0, float t1 = 1) {
  const float e = 2.0f / 256;
  return {third / 3.0f + e, t0, (third + 1) / 3.0f - e, t1};
}

Mesh hyperMesh() {
  Mesh m;
  auto corner = [](int i, float half) {
    return kCentre + Vector3{(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half};
  };
  for (int i = 0; i < 8; ++i)
    for (int bit : {1, 2, 4}) {
      if (i & bit) continue;  // each edge once, from its lower corner
      addBeam(m, corner(i, kOuterHalf), corner(i | bit, kOuterHalf), kOuterBeam, kUp, glowThird(0), kGlowLook);
      addBeam(m, corner(i, kInnerHalf), corner(i | bit, kInnerHalf), kInnerBeam, kUp, glowThird(1), kGlowLook);
    }
  for (int i = 0; i < 8; ++i)
    addBeam(m, corner(i, kOuterHalf), corner(i, kInnerHalf), kConnectorBeam, {1, 0, 0}, glowThird(2), kGlowLook);
  // Joints: small bright cubes at the sixteen corners, cut from the beams' bright cores.
  for (int i = 0; i < 8; ++i) {
    addBox(m, placedAt(corner(i, kOuterHalf)), {kOuterJoint, kOuterJoint, kOuterJoint},
           allFaces(kGlowLook, {0.16f, 0.4f, 0.17f, 0.6f}));
    addBox(m, placedAt(corner(i, kInnerHalf)), {kInnerJoint, kInnerJoint, kInnerJoint},
           allFaces(kGlowLook, {0.49f, 0.4f, 0.5f, 0.6f}));
  }
  return m;
}

Mesh blobsMesh() {
  Mesh m;
  for (const Blob& b : kBlobs) {
    float a = b.angle * kPi / 180;
    Vector3 at = kCentre + Vector3{b.distance * std::cos(a), b.height, b.distance * std::sin(a)};
    // Lumps: the radius swells and sinks smoothly round the blob.
    addSphere(m, placedAt(at), {b.size, b.size, b.size}, 4, 6, {0, 0, 1, 1}, kPlasmaLook, false, [&](float u, float v) {
      float phase = float(b.seed);
      return 1.0f + 0.22f * std::sin(2 * kPi * u * 2 + phase) * std::sin(kPi * v * 3 + phase * 0.7f) +
             0.12f * std::cos(2 * kPi * u * 3 - phase);
    });
  }
  return m;
}

Mesh chamberMesh() {
  Mesh m;
  for (const Wall& w : kWalls)
    addSurface(m, 1, 1, [&](float s, float r) { return w.corner + w.across * s + w.down * r; },
               {0, 0, w.repeatU, w.repeatV}, w.look);
  return m;
}

Mesh pillarsMesh() {
  Mesh m;
  for (int i = 0; i < kPillars; ++i) {
    float a = (30 + 360.0f * i / kPillars) * kPi / 180;
    Vector3 base{kPillarRing * std::cos(a), 0, kPillarRing * std::sin(a)};
    // A flared foot and head round a plain shaft; v: foot 1, head 0.
    addLathe(m, base,
             {{1.5f, kFloorY, 0.98f},
              {0.8f, kFloorY + 1.4f, 0.9f},
              {0.8f, kCeilingY - 1.4f, 0.1f},
              {1.5f, kCeilingY, 0.02f}},
             6, 0, 3, kPillarLook);
  }
  return m;
}

Mesh pedestalMesh() {
  Mesh m;
  // v: the rim at the floor (1) up the side and over the top to the middle (0).
  addLathe(m, {0, 0, 0},
           {{6.5f, kFloorY, 0.98f},
            {6.5f, kFloorY + 0.6f, 0.86f},
            {5.2f, kFloorY + 1.0f, 0.72f},
            {5.2f, kFloorY + 1.4f, 0.62f},
            {0, kFloorY + 1.4f, 0.0f}},
           16, 0, 4, kPedestalLook);
  return m;
}

// ---- Scene --------------------------------------------------------------------

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  for (const MaterialFile& m : kMaterials) s.addMaterial(m.name, m.file);

  // The ring of blobs spins three times while its tilt swings round once.
  const uint16_t ring = s.addObject("szmotyi", blobsMesh(), kCentre);
  s.setRotations(ring, sampleKeys<RotationKey>(0, kLastFrame, 15, [](int f) {
                   float t = float(f) / kLastFrame;
                   Quaternion tilted = thenRotate(axisAngle(kUp, -3 * 360 * t), axisAngle({1, 0, 0}, 28));
                   return RotationKey{uint16_t(f), thenRotate(tilted, axisAngle(kUp, 360 * t))};
                 }));
  // The cube tumbles about two axes at once, bobs and swells on the beat.
  const uint16_t cube = s.addObject("hyper", hyperMesh(), kCentre);
  s.setRotations(cube, sampleKeys<RotationKey>(0, kLastFrame, 20, [](int f) {
                   float t = float(f) / kLastFrame;
                   return RotationKey{uint16_t(f), thenRotate(axisAngle({1, 0, 1}, 35 * std::sin(2 * kPi * t * 1.5f)),
                                                              axisAngle(kUp, 450 * t))};
                 }));
  s.setPositions(cube, sampleKeys<PositionKey>(0, kLastFrame, 50, [](int f) {
                   return PositionKey{uint16_t(f), kCentre + Vector3{0, 0.5f * std::sin(2 * kPi * f / 300.0f), 0}};
                 }));
  s.setScales(cube, sampleKeys<ScaleKey>(0, kLastFrame, 25, [](int f) {
                float k = (f / 25) % 2 ? 1.0f : 1.08f;
                return ScaleKey{uint16_t(f), {k, k, k}};
              }));
  // Scenery, nearest first: the file order is the drawing order and hidden
  // pixels cost little.
  s.addObject("Pedestal", pedestalMesh());
  s.addObject("Pillars", pillarsMesh());
  s.addObject("Chamber", chamberMesh());

  auto along = [](float CameraStage::*column, int f) {
    return alongStages(kCameraStages, std::size(kCameraStages), column, float(f));
  };
  s.addCamera("Camera01", sampleKeys<CameraKey>(0, kLastFrame, 20, [&](int f) {
                float a = along(&CameraStage::angle, f) * kPi / 180, d = along(&CameraStage::distance, f);
                return CameraKey{
                    uint16_t(f),
                    kCentre + Vector3{d * std::cos(a), along(&CameraStage::height, f) - kCentre.y, d * std::sin(a)},
                    {0, along(&CameraStage::lookHeight, f), 0},
                    kFov};
              }));
  return s.write(out);
}

// ---- Textures -----------------------------------------------------------------

// The cube's light, added onto the picture after smearing: a bright core along
// each beam fading to deep colour at its edges. Left third cyan (outer cube),
// middle magenta (inner cube), right third the connectors' blend along t.
Colour hyperGlowTexel(int x, int y) {
  int third = x * 3 / 256;
  double across = (x - third * 256.0 / 3) / (256.0 / 3) * 2 - 1;  // -1..1 over the beam's side
  double t = y / 255.0;
  Colour deep = third == 0   ? Colour{10, 70, 150}
                  : third == 1 ? Colour{130, 20, 120}
                               : paint::mix(Colour{10, 70, 150}, Colour{130, 20, 120}, t);
  Colour core = third == 0   ? Colour{150, 235, 255}
                  : third == 1 ? Colour{255, 150, 240}
                               : paint::mix(Colour{150, 235, 255}, Colour{255, 150, 240}, t);
  double profile = std::pow(1 - std::fabs(across), 1.6);
  // Slow beads of light along the beams.
  double beads = 0.85 + 0.15 * std::cos(t * 2 * kPi * 4);
  return paint::mix(deep * 0.5, core, profile * beads);
}

// Hot plasma: dark red swirls with yellow-white veins, black where it is coolest
// so the added light has holes.
Colour plasmaTexel(int x, int y) {
  double n = tileFbm(float(x), float(y), 4, 5, 701);
  double vein = 1 - std::fabs(std::sin(n * 14));
  double heat = std::pow(vein, 3);
  Colour c = paint::mix(Colour{40, 6, 2}, Colour{230, 90, 20}, std::pow(n, 1.5) * 1.4);
  return c + Colour{255, 230, 140} * heat;
}

// Dark steel panels 64 texels square with thin seams, a few of them lit, each
// panel carrying a faint cube-in-cube emblem; light falls from above (the top
// of the picture).
Colour wallTexel(int x, int y) {
  int px = x % 64, py = y % 64;
  double n = tileFbm(float(x), float(y), 8, 4, 801), fine = tileFbm(float(x), float(y), 64, 2, 803);
  double fall = 1.1 - 0.5 * y / 255.0;
  Colour c = Colour{26, 27, 44} * ((0.7 + 0.4 * n + 0.1 * fine) * fall);
  // The emblem: two nested squares and the lines joining their corners.
  double cx = px - 31.5, cy = py - 31.5;
  double square = std::max(std::fabs(cx), std::fabs(cy));
  bool line = std::fabs(square - 20) < 0.7 || std::fabs(square - 9) < 0.7 ||
              (std::fabs(std::fabs(cx) - std::fabs(cy)) < 0.7 && square > 9 && square < 20);
  if (line) c = c + Colour{40, 34, 80} * 0.5 * fall;
  // Bevel and seam; one seam in four carries light.
  int edge = std::min({px, py, 63 - px, 63 - py});
  if (edge < 3) c = c * ((px < 3 || py < 3) ? 1.3 : 0.6);
  if (edge < 1) c = (hash2(x / 64, y / 64, 805) & 3) == 0 ? Colour{40, 130, 180} : Colour{12, 14, 24};
  return c;
}

// The floor: dark tiles, lit by the pedestal's glow in the middle and fading to
// the walls; the picture covers the whole floor once.
Colour floorTexel(int x, int y) {
  double r = std::hypot(x - 127.5, y - 127.5) / 127.5;
  double n = tileFbm(float(x), float(y), 16, 4, 901);
  Colour c = Colour{26, 26, 40} * (0.7 + 0.5 * n);
  if (x % 16 == 0 || y % 16 == 0) c = c * 0.55;
  if (x % 64 == 0 || y % 64 == 0) c = paint::mix(c, Colour{40, 120, 160}, 0.6);
  c = c + Colour{70, 40, 110} * (std::exp(-r * r * 8) * 1.2);
  return c * (1.0 - 0.45 * smoothStep(0.6, 1.0, r));
}

// The ceiling: dark panels round a great ring of light over the cube.
Colour ceilingTexel(int x, int y) {
  double r = std::hypot(x - 127.5, y - 127.5) / 127.5;
  double n = tileFbm(float(x), float(y), 8, 4, 911);
  Colour c = Colour{22, 22, 36} * (0.7 + 0.5 * n);
  if (x % 32 == 0 || y % 32 == 0) c = c * 0.5;
  double ring = std::fabs(r - 0.4);
  if (ring < 0.03) c = paint::mix(Colour{200, 230, 255}, c, ring / 0.03);
  c = c + Colour{40, 60, 100} * (std::exp(-ring * ring * 200) * 0.8);
  return c;
}

// Pillars: ribbed dark metal with a glowing strip up the middle of every other
// face; t runs from the head (0) to the foot (1).
Colour pillarTexel(int x, int y) {
  double u = x / 256.0, t = y / 255.0;
  double n = tileFbm(float(x), float(y), 8, 3, 921);
  double rib = 0.8 + 0.2 * std::cos(u * 2 * kPi * 4);
  Colour c = Colour{44, 46, 66} * ((0.7 + 0.4 * n) * rib * (1.1 - 0.4 * t));
  double strip = std::fabs(u - 0.5);
  if (t > 0.12 && t < 0.88 && strip < 0.05) c = paint::mix(Colour{150, 90, 255}, c, strip / 0.05);
  return c;
}

// The pedestal: a dark stepped drum whose top carries rings of cyan light; t
// runs from the middle of the top (0) to the foot of its side (1).
Colour pedestalTexel(int x, int y) {
  double t = y / 255.0;
  double n = tileFbm(float(x), float(y), 8, 3, 931);
  if (t > 0.62) return Colour{40, 40, 60} * ((0.7 + 0.4 * n) * (1.2 - 0.6 * (t - 0.62) / 0.38));
  double r = t / 0.62;
  Colour c = Colour{30, 30, 48} * (0.7 + 0.4 * n);
  for (double ring : {0.35, 0.62, 0.9}) {
    double d = std::fabs(r - ring);
    if (d < 0.035) c = paint::mix(Colour{140, 230, 255}, c, d / 0.035);
  }
  return c + Colour{60, 40, 110} * (std::exp(-r * r * 6) * 0.8);
}

// The fallback: dark steel.
Colour fallbackTexel(int x, int y) {
  return Colour{30, 32, 52} * (0.7 + 0.5 * tileFbm(float(x), float(y), 8, 4, 999));
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\HYPER\\hyper.3ds", makeScene},
    {"DATA\\HYPER\\hyperglw.rgb", paint::textureMaker<hyperGlowTexel>},
    {"DATA\\HYPER\\plasma.rgb", paint::textureMaker<plasmaTexel>},
    {"DATA\\HYPER\\wall.rgb", paint::textureMaker<wallTexel>},
    {"DATA\\HYPER\\floor.rgb", paint::textureMaker<floorTexel>},
    {"DATA\\HYPER\\ceiling.rgb", paint::textureMaker<ceilingTexel>},
    {"DATA\\HYPER\\pillar.rgb", paint::textureMaker<pillarTexel>},
    {"DATA\\HYPER\\pedestal.rgb", paint::textureMaker<pedestalTexel>},
    {"DATA\\HYPER\\texture.rgb", paint::textureMaker<fallbackTexel>},
};
}  // namespace
