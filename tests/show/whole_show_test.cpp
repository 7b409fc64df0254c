// The whole show rendered in-process at 30 frames per second of SceneTime, from 0 to
// its end, and the single-scene mode's first 2000 units: the suite the sanitizers
// run over every section's every path that the show takes. No section is a black
// placeholder, the end screen holds its picture, then black, and the show quits.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/imagefile.hpp"
#include "scenes/sections.hpp"
#include "show/show.hpp"
#include "tests/testutil.hpp"
#include "video/display.hpp"

namespace {
constexpr double kStep = double(kSceneTimePerSecond) / 30.0;  // 4 units
}  // namespace

TEST(WholeShowUnderSanitizers, EveryFrameAt30FpsThenTheSingleScene) {
  USE_FORGED_DATA(root, "loader|box|vohel|matrix|HYPER|SPHERE|CSAPOK|BLOBS|metabox|BOGYO|kocka|FORGo|endscrn|misc");
  openHeadlessDisplay();
  std::vector<uint32_t> picture(64000);
  ASSERT_TRUE(loadRgbImage("DATA\\endscrn\\endscrn.rgb", 320, 200, picture.data()));

  loadAllScenes();
  quitRequested = false;
  long frames = 0;
  double quitAt = 0;
  // Per section: the frames presented in its window, and those with a picture on a
  // tenth of the screen.
  int presented[kShowSectionCount] = {}, lit[kShowSectionCount] = {};
  for (double t = 0; t < 24600 && !quitRequested; t += kStep, ++frames) {
    timelineStep(float(t), frameBuffer);
    presentFrame();
    const uint32_t* shown = presentedPage() + 20 * 320;  // below the letterbox
    for (int i = 0; i < kShowSectionCount; ++i)
      if (t >= sectionStart(i) && t < sectionEnd(i)) {
        ++presented[i];
        lit[i] += litPixels(shown, 64000) > 6400;
      }
    const bool isPicture = std::equal(picture.begin(), picture.end(), shown);
    const bool isBlack = std::all_of(shown, shown + 64000, [](uint32_t p) { return p == 0; });
    ASSERT_TRUE(isPicture || t < 23010 + 127 || t > 23010 + 1157) << t;
    ASSERT_TRUE(isBlack || t < 23010 + 1283) << t;
    if (quitRequested) quitAt = t;
  }
  releaseAllScenes();
  EXPECT_EQ(frames, long(double(kShowEnd) / kStep) + 2);
  EXPECT_GT(quitAt, 24500.0);
  EXPECT_LT(quitAt, 24540.0);
  // Apart from the fades its rules define (the first section is black for its first
  // quarter), every window shows its picture.
  for (int i = 0; i < kShowSectionCount; ++i) EXPECT_GE(lit[i] * 10, presented[i] * 6) << kShowSections[i].module->name;

  miscModule.load();
  for (double t = 0; t < 2000; t += kStep) {
    miscModule.render(float(t), frameBuffer);
    presentFrame();
  }
  miscModule.release();
}
