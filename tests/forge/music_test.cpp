// Guards the show's music as it leaves the forge: the MP3 is forged once, decoded
// through our audio layer and measured (format, length, bar-line downbeats, loudness,
// peaks, silence before the end, the sections' contrast).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/mp3decode.hpp"
#include "tests/testutil.hpp"
#include "synth/meter.hpp"
#include "synth/score.hpp"

namespace {
struct Track {
  std::vector<uint8_t> bytes;
  Mp3Status status = kMp3CannotOpen;
  std::vector<float> l, r, mono;  // decoded, full scale 1.0
  std::vector<int16_t> raw;
  bool complete = false;  // decoded, and as long as the song
};

// The forged music file (the build's own data set, or forged once for this process),
// read and decoded once.
const Track& track() {
  static Track t = [] {
    Track t;
    const std::string root = forgedDataRoot("music");
    if (root.empty()) return t;
    const std::string path = root + "/data/music/qz0.mp3";
    const std::string bytes = readFile(path);
    t.bytes.assign(bytes.begin(), bytes.end());
    DecodedAudio audio;
    t.status = decodeMp3File(path.c_str(), audio);
    t.raw = audio.samples;
    t.l.resize(audio.frames());
    t.r.resize(audio.frames());
    for (size_t i = 0; i < audio.frames(); ++i) {
      t.l[i] = float(audio.samples[2 * i]) / 32768.0f;
      t.r[i] = float(audio.samples[2 * i + 1]) / 32768.0f;
      t.mono.push_back(0.5f * (t.l[i] + t.r[i]));
    }
    t.complete = t.status == kMp3Ok && t.l.size() == size_t(kSongSeconds * 44100.0);
    return t;
  }();
  return t;
}

double barSample(int bar) { return bar * kSamplesPerBar; }

// The attack energy around a bar line: the mix high-passed at 1 kHz (the kick's click
// and whatever else strikes with it), as a 2 ms RMS envelope. The onset is where the
// envelope first climbs 30% of the way from the loudest level of the 30 ms before the
// line to the peak of the 30 ms after it.
struct AttackOnset {
  double offsetMs;
  double riseDb;  // peak after the line against the level before it
};

AttackOnset findAttack(const std::vector<float>& l, const std::vector<float>& r, int bar) {
  const int64_t line = stepToSample(bar * 16.0);
  const int64_t from = std::max<int64_t>(0, line - 2205);
  const int64_t to = std::min<int64_t>(int64_t(l.size()), line + 2205);
  std::vector<double> x(size_t(to - from)), low;
  for (int64_t i = from; i < to; ++i) x[size_t(i - from)] = 0.5 * (double(l[size_t(i)]) + r[size_t(i)]);
  // Zero-phase one-pole low-pass (forwards, then backwards), subtracted.
  const double a = std::exp(-2.0 * 3.141592653589793 * 1000.0 / 44100.0);
  low = x;
  double z = 0.0;
  for (double& v : low) v = z = v + a * (z - v);
  z = 0.0;
  for (size_t i = low.size(); i-- > 0;) low[i] = z = low[i] + a * (z - low[i]);
  for (size_t i = 0; i < x.size(); ++i) x[i] -= low[i];
  const int half = 44;
  std::vector<double> env(x.size());
  for (size_t i = 0; i < x.size(); ++i) {
    double acc = 0.0;
    int n = 0;
    for (int k = -half; k <= half; ++k) {
      int64_t j = int64_t(i) + k;
      if (j < 0 || j >= int64_t(x.size())) continue;
      acc += x[size_t(j)] * x[size_t(j)];
      ++n;
    }
    env[i] = std::sqrt(acc / n);
  }
  auto relMs = [&](size_t i) { return double(from + int64_t(i) - line) / 44.1; };
  double before = 1e-9, peak = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (relMs(i) >= -40.0 && relMs(i) < -10.0) before = std::max(before, env[i]);
    if (relMs(i) >= 0.0 && relMs(i) < 30.0) peak = std::max(peak, env[i]);
  }
  AttackOnset o{1e9, 20.0 * std::log10(peak / before)};
  for (size_t i = 0; i < x.size(); ++i)
    if (relMs(i) >= -15.0 && env[i] >= before + 0.3 * (peak - before)) {
      o.offsetMs = relMs(i);
      break;
    }
  return o;
}

struct Bands {
  double loudness, low, mid, high;  // LUFS, band shares in dB of the total power
};

Bands measureStretch(const std::vector<float>& l, const std::vector<float>& r, size_t begin, size_t end) {
  Bands b{};
  b.loudness = momentaryMeanLoudness(l.data() + begin, r.data() + begin, end - begin, 44100.0);
  const double aLow = std::exp(-2.0 * 3.141592653589793 * 200.0 / 44100.0);
  const double aHigh = std::exp(-2.0 * 3.141592653589793 * 2500.0 / 44100.0);
  double lo1 = 0, lo2 = 0, hi1 = 0, hi2 = 0;
  double pLow = 0, pMid = 0, pHigh = 0;
  for (size_t i = begin; i < end; ++i) {
    double x = 0.5 * (double(l[i]) + r[i]);
    lo1 = x + aLow * (lo1 - x);
    lo2 = lo1 + aLow * (lo2 - lo1);
    hi1 = x + aHigh * (hi1 - x);
    hi2 = hi1 + aHigh * (hi2 - hi1);
    double low = lo2, high = x - hi2, mid = x - low - high;
    pLow += low * low;
    pMid += mid * mid;
    pHigh += high * high;
  }
  double total = pLow + pMid + pHigh + 1e-30;
  b.low = 10 * std::log10(pLow / total + 1e-30);
  b.mid = 10 * std::log10(pMid / total + 1e-30);
  b.high = 10 * std::log10(pHigh / total + 1e-30);
  return b;
}

// MPEG-1 Layer III frame header fields.
struct FrameHeader {
  bool valid = false;
  int kbps = 0, rate = 0, channels = 0, bytes = 0;
};
FrameHeader parseHeader(const uint8_t* p) {
  static const int kbpsTable[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int rateTable[4] = {44100, 48000, 32000, 0};
  FrameHeader h;
  if (p[0] != 0xFF || (p[1] & 0xFE) != 0xFA) return h;  // sync, MPEG-1, Layer III
  h.kbps = kbpsTable[p[2] >> 4];
  h.rate = rateTable[(p[2] >> 2) & 3];
  h.channels = (p[3] >> 6) == 3 ? 1 : 2;
  int padding = (p[2] >> 1) & 1;
  if (h.kbps == 0 || h.rate == 0) return h;
  h.bytes = 144000 * h.kbps / h.rate + padding;
  h.valid = true;
  return h;
}
}  // namespace

TEST(MusicTrack, IsConstantBitRateStereoDecodingGaplessToTheFullLength) {
  const Track& t = track();
  ASSERT_GT(t.bytes.size(), 4u) << "no forged music";
  FrameHeader first = parseHeader(t.bytes.data());
  ASSERT_TRUE(first.valid);
  EXPECT_EQ(first.rate, 44100);
  EXPECT_EQ(first.channels, 2);
  EXPECT_GE(first.kbps, 192);
  // The first frame carries the encoder's tag ("Info" for constant bit rate) with the
  // delay and padding the decoder removes.
  std::string head(t.bytes.begin(), t.bytes.begin() + first.bytes);
  EXPECT_NE(head.find("Info"), std::string::npos);
  EXPECT_NE(head.find("LAME"), std::string::npos);
  // Every frame has the same bit rate and the frames fill the file exactly.
  size_t pos = 0, frames = 0;
  bool allSame = true;
  while (pos + 4 <= t.bytes.size()) {
    FrameHeader h = parseHeader(t.bytes.data() + pos);
    if (!h.valid) break;
    allSame = allSame && h.kbps == first.kbps && h.rate == 44100 && h.channels == 2;
    pos += size_t(h.bytes);
    ++frames;
  }
  EXPECT_TRUE(allSame);
  EXPECT_EQ(pos, t.bytes.size());
  EXPECT_GT(frames, 7900u);  // 207 s of 1152-sample frames
  // Gapless decoding gives back exactly the samples that were encoded: no encoder
  // delay in front, no padding behind, so sample n is at n / 44100 s of the show.
  ASSERT_EQ(t.status, kMp3Ok);
  EXPECT_EQ(t.l.size(), size_t(kSongSeconds * 44100.0));
  EXPECT_GE(double(t.l.size()) / 44100.0, 206.0);
}

TEST(MusicTrack, EveryBarStartsWithAKickOnTheBarLine) {
  const Track& t = track();
  ASSERT_TRUE(t.complete) << "decoding the forged music failed or came out short";
  double worst = 0.0, weakest = 1.0, worstAttack = 0.0, smallestRise = 1e9;
  for (int bar = 0; bar < kSongBars; ++bar) {
    // The kick fits best within 5 ms of the line (searched over 10), standing out of the mix.
    const long line = long(stepToSample(bar * 16.0));
    const KickFit kick = fitKick(t.mono, line, 441);
    const double offsetMs = double(kick.at - line) / 44.1;
    EXPECT_LE(std::abs(offsetMs), 5.0) << "bar " << bar;
    EXPECT_GE(kick.correlation, 0.6) << "bar " << bar;
    worst = std::max(worst, std::abs(offsetMs));
    weakest = std::min(weakest, kick.correlation);
    // The attack energy rises on the line as well (how far above the busy bars'
    // hats and leads it climbs is reported, not required).
    AttackOnset a = findAttack(t.l, t.r, bar);
    EXPECT_LE(std::abs(a.offsetMs), 5.0) << "bar " << bar;
    worstAttack = std::max(worstAttack, std::abs(a.offsetMs));
    smallestRise = std::min(smallestRise, a.riseDb);
  }
  std::printf("downbeats: worst kick offset %.3f ms, weakest match %.2f; worst attack onset %.2f ms, "
              "smallest rise %.1f dB\n", worst, weakest, worstAttack, smallestRise);
}

TEST(MusicTrack, LoudnessPeaksAndSilenceAtTheEnd) {
  const Track& t = track();
  ASSERT_TRUE(t.complete) << "decoding the forged music failed or came out short";
  double lufs = integratedLoudness(t.l.data(), t.r.data(), t.l.size(), 44100.0);
  double tp = 20.0 * std::log10(truePeak(t.l.data(), t.r.data(), t.l.size()));
  std::printf("integrated loudness %.2f LUFS, true peak %.2f dBTP\n", lufs, tp);
  EXPECT_NEAR(lufs, -14.0, 1.0);
  EXPECT_LE(tp, -1.0);
  size_t clipped = 0;
  for (int16_t s : t.raw) clipped += (s >= 32767 || s <= -32767);
  EXPECT_EQ(clipped, 0u);
  // Half a second before the show's end (24400 units = 203.333 s) is silent.
  const double floor = std::pow(10.0, -60.0 / 20.0);
  size_t from = size_t((24400.0 - 60.0) / 120.0 * 44100.0), to = size_t(24400.0 / 120.0 * 44100.0);
  float loudest = 0.0f;
  for (size_t i = from; i < to; ++i) loudest = std::max({loudest, std::abs(t.l[i]), std::abs(t.r[i])});
  EXPECT_LE(loudest, floor);
}

TEST(MusicTrack, NeighbouringSectionsSoundDifferent) {
  const Track& t = track();
  ASSERT_TRUE(t.complete) << "decoding the forged music failed or came out short";
  std::vector<Bands> bands;
  const std::vector<MusicChange> sections = musicChanges();
  for (size_t s = 0; s < sections.size(); ++s) {
    int endBar = s + 1 < sections.size() ? sections[s + 1].firstBar : kSongBars;
    size_t begin = size_t(barSample(sections[s].firstBar)), end = size_t(barSample(endBar));
    bands.push_back(measureStretch(t.l, t.r, begin, end));
    const Bands& b = bands.back();
    std::printf("%-22s bars %3d-%3d  %6.1f LUFS  low %5.1f  mid %5.1f  high %5.1f dB\n", sections[s].name,
                sections[s].firstBar, endBar, b.loudness, b.low, b.mid, b.high);
  }
  for (size_t s = 1; s < bands.size(); ++s) {
    const Bands& a = bands[s - 1];
    const Bands& b = bands[s];
    double diff = std::max({std::abs(a.loudness - b.loudness), std::abs(a.low - b.low), std::abs(a.mid - b.mid),
                            std::abs(a.high - b.high)});
    EXPECT_GE(diff, 1.5) << sections[s - 1].name << " -> " << sections[s].name;
  }
}
