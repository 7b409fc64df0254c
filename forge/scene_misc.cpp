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

#include "forge/mesh_build.hpp"
#include "forge/scene_build.hpp"
#include "forge/texture_build.hpp"
#include "forge/forge.hpp"
#include "forge/noise.hpp"

namespace {
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
const PositionKey kLookAt[] = {{0, {0, 5.4f, 0}, tcb(1)},
                               {120, {0, 5.4f, 0}, tcb(1)},
                               {300, {0.2f, 6.4f, 0}, tcb(1)},
                               {480, {0, 5.4f, 0}, tcb(1)},
                               {600, {0, 5.4f, 0}, tcb(1)}};

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
              UvRect top, UvRect under) {
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
  addSurface(
      m, 3, 4, [&](float s, float r) { return point(2 * s - 1, r); }, top);
  addSurface(
      m, 3, 4, [&](float s, float r) { return point(1 - 2 * s, r); }, under);
}

// The island floats in a starry void; only a narrow band of violet light lies
// round the horizon. The frame is cleared to black, so the void costs nothing to
// draw. Rows 0 to 7 of the sky's picture hold the star colours; the band's rows
// start below them.
Mesh skyMesh() {
  Mesh m;
  useMaterial(m, "night sky");
  addLathe(m, {0, 0, 0}, {{80, -10, 0.98f}, {80, -2, 0.7f}, {80, 6, 0.34f}, {80, 14, 0.04f}}, 12, 0, 4, true);
  return m;
}

// Stars: tiny squares facing the middle, scattered above and below the band.
Mesh starsMesh() {
  Mesh m;
  useMaterial(m, "night sky");
  for (int i = 0; i < 64; ++i) {
    uint32_t h = hash2(i, 0, 4242), h2 = hash2(i, 1, 4242);
    float around = float(h & 0xFFFF) / 65536.0f * 2 * kPi;
    float f = float(h >> 16) / 65536.0f;
    float up = (f < 0.6f ? 12 + 70 * f / 0.6f : -12 - 60 * (f - 0.6f) / 0.4f) * kPi / 180;
    Vector3 dir{std::cos(up) * std::cos(around), std::sin(up), std::cos(up) * std::sin(around)};
    Vector3 right = normalised(cross(kUp, dir)), top = cross(dir, right);
    float size = 0.22f + 0.3f * float(h2 & 255) / 255.0f;
    Vector3 c = dir * 70.0f;
    // A colour from the strip of star colours: white, blue, warm or dim.
    float u = (float((h2 >> 8) & 3) + 0.5f) / 4.0f, t = 2.0f / 256.0f;
    // Seen from the middle, the square's front faces inwards.
    uint16_t a = addVertex(m, c - right * size + top * size, u, t),
             b = addVertex(m, c + right * size + top * size, u, t);
    uint16_t d = addVertex(m, c + right * size - top * size, u, t),
             e = addVertex(m, c - right * size - top * size, u, t);
    addQuad(m, a, e, d, b);
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
  useMaterial(m, "island");
  addLathe(m, {0, 0, 0}, std::vector<ProfilePoint>(std::begin(kIsland), std::end(kIsland)), 14, 0, 5);
  // A coarser copy of the top just under it with the same picture: where the
  // engine drops a polygon clipped at the screen's edge (a corner just outside a
  // side of the view), the copy shows through instead of a hole.
  addLathe(m, {0, 0, 0}, {{10.0f, 0.36f, 0.46f}, {5.0f, 0.82f, 0.219f}, {0, 1.02f, 0}}, 9, 0, 5);
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
  useMaterial(m, "island");
  // Lumpy: the radius wanders with a hash of the grid point (one point per pole).
  addSphere(m, r.centre, r.size, 4, 6, {0, 0.3f, 1, 0.98f}, [&](float s, float t) {
    int column = int(std::lround(s * 6)) % 6, row = int(std::lround(t * 4));
    if (row == 0 || row == 4) column = 0;
    return 0.7f + 0.5f * float(hash2(column, row, r.seed) & 255) / 255.0f;
  });
  return m;
}

Mesh stemMesh() {
  Mesh m;
  useMaterial(m, "stem");
  std::vector<Vector3> path;
  for (const StemPoint& p : kStem) path.push_back(p.at);
  const size_t n = path.size();
  addTube(m, path, 6,
          [&](float r) {
            size_t i = size_t(std::lround(r * float(n - 1)));
            return kStem[i].radius;
          },
          false, {0, 0, 1, 1});
  return m;
}

// Blades show the left half of their picture on top and the right half below,
// kept off the pictures' edges, where the texture wraps round.
const UvRect kTopHalf{0.01f, 0.01f, 0.49f, 0.99f}, kUnderHalf{0.51f, 0.01f, 0.99f, 0.99f};

Mesh leafMesh(const Leaf& leaf) {
  Mesh m;
  useMaterial(m, "leaf");
  Vector3 dir = radial(leaf.angle);
  Vector3 base = Vector3{0.1f, leaf.height, 0.05f} + dir * 0.15f;
  addBlade(m, base, dir, leaf.length, leaf.width, 0.75f, -1.3f, 0.25f, kTopHalf, kUnderHalf);
  return m;
}

Mesh headMesh() {
  Mesh m;
  useMaterial(m, "pollen");
  addSphere(m, kHeadCentre, 0.72f, 5, 12, {0, 0.01f, 4, 0.99f}, [](float, float r) {
    // Flattened: a low dome over a rounded cup.
    float y = std::cos(kPi * r);
    return 1.0f - 0.38f * y * y;
  });
  return m;
}

Vector3 petalBase(const Petal& p) { return kHeadCentre + radial(p.angle) * p.ring + Vector3{0, 0.05f, 0}; }

Mesh petalMesh(const Petal& p) {
  Mesh m;
  useMaterial(m, "petal");
  // Open, the petal leaves nearly level and cups upwards towards its tip.
  addBlade(m, petalBase(p), radial(p.angle), p.length, p.width, 0.12f, 0.55f, 0.28f, kTopHalf, kUnderHalf);
  return m;
}

// Three turns round the stem, widening upwards, ends tapered.
Mesh tubeMesh() {
  Mesh m;
  useMaterial(m, "glow tube");
  std::vector<Vector3> path;
  const int points = 36;
  const float turns = 3.0f;
  for (int i = 0; i <= points; ++i) {
    float r = float(i) / points, a = 2 * kPi * turns * r;
    float radius = 1.3f + 1.9f * r;
    path.push_back({radius * std::cos(a), 0.9f + 10.0f * r, radius * std::sin(a)});
  }
  addTube(m, path, 5, [](float r) { return 0.14f * std::fmin(1.0f, std::fmin(r, 1 - r) * 12 + 0.15f); }, false,
          {0, 0, 1, 7});
  return m;
}

// ---- Scene --------------------------------------------------------------------

Orientation tilt(float x, float z) { return turn({1, 0, 0}, x) * turn({0, 0, 1}, z); }

ThreeDsWriterScene buildScene() {
  ThreeDsWriterScene s;
  s.startFrame = 0;
  s.endFrame = kLastFrame;
  for (const MaterialFile& m : kMaterials) addMaterial(s, m.name, m.file);
  auto addObject = [&](const std::string& name, const Mesh& mesh, const ThreeDsWriterNode& node) {
    return addPart(s, name, mesh, node);
  };

  ThreeDsWriterNode sky = objectNode("Sky", 0, kThreeDsNoNode, {0, 0, 0});
  holdStill(sky, {0, 0, 0});
  addObject("Sky", skyMesh(), sky);
  addObject("Stars", starsMesh(), sky);
  ThreeDsWriterNode island = objectNode("Island", 0, kThreeDsNoNode, {0, 0, 0});
  holdStill(island, {0, 0, 0});
  addObject("Island", islandMesh(), island);
  for (size_t i = 0; i < std::size(kRocks); ++i) {
    // Each rock bobs slowly, out of step with the others.
    const Rock& r = kRocks[i];
    std::string name = "Rock0" + std::to_string(i + 1);
    ThreeDsWriterNode node = objectNode(name, 0, kThreeDsNoNode, r.centre);
    float lift = i % 2 ? -1.2f : 1.2f;
    addPositionKeys(node, {{0, r.centre, tcb(1)}, {300, r.centre + Vector3{0, lift, 0}}, {600, r.centre, tcb(1)}});
    addOrientationKeys(node, {{0, {}, tcb(1)}, {300, turn({1, 0, 1}, lift * 8)}, {600, {}, tcb(1)}});
    addScaleKeys(node, {{0, {1, 1, 1}}});
    addObject(name, rockMesh(r), node);
  }

  // The stem sways about its foot; head, petals and leaves hang from it.
  ThreeDsWriterNode stem = objectNode("Stem", 0, kThreeDsNoNode, kStemBase);
  addPositionKeys(stem, {{0, kStemBase}});
  addScaleKeys(stem, {{0, {1, 1, 1}}});
  std::vector<OrientationKey> sway;
  for (const Sway& k : kStemSway) sway.push_back({k.frame, tilt(k.tiltX, k.tiltZ), tcb(k.frame % 600 ? 0.0f : 1.0f)});
  addOrientationKeys(stem, sway);
  const uint16_t stemNode = addObject("Stem", stemMesh(), stem);

  for (size_t i = 0; i < std::size(kLeaves); ++i) {
    const Leaf& leaf = kLeaves[i];
    Vector3 base = Vector3{0.1f, leaf.height, 0.05f};
    std::string name = "Leaf0" + std::to_string(i + 1);
    ThreeDsWriterNode node = objectNode(name, 0, stemNode, base);
    addPositionKeys(node, {{0, base - kStemBase}});
    addScaleKeys(node, {{0, {1, 1, 1}}});
    // A slow flutter about the leaf's own cross axis, out of step with the stem.
    Vector3 axis = cross(kUp, radial(leaf.angle));
    float a = i == 0 ? 5.0f : -6.0f;
    addOrientationKeys(node, {{0, {}, tcb(1)}, {200, turn(axis, a)}, {400, turn(axis, -a * 0.6f)}, {600, {}, tcb(1)}});
    addObject(name, leafMesh(leaf), node);
  }

  // The head turns a quarter per loop: the petals are laid out in fours, so the
  // closed bud at frame 600 looks exactly as at frame 0.
  ThreeDsWriterNode head = objectNode("Head", 0, stemNode, kHeadCentre);
  addPositionKeys(head, {{0, kHeadCentre - kStemBase}});
  addScaleKeys(head, {{0, {1, 1, 1}}});
  addOrientationKeys(head, {{0, {}, tcb(1)}, {200, turn(kUp, 20)}, {400, turn(kUp, 70)}, {600, turn(kUp, 90), tcb(1)}});
  const uint16_t headNode = addObject("Head", headMesh(), head);

  for (size_t i = 0; i < std::size(kPetals); ++i) {
    const Petal& p = kPetals[i];
    std::string name = "Petal0" + std::to_string(i + 1);
    Vector3 base = petalBase(p);
    ThreeDsWriterNode node = objectNode(name, 0, headNode, base);
    addPositionKeys(node, {{0, base - kHeadCentre}});
    // Folding up turns the petal about its own cross axis, tip towards the stem.
    Orientation closed = turn(cross(radial(p.angle), kUp), p.fold), open = turn(cross(radial(p.angle), kUp), 4);
    addOrientationKeys(node, {{0, closed, tcb(1)},
                              {p.openFrom, closed, tcb(1)},
                              {p.openTo, open, tcb(1)},
                              {p.closeFrom, open, tcb(1)},
                              {p.closeTo, closed, tcb(1)},
                              {kLastFrame, closed, tcb(1)}});
    // The bud is smaller than the bloom.
    const Vector3 small{0.55f, 0.55f, 0.55f}, full{1, 1, 1};
    addScaleKeys(node, {{0, small, tcb(1)},
                        {p.openFrom, small, tcb(1)},
                        {p.openTo, full, tcb(1)},
                        {p.closeFrom, full, tcb(1)},
                        {p.closeTo, small, tcb(1)},
                        {kLastFrame, small, tcb(1)}});
    addObject(name, petalMesh(p), node);
  }

  // The glowing tube turns four times per loop about the stem's axis (keys a
  // sixth of a turn apart) and rises and sinks once.
  ThreeDsWriterNode tube = objectNode("Tube01", 0, kThreeDsNoNode, {0, 0, 0});
  addPositionKeys(tube, {{0, {0, -0.3f, 0}, tcb(1)}, {300, {0, 0.5f, 0}}, {600, {0, -0.3f, 0}, tcb(1)}});
  addScaleKeys(tube, {{0, {1, 1, 1}}});
  addOrientationKeys(tube, sampleKeys<OrientationKey>(0, kLastFrame, 25, [](int f) {
                       return OrientationKey{uint16_t(f), turn(kUp, -4.0 * 360.0 * f / kLastFrame)};
                     }));
  addObject("Tube01", tubeMesh(), tube);

  auto eye = sampleKeys<PositionKey>(0, kLastFrame, 25, [](int f) {
    float a = 2 * kPi * float(f) / kLastFrame;
    float bloom = smoothStep(120, 300, float(f)) - smoothStep(400, 560, float(f));
    return PositionKey{
        uint16_t(f),
        {kOrbitRadius * std::cos(a + 0.6f), kOrbitHeight + kOrbitBob * std::sin(2 * a) + kBloomLift * bloom,
         kOrbitRadius * std::sin(a + 0.6f)}};
  });
  addTargetCamera(s, "Camera01", uint16_t(s.nodes.size()), eye,
                  std::vector<PositionKey>(std::begin(kLookAt), std::end(kLookAt)), kFov);
  // The objects are drawn in file order and a hidden pixel costs little, so the
  // file lists them front to back: the sky last.
  std::reverse(s.objects.begin(), s.objects.end());
  return s;
}

bool makeScene(std::vector<uint8_t>& out) { return writeThreeDs(buildScene(), out); }

// ---- Textures -----------------------------------------------------------------

// The sky band: black at its top edge (row 8), deep blue, a violet glow at the
// horizon (t = 0.52), deep blue again and black at the bottom, with stars; u
// repeats four times round the sky. Rows 0 to 7: the star colours in four blocks.
bool makeSky(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    if (y < 8) {
      const uint32_t stars[4] = {rgb(255, 255, 255), rgb(190, 215, 255), rgb(255, 225, 170), rgb(150, 150, 175)};
      return stars[x / 64];
    }
    double t = y / 255.0;
    double glow = std::exp(-std::pow((t - 0.52) / 0.12, 2));
    double fade = smoothStep(0.04, 0.3, t) * smoothStep(1.0, 0.78, t);
    uint32_t c = mixColour(rgb(6, 8, 32), rgb(80, 38, 96), glow);
    double haze = tileFbm(float(x), float(y), 4, 4, 901);
    c = addLight(c, rgb(36, 18, 60), std::max(0.0, haze - 0.42) * 1.6);
    c = scaleColour(c, fade);
    uint32_t h = hash2(x, y, 77);
    if ((h & 511) < 3) {
      double b = (0.35 + 0.65 * double((h >> 9) & 255) / 255.0) * (1 - glow) * fade;
      c = addLight(c, (h >> 17) & 1 ? rgb(255, 240, 210) : rgb(200, 220, 255), b);
    }
    return c;
  });
}

// The island: moss lit from the middle by the glowing tube (t up to 0.46), a
// grassy lip, then layered rock that darkens towards the tip far below.
bool makeIsland(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    double t = y / 255.0;
    double n = tileFbm(float(x), float(y), 8, 5, 311), fine = tileFbm(float(x), float(y), 64, 2, 313);
    if (t < 0.5) {
      uint32_t moss = mixColour(rgb(14, 34, 12), rgb(52, 92, 30), n * 0.8 + fine * 0.4);
      // Tufts: bright flecks where the fine noise peaks.
      if (fine > 0.72) moss = mixColour(moss, rgb(110, 160, 60), (fine - 0.72) * 3);
      double pool = std::exp(-t * 9.0);
      uint32_t lit = addLight(scaleColour(moss, 0.5 + 1.0 * pool), rgb(40, 150, 170), pool * 0.9);
      // Blades of grass hang over the lip.
      double lip = smoothStep(0.4, 0.5, t);
      return mixColour(lit, rgb(60, 110, 40), lip * (0.5 + 0.5 * fine));
    }
    double depth = (t - 0.5) / 0.5;
    double strata = 0.5 + 0.5 * std::sin(t * 90 + n * 9);
    uint32_t rock = mixColour(rgb(58, 48, 56), rgb(96, 84, 80), strata * 0.6 + fine * 0.4);
    // Roots and grass hanging from the lip, and the tube's light fading downwards.
    if (depth < 0.25 && fine > 0.55 + depth * 1.6) rock = mixColour(rock, rgb(40, 80, 30), 0.7);
    rock = addLight(rock, rgb(20, 70, 90), (1 - depth) * 0.8);
    return scaleColour(rock, 1.0 - 0.8 * depth);
  });
}

// The stem: green, darker at the foot, with fine ribs; u runs round it.
bool makeStem(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    double t = y / 255.0, u = x / 255.0;
    double rib = 0.5 + 0.5 * std::cos(u * 2 * kPi * 6);
    double rim = 0.55 + 0.45 * std::fabs(std::cos(u * 2 * kPi));
    uint32_t c = mixColour(rgb(40, 110, 36), rgb(120, 190, 70), t * 0.9 + rib * 0.12);
    c = scaleColour(c, (0.55 + 0.45 * t) * rim + 0.08 * tileFbm(float(x), float(y), 16, 2, 51));
    return addLight(c, rgb(20, 90, 110), (1 - rim) * 0.5);
  });
}

// A leaf: left half the top (bright, with a midrib and veins), right half the
// underside (paler, duller); t runs from the stem to the tip.
bool makeLeaf(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    bool under = x >= 128;
    double s = (x % 128) / 127.0 * 2 - 1, t = y / 255.0;
    double vein = std::fabs(std::fmod(std::fabs(s) * 3.0 - t * 2.2 + 4.0, 1.0) - 0.5);
    uint32_t base =
        under ? mixColour(rgb(60, 100, 50), rgb(100, 140, 80), t) : mixColour(rgb(24, 80, 24), rgb(90, 170, 50), t);
    double shade = 0.7 + 0.3 * (1 - std::fabs(s)) + 0.1 * tileFbm(float(x), float(y), 16, 3, 61);
    uint32_t c = scaleColour(base, shade);
    if (vein < 0.06) c = mixColour(c, rgb(150, 210, 110), 0.5);
    if (std::fabs(s) < 0.06) c = mixColour(c, rgb(190, 230, 140), 0.7);
    return c;
  });
}

// The flower's heart: golden seeds in a spiral on top, a green cup below; t runs
// from the top of the head (row 0) to its underside.
bool makePollen(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    double t = y / 255.0, u = x / 255.0;
    if (t > 0.52) return mixColour(rgb(70, 120, 40), rgb(20, 50, 16), (t - 0.52) / 0.48);
    double r = t / 0.52;
    double seeds = 0.5 + 0.5 * std::cos(u * 2 * kPi * 13 + r * 30) * std::cos(u * 2 * kPi * 8 - r * 24);
    uint32_t c = mixColour(rgb(255, 210, 60), rgb(190, 90, 10), r * 0.8 + seeds * 0.35);
    return addLight(c, rgb(255, 240, 150), (1 - r) * 0.5);
  });
}

// A petal: left half the inside (rose deepening to the base, pale tip, fine
// lengthwise veins), right half the outside (darker, bluer); t runs base to tip.
bool makePetal(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    bool outside = x >= 128;
    double s = (x % 128) / 127.0 * 2 - 1, t = y / 255.0;
    double veins = 0.5 + 0.5 * std::cos(s * 18 + tileFbm(float(x), float(y), 8, 2, 71) * 3);
    uint32_t c = t < 0.5 ? mixColour(rgb(120, 10, 60), rgb(235, 70, 140), t / 0.5)
                         : mixColour(rgb(235, 70, 140), rgb(255, 200, 225), (t - 0.5) / 0.5);
    c = scaleColour(c, 0.82 + 0.12 * veins + 0.18 * (1 - s * s));
    if (outside) c = mixColour(scaleColour(c, 0.6), rgb(70, 40, 120), 0.35);
    // The tube's cyan light catches the rim.
    return addLight(c, rgb(30, 110, 140), smoothStep(0.75, 1.0, std::fabs(s)) * 0.6);
  });
}

// The glowing tube, drawn as added light: a bright core round the whole tube
// with white-hot pulses along it; t runs along the tube (seven pictures long).
bool makeGlowTube(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    double t = y / 256.0, u = x / 256.0;
    double pulse = std::pow(0.5 + 0.5 * std::cos(2 * kPi * t * 2), 6);
    double ring = 0.75 + 0.25 * std::cos(2 * kPi * u * 5);
    uint32_t c = scaleColour(rgb(30, 140, 190), ring);
    return addLight(c, rgb(200, 255, 255), pulse);
  });
}

// The fallback for any material without a picture of its own: dark moss.
bool makeFallback(std::vector<uint8_t>& out) {
  return writeTexture(out, [](int x, int y) {
    return mixColour(rgb(10, 24, 12), rgb(40, 70, 30), tileFbm(float(x), float(y), 8, 4, 99));
  });
}

const ForgeRegistrar kScene("DATA\\misc\\kisvirag.3ds", makeScene);
const ForgeRegistrar kSky("DATA\\misc\\sky.rgb", makeSky);
const ForgeRegistrar kIslandTexture("DATA\\misc\\island.rgb", makeIsland);
const ForgeRegistrar kStemTexture("DATA\\misc\\stem.rgb", makeStem);
const ForgeRegistrar kLeaf("DATA\\misc\\leaf.rgb", makeLeaf);
const ForgeRegistrar kPollen("DATA\\misc\\pollen.rgb", makePollen);
const ForgeRegistrar kPetal("DATA\\misc\\petal.rgb", makePetal);
const ForgeRegistrar kGlowTube("DATA\\misc\\glowtube.rgb", makeGlowTube);
const ForgeRegistrar kFallback("DATA\\misc\\texture.rgb", makeFallback);
}  // namespace
