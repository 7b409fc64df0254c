// Tiling lattice noise for the forge's textures.
#include "forge/noise.hpp"

#include <cmath>

uint32_t hash2(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

float periodicNoise(float x, float y, int period, uint32_t seed) {
  int xi = int(std::floor(x)), yi = int(std::floor(y));
  float fx = x - float(xi), fy = y - float(yi);
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto at = [&](int X, int Y) {
    X = ((X % period) + period) % period;
    Y = ((Y % period) + period) % period;
    return float(hash2(X, Y, seed) & 0xFFFF) / 65535.0f;
  };
  float a = at(xi, yi), b = at(xi + 1, yi), c = at(xi, yi + 1), d = at(xi + 1, yi + 1);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

float tileFbm(float x, float y, int baseCells, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0, cells = baseCells; o < octaves; ++o, cells *= 2, amp *= 0.5f) {
    float scale = float(cells) / 256.0f;
    sum += amp * periodicNoise(x * scale, y * scale, cells, seed + uint32_t(o));
    norm += amp;
  }
  return sum / norm;
}
