// Guards the audio layer and the music clock: the position's conversion to SceneTime,
// the stepped output and the layer's error codes, and the real audio path: SDL2 audio
// (its dummy driver consumes sound at real-time pace on machines without a sound card)
// playing the forged music; a file that is not MP3, or one cut short, ends the show
// with status 1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/datapath.hpp"
#include "audio/playback.hpp"
#include "audio/music.hpp"
#include "tests/testutil.hpp"

TEST(MusicClock, PositionToSceneTime) {
  EXPECT_EQ(double(positionToSceneTime(0, 120)), 0.0);
  EXPECT_EQ(double(positionToSceneTime(88200, 120)), 120.0);
  EXPECT_EQ(double(positionToSceneTime(17992800, 120)), 24480.0);
  EXPECT_EQ(float(positionToSceneTime(17992800, 120)), 24480.0f);
  // The position is unsigned: past 2^31 the time stays large and positive.
  EXPECT_GT(positionToSceneTime(2147483648u, 120), 2.9e6L);
  EXPECT_GT(positionToSceneTime(0xFFFFFFFFu, 120), positionToSceneTime(2147483648u, 120));
}

TEST(MusicClock, SteppedBackendDrivesMusicTime) {
  selectAudioBackend(AudioBackend::Stepped, 88200);
  ASSERT_NE(audioInit(-1, 44100, 0, nullptr), 0u);
  EXPECT_EQ(audioGetVersion(), 0x00070000u);
  // No stream: a bad handle reads as position 0 and sets the error code.
  EXPECT_EQ(audioChannelGetPosition(1), 0u);
  EXPECT_EQ(audioErrorGetCode(), kAudioBadHandle);
  EXPECT_EQ(audioStreamCreateFile(0, "data\\music\\no-such-file.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(audioErrorGetCode(), kAudioFileOpen);
  audioFree();
  selectAudioBackend(AudioBackend::Device);
}

TEST(AudioDevice, PositionFollowsWhatTheDeviceConsumed) {
  std::string root = forgedDataRoot("music");
  ASSERT_FALSE(root.empty());
  setDataRoot(root);
  if (!std::filesystem::exists(resolveDataPath(kMusicFile))) GTEST_SKIP() << "no music in the data set";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  selectAudioBackend(AudioBackend::Device);
  ASSERT_NE(audioInit(-1, 44100, 0, nullptr), 0u) << audioErrorGetCode();
  uint32_t stream = audioStreamCreateFile(0, kMusicFile, 0, 0, 0);
  ASSERT_NE(stream, 0u) << audioErrorGetCode();
  EXPECT_EQ(audioChannelGetPosition(stream), 0u);  // nothing plays before the start
  audioStart();
  audioStreamPlay(stream, 0, 4);
  uint32_t pos = 0;
  for (int i = 0; i < 200 && pos < 88200 / 4; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pos = audioChannelGetPosition(stream);
  }
  EXPECT_GE(pos, 88200u / 4);
  EXPECT_EQ(pos % 2, 0u);  // two position units per stereo sample frame
  audioStop();
  audioFree();
  unsetenv("SDL_AUDIODRIVER");
}

TEST(AudioDevice, NotAnMp3OrACutOneIsRefused) {
  std::string dir = makeTempDir("not-mp3");
  std::filesystem::create_directories(dir + "/data/music");
  {
    FILE* f = std::fopen((dir + "/data/music/qz0.mp3").c_str(), "wb");
    for (int i = 0; i < 50000; ++i) std::fputc((i * 7919) & 0x3F, f);
    std::fclose(f);
  }
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
