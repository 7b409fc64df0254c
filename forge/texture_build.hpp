// Texture helpers for the forge's 3DS scenes: 256 x 256 pictures painted texel by
// texel, with the light baked in (the engine shades nothing).
#pragma once
#include <cstdint>
#include <vector>

#include "forge/canvas.hpp"
#include "forge/paint.hpp"

constexpr int kTextureSize = 256;

// Paints every texel with colourAt(x, y) (0xRRGGBB) and writes the show's file.
template <typename ColourAt>
bool writeTexture(std::vector<uint8_t>& out, ColourAt colourAt) {
  Canvas c(kTextureSize, kTextureSize);
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) c.at(x, y) = colourAt(x, y);
  out = canvasToRgbFile(c);
  return true;
}

// Every channel times f, held to 0..255.
inline uint32_t scaleColour(uint32_t c, double f) {
  return rgb(clampByte(((c >> 16) & 255) * f), clampByte(((c >> 8) & 255) * f), clampByte((c & 255) * f));
}

// Channel-wise sum of a and b times f, held to 0..255 (light added onto a surface).
inline uint32_t addLight(uint32_t a, uint32_t b, double f) {
  return rgb(clampByte(((a >> 16) & 255) + ((b >> 16) & 255) * f), clampByte(((a >> 8) & 255) + ((b >> 8) & 255) * f),
             clampByte((a & 255) + (b & 255) * f));
}
