// Guards the audio layer and the music clock: the position's conversion to SceneTime,
// the stepped output, the layer's error codes and its seek; the stream decoder against
// the whole-file decode (pieces, seeks); and the real audio path: SDL2 audio (its dummy
// driver consumes sound at real-time pace on machines without a sound card) fed from
// the stream, watched buffer by buffer. A file that is not MP3, or one cut short, ends
// the show with status 1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "audio/mp3decode.hpp"
#include "audio/music.hpp"
#include "audio/output.hpp"
#include "audio/output_testing.hpp"
#include "audio/playback.hpp"
#include "base/datapath.hpp"
#include "tests/testutil.hpp"

namespace {
// The forged music: its data root and its whole-file decode, once per process.
struct Music {
  std::string root, path;
  DecodedAudio whole;
};
const Music& music() {
  static Music m = [] {
    Music m;
    m.root = forgedDataRoot("music");
    if (m.root.empty()) return m;
    m.path = m.root + "/data/music/qz0.mp3";
    if (decodeMp3File(m.path.c_str(), m.whole) != kMp3Ok) m.path.clear();
    return m;
  }();
  return m;
}
#define MUSIC_OR_SKIP()                                             \
  const Music& m = music();                                         \
  if (m.path.empty()) GTEST_SKIP() << "no decodable music in the data set"

// Reads the stream to its end in pieces of the given sizes, in turn.
std::vector<int16_t> readAll(Mp3Stream& s, std::initializer_list<size_t> pieces) {
  std::vector<int16_t> all, piece;
  for (size_t turn = 0;; ++turn) {
    const size_t want = pieces.begin()[turn % pieces.size()];
    piece.assign(want * 2, 0);
    const size_t got = readMp3Stream(s, piece.data(), want);
    all.insert(all.end(), piece.begin(), piece.begin() + long(got * 2));
    if (got < want) return all;
  }
}

// The buffers the device is fed, as one run of stereo frames from the first one's
// position (every buffer must follow on from the one before).
struct Fed {
  std::mutex lock;
  uint64_t first = 0, next = 0;
  bool contiguous = true;
  std::vector<int16_t> samples;
};
Fed gFed;
void watchFeed(uint64_t firstFrame, const int16_t* samples, size_t frames) {
  std::lock_guard<std::mutex> hold(gFed.lock);
  if (gFed.samples.empty()) gFed.first = firstFrame;
  else gFed.contiguous = gFed.contiguous && firstFrame == gFed.next;
  gFed.next = firstFrame + frames;
  gFed.samples.insert(gFed.samples.end(), samples, samples + frames * 2);
}
void clearFed() {
  std::lock_guard<std::mutex> hold(gFed.lock);
  gFed.samples.clear();
  gFed.contiguous = true;
}

// The real device (SDL's dummy driver) with the stream of `root`, watched.
struct DeviceMusic : ::testing::Test {
  uint32_t stream = 0;
  void open(const std::string& root) {
    setDataRoot(root);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    selectAudioBackend(AudioBackend::Device);
    ASSERT_NE(audioInit(-1, 44100, 0, nullptr), 0u) << audioErrorGetCode();
    stream = audioStreamCreateFile(0, kMusicFile, 0, 0, 0);
    ASSERT_NE(stream, 0u) << audioErrorGetCode();
    clearFed();
    setDeviceFeedObserver(watchFeed);
  }
  // Plays until the position reaches `position` (giving up after ten seconds).
  uint32_t playUntil(uint32_t position) {
    uint32_t pos = 0;
    for (int i = 0; i < 1000 && (pos = audioChannelGetPosition(stream)) < position; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pos;
  }
  void TearDown() override {
    audioStop();
    setDeviceFeedObserver(nullptr);
    audioFree();
    unsetenv("SDL_AUDIODRIVER");
  }
};
}  // namespace

TEST(MusicClock, PositionToSceneTime) {
  EXPECT_EQ(double(positionToSceneTime(0, 120)), 0.0);
  EXPECT_EQ(double(positionToSceneTime(88200, 120)), 120.0);
  EXPECT_EQ(double(positionToSceneTime(17992800, 120)), 24480.0);
  // The position is unsigned: past 2^31 the time stays large and positive.
  EXPECT_GT(positionToSceneTime(2147483648u, 120), 2.9e6L);
  EXPECT_GT(positionToSceneTime(0xFFFFFFFFu, 120), positionToSceneTime(2147483648u, 120));
}

TEST(MusicClock, SteppedOutputErrorsAndSeek) {
  selectAudioBackend(AudioBackend::Stepped, 88200);
  ASSERT_NE(audioInit(-1, 44100, 0, nullptr), 0u);
  // No stream: a bad handle reads as position 0 and sets the error code.
  EXPECT_EQ(audioChannelGetPosition(1), 0u);
  EXPECT_EQ(audioErrorGetCode(), kAudioBadHandle);
  EXPECT_EQ(audioChannelSetPosition(1, 100), 0u);
  EXPECT_EQ(audioStreamCreateFile(0, "data\\music\\no-such-file.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(audioErrorGetCode(), kAudioFileOpen);
  audioFree();

  const Music& m = music();
  if (m.path.empty()) GTEST_SKIP() << "no decodable music in the data set";
  setDataRoot(m.root);
  startMusic();
  setMusicRate(120);
  // A seek before playing: the clock reads the time at once (rounded up to a whole
  // sample frame, never before it) and stands still until playback starts.
  seekMusic(221.25);  // a bar line: 162618.75 position units
  EXPECT_EQ(audioChannelGetPosition(1), 162620u);
  EXPECT_GE(musicTime(), 221.25L);
  EXPECT_LT(musicTime(), 221.25L + 0.003L);
  seekMusic(3540);
  EXPECT_EQ(float(musicTime()), 3540.0f);
  EXPECT_EQ(float(musicTime()), 3540.0f);
  playMusic();
  EXPECT_EQ(float(musicTime()), 3540.0f);
  EXPECT_EQ(float(musicTime()), 3660.0f);
  stopMusic();
  EXPECT_EQ(float(musicTime()), 3780.0f);
  EXPECT_EQ(float(musicTime()), 3780.0f);
  // A fresh start from the first frame.
  audioStreamPlay(1, 1, 4);
  EXPECT_EQ(musicTime(), 0.0L);
  freeMusic();
  selectAudioBackend(AudioBackend::Device);
}

TEST(MusicStream, GivesTheSamplesOfTheWholeFileDecode) {
  MUSIC_OR_SKIP();
  Mp3Stream s;
  ASSERT_EQ(openMp3Stream(m.path.c_str(), s), kMp3Ok);
  // Pieces of any size, one sample frame to more than an MPEG frame, to the last sample.
  EXPECT_TRUE(readAll(s, {1024, 1, 777, 4096, 1152}) == m.whole.samples);
  EXPECT_TRUE(s.ended);
  int16_t after[8] = {};
  EXPECT_EQ(readMp3Stream(s, after, 4), 0u);
  // Seeks land on the sample, from anywhere (also backwards, also to the end).
  const size_t frames = m.whole.frames();
  for (size_t at : {size_t(5000000), size_t(1), size_t(81310), frames - 100, frames}) {
    seekMp3Stream(s, at);
    std::vector<int16_t> piece(4000 * 2, 0);
    const size_t got = readMp3Stream(s, piece.data(), 4000);
    ASSERT_EQ(got, std::min<size_t>(4000, frames - at)) << at;
    EXPECT_TRUE(std::equal(piece.begin(), piece.begin() + long(got * 2), m.whole.samples.begin() + long(at * 2))) << at;
  }
  seekMp3Stream(s, frames + 44100);  // past the end: nothing more
  EXPECT_EQ(readMp3Stream(s, after, 4), 0u);
  EXPECT_TRUE(s.ended);
}

TEST_F(DeviceMusic, PositionFollowsWhatTheDeviceConsumed) {
  MUSIC_OR_SKIP();
  open(m.root);
  EXPECT_EQ(audioChannelGetPosition(stream), 0u);  // nothing plays before the start
  audioStart();
  audioStreamPlay(stream, 0, 4);
  const uint32_t pos = playUntil(88200 / 4);
  EXPECT_GE(pos, 88200u / 4);
  EXPECT_EQ(pos % 2, 0u);  // two position units per stereo sample frame
  audioStop();
  // What the device was fed is the music from its first sample, buffer after buffer.
  std::lock_guard<std::mutex> hold(gFed.lock);
  EXPECT_EQ(gFed.first, 0u);
  EXPECT_TRUE(gFed.contiguous);
  ASSERT_GE(gFed.samples.size() / 2, size_t(pos / 2));
  EXPECT_TRUE(std::equal(gFed.samples.begin(), gFed.samples.end(), m.whole.samples.begin()));
}

TEST_F(DeviceMusic, SeekLandsOnTheTargetBeforeAndDuringPlayback) {
  MUSIC_OR_SKIP();
  open(m.root);
  // Bar 56 (SceneTime 12390): the position reads the target at once, and the first
  // buffer the device gets begins with the music's sample there.
  const uint32_t target = 12390 * 735;
  ASSERT_NE(audioChannelSetPosition(stream, target), 0u);
  EXPECT_EQ(audioChannelGetPosition(stream), target);
  audioStreamPlay(stream, 0, 4);
  const uint32_t pos = playUntil(target + 8820);
  EXPECT_GE(pos, target + 8820);
  // While playing: the next buffer starts at the new target.
  const uint32_t second = 3540 * 735;
  audioChannelSetPosition(stream, second);
  const uint32_t after = audioChannelGetPosition(stream);
  EXPECT_GE(after, second);
  EXPECT_LE(after, second + 2 * kDeviceBufferFrames);
  playUntil(second + 8820);
  audioStop();
  std::lock_guard<std::mutex> hold(gFed.lock);
  EXPECT_EQ(gFed.first, target / 2);
  EXPECT_FALSE(gFed.contiguous);  // the second seek jumped back
  // The buffers before the second seek, then those after it, each matching the music.
  const size_t firstRun = size_t(pos / 2 - target / 2);
  ASSERT_GE(gFed.samples.size() / 2, firstRun);
  EXPECT_TRUE(std::equal(gFed.samples.begin(), gFed.samples.begin() + long(firstRun * 2),
                         m.whole.samples.begin() + long(target)));
  const size_t tail = size_t(gFed.next - second / 2);
  ASSERT_GE(tail, 4410u);
  EXPECT_TRUE(std::equal(gFed.samples.end() - long(tail * 2), gFed.samples.end(), m.whole.samples.begin() + long(second)));
}

TEST_F(DeviceMusic, AfterTheLastSampleSilenceAndThePositionGoesOn) {
  MUSIC_OR_SKIP();
  open(m.root);
  // A tenth of a second before the end; a quarter second past it.
  const uint64_t frames = m.whole.frames();
  const uint32_t from = uint32_t((frames - 4410) * 2);
  audioChannelSetPosition(stream, from);
  audioStreamPlay(stream, 0, 4);
  const uint32_t pos = playUntil(uint32_t(frames * 2 + 22050));
  EXPECT_GE(pos, frames * 2 + 22050);
  audioStop();
  std::lock_guard<std::mutex> hold(gFed.lock);
  EXPECT_TRUE(gFed.contiguous);
  ASSERT_GE(gFed.samples.size(), size_t(4410 + 11025) * 2);
  EXPECT_TRUE(std::equal(gFed.samples.begin(), gFed.samples.begin() + 4410 * 2, m.whole.samples.end() - 4410 * 2));
  EXPECT_TRUE(std::all_of(gFed.samples.begin() + 4410 * 2, gFed.samples.end(), [](int16_t v) { return v == 0; }));
}

TEST(AudioDevice, NotAnMp3OrACutOneIsRefused) {
  std::string dir = makeTempDir("not-mp3"), noise(50000, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919) & 0x3F);
  ASSERT_TRUE(writeFile(dir + "/data/music/qz0.mp3", noise));
  Mp3Stream s;
  EXPECT_EQ(openMp3Stream((dir + "/data/music/qz0.mp3").c_str(), s), kMp3NotDecodable);
  EXPECT_EQ(s.decoder, nullptr);
  setDataRoot(dir);
  selectAudioBackend(AudioBackend::Silent);
  ASSERT_NE(audioInit(-1, 44100, 0, nullptr), 0u);
  EXPECT_EQ(audioStreamCreateFile(0, kMusicFile, 0, 0, 0), 0u);
  EXPECT_EQ(audioErrorGetCode(), kAudioFileForm);
  // The forged music cut to its first half: real MP3 frames, but fewer than its tag declares.
  const std::string music = forgedDataRoot("music") + "/data/music/qz0.mp3";
  if (std::filesystem::exists(music)) {
    const std::string whole = readFile(music);
    ASSERT_TRUE(writeFile(dir + "/data/music/qz0.mp3", whole.substr(0, whole.size() / 2)));
    EXPECT_EQ(openMp3Stream((dir + "/data/music/qz0.mp3").c_str(), s), kMp3NotDecodable);
    DecodedAudio cut;
    EXPECT_EQ(decodeMp3File((dir + "/data/music/qz0.mp3").c_str(), cut), kMp3NotDecodable);
    EXPECT_EQ(audioStreamCreateFile(0, kMusicFile, 0, 0, 0), 0u);
    EXPECT_EQ(audioErrorGetCode(), kAudioFileForm);
  }
  audioFree();
  EXPECT_EXIT(
      {
        selectAudioBackend(AudioBackend::Silent);
        startMusic();
      },
      ::testing::ExitedWithCode(1), "");
  selectAudioBackend(AudioBackend::Device);
}
