// Data of the matrix room: eight wall textures (each repeats seamlessly every 256
// texels, since the walls show several copies side by side) and the logo.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/paint.hpp"

namespace {
constexpr double kPi = 3.141592653589793;

struct Rng {  // xorshift32, fixed seed per texture
  uint32_t s;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  double unit() { return (next() & 0xFFFFFF) / double(0x1000000); }
};

uint32_t scale(uint32_t c, double f) {
  return rgb(clampByte(((c >> 16) & 255) * f), clampByte(((c >> 8) & 255) * f), clampByte((c & 255) * f));
}

// Value noise that repeats every 256 texels: a lattice of `cells` x `cells` random values.
struct TileNoise {
  int cells;
  std::vector<double> v;
  TileNoise(int n, uint32_t seed) : cells(n), v(size_t(n) * size_t(n)) {
    Rng r{seed};
    for (double& x : v) x = r.unit();
  }
  double at(double x, double y) const {
    double fx = x * cells / 256.0, fy = y * cells / 256.0;
    int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    double tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto g = [&](int a, int b) { return v[size_t(((b % cells) + cells) % cells) * size_t(cells) + size_t(((a % cells) + cells) % cells)]; };
    double a = g(ix, iy) + (g(ix + 1, iy) - g(ix, iy)) * tx, b = g(ix, iy + 1) + (g(ix + 1, iy + 1) - g(ix, iy + 1)) * tx;
    return a + (b - a) * ty;
  }
};

// Builds a texture from a per-texel function, with the noise precomputed once.
template <typename F>
bool texture(std::vector<uint8_t>& out, F f) {
  Canvas c(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) c.at(x, y) = f(x, y);
  out = canvasToRgbFile(c);
  return true;
}

std::vector<double> noiseField(uint32_t seed, int base, int octaves) {
  std::vector<double> f(256 * 256);
  std::vector<TileNoise> layers;
  for (int o = 0; o < octaves; ++o) layers.emplace_back(base << o, seed + uint32_t(o) * 7919u);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      double sum = 0, amp = 0.5, norm = 0;
      for (const TileNoise& n : layers) {
        sum += amp * n.at(x, y);
        norm += amp;
        amp *= 0.5;
      }
      f[size_t(y) * 256 + size_t(x)] = sum / norm;
    }
  return f;
}

// 1: red bricks in running bond, 8 courses of 32 texels.
bool makeBricks(std::vector<uint8_t>& out) {
  auto n = noiseField(11, 8, 4);
  Rng r{101};
  std::vector<double> tone(64);
  for (double& t : tone) t = 0.8 + 0.35 * r.unit();
  return texture(out, [&](int x, int y) {
    int course = y / 32, off = (course & 1) * 32;
    int bx = ((x + off) % 256) / 64, by = y % 32, xx = (x + off) % 64;
    double mortar = std::min({smoothStep(0, 3, by), smoothStep(32, 29, by), smoothStep(0, 3, xx), smoothStep(64, 61, xx)});
    double nv = n[size_t(y) * 256 + size_t(x)];
    uint32_t brick = scale(mixColour(rgb(150, 55, 35), rgb(200, 110, 70), nv), tone[size_t(course * 4 + bx)]);
    uint32_t grout = scale(rgb(170, 165, 150), 0.7 + 0.5 * nv);
    return mixColour(grout, brick, mortar);
  });
}

// 2: bevelled blue glass tiles, 32 texels square.
bool makeTiles(std::vector<uint8_t>& out) {
  auto n = noiseField(22, 4, 3);
  return texture(out, [&](int x, int y) {
    int cx = x % 32, cy = y % 32;
    double e = std::min({cx, cy, 31 - cx, 31 - cy});
    double bevel = e < 4 ? (cx < 4 || cy < 4 ? 1.35 : 0.6) : 1.0;
    if (e < 1) return rgb(20, 25, 40);
    double nv = n[size_t(y) * 256 + size_t(x)];
    uint32_t glass = mixColour(rgb(30, 80, 170), rgb(90, 180, 240), nv + 0.2 * std::sin((cx + cy) * kPi / 32));
    return scale(glass, bevel);
  });
}

// 3: a green circuit board with copper traces and pads.
bool makeCircuit(std::vector<uint8_t>& out) {
  Canvas c(256, 256, rgb(10, 70, 35));
  auto n = noiseField(33, 8, 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) c.at(x, y) = mixColour(rgb(8, 55, 28), rgb(20, 95, 45), n[size_t(y) * 256 + size_t(x)]);
  Rng r{303};
  auto put = [&](int x, int y, uint32_t col) { c.at(((x % 256) + 256) % 256, ((y % 256) + 256) % 256) = col; };
  for (int i = 0; i < 70; ++i) {
    int x = int(r.next() % 32) * 8, y = int(r.next() % 32) * 8;
    int len = 3 + int(r.next() % 8);
    for (int s = 0; s < len; ++s) {
      int dir = int(r.next() % 3);  // right, down, diagonal
      int dx = dir == 1 ? 0 : 1, dy = dir == 0 ? 0 : 1;
      for (int k = 0; k < 8; ++k) {
        for (int w = -1; w <= 1; ++w) put(x + (dy ? w : 0), y + (dx && !dy ? w : 0), rgb(200, 150, 60));
        x += dx;
        y += dy;
      }
    }
    for (int py = -3; py <= 3; ++py)
      for (int px = -3; px <= 3; ++px)
        if (px * px + py * py <= 9) put(x + px, y + py, px * px + py * py <= 2 ? rgb(30, 30, 20) : rgb(235, 200, 110));
  }
  for (int i = 0; i < 10; ++i) {  // chips
    int x = int(r.next() % 256), y = int(r.next() % 256), w = 24 + int(r.next() % 20), h = 14 + int(r.next() % 12);
    for (int py = 0; py < h; ++py)
      for (int px = 0; px < w; ++px) put(x + px, y + py, (py == 0 || px == 0) ? rgb(90, 90, 100) : rgb(25, 25, 30));
  }
  out = canvasToRgbFile(c);
  return true;
}

// 4: marble with dark veins.
bool makeMarble(std::vector<uint8_t>& out) {
  auto n = noiseField(44, 4, 5);
  return texture(out, [&](int x, int y) {
    double nv = n[size_t(y) * 256 + size_t(x)];
    double vein = std::pow(std::fabs(std::sin((x + y) * kPi / 64 + nv * 12)), 0.35);
    return mixColour(rgb(40, 40, 55), mixColour(rgb(215, 210, 200), rgb(250, 245, 235), nv), vein);
  });
}

// 5: riveted steel plates with a diamond tread.
bool makeSteel(std::vector<uint8_t>& out) {
  auto n = noiseField(55, 16, 3);
  return texture(out, [&](int x, int y) {
    int cx = x % 64, cy = y % 64;
    double nv = n[size_t(y) * 256 + size_t(x)];
    double tread = std::fabs(std::sin((x + 2 * y) * kPi / 8)) * std::fabs(std::sin((2 * x - y) * kPi / 8));
    double f = 0.75 + 0.25 * nv + 0.3 * (tread > 0.8 ? 1 : 0);
    if (cx < 2 || cy < 2) f = 0.35;
    for (int k = 0; k < 4; ++k) {
      double px = (k & 1) ? 56 : 8, py = (k & 2) ? 56 : 8;
      double d = std::hypot(cx - px, cy - py);
      if (d < 3.5) f = 1.2 - 0.1 * d - 0.15 * ((cx - px) + (cy - py));
    }
    return scale(rgb(150, 160, 175), f);
  });
}

// 6: golden ornament tiles: circles and a star in every 64-texel cell.
bool makeOrnament(std::vector<uint8_t>& out) {
  return texture(out, [&](int x, int y) {
    double cx = (x % 64) - 31.5, cy = (y % 64) - 31.5;
    double r = std::hypot(cx, cy), a = std::atan2(cy, cx);
    double star = 18 + 7 * std::cos(8 * a);
    uint32_t bg = mixColour(rgb(60, 15, 30), rgb(110, 30, 50), 0.5 + 0.5 * std::cos(r * kPi / 8));
    if (r < star) bg = mixColour(rgb(250, 200, 80), rgb(170, 110, 30), r / star);
    if (std::fabs(r - 27) < 1.5) bg = rgb(240, 210, 120);
    double corner = std::hypot(std::fabs(cx) - 32, std::fabs(cy) - 32);
    if (corner < 6) bg = mixColour(rgb(255, 240, 170), rgb(200, 140, 40), corner / 6);
    return bg;
  });
}

// 7: dark hexagon-like cells with glowing cyan edges.
bool makeCells(std::vector<uint8_t>& out) {
  Rng r{707};
  std::vector<double> px(64), py(64);
  for (int i = 0; i < 64; ++i) {  // one jittered point per 32-texel cell
    px[size_t(i)] = (i % 8) * 32 + 8 + 16 * r.unit();
    py[size_t(i)] = (i / 8) * 32 + 8 + 16 * r.unit();
  }
  return texture(out, [&](int x, int y) {
    double d1 = 1e9, d2 = 1e9;
    for (int i = 0; i < 64; ++i)
      for (int oy = -1; oy <= 1; ++oy)
        for (int ox = -1; ox <= 1; ++ox) {
          double d = std::hypot(x - (px[size_t(i)] + 256 * ox), y - (py[size_t(i)] + 256 * oy));
          if (d < d1) {
            d2 = d1;
            d1 = d;
          } else if (d < d2) {
            d2 = d;
          }
        }
    double edge = d2 - d1;
    uint32_t inner = mixColour(rgb(20, 20, 50), rgb(50, 40, 100), d1 / 20);
    return mixColour(rgb(120, 255, 255), inner, smoothStep(0, 4, edge));
  });
}

// 8: wooden planks with grain.
bool makeWood(std::vector<uint8_t>& out) {
  auto n = noiseField(88, 4, 4);
  Rng r{808};
  std::vector<double> tone(8), ofs(8);
  for (int i = 0; i < 8; ++i) {
    tone[size_t(i)] = 0.8 + 0.3 * r.unit();
    ofs[size_t(i)] = r.unit() * 6;
  }
  return texture(out, [&](int x, int y) {
    int plank = x / 32, cx = x % 32;
    double nv = n[size_t(y) * 256 + size_t(x)];
    double grain = 0.5 + 0.5 * std::sin((cx * 0.35 + nv * 7 + ofs[size_t(plank)]) * 1.3);
    uint32_t wood = scale(mixColour(rgb(120, 70, 30), rgb(190, 130, 70), grain), tone[size_t(plank)]);
    if (cx == 0) wood = rgb(40, 20, 10);
    if ((y + plank * 97) % 256 < 2) wood = rgb(50, 28, 12);  // plank ends
    return wood;
  });
}

// The logo, black as the key: the name in a real font with a bright gradient.
bool makeLogo(std::vector<uint8_t>& out) {
  Canvas c(320, 100);
  const std::string name = "GREYLINE";
  int size = fitTextSize(Font::SansBold, 72, 20, 300, name);
  TextMask m;
  if (!renderTextMask(Font::SansBold, size, name, m)) return false;
  const int x0 = (320 - m.w) / 2, y0 = 8;
  blendMask(c, m, x0, y0, [&](int y) {
    double v = double(y) / std::max(1, m.h - 1);
    return mixColour(rgb(255, 255, 255), rgb(80, 255, 140), v);
  });
  if (!drawTextCentred(c, Font::Sans, 16, 160, 94, "VIDEO  SYSTEM", rgb(160, 255, 190))) return false;
  out = canvasToRgbFile(c);
  return true;
}

const ForgeRegistrar k1("data\\matrix\\m1.rgb", makeBricks);
const ForgeRegistrar k2("data\\matrix\\m2.rgb", makeTiles);
const ForgeRegistrar k3("data\\matrix\\m3.rgb", makeCircuit);
const ForgeRegistrar k4("data\\matrix\\m4.rgb", makeMarble);
const ForgeRegistrar k5("data\\matrix\\m5.rgb", makeSteel);
const ForgeRegistrar k6("data\\matrix\\m6.rgb", makeOrnament);
const ForgeRegistrar k7("data\\matrix\\m7.rgb", makeCells);
const ForgeRegistrar k8("data\\matrix\\m8.rgb", makeWood);
const ForgeRegistrar kLogo("data\\matrix\\qz0.rgb", makeLogo);
}  // namespace
