// The audio layer's nine operations and its one stream; the output does the playing.
#include "audio/playback.hpp"

#include <string>

#include "audio/mp3decode.hpp"
#include "audio/output.hpp"
#include "base/datapath.hpp"

namespace {
const AudioOutput* gSelected = &kDeviceOutput;
const AudioOutput* gOutput = nullptr;  // the open output, from audioInit to audioFree
int32_t gError = kAudioOk;
bool gStreamOpen = false;
bool gPlaying = false;

constexpr uint32_t kStreamHandle = 1;

uint32_t failWith(int32_t code) {
  gError = code;
  return 0;
}
}  // namespace

void selectAudioBackend(AudioBackend backend, uint32_t positionStep) {
  switch (backend) {
    case AudioBackend::Device: gSelected = &kDeviceOutput; break;
    case AudioBackend::Silent: gSelected = &kClockOutput; break;
    case AudioBackend::Stepped: gSelected = &kSteppedOutput; break;
  }
  setSteppedOutputStep(positionStep);
}

uint32_t audioGetVersion() { return kAudioVersion; }

uint32_t audioInit(int32_t, uint32_t frequency, uint32_t, void*) {
  if (!gSelected->open(frequency)) return failWith(kAudioNoDevice);
  gOutput = gSelected;
  gError = kAudioOk;
  return 1;
}

uint32_t audioStreamCreateFile(uint32_t, const char* path, uint32_t, uint32_t, uint32_t) {
  if (!gOutput) return failWith(kAudioNotInitialized);
  DecodedAudio music;
  Mp3Status status = decodeMp3File(resolveDataPath(path).c_str(), music);
  gOutput->load(music);
  if (status != kMp3Ok) return failWith(status == kMp3CannotOpen ? kAudioFileOpen : kAudioFileForm);
  gStreamOpen = true;
  gError = kAudioOk;
  return kStreamHandle;
}

uint32_t audioStart() {
  if (!gOutput) return failWith(kAudioNotInitialized);
  return 1;
}

uint32_t audioStreamPlay(uint32_t handle, uint32_t, uint32_t) {
  if (handle != kStreamHandle || !gStreamOpen) return failWith(kAudioBadHandle);
  gPlaying = true;
  gOutput->play();
  return 1;
}

uint32_t audioChannelGetPosition(uint32_t handle) {
  if (handle != kStreamHandle || !gStreamOpen) return failWith(kAudioBadHandle);
  if (!gPlaying) return 0;
  return gOutput->position();
}

uint32_t audioStop() {
  if (gOutput) gOutput->stop();
  gPlaying = false;
  return 1;
}

uint32_t audioFree() {
  if (gOutput) gOutput->close();
  gOutput = nullptr;
  gStreamOpen = gPlaying = false;
  return 1;
}

int32_t audioErrorGetCode() { return gError; }
