// Procedural noise for the forge's textures: a lattice hash and value noise
// that tiles, so a texture built from it repeats without a seam.
#pragma once
#include <cstdint>

// A well-mixed 32-bit hash of a lattice point and a seed.
uint32_t hash2(int x, int y, uint32_t seed);

// Smoothly interpolated value noise in 0..1 whose lattice repeats every
// `period` cells both ways.
float periodicNoise(float x, float y, int period, uint32_t seed);

// Octaves of periodicNoise over a 256-texel tile that wraps seamlessly: the
// first octave has `baseCells` cells across the tile, each further one twice as
// many at half the weight. The result is normalised to 0..1.
float tileFbm(float x, float y, int baseCells, int octaves, uint32_t seed);
