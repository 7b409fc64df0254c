// The show's music, "data\music\qz0.mp3": composed in music_score.cpp, played by the
// synthesizer in synth_*.cpp, mastered and encoded here.
#include "tools/music_forge.hpp"

#include "tools/forge.hpp"
#include "tools/music_mp3.hpp"
#include "tools/music_render.hpp"

bool makeMusic(std::vector<uint8_t>& out) {
  StereoBuffer mix;
  renderSong(mix);
  return encodeMp3(mix, kMusicKbps, out);
}

static const ForgeRegistrar reg("data\\music\\qz0.mp3", makeMusic);
