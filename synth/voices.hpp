// The synthesizer's instruments. Each call adds one note or hit into a stretch of a
// stereo bus at a song sample position, cut at the song's end; nothing is stored
// between calls, so a note sounds the same whenever it is rendered.
#pragma once
#include <cstdint>

#include "synth/dsp.hpp"

// A subtractive voice: unison oscillators, a resonant low-pass with its own envelope
// and a slow LFO, an amplitude envelope. Bass, pads, leads, plucks and arps are all
// settings of this one voice.
struct ToneVoice {
  Wave wave = Wave::kSaw;
  int unison = 1;             // oscillators per note
  double detuneCents = 0.0;   // spread of the unison (outermost voice)
  double stereoWidth = 0.0;   // how far the unison voices are panned apart (0..1)
  double subLevel = 0.0;      // square one octave below
  double subWave2 = 0.0;      // second wave (square) mixed on top of the main one
  Adsr amp;
  Adsr filterEnv;
  double cutoffHz = 2000.0;   // at velocity 1 and envelope 0
  double envOctaves = 0.0;    // filter envelope depth
  double keyTrack = 0.5;      // 1 = cutoff follows the pitch fully
  double resonance = 0.2;     // 0..0.95
  double lfoHz = 0.0, lfoOctaves = 0.0;
  double glideSeconds = 0.03; // time constant of a slide between legato notes
  double gain = 0.3;
  double pan = 0.0;
};

// gateSamples: how long the key is held. cutoffScale multiplies the cutoff (section
// sweeps). seed: phase scatter of the unison. glideSemis: the pitch slides in from this
// many semitones away (legato lines).
void renderTone(BusWindow& out, const ToneVoice& v, int64_t start, int64_t gateSamples, double midiNote,
                double velocity, double cutoffScale, uint64_t seed, double glideSemis = 0.0);

void renderKick(BusWindow& out, int64_t start, double velocity, double punch);
void renderSnare(BusWindow& out, int64_t start, double velocity, uint64_t seed);
void renderClap(BusWindow& out, int64_t start, double velocity, uint64_t seed);
void renderHat(BusWindow& out, int64_t start, double velocity, bool open, double pan, uint64_t seed);
void renderCrash(BusWindow& out, int64_t start, double velocity, uint64_t seed);
// Filtered noise rising over `length` samples into the next section.
void renderRiser(BusWindow& out, int64_t start, int64_t length, double velocity, uint64_t seed);
// A low boom with a falling pitch, marking the first beat after a build.
void renderImpact(BusWindow& out, int64_t start, double velocity, uint64_t seed);
