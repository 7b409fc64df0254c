// Headerless picture files and raw byte maps.
#include "image/imagefile.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/datapath.hpp"
#include "base/ending.hpp"

namespace {
// Reads exactly `count` bytes from the start of the file; a shorter file fails.
bool readExact(const std::string& onDisk, void* dst, size_t count) {
  FILE* f = std::fopen(onDisk.c_str(), "rb");
  if (!f) return false;
  size_t got = std::fread(dst, 1, count, f);
  bool closed = std::fclose(f) == 0;
  return got == count && closed;
}
}  // namespace

uint32_t* allocPixels(size_t count) { return static_cast<uint32_t*>(std::calloc(count, 4)); }

bool loadRgbImage(const char* path, int width, int height, uint32_t* pixels) {
  return loadRgbFile(resolveDataPath(path).c_str(), width, height, pixels);
}

bool loadRgbFile(const char* onDiskPath, int width, int height, uint32_t* pixels) {
  if (width <= 0 || height <= 0) return false;
  size_t n = size_t(width) * size_t(height);
  if (!readExact(onDiskPath, pixels, n * 3)) return false;
  widenRgbPixels(pixels, n);
  return true;
}

bool loadRawBytes(const char* path, int width, int height, uint8_t* bytes) {
  if (width <= 0 || height <= 0) return false;
  return readExact(resolveDataPath(path), bytes, size_t(width) * size_t(height));
}

void widenRgbPixels(uint32_t* pixels, size_t count) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pixels);
  // From the last pixel down, so no file byte is overwritten before use.
  for (size_t i = count; i-- > 0;) {
    uint32_t r = bytes[3 * i], g = bytes[3 * i + 1], b = bytes[3 * i + 2];
    pixels[i] = b | (g << 8) | (r << 16) | (g << 24);
  }
}

bool decodeRgbImage(const uint8_t* file, size_t fileSize, int width, int height, uint32_t* pixels) {
  if (width <= 0 || height <= 0) return false;
  const size_t n = size_t(width) * size_t(height);
  if (fileSize / 3 < n) return false;
  std::memcpy(pixels, file, n * 3);
  widenRgbPixels(pixels, n);
  return true;
}

bool decodeRawBytes(const uint8_t* file, size_t fileSize, int width, int height, uint8_t* bytes) {
  if (width <= 0 || height <= 0) return false;
  const size_t n = size_t(width) * size_t(height);
  if (fileSize < n) return false;
  std::memcpy(bytes, file, n);
  return true;
}

void imageLoadFailure(bool fatal) {
  constexpr const char* kMessage = "KVS_RAW ERROR: Failed to load file";
  if (fatal) endProgram(kMessage, LastWords::ErrorMessage, 1);
  showErrorMessage(kShowCaption, kMessage);
}

void loadRgbImageOrDie(const char* path, int width, int height, uint32_t* pixels) {
  if (!loadRgbImage(path, width, height, pixels)) imageLoadFailure(true);
}

void loadRawBytesOrDie(const char* path, int width, int height, uint8_t* bytes) {
  if (!loadRawBytes(path, width, height, bytes)) imageLoadFailure(true);
}
