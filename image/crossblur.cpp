#include "image/crossblur.hpp"

#include "image/pixelops.hpp"

namespace {
// A pixel's four bytes spread into the four 16-bit lanes of a 64-bit word, so four
// neighbours add up without carries and one shift divides every lane by 4.
inline uint64_t spread(uint32_t p) {
  uint64_t x = p;
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
  return (x | (x << 8)) & 0x00FF00FF00FF00FFull;
}
inline uint32_t gather(uint64_t x) {
  x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
  return uint32_t(x | (x >> 16));
}
}  // namespace

void crossBlur(uint32_t* frame) {
  constexpr int last = kFramePixels - 1;
  uint64_t left = spread(frame[kFrameWidth - 1]);
  for (int p = kFrameWidth; p <= last; ++p) {
    const uint64_t down = p + kFrameWidth <= last ? spread(frame[p + kFrameWidth]) : 0;
    const uint64_t right = p < last ? spread(frame[p + 1]) : 0;
    const uint64_t up = spread(frame[p - kFrameWidth]);
    left = ((up + right + down + left) >> 2) & 0x00FF00FF00FF00FFull;
    frame[p] = gather(left);
  }
}

namespace ref {
void crossBlur(uint32_t* frame) {
  auto at = [&](int p) -> uint32_t { return p < kFramePixels ? frame[p] : 0; };
  for (int p = kFrameWidth; p < kFramePixels; ++p) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t sum = ((at(p - kFrameWidth) >> shift) & 255) + ((at(p - 1) >> shift) & 255) +
                           ((at(p + 1) >> shift) & 255) + ((at(p + kFrameWidth) >> shift) & 255);
      out |= (sum / 4) << shift;
    }
    frame[p] = out;
  }
}
}  // namespace ref
