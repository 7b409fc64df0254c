// The single-scene mode's "kisvirag": at night a little flower on a floating mossy
// island opens its petals and closes them again while a glowing tube winds up
// round its stem, seen by a camera that circles it once per loop of 600 frames.
//
// Layout (engine axes, y up; units are arbitrary, the flower is about 10 tall):
//   a band of violet sky round the horizon (radius 80), stars above and below
//   it, three rocks drifting in the distance; the island (radius 10.4, top at
//   y = 1); the stem from (0, 0.6, 0) to the head at (0.3, 8.1, 0); eight petals
//   in two layers on the head; two leaves on the stem; "Tube01", a helix of
//   three turns round the stem, drawn as glow.
// The loop: every track holds the same value at frames 0 and 600 with a flat
// tangent there, or turns whole periods, so the wrap to frame 0 is seamless.
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
const Vector3 kUp{0, 1, 0};

// ---- Design tables --------------------------------------------------------------

const Vector3 kStemBase{0, 1.0f, 0};
const Vector3 kHeadCentre{0.3f, 8.1f, 0};

// The stem's centre line, bottom to top, and its radius there.
struct StemPoint {
  Vector3 at;
  float radius;
};
const StemPoint kStem[] = {
    {{0.0f, 0.6f, 0.0f}, 0.24f},  {{0.05f, 2.0f, 0.05f}, 0.22f}, {{0.18f, 3.5f, 0.1f}, 0.21f},
    {{0.28f, 5.0f, 0.05f}, 0.2f}, {{0.3f, 6.5f, -0.05f}, 0.18f}, {{0.3f, 7.6f, 0.0f}, 0.17f},
    {{0.3f, 8.1f, 0.0f}, 0.16f},
};

// Petals: angle round the head (degrees), ring radius of the base, length, widest
// width, how far they fold up when closed (degrees), and the frames of their
// opening and closing (each petal opens and closes in its own turn).
struct Petal {
  float angle, ring, length, width, fold;
  uint16_t openFrom, openTo, closeFrom, closeTo;
};
const Petal kPetals[] = {
    // Outer layer: wide petals that open first and close last.
    {0, 0.62f, 3.2f, 1.7f, 68, 60, 200, 460, 570},
    {90, 0.62f, 3.2f, 1.7f, 68, 70, 210, 450, 565},
    {180, 0.62f, 3.2f, 1.7f, 68, 65, 205, 455, 568},
    {270, 0.62f, 3.2f, 1.7f, 68, 75, 215, 445, 562},
    // Inner layer: narrower, folded tighter, opening after the outer ones.
    {45, 0.42f, 2.7f, 1.35f, 82, 110, 250, 420, 540},
    {135, 0.42f, 2.7f, 1.35f, 82, 120, 260, 410, 535},
    {225, 0.42f, 2.7f, 1.35f, 82, 115, 255, 415, 538},
    {315, 0.42f, 2.7f, 1.35f, 82, 125, 265, 405, 532},
};

// Leaves: height on the stem, direction (degrees round the stem), length, width.
struct Leaf {
  float height, angle, length, width;
};
const Leaf kLeaves[] = {{2.6f, 200, 3.0f, 1.1f}, {4.4f, 20, 2.6f, 0.95f}};

// The stem's sway: tilt about x and z (degrees) at each key.
struct Sway {
  uint16_t frame;
  float tiltX, tiltZ;
};
const Sway kStemSway[] = {{0, 0, 0}, {150, 2.5f, -1.5f}, {300, -0.5f, 3.0f}, {450, -2.5f, -1.0f}, {600, 0, 0}};

// The camera: one circle per loop, rising and sinking twice on the way, and
// climbing kBloomLift higher to look into the flower while it is open.
constexpr float kOrbitRadius = 20.0f, kOrbitHeight = 8.5f, kOrbitBob = 1.5f, kBloomLift = 4.0f, kFov = 50.0f;
// The point looked at rises to the bloom while it is open.
const PositionKey kLookAt[] = {{0, {0, 5.4f, 0}, kEaseKey},
                               {120, {0, 5.4f, 0}, kEaseKey},
                               {300, {0.2f, 6.4f, 0}, kEaseKey},
                               {480, {0, 5.4f, 0}, kEaseKey},
                               {600, {0, 5.4f, 0}, kEaseKey}};

// The scene's materials, added in the order of Look, so that a Look is its index.
enum Look : uint8_t { kSkyLook, kIslandLook, kStemLook, kLeafLook, kPollenLook, kPetalLook, kGlowLook };
struct MaterialFile {
  const char* name;
  const char* file;
};
const MaterialFile kMaterials[] = {{"night sky", "sky.gif"},     {"island", "island.gif"}, {"stem", "stem.gif"},
                                   {"leaf", "leaf.gif"},         {"pollen", "pollen.gif"}, {"petal", "petal.gif"},
                                   {"glow tube", "glowtube.gif"}};

// ---- Geometry -----------------------------------------------------------------

Vector3 radial(float degrees) { return {std::cos(degrees * kPi / 180), 0, std::sin(degrees * kPi / 180)}; }

// A curved blade (petal or leaf) in its open pose, growing from `base` along
// `dir` (horizontal): its centre line leaves at `rise` radians and bends by
// `bend` over its length; across, its edges lift by `cup` times the half width.
// Both sides are built, the top with texture `top`, the underside with `under`.
void addBlade(Mesh& m, Vector3 base, Vector3 dir, float length, float width, float rise, float bend, float cup,
              UvRect top, UvRect under, uint8_t material) {
  const Vector3 across = cross(kUp, dir);
  auto centre = [&](float r) {
    float a0 = rise, a1 = rise + bend * r;
    return base + dir * (length / bend * (std::sin(a1) - std::sin(a0))) +
           kUp * (length / bend * (std::cos(a0) - std::cos(a1)));
  };
  auto normal = [&](float r) {
    float a = rise + bend * r;
    return kUp * std::cos(a) - dir * std::sin(a);
  };
  auto halfWidth = [&](float r) {
    return 0.5f * width * (0.22f + 0.78f * std::pow(std::sin(kPi * (0.12f + 0.85f * r)), 0.7f));
  };
  auto point = [&](float s, float r) {
    float w = halfWidth(r);
    return centre(r) + across * (s * w) + normal(r) * (cup * s * s * w);
  };
  addSurface(m, 3, 4, [&](float s, float r) { return point(2 * s - 1, r); }, top, material);
  addSurface(m, 3, 4, [&](float s, float r) { return point(1 - 2 * s, r); }, under, material);
}

// The island floats in a starry void; only a narrow band of violet light lies
// round the horizon. The frame is cleared to black, so the void costs nothing to
// draw. Rows 0 to 7 of the sky's picture hold the star colours; the band's rows
// start below them.
Mesh skyMesh() {
  Mesh m;
  addLathe(m, {0, 0, 0}, {{80, -10, 0.98f}, {80, -2, 0.7f}, {80, 6, 0.34f}, {80, 14, 0.04f}}, 12, 0, 4, kSkyLook,
           true);
  return m;
}

// Stars: tiny squares facing the middle, scattered above and below the band.
Mesh starsMesh() {
  Mesh m;
  for (int i = 0; i < 64; ++i) {
    uint32_t h = hash2(i, 0, 4242), h2 = hash2(i, 1, 4242);
    float around = float(h & 0xFFFF) / 65536.0f * 2 * kPi;
    float f = float(h >> 16) / 65536.0f;
    float up = (f < 0.6f ? 12 + 70 * f / 0.6f : -12 - 60 * (f - 0.6f) / 0.4f) * kPi / 180;
    Vector3 dir{std::cos(up) * std::cos(around), std::sin(up), std::cos(up) * std::sin(around)};
    Vector3 right = unit(cross(kUp, dir)), top = cross(dir, right);
    float size = 0.22f + 0.3f * float(h2 & 255) / 255.0f;
    Vector3 c = dir * 70.0f;
    // A colour from the strip of star colours: white, blue, warm or dim.
    float u = (float((h2 >> 8) & 3) + 0.5f) / 4.0f, v = 2.0f / 256.0f;
    addQuad(m, c - right * size + top * size, c + right * size + top * size, c + right * size - top * size,
            c - right * size - top * size, {u, v, u, v}, -dir, kSkyLook);
  }
  return m;
}

// The island: a mossy top with a grassy lip over a rocky cone that tapers to a
// point far below; t runs from the middle of the top (0) to the tip (1).
const ProfilePoint kIsland[] = {
    {0, -7.5f, 0.98f},                                                  // the tip far below
    {2.6f, -5.2f, 0.88f},  {6.2f, -2.4f, 0.74f},  {9.4f, -0.7f, 0.6f},  // rock
    {10.4f, 0.05f, 0.52f}, {10.0f, 0.42f, 0.46f},                       // the grassy lip
    {6.8f, 0.78f, 0.3f},   {3.0f, 1.0f, 0.13f},   {0, 1.08f, 0.0f},     // the mossy top
};

Mesh islandMesh() {
  Mesh m;
  addLathe(m, {0, 0, 0}, std::vector<ProfilePoint>(std::begin(kIsland), std::end(kIsland)), 14, 0, 5, kIslandLook);
  // A coarser copy of the top just under it with the same picture: where the
  // engine drops a polygon clipped at the screen's edge (a corner just outside a
  // side of the view), the copy shows through instead of a hole.
  addLathe(m, {0, 0, 0}, {{10.0f, 0.36f, 0.46f}, {5.0f, 0.82f, 0.219f}, {0, 1.02f, 0}}, 9, 0, 5, kIslandLook);
  return m;
}

// Rocks drifting in the distance: centre, size and the seed of their lumps.
struct Rock {
  Vector3 centre;
  float size;
  uint32_t seed;
};
const Rock kRocks[] = {{{-30, 3, -22}, 3.2f, 1}, {{26, -4, -30}, 4.5f, 2}, {{-20, -6, 30}, 3.6f, 4}};

Mesh rockMesh(const Rock& r) {
  Mesh m;
  // Lumpy: the radius wanders with a hash of the grid point.
  addSphere(m, placedAt(r.centre), {r.size, r.size, r.size}, 4, 6, {0, 0.3f, 1, 0.98f}, kIslandLook, false,
            [&](float u, float v) {
              return 0.7f + 0.5f * float(hash2(int(std::lround(u * 6)) % 6, int(std::lround(v * 4)), r.seed) & 255) /
                                255.0f;
            });
  return m;
}

Mesh stemMesh() {
  Mesh m;
  std::vector<Vector3> path;
  for (const StemPoint& p : kStem) path.push_back(p.at);
  const size_t n = path.size();
  addTubeAlong(m, path, 6, [&](float r) { return kStem[size_t(std::lround(r * float(n - 1)))].radius; }, false,
               {0, 0, 1, 1}, kStemLook);
  return m;
}

// Blades show the left half of their picture on top and the right half below,
// kept off the pictures' edges, where the texture wraps round.
const UvRect kTopHalf{0.01f, 0.01f, 0.49f, 0.99f}, kUnderHalf{0.51f, 0.01f, 0.99f, 0.99f};

Mesh leafMesh(const Leaf& leaf) {
  Mesh m;
  Vector3 dir = radial(leaf.angle);
  Vector3 base = Vector3{0.1f, leaf.height, 0.05f} + dir * 0.15f;
  addBlade(m, base, dir, leaf.length, leaf.width, 0.75f, -1.3f, 0.25f, kTopHalf, kUnderHalf, kLeafLook);
  return m;
}

Mesh headMesh() {
  Mesh m;
  addSphere(m, placedAt(kHeadCentre), {0.72f, 0.72f, 0.72f}, 5, 12, {0, 0.01f, 4, 0.99f}, kPollenLook, false,
            [](float, float v) {
              // Flattened: a low dome over a rounded cup.
              float y = std::cos(kPi * v);
              return 1.0f - 0.38f * y * y;
            });
  return m;
}

Vector3 petalBase(const Petal& p) { return kHeadCentre + radial(p.angle) * p.ring + Vector3{0, 0.05f, 0}; }

Mesh petalMesh(const Petal& p) {
  Mesh m;
  // Open, the petal leaves nearly level and cups upwards towards its tip.
  addBlade(m, petalBase(p), radial(p.angle), p.length, p.width, 0.12f, 0.55f, 0.28f, kTopHalf, kUnderHalf, kPetalLook);
  return m;
}

// Three turns round the stem, widening upwards, ends tapered.
Mesh tubeMesh() {
  Mesh m;
  std::vector<Vector3> path;
  const int points = 36;
  const float turns = 3.0f;
  for (int i = 0; i <= points; ++i) {
    float r = float(i) / points, a = 2 * kPi * turns * r;
    float radius = 1.3f + 1.9f * r;
    path.push_back({radius * std::cos(a), 0.9f + 10.0f * r, radius * std::sin(a)});
  }
  addTubeAlong(m, path, 5, [](float r) { return 0.14f * std::fmin(1.0f, std::fmin(r, 1 - r) * 12 + 0.15f); }, false,
               {0, 0, 1, 7}, kGlowLook);
  return m;
}

// ---- Scene --------------------------------------------------------------------

// A petal's track between its closed and its open value: closed until it opens in
// its own turn, open until it closes again, easing into and out of every key.
template <typename Key, typename Value>
std::vector<Key> bloomKeys(const Petal& p, const Value& closed, const Value& open) {
  return {{0, closed, kEaseKey},        {p.openFrom, closed, kEaseKey}, {p.openTo, open, kEaseKey},
          {p.closeFrom, open, kEaseKey}, {p.closeTo, closed, kEaseKey},  {kLastFrame, closed, kEaseKey}};
}

// Tilted about x by `x` degrees after z by `z`.
Quaternion tilt(float x, float z) { return thenRotate(axisAngle({0, 0, 1}, z), axisAngle({1, 0, 0}, x)); }

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  for (const MaterialFile& m : kMaterials) s.addMaterial(m.name, m.file);

  s.addObject("Sky", skyMesh());
  s.addObject("Stars", starsMesh());
  s.addObject("Island", islandMesh());
  for (size_t i = 0; i < std::size(kRocks); ++i) {
    // Each rock bobs slowly, out of step with the others.
    const Rock& r = kRocks[i];
    const uint16_t node = s.addObject("Rock0" + std::to_string(i + 1), rockMesh(r), r.centre);
    float lift = i % 2 ? -1.2f : 1.2f;
    s.setPositions(node, {{0, r.centre, kEaseKey}, {300, r.centre + Vector3{0, lift, 0}}, {600, r.centre, kEaseKey}});
    s.setRotations(node,
                   {{0, kNoRotation, kEaseKey}, {300, axisAngle({1, 0, 1}, lift * 8)}, {600, kNoRotation, kEaseKey}});
  }

  // The stem sways about its foot; head, petals and leaves hang from it.
  const uint16_t stem = s.addObject("Stem", stemMesh(), kStemBase);
  std::vector<RotationKey> sway;
  for (const Sway& k : kStemSway) sway.push_back({k.frame, tilt(k.tiltX, k.tiltZ), k.frame % 600 ? Tcb{} : kEaseKey});
  s.setRotations(stem, sway);

  for (size_t i = 0; i < std::size(kLeaves); ++i) {
    const Leaf& leaf = kLeaves[i];
    const uint16_t node =
        s.addObject("Leaf0" + std::to_string(i + 1), leafMesh(leaf), Vector3{0.1f, leaf.height, 0.05f}, stem);
    // A slow flutter about the leaf's own cross axis, out of step with the stem.
    Vector3 axis = cross(kUp, radial(leaf.angle));
    float a = i == 0 ? 5.0f : -6.0f;
    s.setRotations(node, {{0, kNoRotation, kEaseKey},
                          {200, axisAngle(axis, a)},
                          {400, axisAngle(axis, -a * 0.6f)},
                          {600, kNoRotation, kEaseKey}});
  }

  // The head turns a quarter per loop: the petals are laid out in fours, so the
  // closed bud at frame 600 looks exactly as at frame 0.
  const uint16_t head = s.addObject("Head", headMesh(), kHeadCentre, stem);
  s.setRotations(head, {{0, kNoRotation, kEaseKey},
                        {200, axisAngle(kUp, 20)},
                        {400, axisAngle(kUp, 70)},
                        {600, axisAngle(kUp, 90), kEaseKey}});

  for (size_t i = 0; i < std::size(kPetals); ++i) {
    const Petal& p = kPetals[i];
    const uint16_t node = s.addObject("Petal0" + std::to_string(i + 1), petalMesh(p), petalBase(p), head);
    // Folding up turns the petal about its own cross axis, tip towards the stem;
    // the bud is smaller than the bloom.
    const Vector3 fold = cross(radial(p.angle), kUp);
    s.setRotations(node, bloomKeys<RotationKey>(p, axisAngle(fold, p.fold), axisAngle(fold, 4)));
    s.setScales(node, bloomKeys<ScaleKey>(p, Vector3{0.55f, 0.55f, 0.55f}, Vector3{1, 1, 1}));
  }

  // The glowing tube turns four times per loop about the stem's axis (keys a
  // sixth of a turn apart) and rises and sinks once.
  const uint16_t tube = s.addObject("Tube01", tubeMesh());
  s.setPositions(tube, {{0, {0, -0.3f, 0}, kEaseKey}, {300, {0, 0.5f, 0}}, {600, {0, -0.3f, 0}, kEaseKey}});
  s.setRotations(tube, steadyTurn(kUp, -4 * 360.0f / kLastFrame, kLastFrame, 25));

  auto eye = sampleKeys<PositionKey>(0, kLastFrame, 25, [](int f) {
    float a = 2 * kPi * float(f) / kLastFrame;
    float bloom = float(smoothStep(120, 300, f) - smoothStep(400, 560, f));
    return PositionKey{
        uint16_t(f),
        {kOrbitRadius * std::cos(a + 0.6f), kOrbitHeight + kOrbitBob * std::sin(2 * a) + kBloomLift * bloom,
         kOrbitRadius * std::sin(a + 0.6f)}};
  });
  s.addCamera("Camera01", eye, std::vector<PositionKey>(std::begin(kLookAt), std::end(kLookAt)), kFov);
  // Hidden pixels cost little: the file lists the objects front to back, the sky last.
  s.reverseDrawingOrder();
  return s.write(out);
}

// ---- Textures -----------------------------------------------------------------

// The sky band: black at its top edge (row 8), deep blue, a violet glow at the
// horizon (t = 0.52), deep blue again and black at the bottom, with stars; u
// repeats four times round the sky. Rows 0 to 7: the star colours in four blocks.
Colour skyTexel(int x, int y) {
  if (y < 8) {
    const Colour stars[4] = {{255, 255, 255}, {190, 215, 255}, {255, 225, 170}, {150, 150, 175}};
    return stars[x / 64];
  }
  double t = y / 255.0;
  double glow = std::exp(-std::pow((t - 0.52) / 0.12, 2));
  double fade = smoothStep(0.04, 0.3, t) * smoothStep(1.0, 0.78, t);
  Colour c = paint::mix(Colour{6, 8, 32}, Colour{80, 38, 96}, glow);
  double haze = tileFbm(float(x), float(y), 4, 4, 901);
  c = c + Colour{36, 18, 60} * (std::max(0.0, haze - 0.42) * 1.6);
  c = c * fade;
  uint32_t h = hash2(x, y, 77);
  if ((h & 511) < 3) {
    double b = (0.35 + 0.65 * double((h >> 9) & 255) / 255.0) * (1 - glow) * fade;
    c = c + ((h >> 17) & 1 ? Colour{255, 240, 210} : Colour{200, 220, 255}) * b;
  }
  return c;
}

// The island: moss lit from the middle by the glowing tube (t up to 0.46), a
// grassy lip, then layered rock that darkens towards the tip far below.
Colour islandTexel(int x, int y) {
  double t = y / 255.0;
  double n = tileFbm(float(x), float(y), 8, 5, 311), fine = tileFbm(float(x), float(y), 64, 2, 313);
  if (t < 0.5) {
    Colour moss = paint::mix(Colour{14, 34, 12}, Colour{52, 92, 30}, n * 0.8 + fine * 0.4);
    // Tufts: bright flecks where the fine noise peaks.
    if (fine > 0.72) moss = paint::mix(moss, Colour{110, 160, 60}, (fine - 0.72) * 3);
    double pool = std::exp(-t * 9.0);
    Colour lit = moss * (0.5 + 1.0 * pool) + Colour{40, 150, 170} * pool * 0.9;
    // Blades of grass hang over the lip.
    double lip = smoothStep(0.4, 0.5, t);
    return paint::mix(lit, Colour{60, 110, 40}, lip * (0.5 + 0.5 * fine));
  }
  double depth = (t - 0.5) / 0.5;
  double strata = 0.5 + 0.5 * std::sin(t * 90 + n * 9);
  Colour rock = paint::mix(Colour{58, 48, 56}, Colour{96, 84, 80}, strata * 0.6 + fine * 0.4);
  // Roots and grass hanging from the lip, and the tube's light fading downwards.
  if (depth < 0.25 && fine > 0.55 + depth * 1.6) rock = paint::mix(rock, Colour{40, 80, 30}, 0.7);
  rock = rock + Colour{20, 70, 90} * ((1 - depth) * 0.8);
  return rock * (1.0 - 0.8 * depth);
}

// The stem: green, darker at the foot, with fine ribs; u runs round it.
Colour stemTexel(int x, int y) {
  double t = y / 255.0, u = x / 255.0;
  double rib = 0.5 + 0.5 * std::cos(u * 2 * kPi * 6);
  double rim = 0.55 + 0.45 * std::fabs(std::cos(u * 2 * kPi));
  Colour c = paint::mix(Colour{40, 110, 36}, Colour{120, 190, 70}, t * 0.9 + rib * 0.12);
  c = c * ((0.55 + 0.45 * t) * rim + 0.08 * tileFbm(float(x), float(y), 16, 2, 51));
  return c + Colour{20, 90, 110} * ((1 - rim) * 0.5);
}

// A leaf: left half the top (bright, with a midrib and veins), right half the
// underside (paler, duller); t runs from the stem to the tip.
Colour leafTexel(int x, int y) {
  bool under = x >= 128;
  double s = (x % 128) / 127.0 * 2 - 1, t = y / 255.0;
  double vein = std::fabs(std::fmod(std::fabs(s) * 3.0 - t * 2.2 + 4.0, 1.0) - 0.5);
  Colour base = under ? paint::mix(Colour{60, 100, 50}, Colour{100, 140, 80}, t)
                      : paint::mix(Colour{24, 80, 24}, Colour{90, 170, 50}, t);
  double shade = 0.7 + 0.3 * (1 - std::fabs(s)) + 0.1 * tileFbm(float(x), float(y), 16, 3, 61);
  Colour c = base * shade;
  if (vein < 0.06) c = paint::mix(c, Colour{150, 210, 110}, 0.5);
  if (std::fabs(s) < 0.06) c = paint::mix(c, Colour{190, 230, 140}, 0.7);
  return c;
}

// The flower's heart: golden seeds in a spiral on top, a green cup below; t runs
// from the top of the head (row 0) to its underside.
Colour pollenTexel(int x, int y) {
  double t = y / 255.0, u = x / 255.0;
  if (t > 0.52) return paint::mix(Colour{70, 120, 40}, Colour{20, 50, 16}, (t - 0.52) / 0.48);
  double r = t / 0.52;
  double seeds = 0.5 + 0.5 * std::cos(u * 2 * kPi * 13 + r * 30) * std::cos(u * 2 * kPi * 8 - r * 24);
  Colour c = paint::mix(Colour{255, 210, 60}, Colour{190, 90, 10}, r * 0.8 + seeds * 0.35);
  return c + Colour{255, 240, 150} * ((1 - r) * 0.5);
}

// A petal: left half the inside (rose deepening to the base, pale tip, fine
// lengthwise veins), right half the outside (darker, bluer); t runs base to tip.
Colour petalTexel(int x, int y) {
  bool outside = x >= 128;
  double s = (x % 128) / 127.0 * 2 - 1, t = y / 255.0;
  double veins = 0.5 + 0.5 * std::cos(s * 18 + tileFbm(float(x), float(y), 8, 2, 71) * 3);
  Colour c = t < 0.5 ? paint::mix(Colour{120, 10, 60}, Colour{235, 70, 140}, t / 0.5)
                       : paint::mix(Colour{235, 70, 140}, Colour{255, 200, 225}, (t - 0.5) / 0.5);
  c = c * (0.82 + 0.12 * veins + 0.18 * (1 - s * s));
  if (outside) c = paint::mix(paint::held(c) * 0.6f, Colour{70, 40, 120}, 0.35f);
  // The tube's cyan light catches the rim.
  return c + Colour{30, 110, 140} * (smoothStep(0.75, 1.0, std::fabs(s)) * 0.6);
}

// The glowing tube, drawn as added light: a bright core round the whole tube
// with white-hot pulses along it; t runs along the tube (seven pictures long).
Colour glowTubeTexel(int x, int y) {
  double t = y / 256.0, u = x / 256.0;
  double pulse = std::pow(0.5 + 0.5 * std::cos(2 * kPi * t * 2), 6);
  double ring = 0.75 + 0.25 * std::cos(2 * kPi * u * 5);
  Colour c = Colour{30, 140, 190} * ring;
  return c + Colour{200, 255, 255} * pulse;
}

// The fallback for any material without a picture of its own: dark moss.
Colour fallbackTexel(int x, int y) {
  return paint::mix(Colour{10, 24, 12}, Colour{40, 70, 30}, tileFbm(float(x), float(y), 8, 4, 99));
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\misc\\kisvirag.3ds", makeScene},
    {"DATA\\misc\\sky.rgb", paint::textureMaker<skyTexel>},
    {"DATA\\misc\\island.rgb", paint::textureMaker<islandTexel>},
    {"DATA\\misc\\stem.rgb", paint::textureMaker<stemTexel>},
    {"DATA\\misc\\leaf.rgb", paint::textureMaker<leafTexel>},
    {"DATA\\misc\\pollen.rgb", paint::textureMaker<pollenTexel>},
    {"DATA\\misc\\petal.rgb", paint::textureMaker<petalTexel>},
    {"DATA\\misc\\glowtube.rgb", paint::textureMaker<glowTubeTexel>},
    {"DATA\\misc\\texture.rgb", paint::textureMaker<fallbackTexel>},
};
}  // namespace
