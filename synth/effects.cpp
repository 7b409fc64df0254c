// Echo, room, ducking and the true-peak limiter of the synthesizer.
#include "synth/effects.hpp"

#include <algorithm>
#include <cmath>
#include <deque>

#include "synth/meter.hpp"

namespace {
struct OnePole {
  double a = 0.0, z = 0.0;
  void lowPass(double hz) { a = std::exp(-kTwoPi * hz / kSynthRate); }
  double low(double x) { return z = x + a * (z - x); }
  double high(double x) { return x - low(x); }
};

struct Comb {
  std::vector<float> buf;
  size_t pos = 0;
  double store = 0.0;
  double run(double x, double feedback, double damp) {
    double y = buf[pos];
    store = y * (1.0 - damp) + store * damp;
    buf[pos] = float(x + store * feedback);
    if (++pos == buf.size()) pos = 0;
    return y;
  }
};

struct Allpass {
  std::vector<float> buf;
  size_t pos = 0;
  double run(double x) {
    double b = buf[pos];
    double y = -x + b;
    buf[pos] = float(x + b * 0.5);
    if (++pos == buf.size()) pos = 0;
    return y;
  }
};
}  // namespace

void applyPingPongDelay(const StereoBuffer& send, StereoBuffer& out, double delaySamples, double feedback,
                        double dampHz, double wetGain) {
  size_t d = size_t(std::max(1L, std::lround(delaySamples)));
  std::vector<float> lineL(d, 0.0f), lineR(d, 0.0f);
  OnePole lpL, lpR, hpL, hpR;
  lpL.lowPass(dampHz);
  lpR.lowPass(dampHz);
  hpL.lowPass(180.0);
  hpR.lowPass(180.0);
  size_t pos = 0;
  const size_t n = std::min(send.frames(), out.frames());
  for (size_t i = 0; i < n; ++i) {
    double yl = lineL[pos], yr = lineR[pos];
    double in = 0.5 * (send.l[i] + send.r[i]);
    lineL[pos] = float(hpL.high(in + feedback * lpR.low(yr)));
    lineR[pos] = float(hpR.high(feedback * lpL.low(yl)));
    if (++pos == d) pos = 0;
    out.l[i] += float(yl * wetGain);
    out.r[i] += float(yr * wetGain);
  }
}

void applyReverb(const StereoBuffer& send, StereoBuffer& out, double roomSize, double damping, double wetGain) {
  static const int combTuning[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int allpassTuning[4] = {556, 441, 341, 225};
  const int spread = 23;
  Comb combs[2][8];
  Allpass allpasses[2][4];
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < 8; ++i) combs[c][i].buf.assign(size_t(combTuning[i] + c * spread), 0.0f);
    for (int i = 0; i < 4; ++i) allpasses[c][i].buf.assign(size_t(allpassTuning[i] + c * spread), 0.0f);
  }
  // 25 ms pre-delay keeps the attacks dry; the low end stays out of the room.
  const size_t preDelay = size_t(0.025 * kSynthRate);
  std::vector<float> pre(preDelay, 0.0f);
  size_t prePos = 0;
  OnePole hp;
  hp.lowPass(250.0);
  const size_t n = std::min(send.frames(), out.frames());
  for (size_t i = 0; i < n; ++i) {
    double in = pre[prePos];
    pre[prePos] = float(hp.high(0.5 * (send.l[i] + send.r[i])) * 0.03);
    if (++prePos == preDelay) prePos = 0;
    double y[2];
    for (int c = 0; c < 2; ++c) {
      double acc = 0.0;
      for (int k = 0; k < 8; ++k) acc += combs[c][k].run(in, roomSize, damping);
      for (int k = 0; k < 4; ++k) acc = allpasses[c][k].run(acc);
      y[c] = acc;
    }
    out.l[i] += float(y[0] * wetGain);
    out.r[i] += float(y[1] * wetGain);
  }
}

void addDuck(std::vector<float>& gain, int64_t start, double depth, double recoverSamples) {
  const int64_t n = int64_t(gain.size());
  const int64_t ramp = 66;  // 1.5 ms into the dip: no click on the bass
  int64_t end = start + int64_t(recoverSamples);
  for (int64_t i = std::max<int64_t>(0, start - ramp); i < std::min(n, end); ++i) {
    double g;
    if (i < start) {
      g = 1.0 - depth * double(i - (start - ramp)) / double(ramp);
    } else {
      double x = double(i - start) / recoverSamples;
      g = 1.0 - depth * (1.0 - x) * (1.0 - x);
    }
    gain[size_t(i)] = std::min(gain[size_t(i)], float(g));
  }
}

std::vector<float> truePeakEnvelope(const StereoBuffer& buf) {
  const size_t n = buf.frames();
  std::vector<float> pl, pr;
  interSamplePeaks(buf.l.data(), n, pl);
  interSamplePeaks(buf.r.data(), n, pr);
  for (size_t i = 0; i < n; ++i) pl[i] = std::max(pl[i], pr[i]);
  return pl;
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
