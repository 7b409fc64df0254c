// forgo: a clockwork wall of meshing brass and steel gears drives a three-armed
// rotor with lamps at its tips, while two turnstiles spin on the floor before it;
// first we drift across it face-on, then watch it from low at the side.
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

// Each half of the section plays frames 0 to 150 through its own camera.
constexpr uint16_t kLastFrame = 150;
constexpr float kPi = 3.14159265358979f;

// The gear train on the wall. Every gear after the first meshes with an earlier one
// (`drivenBy`), standing in the direction `angle` (degrees) from it at the sum of
// their pitch radii; the phases and speeds follow from that. Pitch radius is
// teeth x kModule / 2.
constexpr float kModule = 12;
struct GearDesign {
  const char* name;
  int teeth;
  int drivenBy;  // -1: the driver
  float angle;   // direction from the driving gear, degrees
  bool steel;    // steel, else brass
};
const GearDesign kGears[] = {
    // name      teeth  driven by  angle  steel
    {"gear 0", 18, -1, 0, false}, {"gear 1", 10, 0, -20, true}, {"gear 2", 12, 0, 200, true},
    {"gear 3", 8, 2, 112, false},  {"gear 4", 13, 1, 62, false}, {"gear 5", 8, 0, 98, true},
    {"gear 6", 11, 1, -72, false},
};
constexpr Vector3 kDriverCentre{0, 200, 0};
constexpr float kDriverDegreesPerFrame = 1.0f;
constexpr float kGearThickness = 16, kGearDepth = -16;  // the gears' mid-plane in front of the wall

// The rotor: three arms with lamps, on a shaft out of the driver, in front of the
// train.
constexpr float kRotorDepth = -110, kRotorArm = 170;

// Turnstiles on the floor: where they stand, how fast they turn.
struct TurnstileDesign {
  const char* name;
  float x, z;
  float degreesPerFrame;
};
const TurnstileDesign kTurnstiles[] = {{"turnstile 0", -150, -260, 2.4f}, {"turnstile 1", 170, -220, -2.0f}};

// The room: the gear wall at z = 0, the floor at y = kFloorY.
constexpr float kFloorY = -60;
constexpr Vector3 kRoomCentre{0, 200, -400};
constexpr Vector3 kRoomHalf{460, 260, 400};

const CameraKey kFaceOnCamera[] = {
    {0, {-130, 215, -470}, {-40, 200, 0}, 64, 0},
    {75, {0, 190, -420}, {10, 190, 0}, 64, 0},
    {150, {120, 170, -370}, {50, 180, 0}, 62, 2},
};
const CameraKey kSideCamera[] = {
    {0, {-330, 0, -380}, {-10, 180, -40}, 66, -6},
    {75, {-260, -20, -420}, {30, 185, -40}, 66, 0},
    {150, {-150, -30, -440}, {70, 190, -30}, 64, 5},
};

// --- Geometry -------------------------------------------------------------------

struct PlacedGear {
  Vector3 centre;
  float restAngle;        // radians: a tooth points this way at frame 0
  float degreesPerFrame;  // counter-clockwise as the first camera sees it
};

// Works out where each gear stands, how its teeth sit and how fast it turns.
std::vector<PlacedGear> placeGears() {
  std::vector<PlacedGear> out;
  for (const GearDesign& g : kGears) {
    if (g.drivenBy < 0) {
      out.push_back({kDriverCentre, 0, kDriverDegreesPerFrame});
      continue;
    }
    const GearDesign& a = kGears[g.drivenBy];
    const PlacedGear& pa = out[size_t(g.drivenBy)];
    float phi = g.angle * kPi / 180;
    float distance = (float(a.teeth) + float(g.teeth)) * kModule / 2;
    Vector3 centre = pa.centre + Vector3{std::cos(phi), std::sin(phi), 0} * distance;
    // A's teeth and B's gaps meet on the line between them: the fractional tooth
    // positions of the two along it add up to a half.
    float along = (phi - pa.restAngle) * float(a.teeth) / (2 * kPi);
    float fraction = along - std::floor(along);
    float rest = phi + kPi - (0.5f - fraction) * 2 * kPi / float(g.teeth);
    out.push_back({centre, rest, -pa.degreesPerFrame * float(a.teeth) / float(g.teeth)});
  }
  return out;
}

// A placement in the wall's plane: local x turned to `angle` (radians), local z
// towards the room (so a gear's front faces the cameras).
Placement onWall(const Vector3& at, float angle) {
  return {at, {std::cos(angle), std::sin(angle), 0}, {-std::sin(angle), std::cos(angle), 0}, {0, 0, -1}};
}

Mesh gearMesh(const GearDesign& d, const PlacedGear& p, uint8_t gears) {
  Mesh m;
  GearShape shape;
  shape.teeth = d.teeth;
  float pitch = float(d.teeth) * kModule / 2;
  shape.rootRadius = pitch - 1.1f * kModule;
  shape.tipRadius = pitch + 0.9f * kModule;
  shape.thickness = kGearThickness;
  shape.back = false;
  Vector3 centre = p.centre + Vector3{0, 0, kGearDepth};
  addGear(m, onWall(centre, p.restAngle), shape, quarter(d.steel ? 1 : 0), gears, quarter(d.steel ? 3 : 2), gears);
  // The hub: a short boss with a cap, and the axle back into the wall.
  Placement hub = onWall(centre, p.restAngle);
  addTube(m, hub, 11, 11, 14, 6, quarter(3), gears);
  addDisc(m, hub, 11, 14, 6, quarter(1), gears, true);
  return m;
}

// Three arms on a hub, a lamp at the end of each; built about the rotor's centre.
Mesh rotorMesh(uint8_t rotor) {
  Mesh m;
  Placement hub = onWall({0, 0, 0}, 0);
  addTube(m, hub, 16, 16, 14, 8, quarter(1), rotor);
  addDisc(m, hub, 16, 14, 8, quarter(1), rotor, true);
  addTube(m, onWall({0, 0, -kRotorDepth + kGearDepth}, 0), 6, 6, -kRotorDepth + kGearDepth, 6, quarter(1), rotor);
  for (int k = 0; k < 3; ++k) {
    float a = 2 * kPi * float(k) / 3 + kPi / 2;
    Vector3 dir{std::cos(a), std::sin(a), 0};
    Placement arm = onWall(dir * (kRotorArm / 2), a);
    BoxLooks bar = allFaces(rotor, quarter(0));
    bar[0].skip = bar[1].skip = true;
    addBox(m, arm, {kRotorArm / 2, 6, 6}, bar);
    BoxLooks lamp = allFaces(rotor, quarter(2));
    addBox(m, onWall(dir * kRotorArm, a), {10, 10, 10}, lamp);
  }
  return m;
}

// A post with a cap and three bars, built about its foot.
Mesh turnstileMesh(uint8_t rotor) {
  Mesh m;
  addTube(m, alongAxis({0, 0, 0}, {0, 1, 0}), 7, 6, 120, 6, quarter(1), rotor);
  addDisc(m, alongAxis({0, 120, 0}, {0, 1, 0}), 11, 0, 6, quarter(1), rotor, true);
  addTube(m, alongAxis({0, 104, 0}, {0, 1, 0}), 11, 11, 16, 6, quarter(3), rotor);
  for (int k = 0; k < 3; ++k) {
    float a = 2 * kPi * float(k) / 3;
    Placement bar{{std::cos(a) * 40, 112, std::sin(a) * 40}, {std::cos(a), 0, std::sin(a)}, {0, 1, 0},
                  {-std::sin(a), 0, std::cos(a)}};
    BoxLooks looks = allFaces(rotor, quarter(0));
    looks[0].skip = looks[1].skip = true;
    addBox(m, bar, {34, 4, 4}, looks);
  }
  return m;
}

// The room, cut into small quads so that the affine texturing stays straight.
Mesh roomMesh(uint8_t wall, uint8_t floor) {
  Mesh m;
  BoxLooks looks = allFaces(wall, {0, 0, 2, 1.5f});
  for (FaceLook& l : looks) l.cuts = 3;
  looks[2].cuts = 2;                         // the ceiling is seen least
  looks[3] = {floor, {0, 0, 4, 4}, false, 6};  // the floor runs under the low camera
  looks[4].uv = {0, 0, 4, 2.25f};            // the gear wall
  addBox(m, placedAt(kRoomCentre), kRoomHalf, looks, true);
  return m;
}

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  const uint8_t gears = s.addMaterial("gears", "gears.gif");
  const uint8_t rotor = s.addMaterial("rotor", "rotor.gif");
  const uint8_t wall = s.addMaterial("plates", "plates.gif");
  const uint8_t floor = s.addMaterial("grating", "grating.gif");

  // Nearest first: the turnstiles, the rotor, the gears, then the room.
  for (const TurnstileDesign& t : kTurnstiles) {
    Vector3 foot{t.x, kFloorY, t.z};
    Mesh mesh;
    appendMesh(mesh, turnstileMesh(rotor), placedAt(foot));
    uint16_t node = s.addObject(t.name, mesh, foot);
    s.setRotations(node, steadyTurn({0, 1, 0}, t.degreesPerFrame, kLastFrame, 25));
  }
  const std::vector<PlacedGear> placed = placeGears();
  std::vector<uint16_t> gearNodes;
  for (size_t i = 0; i < placed.size(); ++i) {
    uint16_t node = s.addObject(kGears[i].name, gearMesh(kGears[i], placed[i], gears), placed[i].centre);
    s.setRotations(node, steadyTurn({0, 0, 1}, placed[i].degreesPerFrame, kLastFrame, 25));
    gearNodes.push_back(node);
  }
  // The rotor rides on the driver's shaft and turns with it.
  Vector3 rotorCentre = placed[0].centre + Vector3{0, 0, kRotorDepth};
  Mesh rotorPlaced;
  appendMesh(rotorPlaced, rotorMesh(rotor), placedAt(rotorCentre));
  s.addObject("rotor", rotorPlaced, rotorCentre, gearNodes[0]);
  s.addObject("room", roomMesh(wall, floor));

  s.addCamera("Camera01", std::vector<CameraKey>(std::begin(kFaceOnCamera), std::end(kFaceOnCamera)));
  s.addCamera("Camera02", std::vector<CameraKey>(std::begin(kSideCamera), std::end(kSideCamera)));
  return s.write(out);
}

// --- Textures ---------------------------------------------------------------------

// Gear atlas: brass face, steel face, brass rim, steel rim. Faces are turned rings
// with a bright bevel near the teeth and four dark lightening holes that show the
// turning; rims are lit along their top edge.
Colour gearsTexel(int x, int y) {
  int q = (x >= 128 ? 1 : 0) + (y >= 128 ? 2 : 0);
  float lx = float(x % 128) - 63.5f, ly = float(y % 128) - 63.5f;
  Colour base = (q & 1) ? hex(0x8a96a4) : hex(0xc89a40);
  if (q >= 2) {  // rim: v runs across the thickness
    float v = (float(y % 128) + 0.5f) / 128.0f;
    return base * (1.15f - 0.8f * v) * (0.85f + 0.25f * tileFbm(float(x), float(y), 32, 2, 401));
  }
  float r = std::hypot(lx, ly) / 64.0f, a = std::atan2(ly, lx);
  float rings = 0.88f + 0.12f * std::sin(r * 40.0f);
  float sheen = 0.75f + 0.35f * std::fabs(std::cos(a - 0.8f));  // brushed metal catches the light
  Colour c = base * (rings * sheen * (0.9f + 0.15f * tileFbm(float(x), float(y), 16, 3, 409)));
  c = c * (1.0f + 0.35f * paint::band(r - 0.74f, 0.03f) - 0.35f * paint::band(r - 0.79f, 0.03f));
  for (int k = 0; k < 4; ++k) {
    float ha = float(k) * kPi / 2 + kPi / 4;
    float d = std::hypot(lx - std::cos(ha) * 28, ly - std::sin(ha) * 28);
    if (d < 9) c = hex(0x18120c) * (1.0f + 0.5f * (d / 9));
    else if (d < 11) c = c * 1.3f;
  }
  if (r < 0.22f) c = c * 0.7f;
  return c;
}

// Rotor atlas: red-painted steel, chrome, the lamps, dark steel.
Colour rotorTexel(int x, int y) {
  int q = (x >= 128 ? 1 : 0) + (y >= 128 ? 2 : 0);
  float lx = float(x % 128), ly = float(y % 128);
  float n = tileFbm(float(x), float(y), 16, 3, 419);
  if (q == 0) return hex(0xb02818) * (0.7f + 0.5f * (1 - ly / 128.0f)) * (0.9f + 0.2f * n);
  if (q == 1) return hex(0xc8d0d8) * (0.55f + 0.5f * std::fabs(std::sin(ly / 128.0f * kPi * 1.5f)));
  if (q == 2) return paint::mix(hex(0xffffff), hex(0xffb040), paint::squareDistance(lx, ly, 128, 0) / 64.0f);
  return hex(0x303438) * (0.7f + 0.5f * n);
}

// Riveted iron plates with soot and streaks of rust, dimmer towards the top.
Colour platesTexel(int x, int y) {
  float px = float(x % 64), py = float(y % 128);
  float n = tileFbm(float(x), float(y), 8, 4, 431);
  Colour c = hex(0x3e4448) * (0.7f + 0.5f * n);
  float rust = tileFbm(float(x) * 2, float(y) * 0.3f, 8, 3, 433);
  c = paint::mix(c, hex(0x6a3418), (rust - 0.55f) * 3);
  c = c * (1.0f + 0.35f * paint::bevelLight(px, py, 64, 128, 3));
  for (int k = 0; k < 4; ++k) {
    float rx = (k & 1) ? 58 : 6, ry = (k & 2) ? 122 : 6;
    float d = std::hypot(px - rx, py - ry);
    if (d < 2.5f) c = hex(0x7a8088) * (1.3f - 0.2f * (px - rx + py - ry));
  }
  return c;
}

// A steel floor grating over darkness.
Colour gratingTexel(int x, int y) {
  float gx = float(x % 32), gy = float(y % 32);
  bool bar = gx < 6 || gy < 6;
  float n = tileFbm(float(x), float(y), 16, 3, 443);
  if (!bar) return hex(0x0c0c10) * (0.8f + 0.4f * n);
  float lit = gx < 6 ? 1.0f - gx / 8 : 1.0f - gy / 8;
  return hex(0x707880) * (0.5f + 0.5f * lit) * (0.8f + 0.3f * n);
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\FORGo\\forgo.3ds", makeScene},
    {"DATA\\FORGo\\gears.rgb", paint::textureMaker<gearsTexel>},
    {"DATA\\FORGo\\rotor.rgb", paint::textureMaker<rotorTexel>},
    {"DATA\\FORGo\\plates.rgb", paint::textureMaker<platesTexel>},
    {"DATA\\FORGo\\grating.rgb", paint::textureMaker<gratingTexel>},
    {"DATA\\FORGo\\texture.rgb", paint::fallbackMaker<0x3e4448, 0x6a3418>},
};
}  // namespace
