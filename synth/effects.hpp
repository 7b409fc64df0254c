// Whole-bus effects of the synthesizer: the stereo echo, the room, the kick's ducking
// of the other instruments, and the master limiter.
#pragma once
#include <cstdint>
#include <vector>

#include "synth/dsp.hpp"

// Ping-pong echo: the left input repeats on the right and back, each repeat darker.
// Adds the wet signal into `out`.
void applyPingPongDelay(const StereoBuffer& send, StereoBuffer& out, double delaySamples, double feedback,
                        double dampHz, double wetGain);

// A Schroeder/Moorer room (parallel damped combs, then allpasses), decorrelated left
// and right. Adds the wet signal into `out`.
void applyReverb(const StereoBuffer& send, StereoBuffer& out, double roomSize, double damping, double wetGain);

// Gain curve that dips after every kick so the bass and pads make room for it.
// Starts at 1 everywhere; each kick at `start` pulls it down by `depth` and lets it
// recover over `recoverSamples`.
void addDuck(std::vector<float>& gain, int64_t start, double depth, double recoverSamples);

// Look-ahead peak limiter on the (estimated, 4x oversampled) true peak: never lets the
// output exceed `ceiling` (linear).
void limitPeaks(StereoBuffer& buf, double ceiling, double lookaheadSamples, double releaseSamples);

// The same in two steps, for trying several input gains on one mix: the true-peak
// envelope (larger of both channels) once, then the limiter's gain curve for the mix
// scaled by `inputGain`, which the caller multiplies in together with that gain.
std::vector<float> truePeakEnvelope(const StereoBuffer& buf);
std::vector<float> limiterGain(const std::vector<float>& peak, double inputGain, double ceiling,
                               double lookaheadSamples, double releaseSamples);
