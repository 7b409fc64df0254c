// The turning cylinder of the cylinder-light section, drawn row by row from a
// radius map (byte 3 of the cylinder and light textures) and a profile table of
// screen offsets. Each span is a run of one colour.
#pragma once
#include <cstdint>

constexpr int kProfileSize = 256 * 256;

// profile[k * 256 + m] = 128 + trunc(0.7 * m / 2 * sin(360 * k / 255 degrees)).
void fillProfileTable(uint8_t* profile);

// Per-screen-row values for the integer time T.
struct CylinderRows {
  int row[200];    // texture row shown on the screen row (0..255)
  int dim[200];    // darkening 0..30
  int turn[200];   // rotation of the row, 0..255
  int shift[200];  // horizontal offset
};
void cylinderRows(int T, CylinderRows& rows);

// Draws over dst (320 x 200); rows whose texture row is 13 or less, or 243 or more,
// are left alone. Spans stay inside columns 34 to 292.
void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T);

namespace ref {
void drawCylinder(const uint32_t* cylinderTexture, uint32_t* dst, const uint32_t* lightTexture,
                  const uint8_t* profile, int T);
uint32_t spanColour(uint32_t cyl, uint32_t lit, int shade, int dim);
}  // namespace ref
