// Loudness and peak measurement of stereo audio at 44.1 kHz: integrated loudness after
// ITU-R BS.1770 (K-weighting, 400 ms blocks, absolute and relative gates) and the true
// peak estimated by 4x oversampling. The forge masters the music with these; the tests
// check the decoded file with them.
#pragma once
#include <cstddef>
#include <vector>

// The loudness of audio measured as it comes, a stretch at a time: the K-weighted
// power of both channels in 100 ms steps. Any division of the audio gives the same
// results as the whole at once.
struct LoudnessMeter {
  struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;
    double run(double x) {
      double y = b0 * x + z1;
      z1 = b1 * x - a1 * y + z2;
      z2 = b2 * x - a2 * y;
      return y;
    }
  };
  Biquad shelfL, highPassL, shelfR, highPassR;
  size_t step;  // samples in 100 ms
  double acc = 0.0;
  size_t count = 0;
  std::vector<double> steps;  // mean power of each full step
  explicit LoudnessMeter(double rate);
  void add(const float* l, const float* r, size_t frames);
  // Integrated loudness in LUFS (BS.1770 gating) of everything added.
  double integrated() const;
  // Ungated mean loudness of everything added.
  double mean() const;
};

// Integrated loudness in LUFS; -70 or lower means (gated) silence.
double integratedLoudness(const float* l, const float* r, size_t frames, double rate);
// Ungated mean loudness of a stretch (the sections' level comparison).
double momentaryMeanLoudness(const float* l, const float* r, size_t frames, double rate);

// For every sample n the largest magnitude of the band-limited signal between n and
// n+1 (n itself and three interpolated points).
void interSamplePeaks(const float* x, size_t n, std::vector<float>& peak);
// The same for samples [from, to) of the n samples only, into peak[0 .. to - from).
void interSamplePeaks(const float* x, size_t n, size_t from, size_t to, float* peak);
// Largest true-peak magnitude of either channel (linear, 1.0 = full scale).
double truePeak(const float* l, const float* r, size_t frames);
