// The show's music, "data\music\qz0.mp3": the score (synth/score.cpp) played and mastered
// by the synthesizer (synth/mixdown.cpp), encoded here.
#include "forge/music.hpp"

#include "forge/forge.hpp"
#include "synth/mp3_encoder.hpp"
#include "synth/mixdown.hpp"

bool makeMusic(std::vector<uint8_t>& out) {
  StereoBuffer mix;
  renderSong(mix);
  forgeLeaveOneCore();  // the encoder runs on one
  return encodeMp3(mix, kMusicKbps, out);
}

static const ForgeRegistrar reg("data\\music\\qz0.mp3", makeMusic, ForgeLane::kOwnThread);
