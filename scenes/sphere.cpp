// The "sphere" section: a flight through a textured sphere (one ray per grid
// point, interpolated over 8 x 8 blocks), a breathing cloud of 600 glow
// particles blurred radially, and three captions fading in and out.
#include <cmath>
#include <cstdlib>

#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "image/radialblur.hpp"
#include "scenes/common/grid_fill.hpp"
#include "scenes/common/ray_grid.hpp"
#include "scenes/common/vectors.hpp"
#include "scenes/sections.hpp"
#include "scenes/sphere.hpp"

namespace {
constexpr int kParticleCount = 600;
constexpr float kSphereRadius = 128.0f;
constexpr uint32_t kParticleSeed = 0x5F3759DFu;

struct Particle {
  Vec3 pos, base;
  float speed, phase;
};

struct Caption {
  const char* file;
  int w, h;
  int start, end;  // shown while start < T < end
  int x, y;
};
constexpr Caption kCaptions[3] = {
    {"DATA\\SPHERE\\kasimir.rgb", 202, 92, 442, 885, 59, 54},
    {"DATA\\SPHERE\\bugel.rgb", 200, 114, 885, 1327, 60, 43},
    {"DATA\\SPHERE\\mond.rgb", 258, 106, 1328, 1770, 31, 47},
};

uint32_t* sphereTexture = nullptr;
uint32_t* glowImage = nullptr;
uint32_t* captionImages[3] = {};
uint32_t* particleLayer = nullptr;
GridPoint* rayGrid = nullptr;
Particle* particles = nullptr;
LookCamera viewCamera;
Mat4 worldToCamera;
ViewPyramid pyramid;


void load() {
  sphereTexture = allocPixels(256 * 256);
  glowImage = allocPixels(32 * 32);
  particleLayer = allocPixels(kFramePixels);
  rayGrid = static_cast<GridPoint*>(std::calloc(kGridPoints, sizeof(GridPoint)));
  for (int i = 0; i < 3; ++i) captionImages[i] = allocPixels(kCaptions[i].w * kCaptions[i].h);
  particles = static_cast<Particle*>(std::calloc(kParticleCount, sizeof(Particle)));

  loadRgbImageOrDie("DATA\\SPHERE\\texture.rgb", 256, 256, sphereTexture);
  loadRgbImageOrDie("DATA\\SPHERE\\glow.rgb", 32, 32, glowImage);
  for (int i = 0; i < 3; ++i) loadRgbImageOrDie(kCaptions[i].file, kCaptions[i].w, kCaptions[i].h, captionImages[i]);

  computeViewPyramid(pyramid);

  // Rest positions inside the ball of radius 96, |x| at most 64.
  XorShift32 rng{kParticleSeed};
  for (int i = 0; i < kParticleCount; ++i) {
    Particle& p = particles[i];
    p.base.x = 128.0f * rng.uniform() - 64.0f;
    p.base.y = (2.0f * rng.uniform() - 1.0f) * std::sqrt(9216.0f - p.base.x * p.base.x);
    p.base.z = (2.0f * rng.uniform() - 1.0f) * std::sqrt(9216.0f - p.base.x * p.base.x - p.base.y * p.base.y);
    p.speed = rng.uniform();
    p.phase = 360.0f * rng.uniform();
    p.pos = p.base;
  }
}

void castSphere() {
  const Vec3 o = viewCamera.position;
  const float c = o.x * o.x + o.y * o.y + o.z * o.z - kSphereRadius * kSphereRadius;
  castRayGrid(pyramid, viewCamera, rayGrid, [&](const Vec3& d, GridPoint& p) { castSphereRay(o, d, c, p); });
}

void drawParticles(float tau) {
  clearFrame(particleLayer);
  const float* m = worldToCamera.m;
  for (int i = 0; i < kParticleCount; ++i) {
    Particle& p = particles[i];
    float s = std::sin((p.speed * tau + p.phase) * kDegToRad);
    float g = s * s + 0.5f;
    p.pos = {p.base.x * g, p.base.y * g, p.base.z * g};
    float cx = m[0] * p.pos.x + m[1] * p.pos.y + m[2] * p.pos.z + m[3];
    float cy = m[4] * p.pos.x + m[5] * p.pos.y + m[6] * p.pos.z + m[7];
    float cz = m[8] * p.pos.x + m[9] * p.pos.y + m[10] * p.pos.z + m[11];
    int x, y, size;
    if (!placeParticle(cx, cy, cz, pyramid.fx, pyramid.fy, x, y, size)) continue;
    blitScaledKeyedAdd(x, y, size, size, 32, 32, glowImage, particleLayer, 0, 0);
  }
}

void render(float t, uint32_t* target) {
  const int T = int(t);
  const float tau = t / 2.0f;

  viewCamera.position = {80.0f * std::sin(1.456f * tau * kDegToRad) - 30.0f,
                         70.0f * std::cos(1.234f * tau * kDegToRad) + 50.0f,
                         80.0f * std::cos(1.515f * tau * kDegToRad) + 30.0f};
  viewCamera.target = {0.0f, 0.0f, 0.0f};
  viewCamera.roll = 0.0f;
  computeViewPyramid(pyramid);
  lookAt(viewCamera);
  Mat4 axes, translation;
  matFromCameraAxes(viewCamera, axes);
  matFromCameraTranslation(viewCamera, translation);
  matMul(worldToCamera, axes, translation);

  castSphere();
  fillTexturedBlocks(rayGrid, sphereTexture, target);

  drawParticles(tau);
  radialBlur(160, 100, 255 - ((T / 2) % 55), particleLayer);
  addFrame(particleLayer, target);

  int caption, level;
  if (sphereCaptionAt(T, caption, level)) {
    const Caption& c = kCaptions[caption];
    blitKeyedBlend(c.x, c.y, c.w, c.h, captionImages[caption], target, 0xFF00FF, level);
  }

  // The section opens half inverted, fully inverted at t = 90, normal at 270.
  int opening = sphereOpeningLevel(t);
  if (opening >= 0) blendToNegative(target, opening);
  if (T > 1642) {
    if (T < 1770)
      darkenPixels(target, target, kFramePixels, 2 * (T - 1642));
    else
      clearFrame(target);
  }
}

void release() {
  std::free(sphereTexture);
  std::free(glowImage);
  std::free(particleLayer);
  std::free(rayGrid);
  std::free(particles);
  for (uint32_t*& c : captionImages) {
    std::free(c);
    c = nullptr;
  }
  sphereTexture = glowImage = particleLayer = nullptr;
  rayGrid = nullptr;
  particles = nullptr;
}
}  // namespace

void castSphereRay(const Vec3& o, const Vec3& d, float c, GridPoint& out) {
  const float a = d.x * d.x + d.y * d.y + d.z * d.z;
  const float b = 2.0f * (o.x * d.x + o.y * d.y + o.z * d.z);
  const float disc = b * b - 4.0f * a * c;
  out.brightness = 0;
  if (disc < 0.0f) {
    out.u = out.v = 0;
    return;
  }
  const float s = (std::sqrt(disc) - b) / (2.0f * a);
  const Vec3 h = {o.x + s * d.x, o.y + s * d.y, o.z + s * d.z};
  float angle = std::atan(h.z / h.x) * 127.0f / 3.14159265f;
  if (h.x > 0.0f) angle += 128.0f;
  out.u = uint16_t(roundEven(angle * 256.0f * 2.0f));
  out.v = uint16_t(roundEven((h.y - 96.0f) * 256.0f));
}

bool placeParticle(float cx, float cy, float cz, float fx, float fy, int& x, int& y, int& size) {
  if (!(cz > 3.0f)) return false;
  size = roundEven(1280.0f / cz);
  if (size == 0) return false;
  // Off-screen positions are clamped well outside the frame so the sums stay in range.
  auto clampRound = [](float v) {
    if (!(v > -100000.0f)) return -100000;
    if (v > 100000.0f) return 100000;
    return roundEven(v);
  };
  x = clampRound(fx * cx / cz) + 160 - size / 2;
  y = clampRound(fy * cy / cz) + 100 - size / 2;
  return true;
}

bool sphereCaptionAt(int T, int& index, int& level) {
  for (int i = 0; i < 3; ++i) {
    const Caption& c = kCaptions[i];
    if (T > c.start && T < c.end) {
      index = i;
      float phase = float(T - c.start) / 442.0f * 180.0f;
      level = 255 - roundEven(255.0f * std::sin(phase * kDegToRad));
      return true;
    }
  }
  return false;
}

int sphereOpeningLevel(float t) {
  if (int(t) >= 270) return -1;
  float s = std::sin((t / 2.0f + 45.0f) * kDegToRad);
  return roundEven(255.0f * (s * s));  // the square first, then the scale
}

uint32_t XorShift32::next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

float XorShift32::uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }

const SceneModule sphereModule = {"sphere", load, render, release};
