// The SDL2 audio device: 16-bit stereo fed from the decoded music by SDL's audio
// thread; the position is what that thread has consumed.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "audio/output.hpp"

namespace {
SDL_AudioDeviceID gDevice = 0;
DecodedAudio gMusic;
std::atomic<uint64_t> gFramesConsumed{0};  // written by the audio thread

void feed(void*, Uint8* stream, int len) {
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  size_t want = size_t(len) / 4, at = gFramesConsumed.load(std::memory_order_relaxed);
  size_t have = at < gMusic.frames() ? std::min(want, gMusic.frames() - at) : 0;
  if (have) std::memcpy(out, gMusic.samples.data() + at * 2, have * 4);
  std::memset(out + have * 2, 0, (want - have) * 4);
  gFramesConsumed.store(at + want, std::memory_order_relaxed);
}

bool open(uint32_t frequency) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = int(frequency);
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = feed;
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (gDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void load(DecodedAudio& music) {
  SDL_LockAudioDevice(gDevice);
  gMusic.samples = std::move(music.samples);
  gFramesConsumed = 0;
  SDL_UnlockAudioDevice(gDevice);
}

void play() {
  SDL_LockAudioDevice(gDevice);
  gFramesConsumed = 0;
  SDL_UnlockAudioDevice(gDevice);
  SDL_PauseAudioDevice(gDevice, 0);
}

uint32_t position() { return uint32_t(gFramesConsumed.load(std::memory_order_relaxed) * 2); }

void stop() { SDL_PauseAudioDevice(gDevice, 1); }

void close() {
  SDL_CloseAudioDevice(gDevice);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  gDevice = 0;
  gMusic.samples.clear();
  gMusic.samples.shrink_to_fit();
}
}  // namespace

const AudioOutput kDeviceOutput = {open, load, play, position, stop, close};
