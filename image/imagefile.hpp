// Headerless picture files: 24-bit R, G, B colour images that become 32-bit
// pixels (byte 0 blue, 1 green, 2 red, 3 a copy of green), and raw byte maps.
// Paths are show paths ("data\loader\loader.rgb"), resolved under the data root.
#pragma once
#include <cstddef>
#include <cstdint>

// A zeroed buffer of `count` pixels for a picture (free with std::free).
uint32_t* allocPixels(size_t count);

// The destination holds width * height * 4 bytes; true when the whole picture was read.
bool loadRgbImage(const char* path, int width, int height, uint32_t* pixels);
// The same for a plain path on disk (files named on a command line).
bool loadRgbFile(const char* onDiskPath, int width, int height, uint32_t* pixels);
bool loadRawBytes(const char* path, int width, int height, uint8_t* bytes);

// The same readers over a file image already in memory (fileSize bytes): the picture
// needs width * height * 3 of them, the byte map width * height; more are ignored.
bool decodeRgbImage(const uint8_t* file, size_t fileSize, int width, int height, uint32_t* pixels);
bool decodeRawBytes(const uint8_t* file, size_t fileSize, int width, int height, uint8_t* bytes);
// Turns the first count * 3 bytes of `pixels` (R, G, B) into count 32-bit pixels in place.
void widenRgbPixels(uint32_t* pixels, size_t count);

// Shows "KVS_RAW ERROR: Failed to load file"; with fatal set the program ends with status 1.
void imageLoadFailure(bool fatal);

// The common pattern: load or end the program.
void loadRgbImageOrDie(const char* path, int width, int height, uint32_t* pixels);
void loadRawBytesOrDie(const char* path, int width, int height, uint8_t* bytes);
