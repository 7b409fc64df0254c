#include "audio/playback.hpp"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "base/clock.hpp"
#include "base/datapath.hpp"
#include "audio/mp3decode.hpp"

namespace {
AudioBackend gBackend = AudioBackend::Device;
uint32_t gStep = 0;
int32_t gError = kAudioOk;
bool gInitialized = false;
SDL_AudioDeviceID gDevice = 0;
DecodedAudio gMusic;
bool gStreamOpen = false;
bool gPlaying = false;
std::atomic<uint64_t> gFramesConsumed{0};  // written by the audio thread
uint32_t gSilentStart = 0;
uint32_t gSteppedPosition = 0;

constexpr uint32_t kStreamHandle = 1;

void feed(void*, Uint8* stream, int len) {
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  size_t want = size_t(len) / 4, at = gFramesConsumed.load(std::memory_order_relaxed);
  size_t have = at < gMusic.frames() ? std::min(want, gMusic.frames() - at) : 0;
  if (have) std::memcpy(out, gMusic.samples.data() + at * 2, have * 4);
  std::memset(out + have * 2, 0, (want - have) * 4);
  gFramesConsumed.store(at + want, std::memory_order_relaxed);
}

uint32_t failWith(int32_t code) {
  gError = code;
  return 0;
}
}  // namespace

void selectAudioBackend(AudioBackend backend, uint32_t positionStep) {
  gBackend = backend;
  gStep = positionStep;
}

uint32_t audioGetVersion() { return kAudioVersion; }

uint32_t audioInit(int32_t, uint32_t frequency, uint32_t, void*) {
  if (gBackend != AudioBackend::Device) {
    gInitialized = true;
    gError = kAudioOk;
    return 1;
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return failWith(kAudioNoDevice);
  SDL_AudioSpec want{}, have{};
  want.freq = int(frequency);
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = feed;
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (gDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return failWith(kAudioNoDevice);
  }
  gInitialized = true;
  gError = kAudioOk;
  return 1;
}

uint32_t audioStreamCreateFile(uint32_t, const char* path, uint32_t, uint32_t, uint32_t) {
  if (!gInitialized) return failWith(kAudioNotInitialized);
  std::string onDisk = resolveDataPath(path);
  if (gDevice) SDL_LockAudioDevice(gDevice);
  Mp3Status status = decodeMp3File(onDisk.c_str(), gMusic);
  gFramesConsumed = 0;
  if (gDevice) SDL_UnlockAudioDevice(gDevice);
  if (status != kMp3Ok) return failWith(status == kMp3CannotOpen ? kAudioFileOpen : kAudioFileForm);
  gStreamOpen = true;
  gError = kAudioOk;
  return kStreamHandle;
}

uint32_t audioStart() {
  if (!gInitialized) return failWith(kAudioNotInitialized);
  return 1;
}

uint32_t audioStreamPlay(uint32_t handle, uint32_t, uint32_t) {
  if (handle != kStreamHandle || !gStreamOpen) return failWith(kAudioBadHandle);
  if (gDevice) SDL_LockAudioDevice(gDevice);
  gFramesConsumed = 0;
  if (gDevice) SDL_UnlockAudioDevice(gDevice);
  gSilentStart = millisecondTick();
  gSteppedPosition = 0;
  gPlaying = true;
  if (gDevice) SDL_PauseAudioDevice(gDevice, 0);
  return 1;
}

uint32_t audioChannelGetPosition(uint32_t handle) {
  if (handle != kStreamHandle || !gStreamOpen) return failWith(kAudioBadHandle);
  if (!gPlaying) return 0;
  switch (gBackend) {
    case AudioBackend::Device:
      return uint32_t(gFramesConsumed.load(std::memory_order_relaxed) * 2);
    case AudioBackend::Silent:
      return uint32_t(uint64_t(millisecondTick() - gSilentStart) * kPositionPerSecond / 1000);
    case AudioBackend::Stepped: {
      uint32_t p = gSteppedPosition;
      gSteppedPosition += gStep;
      return p;
    }
  }
  return 0;
}

uint32_t audioStop() {
  if (gDevice) SDL_PauseAudioDevice(gDevice, 1);
  gPlaying = false;
  return 1;
}

uint32_t audioFree() {
  if (gDevice) {
    SDL_CloseAudioDevice(gDevice);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gDevice = 0;
  }
  gMusic.samples.clear();
  gMusic.samples.shrink_to_fit();
  gStreamOpen = gPlaying = gInitialized = false;
  return 1;
}

int32_t audioErrorGetCode() { return gError; }
