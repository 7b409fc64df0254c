// The synthesizer's instruments.
#include "synth/voices.hpp"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxUnison = 9;
// The envelopes and the filter are updated every few samples; fast enough for
// a 2 ms attack and far cheaper than per-sample exponentials.
constexpr int kControlStep = 16;

// 1 until the last fifth of a hit, then a straight ramp to 0: drum tails never end in
// a step.
double tailFade(int64_t s, int64_t len) {
  double x = double(s) / double(len);
  return x < 0.8 ? 1.0 : (1.0 - x) * 5.0;
}

// The six square oscillators of a classic analogue cymbal, at inharmonic ratios.
struct Metal {
  Osc o[6];
  double hz[6];
  explicit Metal(double base, SynthRng& rng) {
    static const double ratio[6] = {1.0, 1.4826, 1.8004, 2.5465, 2.6303, 3.8969};
    for (int i = 0; i < 6; ++i) {
      o[i].wave = Wave::kSquare;
      o[i].phase = rng.unit();
      hz[i] = base * ratio[i];
    }
  }
  double tick() {
    double s = 0.0;
    for (int i = 0; i < 6; ++i) s += o[i].tick(hz[i]);
    return s * (1.0 / 6.0);
  }
};
}  // namespace

void renderTone(BusWindow& out, const ToneVoice& v, int64_t start, int64_t gateSamples, double midiNote,
                double velocity, double cutoffScale, uint64_t seed, double glideSemis) {
  const double gateSec = double(gateSamples) / kSynthRate;
  const int64_t len = out.reserve(start, gateSamples + int64_t(v.amp.tail() * kSynthRate));
  if (len <= 0) return;
  SynthRng rng(seed * 0x9E3779B97F4A7C15ull + 12345);
  const int n = std::clamp(v.unison, 1, kMaxUnison);
  Osc osc[kMaxUnison];
  double ratio[kMaxUnison];
  float gl[kMaxUnison], gr[kMaxUnison];
  for (int i = 0; i < n; ++i) {
    double pos = n > 1 ? 2.0 * i / (n - 1) - 1.0 : 0.0;
    osc[i].wave = v.wave;
    osc[i].phase = n > 1 ? rng.unit() : 0.0;
    // Uneven detune spacing keeps the unison from beating in lockstep.
    double spreadCurve = pos * (0.75 + 0.25 * pos * pos);
    ratio[i] = std::pow(2.0, spreadCurve * v.detuneCents / 1200.0);
    panGains(std::clamp(v.pan + pos * v.stereoWidth, -1.0, 1.0), gl[i], gr[i]);
  }
  float gCenterL, gCenterR;
  panGains(v.pan, gCenterL, gCenterR);
  Osc sub;
  sub.wave = Wave::kSquare;
  Osc second[kMaxUnison];
  for (int i = 0; i < n; ++i) {
    second[i].wave = Wave::kSquare;
    second[i].phase = osc[i].phase;
  }
  Svf fl, fr;
  const double baseHz = midiToHz(midiNote);
  const double baseCut = v.cutoffHz * cutoffScale * std::pow(baseHz / 261.63, v.keyTrack) * (0.6 + 0.4 * velocity);
  double lfoPhase = rng.unit();
  const double lfoInc = v.lfoHz / kSynthRate;
  const double unisonNorm = 1.0 / std::sqrt(double(n));
  const double level = v.gain * velocity;

  // The phase steps of the oscillators at a pitch: once for a note that keeps its
  // pitch, every sample while one glides.
  double dtOsc[kMaxUnison], dtSecond[kMaxUnison], dtSub = 0.0;
  auto setPitch = [&](double hz) {
    for (int i = 0; i < n; ++i) {
      dtOsc[i] = Osc::increment(n == 1 ? hz : hz * ratio[i]);
      dtSecond[i] = Osc::increment(n == 1 ? hz * 1.003 : hz * ratio[i] * 0.5);
    }
    dtSub = Osc::increment(hz * 0.5);
  };
  setPitch(baseHz);

  // The envelopes along the note, each level at the gate computed once.
  const double ampAtGate = v.amp.held(gateSec), filterAtGate = v.filterEnv.held(gateSec);
  auto ampAt = [&](double t) { return t < gateSec ? v.amp.held(t) : v.amp.released(t - gateSec, ampAtGate); };
  auto filterAt = [&](double t) {
    return t < gateSec ? v.filterEnv.held(t) : v.filterEnv.released(t - gateSec, filterAtGate);
  };
  double ampNow = 0.0, ampStep = 0.0, ampNext = ampAt(0.0);
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    if (s % kControlStep == 0) {
      const double t = double(s) / kSynthRate;
      ampNow = ampNext;  // the envelope at t, taken at the step before
      ampNext = ampAt(double(s + kControlStep) / kSynthRate);
      ampStep = (ampNext - ampNow) / kControlStep;
      if (t > gateSec && ampNow < 1e-5) break;
      // Without an envelope depth or an LFO depth their terms are zero, whose sum
      // is the same exponent.
      double env = v.envOctaves == 0.0 ? 0.0 : v.envOctaves * filterAt(t);
      double lfo = v.lfoOctaves == 0.0 ? 0.0 : v.lfoOctaves * std::sin(kTwoPi * lfoPhase);
      // Above 12 kHz a sweep only adds hiss and whatever aliasing is left.
      double cut = std::min(12000.0, baseCut * std::pow(2.0, env + lfo));
      fl.set(cut, v.resonance);
      fr.setLike(fl);
    }
    lfoPhase += lfoInc;
    if (lfoPhase >= 1.0) lfoPhase -= 1.0;
    if (glideSemis != 0.0)
      setPitch(baseHz * std::pow(2.0, glideSemis / 12.0 * std::exp(-(double(s) / kSynthRate) / v.glideSeconds)));
    double a = ampNow * level;
    ampNow += ampStep;
    if (n == 1) {
      double x = osc[0].step(dtOsc[0]);
      if (v.subWave2 > 0.0) x += v.subWave2 * second[0].step(dtSecond[0]);
      if (v.subLevel > 0.0) x += v.subLevel * sub.step(dtSub);
      double y = fl.low(x) * a;
      L[s] += float(y * gCenterL);
      R[s] += float(y * gCenterR);
    } else {
      double sl = 0.0, sr = 0.0;
      for (int i = 0; i < n; ++i) {
        double x = osc[i].step(dtOsc[i]);
        if (v.subWave2 > 0.0) x += v.subWave2 * second[i].step(dtSecond[i]);
        sl += x * gl[i];
        sr += x * gr[i];
      }
      sl *= unisonNorm;
      sr *= unisonNorm;
      if (v.subLevel > 0.0) {
        double sb = v.subLevel * sub.step(dtSub);
        sl += sb;
        sr += sb;
      }
      L[s] += float(fl.low(sl) * a);
      R[s] += float(fr.low(sr) * a);
    }
  }
}

void renderKick(BusWindow& out, int64_t start, double velocity, double punch) {
  const int64_t len = out.reserve(start, int64_t(0.5 * kSynthRate));
  if (len <= 0) return;
  double phase = 0.0;
  float* L = out.left(start);
  float* R = out.right(start);
  const double top = 120.0 + 80.0 * punch;
  SynthRng noise(0x4B1C);  // the same click on every kick
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    double f = 47.0 + (top - 47.0) * std::exp(-t / 0.03);
    phase += f / kSynthRate;
    double body = std::sin(kTwoPi * phase);
    double env = t < 0.05 ? 1.0 : std::exp(-(t - 0.05) / 0.16);
    if (t > 0.42) env *= (0.5 - t) / 0.08;  // no cut-off click at the end
    // A short bright click (the steep early sweep and a breath of noise), then a warm
    // body: the downbeat cuts through even the busiest bars.
    double click = (std::sin(kTwoPi * phase * 7.0) * 0.7 + noise.bipolar() * 0.3) * std::exp(-t / 0.002) * 0.5 * punch;
    double y = std::tanh(1.6 * body * env) * 0.78 + click;
    y *= velocity;
    L[s] += float(y);
    R[s] += float(y);
  }
}

void renderSnare(BusWindow& out, int64_t start, double velocity, uint64_t seed) {
  const int64_t full = int64_t(0.35 * kSynthRate);
  const int64_t len = out.reserve(start, full);
  if (len <= 0) return;
  SynthRng rng(seed + 77);
  Svf bp, hp;
  bp.set(2400.0, 0.35);
  hp.set(900.0, 0.0);
  double p1 = 0.0, p2 = 0.0;
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    p1 += (190.0 + 40.0 * std::exp(-t / 0.01)) / kSynthRate;
    p2 += 330.0 / kSynthRate;
    double tone = (std::sin(kTwoPi * p1) * 0.7 + std::sin(kTwoPi * p2) * 0.3) * std::exp(-t / 0.05);
    double nz = rng.bipolar();
    double noise = (bp.band(nz) * 0.8 + hp.high(nz) * 0.5) * std::exp(-t / 0.11);
    double y = (tone * 0.55 + noise * 0.6) * velocity * tailFade(s, full);
    L[s] += float(y);
    R[s] += float(y);
  }
}

void renderClap(BusWindow& out, int64_t start, double velocity, uint64_t seed) {
  const int64_t full = int64_t(0.4 * kSynthRate);
  const int64_t len = out.reserve(start, full);
  if (len <= 0) return;
  SynthRng rng(seed + 99);
  Svf bpL, bpR;
  bpL.set(1250.0, 0.45);
  bpR.set(1350.0, 0.45);
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    // Three quick slaps, then the room's tail.
    double env;
    if (t < 0.027)
      env = std::exp(-std::fmod(t, 0.009) / 0.0025);
    else
      env = std::exp(-(t - 0.027) / 0.09) * tailFade(s, full);
    double yl = bpL.band(rng.bipolar()) * env * velocity * 1.3;
    double yr = bpR.band(rng.bipolar()) * env * velocity * 1.3;
    L[s] += float(yl);
    R[s] += float(yr);
  }
}

void renderHat(BusWindow& out, int64_t start, double velocity, bool open, double pan, uint64_t seed) {
  double decay = open ? 0.16 : 0.032;
  const int64_t full = int64_t(decay * 6.0 * kSynthRate);
  const int64_t len = out.reserve(start, full);
  if (len <= 0) return;
  SynthRng rng(seed + 5);
  Metal metal(410.0, rng);
  Svf hp, lp;
  hp.set(7500.0, 0.25);
  lp.set(15000.0, 0.0);
  float gl, gr;
  panGains(pan, gl, gr);
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    double x = rng.bipolar() * 0.6 + metal.tick() * 0.5;
    double env = std::exp(-t / decay) * (1.0 - double(s) / double(full));  // ends at zero
    double y = lp.low(hp.high(x)) * env * velocity * 0.55;
    L[s] += float(y * gl);
    R[s] += float(y * gr);
  }
}

void renderCrash(BusWindow& out, int64_t start, double velocity, uint64_t seed) {
  const int64_t len = out.reserve(start, int64_t(2.6 * kSynthRate));
  if (len <= 0) return;
  SynthRng rng(seed + 1234);
  Metal metalL(530.0, rng), metalR(541.0, rng);
  Svf hpL, hpR, lpL, lpR;
  hpL.set(4200.0, 0.2);
  hpR.set(4500.0, 0.2);
  lpL.set(14000.0, 0.0);
  lpR.set(13500.0, 0.0);
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    double env = std::exp(-t / 0.55) * (1.0 - std::exp(-t / 0.001));
    if (t > 2.3) env *= (2.6 - t) / 0.3;
    double xl = rng.bipolar() * 0.7 + metalL.tick() * 0.45;
    double xr = rng.bipolar() * 0.7 + metalR.tick() * 0.45;
    L[s] += float(lpL.low(hpL.high(xl)) * env * velocity * 0.5);
    R[s] += float(lpR.low(hpR.high(xr)) * env * velocity * 0.5);
  }
}

void renderRiser(BusWindow& out, int64_t start, int64_t length, double velocity, uint64_t seed) {
  const int64_t len = out.reserve(start, length);
  if (len <= 0) return;
  SynthRng rng(seed + 4242);
  Svf bpL, bpR;
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double x = double(s) / double(length);
    if (s % kControlStep == 0) {
      double cut = 250.0 * std::pow(2.0, 5.0 * x);
      bpL.set(cut, 0.6);
      bpR.set(cut * 1.06, 0.6);
    }
    // Rises, then a short ramp down so the next downbeat lands in a clean gap.
    double env = x * x;
    double tailSamples = 0.02 * kSynthRate;
    if (double(length - s) < tailSamples) env *= double(length - s) / tailSamples;
    L[s] += float(bpL.band(rng.bipolar()) * env * velocity);
    R[s] += float(bpR.band(rng.bipolar()) * env * velocity);
  }
}

void renderImpact(BusWindow& out, int64_t start, double velocity, uint64_t seed) {
  const int64_t len = out.reserve(start, int64_t(2.0 * kSynthRate));
  if (len <= 0) return;
  SynthRng rng(seed + 777);
  Svf lp;
  lp.set(600.0, 0.1);
  double phase = 0.0;
  float* L = out.left(start);
  float* R = out.right(start);
  for (int64_t s = 0; s < len; ++s) {
    double t = double(s) / kSynthRate;
    phase += (32.0 + 60.0 * std::exp(-t / 0.25)) / kSynthRate;
    double boom = std::sin(kTwoPi * phase) * std::exp(-t / 0.5);
    double rumble = lp.low(rng.bipolar()) * std::exp(-t / 0.3) * 0.6;
    double fade = t > 1.8 ? (2.0 - t) / 0.2 : 1.0;
    double y = (boom * 0.6 + rumble) * velocity * fade;
    L[s] += float(y);
    R[s] += float(y);
  }
}
