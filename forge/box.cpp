// The first section's "box": a scrambled cube of 27 crates on a dark turntable
// bursts apart, the crates tumble round the camera's orbit in a slow vortex and
// fall back into place sorted, so that the eight glowing crates close into a
// bright line round the middle of a grey cube.
//
// Layout (engine axes, y up): crates of 1.8 on a grid of 2, the cube's middle at
// (0, 3, 0) standing on the turntable floor (y = 0, radius 26). Frames 0 to 632
// are played (the file runs to 640); the crates hold still until frame 66,
// shudder, burst out from frame 90, circle until about frame 420 and are all home
// by frame 590. The camera circles one and a sixth times, pulling back while the
// crates are out.
//
// Beside it, the show's title card, flashed over the scene: "GREYLINE" in chrome
// letters over a bright grey line, "VIDEO SYSTEM" under it and a credit line at
// the foot, on black, the key colour. Every element is ringed by a dark outline:
// the card's pixels are either exact black (not drawn) or part of a design, so
// the letters' soft edges blend into their outline, never into the key.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/keyframe_scene.hpp"
#include "forge/mesh.hpp"
#include "forge/texture_paint.hpp"

namespace {
using namespace mesh;
using paint::Colour;
constexpr float kPi = 3.14159265f;
constexpr uint16_t kLastFrame = 640;
constexpr float kCrateHalf = 0.9f, kSpacing = 2.0f;
const Vector3 kCubeCentre{0, 3, 0};

// ---- Design tables --------------------------------------------------------------

// The scene's materials, added in this order, so that a crate's kind is its
// material's index.
enum Kind : uint8_t { kDark, kLine, kLight, kTurntable };
struct MaterialFile {
  const char* name;
  const char* file;
};
const MaterialFile kMaterials[] = {
    {"crate dark", "cratedk.gif"}, {"crate line", "crateln.gif"}, {"crate light", "cratelt.gif"},
    {"turntable", "turntabl.gif"}};

// Slot s of the cube: column s % 3 (x), row s / 3 % 3 (z), layer s / 9 (y).
Vector3 slot(int s) {
  return kCubeCentre + Vector3{float(s % 3 - 1), float(s / 9 - 1), float(s / 3 % 3 - 1)} * kSpacing;
}

// Every crate: its kind, the slot it starts in (scrambled) and the slot it comes
// home to (crate i ends in slot i: dark below and in the hidden middle, the
// glowing ring round the middle layer, light on top), the axis and whole turns it
// tumbles by on the way, and the radius and height of its circle in the vortex.
struct Crate {
  Kind kind;
  int from, to;
  Vector3 axis;
  int turns;
  float radius, height;
};
const Crate kCrates[] = {
    // kind, from slot, home slot, tumble axis, turns, vortex radius, height
    {kDark, 9, 0, {0, 0, -2}, -2, 5.9f, 2.4f},      // Box01
    {kDark, 5, 1, {1, -1, 0}, 1, 7.2f, 6.1f},       // Box02
    {kDark, 21, 2, {3, 3, 2}, -1, 6.2f, 2.8f},      // Box03
    {kDark, 8, 3, {0, 3, 3}, -1, 7.3f, 2.0f},       // Box04
    {kDark, 7, 4, {1, 1, 3}, 1, 8.4f, 2.1f},        // Box05
    {kDark, 25, 5, {2, 3, 0}, 1, 8.3f, 5.1f},       // Box06
    {kDark, 14, 6, {0, 3, 3}, -1, 5.6f, 5.0f},      // Box07
    {kDark, 18, 7, {0, 0, -2}, 2, 7.7f, 4.5f},      // Box08
    {kDark, 26, 8, {0, -3, 2}, 2, 8.0f, 8.0f},      // Box09
    {kLine, 19, 9, {3, 3, -1}, 1, 6.0f, 3.2f},      // Box10
    {kLine, 13, 10, {0, 1, 2}, 1, 5.9f, 5.5f},      // Box11
    {kLine, 24, 11, {1, -3, 3}, -2, 6.7f, 5.1f},    // Box12
    {kLine, 15, 12, {0, 0, -3}, 2, 5.8f, 6.0f},     // Box13
    {kDark, 23, 13, {1, 1, 0}, 1, 8.1f, 6.1f},      // Box14
    {kLine, 0, 14, {-2, 2, 0}, 1, 8.0f, 8.9f},      // Box15
    {kLine, 6, 15, {3, 2, -1}, 1, 7.7f, 7.1f},      // Box16
    {kLine, 16, 16, {1, -1, 1}, 1, 7.8f, 3.7f},     // Box17
    {kLine, 22, 17, {-2, 1, 1}, -1, 7.4f, 6.1f},    // Box18
    {kLight, 11, 18, {-1, 1, -3}, -1, 7.7f, 8.9f},  // Box19
    {kLight, 3, 19, {3, 1, 3}, -1, 8.4f, 4.2f},     // Box20
    {kLight, 17, 20, {0, -3, -2}, 2, 6.9f, 8.9f},   // Box21
    {kLight, 2, 21, {-3, 0, -3}, 2, 6.9f, 2.8f},    // Box22
    {kLight, 1, 22, {0, 3, 0}, 2, 6.0f, 2.5f},      // Box23
    {kLight, 20, 23, {-3, -3, 1}, 2, 5.6f, 7.5f},   // Box24
    {kLight, 12, 24, {-1, 1, 0}, -1, 6.1f, 5.3f},   // Box25
    {kLight, 4, 25, {2, 1, -2}, -2, 7.5f, 7.6f},    // Box26
    {kLight, 10, 26, {1, 0, 1}, 1, 7.8f, 2.6f},     // Box27
};

// The story in frames. The top layer leaves first and comes home last; each
// layer waits kLayerDelay frames for the one above (out) or below (home).
constexpr int kShudderFrom = 66, kBurstFrom = 90, kBurstLength = 130;
constexpr int kHomeFrom = 400, kHomeLength = 130, kLayerDelay = 25;
constexpr float kVortexTurnFrames = 300;  // one turn of the vortex
constexpr int kKeyStep = 15;              // key spacing while a crate flies

// The camera's path: orbit angle, distance and height pass smoothly through
// these stages (frame, angle in degrees, distance, height, height looked at).
struct CameraStage {
  int frame;
  float angle, distance, height, lookHeight;
};
const CameraStage kCameraStages[] = {
    {0, 30, 14.5f, 5.5f, 3.2f},    {80, 75, 14.0f, 5.5f, 3.2f},   {240, 190, 21.5f, 10.0f, 4.5f},
    {400, 330, 21.0f, 9.5f, 4.5f}, {560, 420, 15.5f, 6.5f, 3.2f}, {640, 450, 16.0f, 6.5f, 3.0f},
};
constexpr float kFov = 56.0f;

// ---- Motion -------------------------------------------------------------------

int layerOf(int s) { return s / 9; }
float outFrom(const Crate& c) { return float(kBurstFrom + (2 - layerOf(c.from)) * kLayerDelay); }
float homeFrom(const Crate& c) { return float(kHomeFrom + layerOf(c.to) * kLayerDelay); }

// Where crate c is at frame f: from its start slot out onto its circle in the
// vortex, round it, and in again to its home slot, hopping up on the way out.
Vector3 crateAt(const Crate& c, float f) {
  Vector3 from = slot(c.from), home = slot(c.to);
  float out = smoothStep(outFrom(c), outFrom(c) + kBurstLength, f);
  float in = smoothStep(homeFrom(c), homeFrom(c) + kHomeLength, f);
  float start = std::atan2(from.z, from.x) + 0.4f * float(c.from);
  float a = start + 2 * kPi * (f - float(kBurstFrom)) / kVortexTurnFrames;
  Vector3 circle{c.radius * std::cos(a), c.height + 0.5f * std::sin(a * 2 + float(c.to)), c.radius * std::sin(a)};
  Vector3 p = (from * (1 - out) + circle * out) * (1 - in) + home * in;
  p.y += 3.0f * std::sin(kPi * out) * (1 - in) + 1.5f * std::sin(kPi * in);
  return p;
}

Quaternion crateTurn(const Crate& c, float f) {
  float spin = float(smoothStep(outFrom(c), homeFrom(c) + kHomeLength, f));
  return axisAngle(c.axis, 360.0f * float(c.turns) * spin);
}

// Keys: still until the shudder, a few jolts, then every kKeyStep frames while
// flying, and still again once home.
std::vector<int> crateKeyFrames(const Crate& c) {
  std::vector<int> frames = {0};
  for (int f = kShudderFrom; f < int(outFrom(c)); f += 6) frames.push_back(f);
  int first = int(outFrom(c)), last = int(homeFrom(c)) + kHomeLength;
  for (int f = first; f < last; f += kKeyStep) frames.push_back(f);
  frames.push_back(last);
  frames.push_back(kLastFrame);
  return frames;
}

void animateCrate(KeyframeScene& s, uint16_t node, const Crate& c, int index) {
  std::vector<PositionKey> positions;
  std::vector<RotationKey> turns;
  const std::vector<int> frames = crateKeyFrames(c);
  for (size_t k = 0; k < frames.size(); ++k) {
    int f = frames[k];
    // Held keys (the first, the last and the ends of the flight) start and stop
    // the motion gently; the keys between them follow it.
    bool held = k == 0 || k + 1 == frames.size() || f == int(outFrom(c)) || f == int(homeFrom(c)) + kHomeLength;
    Vector3 p = crateAt(c, float(f));
    if (f > kShudderFrom && f < int(outFrom(c))) {
      // The shudder: small jolts growing towards the burst.
      float grow = float(f - kShudderFrom) / float(outFrom(c) - kShudderFrom);
      uint32_t h = hash2(index, f, 17);
      p = p + Vector3{float(int(h & 255) - 128), float(int((h >> 8) & 255) - 128), float(int((h >> 16) & 255) - 128)} *
                  (0.0012f * grow);
    }
    const Tcb tcb = held ? kEaseKey : Tcb{};
    positions.push_back({uint16_t(f), p, tcb});
    turns.push_back({uint16_t(f), crateTurn(c, float(f)), tcb});
  }
  s.setPositions(node, positions);
  s.setRotations(node, turns);
}

// ---- Geometry -----------------------------------------------------------------

// A crate: the top shows the lit quarter of its picture, the sides facing +x and
// +z the half-lit quarter, the other two the shaded one, the bottom the dark one.
Mesh crateMesh(const Crate& c) {
  Mesh m;
  const UvRect top = quarter(0), lit = quarter(1), shaded = quarter(2), bottom = quarter(3);
  BoxLooks looks;
  const UvRect faces[6] = {lit, shaded, top, bottom, lit, shaded};
  for (int i = 0; i < 6; ++i) looks[size_t(i)] = {c.kind, faces[i]};
  addBox(m, placedAt(slot(c.to)), {kCrateHalf, kCrateHalf, kCrateHalf}, looks);
  return m;
}

// The turntable: a flat disc, rings closer together near the middle where the
// camera looks most; v runs from the middle (0) to radius 40, so the picture has
// faded to black where the disc ends (at 26). Under it lies a coarser copy with
// the same picture: where the engine drops a polygon clipped at the screen's edge
// (a corner just outside a side of the view), the copy shows through instead of
// a hole.
Mesh floorMesh() {
  Mesh m;
  auto disc = [&](std::vector<float> radii, float y, int segments) {
    std::vector<ProfilePoint> profile;
    for (float r : radii) profile.push_back({r, y, r / 40});
    addLathe(m, {0, 0, 0}, profile, segments, 0, 4, kTurntable);
  };
  disc({26, 19, 13, 8, 3.5f, 0}, 0, 16);
  disc({27, 13, 0}, -0.05f, 7);
  return m;
}

// ---- Scene --------------------------------------------------------------------

bool makeScene(std::vector<uint8_t>& out) {
  KeyframeScene s(kLastFrame);
  for (const MaterialFile& m : kMaterials) s.addMaterial(m.name, m.file);

  for (size_t i = 0; i < std::size(kCrates); ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "Box%02d", int(i + 1));
    const Crate& c = kCrates[i];
    animateCrate(s, s.addObject(name, crateMesh(c), slot(c.to)), c, int(i));
  }
  // Last in the file: it lies behind the crates, whose pixels it then skips cheaply.
  s.addObject("Floor", floorMesh());

  auto along = [](float CameraStage::*column, int f) {
    return alongStages(kCameraStages, std::size(kCameraStages), column, float(f));
  };
  s.addCamera("Camera01", sampleKeys<CameraKey>(0, kLastFrame, 20, [&](int f) {
                float a = along(&CameraStage::angle, f) * kPi / 180, d = along(&CameraStage::distance, f);
                return CameraKey{uint16_t(f),
                                 {d * std::cos(a), along(&CameraStage::height, f), d * std::sin(a)},
                                 {0, along(&CameraStage::lookHeight, f), 0},
                                 kFov};
              }));
  return s.write(out);
}

// ---- Textures -----------------------------------------------------------------

// One quarter of a crate picture: a bevelled metal face with a bright rim, an
// inset panel and corner bolts; `light` scales the baked light of that face.
struct CrateLook {
  Colour body, rim, panel;
  bool band;  // a glowing band across the middle of the side faces
  Colour bandColour;
};

Colour crateTexel(const CrateLook& look, int x, int y, uint32_t seed) {
  const int quarter = (y / 128) * 2 + x / 128;  // 0 top, 1 lit side, 2 shaded side, 3 bottom
  const double light[] = {1.15, 0.9, 0.62, 0.35};
  const int px = x % 128, py = y % 128;
  const double edge = std::min({px, py, 127 - px, 127 - py});
  double grime = tileFbm(float(x), float(y), 8, 4, seed), scratch = tileFbm(float(x), float(y), 64, 2, seed + 9);
  // Light from above: brighter towards the top of the side faces.
  double fall = quarter == 1 || quarter == 2 ? 1.1 - 0.3 * py / 127.0 : 1.0;
  Colour c = look.body * (light[quarter] * fall * (0.75 + 0.35 * grime + 0.1 * scratch));
  // The inset panel, its upper and left edges in shadow, the others catching light.
  const int inset = 22;
  if (edge >= inset) {
    c = look.panel * (light[quarter] * fall * (0.8 + 0.3 * grime));
    if (edge < inset + 3) c = c * ((px - inset < 3 || py - inset < 3) ? 0.55 : 1.35);
  } else if (edge >= inset - 3) {
    c = c * ((px < inset || py < inset) ? 1.3 : 0.6);
  }
  // Bolts in the corners.
  for (int k = 0; k < 4; ++k) {
    double bx = (k & 1) ? 116.5 : 10.5, by = (k & 2) ? 116.5 : 10.5;
    double d = std::hypot(px - bx, py - by);
    if (d < 4) c = Colour{170, 175, 185} * (light[quarter] * (1.2 - 0.12 * d - 0.06 * ((px - bx) + (py - by))));
  }
  // The glowing band of the ring crates, and every crate's bright rim.
  if (look.band && (quarter == 1 || quarter == 2) && std::abs(py - 63.5) < 9) {
    double core = 1 - std::abs(py - 63.5) / 9;
    c = paint::mix(c, look.bandColour, 0.55 + 0.45 * core);
    c = c + Colour{255, 255, 230} * (std::pow(core, 3) * 0.8);
  }
  if (edge < 2)
    c = look.rim;
  else if (edge < 4)
    c = paint::mix(paint::held(c), look.rim, 0.45f);
  return c;
}

const CrateLook kDarkCrate{{58, 64, 78}, {110, 190, 255}, {40, 44, 56}, false, {}};
const CrateLook kLightCrate{{150, 156, 166}, {235, 245, 255}, {118, 124, 136}, false, {}};
const CrateLook kLineCrate{{70, 70, 80}, {255, 190, 90}, {48, 46, 52}, true, {255, 150, 40}};
Colour darkCrateTexel(int x, int y) { return crateTexel(kDarkCrate, x, y, 401); }
Colour lightCrateTexel(int x, int y) { return crateTexel(kLightCrate, x, y, 402); }
Colour lineCrateTexel(int x, int y) { return crateTexel(kLineCrate, x, y, 403); }

// The turntable: dark steel with fine rings and spokes, a bright rim round the
// stage under the cube, fading into the dark towards the edge; t runs from the
// middle outwards, u four times round.
Colour turntableTexel(int x, int y) {
  double t = y / 255.0, r = t * 40;
  double n = tileFbm(float(x), float(y), 8, 4, 501);
  Colour c = Colour{26, 30, 42} * (0.8 + 0.4 * n);
  double ring = std::fabs(std::fmod(r + 100, 2.5) - 1.25);
  if (ring < 0.12) c = paint::mix(c, Colour{70, 84, 110}, 0.8);
  int spoke = x % 32;
  if ((spoke == 0 || spoke == 31) && r > 5) c = paint::mix(c, Colour{60, 72, 96}, 0.7);
  // The stage: a lit circle under the cube with a glowing edge.
  if (r < 4.8) c = c + Colour{40, 50, 70} * (1.0 - r / 4.8);
  double stage = std::fabs(r - 5.0);
  if (stage < 0.35) c = c + Colour{120, 210, 255} * (1 - stage / 0.35);
  return c * (1.0 - smoothStep(0.2, 0.62, t));
}

// The fallback: dark steel.
Colour fallbackTexel(int x, int y) {
  return Colour{40, 44, 56} * (0.7 + 0.5 * tileFbm(float(x), float(y), 8, 4, 599));
}

// ---- The title card -------------------------------------------------------------

constexpr int kW = 320, kH = 200;

// One element of the card: coverage (0..255) per pixel and a colour per pixel.
struct Layer {
  std::vector<uint8_t> cover = std::vector<uint8_t>(kW * kH, 0);
  std::vector<uint32_t> colour = std::vector<uint32_t>(kW * kH, 0);
};

// Stamps text into the layer's coverage with its left edge at x and baseline at
// baseY, each letter `spacing` pixels further apart than the font sets them.
bool stampText(Layer& layer, Font font, int size, int x, int baseY, const std::string& text, int spacing) {
  for (char ch : text) {
    std::string one(1, ch);
    TextMask m;
    if (!renderTextMask(font, size, one, m)) return false;
    for (int y = 0; y < m.h; ++y)
      for (int col = 0; col < m.w; ++col) {
        int X = x + col - 1, Y = baseY - m.baseline + y;
        if (X < 0 || Y < 0 || X >= kW || Y >= kH) continue;
        uint8_t& d = layer.cover[size_t(Y * kW + X)];
        d = std::max(d, m.alpha[size_t(y * m.w + col)]);
      }
    x += textWidth(font, size, one) + spacing;
  }
  return true;
}

int spacedWidth(Font font, int size, const std::string& text, int spacing) {
  int w = 0;
  for (char ch : text) w += textWidth(font, size, std::string(1, ch)) + spacing;
  return w - spacing;
}

// Fills the layer's colours row by row from a function of the row.
template <typename RowColour>
void paintRows(Layer& layer, RowColour rowColour) {
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) layer.colour[size_t(y * kW + x)] = rowColour(y);
}

// Puts a layer onto the card: an outline of `ring` pixels round everything the
// layer covers (at least a quarter), then the layer blended over its outline.
void compose(Canvas& card, const Layer& layer, int ring, uint32_t outline) {
  std::vector<uint8_t> solid(kW * kH, 0);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      for (int dy = -ring; dy <= ring && !solid[size_t(y * kW + x)]; ++dy)
        for (int dx = -ring; dx <= ring; ++dx) {
          int X = x + dx, Y = y + dy;
          if (X < 0 || Y < 0 || X >= kW || Y >= kH || dx * dx + dy * dy > ring * ring + ring) continue;
          if (layer.cover[size_t(Y * kW + X)] > 64) {
            solid[size_t(y * kW + x)] = 1;
            break;
          }
        }
  for (int i = 0; i < kW * kH; ++i) {
    if (!solid[size_t(i)] && !layer.cover[size_t(i)]) continue;
    uint32_t under = solid[size_t(i)] ? outline : card.px[size_t(i)];
    if (under == 0) under = outline;
    card.px[size_t(i)] = mixColour(under, layer.colour[size_t(i)], layer.cover[size_t(i)] / 255.0);
  }
}

bool makeTitleCard(std::vector<uint8_t>& out) {
  Canvas card(kW, kH, 0);
  const uint32_t outline = rgb(12, 14, 24);

  // GREYLINE: chrome, white sky above a dark steel horizon in the middle of the
  // letters, rising to a pale ground; with a drop shadow down and right.
  const std::string title = "GREYLINE";
  const int titleSize = 46, titleSpacing = 2, titleBase = 66;
  const int titleW = spacedWidth(Font::SansBold, titleSize, title, titleSpacing);
  const int titleX = (kW - titleW) / 2, capTop = titleBase - 34;
  Layer shadow, letters;
  bool ok = stampText(shadow, Font::SansBold, titleSize, titleX + 3, titleBase + 3, title, titleSpacing);
  ok = ok && stampText(letters, Font::SansBold, titleSize, titleX, titleBase, title, titleSpacing);
  paintRows(shadow, [](int) { return rgb(6, 6, 14); });
  paintRows(letters, [&](int y) {
    double t = double(y - capTop) / double(titleBase - capTop);  // 0 at the cap line, 1 at the baseline
    if (t < 0.52) return mixColour(rgb(255, 255, 255), rgb(150, 170, 205), t / 0.52);
    if (t < 0.58) return rgb(245, 250, 255);  // the chrome's horizon highlight
    return mixColour(rgb(50, 58, 84), rgb(175, 190, 215), (t - 0.58) / 0.42);
  });
  compose(card, shadow, 1, rgb(6, 6, 14));
  compose(card, letters, 2, outline);

  // The grey line: two rows, white in the middle fading to grey at its ends,
  // over a soft blue halo row above and below.
  const int lineY = 76, lineFrom = 26, lineTo = kW - 27;
  for (int x = lineFrom; x <= lineTo; ++x) {
    double d = std::fabs(x - 160.0) / (160.0 - lineFrom);
    uint32_t core = mixColour(rgb(255, 255, 255), rgb(96, 100, 112), std::pow(d, 1.5));
    card.at(x, lineY) = core;
    card.at(x, lineY + 1) = core;
    uint32_t halo = mixColour(rgb(90, 130, 200), rgb(30, 34, 48), d);
    card.at(x, lineY - 1) = halo;
    card.at(x, lineY + 2) = halo;
  }

  // VIDEO SYSTEM, spaced wide under the line.
  const std::string sub = "VIDEO  SYSTEM";
  const int subSize = 13, subSpacing = 5;
  Layer subtitle;
  ok = ok && stampText(subtitle, Font::Sans, subSize, (kW - spacedWidth(Font::Sans, subSize, sub, subSpacing)) / 2, 97,
                       sub, subSpacing);
  paintRows(subtitle, [](int) { return rgb(205, 215, 232); });
  compose(card, subtitle, 1, outline);

  // The credit at the foot.
  const std::string credit = "music, code and pictures by the GVS team";
  Layer foot;
  ok = ok && stampText(foot, Font::Sans, 9, (kW - spacedWidth(Font::Sans, 9, credit, 0)) / 2, 189, credit, 0);
  paintRows(foot, [](int) { return rgb(150, 160, 182); });
  compose(card, foot, 1, outline);
  if (!ok) return false;
  out = canvasToRgbFile(card);
  return true;
}

// The section's files and their makers.
const ForgeRegistrar kFiles[] = {
    {"data\\box\\box.3ds", makeScene},
    {"data\\box\\cratedk.rgb", paint::textureMaker<darkCrateTexel>},
    {"data\\box\\crateln.rgb", paint::textureMaker<lineCrateTexel>},
    {"data\\box\\cratelt.rgb", paint::textureMaker<lightCrateTexel>},
    {"data\\box\\turntabl.rgb", paint::textureMaker<turntableTexel>},
    {"data\\box\\texture.rgb", paint::textureMaker<fallbackTexel>},
    {"data\\box\\grylpres.raw", makeTitleCard},
};
}  // namespace
