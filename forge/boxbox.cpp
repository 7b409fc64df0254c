// boxbox: a lantern of four hollow boxes with glowing windows, each nested in the
// next and turning against it round a white-hot core, unfolds out of itself in a
// dark pillared hall while the camera circles it, and folds back before the end.
#include <cmath>
#include <cstdint>
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

constexpr uint16_t kLastFrame = 600;

// The nested shells, outermost first; each hangs in the one before it. A shell must
// turn freely inside its parent: half x sqrt(3) stays below the parent's half - wall.
struct ShellDesign {
  const char* name;
  const char* texture;
  float half, wall, window;  // half size, wall thickness, half size of the windows
  Vector3 axis;              // turning against its parent about this axis
  float degreesPerFrame;
  uint16_t growFrom, growTo, foldFrom, foldTo;  // unfolds out of its parent and back
  uint32_t body, trim, glow;                    // enamel, inlaid trim, window light
};

const ShellDesign kShells[] = {
    // name     texture       half  wall  window  axis            deg/f  grow     fold      body      trim      glow
    {"shell 0", "shell0.gif", 100, 7.0f, 66.0f, {0, 1, 0}, 0.45f, 0, 0, 0, 0, 0x1a2848, 0xd8a840, 0x60d0ff},
    {"shell 1", "shell1.gif", 52, 5.0f, 34.0f, {1, 0.3f, 0}, -0.9f, 12, 70, 520, 568, 0x4a1c14, 0xe8843a, 0xffc060},
    {"shell 2", "shell2.gif", 26, 3.2f, 17.0f, {0.3f, 1, 1}, 1.4f, 36, 92, 508, 556, 0x0c3834, 0x50e0b0, 0xa0ffe0},
    {"shell 3", "shell3.gif", 12, 2.2f, 7.5f, {1, 1, 0}, -2.2f, 60, 112, 496, 544, 0x3a1040, 0xf070d0, 0xffb0ff},
};
// The core: a small white-hot cube in the innermost shell.
constexpr float kCoreHalf = 5.0f;
constexpr float kCoreDegreesPerFrame = 3.2f;
constexpr uint16_t kCoreGrow[4] = {84, 130, 484, 532};

// The hall: floor, walls and ceiling round the lantern, with four pillars.
constexpr Vector3 kHallCentre{0, 150, 0};
constexpr Vector3 kHallHalf{800, 450, 800};
constexpr float kPillarDistance = 520, kPillarHalf = 34;

// The camera circles the lantern: angle round it (degrees), distance, height.
struct OrbitKey {
  uint16_t frame;
  float angle, distance, height;
};
const OrbitKey kOrbit[] = {
    {0, -10, 235, 40},   {100, 40, 275, 120}, {200, 100, 310, 60},  {300, 165, 335, -40},
    {400, 225, 305, 30}, {500, 285, 270, 135}, {600, 335, 240, 70},
};
constexpr float kFov = 68;

// --- Geometry -------------------------------------------------------------------

// The square ring of one face between half sizes `outer` and `inner`, textured by
// position across the face (the whole face spans the texture part).
void addFaceRing(Mesh& m, const Vector3& centre, const Vector3& right, const Vector3& up, float outer, float inner,
                 const Vector3& facing, UvRect uv, uint8_t material) {
  auto corner = [&](float sx, float sy, float size) { return centre + right * (sx * size) + up * (sy * size); };
  auto uvAt = [&](float sx, float sy, float size) {
    return uv.at(0.5f + 0.5f * sx * size / outer, 0.5f - 0.5f * sy * size / outer);
  };
  const float sides[4][4] = {{-1, 1, 1, 1}, {1, 1, 1, -1}, {1, -1, -1, -1}, {-1, -1, -1, 1}};
  for (const auto& s : sides) {
    Vector3 p[4] = {corner(s[0], s[1], outer), corner(s[2], s[3], outer), corner(s[2], s[3], inner),
                    corner(s[0], s[1], inner)};
    Uv t[4] = {uvAt(s[0], s[1], outer), uvAt(s[2], s[3], outer), uvAt(s[2], s[3], inner), uvAt(s[0], s[1], inner)};
    uint16_t i[4];
    for (int k = 0; k < 4; ++k) i[k] = addVertex(m, p[k], t[k]);
    addTriangle(m, i[0], i[1], i[2], facing, material);
    addTriangle(m, i[0], i[2], i[3], facing, material);
  }
}

// A hollow box with a square window in every face: outside rings (texture quarter
// 0), window linings (quarter 2) and inside rings (quarter 1), in that order, so
// that the nearer surfaces are drawn first and hide the others cheaply.
Mesh windowedBox(float half, float wall, float window, uint8_t material) {
  Mesh m;
  const Vector3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int layer = 0; layer < 3; ++layer)
    for (int face = 0; face < 6; ++face) {
      Vector3 n = axes[face / 2] * ((face & 1) ? -1.0f : 1.0f);
      Vector3 up = face / 2 == 1 ? Vector3{0, 0, 1} : Vector3{0, 1, 0};
      Vector3 right = cross(n, up);
      if (layer == 0) addFaceRing(m, n * half, right, up, half, window, n, quarter(0), material);
      if (layer == 2) addFaceRing(m, n * (half - wall), right, up, half - wall, window, -n, quarter(1), material);
      if (layer != 1) continue;
      // Linings: from the outside surface (v = 0) in to the inside one.
      const Vector3 edges[4] = {up, right, -up, -right};
      for (int e = 0; e < 4; ++e) {
        Vector3 out = edges[e], along = edges[(e + 1) % 4];
        Vector3 a = n * half + out * window - along * window, b = n * half + out * window + along * window;
        addQuad(m, a, b, b - n * wall, a - n * wall, quarter(2), -out, material);
      }
    }
  return m;
}

// The pillars stand between the camera and the walls, so they come first.
Mesh hallMesh(uint8_t floor, uint8_t wall, uint8_t ceiling) {
  Mesh m;
  const Vector3 h = kHallHalf;
  const float floorY = kHallCentre.y - h.y, height = 2 * h.y;
  for (int i = 0; i < 4; ++i) {
    float x = (i & 1) ? kPillarDistance : -kPillarDistance, z = (i & 2) ? kPillarDistance : -kPillarDistance;
    BoxLooks pillar = allFaces(wall, {0, 0, 0.25f, 1});
    pillar[2].skip = pillar[3].skip = true;
    addBox(m, placedAt({x, floorY + height / 2, z}), {kPillarHalf, height / 2, kPillarHalf}, pillar);
  }
  BoxLooks looks = allFaces(wall, {0, 0, 3, 1});
  looks[2] = {ceiling, {0, 0, 3, 3}, false};
  looks[3] = {floor, {0, 0, 1, 1}, false};
  addBox(m, placedAt(kHallCentre), h, looks, true);
  return m;
}

// --- Animation --------------------------------------------------------------------

std::vector<ScaleKey> unfoldAndFold(const uint16_t frames[4]) {
  const Vector3 folded{0.01f, 0.01f, 0.01f}, open{1, 1, 1};
  return {{frames[0], folded, kEaseKey}, {frames[1], open, kEaseKey}, {frames[2], open, kEaseKey},
          {frames[3], folded, kEaseKey}};
}

std::vector<CameraKey> cameraPath() {
  std::vector<CameraKey> keys;
  for (const OrbitKey& k : kOrbit) {
    float a = k.angle * 3.14159265f / 180.0f;
    Vector3 eye{k.distance * std::sin(a), k.height, -k.distance * std::cos(a)};
    Vector3 target{0, k.height * 0.15f, 0};
    keys.push_back({k.frame, eye, target, kFov, 0});
  }
  return keys;
}

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  uint16_t parent = kThreeDsNoNode;
  for (const ShellDesign& d : kShells) {
    uint8_t material = s.addMaterial(d.name, d.texture);
    uint16_t node = s.addObject(d.name, windowedBox(d.half, d.wall, d.window, material), {0, 0, 0}, parent);
    s.setRotations(node, steadyTurn(d.axis, d.degreesPerFrame, kLastFrame, 40));
    if (d.growTo > 0) {
      const uint16_t frames[4] = {d.growFrom, d.growTo, d.foldFrom, d.foldTo};
      s.setScales(node, unfoldAndFold(frames));
    } else {  // the outer shell sways gently as it hangs
      s.setPositions(node, {{0, {0, 0, 0}}, {150, {0, 12, 0}}, {300, {0, -6, 0}}, {450, {0, 14, 0}}, {600, {0, 0, 0}}});
    }
    parent = node;
  }
  uint8_t core = s.addMaterial("core", "core.gif");
  Mesh coreMesh;
  addBox(coreMesh, {}, {kCoreHalf, kCoreHalf, kCoreHalf}, allFaces(core));
  uint16_t coreNode = s.addObject("core", coreMesh, {0, 0, 0}, parent);
  s.setRotations(coreNode, steadyTurn({1, 2, 0.5f}, kCoreDegreesPerFrame, kLastFrame, 40));
  s.setScales(coreNode, unfoldAndFold(kCoreGrow));

  uint8_t floor = s.addMaterial("floor", "floor.gif");
  uint8_t wall = s.addMaterial("wall", "wall.gif");
  uint8_t ceiling = s.addMaterial("ceiling", "ceiling.gif");
  s.addObject("hall", hallMesh(floor, wall, ceiling));
  s.addCamera("Camera01", cameraPath());
  return s.write(out);
}

// --- Textures ---------------------------------------------------------------------

// Shell i's atlas: the outside of a face, the inside, the window lining, spare.
template <int i>
Colour shellTexel(int x, int y) {
  const ShellDesign& d = kShells[i];
  const Colour body = hex(d.body), trim = hex(d.trim), glow = hex(d.glow);
  const float windowEdge = (d.half - d.window) / (2 * d.half);  // face units from the rim
  int q = (x >= 128 ? 1 : 0) + (y >= 128 ? 2 : 0);
  float fx = (float(x % 128) + 0.5f) / 128.0f, fy = (float(y % 128) + 0.5f) / 128.0f;
  float grain = tileFbm(float(x), float(y), 16, 4, 31);
  float edge = std::min({fx, fy, 1 - fx, 1 - fy});
  if (q == 0) {
    // Enamel lit from above, a gold rim, an inlaid trim line, rivets and a bright
    // bevel round the window.
    Colour c = body * (0.75f + 0.5f * grain + 0.45f * (1 - fy));
    float rim = paint::band(edge - 0.012f, 0.02f);
    c = paint::mix(c, trim * (1.1f - 0.4f * fy), rim);
    c = paint::mix(c, trim * 0.8f, paint::band(edge - windowEdge * 0.45f, 0.008f));
    float cornerX = std::min(fx, 1 - fx), cornerY = std::min(fy, 1 - fy);
    if (std::hypot(cornerX - windowEdge * 0.45f, cornerY - windowEdge * 0.45f) < 0.022f) c = trim * 1.2f;
    float lip = paint::band(edge - windowEdge + 0.01f, 0.02f);
    return paint::mix(c, glow, lip * 0.9f);
  }
  if (q == 1) {
    // Inside: dark, warmed by the core's light nearer the window.
    float nearWindow = std::clamp(1.0f - (windowEdge - edge) / 0.12f, 0.0f, 1.0f);
    return body * (0.35f + 0.3f * grain) + glow * (0.35f * nearWindow * nearWindow);
  }
  if (q == 2) {
    // Window lining: a glowing strip between two dark lips.
    float across = std::fabs(fy - 0.5f) * 2;
    Colour c = glow * (1.1f - 0.7f * across);
    c = c + Colour{255, 255, 255} * (0.35f * paint::band(across, 0.3f));
    if (across > 0.8f) c = body * 0.6f;
    return c;
  }
  return body * (0.5f + 0.4f * grain);
}

// White-hot in the middle of each face, yellow to orange at its rim.
Colour coreTexel(int x, int y) {
  float d = std::max(std::fabs(float(x) - 127.5f), std::fabs(float(y) - 127.5f)) / 128.0f;
  Colour c = paint::mix(hex(0xffffff), hex(0xffd050), d * 1.3f);
  c = paint::mix(c, hex(0xff6a10), (d - 0.75f) * 4);
  float grid =
      paint::band(std::fmod(float(x) + 16, 32.0f) - 16, 1.5f) + paint::band(std::fmod(float(y) + 16, 32.0f) - 16, 1.5f);
  return c * (1.0f - 0.12f * std::min(1.0f, grid));
}

// Dark polished tiles with faint cyan seams, and a warm pool of light under the
// lantern (the floor shows the texture once).
Colour floorTexel(int x, int y) {
  int tile = (x / 32 + y / 32) & 1;
  float grain = tileFbm(float(x), float(y), 32, 3, 41);
  Colour c = paint::mix(hex(0x141824), hex(0x1e2434), float(tile)) * (0.8f + 0.4f * grain);
  float lx = float(x % 32), ly = float(y % 32);
  c = c + Colour{40, 40, 50} * std::max(0.0f, paint::bevelLight(lx, ly, 32, 32, 3));
  float seam = std::min({lx, ly, 31 - lx, 31 - ly});
  if (seam < 1) c = hex(0x2a6a80);
  float pool = paint::spot(float(x), float(y), 127.5f, 127.5f, 120);
  c = c + hex(0xffb060) * (0.55f * pool);
  float vignette = paint::spot(float(x), float(y), 127.5f, 127.5f, 200);
  return c * (0.55f + 0.6f * vignette);
}

// Ribbed wall panels with a row of small lamps and soot near the floor.
Colour wallTexel(int x, int y) {
  float grain = tileFbm(float(x), float(y), 8, 4, 53);
  float rib = 0.8f + 0.2f * std::cos(float(x % 64) / 64.0f * 6.2831853f);
  Colour c = hex(0x263048) * (rib * (0.7f + 0.6f * grain));
  if (x % 64 < 2) c = hex(0x10141e);
  if (std::abs(y - 40) < 2) c = hex(0x3a4460);
  float lamp = 0;
  if (std::abs(y - 96) < 6 && std::abs(x % 64 - 32) < 10) lamp = 1;
  c = c + hex(0x9ae0ff) * paint::spot(float(x % 64), float(y), 32, 96, 26) * 0.5f;
  if (lamp > 0) c = hex(0xd8f4ff);
  float soot = std::clamp((float(y) - 170) / 86.0f, 0.0f, 1.0f);
  return c * (1.0f - 0.55f * soot * (0.6f + 0.4f * grain));
}

// A dark coffered ceiling with a lamp in every coffer.
Colour ceilingTexel(int x, int y) {
  float lx = float(x % 64), ly = float(y % 64);
  float grain = tileFbm(float(x), float(y), 16, 3, 67);
  Colour c = hex(0x161a26) * (0.7f + 0.5f * grain);
  c = c + Colour{30, 34, 46} * paint::bevelLight(lx, ly, 64, 64, 6);
  c = c + hex(0xffe0b0) * paint::spot(lx, ly, 31.5f, 31.5f, 16);
  return c;
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\boxbox\\boxbox.3ds", makeScene},
    {"DATA\\boxbox\\shell0.rgb", paint::textureMaker<shellTexel<0>>},
    {"DATA\\boxbox\\shell1.rgb", paint::textureMaker<shellTexel<1>>},
    {"DATA\\boxbox\\shell2.rgb", paint::textureMaker<shellTexel<2>>},
    {"DATA\\boxbox\\shell3.rgb", paint::textureMaker<shellTexel<3>>},
    {"DATA\\boxbox\\core.rgb", paint::textureMaker<coreTexel>},
    {"DATA\\boxbox\\floor.rgb", paint::textureMaker<floorTexel>},
    {"DATA\\boxbox\\wall.rgb", paint::textureMaker<wallTexel>},
    {"DATA\\boxbox\\ceiling.rgb", paint::textureMaker<ceilingTexel>},
    {"DATA\\boxbox\\texture.rgb", paint::fallbackMaker<0x1a2848, 0x263048>},
};
}  // namespace
