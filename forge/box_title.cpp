// The show's title card, flashed over the "box" scene: "GREYLINE" in chrome
// letters over a bright grey line, "VIDEO SYSTEM" under it and a credit line at
// the foot, on black, the key colour. Every element is ringed by a dark outline:
// the card's pixels are either exact black (not drawn) or part of a design, so
// the letters' soft edges blend into their outline, never into the key.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/forge.hpp"
#include "forge/paint.hpp"

namespace {
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

const ForgeRegistrar kTitleCard("data\\box\\grylpres.raw", makeTitleCard);
}  // namespace
