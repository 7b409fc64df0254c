// Whole-file MP3 decoding with libmpg123, always to 44.1 kHz interleaved stereo
// 16-bit samples.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kMusicRate = 44100;

struct DecodedAudio {
  std::vector<int16_t> samples;  // interleaved left, right
  size_t frames() const { return samples.size() / 2; }
};

enum Mp3Status { kMp3Ok = 0, kMp3CannotOpen = 2, kMp3NotDecodable = 41 };

// Decodes an on-disk file. The samples are empty unless the result is kMp3Ok. A
// file whose encoder tag declares more audio than it holds was cut short and is
// refused as not decodable.
Mp3Status decodeMp3File(const char* path, DecodedAudio& out);
