// The frame clock's millisecond wrap-around and the music position conversion.
#include <gtest/gtest.h>

#include "base/clock_testing.hpp"
#include "audio/playback.hpp"
#include "audio/music.hpp"
#include "video/display.hpp"

namespace {
uint32_t gNow = 0;
uint32_t fakeTick() { return gNow; }
}  // namespace

TEST(FrameClock, CountsRateUnitsPerSecondAcrossTheWrap) {
  setTickSource(fakeTick);
  gNow = 1000;
  resetFrameClock(120);
  EXPECT_EQ(frameClockTime(), 0.0L);
  gNow = 3500;
  EXPECT_DOUBLE_EQ(double(frameClockTime()), 300.0);
  gNow = 0xFFFFFF00u;
  resetFrameClock(128);
  gNow = 0x00000100u;  // 512 ms later, after the counter wrapped
  EXPECT_DOUBLE_EQ(double(frameClockTime()), 65.536);
  setTickSource(nullptr);
}

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
