// The show's music, made by the synthesizer, as the forge writes it.
#pragma once
#include <cstdint>
#include <vector>

// Writes the show's music as an MP3 file image.
bool makeMusic(std::vector<uint8_t>& out);
