// The show's music and the music clock: SceneTime = position / 88200 * rate.
#pragma once
#include <cstdint>

constexpr const char* kMusicFile = "data\\music\\qz0.mp3";

void startMusic();
void setMusicRate(uint32_t rate);
// Moves the music to the SceneTime (at the rate set), before or during playback: the
// clock reads that time (rounded up to a whole sample) and goes on from it.
void seekMusic(long double sceneTime);
void playMusic();
long double musicTime();
void stopMusic();
void freeMusic();
// Prints "Error(N): message", frees the audio layer and ends the process with status 1.
[[noreturn]] void musicFailure(const char* message);

// SceneTime for a playback position (unsigned) at the given rate.
long double positionToSceneTime(uint32_t position, uint32_t rate);
