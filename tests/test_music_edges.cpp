// Notes and effects at the edges of their buffers: every instrument cut off by the end
// of the song, started past it, and the bus effects on tiny inputs. Run under the
// address and undefined-behaviour checkers too.
#include <gtest/gtest.h>

#include <cmath>

#include "synth/meter.hpp"
#include "synth/mixdown.hpp"
#include "synth/effects.hpp"
#include "synth/voices.hpp"

namespace {
void renderEverything(StereoBuffer& b, int64_t at) {
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

bool allFinite(const StereoBuffer& b) {
  for (size_t i = 0; i < b.frames(); ++i)
    if (!std::isfinite(b.l[i]) || !std::isfinite(b.r[i])) return false;
  return true;
}
}  // namespace

TEST(MusicEdges, NotesAreCutAtTheEndOfTheSong) {
  StereoBuffer b;
  b.resize(3000);
  renderEverything(b, 2990);  // cut after 10 samples
  renderEverything(b, 3000);  // starts at the end: nothing
  renderEverything(b, 50000);
  renderEverything(b, -5);    // before the start: nothing
  EXPECT_TRUE(allFinite(b));
  for (size_t i = 0; i < 2990; ++i) ASSERT_EQ(b.l[i], 0.0f) << i;
  StereoBuffer empty;
  renderEverything(empty, 0);
  EXPECT_EQ(empty.frames(), 0u);
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
