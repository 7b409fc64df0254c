// Painting the forge's textures and sprites.
#include "forge/texture_paint.hpp"

namespace paint {

float bevelLight(float x, float y, float w, float h, float width) {
  float left = x, top = y, right = w - 1 - x, bottom = h - 1 - y;
  float lit = std::min(left, top), shadow = std::min(right, bottom);
  if (lit < width && lit <= shadow) return 1.0f - lit / width * 0.5f;
  if (shadow < width) return -(1.0f - shadow / width * 0.5f);
  return 0.0f;
}

std::vector<uint8_t> fallbackTexture(Colour a, Colour b) {
  return textureFile([&](int x, int y) {
    Colour c = ((x / 32 + y / 32) & 1) ? a : b;
    return c * (1.0f + 0.3f * bevelLight(float(x % 32), float(y % 32), 32, 32, 3));
  });
}

float squareDistance(float x, float y, float size, float half) {
  float c = (size - 1) * 0.5f;
  return std::max(std::fabs(x - c), std::fabs(y - c)) - half;
}

}  // namespace paint
