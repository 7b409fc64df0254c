// MP3 encoding of the finished mix with libmp3lame: constant bit rate, joint stereo,
// and the LAME/Info tag in the first frame so decoders can drop the encoder's delay
// and padding (gapless playback: the decoded length equals the input length).
#pragma once
#include <cstdint>
#include <vector>

#include "synth/dsp.hpp"

constexpr int kMusicKbps = 192;

// Samples in [-1, 1]. False if the encoder refused the settings or the data.
bool encodeMp3(const StereoBuffer& pcm, int kbps, std::vector<uint8_t>& out);
