// The song, written down as data: the chords, the drum and bass patterns, the
// melodies and the arrangement of every phrase, on the bars of the show's table of
// sections. composeSong() turns it into a list of timed notes and hits for the renderer.
#pragma once
#include <cstdint>
#include <vector>

#include "scenes/sections.hpp"
#include "synth/dsp.hpp"

// 130.17 beats per minute, 4/4: one bar is the show's bar (scenes/sections.hpp),
// 1.84375 s, which is 81309.375 samples at 44.1 kHz.
constexpr double kSamplesPerBar = double(kSceneTimePerBar) / kSceneTimePerSecond * kSynthRate;
static_assert(kSamplesPerBar == 81309.375);
constexpr double kSamplesPerStep = kSamplesPerBar / 16.0;  // one sixteenth note
// The song lasts as long as the music of the show's last section: the outro is
// silent from this bar line (24337.5 show units) on.
constexpr int kSongBars = kShowSections[kShowSectionCount - 1].lastBar + 1;
// The file runs on in silence past the end of the show.
constexpr double kSongSeconds = 207.0;

// Sample where a step (sixteenth note counted from the start of the song) begins.
// Every event rounds the same way, so a downbeat is never more than half a sample off.
inline int64_t stepToSample(double step) { return int64_t(step * kSamplesPerStep + 0.5); }

// Where the music changes, in order: on the first bar of every section of the show,
// and where the first section's overlay starts. Each change begins a phrase.
struct MusicChange {
  const char* name;  // what is on screen
  int firstBar;
};
std::vector<MusicChange> musicChanges();

enum class Part { kKick, kSnare, kClap, kHat, kOpenHat, kCrash, kRiser, kImpact, kBass, kPad, kLead, kArp };
constexpr int kPartCount = 12;

enum class Sound { kNone, kSubBass, kRollBass, kAcidBass, kWarmPad, kSuperPad, kStabPad, kSawLead, kPluckLead, kBellLead, kArpPluck };

struct ScoreEvent {
  Part part;
  Sound sound;       // which voice settings (tone parts only)
  int64_t start;     // sample
  int64_t length;    // gate in samples (tone parts, riser)
  double note;       // MIDI note (tone parts)
  double velocity;
  double cutoffScale;  // the phrase's filter sweep at this note
  double glide;        // semitones the note slides in from
  uint64_t seed;
};

std::vector<ScoreEvent> composeSong();
