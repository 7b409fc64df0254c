// The SDL2 audio device: 16-bit stereo decoded from the music stream by SDL's audio
// thread as it asks for more; the position is what that thread has consumed.
#include <SDL.h>

#include <atomic>
#include <cstring>

#include "audio/output.hpp"
#include "audio/output_testing.hpp"

namespace {
SDL_AudioDeviceID gDevice = 0;
// Read by the audio thread only; changed only with the device locked.
Mp3Stream* gMusic = nullptr;
std::atomic<uint64_t> gFramesConsumed{0};  // written by the audio thread
std::atomic<DeviceFeedObserver> gObserver{nullptr};

// The music is decoded here, a device buffer at a time, as SDL's own mixer does it:
// no more than one MPEG frame of decoded music is held, nothing is allocated, and a
// buffer (23 ms of sound) decodes in well under a millisecond from the file, which
// the system reads ahead and caches as it is read in order. After the last sample
// (or where a broken file stops) the device plays silence and the position goes on.
void feed(void*, Uint8* stream, int len) {
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  const size_t want = size_t(len) / 4;
  const uint64_t at = gFramesConsumed.load(std::memory_order_relaxed);
  const size_t have = gMusic ? readMp3Stream(*gMusic, out, want) : 0;
  std::memset(out + have * 2, 0, (want - have) * 4);
  if (DeviceFeedObserver observer = gObserver.load()) observer(at, out, want);
  gFramesConsumed.store(at + want, std::memory_order_relaxed);
}

bool open(uint32_t frequency) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = int(frequency);
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = feed;
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (gDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void load(Mp3Stream* music) {
  SDL_LockAudioDevice(gDevice);
  gMusic = music;
  gFramesConsumed = 0;
  SDL_UnlockAudioDevice(gDevice);
}

void play() { SDL_PauseAudioDevice(gDevice, 0); }

void seek(uint64_t frame) {
  SDL_LockAudioDevice(gDevice);
  if (gMusic) seekMp3Stream(*gMusic, frame);
  gFramesConsumed = frame;
  SDL_UnlockAudioDevice(gDevice);
}

uint32_t position() { return uint32_t(gFramesConsumed.load(std::memory_order_relaxed) * 2); }

void stop() { SDL_PauseAudioDevice(gDevice, 1); }

void close() {
  SDL_CloseAudioDevice(gDevice);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  gDevice = 0;
  gMusic = nullptr;
}
}  // namespace

const AudioOutput kDeviceOutput = {open, load, play, seek, position, stop, close};

void setDeviceFeedObserver(DeviceFeedObserver observer) { gObserver = observer; }
