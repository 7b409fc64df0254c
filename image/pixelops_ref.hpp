// Plain per-byte reference versions of the pixel operations. They define the
// results; the fast versions must match them bit for bit.
#pragma once
#include <cstdint>

namespace ref {
void addFrame(const uint32_t* src, uint32_t* dst);
void addPixels(const uint32_t* src, uint32_t* dst, int count);
void darkenPixels(const uint32_t* src, uint32_t* dst, int count, int level);
void lightenPixels(const uint32_t* src, uint32_t* dst, int count, int level);
void blendToNegative(uint32_t* frame, int level);
void blitKeyedDarken(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedBlend(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedAdd(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void blitKeyedSubtract(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level);
void smearRight(int a, int b, int w, int h, uint32_t* frame);
void smearLeft(int a, int b, int w, int h, uint32_t* frame);
void smearDown(int a, int b, int w, int h, uint32_t* frame);
void smearUp(int a, int b, int w, int h, uint32_t* frame);
}  // namespace ref
