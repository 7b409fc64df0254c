// The song rendered and mastered to a stereo mix.
#include "synth/mixdown.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <malloc.h>
#include <thread>

#include "synth/meter.hpp"
#include "synth/score.hpp"
#include "synth/effects.hpp"
#include "synth/voices.hpp"

// ---------------------------------------------------------------------------------
// The instruments' sounds.
ToneVoice soundVoice(Sound s) {
  ToneVoice v;
  switch (s) {
    case Sound::kSubBass:  // round and low: a filtered triangle with a little sub
      v.wave = Wave::kTriangle;
      v.subLevel = 0.3;
      v.amp = {0.01, 0.3, 0.9, 0.15};
      v.cutoffHz = 400.0;
      v.keyTrack = 0.0;
      v.gain = 0.5;
      break;
    case Sound::kRollBass:  // short saw notes with a filter pluck
      v.wave = Wave::kSaw;
      v.subLevel = 0.5;
      v.amp = {0.002, 0.12, 0.5, 0.05};
      v.filterEnv = {0.001, 0.08, 0.0, 0.05};
      v.cutoffHz = 280.0;
      v.envOctaves = 2.5;
      v.keyTrack = 0.3;
      v.resonance = 0.35;
      v.gain = 0.42;
      break;
    case Sound::kAcidBass:  // resonant squelch, its filter breathing with an LFO
      v.wave = Wave::kSaw;
      v.subLevel = 0.35;
      v.amp = {0.002, 0.2, 0.7, 0.04};
      v.filterEnv = {0.001, 0.12, 0.0, 0.05};
      v.cutoffHz = 320.0;
      v.envOctaves = 3.0;
      v.keyTrack = 0.5;
      v.resonance = 0.82;
      v.lfoHz = 0.27;
      v.lfoOctaves = 0.8;
      v.gain = 0.36;
      break;
    case Sound::kWarmPad:
      v.wave = Wave::kSaw;
      v.unison = 5;
      v.detuneCents = 14.0;
      v.stereoWidth = 0.7;
      v.amp = {0.6, 1.0, 0.8, 0.9};
      v.cutoffHz = 1100.0;
      v.keyTrack = 0.3;
      v.resonance = 0.15;
      v.lfoHz = 0.11;
      v.lfoOctaves = 0.5;
      v.gain = 0.085;
      break;
    case Sound::kSuperPad:
      v.wave = Wave::kSaw;
      v.unison = 7;
      v.detuneCents = 22.0;
      v.stereoWidth = 0.9;
      v.amp = {0.15, 1.0, 0.85, 0.5};
      v.cutoffHz = 2400.0;
      v.keyTrack = 0.3;
      v.resonance = 0.2;
      v.lfoHz = 0.19;
      v.lfoOctaves = 0.4;
      v.gain = 0.075;
      break;
    case Sound::kStabPad:
      v.wave = Wave::kSaw;
      v.unison = 5;
      v.detuneCents = 18.0;
      v.stereoWidth = 0.8;
      v.amp = {0.003, 0.18, 0.35, 0.12};
      v.filterEnv = {0.001, 0.15, 0.1, 0.1};
      v.cutoffHz = 900.0;
      v.envOctaves = 2.0;
      v.keyTrack = 0.3;
      v.resonance = 0.3;
      v.gain = 0.09;
      break;
    case Sound::kSawLead:
      v.wave = Wave::kSaw;
      v.unison = 3;
      v.detuneCents = 9.0;
      v.stereoWidth = 0.25;
      v.subWave2 = 0.3;
      v.amp = {0.008, 0.3, 0.75, 0.12};
      v.filterEnv = {0.002, 0.25, 0.3, 0.15};
      v.cutoffHz = 1500.0;
      v.envOctaves = 1.2;
      v.keyTrack = 0.4;
      v.resonance = 0.35;
      v.lfoHz = 5.5;
      v.lfoOctaves = 0.05;
      v.glideSeconds = 0.025;
      v.gain = 0.16;
      break;
    case Sound::kPluckLead:
      v.wave = Wave::kSquare;
      v.unison = 2;
      v.detuneCents = 6.0;
      v.stereoWidth = 0.3;
      v.amp = {0.002, 0.25, 0.0, 0.15};
      v.filterEnv = {0.001, 0.12, 0.0, 0.1};
      v.cutoffHz = 900.0;
      v.envOctaves = 2.0;
      v.keyTrack = 0.5;
      v.resonance = 0.3;
      v.gain = 0.2;
      break;
    case Sound::kBellLead:
      v.wave = Wave::kTriangle;
      v.amp = {0.003, 0.6, 0.0, 0.6};
      v.cutoffHz = 3000.0;
      v.keyTrack = 0.5;
      v.gain = 0.22;
      break;
    case Sound::kArpPluck:
      v.wave = Wave::kSquare;
      v.amp = {0.002, 0.09, 0.0, 0.06};
      v.filterEnv = {0.001, 0.06, 0.0, 0.05};
      v.cutoffHz = 1300.0;
      v.envOctaves = 1.5;
      v.keyTrack = 0.6;
      v.resonance = 0.45;
      v.pan = 0.0;
      v.gain = 0.09;
      break;
    case Sound::kNone:
      break;
  }
  return v;
}

namespace {
// The mixer: level, pan-independent sends and how much each part ducks under the kick.
struct Channel {
  double level;
  double delaySend;
  double reverbSend;
  double duck;  // 0 = no ducking
};
const Channel kMixer[kPartCount] = {
    /* kick    */ {1.00, 0.00, 0.00, 0.0},
    /* snare   */ {0.55, 0.00, 0.25, 0.0},
    /* clap    */ {0.85, 0.00, 0.30, 0.0},
    /* hat     */ {0.60, 0.00, 0.05, 0.2},
    /* openhat */ {0.40, 0.00, 0.10, 0.4},
    /* crash   */ {0.30, 0.00, 0.20, 0.0},
    /* riser   */ {0.35, 0.00, 0.30, 0.0},
    /* impact  */ {0.70, 0.00, 0.30, 0.0},
    /* bass    */ {1.00, 0.00, 0.00, 0.85},
    /* pad     */ {1.00, 0.00, 0.35, 0.6},
    /* lead    */ {1.00, 0.25, 0.25, 0.3},
    /* arp     */ {1.00, 0.35, 0.15, 0.4},
};

void renderNote(const ScoreEvent& e, BusWindow& bus) {
  switch (e.part) {
    case Part::kKick: renderKick(bus, e.start, e.velocity, 1.0); break;
    case Part::kSnare: renderSnare(bus, e.start, e.velocity, e.seed); break;
    case Part::kClap: renderClap(bus, e.start, e.velocity, e.seed); break;
    case Part::kHat: renderHat(bus, e.start, e.velocity, false, 0.3, e.seed); break;
    case Part::kOpenHat: renderHat(bus, e.start, e.velocity, true, -0.25, e.seed); break;
    case Part::kCrash: renderCrash(bus, e.start, e.velocity, e.seed); break;
    case Part::kRiser: renderRiser(bus, e.start, e.length, e.velocity, e.seed); break;
    case Part::kImpact: renderImpact(bus, e.start, e.velocity, e.seed); break;
    default: {
      ToneVoice v = soundVoice(e.sound);
      if (e.part == Part::kArp) v.pan = (e.seed % 3 == 0) ? -0.35 : (e.seed % 3 == 1 ? 0.35 : 0.0);
      renderTone(bus, v, e.start, e.length, e.note, e.velocity, e.cutoffScale, e.seed, e.glide);
      break;
    }
  }
}

// Runs tasks 0 .. count-1 on this thread and one more, each task once; a thread takes
// the next task as soon as it is free.
template <typename Task>
void runOnTwoThreads(int count, const Task& task) {
  std::atomic<int> next{0};
  auto work = [&] {
    for (int i; (i = next.fetch_add(1)) < count;) task(i);
  };
  std::thread other(work);
  work();
  other.join();
}

// One part of the song: its notes in the order they start (the score's order among
// notes that start together), and the stretch of its bus that is still sounding.
struct PartBus {
  std::vector<const ScoreEvent*> notes;
  size_t next = 0;  // the first note not rendered yet
  BusWindow bus;
};

// A note rendered on its own into a stretch that begins where the note does. Adding
// the stretches into the part's bus in the notes' order gives every sample the same
// float sum as rendering the notes into the bus one after another, so the notes of a
// block can be shared between the threads one by one.
struct NoteTake {
  int part;
  const ScoreEvent* note;
  BusWindow sound;
};

// Master fade of the outro: full until bar 105, a cosine down to nothing at bar 110,
// silence after.
double outroGain(size_t i) {
  double bar = double(i) / kSamplesPerBar;
  if (bar < 105.0) return 1.0;
  if (bar >= double(kSongBars)) return 0.0;
  double x = (bar - 105.0) / (double(kSongBars) - 105.0);
  return 0.5 * (1.0 + std::cos(3.141592653589793 * x));
}
}  // namespace

void renderSong(StereoBuffer& mix) {
  const int64_t frames = int64_t(kSongSeconds * kSynthRate);
  const std::vector<ScoreEvent> events = composeSong();

  std::vector<PartBus> parts(kPartCount);
  for (PartBus& p : parts) p.bus = BusWindow(frames);
  std::vector<int64_t> kicks;
  for (const ScoreEvent& e : events) {
    parts[size_t(e.part)].notes.push_back(&e);
    if (e.part == Part::kKick) kicks.push_back(e.start);
  }
  for (PartBus& p : parts)
    std::stable_sort(p.notes.begin(), p.notes.end(),
                     [](const ScoreEvent* a, const ScoreEvent* b) { return a->start < b->start; });

  // The song is made a block at a time. Each part's bus holds only the notes still
  // sounding; every sample of it sums that part's notes in the same order whatever the
  // block size, and the mixer sums the parts in their fixed order, so the result is
  // the same bytes as mixing whole-song buses (and needs a fraction of the memory).
  // Two threads share the work: while the notes of one block are rendered, the echo
  // and the room run over the block before it, and the loudness and the true peaks
  // are measured on the finished mix behind them, so each block's sums are kept twice.
  constexpr int64_t kBlock = 65536;
  const int64_t blocks = (frames + kBlock - 1) / kBlock;
  struct BlockSums {
    StereoBuffer dry, delaySend, reverbSend, wetDelay, wetReverb;
  } sums[2];
  std::vector<float> duck(kBlock);
  PingPongDelay delay(3.0 * kSamplesPerStep, 0.42, 3500.0);  // dotted-eighth echo (three sixteenths)
  Reverb reverb(0.86, 0.35);
  LoudnessMeter meter(kSynthRate);
  mix.resize(size_t(frames));
  std::vector<float> peaks(mix.frames()), peaksRight(kBlock);
  size_t meteredTo = 0, peakedTo = 0;
  // The true-peak envelope, the larger of both channels, of samples [from, to).
  auto measurePeaks = [&](size_t from, size_t to) {
    for (; from < to; from += peaksRight.size()) {
      const size_t end = std::min(to, from + peaksRight.size());
      interSamplePeaks(mix.l.data(), size_t(frames), from, end, peaks.data() + from);
      interSamplePeaks(mix.r.data(), size_t(frames), from, end, peaksRight.data());
      for (size_t i = from; i < end; ++i) peaks[i] = std::max(peaks[i], peaksRight[i - from]);
    }
  };
  std::vector<NoteTake> takes;
  // Heaviest parts first so the two threads finish together.
  static const Part kOrder[kPartCount] = {Part::kPad,  Part::kLead,  Part::kBass,  Part::kOpenHat,
                                          Part::kHat,  Part::kArp,   Part::kCrash, Part::kSnare,
                                          Part::kClap, Part::kRiser, Part::kKick,  Part::kImpact};
  for (int64_t k = 0; k <= blocks; ++k) {
    const int64_t b0 = k * kBlock, n = std::min(kBlock, frames - b0), b1 = b0 + n;
    const int64_t e0 = b0 - kBlock, en = std::min(kBlock, frames - e0);  // the block before
    BlockSums& now = sums[k % 2];
    BlockSums& before = sums[(k + 1) % 2];
    // The mix is finished up to the block before; the peaks lag one more block, as
    // each needs a few samples after it.
    const size_t mixedTo = size_t(std::max<int64_t>(0, e0));
    const size_t meterTo = mixedTo, peakTo = size_t(std::max<int64_t>(0, e0 - kBlock));
    size_t taken = 0;
    for (const Part part : kOrder) {
      PartBus& p = parts[size_t(part)];
      for (size_t i = p.next; i < p.notes.size() && p.notes[i]->start < b1; ++i) {
        if (taken == takes.size()) takes.emplace_back();
        takes[taken++] = {int(part), p.notes[i], BusWindow(frames)};
      }
    }
    // Tasks 0 to 3: the room and the echo over the block before, the loudness and the
    // peaks behind it; then every note that starts in this block, rendered whole.
    runOnTwoThreads(4 + int(taken), [&](int task) {
      if (task == 0 && k > 0)
        reverb.run(before.reverbSend.l.data(), before.reverbSend.r.data(), before.wetReverb.l.data(),
                   before.wetReverb.r.data(), size_t(en), 3.0);
      if (task == 1 && k > 0)
        delay.run(before.delaySend.l.data(), before.delaySend.r.data(), before.wetDelay.l.data(),
                  before.wetDelay.r.data(), size_t(en), 2.0);
      if (task == 2 && meteredTo < meterTo) meter.add(mix.l.data() + meteredTo, mix.r.data() + meteredTo, meterTo - meteredTo);
      if (task == 3 && peakedTo < peakTo) measurePeaks(peakedTo, peakTo);
      if (task < 4) return;
      NoteTake& t = takes[size_t(task - 4)];
      t.sound.origin = std::max(t.note->start, parts[size_t(t.part)].bus.origin);
      if (t.note->start >= t.sound.origin) renderNote(*t.note, t.sound);
    });
    meteredTo = std::max(meteredTo, meterTo);
    peakedTo = std::max(peakedTo, peakTo);
    // The block before, finished: dry, echo and room, under the outro's fade.
    auto finishBefore = [&](size_t from, size_t to) {
      for (size_t i = from; i < to; ++i) {
        const size_t at = size_t(e0) + i;
        float g = float(outroGain(at));
        mix.l[at] = (before.dry.l[i] + before.wetDelay.l[i] + before.wetReverb.l[i]) * g;
        mix.r[at] = (before.dry.r[i] + before.wetDelay.r[i] + before.wetReverb.r[i]) * g;
      }
    };
    if (k == blocks) {
      finishBefore(0, size_t(en));
      break;
    }

    for (StereoBuffer* b : {&now.dry, &now.delaySend, &now.reverbSend, &now.wetDelay, &now.wetReverb})
      b->resize(size_t(n));
    for (size_t i = 0; i < taken; ++i) {
      PartBus& p = parts[size_t(takes[i].part)];
      p.bus.reserve(takes[i].note->start, int64_t(takes[i].sound.l.size()));
      ++p.next;
    }
    for (PartBus& p : parts) p.bus.reserve(b0, n);  // zeros where no note sounds
    // The new notes into their parts' buses, each in its notes' order; the threads take
    // alternate stretches of the song, so no sample is written by both.
    runOnTwoThreads(2, [&](int side) {
      constexpr int64_t kStretch = 4096;
      for (size_t t = 0; t < taken; ++t) {
        const NoteTake& take = takes[t];
        const int64_t s0 = take.sound.origin, s1 = s0 + int64_t(take.sound.l.size());
        BusWindow& bus = parts[size_t(take.part)].bus;
        int64_t j = s0 / kStretch;
        for (j += (j % 2 != side); j * kStretch < s1; j += 2) {
          const int64_t a0 = std::max(s0, j * kStretch), a1 = std::min(s1, (j + 1) * kStretch);
          float* bl = bus.left(a0);
          float* br = bus.right(a0);
          const float* tl = take.sound.l.data() + (a0 - s0);
          const float* tr = take.sound.r.data() + (a0 - s0);
          for (int64_t i = 0; i < a1 - a0; ++i) {
            bl[i] += tl[i];
            br[i] += tr[i];
          }
        }
      }
    });
    // Every sample on its own: the two halves of the block side by side, each also
    // finishing its half of the block before.
    runOnTwoThreads(2, [&](int half) {
      const size_t from = half ? size_t(n / 2) : 0, to = half ? size_t(n) : size_t(n / 2);
      std::fill(duck.begin() + long(from), duck.begin() + long(to), 1.0f);
      for (int64_t kick : kicks) addDuck(duck.data() + from, b0 + int64_t(from), int64_t(to - from), kick, 1.0, 0.22 * kSynthRate);
      for (int p = 0; p < kPartCount; ++p) {
        const Channel& c = kMixer[p];
        const float* bl = parts[size_t(p)].bus.left(b0);
        const float* br = parts[size_t(p)].bus.right(b0);
        for (size_t i = from; i < to; ++i) {
          float g = float(c.level * (1.0 - c.duck * (1.0 - duck[i])));
          float l = bl[i] * g, r = br[i] * g;
          now.dry.l[i] += l;
          now.dry.r[i] += r;
          if (c.delaySend > 0.0) {
            now.delaySend.l[i] += l * float(c.delaySend);
            now.delaySend.r[i] += r * float(c.delaySend);
          }
          if (c.reverbSend > 0.0) {
            now.reverbSend.l[i] += l * float(c.reverbSend);
            now.reverbSend.r[i] += r * float(c.reverbSend);
          }
        }
      }
      if (k > 0) finishBefore(half ? size_t(en / 2) : 0, half ? size_t(en) : size_t(en / 2));
    });
    for (PartBus& p : parts) p.bus.dropBefore(b1);
  }
  parts.clear();
  takes.clear();
  // The notes' stretches came and went in many sizes; what the allocator kept of
  // them goes back before the mastering's song-long curves are made.
  malloc_trim(0);
  runOnTwoThreads(2, [&](int task) {
    if (task == 0) meter.add(mix.l.data() + meteredTo, mix.r.data() + meteredTo, size_t(frames) - meteredTo);
    else measurePeaks(peakedTo, size_t(frames));
  });

  // Mastering: find the input gain that lands the limited mix on the target loudness.
  // The true-peak envelope scales with the gain, so it is measured once; each trial
  // is measured as it is made, a stretch at a time, and only the last is kept, made
  // in place.
  const double ceiling = dbToGain(kCeilingDbtp);
  const double target = kTargetLufs + kEncoderLossLu;
  double gainDb = target - meter.integrated();
  std::vector<float> trialL(kBlock), trialR(kBlock);
  for (int pass = 0; pass < 4; ++pass) {
    const double g = dbToGain(gainDb);
    const std::vector<float> lim = limiterGain(peaks, g, ceiling, 0.002 * kSynthRate, 0.08 * kSynthRate);
    LoudnessMeter trialMeter(kSynthRate);
    for (size_t from = 0; from < size_t(frames); from += kBlock) {
      const size_t to = std::min(size_t(frames), from + kBlock);
      for (size_t i = from; i < to; ++i) {
        float k = float(g) * lim[i];
        trialL[i - from] = mix.l[i] * k;
        trialR[i - from] = mix.r[i] * k;
      }
      trialMeter.add(trialL.data(), trialR.data(), to - from);
    }
    const double got = trialMeter.integrated();
    if (std::abs(got - target) < 0.05 || pass == 3) {
      for (size_t i = 0; i < size_t(frames); ++i) {
        float k = float(g) * lim[i];
        mix.l[i] *= k;
        mix.r[i] *= k;
      }
      break;
    }
    gainDb += target - got;
  }
}
