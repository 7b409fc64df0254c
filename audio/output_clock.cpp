// The silent output (gvs --silent): no sound; while playing, the position follows the
// millisecond clock, so the show runs at the music's pace.
#include "audio/output.hpp"
#include "audio/playback.hpp"
#include "base/clock.hpp"

namespace {
uint32_t gStart = 0;      // the tick the position last moved from
uint32_t gFrom = 0;       // the position at that tick
bool gPlaying = false;

bool open(uint32_t) { return true; }
void load(Mp3Stream*) {
  gFrom = 0;
  gPlaying = false;
}
uint32_t position() {
  if (!gPlaying) return gFrom;
  return gFrom + uint32_t(uint64_t(millisecondTick() - gStart) * kPositionPerSecond / 1000);
}
void play() {
  gFrom = position();
  gStart = millisecondTick();
  gPlaying = true;
}
void seek(uint64_t frame) {
  gFrom = uint32_t(frame * 2);
  gStart = millisecondTick();
}
void stop() {
  gFrom = position();
  gPlaying = false;
}
void close() { gPlaying = false; }
}  // namespace

const AudioOutput kClockOutput = {open, load, play, seek, position, stop, close};
