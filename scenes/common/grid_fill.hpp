// The coarse-grid block fill shared by the sphere, blobs and metabox sections:
// texture coordinates (and a brightness) known at 41 x 26 grid points are
// interpolated over 8 x 8 pixel blocks in 16-bit wrap-around lanes, and every
// pixel takes a bilinear sample of a 256 x 256 texture.
#pragma once
#include <cstdint>

constexpr int kGridCols = 41;
constexpr int kGridRows = 26;
constexpr int kGridPoints = kGridCols * kGridRows;

// 8.8 fixed point: the high byte of u and v is the texel, the low byte the
// fraction; the high byte of brightness is the light level 0 to 255.
struct GridPoint {
  uint16_t u, v, brightness;
};

// Every pixel of the target from the grid's u and v.
void fillTexturedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target);
// The same, with each channel then scaled by the interpolated brightness.
void fillShadedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target);

// The bilinear weights of a sample at fractions fu, fv (0..255).
struct BilinearWeights {
  uint32_t w00, w10, w01, w11;
};
BilinearWeights bilinearWeights(uint32_t fu, uint32_t fv);

namespace ref {
uint32_t bilinearSample(const uint32_t* texture, uint16_t u, uint16_t v);
void fillTexturedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target);
void fillShadedBlocks(const GridPoint* grid, const uint32_t* texture, uint32_t* target);
}  // namespace ref
