// bogyo: three clusters of berries (red currants, blueberries, golden gooseberries)
// hang from a swaying twig, each sealed in a breathing bubble of glowing glass; at
// dusk we watch them first from the front against the sunset, then from below
// against the first stars as the twig swings.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "forge/keyframe_scene.hpp"
#include "forge/mesh.hpp"
#include "forge/texture_paint.hpp"
#include "forge/forge.hpp"
#include "forge/noise.hpp"

namespace {
using namespace mesh;
using paint::Colour;
using paint::hex;

// Each half of the section plays frames 0 to 300 through its own camera.
constexpr uint16_t kLastFrame = 300;

// The twig: a bending line of tapering segments from its base (out of the picture,
// upper left) to its tip.
struct TwigPoint {
  Vector3 at;
  float radius;
};
const TwigPoint kTwig[] = {
    {{-330, 210, 60}, 9},   {{-240, 150, 40}, 8},  {{-150, 118, 22}, 7}, {{-60, 100, 8}, 6},
    {{30, 86, 0}, 5},       {{110, 80, -8}, 4.2f}, {{180, 92, -16}, 3.4f}, {{235, 118, -20}, 2.4f},
};

// The clusters: where each hangs from the twig, where its berries gather, its berry
// and shell looks, its glow object's name, and how it swings and breathes.
struct ClusterDesign {
  const char* name;
  const char* shellName;
  Vector3 attach, centre;
  float berryRadius;
  float shellRadius;
  const char* berryTexture;
  float swingDegrees;  // pendulum amplitude about the attachment
  uint16_t swingPeriod;
  float shellSpinPerFrame;
};
const ClusterDesign kClusters[] = {
    // name       glow object   attached at      berries round    berry  shell  texture  swing  period  shell spin
    {"cluster 0", "transp bo0", {-150, 118, 22}, {-150, 52, 22}, 13, 40, "currant.gif", 9, 150, 0.8f},
    {"cluster 1", "transp bog", {-10, 93, 4}, {-10, 14, 4}, 15, 46, "blueb.gif", 7, 100, -0.6f},
    {"cluster 2", "transp bo1", {130, 82, -10}, {130, 22, -10}, 13.5f, 42, "goose.gif", 11, 150, 1.0f},
};
// Berries of a cluster, as offsets from its centre in berry radii.
const Vector3 kBerryOffsets[] = {
    {0, 1.2f, 0}, {-1.0f, 0.2f, 0.5f}, {1.0f, 0.3f, -0.4f}, {0.2f, -0.5f, -1.0f}, {-0.1f, -0.9f, 0.9f},
};

// Leaves: base on the twig, direction and length of the blade, width.
struct LeafDesign {
  Vector3 base, direction;
  float length, width;
};
const LeafDesign kLeaves[] = {
    {{-240, 150, 40}, {-0.3f, 0.9f, -0.3f}, 70, 30}, {{-200, 134, 32}, {0.4f, 0.8f, 0.5f}, 60, 26},
    {{-60, 100, 8}, {0.2f, 0.9f, -0.5f}, 64, 28},    {{60, 84, -2}, {-0.2f, 0.7f, 0.7f}, 56, 24},
    {{180, 92, -16}, {0.5f, 0.8f, -0.3f}, 58, 26},   {{235, 118, -20}, {0.7f, 0.6f, 0.2f}, 48, 22},
};

// The sky dome round everything.
constexpr Vector3 kDomeCentre{0, 40, 0};
constexpr float kDomeRadius = 900;

// The two cameras: in front against the sunset, then from below against the stars.
const CameraKey kFrontCamera[] = {
    {0, {-170, 85, -300}, {-50, 75, 0}, 60, 0},
    {100, {-50, 62, -275}, {0, 68, 0}, 60, 1},
    {200, {80, 50, -255}, {30, 66, 0}, 58, -1},
    {300, {190, 70, -215}, {60, 66, 0}, 56, 0},
};
const CameraKey kBelowCamera[] = {
    {0, {70, -150, 190}, {10, 60, 0}, 66, 0},
    {150, {-40, -125, 150}, {-25, 60, 0}, 64, 6},
    {300, {-190, -70, 120}, {-70, 55, 0}, 62, 10},
};

// --- Geometry -------------------------------------------------------------------

Mesh twigMesh(uint8_t bark) {
  Mesh m;
  const int n = int(std::size(kTwig));
  for (int i = 0; i + 1 < n; ++i) {
    const TwigPoint &a = kTwig[i], &b = kTwig[i + 1];
    Vector3 axis = b.at - a.at;
    float len = length(axis);
    addTube(m, alongAxisToward(a.at, axis, {0, 1, -0.4f}), a.radius, b.radius, len, 6,
            {0, 0, 1, len / (6.2831853f * a.radius) * 0.5f}, bark);
  }
  return m;
}

// A leaf: a diamond blade from its base along `direction`, bent a little at its
// middle, shown on both sides.
Mesh leavesMesh(uint8_t leaf) {
  Mesh m;
  for (const LeafDesign& l : kLeaves) {
    Vector3 along = unit(l.direction);
    Vector3 across = unit(cross(along, {0.3f, 0.2f, 1}));
    Vector3 normal = unit(cross(across, along));
    Vector3 tip = l.base + along * l.length, mid = l.base + along * (l.length * 0.45f) + normal * (l.length * 0.08f);
    Vector3 left = mid - across * (l.width * 0.5f), right = mid + across * (l.width * 0.5f);
    for (int side = 0; side < 2; ++side) {
      Vector3 facing = side == 0 ? normal : -normal;
      uint16_t b = addVertex(m, l.base, {0.5f, 1}), t = addVertex(m, tip, {0.5f, 0});
      uint16_t lv = addVertex(m, left, {0, 0.55f}), rv = addVertex(m, right, {1, 0.55f});
      addTriangle(m, b, rv, t, facing, leaf);
      addTriangle(m, b, t, lv, facing, leaf);
    }
  }
  return m;
}

Mesh clusterMesh(const ClusterDesign& c, uint8_t berry, uint8_t bark) {
  Mesh m;
  Vector3 top = c.centre + Vector3{0, c.berryRadius * 1.9f, 0};
  addTube(m, alongAxisToward(c.attach, top - c.attach, {0, 0, -1}), 2.2f, 1.6f, length(top - c.attach), 5,
          {0, 0, 1, 2}, bark);
  int k = 0;
  for (const Vector3& o : kBerryOffsets) {
    // Each berry turned differently so that their highlights do not line up.
    Placement at = turned(placedAt(c.centre + o * c.berryRadius), 1, float(k++) * 67.0f);
    addSphere(m, at, {c.berryRadius, c.berryRadius * 0.95f, c.berryRadius}, 4, 6, {0, 0, 1, 1}, berry);
  }
  return m;
}

Mesh shellMesh(const ClusterDesign& c, uint8_t glass) {
  Mesh m;
  addSphere(m, placedAt(c.centre), {c.shellRadius, c.shellRadius * 1.08f, c.shellRadius}, 6, 8, {0, 0, 2, 1},
            glass);
  return m;
}

// An inward sphere: sky above the horizon, meadow below it (the texture's rows
// run from the zenith down to the horizon, and from the horizon to the nadir).
Mesh domeMesh(uint8_t sky, uint8_t ground) {
  Mesh m;
  addSphere(m, placedAt(kDomeCentre), {kDomeRadius, kDomeRadius, kDomeRadius}, 8, 16, {0, 0, 4, 2}, sky, true);
  for (Triangle& t : m.triangles) {
    float y = m.positions[t.a].y + m.positions[t.b].y + m.positions[t.c].y;
    if (y < 3 * kDomeCentre.y) t.material = ground;
  }
  return m;
}

// --- Animation --------------------------------------------------------------------

// A pendulum about `axis`: `degrees` either way, `period` frames per swing and back.
std::vector<RotationKey> swing(const Vector3& axis, float degrees, uint16_t period, float phase) {
  std::vector<RotationKey> keys;
  for (int f = 0; f <= kLastFrame; f += period / 4)
    keys.push_back({uint16_t(f), axisAngle(axis, degrees * std::sin((float(f) / float(period) + phase) * 6.2831853f))});
  return keys;
}

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  const uint8_t bark = s.addMaterial("bark", "bark.gif");
  const uint8_t leaf = s.addMaterial("leaf", "leaf.gif");
  const uint8_t glass = s.addMaterial("glow glass", "glass.gif");
  const uint8_t sky = s.addMaterial("dusk sky", "sky.gif");
  const uint8_t ground = s.addMaterial("meadow", "meadow.gif");

  const uint16_t twig = s.addObject("twig", twigMesh(bark), kTwig[0].at);
  s.setRotations(twig, swing({0.2f, 0, 1}, 2.5f, 300, 0));
  // The twig with its berries and leaves, then the sky behind them all; the shells
  // come last (they are drawn in the glow pass).
  std::vector<uint16_t> clusters;
  for (const ClusterDesign& c : kClusters) {
    uint8_t berry = s.addMaterial(std::string(c.name) + " berries", c.berryTexture);
    uint16_t node = s.addObject(c.name, clusterMesh(c, berry, bark), c.attach, twig);
    s.setRotations(node, swing({1, 0, 0.6f}, c.swingDegrees, c.swingPeriod, 0.1f * float(clusters.size())));
    clusters.push_back(node);
  }
  s.addObject("leaves", leavesMesh(leaf), kTwig[0].at, twig);
  s.addObject("sky", domeMesh(sky, ground));
  // The glowing shells ride with their clusters, breathing and turning.
  for (size_t i = 0; i < std::size(kClusters); ++i) {
    const ClusterDesign& c = kClusters[i];
    uint16_t node = s.addObject(c.shellName, shellMesh(c, glass), c.centre, clusters[i]);
    std::vector<ScaleKey> breath;
    for (int f = 0; f <= kLastFrame; f += 25) {
      float k = 1.0f + 0.07f * std::sin(float(f) / 50.0f * 3.14159265f + float(i));
      breath.push_back({uint16_t(f), {k, 2 - k, k}});
    }
    s.setScales(node, breath);
    s.setRotations(node, steadyTurn({0, 1, 0}, c.shellSpinPerFrame, kLastFrame, 60));
  }
  s.addCamera("Camera01", std::vector<CameraKey>(std::begin(kFrontCamera), std::end(kFrontCamera)));
  s.addCamera("Camera02", std::vector<CameraKey>(std::begin(kBelowCamera), std::end(kBelowCamera)));
  return s.write(out);
}

// --- Textures ---------------------------------------------------------------------

// A berry round its sphere mapping: the colour deepening away from a glossy
// highlight, a rim of light, and the dry calyx at the bottom pole.
Colour berryShade(int x, int y, Colour deep, Colour light, float bloom) {
  float u = (float(x) + 0.5f) / 256.0f, v = (float(y) + 0.5f) / 256.0f;
  float facing = std::cos((u - 0.3f) * 6.2831853f) * std::sin(v * 3.14159265f);
  Colour c = paint::mix(deep, light, 0.5f + 0.5f * facing - 0.3f * v);
  c = c * (0.75f + 0.3f * tileFbm(float(x), float(y), 16, 3, 211) * bloom + (1 - bloom) * 0.15f);
  float gloss = paint::spot(u, v, 0.3f, 0.33f, 0.09f);
  c = c + Colour{255, 255, 255} * (0.9f * gloss);
  if (v > 0.9f) c = paint::mix(c, hex(0x3a2a14), (v - 0.9f) * 10);
  return c;
}

Colour currantTexel(int x, int y) { return berryShade(x, y, hex(0x500810), hex(0xf03028), 0.3f); }
Colour blueberryTexel(int x, int y) { return berryShade(x, y, hex(0x101a3c), hex(0x6878c0), 1.0f); }
Colour gooseberryTexel(int x, int y) {
  Colour c = berryShade(x, y, hex(0x5a3a08), hex(0xf8c848), 0.2f);
  float vein = paint::band(std::fmod(float(x) + 8, 16.0f) - 8, 1.2f);  // stripes from pole to pole
  return c * (1.0f - 0.25f * vein);
}

// Bark: brown with cracks along the twig, lit along u = 0.25.
Colour barkTexel(int x, int y) {
  float u = (float(x) + 0.5f) / 256.0f;
  float facing = std::cos((u - 0.25f) * 6.2831853f);
  float crack = tileFbm(float(x) * 2, float(y) * 0.25f, 16, 3, 223);
  Colour c = hex(0x5a4030) * (0.45f + 0.5f * std::max(0.0f, facing) + 0.15f * facing);
  if (crack < 0.35f) c = c * 0.45f;
  return c + hex(0x3a5030) * (0.3f * tileFbm(float(x), float(y), 8, 2, 227));
}

// A leaf blade: lighter midrib and veins, darker edges, a sheen on one half.
Colour leafTexel(int x, int y) {
  float u = (float(x) + 0.5f) / 256.0f - 0.5f, v = (float(y) + 0.5f) / 256.0f;
  Colour c = paint::mix(hex(0x2a6a1c), hex(0x103a10), std::fabs(u) * 2);
  c = c * (0.8f + 0.3f * tileFbm(float(x), float(y), 16, 3, 229));
  if (u < 0) c = c * 1.25f;
  float rib = paint::band(u, 0.02f);
  float vein = paint::band(std::fmod(v + std::fabs(u) * 0.8f + 1.0f, 0.12f) - 0.06f, 0.008f);
  return c + hex(0x90c060) * (0.6f * rib + 0.3f * vein * (1 - std::fabs(u) * 2));
}

// The shells' glass: dark, with a net of glowing cells and sparks (it is added on
// top of the picture, so dark parts leave it alone).
Colour glassTexel(int x, int y) {
  // Cells: the distances to the nearest two jittered points of a wrapping 8 x 8
  // lattice of 32-texel cells (the neighbouring cells hold them).
  float best = 1e9f, second = 1e9f;
  for (int cy = y / 32 - 1; cy <= y / 32 + 1; ++cy)
    for (int cx = x / 32 - 1; cx <= x / 32 + 1; ++cx) {
      uint32_t h = hash2((cx + 8) % 8, (cy + 8) % 8, 239);
      float px = (float(cx) + 0.2f + 0.6f * float(h & 255) / 255.0f) * 32;
      float py = (float(cy) + 0.2f + 0.6f * float((h >> 8) & 255) / 255.0f) * 32;
      float d = std::hypot(float(x) - px, float(y) - py);
      if (d < best) second = best, best = d;
      else if (d < second) second = d;
    }
  float edge = second - best;
  Colour c = hex(0x040c16) + hex(0x0c2a26) * (best / 24.0f);
  c = c + hex(0x40e8c0) * paint::band(edge, 2.5f);
  if ((hash2(x, y, 241) & 511) == 0) c = hex(0xc0fff0);
  return c;
}

// The sky from the zenith (top row) to the horizon (bottom row): deep violet with
// stars, rose, then the orange of the sunset and a ridge of dark hills.
Colour skyTexel(int x, int y) {
  float v = (float(y) + 0.5f) / 256.0f;
  Colour c = paint::mix(hex(0x0c0a28), hex(0x40205a), v * 1.4f);
  c = paint::mix(c, hex(0xc05070), (v - 0.55f) * 3);
  c = paint::mix(c, hex(0xffa050), (v - 0.8f) * 6);
  if (v < 0.6f && (hash2(x, y, 251) % 97) == 0) c = c + Colour{200, 200, 220} * (1 - v);
  float ridge = 0.91f + 0.05f * tileFbm(float(x), 0, 4, 4, 257) + 0.025f * tileFbm(float(x), 0, 16, 2, 263);
  if (v > ridge) c = hex(0x1a1024) * (1.0f + 0.6f * (1 - (v - ridge) * 12));
  return c;
}

// The meadow from the horizon (top row) down: hazy at the horizon, dark grass
// below, with fireflies.
Colour meadowTexel(int x, int y) {
  float v = (float(y) + 0.5f) / 256.0f;
  Colour c = paint::mix(hex(0x3a2238), hex(0x0a1208), v * 3.0f);
  c = c * (0.6f + 0.6f * tileFbm(float(x) * 2, float(y) * 0.5f, 32, 3, 269));
  uint32_t h = hash2(x / 8, y / 8, 271);
  if ((h & 31) == 0)
    c = c + hex(0xe0ff60) *
                paint::spot(float(x % 8), float(y % 8), float((h >> 8) & 3) + 2, float((h >> 12) & 3) + 2, 2.5f);
  return c;
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\BOGYO\\bogyo.3ds", makeScene},
    {"DATA\\BOGYO\\currant.rgb", paint::textureMaker<currantTexel>},
    {"DATA\\BOGYO\\blueb.rgb", paint::textureMaker<blueberryTexel>},
    {"DATA\\BOGYO\\goose.rgb", paint::textureMaker<gooseberryTexel>},
    {"DATA\\BOGYO\\bark.rgb", paint::textureMaker<barkTexel>},
    {"DATA\\BOGYO\\leaf.rgb", paint::textureMaker<leafTexel>},
    {"DATA\\BOGYO\\glass.rgb", paint::textureMaker<glassTexel>},
    {"DATA\\BOGYO\\sky.rgb", paint::textureMaker<skyTexel>},
    {"DATA\\BOGYO\\meadow.rgb", paint::textureMaker<meadowTexel>},
    {"DATA\\BOGYO\\texture.rgb", paint::fallbackMaker<0x3a2a3a, 0x5a4030>},
};
}  // namespace
