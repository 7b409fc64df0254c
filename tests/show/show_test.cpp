// Guards the show run headless: the loader's fades on the frame clock, the full run
// with the loader and the music clock, which ends by itself, and the show started
// part way (--start).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/clock_testing.hpp"
#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "base/datapath.hpp"
#include "show/loader.hpp"
#include "scenes/sections.hpp"
#include "show/show.hpp"
#include "show/start.hpp"
#include "audio/playback.hpp"
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

struct LoaderScreen : ::testing::Test {
  std::vector<uint32_t> picture = std::vector<uint32_t>(64000);
  void SetUp() override {
    USE_FORGED_DATA(root, "loader");
    openHeadlessDisplay();
    ASSERT_TRUE(loadRgbImage("data\\loader\\loader.rgb", 320, 200, picture.data()));
    loadLoaderPicture();
  }
  void TearDown() override { releaseLoaderPicture(); }
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

const uint32_t* frameRows(const uint32_t* page) { return page + 20 * 320; }

uint32_t gTick = 0;
uint32_t fastTick() { return gTick += 7; }  // every clock read moves 7 ms on
}  // namespace

// In from black, holding until four seconds; out to black over three.
TEST_F(LoaderScreen, FadesInAndHoldsThenFadesOut) {
  // ms: 0 (n 0), 1000 (n 128), 1500 (n 192), 2993 (n 383), 3000 (n 384: done).
  run(fadeInLoader, {0, 1000, 1500, 2993, 3000});
  const std::vector<uint32_t> black(64000, 0);
  // The opening clear, n = 0, n = 128 (level 255), n = 192, n = 383 (level 0, not yet
  // exact), and the exact picture once the loop ends.
  EXPECT_EQ(gFrames, (std::vector<std::vector<uint32_t>>{black, black, black, darkened(191), darkened(0), picture}));
  EXPECT_NE(darkened(0), picture);
  EXPECT_GE(gNow, 4000u);  // it returns only once 512 units have passed
  run(fadeOutLoader, {0, 1000, 1993, 2000});
  EXPECT_EQ(gFrames, (std::vector<std::vector<uint32_t>>{picture, darkened(0), darkened(128), darkened(255), black}));
  EXPECT_GE(gNow, 3000u);
}

TEST(ShowStart, ValuesAreSceneTimesOrSectionNames) {
  long double t = -1;
  EXPECT_TRUE(parseShowStart("0", t));
  EXPECT_EQ(t, 0.0L);
  EXPECT_TRUE(parseShowStart("24500", t));
  EXPECT_EQ(t, 24500.0L);
  EXPECT_TRUE(parseShowStart("1234.5", t));
  EXPECT_EQ(t, 1234.5L);
  EXPECT_TRUE(parseShowStart("BoxBox", t));  // any letter case: the start of its window
  EXPECT_EQ(t, 12390.0L);
  for (int i = 0; i < kShowSectionCount; ++i) {
    EXPECT_TRUE(parseShowStart(kShowSections[i].module->name, t));
    EXPECT_EQ(t, sectionStart(i));
  }
  for (const char* bad : {"", "-1", "24500.01", "1e9", "nan", "inf", "12abc", "nosuch", "box2"})
    EXPECT_FALSE(parseShowStart(bad, t)) << bad;
  // The show's own command line: a clear error with the list, status 2.
  std::string out;
  for (const char* bad : {" --start 30000", " --start nosuch", " --start"}) {
    EXPECT_EQ(runCommand(std::string(GVS_SHOW_PATH) + bad, &out), 2) << bad;
    EXPECT_NE(out.find("boxbox   12390.00  marching boxes"), std::string::npos) << out;
    EXPECT_NE(out.find("endscrn"), std::string::npos) << out;
  }
  EXPECT_EQ(runCommand(std::string(GVS_SHOW_PATH) + " --help", &out), 0);
  EXPECT_NE(out.find("--start T"), std::string::npos);
}

// The full run with the loader and the music clock ends by itself; so does the show
// started part way, in the section that holds the time.
TEST(ShowStart, FullRunAndRunFromATimeInTheSectionThatHoldsIt) {
  USE_FORGED_DATA(root, nullptr);
  if (!std::filesystem::exists(resolveDataPath("data\\music\\qz0.mp3"))) GTEST_SKIP() << "no music in the data set";
  openHeadlessDisplay();
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
  // 300 units into the marching boxes; every frame reads the music position, which
  // moves by one second of music (120 units).
  const int section = 5;
  ASSERT_EQ(kShowSections[section].module, &boxboxModule);
  const long double start = sectionStart(section) + 300;
  gScript.clear();
  gFrames.clear();
  setPresentObserver(capture);
  selectAudioBackend(AudioBackend::Stepped, 88200);
  runFullShowFrom(start);
  setPresentObserver(nullptr);
  selectAudioBackend(AudioBackend::Device);
  EXPECT_TRUE(quitRequested);
  // The loader picture at once (no fades), black once loaded, then one frame per
  // pass from `start` until the pass that reads past 24500.
  const size_t passes = size_t(std::floor((kShowEnd - start) / 120)) + 2;
  ASSERT_EQ(gFrames.size(), 2 + passes);
  std::vector<uint32_t> picture(64000);
  ASSERT_TRUE(loadRgbImage("data\\loader\\loader.rgb", 320, 200, picture.data()));
  EXPECT_EQ(gFrames[0], picture);
  EXPECT_EQ(gFrames[1], std::vector<uint32_t>(64000, 0));
  // The first two frames are the section's own at 300 and 420 units into its window.
  loadAllScenes();
  clearFrame(frameBuffer);
  for (int i = 0; i < 2; ++i) {
    boxboxModule.render(300.0f + 120.0f * float(i), frameBuffer);
    std::vector<uint32_t> expected(frameBuffer, frameBuffer + 64000);
    EXPECT_GT(litPixels(expected.data(), 64000), 6400);
    EXPECT_EQ(gFrames[2 + size_t(i)], expected) << "frame " << i;
  }
  releaseAllScenes();
  // The show was run headless, so the real program is too: near the end it starts,
  // plays on the clock and ends by itself.
  std::string out;
  EXPECT_EQ(runCommand("cd '" + root + "' && SDL_VIDEODRIVER=dummy " + GVS_SHOW_PATH + " --silent --start 24400", &out), 0)
      << out;
  // A display that does not answer: the show plays off screen, and says so.
  EXPECT_EQ(runCommand("cd '" + root + "' && DISPLAY=:4711 " + GVS_SHOW_PATH + " --silent --start 24400", &out), 0) << out;
  EXPECT_NE(out.find("the X display :4711 could not be opened; the show runs without a window"), std::string::npos)
      << out;
}
