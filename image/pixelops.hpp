// Pixel operations on 32-bit pixels (byte 0 blue, 1 green, 2 red, 3 undisplayed).
// Every rule is exact integer arithmetic; the fast versions here are checked
// against the plain per-byte versions in pixelops_ref.hpp.
#pragma once
#include <emmintrin.h>

#include <cstdint>

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 200;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

void clearFrame(uint32_t* frame);
void copyFrame(const uint32_t* src, uint32_t* dst);
void addFrame(const uint32_t* src, uint32_t* dst);
// Saturating per-channel sum of count pixels into dst (addFrame is the whole frame).
void addPixels(const uint32_t* src, uint32_t* dst, int count);
void darkenPixels(const uint32_t* src, uint32_t* dst, int count, int level);
void lightenPixels(const uint32_t* src, uint32_t* dst, int count, int level);
void blendToNegative(uint32_t* frame, int level);

void blitKeyedDarken(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedBlend(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedAdd(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedSubtract(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitScaledKeyedDarken(int x, int y, int w, int h, int srcW, int srcH, const uint32_t* src, uint32_t* dst,
                           uint32_t key, int level);
void blitScaledKeyedAdd(int x, int y, int w, int h, int srcW, int srcH, const uint32_t* src, uint32_t* dst,
                        uint32_t key, int level);

// Smears: a trail in the pass direction, p := min(65535, neighbour*(a+b) + p*(256-a)) >> 8.
void smearRight(int a, int b, int w, int h, uint32_t* frame);
void smearLeft(int a, int b, int w, int h, uint32_t* frame);
void smearDown(int a, int b, int w, int h, uint32_t* frame);
void smearUp(int a, int b, int w, int h, uint32_t* frame);

// Round to nearest, halves to even; NaN and out-of-range values give INT32_MIN. The
// processor's conversion does exactly that under the default rounding mode, without
// undefined behaviour; inline, since the per-pixel loops call it.
inline int roundEven(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

// The vector instructions the fast paths use: AVX2 where the processor has it (the
// default), otherwise SSE2, which every x86-64 processor has. Every path gives the same
// bits; tests and benchmarks pin each in turn.
enum class VectorPath { Avx2, Sse2 };
bool processorHasAvx2();
// Asking for AVX2 on a processor without it keeps SSE2.
void setVectorPath(VectorPath path);
VectorPath vectorPath();
