// kocka: a big ivory die built of 27 small cubes turns on a green baize table under
// a lamp, bursts into a tumbling cloud that swirls once round it and snaps back
// together showing a new face, while rows of cube shadows slide across the screen.
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

constexpr uint16_t kLastFrame = 600;

// The die: 3 x 3 x 3 cubes of `kPitch` with a small gap, its middle cube the
// parent of the others (it carries the turns of the whole die).
constexpr float kPitch = 40, kCubeHalf = 19.2f;
constexpr Vector3 kDieCentre{0, 3 * kPitch / 2 + 0.5f, 0};

// The pips of each face value on the 3 x 3 grid of cube faces, row by row.
const char* const kPips[7] = {nullptr, "....o....", "o.......o", "o...o...o", "o.o...o.o", "o.o.o.o.o", "o.oo.oo.o"};
// The value each face of the die shows, in box face order +x, -x, +y, -y, +z, -z
// (opposite faces add up to 7).
const int kFaceValue[6] = {3, 4, 1, 6, 2, 5};

// The story, frame by frame: how far the cubes stand apart (1 assembled), how far
// the cloud has swirled round and the cubes have tumbled (both whole turns when the
// die closes), and how high the die floats above the table.
struct StoryKey {
  uint16_t frame;
  float spread, swirlTurns, tumbleTurns, lift;
};
const StoryKey kStory[] = {
    // frame  spread  swirl  tumble  lift
    {0, 1.00f, 0.00f, 0.00f, 0},     {110, 1.00f, 0.00f, 0.00f, 0},  {150, 1.70f, 0.05f, 0.25f, 40},
    {200, 2.30f, 0.20f, 0.60f, 70},  {260, 2.45f, 0.50f, 1.00f, 80}, {330, 2.30f, 0.80f, 1.40f, 70},
    {390, 1.50f, 0.96f, 1.82f, 30},  {430, 1.00f, 1.00f, 2.00f, 0},  {500, 1.00f, 1.00f, 2.00f, 0},
    {530, 1.18f, 1.00f, 2.00f, 6},   {560, 1.00f, 1.00f, 2.00f, 0},  {600, 1.00f, 1.00f, 2.00f, 0},
};
// The whole die: a slow turn about the vertical, and a quarter turn forwards while
// the cloud is open, so that it closes on another face.
constexpr float kDieTurnPerFrame = 0.35f;
constexpr uint16_t kTipFrom = 180, kTipTo = 380;

// The room: the baize table is the floor.
constexpr Vector3 kRoomCentre{0, 330, 0};
constexpr Vector3 kRoomHalf{700, 330, 700};

// The camera circles the die: angle round it (degrees), distance, height.
struct OrbitKey {
  uint16_t frame;
  float angle, distance, height;
};
const OrbitKey kOrbit[] = {
    {0, -25, 280, 140},  {120, 10, 260, 120}, {240, 60, 360, 190}, {360, 120, 350, 110},
    {480, 170, 270, 130}, {600, 215, 280, 150},
};

// --- Geometry -------------------------------------------------------------------

enum Tile { kBlank, kPip, kRedPip, kInside };

// One small cube at grid cell (i, j, k), each of -1, 0, 1: outer faces show the die's
// pips, inner ones its glowing inside. Faces are toned by their direction (the
// light falls from above).
Mesh cubeMesh(int i, int j, int k, const uint8_t tone[3]) {
  const int cell[3] = {i, j, k};
  BoxLooks looks;
  for (int face = 0; face < 6; ++face) {
    int axis = face / 2, sign = (face & 1) ? -1 : 1;
    Tile tile = kInside;
    if (cell[axis] == sign) {
      // Row and column on the die's face.
      int a = axis == 0 ? 2 : 0, b = axis == 1 ? 2 : 1;
      int row = 1 - cell[b] * (axis == 1 ? -1 : 1), col = 1 + cell[a] * sign;
      int value = kFaceValue[face];
      bool pip = kPips[value][row * 3 + col] == 'o';
      tile = !pip ? kBlank : value == 1 ? kRedPip : kPip;
    }
    uint8_t material = face == 2 ? tone[0] : face == 3 ? tone[2] : tone[1];
    looks[size_t(face)] = {material, quarter(tile), false};
  }
  Mesh m;
  addBox(m, {}, {kCubeHalf, kCubeHalf, kCubeHalf}, looks);
  return m;
}

// The room, its floor the table top.
Mesh roomMesh(uint8_t baize, uint8_t wall, uint8_t ceiling) {
  Mesh m;
  BoxLooks looks = allFaces(wall, {0, 0, 2, 1});
  looks[2] = {ceiling, {0, 0, 1, 1}, false};
  looks[3] = {baize, {0, 0, 1, 1}, false};
  addBox(m, placedAt(kRoomCentre), kRoomHalf, looks, true);
  return m;
}

// --- Animation --------------------------------------------------------------------

StoryKey storyAt(float f) {
  const int n = int(std::size(kStory));
  for (int i = 0; i + 1 < n; ++i)
    if (f <= float(kStory[i + 1].frame)) {
      const StoryKey &a = kStory[i], &b = kStory[i + 1];
      const float t = smoothStep<float>(a.frame, b.frame, f);
      auto mixf = [&](float x, float y) { return x + (y - x) * t; };
      return {uint16_t(f), mixf(a.spread, b.spread), mixf(a.swirlTurns, b.swirlTurns),
              mixf(a.tumbleTurns, b.tumbleTurns), mixf(a.lift, b.lift)};
    }
  return kStory[n - 1];
}

Vector3 swirled(const Vector3& v, float turns) {
  float a = turns * 6.2831853f, c = std::cos(a), s = std::sin(a);
  return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  const uint8_t tone[3] = {s.addMaterial("die top", "dietop.gif"), s.addMaterial("die side", "dieside.gif"),
                           s.addMaterial("die base", "diebase.gif")};
  const uint8_t baize = s.addMaterial("baize", "baize.gif");
  const uint8_t wall = s.addMaterial("panels", "panels.gif");
  const uint8_t ceiling = s.addMaterial("ceiling", "ceiling.gif");

  // The middle cube carries the die: its turn, the forward tip and the lift.
  Mesh middle = cubeMesh(0, 0, 0, tone);
  Mesh placed;
  appendMesh(placed, middle, placedAt(kDieCentre));
  const uint16_t die = s.addObject("cube 13", placed, kDieCentre);
  std::vector<PositionKey> lift;
  std::vector<RotationKey> turn;
  for (int f = 0; f <= kLastFrame; f += 20) {
    StoryKey k = storyAt(float(f));
    lift.push_back({uint16_t(f), kDieCentre + Vector3{0, k.lift, 0}});
    const float tip = smoothStep<float>(kTipFrom, kTipTo, float(f));
    turn.push_back({uint16_t(f),
                    thenRotate(axisAngle({1, 0, 0}, -90.0f * tip), axisAngle({0, 1, 0}, kDieTurnPerFrame * float(f)))});
  }
  s.setPositions(die, lift);
  s.setRotations(die, turn);

  // The other 26 fly apart and back, each tumbling about its own axis.
  int index = 0;
  for (int i = -1; i <= 1; ++i)
    for (int j = -1; j <= 1; ++j)
      for (int k = -1; k <= 1; ++k, ++index) {
        if (i == 0 && j == 0 && k == 0) continue;
        Vector3 offset{float(i) * kPitch, float(j) * kPitch, float(k) * kPitch};
        Mesh cube;
        appendMesh(cube, cubeMesh(i, j, k, tone), placedAt(kDieCentre + offset));
        uint16_t node = s.addObject("cube " + std::to_string(index), cube, kDieCentre + offset, die);
        uint32_t h = hash2(index, 7, 311);
        Vector3 axis{float(h & 255) / 255.0f - 0.5f, float((h >> 8) & 255) / 255.0f - 0.5f,
                     float((h >> 16) & 255) / 255.0f - 0.5f};
        float wobble = 0.6f + 0.8f * float((h >> 24) & 255) / 255.0f;  // some fly further
        std::vector<PositionKey> path;
        std::vector<RotationKey> spin;
        for (int f = 0; f <= kLastFrame; f += 15) {
          StoryKey st = storyAt(float(f));
          float spread = 1 + (st.spread - 1) * wobble;
          Vector3 p = swirled(offset * spread, st.swirlTurns);
          p.y += (st.spread - 1) * 18 * std::sin(float(index) + st.swirlTurns * 6.2831853f);
          path.push_back({uint16_t(f), p});
          spin.push_back({uint16_t(f), axisAngle(axis, 360.0f * st.tumbleTurns)});
        }
        s.setPositions(node, path);
        s.setRotations(node, spin);
      }
  s.addObject("room", roomMesh(baize, wall, ceiling));

  std::vector<CameraKey> camera;
  for (const OrbitKey& k : kOrbit) {
    float a = k.angle * 3.14159265f / 180.0f;
    camera.push_back({k.frame, {k.distance * std::sin(a), k.height, -k.distance * std::cos(a)}, {0, 75, 0}, 62, 0});
  }
  s.addCamera("Camera01", camera);
  return s.write(out);
}

// --- Textures ---------------------------------------------------------------------

// The die's cube faces in four quarters (blank, black pip, red pip, the glowing
// inside), at one brightness: rounded ivory with a bevel lit from the top left,
// pips sunk into it.
Colour dieTexel(float brightness, int x, int y) {
  int q = (x >= 128 ? 1 : 0) + (y >= 128 ? 2 : 0);
  float lx = float(x % 128), ly = float(y % 128);
  float grain = tileFbm(float(x), float(y), 16, 3, 331);
  if (q == kInside) {
    float d = std::max(std::fabs(lx - 63.5f), std::fabs(ly - 63.5f)) / 64.0f;
    Colour c = paint::mix(hex(0xffe080), hex(0xd04010), d * 1.2f) * (0.8f + 0.3f * grain);
    float grid = paint::band(std::fmod(lx + 8, 16.0f) - 8, 1.0f) + paint::band(std::fmod(ly + 8, 16.0f) - 8, 1.0f);
    return c * (1.0f - 0.35f * std::min(1.0f, grid)) * (0.6f + 0.4f * brightness);
  }
  Colour c = hex(0xf0e8d8) * (0.92f + 0.1f * grain);
  c = c * (1.0f + 0.18f * paint::bevelLight(lx, ly, 128, 128, 10));
  // Rounded edges fall off into shadow.
  float edge = std::min({lx, ly, 127 - lx, 127 - ly});
  c = c * (0.55f + 0.45f * std::min(1.0f, edge / 6.0f));
  if (q != kBlank) {
    float d = std::hypot(lx - 63.5f, ly - 63.5f);
    if (d < 24) {
      Colour pip = q == kRedPip ? hex(0xb01818) : hex(0x1c1a20);
      // Sunk in: shadow on the upper left inside, a glint on the lower right.
      float inner = ((lx - 63.5f) + (ly - 63.5f)) / 34.0f;
      c = pip * (0.7f + 0.4f * inner) + Colour{255, 255, 255} * (0.5f * paint::spot(lx, ly, 74, 74, 6));
    } else if (d < 27) {
      c = c * 0.75f;
    }
  }
  return c * brightness;
}
Colour dieTopTexel(int x, int y) { return dieTexel(1.05f, x, y); }
Colour dieSideTexel(int x, int y) { return dieTexel(0.8f, x, y); }
Colour dieBaseTexel(int x, int y) { return dieTexel(0.55f, x, y); }

// Green baize with a pool of lamplight in the middle and the die's soft shadow.
Colour baizeTexel(int x, int y) {
  float nap = tileFbm(float(x), float(y), 64, 2, 347);
  Colour c = hex(0x1c6a38) * (0.85f + 0.25f * nap);
  float pool = paint::spot(float(x), float(y), 127.5f, 127.5f, 150);
  c = c * (0.42f + 0.85f * pool);
  float shadow = std::max(std::fabs(float(x) - 127.5f), std::fabs(float(y) - 127.5f));
  c = c * (0.55f + 0.45f * std::clamp((shadow - 8) / 14.0f, 0.0f, 1.0f));
  // A gold border line round the table's playing field.
  float border = std::max(std::fabs(float(x) - 127.5f), std::fabs(float(y) - 127.5f));
  return paint::mix(c, hex(0xa08030) * (0.3f + 0.7f * pool), paint::band(border - 100, 1.5f));
}

// Dark wood panels with a lighter rail, lit from below by the table's glow.
Colour panelsTexel(int x, int y) {
  float grain = tileFbm(float(x) * 0.3f, float(y) * 3.0f, 16, 4, 353);
  Colour c = paint::mix(hex(0x2a160c), hex(0x4a2a16), grain);
  float px = float(x % 64), py = float(y % 128);
  c = c * (1.0f + 0.3f * paint::bevelLight(px, py, 64, 128, 4));
  if (std::abs(y - 200) < 6) c = hex(0x6a4424) * (std::abs(y - 200) < 2 ? 1.3f : 0.9f);
  return c * (0.5f + 0.6f * float(y) / 255.0f);
}

// A dark ceiling with the lamp's bright disc in its middle.
Colour ceilingTexel(int x, int y) {
  Colour c = hex(0x1a1410) * (0.8f + 0.3f * tileFbm(float(x), float(y), 8, 3, 359));
  float d = std::hypot(float(x) - 127.5f, float(y) - 127.5f);
  if (d < 20) return paint::mix(hex(0xfff8e0), hex(0xffc060), d / 20);
  return c + hex(0xffa040) * (0.4f * paint::spot(float(x), float(y), 127.5f, 127.5f, 70));
}

// --- Sprites --------------------------------------------------------------------

// A sprite row for the subtractive blit: isometric cubes drawn as light outlines
// (which cut dark lines into the picture) over faint faces (the right face the
// strongest, so they read as cube shadows). Black is left alone. `rows` is the band
// of the sprite the cubes stay within, so that the rows of sprites do not overlap.
std::vector<uint8_t> cubeRow(int w, int h, int count, int top, int bottom) {
  const float edge = float(bottom - top) / 2.0f;  // an isometric cube is two edges tall
  const float halfWidth = edge * 0.8660254f;
  return paint::pictureFile(w, h, [&](int x, int y) {
    float spacing = float(w) / float(count);
    float cx = std::fmod(float(x) + 0.5f, spacing) - spacing / 2, cy = float(y) + 0.5f - float(top) - edge;
    // Hexagon coordinates: the cube's outline and its three faces.
    float ax = std::fabs(cx) / halfWidth;
    float topY = -edge + ax * edge / 2, bottomY = edge - ax * edge / 2;  // outline above and below
    if (ax > 1 || cy < topY - 1 || cy > bottomY + 1) return Colour{};
    float midY = -ax * edge / 2;  // the lower edges of the top face
    float outline = std::min({std::fabs(cy - topY), std::fabs(cy - bottomY), (1 - ax) * halfWidth});
    float inner = std::min(cy < midY ? 1e9f : std::fabs(cx), std::fabs(cy - midY));
    float line = std::max(paint::band(outline, 1.4f), paint::band(inner, 1.1f));
    Colour face = cy < midY ? Colour{18, 18, 22} : cx < 0 ? Colour{36, 36, 42} : Colour{56, 54, 62};
    if (cy < topY || cy > bottomY) face = Colour{};
    return paint::mix(face, Colour{176, 172, 184}, line);
  });
}

bool makeBox1(std::vector<uint8_t>& out) {
  out = cubeRow(40, 20, 1, 2, 18);
  return true;
}
bool makeBox2(std::vector<uint8_t>& out) {
  out = cubeRow(120, 60, 2, 14, 46);
  return true;
}
bool makeBox3(std::vector<uint8_t>& out) {
  out = cubeRow(184, 84, 1, 14, 70);
  return true;
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\kocka\\kocka.3ds", makeScene},
    {"DATA\\kocka\\dietop.rgb", paint::textureMaker<dieTopTexel>},
    {"DATA\\kocka\\dieside.rgb", paint::textureMaker<dieSideTexel>},
    {"DATA\\kocka\\diebase.rgb", paint::textureMaker<dieBaseTexel>},
    {"DATA\\kocka\\baize.rgb", paint::textureMaker<baizeTexel>},
    {"DATA\\kocka\\panels.rgb", paint::textureMaker<panelsTexel>},
    {"DATA\\kocka\\ceiling.rgb", paint::textureMaker<ceilingTexel>},
    {"DATA\\kocka\\texture.rgb", paint::fallbackMaker<0x2a160c, 0x1c6a38>},
    {"DATA\\kocka\\box1.rgb", makeBox1},
    {"DATA\\kocka\\box2.rgb", makeBox2},
    {"DATA\\kocka\\box3.rgb", makeBox3},
};
}  // namespace
