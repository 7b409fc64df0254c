// The stepped output (offline tools and tests): no sound; while playing, every read
// of the position moves it on by a fixed step.
#include "audio/output.hpp"

namespace {
uint32_t gStep = 0;
uint32_t gPosition = 0;
bool gPlaying = false;

bool open(uint32_t) { return true; }
void load(Mp3Stream*) {
  gPosition = 0;
  gPlaying = false;
}
void play() { gPlaying = true; }
void seek(uint64_t frame) { gPosition = uint32_t(frame * 2); }
uint32_t position() {
  uint32_t p = gPosition;
  if (gPlaying) gPosition += gStep;
  return p;
}
void stop() { gPlaying = false; }
void close() { gPlaying = false; }
}  // namespace

const AudioOutput kSteppedOutput = {open, load, play, seek, position, stop, close};

void setSteppedOutputStep(uint32_t step) { gStep = step; }
