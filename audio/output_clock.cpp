// The silent output (gvs --silent): no sound; the position follows the millisecond
// clock from the start of playback, so the show runs at the music's pace.
#include "audio/output.hpp"
#include "audio/playback.hpp"
#include "base/clock.hpp"

namespace {
uint32_t gStart = 0;

bool open(uint32_t) { return true; }
void load(DecodedAudio&) {}
void play() { gStart = millisecondTick(); }
uint32_t position() { return uint32_t(uint64_t(millisecondTick() - gStart) * kPositionPerSecond / 1000); }
void stop() {}
void close() {}
}  // namespace

const AudioOutput kClockOutput = {open, load, play, position, stop, close};
