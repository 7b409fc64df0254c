// The whole show, headless: the timeline from start to end, and the full run
// with loader fades and the music clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "image/imagefile.hpp"
#include "main/datapath.hpp"
#include "main/show.hpp"
#include "music/audiolib.hpp"
#include "tests/testutil.hpp"
#include "video/display.hpp"

namespace {
void openHeadless() {
  DisplayOptions o;
  o.headless = true;
  configureDisplay(o);
  ASSERT_EQ(openDisplay(), 0);
}

const uint32_t* frameRows(const uint32_t* page) { return page + 20 * 320; }

uint32_t gTick = 0;
uint32_t fastTick() { return gTick += 7; }  // every clock read moves 7 ms on
}  // namespace

TEST(Show, TimelineRunsToItsEndWithTheEndScreen) {
  std::string root = forgedDataRoot();
  ASSERT_FALSE(root.empty());
  setDataRoot(root);
  openHeadless();
  std::vector<uint32_t> picture(64000);
  ASSERT_TRUE(loadRgbImage("DATA\\endscrn\\endscrn.rgb", 320, 200, picture.data()));
  loadAllScenes();
  quitRequested = false;
  long frames = 0;
  bool sawPicture = false;
  double quitAt = 0;
  // Per window: the frames presented, and those with a picture on a tenth of the screen.
  int presented[kTimelineWindows] = {}, lit[kTimelineWindows] = {};
  for (double t = 0; t < 24600 && !quitRequested; t += 37.5, ++frames) {
    timelineStep(float(t), frameBuffer);
    presentFrame();
    const uint32_t* shown = frameRows(presentedPage());
    for (int w = 0; w < kTimelineWindows; ++w) {
      if (t < timelineWindows()[w].start || t >= timelineWindows()[w].end) continue;
      ++presented[w];
      lit[w] += std::count_if(shown, shown + 64000, [](uint32_t p) { return (p & 0xFFFFFF) != 0; }) > 6400;
    }
    bool isPicture = std::equal(picture.begin(), picture.end(), shown);
    if (t >= 23010 + 127 && t <= 23010 + 1157) {
      EXPECT_TRUE(isPicture) << "t = " << t;
    }
    if (t >= 23010 + 1283) {
      EXPECT_TRUE(std::all_of(shown, shown + 64000, [](uint32_t p) { return p == 0; }));
    }
    sawPicture |= isPicture;
    if (quitRequested) quitAt = t;
  }
  EXPECT_TRUE(sawPicture);
  // No section is a black placeholder: apart from the fades its rules define (the
  // first section is black for its first quarter), every window shows its picture.
  for (int w = 0; w < kTimelineWindows; ++w) {
    EXPECT_GE(lit[w] * 10, presented[w] * 6) << timelineWindows()[w].module->name;
  }
  EXPECT_TRUE(quitRequested);
  EXPECT_GT(quitAt, 24500.0);
  EXPECT_LT(quitAt, 24540.0);
  releaseAllScenes();
}

TEST(Show, FullRunWithLoaderAndMusicClockEndsByItself) {
  std::string root = forgedDataRoot();
  ASSERT_FALSE(root.empty());
  setDataRoot(root);
  if (!std::filesystem::exists(resolveDataPath("data\\music\\qz0.mp3"))) GTEST_SKIP() << "no music in the data set";
  openHeadless();
  setTickSource(fastTick);
  // Every frame reads the music position, which moves by one second of music.
  selectAudioBackend(AudioBackend::Stepped, 88200);
  uint64_t before = presentedFrameCount();
  runFullShow();
  setTickSource(nullptr);
  selectAudioBackend(AudioBackend::Device);
  // Loader frames plus one frame per second of music up to just past 24500 / 120 s.
  uint64_t shown = presentedFrameCount() - before;
  EXPECT_GT(shown, 205u);
  const uint32_t* last = frameRows(presentedPage());
  EXPECT_TRUE(std::all_of(last, last + 64000, [](uint32_t p) { return p == 0; }));
  EXPECT_TRUE(quitRequested);
}
