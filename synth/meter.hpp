// Loudness and peak measurement of stereo audio at 44.1 kHz: integrated loudness after
// ITU-R BS.1770 (K-weighting, 400 ms blocks, absolute and relative gates) and the true
// peak estimated by 4x oversampling. The forge masters the music with these; the tests
// check the decoded file with them.
#pragma once
#include <cstddef>
#include <vector>

// Integrated loudness in LUFS; -70 or lower means (gated) silence.
double integratedLoudness(const float* l, const float* r, size_t frames, double rate);
// Ungated mean loudness of a stretch (the sections' level comparison).
double momentaryMeanLoudness(const float* l, const float* r, size_t frames, double rate);

// For every sample n the largest magnitude of the band-limited signal between n and
// n+1 (n itself and three interpolated points).
void interSamplePeaks(const float* x, size_t n, std::vector<float>& peak);
// Largest true-peak magnitude of either channel (linear, 1.0 = full scale).
double truePeak(const float* l, const float* r, size_t frames);
