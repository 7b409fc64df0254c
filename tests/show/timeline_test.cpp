// Guards the timeline: its windows and load order, the dispatch at and around every threshold, the overlay window, the end.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "show/show.hpp"

namespace {
struct Call {
  int module;  // window index, or -1 for the overlay
  float t;
};
std::vector<Call> gCalls;

template <int I>
void recordRender(float t, uint32_t*) {
  gCalls.push_back({I, t});
}
void recordOverlay(float t, uint32_t*) { gCalls.push_back({-1, t}); }
void noop() {}

template <int... I>
std::vector<SceneModule> makeModules(std::integer_sequence<int, I...>) {
  return {SceneModule{"rec", noop, recordRender<I>, noop}...};
}

struct RecordingTimeline {
  std::vector<SceneModule> modules = makeModules(std::make_integer_sequence<int, kTimelineWindows>());
  std::vector<TimelineWindow> windows;
  RecordingTimeline() {
    for (int i = 0; i < kTimelineWindows; ++i) {
      windows.push_back(timelineWindows()[i]);
      windows.back().module = &modules[size_t(i)];
    }
  }
  bool step(float t) {
    gCalls.clear();
    return dispatchTimeline(windows.data(), kTimelineWindows, recordOverlay, t, nullptr);
  }
};
}  // namespace

// The show's windows, load order, overlay and end as the show has always had them.
TEST(Timeline, WindowsAndLoadOrderFollowTheTable) {
  const char* names[] = {"box",   "vohel",   "matrix", "hyper", "sphere", "boxbox", "csapok",
                         "blobs", "metabox", "bogyo",  "kocka", "forgo",  "endscrn"};
  const double ends[] = {3540, 6195, 7965, 10620, 12390, 14160, 15930, 16815, 17700, 19470, 21240, 23010, 24400};
  const char* loads[] = {"box",   "vohel",  "matrix", "hyper",   "sphere", "forgo",  "bogyo",
                         "blobs", "boxbox", "csapok", "metabox", "kocka",  "endscrn"};
  ASSERT_EQ(kTimelineWindows, 13);
  for (int i = 0; i < kTimelineWindows; ++i) {
    EXPECT_STREQ(timelineWindows()[i].module->name, names[i]);
    EXPECT_EQ(double(timelineWindows()[i].start), i ? ends[i - 1] : 0.0) << names[i];
    EXPECT_EQ(double(timelineWindows()[i].end), ends[i]) << names[i];
    EXPECT_STREQ(loadOrder()[i]->name, loads[i]);
  }
  EXPECT_EQ(double(barTime(kOverlayBar)), 2655.0);
  EXPECT_EQ(double(kShowEnd), 24500.0);
  EXPECT_EQ(double(barTime(kSingleSceneBenchBars)), 2655.0);
}

TEST(Timeline, ThresholdsAreStrictAndPassRelativeTime) {
  RecordingTimeline tl;
  for (int i = 0; i + 1 < kTimelineWindows; ++i) {
    float at = float(timelineWindows()[i].end);
    tl.step(at);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].module, i + 1) << "t = " << at;
    EXPECT_EQ(gCalls[0].t, 0.0f);
    float below = std::nextafter(at, 0.0f);
    tl.step(below);
    EXPECT_EQ(gCalls[0].module, i) << "just below " << at;
    tl.step(at + 0.5f);
    EXPECT_EQ(gCalls[0].module, i + 1);
    EXPECT_EQ(gCalls[0].t, 0.5f);
  }
}

TEST(Timeline, OverlayOnlyStrictlyBetween2655And3540WithAbsoluteTime) {
  RecordingTimeline tl;
  tl.step(2655.0f);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].module, 0);
  tl.step(2655.25f);
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gCalls[0].module, 0);
  EXPECT_EQ(gCalls[1].module, -1);
  EXPECT_EQ(gCalls[1].t, 2655.25f);
  tl.step(3539.75f);
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gCalls[0].t, 3539.75f);
  EXPECT_EQ(gCalls[1].t, 3539.75f);
  tl.step(3540.0f);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].module, 1);
}

TEST(Timeline, EndScreenThenNothingThenQuitAfter24500) {
  RecordingTimeline tl;
  EXPECT_FALSE(tl.step(24399.5f));
  EXPECT_EQ(gCalls.back().module, 12);
  EXPECT_FLOAT_EQ(gCalls.back().t, 1389.5f);
  EXPECT_FALSE(tl.step(24400.0f));
  EXPECT_TRUE(gCalls.empty());
  EXPECT_FALSE(tl.step(24500.0f));  // the end itself does not yet quit
  EXPECT_TRUE(tl.step(24500.002f));
  EXPECT_TRUE(gCalls.empty());
}

TEST(Timeline, RelativeTimeIsSubtractedBeforeRounding) {
  RecordingTimeline tl;
  // 16815.1 as a float is 16815.099609375; the difference is exact before it is narrowed.
  float t = 16815.1f;
  tl.step(t);
  EXPECT_EQ(gCalls[0].module, 8);
  EXPECT_EQ(gCalls[0].t, float((long double)t - 16815.0L));
}
