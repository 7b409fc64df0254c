// Pictures made by the forge: an RGB canvas, anti-aliased text from the DejaVu
// fonts (Debian's fonts-dejavu-core) through FreeType, and the conversion to the
// show's headerless 24-bit file format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Canvas {
  int w = 0, h = 0;
  std::vector<uint32_t> px;  // 0xRRGGBB, rows top to bottom

  Canvas() = default;
  Canvas(int width, int height, uint32_t fill = 0) : w(width), h(height), px(size_t(width) * size_t(height), fill) {}
  uint32_t& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
  uint32_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

inline uint32_t rgb(int r, int g, int b) { return (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255); }

// Mixes `color` over the pixel with coverage alpha (0..255); outside pixels are ignored.
void blendPixel(Canvas& c, int x, int y, uint32_t color, int alpha);

// The headerless file: R, G, B per pixel, rows top to bottom.
std::vector<uint8_t> canvasToRgbFile(const Canvas& c);

enum class Font { Sans, SansBold, Serif, SerifBold, Mono, MonoBold };

struct TextMask {
  int w = 0, h = 0;
  int baseline = 0;            // rows from the mask's top to the baseline
  std::vector<uint8_t> alpha;  // coverage, rows top to bottom
};

// Renders text into a coverage mask; false (with a message on stderr) when the
// font cannot be loaded.
bool renderTextMask(Font font, int pixelSize, const std::string& utf8, TextMask& out);
int textWidth(Font font, int pixelSize, const std::string& utf8);

// Draws text with its left edge at x and baseline at baselineY; returns false when
// the font cannot be loaded.
bool drawText(Canvas& c, Font font, int pixelSize, int x, int baselineY, const std::string& utf8, uint32_t color);
// The same, centred horizontally on centreX.
bool drawTextCentred(Canvas& c, Font font, int pixelSize, int centreX, int baselineY, const std::string& utf8,
                     uint32_t color);
