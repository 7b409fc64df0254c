// The loader fades on the frame clock and the end screen's levels.
#include <gtest/gtest.h>

#include <vector>

#include "base/clock_testing.hpp"
#include "image/imagefile.hpp"
#include "show/loader.hpp"
#include "image/pixelops.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "tests/testutil.hpp"
#include "video/display.hpp"
#include "video/display_testing.hpp"

namespace {
// The clock is moved by the test after each presented page: the next value of the
// script, and once it runs out one millisecond per read (the end-of-fade waits).
std::vector<uint32_t> gScript;
size_t gNext = 0;
uint32_t gNow = 0;
std::vector<std::vector<uint32_t>> gFrames;
std::vector<uint32_t> gFrameMs;

uint32_t scriptedTick() { return gNext >= gScript.size() ? gNow++ : gNow; }
void capture(const uint32_t* page) {
  gFrames.emplace_back(page + 20 * 320, page + 220 * 320);
  gFrameMs.push_back(gNow);
  if (gNext < gScript.size()) gNow = gScript[gNext++];
}

struct Screens : ::testing::Test {
  std::vector<uint32_t> picture = std::vector<uint32_t>(64000);
  void SetUp() override {
    std::string root = forgedDataRoot("loader|endscrn");
    ASSERT_FALSE(root.empty());
    setDataRoot(root);
    DisplayOptions o;
    o.headless = true;
    configureDisplay(o);
    ASSERT_EQ(openDisplay(), 0);
  }
  void run(void (*fade)(uint32_t*), std::vector<uint32_t> script) {
    gScript = std::move(script);
    gNext = 0;
    gNow = 0;
    gFrames.clear();
    gFrameMs.clear();
    setTickSource(scriptedTick);
    setPresentObserver(capture);
    fade(frameBuffer);
    setPresentObserver(nullptr);
    setTickSource(nullptr);
  }
  std::vector<uint32_t> darkened(int level) {
    std::vector<uint32_t> v(64000);
    darkenPixels(picture.data(), v.data(), 64000, level);
    return v;
  }
};
}  // namespace

TEST_F(Screens, LoaderFadesInFromBlackAndHoldsUntilFourSeconds) {
  ASSERT_TRUE(loadRgbImage("data\\loader\\loader.rgb", 320, 200, picture.data()));
  loadLoaderPicture();
  // ms: 0 (n 0), 1000 (n 128), 1500 (n 192), 2993 (n 383), 3000 (n 384: done).
  run(fadeInLoader, {0, 1000, 1500, 2993, 3000});
  const std::vector<uint32_t> black(64000, 0);
  ASSERT_EQ(gFrames.size(), 6u);
  EXPECT_EQ(gFrames[0], black);           // the opening clear
  EXPECT_EQ(gFrames[1], black);           // n = 0
  EXPECT_EQ(gFrames[2], black);           // n = 128: level 255
  EXPECT_EQ(gFrames[3], darkened(191));   // n = 192
  EXPECT_EQ(gFrames[4], darkened(0));     // n = 383: level 0, not yet exact
  EXPECT_NE(gFrames[4], picture);
  EXPECT_EQ(gFrames[5], picture);         // the exact picture once the loop ends
  // It returns only once 512 units (four seconds) have passed.
  EXPECT_GE(gNow, 4000u);
  releaseLoaderPicture();
}

TEST_F(Screens, LoaderFadesOutToBlackForThreeSeconds) {
  ASSERT_TRUE(loadRgbImage("data\\loader\\loader.rgb", 320, 200, picture.data()));
  loadLoaderPicture();
  run(fadeOutLoader, {0, 1000, 1993, 2000});
  ASSERT_EQ(gFrames.size(), 5u);
  EXPECT_EQ(gFrames[0], picture);        // exact copy first
  EXPECT_EQ(gFrames[1], darkened(0));    // n = 0
  EXPECT_EQ(gFrames[2], darkened(128));  // n = 128
  EXPECT_EQ(gFrames[3], darkened(255));  // n = 255
  EXPECT_EQ(gFrames[4], std::vector<uint32_t>(64000, 0));
  EXPECT_GE(gNow, 3000u);
  releaseLoaderPicture();
}

TEST_F(Screens, EndScreenLevels) {
  ASSERT_TRUE(loadRgbImage("DATA\\endscrn\\endscrn.rgb", 320, 200, picture.data()));
  endscrnModule.load();
  std::vector<uint32_t> target(64000, 0x12345678u);
  auto at = [&](float t) {
    endscrnModule.render(t, target.data());
    return target;
  };
  const std::vector<uint32_t> black(64000, 0);
  EXPECT_EQ(at(0.0f), black);
  EXPECT_EQ(at(126.9f), darkened(1));
  EXPECT_EQ(at(127.0f), picture);
  EXPECT_EQ(at(1157.0f), picture);
  EXPECT_EQ(at(1200.0f), darkened(86));
  EXPECT_EQ(at(1282.9f), darkened(252));
  EXPECT_EQ(at(1283.0f), black);
  EXPECT_EQ(at(1389.9f), black);
  endscrnModule.release();
}
