// The whole show rendered in-process at 30 frames per second of SceneTime, from 0 to
// its end, and the single-scene mode's first 2000 units: the suite the sanitizers
// run over every section's every path that the show takes.
#include <gtest/gtest.h>

#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "show/show.hpp"
#include "tests/testutil.hpp"
#include "video/display.hpp"

namespace {
constexpr double kStep = double(kSceneTimePerSecond) / 30.0;  // 4 units
}  // namespace

TEST(WholeShowUnderSanitizers, EveryFrameAt30FpsThenTheSingleScene) {
  const std::string root = forgedDataRoot("loader|box|vohel|matrix|HYPER|SPHERE|CSAPOK|BLOBS|metabox|BOGYO|kocka|FORGo|endscrn|misc");
  ASSERT_FALSE(root.empty());
  setDataRoot(root);
  DisplayOptions o;
  o.headless = true;
  configureDisplay(o);
  ASSERT_EQ(openDisplay(), 0);

  loadAllScenes();
  quitRequested = false;
  long frames = 0;
  for (double t = 0; t <= double(kShowEnd) && !quitRequested; t += kStep, ++frames) {
    timelineStep(float(t), frameBuffer);
    presentFrame();
  }
  releaseAllScenes();
  EXPECT_EQ(frames, long(double(kShowEnd) / kStep) + 1);

  miscModule.load();
  for (double t = 0; t < 2000; t += kStep) {
    miscModule.render(float(t), frameBuffer);
    presentFrame();
  }
  miscModule.release();
}
