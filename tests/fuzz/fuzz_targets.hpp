// The fuzz targets: each takes one input of any length and runs it through a reader
// of the program the way the show would, without touching the disk or ending the
// process. libFuzzer drives them from fuzz_entry.cpp (scripts/fuzz); the test suite
// replays every input that ever found a fault through the same functions.
#pragma once
#include <cstddef>
#include <cstdint>

// The 3DS reader on a file image, then the release of what it read.
int fuzzThreeDsReader(const uint8_t* data, size_t size);
// The reader, then the engine's load and construction sequence (every material
// textured with one fixed picture), one frame of the pipeline through the first
// camera and every object drawn by both polygon fillers; then the release.
int fuzzThreeDsScene(const uint8_t* data, size_t size);
// The picture and byte-map readers: the first two bytes choose the width and the
// height (1 to 256 each), the rest is the file.
int fuzzPictureReader(const uint8_t* data, size_t size);

struct FuzzTarget {
  const char* name;  // the name scripts/fuzz and the regression folders use
  int (*run)(const uint8_t* data, size_t size);
};
extern const FuzzTarget kFuzzTargets[];
extern const int kFuzzTargetCount;
