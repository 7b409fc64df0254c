// Painting the forge's textures and sprites: float colours, a picture painted pixel
// by pixel on a canvas into the show's headerless RGB file, and the light shapes
// the designs bake in (bevels, soft spots, glowing lines). Channel rounding and
// blending are paint.hpp's, noise is noise.hpp's.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/noise.hpp"
#include "forge/paint.hpp"

namespace paint {

struct Colour {
  float r = 0, g = 0, b = 0;
};
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator-(Colour a, Colour b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Colour operator*(Colour a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Colour operator*(float s, Colour a) { return a * s; }
inline Colour operator*(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Colour mix(Colour a, Colour b, float t) {
  return {blendChannel(a.r, b.r, t), blendChannel(a.g, b.g, t), blendChannel(a.b, b.b, t)};
}
// 0xRRGGBB as a colour of 0..255 channels.
inline Colour hex(uint32_t c) { return {float((c >> 16) & 255), float((c >> 8) & 255), float(c & 255)}; }
// Each channel held to 0..255, as a picture holds it: for a colour lit past white
// before it is mixed with another.
inline Colour held(Colour c) {
  return {std::clamp(c.r, 0.0f, 255.0f), std::clamp(c.g, 0.0f, 255.0f), std::clamp(c.b, 0.0f, 255.0f)};
}
// Each channel rounded and held to 0..255.
inline uint32_t packed(Colour c) { return rgb(clampByte(c.r), clampByte(c.g), clampByte(c.b)); }

// A w x h picture from colour(x, y), as the show's file (R, G, B per pixel).
template <typename ColourAt>
std::vector<uint8_t> pictureFile(int w, int h, ColourAt colour) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c.at(x, y) = packed(colour(x, y));
  return canvasToRgbFile(c);
}
// A 256 x 256 texture.
template <typename ColourAt>
std::vector<uint8_t> textureFile(ColourAt colour) {
  return pictureFile(256, 256, colour);
}

// The texture a scene falls back on for a material whose own file is missing:
// bevelled tiles in two colours.
std::vector<uint8_t> fallbackTexture(Colour a, Colour b);

// Forge makers (see forge.hpp) of a texture painted by a function of the texel, and
// of the fallback texture in two 0xRRGGBB colours, to register them directly.
template <Colour (*texelAt)(int x, int y)>
bool textureMaker(std::vector<uint8_t>& out) {
  out = textureFile(texelAt);
  return true;
}
template <uint32_t a, uint32_t b>
bool fallbackMaker(std::vector<uint8_t>& out) {
  out = fallbackTexture(hex(a), hex(b));
  return true;
}

// 0 at the edge of a band `width` wide, 1 at its centre line.
inline float band(float distance, float width) { return std::max(0.0f, 1.0f - std::fabs(distance) / width); }
// A soft round light: 1 at (cx, cy), 0 from `radius` on.
inline float spot(float x, float y, float cx, float cy, float radius) {
  float d = std::hypot(x - cx, y - cy) / radius;
  return d >= 1 ? 0.0f : (1 - d) * (1 - d);
}
// Light on a w x h tile lit from the top left: +1 along its top and left rims
// `width` wide, -1 along the bottom and right, 0 inside.
float bevelLight(float x, float y, float w, float h, float width);
// Distance from (x, y) to the border of the centred square of half size `half` in a
// tile of `size` (negative inside the square).
float squareDistance(float x, float y, float size, float half);

}  // namespace paint
