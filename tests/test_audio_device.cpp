// The real audio path: SDL2 audio (its dummy driver consumes sound at real-time
// pace on machines without a sound card) playing the forged music.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/datapath.hpp"
#include "audio/playback.hpp"
#include "audio/music.hpp"
#include "tests/testutil.hpp"

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

TEST(AudioDevice, NotAnMp3IsRefused) {
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
  audioFree();
  EXPECT_EXIT(
      {
        selectAudioBackend(AudioBackend::Silent);
        startMusic();
      },
      ::testing::ExitedWithCode(1), "");
  selectAudioBackend(AudioBackend::Device);
}
