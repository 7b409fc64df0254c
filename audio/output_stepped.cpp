// The stepped output (offline tools and tests): no sound; every read of the
// position moves it on by a fixed step, from 0 at the start of playback.
#include "audio/output.hpp"

namespace {
uint32_t gStep = 0;
uint32_t gPosition = 0;

bool open(uint32_t) { return true; }
void load(DecodedAudio&) {}
void play() { gPosition = 0; }
uint32_t position() {
  uint32_t p = gPosition;
  gPosition += gStep;
  return p;
}
void stop() {}
void close() {}
}  // namespace

const AudioOutput kSteppedOutput = {open, load, play, position, stop, close};

void setSteppedOutputStep(uint32_t step) { gStep = step; }
