// Loudness (BS.1770) and true-peak measurement.
#include "synth/meter.hpp"

#include <algorithm>
#include <cmath>

namespace {
using Biquad = LoudnessMeter::Biquad;

// The two K-weighting stages (high shelf, then the revised low-frequency B-curve high
// pass), designed for the given rate from their analogue prototypes.
void kWeighting(double rate, Biquad& shelf, Biquad& highPass) {
  const double pi = 3.141592653589793;
  double f0 = 1681.974450955533, g = 3.999843853973347, q = 0.7071752369554196;
  double k = std::tan(pi * f0 / rate);
  double vh = std::pow(10.0, g / 20.0);
  double vb = std::pow(vh, 0.4996667741545416);
  double a0 = 1.0 + k / q + k * k;
  shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
           2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
  f0 = 38.13547087602444;
  q = 0.5003270373238773;
  k = std::tan(pi * f0 / rate);
  a0 = 1.0 + k / q + k * k;
  highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

double toLufs(double power) { return power > 0.0 ? -0.691 + 10.0 * std::log10(power) : -200.0; }

// Polyphase 4x interpolator: 12 taps per phase, Hann-windowed sinc.
struct Interpolator {
  static constexpr int kTaps = 12;
  double h[3][kTaps];
  Interpolator() {
    const double pi = 3.141592653589793;
    for (int p = 1; p <= 3; ++p) {
      double frac = p / 4.0;
      double sum = 0.0;
      for (int k = 0; k < kTaps; ++k) {
        double x = double(k - kTaps / 2 + 1) - frac;  // taps at n-5 .. n+6
        double s = std::abs(x) < 1e-12 ? 1.0 : std::sin(pi * x) / (pi * x);
        double w = 0.5 + 0.5 * std::cos(pi * x / (kTaps / 2 + 0.5));
        h[p - 1][k] = s * w;
        sum += s * w;
      }
      for (int k = 0; k < kTaps; ++k) h[p - 1][k] /= sum;
    }
  }
};
}  // namespace

LoudnessMeter::LoudnessMeter(double rate) : step(size_t(std::lround(rate * 0.1))) {
  kWeighting(rate, shelfL, highPassL);
  kWeighting(rate, shelfR, highPassR);
}

void LoudnessMeter::add(const float* l, const float* r, size_t frames) {
  for (size_t i = 0; i < frames; ++i) {
    double a = highPassL.run(shelfL.run(l[i]));
    double b = highPassR.run(shelfR.run(r[i]));
    acc += a * a + b * b;
    if (++count == step) {
      steps.push_back(acc / double(step));
      acc = 0.0;
      count = 0;
    }
  }
}

double LoudnessMeter::integrated() const {
  if (steps.size() < 4) return -200.0;
  std::vector<double> blocks;
  for (size_t i = 0; i + 4 <= steps.size(); ++i) blocks.push_back((steps[i] + steps[i + 1] + steps[i + 2] + steps[i + 3]) / 4.0);
  auto gatedMean = [&](double gateLufs) {
    double sum = 0.0;
    size_t n = 0;
    for (double b : blocks)
      if (toLufs(b) > gateLufs) {
        sum += b;
        ++n;
      }
    return n ? sum / double(n) : 0.0;
  };
  double absGated = gatedMean(-70.0);
  if (absGated <= 0.0) return -200.0;
  return toLufs(gatedMean(std::max(-70.0, toLufs(absGated) - 10.0)));
}

double LoudnessMeter::mean() const {
  double sum = 0.0;
  for (double s : steps) sum += s;
  return steps.empty() ? -200.0 : toLufs(sum / double(steps.size()));
}

double integratedLoudness(const float* l, const float* r, size_t frames, double rate) {
  LoudnessMeter meter(rate);
  meter.add(l, r, frames);
  return meter.integrated();
}

double momentaryMeanLoudness(const float* l, const float* r, size_t frames, double rate) {
  LoudnessMeter meter(rate);
  meter.add(l, r, frames);
  return meter.mean();
}

void interSamplePeaks(const float* x, size_t n, std::vector<float>& peak) {
  peak.assign(n, 0.0f);
  interSamplePeaks(x, n, 0, n, peak.data());
}

void interSamplePeaks(const float* x, size_t n, size_t from, size_t to, float* peak) {
  static const Interpolator ip;
  constexpr int half = Interpolator::kTaps / 2;
  for (size_t i = from; i < to; ++i) {
    double m = std::abs(x[i]);
    if (i + 1 >= size_t(half) && i + half < n) {
      const float* base = x + i - (half - 1);
      for (int p = 0; p < 3; ++p) {
        double y = 0.0;
        for (int k = 0; k < Interpolator::kTaps; ++k) y += ip.h[p][k] * base[k];
        m = std::max(m, std::abs(y));
      }
    }
    peak[i - from] = float(m);
  }
}

double truePeak(const float* l, const float* r, size_t frames) {
  std::vector<float> p;
  double m = 0.0;
  interSamplePeaks(l, frames, p);
  for (float v : p) m = std::max(m, double(v));
  interSamplePeaks(r, frames, p);
  for (float v : p) m = std::max(m, double(v));
  return m;
}
