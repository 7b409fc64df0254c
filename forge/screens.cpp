// The loader picture shown while the show prepares, and the closing picture
// with the credits.
#include <cmath>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/paint.hpp"

namespace {
constexpr int kW = 320, kH = 200;

// A deep blue-to-violet vertical gradient with a faint perspective grid in the lower half.
void paintBackdrop(Canvas& c, uint32_t top, uint32_t bottom, uint32_t grid) {
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) c.at(x, y) = mixColour(top, bottom, double(y) / (kH - 1));
  const int horizon = 118;
  for (int k = 1; k < 12; ++k) {  // receding horizontal lines
    int y = horizon + int(std::lround(82.0 * (k * k) / 121.0));
    for (int x = 0; x < kW; ++x) blendPixel(c, x, y, grid, 70 + 8 * k);
  }
  for (int k = -12; k <= 12; ++k) {  // lines converging on the vanishing point
    for (int y = horizon; y < kH; ++y) {
      double f = double(y - horizon) / (kH - horizon);
      double x = 160.0 + k * 30.0 * f * 3.0;
      int xi = int(std::floor(x));
      double frac = x - xi;
      blendPixel(c, xi, y, grid, int(110 * f * (1.0 - frac)));
      blendPixel(c, xi + 1, y, grid, int(110 * f * frac));
    }
  }
}

// Soft glow behind text: the mask blurred a few times and drawn in `color`.
bool glowText(Canvas& c, Font font, int size, int centreX, int baseline, const std::string& text, uint32_t color,
              int strength) {
  TextMask m;
  if (!renderTextMask(font, size, text, m)) return false;
  const int pad = 6;
  int w = m.w + 2 * pad, h = m.h + 2 * pad;
  std::vector<int> a(size_t(w) * size_t(h), 0), b(a.size(), 0);
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) a[size_t(y + pad) * size_t(w) + size_t(x + pad)] = m.alpha[size_t(y) * size_t(m.w) + size_t(x)];
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) {
        int s = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) s += a[size_t(y + dy) * size_t(w) + size_t(x + dx)];
        b[size_t(y) * size_t(w) + size_t(x)] = s / 9;
      }
    a.swap(b);
  }
  int left = centreX - (m.w - 2) / 2 - 1 - pad, top = baseline - m.baseline - pad;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) blendPixel(c, left + x, top + y, color, a[size_t(y) * size_t(w) + size_t(x)] * strength / 100);
  return true;
}

bool makeLoaderPicture(std::vector<uint8_t>& out) {
  Canvas c(kW, kH);
  paintBackdrop(c, rgb(4, 6, 22), rgb(40, 12, 58), rgb(90, 160, 255));
  // A bright horizon line: the "grey line" of the title.
  for (int x = 0; x < kW; ++x) {
    double d = std::abs(x - 160) / 160.0;
    int a = int(255 * (1.0 - d * d));
    blendPixel(c, x, 118, rgb(220, 230, 255), a);
    blendPixel(c, x, 117, rgb(120, 160, 255), a / 2);
    blendPixel(c, x, 119, rgb(120, 160, 255), a / 2);
  }
  bool ok = glowText(c, Font::SansBold, 64, 160, 92, "GVS", rgb(80, 150, 255), 160);
  ok = ok && drawTextCentred(c, Font::SansBold, 64, 160, 92, "GVS", rgb(235, 242, 255));
  ok = ok && drawTextCentred(c, Font::Sans, 15, 160, 140, "Greyline Video System", rgb(200, 210, 235));
  ok = ok && drawTextCentred(c, Font::Mono, 10, 160, 186, "loading scenes, please stand by", rgb(130, 140, 170));
  if (!ok) return false;
  out = canvasToRgbFile(c);
  return true;
}

bool makeEndPicture(std::vector<uint8_t>& out) {
  Canvas c(kW, kH);
  paintBackdrop(c, rgb(2, 2, 10), rgb(26, 8, 30), rgb(255, 120, 200));
  bool ok = glowText(c, Font::SansBold, 24, 160, 40, "thanks for watching", rgb(255, 90, 170), 140);
  ok = ok && drawTextCentred(c, Font::SansBold, 24, 160, 40, "thanks for watching", rgb(255, 235, 245));
  struct Line {
    const char* role;
    const char* who;
  };
  const Line credits[] = {
      {"code and 3D engine", "the GVS team"},
      {"music, synthesized", "the GVS forge"},
      {"pictures and scenes", "made by our own code"},
      {"fonts", "DejaVu"},
  };
  int y = 74;
  for (const Line& l : credits) {
    ok = ok && drawText(c, Font::Sans, 11, 22, y, l.role, rgb(170, 150, 190));
    ok = ok && drawText(c, Font::SansBold, 11, 160, y, l.who, rgb(240, 230, 255));
    y += 18;
  }
  ok = ok && drawTextCentred(c, Font::Mono, 10, 160, 190, "Greyline Video System", rgb(120, 110, 140));
  if (!ok) return false;
  out = canvasToRgbFile(c);
  return true;
}

const ForgeRegistrar kLoader("data\\loader\\loader.rgb", makeLoaderPicture);
const ForgeRegistrar kEnd("DATA\\endscrn\\endscrn.rgb", makeEndPicture);
}  // namespace
