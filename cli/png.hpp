// PNG output of frames and pages (pixels in the show's layout: byte 0 blue,
// 1 green, 2 red).
#pragma once
#include <cstdint>
#include <string>

bool writePng(const std::string& path, const uint32_t* pixels, int width, int height);
