// Radial blur: smears a 320 x 200 image away from a centre, in place, using a
// table of per-offset weights built once while the show loads.
#pragma once
#include <cstdint>

constexpr int kRadialTableWidth = 640;
constexpr int kRadialTableHeight = 400;

// Entry (j, i) is for the offset (j - 320, i - 200) from the centre; its four bytes are
// w0 (diagonal neighbour towards the centre), w1 (vertical), w2 (horizontal), w3 (itself).
struct RadialWeights {
  uint8_t w0, w1, w2, w3;
};

void createRadialBlurTable();
void fillRadialBlurTable();
void freeRadialBlurTable();
const RadialWeights* radialBlurTable();

// The centre is kept at least one pixel inside the image (1 <= cx <= 319, 1 <= cy <= 199);
// without a table (before the show has loaded) the image is left as it is.
void radialBlur(int cx, int cy, int strength, uint32_t* image);

namespace ref {
void radialBlur(int cx, int cy, int strength, uint32_t* image);
}
