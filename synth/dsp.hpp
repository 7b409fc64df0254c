// Building blocks of the forge's synthesizer: a seeded noise source, band-limited
// oscillators (PolyBLEP), a resonant state-variable filter, envelopes and pitch helpers.
// Everything is plain arithmetic on doubles/floats so a render is the same on every run.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

constexpr double kSynthRate = 44100.0;
constexpr double kTwoPi = 6.283185307179586;

// Planar stereo buffer of the whole song (or one bus of it).
struct StereoBuffer {
  std::vector<float> l, r;
  void resize(size_t frames) {
    l.assign(frames, 0.0f);
    r.assign(frames, 0.0f);
  }
  size_t frames() const { return l.size(); }
};

// A moving stretch of one bus of the song, which is `songEnd` samples long: song
// samples [origin, origin + l.size()). Notes make room as they are written (what is
// not written yet is 0), and the mixer forgets what it has taken, so a bus never
// holds more than the notes that still sound.
struct BusWindow {
  std::vector<float> l, r;
  int64_t origin = 0;
  int64_t songEnd = 0;
  explicit BusWindow(int64_t songFrames = 0) : songEnd(songFrames) {}
  // Room for `len` samples from song sample `start`, cut at the end of the song:
  // returns how many samples there are room for (0 when start lies outside the song
  // or before the origin).
  int64_t reserve(int64_t start, int64_t len) {
    if (start < origin || start >= songEnd || len <= 0) return 0;
    len = std::min(len, songEnd - start);
    const size_t need = size_t(start - origin + len);
    if (l.size() < need) {
      l.resize(need, 0.0f);
      r.resize(need, 0.0f);
    }
    return len;
  }
  // Where song sample `at` is held (within what reserve made room for).
  float* left(int64_t at) { return l.data() + (at - origin); }
  float* right(int64_t at) { return r.data() + (at - origin); }
  // Forgets every sample before song sample `to`.
  void dropBefore(int64_t to) {
    if (to <= origin) return;
    const size_t n = std::min(l.size(), size_t(to - origin));
    l.erase(l.begin(), l.begin() + long(n));
    r.erase(r.begin(), r.begin() + long(n));
    origin = to;
  }
};

// xorshift64*: the only source of randomness, always seeded explicitly.
struct SynthRng {
  uint64_t s;
  explicit SynthRng(uint64_t seed) : s(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint64_t next() {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s * 0x2545F4914F6CDD1Dull;
  }
  // Uniform in [-1, 1).
  double bipolar() { return double(next() >> 11) * (2.0 / 9007199254740992.0) - 1.0; }
  double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
};

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
inline double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

// Equal-power pan, p in [-1 (left), 1 (right)].
inline void panGains(double p, float& gl, float& gr) {
  double a = (p + 1.0) * 0.25 * 3.141592653589793;
  gl = float(std::cos(a) * 1.41421356);
  gr = float(std::sin(a) * 1.41421356);
}

// PolyBLEP correction around a discontinuity; t is the phase in [0,1), dt the increment.
inline double polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

enum class Wave { kSine, kSaw, kSquare, kTriangle };

// Band-limited oscillator: saw and square by PolyBLEP, triangle by integrating the
// band-limited square (leaky), sine exact.
struct Osc {
  double phase = 0.0;
  double tri = 0.0;
  Wave wave = Wave::kSaw;
  // The phase step of a pitch, at most 0.45 of a cycle per sample.
  static double increment(double hz) {
    double dt = hz / kSynthRate;
    return dt > 0.45 ? 0.45 : dt;
  }
  [[gnu::always_inline]] double tick(double hz) { return step(increment(hz)); }
  // One sample at a phase step from increment(), for callers that keep the pitch.
  [[gnu::always_inline]] double step(double dt) {
    double v = 0.0;
    switch (wave) {
      case Wave::kSine:
        v = std::sin(kTwoPi * phase);
        break;
      case Wave::kSaw:
        v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        break;
      case Wave::kSquare:
      case Wave::kTriangle: {
        double sq = phase < 0.5 ? 1.0 : -1.0;
        sq += polyBlep(phase, dt);
        double t2 = phase + 0.5;
        if (t2 >= 1.0) t2 -= 1.0;
        sq -= polyBlep(t2, dt);
        if (wave == Wave::kSquare) {
          v = sq;
        } else {
          tri = dt * 4.0 * sq + (1.0 - 0.0005) * tri;
          v = tri;
        }
        break;
      }
    }
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return v;
  }
};

// Topology-preserving state-variable filter (Zavalishin/Simper); stable under fast
// cutoff modulation, which the leads and the acid bass rely on.
struct Svf {
  double ic1 = 0.0, ic2 = 0.0;
  double a1 = 0, a2 = 0, a3 = 0, k = 1.0;
  double lastCut = -1.0, lastRes = -1.0;
  void set(double cutoffHz, double resonance) {
    if (cutoffHz == lastCut && resonance == lastRes) return;
    lastCut = cutoffHz;
    lastRes = resonance;
    double c = cutoffHz;
    if (c < 20.0) c = 20.0;
    if (c > 0.45 * kSynthRate) c = 0.45 * kSynthRate;
    double g = std::tan(3.141592653589793 * c / kSynthRate);
    k = 2.0 - 2.0 * resonance;  // resonance 0..~0.97
    if (k < 0.05) k = 0.05;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  // The same settings as another filter (its state stays its own).
  void setLike(const Svf& o) {
    a1 = o.a1;
    a2 = o.a2;
    a3 = o.a3;
    k = o.k;
    lastCut = o.lastCut;
    lastRes = o.lastRes;
  }
  // One step of the filter: v1 is the band-pass output, v2 the low-pass output.
  void step(double v0, double& v1, double& v2) {
    double v3 = v0 - ic2;
    v1 = a1 * ic1 + a2 * v3;
    v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
  }
  double low(double v0) {
    double v1, v2;
    step(v0, v1, v2);
    return v2;
  }
  double band(double v0) {
    double v1, v2;
    step(v0, v1, v2);
    return v1;
  }
  double high(double v0) {
    double v1, v2;
    step(v0, v1, v2);
    return v0 - k * v1 - v2;
  }
};

// Linear-attack, exponential-decay/release envelope evaluated at a time in seconds.
// gate is how long the note is held.
struct Adsr {
  double attack = 0.005, decay = 0.2, sustain = 0.7, release = 0.2;
  double at(double t, double gate) const { return t < gate ? held(t) : released(t - gate, held(gate)); }
  // The level x seconds into a held note.
  double held(double x) const {
    if (x < attack) return x / attack;
    double d = x - attack;
    return sustain + (1.0 - sustain) * std::exp(-d / decay);
  }
  // The level r seconds after the gate, from the level at the gate (held(gate), which
  // a caller stepping along one note computes once).
  double released(double r, double atGate) const { return atGate * std::exp(-r / release); }
  // Seconds after the gate until the level is negligible.
  double tail() const { return release * 7.0; }
};
