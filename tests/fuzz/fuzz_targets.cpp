// The fuzz targets over the 3DS reader, the engine's scene sequence and the picture reader.
#include "tests/fuzz/fuzz_targets.hpp"

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/depthtarget.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "image/imagefile.hpp"

namespace {
// A checkerboard with a gradient: every texel differs from its neighbours, so a
// wrong texel address shows in a frame.
const TextureImage& fixedTexture() {
  static TextureImage* texture = [] {
    TextureImage* t = new TextureImage();
    for (uint32_t y = 0; y < 256; ++y)
      for (uint32_t x = 0; x < 256; ++x)
        t->texels[y * 256 + x] = (((x ^ y) & 16) ? 0xC0C0C0u : 0x404040u) + (x >> 2) + ((y >> 2) << 8);
    return t;
  }();
  return *texture;
}

uint32_t* frameTarget() {
  static uint32_t* frame = new uint32_t[kScreenPixels]();
  return frame;
}
}  // namespace

int fuzzThreeDsReader(const uint8_t* data, size_t size) {
  ThreeDsData* mesh = nullptr;
  if (!load3dsFromMemory(mesh, data, size)) take3dsError();
  // A file whose outermost chunk is not "Main" still hands out what was read.
  if (mesh && !free3ds(mesh)) std::abort();
  return 0;
}

int fuzzThreeDsScene(const uint8_t* data, size_t size) {
  Scene3D* scene = nullptr;
  std::string error;
  if (!loadSceneSequenceFromMemory(scene, data, size, fixedTexture(), error)) return 0;
  const ThreeDsData* mesh = scene->mesh;
  // A frame inside the keyframe segment that falls between keys.
  const float f = float(mesh->startFrame) + float(mesh->frameCount) * 0.5f + 0.25f;
  runFrameSequence(scene, f, 0);
  uint32_t* frame = frameTarget();
  for (uint32_t i = 0; i < scene->projectedMesh->objectCount; ++i)
    drawObject(scene, i, drawPolygonPerspective, frame);
  clearDepthTarget();
  for (uint32_t i = 0; i < scene->projectedMesh->objectCount; ++i) drawObject(scene, i, drawPolygonAffine, frame);
  releaseSceneSequence(scene);
  return 0;
}

int fuzzPictureReader(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int width = data[0] + 1, height = data[1] + 1;
  data += 2;
  size -= 2;
  // Exactly the room the callers give: four bytes per pixel, one per map element, so
  // the sanitizers see any write past it.
  const size_t n = size_t(width) * size_t(height);
  uint32_t* pixels = static_cast<uint32_t*>(std::malloc(n * 4));
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(n));
  if (decodeRgbImage(data, size, width, height, pixels)) {
    // The widening is checked against the file, so a fault cannot stay silent.
    for (size_t i = 0; i < n; ++i) {
      const uint32_t r = data[3 * i], g = data[3 * i + 1], b = data[3 * i + 2];
      if (pixels[i] != (b | g << 8 | r << 16 | g << 24)) std::abort();
    }
  }
  if (decodeRawBytes(data, size, width, height, bytes) && std::memcmp(bytes, data, n) != 0) std::abort();
  std::free(pixels);
  std::free(bytes);
  return 0;
}

const FuzzTarget kFuzzTargets[] = {
    {"threeds", fuzzThreeDsReader},
    {"scene", fuzzThreeDsScene},
    {"picture", fuzzPictureReader},
};
const int kFuzzTargetCount = int(sizeof kFuzzTargets / sizeof kFuzzTargets[0]);
