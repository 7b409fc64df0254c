// csapok: a slow flight down a tiled pump hall, between runs of copper and iron
// pipes with flanges, turning valve wheels and brass taps over their troughs, up to
// the great red wheel that turns on the end wall; a greetings line crosses below.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "forge/keyframe_scene.hpp"
#include "forge/mesh.hpp"
#include "forge/texture_paint.hpp"
#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/noise.hpp"

namespace {
using namespace mesh;
using paint::Colour;
using paint::hex;

constexpr uint16_t kLastFrame = 600;

// The hall runs along +z in sections of 400 from z = -400 to the end wall.
constexpr float kHalfWidth = 200, kHeight = 320;
constexpr float kStart = -400, kSectionLength = 400;
constexpr int kSections = 7;
constexpr float kEnd = kStart + kSections * kSectionLength;

enum Look : uint8_t { kCopper, kIron, kBrass, kRed, kWall, kFloor, kCeiling, kLookCount };
const char* const kLookNames[kLookCount] = {"copper", "iron", "brass", "red paint", "tiles", "floor", "ceiling"};
const char* const kLookFiles[kLookCount] = {"copper.gif", "iron.gif", "brass.gif", "red.gif",
                                            "tiles.gif",  "floor.gif", "ceiling.gif"};

// Pipes running the length of the hall; flanged pipes get a collar at every other
// section boundary.
struct PipeRun {
  float x, y, radius;
  Look look;
  bool flanged;
};
const PipeRun kPipes[] = {
    // x      y     radius  look     flanged
    {-176, 34, 18, kCopper, true}, {-184, 86, 9, kBrass, false}, {-170, 262, 24, kIron, true},
    {174, 52, 22, kIron, true},    {185, 124, 8, kCopper, false}, {176, 272, 15, kCopper, false},
    {0, 296, 30, kIron, true},
};

// Valve wheels on stems out of the walls, turning about the stem.
struct Valve {
  const char* name;
  float z, y;
  int side;  // -1 left wall, +1 right wall
  float radius, degreesPerFrame;
};
const Valve kValves[] = {
    {"valve 0", 60, 150, -1, 26, 2.0f},  {"valve 1", 420, 180, 1, 30, -1.6f}, {"valve 2", 900, 140, -1, 22, 2.6f},
    {"valve 3", 1320, 170, 1, 26, -2.2f}, {"valve 4", 1700, 150, -1, 30, 1.4f},
};

// Taps: a feed pipe down from the ceiling run, a spout into the hall, a nozzle over a
// trough, and a handle that turns.
struct Tap {
  const char* name;
  float z;
  int side;
  float degreesPerFrame;
};
const Tap kTaps[] = {{"tap 0", 240, 1, 1.5f}, {"tap 1", 640, -1, -1.8f}, {"tap 2", 1100, 1, 2.2f},
                     {"tap 3", 1500, -1, -1.2f}};

// The great wheel on the end wall.
constexpr float kWheelRadius = 120, kWheelY = 160;
constexpr float kWheelDegreesPerFrame = 0.6f;

// The flight: eye and target, field of view, roll.
const CameraKey kFlight[] = {
    {0, {0, 175, -330}, {0, 150, 200}, 72, 0},        {80, {40, 160, -40}, {-70, 140, 330}, 72, -2},
    {160, {-30, 190, 300}, {80, 130, 640}, 74, 3},    {240, {25, 150, 640}, {-50, 170, 1000}, 74, -3},
    {320, {-45, 125, 980}, {70, 150, 1320}, 72, 4},   {400, {30, 180, 1300}, {-10, 190, 1700}, 72, -2},
    {480, {0, 170, 1600}, {0, 165, kEnd}, 70, 0},     {560, {0, 165, 1860}, {0, 162, kEnd}, 66, 0},
    {600, {0, 164, 1930}, {0, 162, kEnd}, 64, 0},
};

// --- Geometry -------------------------------------------------------------------

// A tube from `from` to `to`, its texture's lit band (u = 0.25) turned towards `light`,
// its texels near square along and round it.
void addPipe(Mesh& m, const Vector3& from, const Vector3& to, float radius, int sides, const Vector3& light,
             uint8_t material) {
  float length = mesh::length(to - from);
  float along = length / (6.2831853f * radius);
  addTube(m, alongAxisToward(from, to - from, light), radius, radius, length, sides, {0, 0, 1, along}, material);
}

// Light in the hall falls from the lamps above, towards the middle.
Vector3 lightFor(float x) { return {x < 0 ? 0.6f : x > 0 ? -0.6f : 0.0f, 1, 0}; }

Mesh sectionPipes(int section, const uint8_t mat[]) {
  Mesh m;
  float z0 = kStart + float(section) * kSectionLength, z1 = z0 + kSectionLength;
  for (const PipeRun& p : kPipes) {
    if (p.flanged && section % 2 == 1) {  // a collar, its face towards the way in
      Placement at = alongAxisToward({p.x, p.y, z0 - 6}, {0, 0, 12}, lightFor(p.x));
      addRing(m, at, p.radius, p.radius + 5, 0, 8, {0, 0, 1, 0.2f}, mat[kBrass], false);
      addTube(m, at, p.radius + 5, p.radius + 5, 12, 8, {0, 0, 1, 0.2f}, mat[kBrass]);
    }
    addPipe(m, {p.x, p.y, z0}, {p.x, p.y, z1}, p.radius, p.radius < 12 ? 6 : 8, lightFor(p.x), mat[p.look]);
  }
  // A portal of girders at the section's start.
  BoxLooks girder = allFaces(mat[kIron], {0, 0, 0.5f, 3});
  girder[4].uv = girder[5].uv = {0, 0, 0.5f, 0.5f};
  addBox(m, placedAt({0, kHeight - 14, z0}), {kHalfWidth, 14, 14}, girder);
  for (int side = -1; side <= 1; side += 2) {
    BoxLooks post = allFaces(mat[kIron], {0, 0, 0.3f, 3});
    post[2].skip = post[3].skip = true;
    addBox(m, placedAt({float(side) * (kHalfWidth - 10), kHeight / 2, z0}), {10, kHeight / 2, 16}, post);
  }
  return m;
}

Mesh sectionShell(int section, const uint8_t mat[]) {
  Mesh m;
  float z0 = kStart + float(section) * kSectionLength;
  Vector3 centre{0, kHeight / 2, z0 + kSectionLength / 2};
  BoxLooks looks = allFaces(mat[kWall]);
  looks[2].material = mat[kCeiling];
  looks[3].material = mat[kFloor];
  looks[4].skip = section < kSections - 1;  // the end wall closes the last section
  looks[5].skip = section > 0;              // a back wall behind the start
  addBox(m, placedAt(centre), {kHalfWidth, kHeight / 2, kSectionLength / 2}, looks, true);
  return m;
}

// A handwheel about local z: rim, two crossed spokes and a hub.
Mesh handwheel(float radius, int segments, int sides, uint8_t rim, uint8_t hub) {
  Mesh m;
  addTorus(m, {}, radius, radius * 0.12f, segments, sides, {0, 0, 4, 1}, rim);
  for (int k = 0; k < 2; ++k) {
    BoxLooks spoke = allFaces(rim, {0, 0, 1, 0.25f});
    spoke[0].skip = spoke[1].skip = true;
    Placement at = turned({}, 2, 45.0f + 90.0f * float(k));
    addBox(m, at, {radius, radius * 0.06f, radius * 0.06f}, spoke);
  }
  addTube(m, placedAt({0, 0, -radius * 0.15f}), radius * 0.16f, radius * 0.12f, radius * 0.3f, 6, {0, 0, 1, 0.5f},
          hub);
  addDisc(m, {}, radius * 0.12f, radius * 0.15f, 6, {0, 0, 1, 1}, hub, true);
  addDisc(m, {}, radius * 0.16f, -radius * 0.15f, 6, {0, 0, 1, 1}, hub, false);
  return m;
}

// The fixed part of a tap: feed pipe, spout, nozzle and trough.
Mesh tapBody(const Tap& t, const uint8_t mat[]) {
  Mesh m;
  float wallX = float(t.side) * (kHalfWidth - 16);
  float spoutY = 150, inward = -float(t.side);
  addPipe(m, {wallX, kHeight, t.z}, {wallX, spoutY - 6, t.z}, 7, 6, {inward, 0, -1}, mat[kCopper]);
  Vector3 tip{wallX + inward * 46, spoutY, t.z};
  addPipe(m, {wallX, spoutY, t.z}, tip, 6, 6, {0, 1, -0.5f}, mat[kBrass]);
  addPipe(m, tip, tip - Vector3{0, 20, 0}, 4.5f, 6, {inward, 0, -1}, mat[kBrass]);
  BoxLooks trough = allFaces(mat[kIron], {0, 0, 1, 0.4f});
  trough[2] = {mat[kBrass], {0, 0, 1, 1}, false};
  addBox(m, placedAt({tip.x, 14, t.z}), {34, 14, 26}, trough);
  return m;
}

// The handle: a small cross on a stem, turning about the vertical.
Mesh tapHandle(const uint8_t mat[]) {
  Mesh m;
  addTube(m, alongAxis({0, 0, 0}, {0, 10, 0}), 2.5f, 2.5f, 10, 5, {0, 0, 1, 1}, mat[kBrass]);
  BoxLooks bar = allFaces(mat[kRed], {0, 0, 1, 0.3f});
  addBox(m, placedAt({0, 11, 0}), {14, 2.5f, 2.5f}, bar);
  addBox(m, placedAt({0, 11, 0}), {2.5f, 2.5f, 14}, bar);
  return m;
}

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  uint8_t mat[kLookCount];
  for (int i = 0; i < kLookCount; ++i) mat[i] = s.addMaterial(kLookNames[i], kLookFiles[i]);

  // Moving parts first: they stand in front of the hall.
  for (const Valve& v : kValves) {
    float wallX = float(v.side) * kHalfWidth;
    Vector3 centre{wallX - float(v.side) * 44, v.y, v.z};
    Mesh stem;
    addPipe(stem, {wallX, v.y, v.z}, centre, 5, 6, {0, 1, -1}, mat[kIron]);
    s.addObject(std::string(v.name) + " stem", stem);
    Mesh wheel;
    appendMesh(wheel, handwheel(v.radius, 8, 3, mat[kRed], mat[kBrass]), alongAxis(centre, {1, 0, 0}));
    uint16_t node = s.addObject(v.name, wheel, centre);
    s.setRotations(node, steadyTurn({1, 0, 0}, v.degreesPerFrame, kLastFrame, 50));
  }
  for (const Tap& t : kTaps) {
    s.addObject(std::string(t.name) + " body", tapBody(t, mat));
    Vector3 top{float(t.side) * (kHalfWidth - 16) - float(t.side) * 30, 156, t.z};
    Mesh handle;
    appendMesh(handle, tapHandle(mat), placedAt(top));
    uint16_t node = s.addObject(t.name, handle, top);
    s.setRotations(node, steadyTurn({0, 1, 0}, t.degreesPerFrame, kLastFrame, 50));
  }
  Vector3 wheelCentre{0, kWheelY, kEnd - 30};
  Mesh wheel;
  appendMesh(wheel, handwheel(kWheelRadius, 16, 4, mat[kRed], mat[kBrass]), alongAxis(wheelCentre, {0, 0, -1}));
  addPipe(wheel, wheelCentre, wheelCentre + Vector3{0, 0, 30}, 14, 8, {0, 1, -1}, mat[kIron]);
  uint16_t wheelNode = s.addObject("great wheel", wheel, wheelCentre);
  s.setRotations(wheelNode, steadyTurn({0, 0, 1}, kWheelDegreesPerFrame, kLastFrame, 50));

  // The hall, section by section, near to far: pipes, then walls.
  for (int i = 0; i < kSections; ++i) {
    s.addObject("pipes " + std::to_string(i), sectionPipes(i, mat));
    s.addObject("hall " + std::to_string(i), sectionShell(i, mat));
  }
  s.addCamera("Camera01", std::vector<CameraKey>(std::begin(kFlight), std::end(kFlight)));
  return s.write(out);
}

// --- Textures ---------------------------------------------------------------------

// Pipe metal: `base` with a lit band along u = 0.25 (the side turned to the light),
// a dark underside, grain along the pipe and a little verdigris or rust.
Colour pipeShade(int x, int y, Colour base, Colour stain, uint32_t seed) {
  float u = (float(x) + 0.5f) / 256.0f;
  float facing = std::cos((u - 0.25f) * 6.2831853f);  // 1 towards the light, -1 away
  float light = 0.35f + 0.55f * std::max(0.0f, facing) + 0.1f * (facing + 1);
  float glint = std::pow(std::max(0.0f, facing), 24.0f);
  float grain = tileFbm(float(x) * 0.25f, float(y) * 4.0f, 8, 3, seed);
  float blot = tileFbm(float(x), float(y), 4, 4, seed + 9);
  Colour c = base * (light * (0.85f + 0.3f * grain));
  c = paint::mix(c, stain * light, std::clamp((blot - 0.58f) * 5, 0.0f, 0.8f));
  return c + Colour{255, 240, 220} * (0.55f * glint);
}

Colour copperTexel(int x, int y) { return pipeShade(x, y, hex(0xc0703c), hex(0x4a9c84), 101); }
Colour ironTexel(int x, int y) {
  Colour c = pipeShade(x, y, hex(0x4c5a5a), hex(0x6a3a1e), 113);
  if (y % 128 < 6) c = c * 0.6f;  // seams
  return c;
}
Colour brassTexel(int x, int y) { return pipeShade(x, y, hex(0xd8b050), hex(0x6a5a2a), 127); }
Colour redTexel(int x, int y) {
  Colour c = pipeShade(x, y, hex(0xc02418), hex(0x3a3a3a), 131);
  float chip = tileFbm(float(x), float(y), 8, 2, 137);
  return chip > 0.78f ? hex(0x8a8e90) * 0.7f : c;
}

// Glazed green-white tiles, a dado of dark tiles, grime rising from the floor, and
// a caged lamp with its pool of light in the middle of each section's wall.
Colour tilesTexel(int x, int y) {
  float tx = float(x % 16), ty = float(y % 16);
  float grime = tileFbm(float(x), float(y), 8, 4, 149);
  Colour tile = y > 176 ? hex(0x2c4a44) : hex(0xb8cfc0);
  tile = tile * (0.9f + 0.12f * float(hash2(x / 16, y / 16, 151) & 15) / 15.0f);
  tile = tile + Colour{40, 40, 40} * std::max(0.0f, paint::bevelLight(tx, ty, 16, 16, 2));
  if (std::min(tx, ty) < 1) tile = hex(0x59625c);
  float dirt = std::clamp((float(y) - 120) / 136.0f, 0.0f, 1.0f) * (0.5f + 0.5f * grime);
  Colour c = tile * (1.0f - 0.6f * dirt);
  float pool = paint::spot(float(x), float(y), 128, 56, 120);
  c = c * (0.45f + 0.6f * pool) + hex(0xffc070) * (0.3f * pool);
  if (std::fabs(float(x) - 128) < 16 && std::fabs(float(y) - 50) < 20) {  // the lamp in its cage
    bool bar = std::abs(x - 128) % 8 == 7 || std::abs(y - 50) % 10 == 9;
    c = bar ? hex(0x303030) : hex(0xfff4c8);
  }
  return c;
}

// Wet concrete with a drain channel down the middle and a grating over it.
Colour floorTexel(int x, int y) {
  float n = tileFbm(float(x), float(y), 8, 5, 163);
  Colour c = hex(0x46484a) * (0.6f + 0.6f * n);
  float wet = tileFbm(float(x), float(y), 4, 3, 167);
  if (wet > 0.55f) c = c * 0.7f + hex(0x8ab0c0) * (0.25f * (wet - 0.55f) * 4);
  float channel = std::fabs(float(x) - 127.5f);
  if (channel < 20) {
    bool slot = (y % 16) < 10 && channel < 16;
    c = slot ? hex(0x101214) : hex(0x707880);
  }
  float seam = std::min(float(y % 128), float(127 - y % 128));
  if (seam < 1.5f) c = c * 0.5f;
  return c * (0.8f + 0.35f * paint::spot(float(x), float(y), 128, 128, 180));
}

// Dark boards between riveted beams.
Colour ceilingTexel(int x, int y) {
  float n = tileFbm(float(x), float(y), 16, 3, 173);
  Colour c = hex(0x2a2620) * (0.7f + 0.5f * n);
  if (y % 64 < 10) c = hex(0x3a4040) * (y % 64 < 3 ? 1.3f : 0.9f);
  return c;
}

// --- The greetings line -----------------------------------------------------------

// The scroller moves right: its right end comes into view first, and a phrase longer
// than the screen would never be seen whole. So the line is short greetings, each
// one whole thought that fits the screen, laid out from the right end leftwards in
// the order they should appear, as many as fit.
const char* const kGreetings[] = {
    "greetings to everyone!",      "hi to all software renderers", "respect to the trackers",
    "cheers to the pixel artists", "hugs to the party crews",      "salute to the old machines",
    "love to the sizecoders",      "and to you, still watching",
};
constexpr int kGreetWidth = 2268, kGreetHeight = 18;

bool makeGreetings(std::vector<uint8_t>& out) {
  // The largest bold size whose letters and a one-pixel outline fit the 18 rows.
  const Font font = Font::SansBold;
  int size = 16;
  TextMask probe;
  for (;; --size) {
    if (!renderTextMask(font, size, "Agjy|", probe)) return false;
    int top = probe.h, bottom = 0;
    for (int y = 0; y < probe.h; ++y)
      for (int x = 0; x < probe.w; ++x)
        if (probe.alpha[size_t(y * probe.w + x)]) top = std::min(top, y), bottom = std::max(bottom, y);
    if (bottom - top + 1 <= kGreetHeight - 2 || size <= 8) {
      probe.baseline -= top - 1;  // baseline row when the ink starts on row 1
      break;
    }
  }
  const int baseline = probe.baseline;
  // Take phrases while they fit with at least `minGap` before, between and after
  // them, then share the spare width out between those gaps.
  const int minGap = 30;
  std::vector<TextMask> masks;
  int inked = 0;
  for (const char* phrase : kGreetings) {
    TextMask m;
    if (!renderTextMask(font, size, phrase, m)) return false;
    if (inked + m.w + minGap * int(masks.size() + 2) > kGreetWidth) break;
    inked += m.w;
    masks.push_back(std::move(m));
  }
  const int gaps = int(masks.size()) + 1;
  const int spare = kGreetWidth - inked;
  std::vector<float> cover(size_t(kGreetWidth) * kGreetHeight, 0.0f);
  std::vector<int> gapCentres;
  int x = kGreetWidth;
  for (size_t i = 0; i <= masks.size(); ++i) {
    int gap = spare * int(i + 1) / gaps - spare * int(i) / gaps;
    gapCentres.push_back(x - gap / 2);
    x -= gap;
    if (i == masks.size()) break;
    const TextMask& m = masks[i];
    x -= m.w;
    for (int my = 0; my < m.h; ++my)
      for (int mx = 0; mx < m.w; ++mx) {
        int px = x + mx, py = baseline - m.baseline + my;
        if (px < 0 || py < 0 || px >= kGreetWidth || py >= kGreetHeight) continue;
        float& c = cover[size_t(py * kGreetWidth + px)];
        c = std::max(c, m.alpha[size_t(my * m.w + mx)] / 255.0f);
      }
  }
  out = paint::pictureFile(kGreetWidth, kGreetHeight, [&](int px, int py) {
    auto at = [&](int ax, int ay) {
      return ax < 0 || ay < 0 || ax >= kGreetWidth || ay >= kGreetHeight ? 0.0f : cover[size_t(ay * kGreetWidth + ax)];
    };
    float ink = at(px, py), ring = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) ring = std::max(ring, at(px + dx, py + dy));
    // A small diamond between the phrases.
    for (int c : gapCentres) {
      float d = std::fabs(float(px - c)) + std::fabs(float(py) - 8.5f);
      if (d < 6) return paint::mix(hex(0x20c8ff), hex(0xe0ffff), 1 - d / 6);
      if (d < 7) return hex(0x061018);
    }
    if (ring <= 0) return Colour{};  // the key colour: the scene shows through
    Colour letter = paint::mix(hex(0xfff8e8), hex(0xffa030), (float(py) - 3) / 12.0f);
    // The outline is dark but never the key colour itself.
    return paint::mix(hex(0x0a0806), letter, ink);
  });
  return true;
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"DATA\\CSAPOK\\csapok.3ds", makeScene},
    {"DATA\\CSAPOK\\greet.rgb", makeGreetings},
    {"DATA\\CSAPOK\\copper.rgb", paint::textureMaker<copperTexel>},
    {"DATA\\CSAPOK\\iron.rgb", paint::textureMaker<ironTexel>},
    {"DATA\\CSAPOK\\brass.rgb", paint::textureMaker<brassTexel>},
    {"DATA\\CSAPOK\\red.rgb", paint::textureMaker<redTexel>},
    {"DATA\\CSAPOK\\tiles.rgb", paint::textureMaker<tilesTexel>},
    {"DATA\\CSAPOK\\floor.rgb", paint::textureMaker<floorTexel>},
    {"DATA\\CSAPOK\\ceiling.rgb", paint::textureMaker<ceilingTexel>},
    {"DATA\\CSAPOK\\texture.rgb", paint::fallbackMaker<0x4c5a5a, 0x2c4a44>},
};
}  // namespace
