// The forge's RGB canvas and FreeType text.
#include "forge/canvas.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <map>

namespace {
const char* fontFile(Font f) {
  switch (f) {
    case Font::Sans: return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    case Font::SansBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    case Font::Serif: return "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";
    case Font::SerifBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
    case Font::Mono: return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    case Font::MonoBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
  }
  return "";
}

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

FT_Face face(Font f) {
  static std::map<Font, FT_Face> faces;
  auto it = faces.find(f);
  if (it != faces.end()) return it->second;
  FT_Face fc = nullptr;
  if (!library() || FT_New_Face(library(), fontFile(f), 0, &fc) != 0) {
    std::fprintf(stderr, "cannot load font %s (install the fonts-dejavu-core package)\n", fontFile(f));
    fc = nullptr;
  }
  faces[f] = fc;
  return fc;
}

// Decodes UTF-8 into code points (invalid bytes become U+FFFD).
std::vector<uint32_t> codePoints(const std::string& s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + size_t(len) > s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    uint32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + size_t(k)]) & 0x3F);
    out.push_back(cp);
    i += size_t(len);
  }
  return out;
}
}  // namespace

void blendPixel(Canvas& c, int x, int y, uint32_t color, int alpha) {
  if (!c.inside(x, y) || alpha <= 0) return;
  if (alpha > 255) alpha = 255;
  uint32_t& p = c.at(x, y);
  uint32_t out = 0;
  for (int s = 0; s < 24; s += 8) {
    int a = int((p >> s) & 255), b = int((color >> s) & 255);
    out |= uint32_t((a * (255 - alpha) + b * alpha + 127) / 255) << s;
  }
  p = out;
}

std::vector<uint8_t> canvasToRgbFile(const Canvas& c) {
  std::vector<uint8_t> out(c.px.size() * 3);
  for (size_t i = 0; i < c.px.size(); ++i) {
    out[3 * i] = uint8_t(c.px[i] >> 16);
    out[3 * i + 1] = uint8_t(c.px[i] >> 8);
    out[3 * i + 2] = uint8_t(c.px[i]);
  }
  return out;
}

bool renderTextMask(Font font, int pixelSize, const std::string& utf8, TextMask& out) {
  FT_Face fc = face(font);
  if (!fc) return false;
  FT_Set_Pixel_Sizes(fc, 0, FT_UInt(pixelSize));
  const std::vector<uint32_t> cps = codePoints(utf8);
  int ascent = int(fc->size->metrics.ascender >> 6), descent = int(-(fc->size->metrics.descender >> 6));
  // First pass: width.
  long pen = 0;
  FT_UInt prev = 0;
  bool kerning = FT_HAS_KERNING(fc);
  for (uint32_t cp : cps) {
    FT_UInt gi = FT_Get_Char_Index(fc, cp);
    if (kerning && prev && gi) {
      FT_Vector k;
      FT_Get_Kerning(fc, prev, gi, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    if (FT_Load_Glyph(fc, gi, FT_LOAD_DEFAULT) == 0) pen += fc->glyph->advance.x;
    prev = gi;
  }
  out.w = int((pen + 63) >> 6) + 2;
  out.h = ascent + descent + 2;
  out.baseline = ascent + 1;
  out.alpha.assign(size_t(out.w) * size_t(out.h), 0);
  pen = 0;
  prev = 0;
  for (uint32_t cp : cps) {
    FT_UInt gi = FT_Get_Char_Index(fc, cp);
    if (kerning && prev && gi) {
      FT_Vector k;
      FT_Get_Kerning(fc, prev, gi, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    prev = gi;
    if (FT_Load_Glyph(fc, gi, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = fc->glyph;
    int ox = int(pen >> 6) + g->bitmap_left + 1, oy = out.baseline - g->bitmap_top;
    for (unsigned r = 0; r < g->bitmap.rows; ++r)
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        int x = ox + int(col), y = oy + int(r);
        if (x < 0 || y < 0 || x >= out.w || y >= out.h) continue;
        uint8_t& a = out.alpha[size_t(y) * size_t(out.w) + size_t(x)];
        a = std::max<uint8_t>(a, g->bitmap.buffer[r * unsigned(g->bitmap.pitch) + col]);
      }
    pen += g->advance.x;
  }
  return true;
}

int textWidth(Font font, int pixelSize, const std::string& utf8) {
  TextMask m;
  return renderTextMask(font, pixelSize, utf8, m) ? m.w - 2 : 0;
}

bool drawText(Canvas& c, Font font, int pixelSize, int x, int baselineY, const std::string& utf8, uint32_t color) {
  TextMask m;
  if (!renderTextMask(font, pixelSize, utf8, m)) return false;
  for (int y = 0; y < m.h; ++y)
    for (int col = 0; col < m.w; ++col)
      blendPixel(c, x + col - 1, baselineY - m.baseline + y, color, m.alpha[size_t(y) * size_t(m.w) + size_t(col)]);
  return true;
}

bool drawTextCentred(Canvas& c, Font font, int pixelSize, int centreX, int baselineY, const std::string& utf8,
                     uint32_t color) {
  return drawText(c, font, pixelSize, centreX - textWidth(font, pixelSize, utf8) / 2, baselineY, utf8, color);
}
