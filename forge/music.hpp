#pragma once
#include <cstdint>
#include <vector>

// Writes the show's music as an MP3 file image.
bool makeMusic(std::vector<uint8_t>& out);
