// Echo, room, ducking and the true-peak limiter of the synthesizer.
#include "synth/effects.hpp"

#include <algorithm>
#include <cmath>
#include <deque>

#include "synth/meter.hpp"

namespace {
double runComb(Reverb::Comb& c, double x, double feedback, double damp) {
  double y = c.buf[c.pos];
  c.store = y * (1.0 - damp) + c.store * damp;
  c.buf[c.pos] = float(x + c.store * feedback);
  if (++c.pos == c.buf.size()) c.pos = 0;
  return y;
}

double runAllpass(Reverb::Allpass& a, double x) {
  double b = a.buf[a.pos];
  double y = -x + b;
  a.buf[a.pos] = float(x + b * 0.5);
  if (++a.pos == a.buf.size()) a.pos = 0;
  return y;
}
}  // namespace

PingPongDelay::PingPongDelay(double delaySamples, double feedbackGain, double dampHz) : feedback(feedbackGain) {
  size_t d = size_t(std::max(1L, std::lround(delaySamples)));
  lineL.assign(d, 0.0f);
  lineR.assign(d, 0.0f);
  lpL.lowPass(dampHz);
  lpR.lowPass(dampHz);
  hpL.lowPass(180.0);
  hpR.lowPass(180.0);
}

void PingPongDelay::run(const float* sendL, const float* sendR, float* outL, float* outR, size_t n, double wetGain) {
  const size_t d = lineL.size();
  for (size_t i = 0; i < n; ++i) {
    double yl = lineL[pos], yr = lineR[pos];
    double in = 0.5 * (sendL[i] + sendR[i]);
    lineL[pos] = float(hpL.high(in + feedback * lpR.low(yr)));
    lineR[pos] = float(hpR.high(feedback * lpL.low(yl)));
    if (++pos == d) pos = 0;
    outL[i] += float(yl * wetGain);
    outR[i] += float(yr * wetGain);
  }
}

void applyPingPongDelay(const StereoBuffer& send, StereoBuffer& out, double delaySamples, double feedback,
                        double dampHz, double wetGain) {
  PingPongDelay delay(delaySamples, feedback, dampHz);
  delay.run(send.l.data(), send.r.data(), out.l.data(), out.r.data(), std::min(send.frames(), out.frames()), wetGain);
}

Reverb::Reverb(double room, double damp) : roomSize(room), damping(damp) {
  static const int combTuning[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int allpassTuning[4] = {556, 441, 341, 225};
  const int spread = 23;
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < 8; ++i) combs[c][i].buf.assign(size_t(combTuning[i] + c * spread), 0.0f);
    for (int i = 0; i < 4; ++i) allpasses[c][i].buf.assign(size_t(allpassTuning[i] + c * spread), 0.0f);
  }
  // 25 ms pre-delay keeps the attacks dry; the low end stays out of the room.
  pre.assign(size_t(0.025 * kSynthRate), 0.0f);
  hp.lowPass(250.0);
}

void Reverb::run(const float* sendL, const float* sendR, float* outL, float* outR, size_t n, double wetGain) {
  const size_t preDelay = pre.size();
  for (size_t i = 0; i < n; ++i) {
    double in = pre[prePos];
    pre[prePos] = float(hp.high(0.5 * (sendL[i] + sendR[i])) * 0.03);
    if (++prePos == preDelay) prePos = 0;
    double y[2];
    for (int c = 0; c < 2; ++c) {
      double acc = 0.0;
      for (int k = 0; k < 8; ++k) acc += runComb(combs[c][k], in, roomSize, damping);
      for (int k = 0; k < 4; ++k) acc = runAllpass(allpasses[c][k], acc);
      y[c] = acc;
    }
    outL[i] += float(y[0] * wetGain);
    outR[i] += float(y[1] * wetGain);
  }
}

void applyReverb(const StereoBuffer& send, StereoBuffer& out, double roomSize, double damping, double wetGain) {
  Reverb reverb(roomSize, damping);
  reverb.run(send.l.data(), send.r.data(), out.l.data(), out.r.data(), std::min(send.frames(), out.frames()), wetGain);
}

void addDuck(std::vector<float>& gain, int64_t start, double depth, double recoverSamples) {
  addDuck(gain.data(), 0, int64_t(gain.size()), start, depth, recoverSamples);
}

void addDuck(float* gain, int64_t from, int64_t count, int64_t start, double depth, double recoverSamples) {
  const int64_t ramp = 66;  // 1.5 ms into the dip: no click on the bass
  int64_t end = start + int64_t(recoverSamples);
  for (int64_t i = std::max<int64_t>(from, start - ramp); i < std::min(from + count, end); ++i) {
    double g;
    if (i < start) {
      g = 1.0 - depth * double(i - (start - ramp)) / double(ramp);
    } else {
      double x = double(i - start) / recoverSamples;
      g = 1.0 - depth * (1.0 - x) * (1.0 - x);
    }
    gain[i - from] = std::min(gain[i - from], float(g));
  }
}

std::vector<float> truePeakEnvelope(const StereoBuffer& buf) {
  const size_t n = buf.frames();
  std::vector<float> peak(n);
  // The right channel a stretch at a time: a song-long second envelope is not needed.
  std::vector<float> right(std::min<size_t>(n, 65536));
  for (size_t from = 0; from < n; from += right.size()) {
    const size_t to = std::min(n, from + right.size());
    interSamplePeaks(buf.l.data(), n, from, to, peak.data() + from);
    interSamplePeaks(buf.r.data(), n, from, to, right.data());
    for (size_t i = from; i < to; ++i) peak[i] = std::max(peak[i], right[i - from]);
  }
  return peak;
}

std::vector<float> limiterGain(const std::vector<float>& peak, double inputGain, double ceiling,
                               double lookaheadSamples, double releaseSamples) {
  const size_t n = peak.size();
  const size_t la = std::max<size_t>(1, size_t(lookaheadSamples));
  // Gain each sample needs on its own.
  std::vector<float> need(n);
  for (size_t i = 0; i < n; ++i) {
    double p = peak[i] * inputGain;
    need[i] = p > ceiling ? float(ceiling / p) : 1.0f;
  }
  // Smallest need within the look-ahead window [i, i+la), then a slow release.
  std::vector<float> g(n);
  std::deque<size_t> window;
  const double rel = 1.0 / releaseSamples;
  double held = 1.0;
  for (size_t i = 0; i < n + la; ++i) {
    if (i < n) {
      while (!window.empty() && need[window.back()] >= need[i]) window.pop_back();
      window.push_back(i);
    }
    if (i + 1 >= la) {
      size_t out = i + 1 - la;
      if (out >= n) break;
      while (window.front() < out) window.pop_front();
      double m = need[window.front()];
      held = std::min(m, held + (1.0 - held) * rel);
      g[out] = float(held);
    }
  }
  // Averaging over the look-ahead length turns the steps into smooth ramps and still
  // keeps every sample at or below what it needs. Near the start the average covers
  // fewer samples; there the raw gain is the bound.
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) {
    sum += g[i];
    if (i >= la) sum -= g[i - la];
    float avg = float(sum / double(std::min(i + 1, la)));
    need[i] = i + 1 < la ? std::min(avg, g[i]) : avg;
  }
  return need;
}

void limitPeaks(StereoBuffer& buf, double ceiling, double lookaheadSamples, double releaseSamples) {
  std::vector<float> g = limiterGain(truePeakEnvelope(buf), 1.0, ceiling, lookaheadSamples, releaseSamples);
  for (size_t i = 0; i < g.size(); ++i) {
    buf.l[i] *= g[i];
    buf.r[i] *= g[i];
  }
}
