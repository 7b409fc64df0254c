// The plain per-byte pixel operations that define the results of the fast ones.
#include "image/pixelops_ref.hpp"

#include <algorithm>

#include "image/blitclip.hpp"
#include "image/pixelops.hpp"

namespace {
inline uint32_t byteAt(uint32_t p, int i) { return (p >> (8 * i)) & 0xFFu; }
inline uint32_t withByte(uint32_t p, int i, uint32_t v) {
  return (p & ~(0xFFu << (8 * i))) | ((v & 0xFFu) << (8 * i));
}

template <typename Rule>
void blitRef(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, Rule rule) {
  SpriteClip c;
  if (!clipSprite(x, y, w, h, c)) return;
  for (int r = c.top; r <= c.bottom; ++r)
    for (int col = c.left; col <= c.right; ++col) {
      uint32_t s = src[r * w + col];
      if (s == key) continue;
      uint32_t& d = dst[(y + r) * kFrameWidth + (x + col)];
      d = rule(s, d);
    }
}

inline uint32_t smearPixel(uint32_t nb, uint32_t p, uint32_t A, uint32_t B) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t v = std::min<uint32_t>(65535u, byteAt(nb, i) * A + byteAt(p, i) * B) >> 8;
    out = withByte(out, i, v);
  }
  return out;
}
}  // namespace

namespace ref {

void addFrame(const uint32_t* src, uint32_t* dst) { addPixels(src, dst, kFramePixels); }

void addPixels(const uint32_t* src, uint32_t* dst, int count) {
  for (int k = 0; k < count; ++k) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) out = withByte(out, i, std::min(255u, byteAt(src[k], i) + byteAt(dst[k], i)));
    dst[k] = out;
  }
}

void darkenPixels(const uint32_t* src, uint32_t* dst, int count, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  for (int k = 0; k < count; ++k) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) out = withByte(out, i, (byteAt(src[k], i) * (255 - L)) >> 8);
    dst[k] = out;
  }
}

void lightenPixels(const uint32_t* src, uint32_t* dst, int count, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  for (int k = 0; k < count; ++k) {
    uint32_t s = src[k], out = 0;
    for (int i = 0; i < 3; ++i) out = withByte(out, i, byteAt(s, i) + (((255 - byteAt(s, i)) * L) >> 8));
    dst[k] = withByte(out, 3, byteAt(s, 3));
  }
}

void blendToNegative(uint32_t* frame, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  for (int k = 0; k < kFramePixels; ++k) {
    uint32_t p = frame[k], out = 0;
    for (int i = 0; i < 4; ++i) out = withByte(out, i, (byteAt(p, i) * (255 - L) + (255 - byteAt(p, i)) * L) >> 8);
    frame[k] = out;
  }
}

void blitKeyedDarken(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  blitRef(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) out = withByte(out, i, byteAt(s, i) - ((byteAt(s, i) * L) >> 8));
    return withByte(out, 3, byteAt(s, 3));
  });
}

void blitKeyedBlend(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  blitRef(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
      uint32_t sb = byteAt(s, i), db = byteAt(d, i);
      uint32_t v = db >= sb ? sb + (((db - sb) * L) >> 8) : sb - (((sb - db) * L) >> 8);
      out = withByte(out, i, v);
    }
    return withByte(out, 3, byteAt(s, 3));
  });
}

void blitKeyedAdd(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  blitRef(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t sb = byteAt(s, i), w8 = sb > L ? sb - L : 0;
      out = withByte(out, i, std::min(255u, w8 + byteAt(d, i)));
    }
    return out;
  });
}

void blitKeyedSubtract(int x, int y, int w, int h, const uint32_t* src, uint32_t* dst, uint32_t key, int level) {
  uint32_t L = uint32_t(level) & 0xFFu;
  blitRef(x, y, w, h, src, dst, key, [L](uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
      uint32_t sb = byteAt(s, i), db = byteAt(d, i), w8 = sb > L ? sb - L : 0;
      out = withByte(out, i, db > w8 ? db - w8 : 0);
    }
    return withByte(out, 3, byteAt(d, 3));
  });
}

void smearRight(int a, int b, int w, int h, uint32_t* frame) {
  uint32_t A = uint32_t(a + b), B = uint32_t(256 - a);
  for (int y = 0; y < h; ++y)
    for (int x = 1; x < w; ++x) frame[y * w + x] = smearPixel(frame[y * w + x - 1], frame[y * w + x], A, B);
}

void smearLeft(int a, int b, int w, int h, uint32_t* frame) {
  uint32_t A = uint32_t(a + b), B = uint32_t(256 - a);
  for (int y = h - 1; y >= 0; --y)
    for (int x = w - 2; x >= 0; --x) frame[y * w + x] = smearPixel(frame[y * w + x + 1], frame[y * w + x], A, B);
}

void smearDown(int a, int b, int w, int h, uint32_t* frame) {
  uint32_t A = uint32_t(a + b), B = uint32_t(256 - a);
  for (int y = 1; y < h; ++y)
    for (int x = 0; x < w; ++x) frame[y * w + x] = smearPixel(frame[(y - 1) * w + x], frame[y * w + x], A, B);
}

void smearUp(int a, int b, int w, int h, uint32_t* frame) {
  uint32_t A = uint32_t(a + b), B = uint32_t(256 - a);
  for (int y = h - 2; y >= 0; --y)
    for (int x = w - 1; x >= 0; --x) frame[y * w + x] = smearPixel(frame[(y + 1) * w + x], frame[y * w + x], A, B);
}

}  // namespace ref
