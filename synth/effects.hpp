// Whole-bus effects of the synthesizer: the stereo echo, the room, the kick's ducking
// of the other instruments, and the master limiter.
#pragma once
#include <cstdint>
#include <vector>

#include "synth/dsp.hpp"

// The echo and the room run along the send a stretch at a time, keeping their state
// between stretches: any division of the send gives the same samples as the whole.
struct OnePole {
  double a = 0.0, z = 0.0;
  void lowPass(double hz) { a = std::exp(-kTwoPi * hz / kSynthRate); }
  double low(double x) { return z = x + a * (z - x); }
  double high(double x) { return x - low(x); }
};

// Ping-pong echo: the left input repeats on the right and back, each repeat darker.
struct PingPongDelay {
  std::vector<float> lineL, lineR;
  size_t pos = 0;
  double feedback;
  OnePole lpL, lpR, hpL, hpR;
  PingPongDelay(double delaySamples, double feedback, double dampHz);
  // Adds the wet signal of the next `n` send samples into out.
  void run(const float* sendL, const float* sendR, float* outL, float* outR, size_t n, double wetGain);
};
void applyPingPongDelay(const StereoBuffer& send, StereoBuffer& out, double delaySamples, double feedback,
                        double dampHz, double wetGain);

// A Schroeder/Moorer room (parallel damped combs, then allpasses), decorrelated left
// and right.
struct Reverb {
  struct Comb {
    std::vector<float> buf;
    size_t pos = 0;
    double store = 0.0;
  };
  struct Allpass {
    std::vector<float> buf;
    size_t pos = 0;
  };
  Comb combs[2][8];
  Allpass allpasses[2][4];
  std::vector<float> pre;  // the pre-delay
  size_t prePos = 0;
  OnePole hp;
  double roomSize, damping;
  Reverb(double roomSize, double damping);
  // Adds the wet signal of the next `n` send samples into out.
  void run(const float* sendL, const float* sendR, float* outL, float* outR, size_t n, double wetGain);
};
void applyReverb(const StereoBuffer& send, StereoBuffer& out, double roomSize, double damping, double wetGain);

// Gain curve that dips after every kick so the bass and pads make room for it.
// Starts at 1 everywhere; each kick at `start` pulls it down by `depth` and lets it
// recover over `recoverSamples`.
void addDuck(std::vector<float>& gain, int64_t start, double depth, double recoverSamples);
// The same on a stretch of the curve: gain[k] is song sample from + k.
void addDuck(float* gain, int64_t from, int64_t count, int64_t start, double depth, double recoverSamples);

// Look-ahead peak limiter on the (estimated, 4x oversampled) true peak: never lets the
// output exceed `ceiling` (linear).
void limitPeaks(StereoBuffer& buf, double ceiling, double lookaheadSamples, double releaseSamples);

// The same in two steps, for trying several input gains on one mix: the true-peak
// envelope (larger of both channels) once, then the limiter's gain curve for the mix
// scaled by `inputGain`, which the caller multiplies in together with that gain.
std::vector<float> truePeakEnvelope(const StereoBuffer& buf);
std::vector<float> limiterGain(const std::vector<float>& peak, double inputGain, double ceiling,
                               double lookaheadSamples, double releaseSamples);
