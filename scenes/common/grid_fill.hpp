// The block fill of textured grids (the sphere, the blobs' tunnel, the metabox's
// background): texture coordinates and a brightness known at the grid points are
// interpolated over 8 x 8 pixel blocks in 16-bit wrap-around lanes, and every pixel
// takes a bilinear sample of a 256 x 256 texture.
#pragma once
#include <cstdint>

#include "scenes/common/grid.hpp"

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
