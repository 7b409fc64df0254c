// The song's data and its composition into timed events.
#include "synth/score.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "synth/dsp.hpp"

std::vector<MusicChange> musicChanges() {
  std::vector<MusicChange> changes;
  for (const ShowSection& s : kShowSections) {
    changes.push_back({s.description, s.firstBar});
    if (s.firstBar < kOverlayBar && s.lastBar >= kOverlayBar) changes.push_back({kOverlayDescription, kOverlayBar});
  }
  return changes;
}

namespace {
// ---------------------------------------------------------------------------------
// Chords. A minor: the main progression is i - VI - III - VII (Am F C G).
struct Chord {
  const char* name;
  int bassRoot;     // MIDI note of the bass
  int voicing[3];   // pad voicing around middle C, chosen for smooth voice leading
};
const Chord kChords[] = {
    {"Am", 33, {57, 60, 64}}, {"F", 29, {57, 60, 65}}, {"C", 36, {55, 60, 64}}, {"G", 31, {55, 59, 62}},
    {"Em", 40, {55, 59, 64}}, {"Dm", 38, {57, 62, 65}}, {"E", 40, {56, 59, 64}},
};

// ---------------------------------------------------------------------------------
// Drum patterns: 16 steps per bar, 'X' accent, 'x' normal, 'o' soft, '.' rest.
// Spaces are only for reading. Longer patterns cover several bars and cycle.
const char* const kKickFour = "X... x... x... x...";
const char* const kKickOne = "X... .... .... ....";
const char* const kKickOneThree = "X... .... x... ....";
const char* const kKickBroken = "X... .... ..x. .... X... .... x... ..x.";
const char* const kClapBack = ".... x... .... x...";
const char* const kSnareMarch = "..o. x..o ..o. x.oo";
const char* const kSnareBuild = "o... .... o... .... o... o... o... o... o.o. o.o. x.x. x.x. xxxx xxxx XXXX XXXX";
const char* const kSnareFill = "o... o... x.x. xxXX";
const char* const kHat16 = "o.x. o.x. o.x. o.xo";
const char* const kHat8 = "..x. ..x. ..x. ..x.";
const char* const kHatSparse = ".... ..o. .... ..o.";
const char* const kHatDrive = "xoxo xoxo xoxo xoxX";
const char* const kOpenOff = "..x. ..x. ..x. ..x.";

// Bass rhythms: '0'..'9', 'a'..'c' semitones above the chord's bass note, '-' holds
// the previous note, '.' rest.
const char* const kBassLong = "0--- ---- ---- ----";
const char* const kBassPulse = "0--- ---. .... ....";
const char* const kBassOffbeat = "..0. ..0. ..0. ..0c";
const char* const kBassRoll = ".000 .000 .000 .0c0";
const char* const kBassAcid = "0.0c .07. 0.c. 70c.";

// Pad rhythms: 'x' strikes the chord, '-' holds it.
const char* const kPadHold = "x--- ---- ---- ----";
const char* const kPadStabs = "..x- ..x. .x-- ..x.";

// Arpeggios: digits pick chord tones upwards (0-2 the chord, 3-5 an octave higher).
const char* const kArpUp = "0123 4321 0123 4543";
const char* const kArpWide = "0.3. 1.4. 2.5. 4.3.";

// ---------------------------------------------------------------------------------
// Melodies: note and length in sixteenths; '|' marks bar lines, "r" is a rest.
// The hook: a two-bar call answered by a two-bar reply, over Am F C G.
const char* const kHook =
    "a4:2 c5:2 e5:3 d5:1 c5:2 d5:2 e5:4 | g5:3 e5:3 d5:2 c5:2 d5:2 a4:4 |"
    "a4:2 c5:2 e5:3 d5:1 c5:2 d5:2 g5:4 | e5:4 d5:4 b4:4 d5:4";
// The calm passage sings the hook's opening slowly over F G Em Am.
const char* const kCalm = "a4:2 c5:2 e5:12 | d5:2 b4:2 g4:12 | g4:2 b4:2 e5:12 | c5:2 b4:2 a4:12";
// The climax's second theme, over F G Am Am.
const char* const kTheme2 =
    "c5:3 a4:3 f4:2 a4:2 c5:2 d5:4 | b4:3 g4:3 d4:2 g4:2 b4:2 d5:4 |"
    "c5:3 a4:3 e4:2 a4:2 c5:2 e5:4 | e5:4 d5:2 c5:2 a4:8";

// ---------------------------------------------------------------------------------
// The arrangement. Every phrase names its parts; nullptr leaves a part out.
// kCrashIn: crash on the first downbeat; kImpactIn: a low boom under it; kFillOut: a
// snare fill in the last bar; kRiserOut: noise rising through the last four bars;
// kDoubledLead: the melody also plucked an octave below.
enum Flags { kCrashIn = 1, kImpactIn = 2, kFillOut = 4, kRiserOut = 8, kDoubledLead = 16 };

struct Phrase {
  int bars;
  const char* chords;  // one chord per bar, cycled
  const char* kick;
  const char* clap;
  const char* snare;
  const char* hat;
  const char* openHat;
  const char* bass;
  Sound bassSound;
  const char* pad;
  Sound padSound;
  const char* melody;
  Sound leadSound;
  int leadOctave;      // octaves the melody is moved
  const char* arp;
  double sweepFrom, sweepTo;  // filter opening over the phrase (1 = as designed)
  int flags;
  double level;        // melodic parts' level
};

// Columns: bars, chords | kick, clap, snare, hats, open hats | bass rhythm and sound |
// pad rhythm and sound | melody, its sound and octave | arpeggio | filter sweep from, to |
// flags, level. The phrases follow each other without gaps: 110 bars in all.
// clang-format off
const Phrase kArrangement[] = {
  // Intro under the logo: the pad opens slowly, the downbeat pulses; a bell hints at
  // the hook.
  {4, "Am F C G", kKickOne, nullptr, nullptr, nullptr, nullptr, nullptr, Sound::kNone,
      kPadHold, Sound::kWarmPad, nullptr, Sound::kNone, 0, nullptr, 0.25, 0.45, 0, 0.8},
  {4, "Am F C G", kKickOne, nullptr, nullptr, kHatSparse, nullptr, kBassLong, Sound::kSubBass,
      kPadHold, Sound::kWarmPad, nullptr, Sound::kNone, 0, nullptr, 0.45, 0.7, 0, 0.85},
  {4, "Am F C G", kKickOneThree, nullptr, nullptr, kHat8, nullptr, kBassLong, Sound::kSubBass,
      kPadHold, Sound::kWarmPad, kHook, Sound::kBellLead, 0, kArpUp, 0.6, 0.9, 0, 0.9},
  // The light overlay: a four-bar build with a snare roll and a riser.
  {4, "Am F C G", kKickOne, nullptr, kSnareBuild, kHat16, nullptr, nullptr, Sound::kNone,
      kPadHold, Sound::kSuperPad, nullptr, Sound::kNone, 0, kArpUp, 0.4, 1.3, kCrashIn | kRiserOut, 0.9},
  // Cylinder light: the first drop, the hook enters.
  {8, "Am F C G", kKickFour, kClapBack, nullptr, kHat16, kOpenOff, kBassRoll, Sound::kRollBass,
      kPadStabs, Sound::kStabPad, kHook, Sound::kSawLead, 0, nullptr, 1.0, 1.0, kCrashIn | kImpactIn, 1.0},
  {4, "Am F C G", kKickFour, kClapBack, nullptr, kHat16, kOpenOff, kBassRoll, Sound::kRollBass,
      kPadStabs, Sound::kStabPad, kHook, Sound::kSawLead, 0, kArpWide, 1.0, 1.0, kFillOut, 1.0},
  // Matrix room: darker, an acid line with a moving filter, no melody.
  {8, "Am Am F E", kKickFour, kClapBack, nullptr, kHatDrive, nullptr, kBassAcid, Sound::kAcidBass,
      nullptr, Sound::kNone, nullptr, Sound::kNone, 0, kArpWide, 0.5, 1.8, kCrashIn | kFillOut, 0.9},
  // Glowing hyper scene: full pads, the hook with the arpeggio around it.
  {8, "Am F C G", kKickFour, kClapBack, nullptr, kHat16, kOpenOff, kBassOffbeat, Sound::kRollBass,
      kPadHold, Sound::kSuperPad, kHook, Sound::kSawLead, 0, kArpUp, 1.0, 1.0, kCrashIn, 1.0},
  {4, "F G Am Am", kKickFour, kClapBack, nullptr, kHat16, kOpenOff, kBassOffbeat, Sound::kRollBass,
      kPadHold, Sound::kSuperPad, kTheme2, Sound::kSawLead, 0, kArpUp, 1.0, 0.6, kFillOut, 1.0},
  // Sphere flight: the calm passage, a plucked line with long echoes.
  {8, "F G Em Am", kKickOne, nullptr, nullptr, kHatSparse, nullptr, kBassLong, Sound::kSubBass,
      kPadHold, Sound::kWarmPad, kCalm, Sound::kPluckLead, 0, nullptr, 0.6, 0.9, kCrashIn, 0.7},
  // Marching boxes: the build back, marching snare, rising filter.
  {4, "Am F C G", kKickOneThree, nullptr, kSnareMarch, kHat8, nullptr, kBassOffbeat, Sound::kRollBass,
      kPadHold, Sound::kWarmPad, nullptr, Sound::kNone, 0, kArpUp, 0.35, 0.7, kCrashIn, 0.9},
  {4, "Am F C G", kKickFour, nullptr, kSnareMarch, kHat16, nullptr, kBassOffbeat, Sound::kRollBass,
      kPadHold, Sound::kSuperPad, nullptr, Sound::kNone, 0, kArpUp, 0.7, 1.4, kFillOut | kRiserOut, 0.95},
  // Greetings: the second drop.
  {8, "Am F C G", kKickFour, kClapBack, nullptr, kHat16, kOpenOff, kBassRoll, Sound::kRollBass,
      kPadStabs, Sound::kStabPad, kHook, Sound::kSawLead, 0, kArpWide, 1.0, 1.0, kCrashIn | kImpactIn, 1.0},
  // Metaball tunnel: a break that pulses on the downbeat.
  {4, "Am F C G", kKickOne, nullptr, nullptr, nullptr, nullptr, kBassPulse, Sound::kAcidBass,
      kPadHold, Sound::kSuperPad, nullptr, Sound::kNone, 0, kArpWide, 0.5, 0.8, kCrashIn, 0.85},
  // Metaball box: the big build.
  {4, "Am F C G", kKickOne, nullptr, kSnareBuild, kHat8, nullptr, nullptr, Sound::kNone,
      kPadHold, Sound::kSuperPad, kHook, Sound::kPluckLead, 0, kArpUp, 0.4, 1.5, kCrashIn | kRiserOut, 0.9},
  // Glowing scene: the climax, the hook an octave up.
  {8, "Am F C G", kKickFour, kClapBack, nullptr, kHatDrive, kOpenOff, kBassRoll, Sound::kRollBass,
      kPadHold, Sound::kSuperPad, kHook, Sound::kSawLead, 1, kArpUp, 1.1, 1.1, kCrashIn | kImpactIn | kFillOut | kDoubledLead, 1.0},
  // Cubes: the second theme over a bare, driving acid line.
  {8, "F G Am Am", kKickBroken, kClapBack, nullptr, kHat8, nullptr, kBassAcid, Sound::kAcidBass,
      nullptr, Sound::kNone, kTheme2, Sound::kSawLead, 0, nullptr, 0.8, 1.6, kCrashIn | kFillOut, 0.8},
  // Final scene: winding down, the hook plucked.
  {8, "Am F C G", kKickFour, nullptr, nullptr, kHatSparse, nullptr, kBassOffbeat, Sound::kRollBass,
      kPadHold, Sound::kWarmPad, kHook, Sound::kPluckLead, 0, kArpWide, 1.0, 0.55, kCrashIn, 0.9},
  // End screen: the pad and the downbeat, fading out.
  {6, "F G Em Am F Am", kKickOne, nullptr, nullptr, nullptr, nullptr, kBassLong, Sound::kSubBass,
      kPadHold, Sound::kWarmPad, kCalm, Sound::kBellLead, 0, nullptr, 0.6, 0.3, kCrashIn, 0.8},
};
// clang-format on

std::string stripSpaces(const char* p) {
  std::string s;
  for (; *p; ++p)
    if (*p != ' ' && *p != '|') s += *p;
  return s;
}

// The 16 steps of a pattern for the phrase's bar `bar` (patterns cycle).
std::string barSteps(const char* pattern, int bar) {
  std::string s = stripSpaces(pattern);
  size_t bars = s.size() / 16;
  if (bars == 0) return std::string(16, '.');
  return s.substr((size_t(bar) % bars) * 16, 16);
}

const Chord& chordOfBar(const char* chords, int bar) {
  std::vector<std::string> names;
  std::string cur;
  for (const char* p = chords;; ++p) {
    if (*p == ' ' || *p == 0) {
      if (!cur.empty()) names.push_back(cur);
      cur.clear();
      if (!*p) break;
    } else {
      cur += *p;
    }
  }
  const std::string& want = names[size_t(bar) % names.size()];
  for (const Chord& c : kChords)
    if (want == c.name) return c;
  return kChords[0];
}

double velocityOf(char c) { return c == 'X' ? 1.0 : c == 'x' ? 0.8 : c == 'o' ? 0.5 : 0.0; }

int hexDigit(char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; }

struct MelodyNote {
  double step;  // from the start of the melody
  double length;
  int note;     // MIDI, -1 rest
};

// "a4:2 c#5:1 r:4 ..." -> notes.
std::vector<MelodyNote> parseMelody(const char* text, double& totalSteps) {
  static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
  std::vector<MelodyNote> notes;
  double at = 0.0;
  const char* p = text;
  while (*p) {
    while (*p == ' ' || *p == '|') ++p;
    if (!*p) break;
    int note = -1;
    if (*p == 'r') {
      ++p;
    } else {
      note = semis[*p - 'a'];
      ++p;
      if (*p == '#') {
        ++note;
        ++p;
      }
      note += 12 * (*p - '0' + 1);
      ++p;
    }
    double len = 0;
    if (*p == ':') {
      ++p;
      len = std::strtod(p, const_cast<char**>(&p));
    }
    notes.push_back({at, len, note});
    at += len;
  }
  totalSteps = at;
  return notes;
}

double sweepAt(const Phrase& ph, double x) { return ph.sweepFrom * std::pow(ph.sweepTo / ph.sweepFrom, x); }

uint64_t seedOf(int64_t step, int part) { return uint64_t(step) * 131 + uint64_t(part) * 7919 + 1; }
}  // namespace

std::vector<ScoreEvent> composeSong() {
  std::vector<ScoreEvent> ev;
  SynthRng humanize(2026);
  int barAt = 0;
  for (const Phrase& ph : kArrangement) {
    const double phraseSteps = ph.bars * 16.0;
    const double firstStep = barAt * 16.0;
    auto add = [&](Part part, Sound sound, double step, double lengthSteps, double note, double vel, double glide) {
      double x = (step - firstStep) / phraseSteps;
      int64_t s = stepToSample(step);
      int64_t e = stepToSample(step + lengthSteps);
      ev.push_back({part, sound, s, e - s, note, vel, sweepAt(ph, x), glide, seedOf(int64_t(step * 4), int(part))});
    };
    for (int b = 0; b < ph.bars; ++b) {
      const double barStep = (barAt + b) * 16.0;
      const Chord& chord = chordOfBar(ph.chords, b);
      const bool fillBar = (ph.flags & kFillOut) && b == ph.bars - 1;
      auto drums = [&](const char* pattern, Part part, double gain) {
        if (!pattern) return;
        std::string st = barSteps(pattern, b);
        for (int i = 0; i < 16; ++i)
          if (double v = velocityOf(st[size_t(i)]); v > 0.0) add(part, Sound::kNone, barStep + i, 1, 0, v * gain, 0);
      };
      drums(ph.kick, Part::kKick, 1.0);
      drums(ph.clap, Part::kClap, 1.0);
      drums(fillBar ? kSnareFill : ph.snare, Part::kSnare, 1.0);
      drums(ph.hat, Part::kHat, 1.0);
      drums(ph.openHat, Part::kOpenHat, 1.0);
      // A drummer never hits two hats alike: small seeded velocity changes.
      for (size_t k = ev.size(); k-- > 0 && ev[k].start >= stepToSample(barStep);)
        if (ev[k].part == Part::kHat || ev[k].part == Part::kOpenHat) ev[k].velocity *= 0.85 + 0.15 * humanize.unit();

      // Tone parts with holds: bass, pad.
      auto tones = [&](const char* pattern, Sound sound, auto notesOf) {
        if (!pattern || sound == Sound::kNone) return;
        std::string st = barSteps(pattern, b);
        for (int i = 0; i < 16; ++i) {
          char c = st[size_t(i)];
          if (c == '.' || c == '-') continue;
          int len = 1;
          while (i + len < 16 && st[size_t(i + len)] == '-') ++len;
          notesOf(c, barStep + i, len);
        }
      };
      tones(ph.bass, ph.bassSound, [&](char c, double step, int len) {
        int d = hexDigit(c);
        add(Part::kBass, ph.bassSound, step, len * 0.85, chord.bassRoot + (d < 0 ? 0 : d), ph.level, 0);
      });
      tones(ph.pad, ph.padSound, [&](char, double step, int len) {
        // The three voices and the lowest one again an octave up, softer, on top.
        for (int k = 0; k < 3; ++k) add(Part::kPad, ph.padSound, step, len, chord.voicing[k], ph.level, 0);
        add(Part::kPad, ph.padSound, step, len, chord.voicing[0] + 12, ph.level * 0.6, 0);
      });
      if (ph.arp) {
        std::string st = barSteps(ph.arp, b);
        for (int i = 0; i < 16; ++i) {
          int d = hexDigit(st[size_t(i)]);
          if (d < 0) continue;
          double note = chord.voicing[d % 3] + 12 * (1 + d / 3);
          add(Part::kArp, Sound::kArpPluck, barStep + i, 0.6, note, ph.level * (i % 4 == 0 ? 1.0 : 0.75), 0);
        }
      }
      if (b == 0 && (ph.flags & kCrashIn)) add(Part::kCrash, Sound::kNone, barStep, 1, 0, 0.9, 0);
      if (b == 0 && (ph.flags & kImpactIn)) add(Part::kImpact, Sound::kNone, barStep, 1, 0, 0.9, 0);
    }
    if (ph.flags & kRiserOut) add(Part::kRiser, Sound::kNone, firstStep + phraseSteps - 64, 64, 0, 0.5, 0);
    if (ph.melody) {
      double total = 0.0;
      std::vector<MelodyNote> mel = parseMelody(ph.melody, total);
      int prev = -1;
      for (double base = firstStep; base < firstStep + phraseSteps; base += total) {
        for (const MelodyNote& m : mel) {
          double step = base + m.step;
          if (step >= firstStep + phraseSteps) break;
          if (m.note < 0) {
            prev = -1;
            continue;
          }
          int note = m.note + 12 * ph.leadOctave;
          // The legato lead slides into steps; leaps start clean.
          bool slide = ph.leadSound == Sound::kSawLead && prev >= 0 && std::abs(prev - note) <= 4;
          double glide = slide ? double(prev - note) : 0.0;
          double gate = ph.leadSound == Sound::kSawLead ? m.length : m.length * 0.9;
          add(Part::kLead, ph.leadSound, step, gate, note, ph.level, glide);
          if (ph.flags & kDoubledLead) add(Part::kLead, Sound::kPluckLead, step, m.length * 0.9, note - 12, ph.level * 0.8, 0);
          prev = note;
        }
      }
    }
    barAt += ph.bars;
  }
  return ev;
}
