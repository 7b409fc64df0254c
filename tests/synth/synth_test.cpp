// Guards the synthesizer's parts on their own: band-limited oscillators, the loudness
// meter, the limiter, the score's bars against the show's sections, and every
// instrument and effect at the edges of its buffer (also under the sanitizers).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "synth/meter.hpp"
#include "synth/mixdown.hpp"
#include "synth/score.hpp"
#include "synth/dsp.hpp"
#include "synth/effects.hpp"
#include "synth/voices.hpp"

namespace {
// Power of a signal that is not on the harmonics of f0 (a whole number of Hz, one
// second of signal, so every harmonic sits on an exact DFT bin), relative to the total.
double inharmonicShareDb(const std::vector<double>& x, double f0) {
  double total = 0.0;
  for (double v : x) total += v * v;
  double harmonic = 0.0;
  const double n = double(x.size());
  for (double f = f0; f < 22050.0; f += f0) {
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
      double a = kTwoPi * f * double(i) / 44100.0;
      re += x[i] * std::cos(a);
      im += x[i] * std::sin(a);
    }
    harmonic += 2.0 * (re * re + im * im) / n;
  }
  return 10.0 * std::log10(std::max(total - harmonic, 1e-30) / total);
}

std::vector<double> oscillate(Wave w, double hz, bool naive) {
  Osc o;
  o.wave = w;
  std::vector<double> x(44100);
  double phase = 0.0;
  for (double& v : x) {
    if (naive) {
      v = w == Wave::kSaw ? 2.0 * phase - 1.0 : (phase < 0.5 ? 1.0 : -1.0);
      phase += hz / 44100.0;
      if (phase >= 1.0) phase -= 1.0;
    } else {
      v = o.tick(hz);
    }
  }
  return x;
}
void renderEverything(BusWindow& b, int64_t at) {
  for (Sound s : {Sound::kSubBass, Sound::kRollBass, Sound::kAcidBass, Sound::kWarmPad, Sound::kSuperPad,
                  Sound::kStabPad, Sound::kSawLead, Sound::kPluckLead, Sound::kBellLead, Sound::kArpPluck})
    renderTone(b, soundVoice(s), at, 5000, 60.0, 1.0, 1.0, 3, -2.0);
  renderKick(b, at, 1.0, 1.0);
  renderSnare(b, at, 1.0, 1);
  renderClap(b, at, 1.0, 1);
  renderHat(b, at, 1.0, false, 0.2, 1);
  renderHat(b, at, 1.0, true, -0.2, 1);
  renderCrash(b, at, 1.0, 1);
  renderRiser(b, at, 5000, 1.0, 1);
  renderImpact(b, at, 1.0, 1);
}

template <typename Buffer>
bool allFinite(const Buffer& b) {
  for (size_t i = 0; i < b.l.size(); ++i)
    if (!std::isfinite(b.l[i]) || !std::isfinite(b.r[i])) return false;
  return true;
}
}  // namespace

TEST(MusicSynth, OscillatorsDoNotAliasAtHighNotes) {
  // A6 and above: a naive saw folds much of its spectrum back as inharmonic buzz; the
  // band-limited one keeps it well down.
  for (double hz : {1760.0, 2637.0}) {
    for (Wave w : {Wave::kSaw, Wave::kSquare}) {
      double blep = inharmonicShareDb(oscillate(w, hz, false), hz);
      double naive = inharmonicShareDb(oscillate(w, hz, true), hz);
      EXPECT_LT(blep, -25.0) << hz << " Hz";
      EXPECT_LT(blep, naive - 12.0) << hz << " Hz";
    }
  }
}

TEST(MusicSynth, LeadsHighestNotesStayBelowSixteenKilohertz) {
  // The saw lead at the top of its range (the climax plays the hook an octave up):
  // next to nothing above 16 kHz, where only aliasing or harshness could come from.
  for (Sound s : {Sound::kSawLead, Sound::kPluckLead, Sound::kArpPluck, Sound::kSuperPad}) {
    BusWindow b(44100);
    renderTone(b, soundVoice(s), 0, 30000, 91.0, 1.0, 1.2, 7);  // G6
    Svf hp[4];  // 48 dB per octave
    for (Svf& f : hp) f.set(16000.0, 0.3);
    double total = 0.0, high = 0.0;
    for (size_t i = 0; i < b.l.size(); ++i) {
      double x = b.l[i];
      double y = hp[3].high(hp[2].high(hp[1].high(hp[0].high(x))));
      total += x * x;
      high += y * y;
    }
    ASSERT_GT(total, 0.0);
    EXPECT_LT(10.0 * std::log10(high / total + 1e-30), -50.0) << int(s);
  }
}

TEST(MusicSynth, LoudnessMeterReadsReferenceSines) {
  // A 1 kHz sine at -20 dBFS in both channels reads -20 LUFS; its true peak lies
  // between the samples when the phase misses the crest.
  std::vector<float> l(44100 * 5), r;
  const double amp = std::pow(10.0, -20.0 / 20.0);
  for (size_t i = 0; i < l.size(); ++i) l[i] = float(amp * std::sin(kTwoPi * 1000.0 * double(i) / 44100.0 + 0.3));
  r = l;
  EXPECT_NEAR(integratedLoudness(l.data(), r.data(), l.size(), 44100.0), -20.0, 0.1);
  EXPECT_NEAR(truePeak(l.data(), r.data(), l.size()), amp, amp * 0.01);
  // Silence is gated away entirely; a short file has no full block.
  std::vector<float> quiet(44100, 0.0f);
  EXPECT_LT(integratedLoudness(quiet.data(), quiet.data(), quiet.size(), 44100.0), -70.0);
  EXPECT_LT(integratedLoudness(l.data(), r.data(), 1000, 44100.0), -70.0);
  // A sine at a quarter of the rate, phased to miss its crests by 45 degrees, peaks
  // 3 dB above its samples.
  std::vector<float> q(4096);
  for (size_t i = 0; i < q.size(); ++i) q[i] = float(0.5 * std::sin(kTwoPi * 0.25 * double(i) + 0.785398));
  EXPECT_NEAR(truePeak(q.data(), q.data(), q.size()), 0.5, 0.02);
}

TEST(MusicSynth, LimiterHoldsTheCeilingOnLoudNoise) {
  SynthRng rng(42);
  StereoBuffer b;
  b.resize(44100);
  for (size_t i = 0; i < b.frames(); ++i) {
    double burst = (i / 5000) % 2 ? 3.0 : 0.2;  // loud and quiet stretches
    b.l[i] = float(rng.bipolar() * burst);
    b.r[i] = float(std::sin(double(i) * 0.7) * burst);
  }
  StereoBuffer before = b;
  const double ceiling = std::pow(10.0, -2.0 / 20.0);
  limitPeaks(b, ceiling, 88.0, 3500.0);
  // Stretches far from the peaks keep their level.
  EXPECT_NEAR(b.l[10], before.l[10], 1e-6);
  EXPECT_LE(truePeak(b.l.data(), b.r.data(), b.frames()), ceiling * 1.02);
}

TEST(MusicSynth, StretchByStretchGivesTheSameSamplesAsTheWhole) {
  // The mixdown makes the song a block at a time; each piece it relies on must give the
  // very same floats whatever the division. Notes into a moving bus (dropping what was
  // taken) against one bus for the whole signal:
  const int64_t n = 30000;
  BusWindow whole(n), moving(n);
  std::vector<float> taken;
  const int64_t starts[] = {0, 10, 4000, 4000, 9100, 21000, 29990};
  size_t next = 0;
  for (int64_t b0 = 0; b0 < n; b0 += 7000) {
    const int64_t b1 = std::min(n, b0 + 7000);
    for (; next < std::size(starts) && starts[next] < b1; ++next) {
      for (BusWindow* b : {&whole, &moving}) {
        renderTone(*b, soundVoice(Sound::kWarmPad), starts[next], 6000, 57.0 + double(next), 0.8, 1.0, next);
        renderKick(*b, starts[next], 0.9, 1.0);
      }
    }
    moving.reserve(b0, b1 - b0);
    taken.insert(taken.end(), moving.left(b0), moving.left(b0) + (b1 - b0));
    moving.dropBefore(b1);
  }
  whole.reserve(0, n);
  EXPECT_TRUE(taken == whole.l);
  // The echo, the room, the ducking, the meter and the peaks, in uneven stretches:
  StereoBuffer send;
  send.resize(size_t(n));
  for (size_t i = 0; i < size_t(n); ++i) {
    send.l[i] = whole.l[i];
    send.r[i] = whole.r[i] * 0.5f;
  }
  StereoBuffer wetWhole, wetStretches;
  wetWhole.resize(size_t(n));
  wetStretches.resize(size_t(n));
  applyPingPongDelay(send, wetWhole, 1234.5, 0.42, 3500.0, 2.0);
  applyReverb(send, wetWhole, 0.86, 0.35, 3.0);
  std::vector<float> duckWhole(size_t(n), 1.0f), duckStretches(size_t(n), 1.0f);
  for (int64_t k : {int64_t(-50), int64_t(100), int64_t(9000), int64_t(29950)}) addDuck(duckWhole, k, 1.0, 5000.0);
  std::vector<float> peaksWhole, peaksStretches = std::vector<float>(size_t(n));
  interSamplePeaks(send.l.data(), size_t(n), peaksWhole);
  PingPongDelay delay(1234.5, 0.42, 3500.0);
  Reverb reverb(0.86, 0.35);
  LoudnessMeter meter(44100.0);
  for (size_t from = 0, step = 1; from < size_t(n); from += step, step = step * 3 + 7) {
    const size_t to = std::min(size_t(n), from + step), len = to - from;
    delay.run(send.l.data() + from, send.r.data() + from, wetStretches.l.data() + from, wetStretches.r.data() + from, len, 2.0);
    reverb.run(send.l.data() + from, send.r.data() + from, wetStretches.l.data() + from, wetStretches.r.data() + from, len, 3.0);
    for (int64_t k : {int64_t(-50), int64_t(100), int64_t(9000), int64_t(29950)})
      addDuck(duckStretches.data() + from, int64_t(from), int64_t(len), k, 1.0, 5000.0);
    interSamplePeaks(send.l.data(), size_t(n), from, to, peaksStretches.data() + from);
    meter.add(send.l.data() + from, send.r.data() + from, len);
  }
  EXPECT_TRUE(wetStretches.l == wetWhole.l && wetStretches.r == wetWhole.r);
  EXPECT_TRUE(duckStretches == duckWhole);
  EXPECT_TRUE(peaksStretches == peaksWhole);
  EXPECT_EQ(meter.integrated(), integratedLoudness(send.l.data(), send.r.data(), size_t(n), 44100.0));
  EXPECT_EQ(meter.mean(), momentaryMeanLoudness(send.l.data(), send.r.data(), size_t(n), 44100.0));
  EXPECT_GT(meter.integrated(), -40.0);
}

TEST(MusicScore, DownbeatsCrashesAndLengthFollowTheShow) {
  std::vector<ScoreEvent> ev = composeSong();
  std::set<int64_t> kicks, crashes;
  int64_t lastEnd = 0;
  for (const ScoreEvent& e : ev) {
    if (e.part == Part::kKick) kicks.insert(e.start);
    if (e.part == Part::kCrash) crashes.insert(e.start);
    lastEnd = std::max(lastEnd, e.start);
    EXPECT_GE(e.start, 0);
  }
  // A kick on every bar line, placed at the exact fractional bar time rounded to the
  // nearest sample.
  for (int bar = 0; bar < kSongBars; ++bar) {
    int64_t line = int64_t(std::floor(bar * kSamplesPerBar + 0.5));
    EXPECT_TRUE(kicks.count(line)) << "bar " << bar;
  }
  EXPECT_EQ(stepToSample(16.0 * 104), 8456175);  // 23010 show units
  // The music changes on every section's first bar and the overlay's, in order, and
  // every change after the first gets a crash.
  const std::vector<MusicChange> changes = musicChanges();
  std::vector<int> bars = {kOverlayBar};
  for (const ShowSection& s : kShowSections) bars.push_back(s.firstBar);
  std::sort(bars.begin(), bars.end());
  ASSERT_EQ(changes.size(), bars.size());
  for (size_t s = 0; s < changes.size(); ++s) {
    EXPECT_EQ(changes[s].firstBar, bars[s]);
    if (s > 0) {
      EXPECT_TRUE(crashes.count(stepToSample(16.0 * changes[s].firstBar))) << changes[s].name;
    }
  }
  // Nothing starts after the last bar.
  EXPECT_LT(double(lastEnd), kSongBars * kSamplesPerBar);
}

TEST(MusicEdges, NotesAreCutAtTheEndOfTheSong) {
  BusWindow b(3000);
  renderEverything(b, 2990);  // cut after 10 samples
  renderEverything(b, 3000);  // starts at the end: nothing
  renderEverything(b, 50000);
  renderEverything(b, -5);    // before the start: nothing
  EXPECT_TRUE(allFinite(b));
  EXPECT_EQ(b.l.size(), 3000u);
  for (size_t i = 0; i < 2990; ++i) ASSERT_EQ(b.l[i], 0.0f) << i;
  // A stretch that has moved on takes no note from before it.
  b.dropBefore(2995);
  renderEverything(b, 2994);
  EXPECT_EQ(b.l.size(), 5u);
  BusWindow empty;
  renderEverything(empty, 0);
  EXPECT_EQ(empty.l.size(), 0u);
}

TEST(MusicEdges, EffectsAndMetersOnTinyBuffers) {
  for (size_t n : {size_t(0), size_t(1), size_t(5), size_t(40), size_t(200)}) {
    StereoBuffer in, out;
    in.resize(n);
    out.resize(n);
    for (size_t i = 0; i < n; ++i) in.l[i] = in.r[i] = (i % 2) ? 1.5f : -1.5f;
    applyPingPongDelay(in, out, 0.2, 0.5, 3000.0, 1.0);
    applyPingPongDelay(in, out, 30.0, 0.5, 3000.0, 1.0);
    applyReverb(in, out, 0.8, 0.3, 1.0);
    limitPeaks(in, 0.5, 88.0, 100.0);
    EXPECT_TRUE(allFinite(out));
    std::vector<float> peaks;
    interSamplePeaks(in.l.data(), n, peaks);
    EXPECT_EQ(peaks.size(), n);
    for (size_t i = 0; i < n; ++i) EXPECT_LE(std::abs(in.l[i]), 0.5f * 1.0001f);
    EXPECT_LT(integratedLoudness(in.l.data(), in.r.data(), n, 44100.0), -70.0);  // under one block
    std::vector<float> duck(n, 1.0f);
    addDuck(duck, int64_t(n) / 2, 0.8, 1000.0);
    addDuck(duck, -10, 0.8, 5.0);
    for (float g : duck) EXPECT_TRUE(g >= 0.0f && g <= 1.0f);
  }
}
