// The show's music and the music clock over the audio layer.
#include "audio/music.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "audio/mp3decode.hpp"
#include "audio/playback.hpp"
#include "base/ending.hpp"

namespace {
uint32_t gStreamHandle = 0;
uint32_t gMusicRate = 0;
}  // namespace

long double positionToSceneTime(uint32_t position, uint32_t rate) {
  return (long double)position / (long double)kPositionPerSecond * (long double)rate;
}

void startMusic() {
  if (audioGetVersion() != kAudioVersion) {
    std::printf("BASS version 0.7 was not loaded\n");
    std::fflush(stdout);
    return;
  }
  if (audioInit(-1, kMusicRate, 0, nullptr) == 0) musicFailure("Can't initialize device");
  gStreamHandle = audioStreamCreateFile(0, kMusicFile, 0, 0, 0);
  if (gStreamHandle == 0) musicFailure("Not an mp3");
}

void setMusicRate(uint32_t rate) { gMusicRate = rate; }

void playMusic() {
  audioStart();
  audioStreamPlay(gStreamHandle, 0, 4);
}

void seekMusic(long double sceneTime) {
  if (gMusicRate == 0 || !(sceneTime >= 0)) return;
  // Rounded up, so the clock never reads a time before the one asked for.
  const long double position = std::ceil(sceneTime * kPositionPerSecond / gMusicRate);
  audioChannelSetPosition(gStreamHandle, position < 4294967295.0L ? uint32_t(position) : 4294967295u);
}

long double musicTime() { return positionToSceneTime(audioChannelGetPosition(gStreamHandle), gMusicRate); }

void stopMusic() { audioStop(); }

void freeMusic() {
  audioFree();
  gStreamHandle = 0;
}

void musicFailure(const char* message) {
  const std::string line = "Error(" + std::to_string(audioErrorGetCode()) + "): " + message;
  audioFree();
  // A failed start is not a success: status 1.
  endProgram(line, LastWords::StandardOutput, 1, ExitHandlers::Skip);
}
