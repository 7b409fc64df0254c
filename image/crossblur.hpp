// The cross blur: every pixel of a frame from the second row on becomes the
// average of its four neighbours, in place and in memory order, so the pixel above
// and the one to the left are already blurred. Rows wrap (column 0's left neighbour
// is the last pixel of the row above); below the last row is black.
#pragma once
#include <cstdint>

// Each byte of pixel p (320 <= p < 64000) := (up + left + right + down) / 4.
void crossBlur(uint32_t* frame);

namespace ref {
void crossBlur(uint32_t* frame);
}
