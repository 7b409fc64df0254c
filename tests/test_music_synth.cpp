// The synthesizer's parts on their own: band-limited oscillators, the loudness meter,
// the limiter, and the song data (timing, section marks).
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "synth/meter.hpp"
#include "synth/mixdown.hpp"
#include "synth/score.hpp"
#include "synth/dsp.hpp"
#include "synth/effects.hpp"

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
    StereoBuffer b;
    b.resize(44100);
    renderTone(b, soundVoice(s), 0, 30000, 91.0, 1.0, 1.2, 7);  // G6
    Svf hp[4];  // 48 dB per octave
    for (Svf& f : hp) f.set(16000.0, 0.3);
    double total = 0.0, high = 0.0;
    for (size_t i = 0; i < b.frames(); ++i) {
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
  // Every change of the music (after the first) gets a crash.
  const std::vector<MusicChange> changes = musicChanges();
  for (size_t s = 1; s < changes.size(); ++s)
    EXPECT_TRUE(crashes.count(stepToSample(16.0 * changes[s].firstBar))) << changes[s].name;
  // The changes sit on the show's thresholds.
  const double thresholds[] = {0, 2655, 3540, 6195, 7965, 10620, 12390, 14160, 15930, 16815, 17700, 19470, 21240, 23010};
  ASSERT_EQ(changes.size(), 14u);
  for (size_t s = 0; s < changes.size(); ++s)
    EXPECT_DOUBLE_EQ(double(barTime(changes[s].firstBar)), thresholds[s]);
  // Nothing starts after the last bar.
  EXPECT_LT(double(lastEnd), kSongBars * kSamplesPerBar);
}
