// The audio layer's operations and its one stream; the output does the playing.
#include "audio/playback.hpp"

#include <string>

#include "audio/mp3decode.hpp"
#include "audio/output.hpp"
#include "base/datapath.hpp"

namespace {
const AudioOutput* gSelected = &kDeviceOutput;
const AudioOutput* gOutput = nullptr;  // the open output, from audioInit to audioFree
int32_t gError = kAudioOk;
Mp3Stream gStream;  // the music, decoded as the output plays it
bool gStreamOpen = false;

constexpr uint32_t kStreamHandle = 1;

uint32_t failWith(int32_t code) {
  gError = code;
  return 0;
}

bool isOpenStream(uint32_t handle) { return handle == kStreamHandle && gStreamOpen; }
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
  // The output lets go of the old stream before it is replaced.
  gOutput->load(nullptr);
  gStreamOpen = false;
  Mp3Status status = openMp3Stream(resolveDataPath(path).c_str(), gStream);
  if (status != kMp3Ok) return failWith(status == kMp3CannotOpen ? kAudioFileOpen : kAudioFileForm);
  gOutput->load(&gStream);
  gStreamOpen = true;
  gError = kAudioOk;
  return kStreamHandle;
}

uint32_t audioStart() {
  if (!gOutput) return failWith(kAudioNotInitialized);
  return 1;
}

uint32_t audioStreamPlay(uint32_t handle, uint32_t flush, uint32_t) {
  if (!isOpenStream(handle)) return failWith(kAudioBadHandle);
  if (flush) gOutput->seek(0);
  gOutput->play();
  return 1;
}

uint32_t audioChannelGetPosition(uint32_t handle) {
  if (!isOpenStream(handle)) return failWith(kAudioBadHandle);
  return gOutput->position();
}

uint32_t audioChannelSetPosition(uint32_t handle, uint32_t position) {
  if (!isOpenStream(handle)) return failWith(kAudioBadHandle);
  gOutput->seek((uint64_t(position) + 1) / 2);
  return 1;
}

uint32_t audioStop() {
  if (gOutput) gOutput->stop();
  return 1;
}

uint32_t audioFree() {
  if (gOutput) gOutput->close();
  gOutput = nullptr;
  closeMp3Stream(gStream);
  gStreamOpen = false;
  return 1;
}

int32_t audioErrorGetCode() { return gError; }
